#include "platform/bitmap.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace vurk {

uint64_t Bitmap::pitchFor(int32_t width, uint16_t bitCount) {
    if (width <= 0) return 0;
    uint64_t bits = static_cast<uint64_t>(width) * bitCount;
    return ((bits + 31) / 32) * 4;
}

std::unique_ptr<Bitmap> Bitmap::create(int32_t width, int32_t height, uint16_t bitCount,
                                       uint32_t clrUsed) {
    if (width <= 0 || height <= 0) return nullptr;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
        return nullptr;
    }
    uint64_t pitch = pitchFor(width, bitCount);
    uint64_t bytes = pitch * static_cast<uint64_t>(height);
    if (pitch == 0 || pitch > 0xFFFFFFFFu || bytes > kMaxBytes) return nullptr;
    if (bitCount > 8) {
        clrUsed = 0;
    } else if (clrUsed > (1u << bitCount)) {
        return nullptr;
    }
    auto bmp = std::make_unique<Bitmap>();
    bmp->biWidth = width;
    bmp->biHeight = -height;
    bmp->biBitCount = bitCount;
    bmp->biClrUsed = clrUsed;
    bmp->pitch_ = static_cast<uint32_t>(pitch);
    bmp->pixels_.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes), 1)));
    if (!bmp->pixels_) throw std::bad_alloc();
    bmp->byteSize_ = static_cast<size_t>(bytes);
    return bmp;
}

void Bitmap::FreePixels::operator()(uint8_t* p) const { std::free(p); }

Bitmap::Bitmap(const Bitmap& other)
    : biWidth(other.biWidth),
      biHeight(other.biHeight),
      biBitCount(other.biBitCount),
      biClrUsed(other.biClrUsed),
      colorTable(other.colorTable),
      pitch_(other.pitch_),
      byteSize_(other.byteSize_) {
    if (byteSize_ == 0) return;
    pixels_.reset(static_cast<uint8_t*>(std::malloc(byteSize_)));
    if (!pixels_) throw std::bad_alloc();
    std::memcpy(pixels_.get(), other.pixels_.get(), byteSize_);
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this != &other) *this = Bitmap(other);
    return *this;
}

uint32_t Bitmap::colorCount() const {
    if (!hasColorTable()) return 0;
    return biClrUsed != 0 ? biClrUsed : (1u << biBitCount);
}

uint32_t Bitmap::pixelRgb(int32_t x, int32_t y) const {
    const uint8_t* r = row(y);
    uint32_t index = 0;
    switch (biBitCount) {
    case 32:
        return packRgb(r[x * 4 + 2], r[x * 4 + 1], r[x * 4]);
    case 24:
        return packRgb(r[x * 3 + 2], r[x * 3 + 1], r[x * 3]);
    case 8:
        index = r[x];
        break;
    case 4:
        index = (r[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
        break;
    case 1:
        index = (r[x >> 3] >> (7 - (x & 7))) & 1;
        break;
    default:
        return 0;
    }
    const RgbQuad& q = colorTable[index];
    return packRgb(q.red, q.green, q.blue);
}

std::unique_ptr<Bitmap> Bitmap::toDrawingFormat(std::unique_ptr<Bitmap> bitmap) {
    if (!bitmap || bitmap->biBitCount == 32) return bitmap;
    auto out = create(bitmap->width(), bitmap->height(), 32);
    if (!out) return nullptr;
    for (int32_t y = 0; y < bitmap->height(); ++y) {
        uint8_t* to = out->row(y);
        const uint8_t* from = bitmap->row(y);
        for (int32_t x = 0; x < bitmap->width(); ++x, to += 4) {
            const uint32_t v = bitmap->biBitCount == 24 ? packRgb(from[3 * x + 2], from[3 * x + 1], from[3 * x])
                                                        : bitmap->pixelRgb(x, y);
            std::memcpy(to, &v, 4);
        }
    }
    return out;
}

}  // namespace vurk
