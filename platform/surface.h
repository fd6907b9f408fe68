// A memory drawing surface: a selected bitmap with a pen and a brush, and the
// raster operations drawn on it directly (the cursor's inversion, the diff
// picture's outlines). The map's tiles and sprites are copied by the view's
// own painter with `combineRow`.
//
// Drawing operations write only into a 32-bit selected bitmap; on a surface with
// no bitmap, or one of another depth, they do nothing, and they are clipped at
// the bitmap's edges.
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
};

// Combines n 32-bit pixels of `in` into `out` (which may overlap `in` only for
// SrcCopy).
void combineRow(uint8_t* out, const uint8_t* in, int32_t n, Rop rop);

enum class PenStyle { Solid, Null };
enum class BrushStyle { Solid, Hollow };

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
    Pen pen;      // black
    Brush brush;  // white, solid
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

    // Fills a rectangle through the brush. PatInvert uses a solid brush's colour;
    // with a hollow brush it leaves the pixels alone.
    void patBlt(int32_t x, int32_t y, int32_t w, int32_t h, PatRop rop);

    // The rectangle from (left, top) to (right, bottom), right and bottom edges
    // excluded: outlined with the pen, the inside filled with the brush.
    void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);

private:
    Bitmap* target();  // the selected bitmap when it can be drawn into
    // Sets one pixel when it lies inside `bmp`.
    static void plot(Bitmap& bmp, int32_t x, int32_t y, uint32_t color);

    std::shared_ptr<Bitmap> bitmap_;
};

}  // namespace vurk
