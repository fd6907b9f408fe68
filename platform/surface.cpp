#include "platform/surface.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vurk {

namespace {

uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// Narrows a span of n pixels starting at d in the destination and s in the
// source so that it lies inside both [0, dLimit) and [0, sLimit). Returns false
// when nothing is left.
bool clipSpan(int32_t& d, int32_t& s, int32_t& n, int32_t dLimit, int32_t sLimit) {
    int64_t dd = d, ss = s, nn = n;
    int64_t shift = std::max<int64_t>({0, -dd, -ss});
    dd += shift;
    ss += shift;
    nn -= shift;
    nn = std::min({nn, int64_t{dLimit} - dd, int64_t{sLimit} - ss});
    if (nn <= 0) return false;
    d = static_cast<int32_t>(dd);
    s = static_cast<int32_t>(ss);
    n = static_cast<int32_t>(nn);
    return true;
}

}  // namespace

void combineRow(uint8_t* out, const uint8_t* in, int32_t n, Rop rop) {
    const size_t bytes = static_cast<size_t>(n) * 4;
    if (rop == Rop::SrcCopy) {
        std::memmove(out, in, bytes);
        return;
    }
    // Two pixels a word; the odd one after.
    size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        uint64_t a, b;
        std::memcpy(&a, out + i, 8);
        std::memcpy(&b, in + i, 8);
        a = rop == Rop::SrcAnd ? a & b : a | b;
        std::memcpy(out + i, &a, 8);
    }
    if (i < bytes) store32(out + i, rop == Rop::SrcAnd ? load32(out + i) & load32(in + i) : load32(out + i) | load32(in + i));
}

std::shared_ptr<Bitmap> Surface::selectBitmap(std::shared_ptr<Bitmap> bitmap) {
    std::swap(bitmap, bitmap_);
    return bitmap;
}

Bitmap* Surface::target() {
    return bitmap_ && bitmap_->biBitCount == 32 ? bitmap_.get() : nullptr;
}

void Surface::plot(Bitmap& bmp, int32_t x, int32_t y, uint32_t color) {
    if (x < 0 || y < 0 || x >= bmp.width() || y >= bmp.height()) return;
    store32(bmp.row(y) + static_cast<size_t>(x) * 4, color);
}

void Surface::patBlt(int32_t x, int32_t y, int32_t w, int32_t h, PatRop rop) {
    Bitmap* dst = target();
    if (!dst) return;
    if (rop == PatRop::PatInvert && state.brush.style != BrushStyle::Solid) return;
    int32_t sx = x, sy = y;  // clipped against the destination only
    if (!clipSpan(x, sx, w, dst->width(), dst->width())) return;
    if (!clipSpan(y, sy, h, dst->height(), dst->height())) return;
    const uint32_t pattern = state.brush.color & 0xFFFFFF;
    for (int32_t r = 0; r < h; ++r) {
        uint8_t* out = dst->row(y + r) + static_cast<size_t>(x) * 4;
        for (int32_t j = 0; j < w; ++j) {
            uint8_t* p = out + static_cast<size_t>(j) * 4;
            store32(p, load32(p) ^ pattern);
        }
    }
}

void Surface::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    Bitmap* dst = target();
    if (!dst) return;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) return;
    const bool outline = state.pen.style == PenStyle::Solid;
    // Without a pen the fill takes the outline's place, one pixel short at the
    // right and bottom.
    const int32_t inset = outline ? 1 : 0;
    const int32_t fillRight = right - 1, fillBottom = bottom - 1;
    for (int32_t y = std::max(top, 0); y < std::min(bottom, dst->height()); ++y) {
        for (int32_t x = std::max(left, 0); x < std::min(right, dst->width()); ++x) {
            bool edge = x == left || x == right - 1 || y == top || y == bottom - 1;
            if (outline && edge) {
                plot(*dst, x, y, state.pen.color);
                continue;
            }
            const bool inside = x >= left + inset && x < fillRight && y >= top + inset && y < fillBottom;
            if (inside && state.brush.style == BrushStyle::Solid) plot(*dst, x, y, state.brush.color);
        }
    }
}

}  // namespace vurk
