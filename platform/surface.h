// A memory drawing surface: a selected bitmap with a pen, a brush, a text colour
// and a background mode, and the raster operations the editor draws with.
//
// Drawing operations write only into a 32-bit selected bitmap; on a surface with
// no bitmap, or one of another depth, they do nothing. A surface of any depth can
// be the source of a copy: palette pixels are expanded through the colour table.
// Copies are clipped at the edges of both bitmaps: destination pixels whose
// source lies outside the source bitmap are left as they are.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/bitmap.h"

namespace vurk {

// Raster operations of a copy, with their customary codes.
enum class Rop : uint32_t {
    SrcCopy = 0x00CC0020,   // destination = source
    SrcAnd = 0x008800C6,    // destination = destination AND source
    SrcPaint = 0x00EE0086,  // destination = destination OR source
};

// Raster operations of a fill with the brush.
enum class PatRop : uint32_t {
    PatInvert = 0x005A0049,  // destination = destination XOR brush colour
    Blackness = 0x00000042,  // destination = 0
};

// Combines n 32-bit pixels of `in` into `out` (which may overlap `in` only for
// SrcCopy).
void combineRow(uint8_t* out, const uint8_t* in, int32_t n, Rop rop);

enum class BkMode { Transparent, Opaque };
enum class PenStyle { Solid, Null };
// Hatched brushes draw one hatch, HS_BDIAGONAL: lines rising to the right.
enum class BrushStyle { Solid, Hatched, Hollow };

// Pens are one pixel wide.
struct Pen {
    PenStyle style = PenStyle::Solid;
    uint32_t color = 0;  // 0x00RRGGBB
};

struct Brush {
    BrushStyle style = BrushStyle::Solid;
    uint32_t color = 0xFFFFFF;
};

// What a surface draws with; saved and restored whole around a change.
struct DrawingState {
    Pen pen;             // black
    Brush brush;         // white, solid
    uint32_t textColor = 0;
    uint32_t bkColor = 0xFFFFFF;
    BkMode bkMode = BkMode::Opaque;
};

// The pixels a shape covers, relative to the top-left corner of its box.
struct ShapePoint {
    int32_t x = 0;
    int32_t y = 0;
};
struct ShapePixels {
    int32_t width = 0;  // the box
    int32_t height = 0;
    std::vector<ShapePoint> pen;   // the outline, or the glyphs of a text
    std::vector<ShapePoint> fill;  // the inside of a filled ellipse
};

// The outline (when `outline`) and the inside (when `fill`) of the ellipse in
// a w x h box, drawn without smoothing; only the points inside the box's part from
// (clipX, clipY), clipW x clipH, are rendered and returned. Empty for a box
// with a side below 1 or above 2^20.
ShapePixels ellipsePixels(int32_t w, int32_t h, bool outline, bool fill, int32_t clipX, int32_t clipY, int32_t clipW,
                          int32_t clipH);
// The glyph pixels of a text in the label font; the box is the text's extent.
ShapePixels textPixels(std::string_view text);

class Surface {
public:
    Surface() = default;
    Surface(Surface&&) = default;
    Surface& operator=(Surface&&) = default;

    // Selects a bitmap (null for none) and hands back the one selected before.
    // A bitmap may be shared with other surfaces (a sheet kept for the session).
    std::shared_ptr<Bitmap> selectBitmap(std::shared_ptr<Bitmap> bitmap);
    Bitmap* bitmap() { return bitmap_.get(); }
    const Bitmap* bitmap() const { return bitmap_.get(); }

    DrawingState state;

    // Copies a w x h rectangle of `src` at (sx, sy) to (x, y), combined by `rop`.
    // `src` may be this surface.
    void bitBlt(int32_t x, int32_t y, int32_t w, int32_t h, const Surface& src, int32_t sx,
                int32_t sy, Rop rop);

    // Fills a rectangle through the brush. PatInvert uses a solid brush's colour;
    // with a hatched or hollow brush it leaves the pixels alone.
    void patBlt(int32_t x, int32_t y, int32_t w, int32_t h, PatRop rop);

    // The rectangle from (left, top) to (right, bottom), right and bottom edges
    // excluded: outlined with the pen, the inside filled with the brush. A hatched
    // brush paints its lines in its colour and the gaps with the background colour,
    // or not at all when the background mode is transparent.
    void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);

    // The outline of the ellipse in the same box, drawn with the pen. The inside
    // is filled only with a solid brush.
    void ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom);

    // Text with its top-left corner at (x, y), in the text colour, without
    // smoothing; an opaque background mode fills the text's box with the
    // background colour first.
    void textOut(int32_t x, int32_t y, std::string_view text);

private:
    Bitmap* target();  // the selected bitmap when it can be drawn into
    // Sets one pixel when it lies inside `bmp`.
    static void plot(Bitmap& bmp, int32_t x, int32_t y, uint32_t color);
    // What the brush paints at a pixel; false where it leaves the pixel alone.
    bool brushColorAt(int32_t x, int32_t y, uint32_t& color) const;

    std::shared_ptr<Bitmap> bitmap_;
};

}  // namespace vurk
