// The decoder's operations and the bitmap they produce.
#include "png/png_decoder.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>

#include "platform/files.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif
#include "png/png_internal.h"

namespace vurk {

namespace {

using Src = ColourTableSource;

constexpr OutputFormat kOutputFormats[] = {
    {0, 1, 1, Src::GreyRamp, 2, ConvCopy},
    {0, 2, 4, Src::GreyRamp, 4, ConvWiden2To4},
    {0, 4, 4, Src::GreyRamp, 16, ConvCopy},
    {0, 8, 8, Src::GreyRamp, 256, ConvCopy},
    {0, 16, 8, Src::GreyRamp, 256, ConvEvery2nd},
    {2, 8, 24, Src::None, 0, ConvRgbToBgr},
    {2, 16, 24, Src::None, 0, ConvRgb16ToBgr},
    {3, 1, 1, Src::Palette, 0, ConvCopy},
    {3, 2, 4, Src::Palette, 0, ConvWiden2To4},
    {3, 4, 4, Src::Palette, 0, ConvCopy},
    {3, 8, 8, Src::Palette, 0, ConvCopy},
    {4, 8, 8, Src::GreyRamp, 256, ConvEvery2nd},
    {4, 16, 8, Src::GreyRamp, 256, ConvEvery4th},
    {6, 8, 32, Src::None, 0, ConvRgbaToBgra},
    {6, 16, 32, Src::None, 0, ConvRgba16ToBgra},
};

void fillGreyRamp(Bitmap& bmp, uint32_t entries) {
    for (uint32_t i = 0; i < entries; ++i) {
        const auto v = static_cast<uint8_t>(i * 255 / (entries - 1));
        bmp.colorTable[i] = RgbQuad{v, v, v, 0};
    }
}

void fillColourTable(const PngDecoder& d, const OutputFormat& f, Bitmap& bmp) {
    if (f.table == Src::GreyRamp) {
        fillGreyRamp(bmp, f.rampEntries);
    } else if (f.table == Src::Palette && d.palette == nullptr) {
        // A palette image without PLTE: show its indices as greys rather
        // than leave every pixel black.
        fillGreyRamp(bmp, 1u << d.bitDepth);
    } else if (f.table == Src::Palette) {
        // Entries past the PLTE's stay black.
        const uint32_t entries = d.paletteCount < 256 ? d.paletteCount : 256;
        for (uint32_t i = 0; i < entries; ++i) {
            const uint8_t* rgb = d.palette + 3 * i;
            bmp.colorTable[i] = RgbQuad{rgb[2], rgb[1], rgb[0], 0};
        }
    }
}

// A buffer for the raw data, released with free. Large ones are asked for
// in huge pages where the system has them: a fresh page faults on its first
// write, and one fault per 2 MiB instead of per 4 KiB takes a third off
// decoding a large sheet.
void* allocateRaw(size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr size_t kHuge = size_t{2} << 20;
    if (size >= kHuge) {
        const size_t rounded = (size + kHuge - 1) & ~(kHuge - 1);
        void* p = std::aligned_alloc(kHuge, rounded);
        if (p != nullptr) madvise(p, rounded, MADV_HUGEPAGE);
        return p;
    }
#endif
    return std::malloc(size);
}

// Reads the whole file into a new heap buffer, handed out through `buffer`
// and `size`. Returns 1, or 0 with lastError set and nothing allocated.
int readFileBuffer(PngDecoder& d, const std::string& path, uint8_t*& buffer, uint32_t& size) {
    const std::filesystem::path file(nativePath(path));
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return fail(d, PngErrFile);
    const uintmax_t fileSize = std::filesystem::file_size(file, ec);
    if (ec || fileSize > kMaxPngFileBytes) return fail(d, PngErrFile);
    std::ifstream in(file, std::ios::binary);
    if (!in) return fail(d, PngErrFile);
    buffer = static_cast<uint8_t*>(std::malloc(fileSize ? fileSize : 1));
    if (buffer == nullptr) return fail(d, PngErrNoMemory);
    // A file that reads short would leave bytes we never wrote: refuse it.
    in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(fileSize));
    if (static_cast<uintmax_t>(in.gcount()) != fileSize) {
        std::free(buffer);
        return fail(d, PngErrFile);
    }
    size = static_cast<uint32_t>(fileSize);
    return 1;
}

// The rest of a read once the bytes are in a heap buffer of our own: the
// record takes the buffer and parses it, or frees it on failure.
int adoptFileBuffer(PngDecoder& d, uint8_t* buffer, uint32_t size) {
    d.fileData = buffer;
    d.fileSize = size;
    d.ownsFileData = 1;
    if (!parseChunkStream(d)) {
        std::free(d.fileData);
        // Nothing may keep pointing into the freed buffer.
        d.fileData = nullptr;
        d.fileSize = 0;
        d.ownsFileData = 0;
        d.chunkCursor = d.header = d.palette = d.firstImageChunk = nullptr;
        return 0;
    }
    d.state = PngStateRead;
    return 1;
}

// A read starts on an empty record only.
int startRead(PngDecoder& d) {
    if (d.state != PngStateEmpty || d.ownsFileData != 0) return fail(d, PngErrBusy);
    d.lastError = 0;
    return 1;
}

}  // namespace

const OutputFormat* findOutputFormat(uint8_t colourType, uint8_t bitDepth) {
    for (const OutputFormat& f : kOutputFormats) {
        if (f.colourType == colourType && f.bitDepth == bitDepth) return &f;
    }
    return nullptr;
}

int PngDecoderReset(PngDecoder& d) {
    d = PngDecoder{};
    return 1;
}

int PngReadFile(PngDecoder& d, const std::string& path) {
    uint8_t* buffer = nullptr;
    uint32_t size = 0;
    return startRead(d) && readFileBuffer(d, path, buffer, size) && adoptFileBuffer(d, buffer, size);
}

int PngReadMemory(PngDecoder& d, const uint8_t* data, size_t size) {
    if (!startRead(d)) return 0;
    // The same limit as for a file, with the same code.
    if (size > kMaxPngFileBytes) return fail(d, PngErrFile);
    auto* buffer = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (buffer == nullptr) return fail(d, PngErrNoMemory);
    if (size != 0) std::memcpy(buffer, data, size);
    return adoptFileBuffer(d, buffer, static_cast<uint32_t>(size));
}

int PngInflateImage(PngDecoder& d) {
    if (d.state != PngStateRead) return fail(d, PngErrWrongState);
    // The read refused images whose raw data would not fit in 32 bits.
    d.rawSize = static_cast<uint32_t>(rawDataSize(d));
    // Raw data that the image data cannot fill would fail the inflate after
    // a long decode into a large buffer: it fails now, with the same code.
    if (d.rawSize > maxInflatedSize(d)) return fail(d, PngErrBadFile);
    d.rawData = static_cast<uint8_t*>(allocateRaw(d.rawSize));
    if (d.rawData == nullptr) return fail(d, PngErrNoMemory);
    if (!inflateImageData(d)) {
        std::free(d.rawData);
        d.rawData = nullptr;
        return 0;
    }
    d.state = PngStateDecoded;
    return 1;
}

std::unique_ptr<Bitmap> PngMakeBitmap(PngDecoder& d) {
    if (d.state != PngStateDecoded) {
        fail(d, PngErrWrongState);
        return nullptr;
    }
    const OutputFormat& f = *findOutputFormat(d.colourType, d.bitDepth);
    std::unique_ptr<Bitmap> bmp;
    try {
        bmp = Bitmap::create(static_cast<int32_t>(d.width), static_cast<int32_t>(d.height), f.bitCount,
                             f.table == Src::GreyRamp ? f.rampEntries : 0);
    } catch (const std::bad_alloc&) {
        bmp = nullptr;
    }
    if (!bmp) {
        fail(d, PngErrBitmap);
        return nullptr;
    }
    fillColourTable(d, f, *bmp);
    // A bitmap whose conversion failed is dropped; lastError says why.
    if (!convertImage(d, *bmp, f)) return nullptr;
    return bmp;
}

int PngDecoderFree(PngDecoder& d) {
    if (d.ownsFileData == 1 && d.fileData != nullptr) std::free(d.fileData);
    if (d.state == PngStateDecoded && d.rawData != nullptr) std::free(d.rawData);
    d = PngDecoder{};
    return 1;
}

std::unique_ptr<Bitmap> LoadPngBitmap(const std::string& path, Shell& shell) {
    PngDecoder d;
    PngDecoderReset(d);
    // Judged by its size first, so that a huge file is never read.
    std::error_code ec;
    const uintmax_t fileBytes = std::filesystem::file_size(nativePath(path), ec);
    if (!ec && fileBytes > kMaxSheetFileBytes) {
        shell.messageBox("Picture too large: " + path + " is " + std::to_string(fileBytes) +
                             " bytes; a sheet file may be at most " + std::to_string(kMaxSheetFileBytes) + " bytes.",
                         "Error", BoxButtons::Ok);
        return nullptr;
    }
    // The text is built whole, however long the path.
    if (!PngReadFile(d, path)) {
        shell.messageBox("Couldn't load file: " + path, "Error", BoxButtons::Ok);
    } else if (d.width > kMaxSheetSide || d.height > kMaxSheetSide) {
        // Refused on its header, before the image data is inflated.
        shell.messageBox("Picture too large: " + path + " is " + std::to_string(d.width) + " x " +
                             std::to_string(d.height) + " pixels; a sheet may be at most " +
                             std::to_string(kMaxSheetSide) + " x " + std::to_string(kMaxSheetSide) + ".",
                         "Error", BoxButtons::Ok);
        PngDecoderFree(d);
        return nullptr;
    }
    // After a failed read these fail on their state checks.
    PngInflateImage(d);
    std::unique_ptr<Bitmap> bmp = PngMakeBitmap(d);
    if (!bmp && d.state != PngStateEmpty) {
        const bool memory = d.lastError == PngErrNoMemory || d.lastError == PngErrBitmap;
        shell.sheetNotDecoded(path, memory ? "not enough memory to decode it" : "its image data is damaged");
    }
    PngDecoderFree(d);
    return bmp;
}

}  // namespace vurk
