// Decodes each file named on the command line through the decoder's steps and
// prints one line per file: the code each step leaves and a hash of the
// bitmap. Two builds of this against two versions of the decoder must print
// the same lines (see compare.sh).
#include <cstdint>
#include <cstdio>

#include "png/png_decoder.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        vurk::PngDecoder d;
        vurk::PngDecoderReset(d);
        const int read = vurk::PngReadFile(d, argv[i]);
        const uint32_t readCode = d.lastError;
        const int inflated = vurk::PngInflateImage(d);
        const uint32_t inflateCode = d.lastError;
        const auto bmp = vurk::PngMakeBitmap(d);
        uint64_t hash = 1469598103934665603ull;  // FNV-1a over pixels and colour table
        if (bmp) {
            for (size_t j = 0; j < bmp->byteSize(); ++j) hash = (hash ^ bmp->bits()[j]) * 1099511628211ull;
            for (uint32_t j = 0; j < bmp->colorCount(); ++j) {
                const vurk::RgbQuad& q = bmp->colorTable[j];
                for (uint8_t v : {q.blue, q.green, q.red, q.reserved}) hash = (hash ^ v) * 1099511628211ull;
            }
        }
        std::printf("%s read=%d/%04x inflate=%d/%04x bitmap=%d/%04x %ux%u %016llx\n", argv[i], read, readCode,
                    inflated, inflateCode, bmp ? 1 : 0, d.lastError, d.width, d.height,
                    static_cast<unsigned long long>(hash));
        vurk::PngDecoderFree(d);
    }
    return 0;
}
