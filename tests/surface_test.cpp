#include <gtest/gtest.h>

#include <cstring>

#include "platform/surface.h"
#include "tests/support/view_support.h"

namespace vurk {
namespace {

constexpr auto raw = test::pixelAt;

// A 32-bit surface whose pixel (x, y) holds f(x, y).
template <class F>
Surface surface32(int32_t w, int32_t h, F f) {
    Surface s;
    s.selectBitmap(Bitmap::create(w, h, 32));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t v = f(x, y);
            std::memcpy(s.bitmap()->row(y) + x * 4, &v, 4);
        }
    return s;
}

Surface filled(int32_t w, int32_t h, uint32_t v) {
    return surface32(w, h, [v](int32_t, int32_t) { return v; });
}

TEST(SurfaceCopy, CombinesEveryBitOfEveryPixel) {
    auto d = [](int32_t x, int32_t y) { return 0xA5C3F00Fu ^ static_cast<uint32_t>(x * 977 + y * 131); };
    auto sv = [](int32_t x, int32_t y) { return 0x3C5AFF00u + static_cast<uint32_t>(x * 7919 + y * 31); };
    Surface src = surface32(5, 4, sv);
    for (Rop rop : {Rop::SrcCopy, Rop::SrcAnd, Rop::SrcPaint}) {
        Surface dst = surface32(5, 4, d);
        dst.bitBlt(0, 0, 5, 4, src, 0, 0, rop);
        for (int32_t y = 0; y < 4; ++y) {
            for (int32_t x = 0; x < 5; ++x) {
                uint32_t want = rop == Rop::SrcCopy ? sv(x, y)
                                : rop == Rop::SrcAnd ? (d(x, y) & sv(x, y))
                                                     : (d(x, y) | sv(x, y));
                ASSERT_EQ(raw(*dst.bitmap(), x, y), want) << x << "," << y;
            }
        }
    }
}

TEST(SurfaceCopy, ClipsAtTheEdgesOfBothBitmaps) {
    const uint32_t keep = 0x00123456;
    Surface src = surface32(4, 3, [](int32_t x, int32_t y) { return 0x100u + static_cast<uint32_t>(y * 4 + x); });
    struct Case { int32_t dx, dy, w, h, sx, sy; };
    const Case cases[] = {
        {-2, -1, 6, 5, 0, 0},   // destination starts left of and above its bitmap
        {3, 2, 10, 10, 0, 0},   // runs past the destination's right and bottom
        {0, 0, 6, 6, -1, -2},   // source starts outside its bitmap
        {1, 1, 8, 8, 2, 1},     // runs past the source's right and bottom
        {0, 0, 3, 3, 4, 0},     // wholly outside the source: nothing
    };
    for (const Case& c : cases) {
        Surface dst = filled(6, 5, keep);
        dst.bitBlt(c.dx, c.dy, c.w, c.h, src, c.sx, c.sy, Rop::SrcCopy);
        for (int32_t y = 0; y < 5; ++y) {
            for (int32_t x = 0; x < 6; ++x) {
                int32_t u = x - c.dx, v = y - c.dy;  // offset inside the copied rectangle
                int32_t fx = c.sx + u, fy = c.sy + v;
                bool copied = u >= 0 && v >= 0 && u < c.w && v < c.h && fx >= 0 && fy >= 0 && fx < 4 && fy < 3;
                uint32_t want = copied ? 0x100u + static_cast<uint32_t>(fy * 4 + fx) : keep;
                ASSERT_EQ(raw(*dst.bitmap(), x, y), want) << "case " << (&c - cases) << " at " << x << "," << y;
            }
        }
    }
}

TEST(SurfaceCopy, WithinOneBitmapReadsBeforeWriting) {
    Surface s = surface32(3, 4, [](int32_t x, int32_t y) { return static_cast<uint32_t>(y * 10 + x); });
    s.bitBlt(1, 1, 2, 3, s, 0, 0, Rop::SrcCopy);  // down and right, overlapping
    for (int32_t y = 1; y < 4; ++y)
        for (int32_t x = 1; x < 3; ++x) EXPECT_EQ(raw(*s.bitmap(), x, y), static_cast<uint32_t>((y - 1) * 10 + x - 1));
}

TEST(SurfaceCopy, ExpandsPaletteAndTrueColourSources) {
    const RgbQuad c0{0x10, 0x20, 0x30, 0x77}, c1{0xF1, 0xE2, 0xD3, 0x00}, c5{0x01, 0x02, 0x03, 0x00};
    const uint32_t rgb0 = packRgb(0x30, 0x20, 0x10), rgb1 = packRgb(0xD3, 0xE2, 0xF1), rgb5 = packRgb(3, 2, 1);

    Surface one;
    one.selectBitmap(Bitmap::create(10, 1, 1));
    one.bitmap()->colorTable[0] = c0;
    one.bitmap()->colorTable[1] = c1;
    one.bitmap()->row(0)[0] = 0b10100000;  // pixels 0 and 2 set
    one.bitmap()->row(0)[1] = 0b01000000;  // pixel 9 set

    Surface four;
    four.selectBitmap(Bitmap::create(3, 1, 4));
    four.bitmap()->colorTable[0] = c0;
    four.bitmap()->colorTable[5] = c5;
    four.bitmap()->row(0)[0] = 0x50;  // pixels 5, 0
    four.bitmap()->row(0)[1] = 0x50;  // pixel 5

    Surface eight;
    eight.selectBitmap(Bitmap::create(2, 1, 8));
    eight.bitmap()->colorTable[200] = c1;
    eight.bitmap()->row(0)[0] = 200;

    Surface rgb24;
    rgb24.selectBitmap(Bitmap::create(2, 1, 24));
    const uint8_t bgr[] = {0x10, 0x20, 0x30, 0xF1, 0xE2, 0xD3};
    std::memcpy(rgb24.bitmap()->row(0), bgr, sizeof bgr);

    struct Case { const Surface* src; int32_t w; std::vector<uint32_t> want; };
    const Case cases[] = {
        {&one, 10, {rgb1, rgb0, rgb1, rgb0, rgb0, rgb0, rgb0, rgb0, rgb0, rgb1}},
        {&four, 3, {rgb5, rgb0, rgb5}},
        {&eight, 2, {rgb1, packRgb(0, 0, 0)}},
        {&rgb24, 2, {rgb0, rgb1}},
    };
    for (const Case& c : cases) {
        Surface dst = filled(c.w, 1, 0xFFFFFFFF);
        dst.bitBlt(0, 0, c.w, 1, *c.src, 0, 0, Rop::SrcCopy);
        for (int32_t x = 0; x < c.w; ++x) EXPECT_EQ(raw(*dst.bitmap(), x, 0), c.want[x]) << "depth " << c.src->bitmap()->biBitCount << " x " << x;
        // Combining operations see the expanded value too.
        Surface anded = filled(c.w, 1, 0x00F0F0F0);
        anded.bitBlt(0, 0, c.w, 1, *c.src, 0, 0, Rop::SrcAnd);
        EXPECT_EQ(raw(*anded.bitmap(), 0, 0), 0x00F0F0F0u & c.want[0]);
    }
}

TEST(SurfaceCopy, DrawsOnlyIntoThirtyTwoBitBitmaps) {
    Surface src = filled(2, 2, 0xFFFFFF);
    Surface none;
    none.bitBlt(0, 0, 2, 2, src, 0, 0, Rop::SrcCopy);  // no bitmap: nothing, and no fault
    Surface eight;
    eight.selectBitmap(Bitmap::create(2, 2, 8));
    eight.bitBlt(0, 0, 2, 2, src, 0, 0, Rop::SrcCopy);
    eight.patBlt(0, 0, 2, 2, PatRop::PatInvert);
    EXPECT_EQ(eight.bitmap()->row(0)[0], 0);
    Surface dst = filled(2, 2, 7);
    dst.bitBlt(0, 0, 2, 2, none, 0, 0, Rop::SrcCopy);  // an empty source leaves it alone
    EXPECT_EQ(raw(*dst.bitmap(), 1, 1), 7u);
}

TEST(SurfacePattern, InvertWithTheWhiteBrushAndBlackness) {
    auto f = [](int32_t x, int32_t y) { return 0xAB000000u | static_cast<uint32_t>(x * 0x10203 + y * 0x70605); };
    Surface s = surface32(6, 6, f);
    s.patBlt(-1, 2, 4, 9, PatRop::PatInvert);  // clipped to x 0..2, y 2..5
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 6; ++x) {
            bool in = x <= 2 && y >= 2;
            ASSERT_EQ(raw(*s.bitmap(), x, y), in ? f(x, y) ^ 0x00FFFFFFu : f(x, y)) << x << "," << y;
        }
    s.patBlt(-1, 2, 4, 9, PatRop::PatInvert);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 6; ++x) ASSERT_EQ(raw(*s.bitmap(), x, y), f(x, y));

    s.patBlt(4, 4, 2, 2, PatRop::Blackness);
    EXPECT_EQ(raw(*s.bitmap(), 5, 5), 0u);
    EXPECT_EQ(raw(*s.bitmap(), 3, 5), f(3, 5));
}

TEST(SurfaceShapes, HatchedRectangleKeepsTheGapsWhenTransparent) {
    const uint32_t bg = 0x204060, yellow = 0xFFFF00;
    for (BkMode mode : {BkMode::Transparent, BkMode::Opaque}) {
        Surface s = filled(24, 24, bg);
        s.state.pen = {PenStyle::Solid, yellow};
        s.state.brush = {BrushStyle::Hatched, yellow};
        s.state.bkMode = mode;
        s.state.bkColor = 0x010101;
        s.rectangle(2, 3, 18, 19);  // 16 x 16
        int lines = 0;
        for (int32_t y = 0; y < 24; ++y) {
            for (int32_t x = 0; x < 24; ++x) {
                uint32_t p = raw(*s.bitmap(), x, y);
                bool inBox = x >= 2 && x < 18 && y >= 3 && y < 19;
                bool edge = inBox && (x == 2 || x == 17 || y == 3 || y == 18);
                if (!inBox) {
                    ASSERT_EQ(p, bg);
                } else if (edge) {
                    ASSERT_EQ(p, yellow) << x << "," << y;
                } else if (((x + y) & 7) == 7) {
                    ASSERT_EQ(p, yellow);
                    ++lines;
                } else {
                    ASSERT_EQ(p, mode == BkMode::Transparent ? bg : 0x010101u) << x << "," << y;
                }
            }
        }
        EXPECT_GT(lines, 20);
    }
}

TEST(SurfaceShapes, HollowEllipseDrawsOnlyItsOutline) {
    const uint32_t bg = 0x0000FF;
    Surface s = filled(40, 40, bg);
    s.state.pen = {PenStyle::Solid, 0xFF0000};
    s.state.brush = {BrushStyle::Hollow, 0};
    s.ellipse(5, 8, 25, 28);  // radius 10 around (15, 18)
    int32_t minX = 99, maxX = -1, minY = 99, maxY = -1;
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            uint32_t p = raw(*s.bitmap(), x, y);
            if (p == bg) continue;
            ASSERT_EQ(p, 0xFF0000u);
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
    EXPECT_EQ(minX, 5);
    EXPECT_EQ(maxX, 24);
    EXPECT_EQ(minY, 8);
    EXPECT_EQ(maxY, 27);
    EXPECT_EQ(raw(*s.bitmap(), 15, 18), bg);  // hollow
    EXPECT_EQ(raw(*s.bitmap(), 5, 8), bg);    // a corner of the box is off the curve

    // A box partly off the bitmap draws the part of the same curve that is on it.
    Surface whole = filled(40, 40, bg), cut = filled(12, 12, bg);
    for (Surface* t : {&whole, &cut}) t->state = s.state;
    whole.ellipse(5, 5, 25, 25);
    cut.ellipse(-10, -10, 10, 10);
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 12; ++x) ASSERT_EQ(raw(*cut.bitmap(), x, y), raw(*whole.bitmap(), x + 15, y + 15)) << x << "," << y;

    Surface empty = filled(8, 8, bg);
    empty.ellipse(4, 4, 4, 4);  // radius 0
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(raw(*empty.bitmap(), x, y), bg);
}

TEST(SurfaceText, TransparentTextChangesOnlyGlyphPixels) {
    const uint32_t bg = 0x336699;
    Surface s = filled(60, 40, bg);
    s.state.textColor = 0xFFFF00;
    s.state.bkMode = BkMode::Transparent;
    s.textOut(10, 12, "1a");
    int changed = 0;
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 60; ++x) {
            uint32_t p = raw(*s.bitmap(), x, y);
            if (p == bg) continue;
            ASSERT_EQ(p, 0xFFFF00u);
            ASSERT_GE(x, 10);
            ASSERT_GE(y, 12);
            ++changed;
        }
    EXPECT_GT(changed, 10);

    Surface opaque = filled(60, 40, bg);
    opaque.state.bkMode = BkMode::Opaque;
    opaque.state.bkColor = 0x000001;
    opaque.textOut(10, 12, "1a");
    EXPECT_EQ(raw(*opaque.bitmap(), 10, 12), 0x000001u);  // the box's corner gets the background
}

}  // namespace
}  // namespace vurk
