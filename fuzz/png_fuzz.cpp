// The PNG decoder from memory, every step: read, inflate, make the bitmap,
// free. A bitmap it makes must have the size the header gives.
#include "fuzz/fuzz_support.h"
#include "png/png_decoder.h"

using namespace vurk;
using namespace vurk::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PngDecoder d;
    PngDecoderReset(d);
    if (PngReadMemory(d, data, size) && PngInflateImage(d)) {
        std::unique_ptr<Bitmap> bitmap = PngMakeBitmap(d);
        if (bitmap && (static_cast<uint32_t>(bitmap->width()) != d.width ||
                       static_cast<uint32_t>(bitmap->height()) != d.height)) {
            fail("a %ux%u PNG made a %dx%d bitmap", d.width, d.height, bitmap->width(), bitmap->height());
        }
        if (!bitmap && d.lastError == 0) fail("no bitmap and no error");
    } else if (d.lastError == 0) {
        fail("a failed step set no error");
    }
    PngDecoderFree(d);
    return 0;
}
