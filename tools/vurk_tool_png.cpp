// vurk-tool png2bmp: decodes a PNG with the editor's decoder and writes the
// bitmap it produces as a BMP file, exactly as it lies in memory.
#include <cstdio>
#include <iostream>

#include "platform/bytes.h"
#include "platform/files.h"
#include "png/png_decoder.h"
#include "tools/tool_commands.h"

namespace vurk::tool {

namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;

// File header, info header (negative height: top-down), colour table, rows.
std::vector<uint8_t> bmpFileBytes(const Bitmap& bmp) {
    const uint32_t tableBytes = 4 * bmp.colorCount();
    const uint32_t offBits = kFileHeaderBytes + kInfoHeaderBytes + tableBytes;
    std::vector<uint8_t> out(offBits);
    uint8_t* h = out.data();
    h[0] = 'B';
    h[1] = 'M';
    writeLe32(h + 2, static_cast<uint32_t>(offBits + bmp.byteSize()));
    writeLe32(h + 10, offBits);
    uint8_t* info = h + kFileHeaderBytes;
    writeLe32(info, kInfoHeaderBytes);
    writeLe32(info + 4, static_cast<uint32_t>(bmp.biWidth));
    writeLe32(info + 8, static_cast<uint32_t>(bmp.biHeight));
    writeLe16(info + 12, 1);
    writeLe16(info + 14, bmp.biBitCount);
    writeLe32(info + 32, bmp.biClrUsed);  // compression, sizes and resolutions stay 0
    uint8_t* table = info + kInfoHeaderBytes;
    for (uint32_t i = 0; i < bmp.colorCount(); ++i) {
        const RgbQuad& q = bmp.colorTable[i];
        table[4 * i] = q.blue;
        table[4 * i + 1] = q.green;
        table[4 * i + 2] = q.red;
        table[4 * i + 3] = q.reserved;
    }
    out.insert(out.end(), bmp.bits(), bmp.bits() + bmp.byteSize());
    return out;
}

int runPng2Bmp(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::cerr << "Error: give IN.png and OUT.bmp\n";
        return 1;
    }
    PngDecoder d;
    PngDecoderReset(d);
    // Stops at the first step that fails, so that its code is the one shown.
    std::unique_ptr<Bitmap> bmp;
    if (PngReadFile(d, args[0]) && PngInflateImage(d)) bmp = PngMakeBitmap(d);
    const uint32_t code = d.lastError;
    PngDecoderFree(d);
    if (!bmp) {
        std::fprintf(stderr, "lastError=0x%04x\n", code);
        return 1;
    }
    const std::vector<uint8_t> bytes = bmpFileBytes(*bmp);
    FileWriter out;
    if (!out.create(args[1]) || !out.write(bytes.data(), bytes.size()) || !out.commit()) {
        std::cerr << "Error: could not write " << args[1] << "\n";
        return 1;
    }
    return 0;
}

[[maybe_unused]] const bool registered = registerCommand({"png2bmp", "IN.png OUT.bmp", runPng2Bmp});

}  // namespace

}  // namespace vurk::tool
