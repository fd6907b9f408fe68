// The decoder's fast inflater against the one-bit-at-a-time reference: for
// every input both must give the same outcome, code and bytes.
//
// Input: 2 bytes of raw data size (1 to 65536, scaled by a third byte's low
// bits up to 8 times), 1 byte whose low 2 bits are the count of IDAT chunk
// cuts and whose other bits place them, then the zlib stream.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// The oracle lives with the tests; built into this target as it stands.
#include "tests/support/png_reference_inflate.cpp"

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

void chunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t n) {
    put32(out, static_cast<uint32_t>(n));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + n);
    put32(out, 0);  // the CRC is not checked
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const uint32_t raw = (static_cast<uint32_t>(data[0] | data[1] << 8) + 1) * (1u + (data[2] & 7));
    const uint32_t cuts = data[3] & 3;
    const uint8_t* stream = data + 4;
    const size_t n = size - 4;

    std::vector<uint8_t> png = {137, 80, 78, 71, 13, 10, 26, 10};
    uint8_t ihdr[13] = {};
    const uint32_t width = raw - 1 ? raw - 1 : 1;
    for (int i = 0; i < 4; ++i) ihdr[i] = static_cast<uint8_t>(width >> (24 - 8 * i));
    ihdr[7] = 1;  // height 1
    ihdr[8] = 8;  // grey, 8 bits
    chunk(png, "IHDR", ihdr, sizeof ihdr);
    size_t at = 0;
    for (uint32_t k = 0; k < cuts; ++k) {
        const size_t cut = n == 0 ? 0 : (static_cast<size_t>(data[3] >> 2) * (k + 1) * n / 192) % (n + 1);
        if (cut < at) continue;
        chunk(png, "IDAT", stream + at, cut - at);
        at = cut;
    }
    chunk(png, "IDAT", stream + at, n - at);
    chunk(png, "IEND", nullptr, 0);

    std::string why;
    if (!vurk::test::inflatersAgree(png.data(), png.size(), &why)) {
        std::fprintf(stderr, "inflaters differ: %s\n", why.c_str());
        std::abort();
    }
    return 0;
}
