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

// Reads n pixels of a source row as 32-bit values; palette and 24-bit pixels
// come out as 0x00RRGGBB.
void readRow(const Bitmap& src, int32_t x, int32_t y, int32_t n, uint32_t* out) {
    if (src.biBitCount == 32) {
        std::memcpy(out, src.row(y) + static_cast<size_t>(x) * 4, static_cast<size_t>(n) * 4);
        return;
    }
    for (int32_t i = 0; i < n; ++i) out[i] = src.pixelRgb(x + i, y);
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

bool Surface::brushColorAt(int32_t x, int32_t y, uint32_t& color) const {
    switch (state.brush.style) {
    case BrushStyle::Solid:
        color = state.brush.color;
        return true;
    case BrushStyle::Hatched:
        // One line every 8 pixels, rising to the right, aligned to the surface.
        if (((x + y) & 7) == 7) {
            color = state.brush.color;
            return true;
        }
        color = state.bkColor;
        return state.bkMode == BkMode::Opaque;
    case BrushStyle::Hollow:
        break;
    }
    return false;
}

void Surface::bitBlt(int32_t x, int32_t y, int32_t w, int32_t h, const Surface& src, int32_t sx,
                     int32_t sy, Rop rop) {
    Bitmap* dst = target();
    const Bitmap* from = src.bitmap();
    if (!dst || !from) return;
    if (!clipSpan(x, sx, w, dst->width(), from->width())) return;
    if (!clipSpan(y, sy, h, dst->height(), from->height())) return;

    // Within one bitmap, rows are taken in the order that reads each before it
    // is overwritten; the row buffer covers overlap along the row. A 32-bit
    // source from another bitmap is combined straight from its rows.
    const bool upwards = dst == from && sy < y;
    const bool direct = from->biBitCount == 32 && dst != from;
    std::vector<uint32_t> line(direct ? 0 : static_cast<size_t>(w));
    for (int32_t i = 0; i < h; ++i) {
        int32_t r = upwards ? h - 1 - i : i;
        const uint8_t* in = from->row(sy + r) + static_cast<size_t>(sx) * 4;
        if (!direct) {
            readRow(*from, sx, sy + r, w, line.data());
            in = reinterpret_cast<const uint8_t*>(line.data());
        }
        combineRow(dst->row(y + r) + static_cast<size_t>(x) * 4, in, w, rop);
    }
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
            store32(p, rop == PatRop::PatInvert ? load32(p) ^ pattern : 0);
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
            bool inside = x >= left + inset && x < fillRight && y >= top + inset && y < fillBottom;
            uint32_t c;
            if (inside && brushColorAt(x, y, c)) plot(*dst, x, y, c);
        }
    }
}

}  // namespace vurk
