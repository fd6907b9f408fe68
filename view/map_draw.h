// The picture of the level as a function of the editor state: any rectangle of
// level pixels drawn from the tile map, the object lists, the edit mode and the
// overlays (item flash, radius circles, BG cursor). The map view and
// `vurk-tool render` both draw through drawLevelArea.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/bitmap.h"
#include "platform/surface.h"
#include "view/editor_state.h"

namespace vurk {

// A rectangle of level pixels, right and bottom edges excluded.
struct LevelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    LevelRect intersected(const LevelRect& o) const {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
    }
    bool intersects(const LevelRect& o) const { return !intersected(o).empty(); }
    LevelRect united(const LevelRect& o) const {
        if (empty()) return o;
        if (o.empty()) return *this;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom)};
    }
    bool operator==(const LevelRect&) const = default;
};

// The whole map in level pixels.
LevelRect mapRect(const EditorState& s);

// Draws through a clip rectangle into a 32-bit bitmap that stands for a part of
// the level: the bitmap's pixel (0, 0) is the level point (originX, originY).
// Every operation takes level coordinates and touches only pixels inside the
// clip, so a shape drawn in pieces is the shape drawn whole.
class MapPainter {
public:
    MapPainter(Bitmap& target, int32_t originX, int32_t originY, LevelRect clip);
    // The same target through a smaller clip.
    MapPainter(const MapPainter& other, LevelRect clip)
        : MapPainter(other.target_, other.originX_, other.originY_, clip.intersected(other.clip_)) {}

    const LevelRect& clip() const { return clip_; }

    // Combines the w x h rectangle at (sx, sy) of `sheet` (32-bit) into (x, y).
    // Only pixels whose source lies inside the sheet change.
    void blit(const Bitmap* sheet, int32_t sx, int32_t sy, int32_t w, int32_t h, int32_t x, int32_t y, Rop rop);
    // Masked sprite: the mask at (maskX, sy) by AND, then the picture by OR.
    void blitMasked(const Bitmap* sheet, int32_t sx, int32_t maskX, int32_t sy, int32_t w, int32_t h, int32_t x,
                    int32_t y);
    void fill(LevelRect r, uint32_t color);
    // The 1-pixel outline of a rectangle.
    void frame(LevelRect r, uint32_t color);
    // The inside of a rectangle, one line every 8 pixels rising to the right
    // (level pixels with (x + y) & 7 == 7); the gaps keep what is under them.
    void hatch(LevelRect r, uint32_t color);
    // Exclusive-or with `pattern`.
    void invert(LevelRect r, uint32_t pattern);
    // A shape's pixels, with its box's top-left corner at (x, y).
    void plot(const ShapePixels& shape, int32_t x, int32_t y, uint32_t color);

private:
    uint8_t* at(int32_t x, int32_t y) const;

    Bitmap& target_;
    int32_t originX_, originY_;
    LevelRect clip_;
};

// The red outline of a radius circle of radius r and the glyphs of a label,
// each rendered once and kept.
const ShapePixels& circlePixels(uint8_t radius);
const ShapePixels& labelPixels(const std::string& text);

// Copies tile `value` of the 32-bit tile sheet (16 x 16 tiles of 64 x 64
// pixels) to the cell whose top-left corner is (x, y). Where the sheet has no
// pixels for the tile the cell is black. The map, the scratch pad and the
// Clipboard Viewer all draw tiles through this.
void drawCell(MapPainter& p, const Bitmap* sheet, uint8_t value, int32_t x, int32_t y);

// Draws the level's pixels in `area` (clipped to the map): cells, items,
// victims with their labels, the current monster list with its radius circles
// in Monster mode 2 while nothing is dragged, the item flash's hatching while
// it lasts in Item mode, and in BG mode the cursor frame.
void drawLevelArea(EditorState& s, MapPainter& painter);

// A new 32-bit bitmap of `area` (clipped to the map) drawn by drawLevelArea;
// null when the area is empty or too large for a bitmap.
std::unique_ptr<Bitmap> renderLevelArea(EditorState& s, LevelRect area);

// The largest band drawLevelInBands draws at once, in bytes of pixels.
constexpr uint64_t kBandBytes = uint64_t{32} << 20;

// Draws the whole map as renderLevelArea would, in bands of whole pixel rows
// from the top: each band is a new 32-bit bitmap of at most kBandBytes (one
// row when a single row is larger), handed to `take` with the level y of its
// top row before the next is drawn, so memory stays bounded for any level.
// False when a band could not be made or `take` returned false.
bool drawLevelInBands(EditorState& s, const std::function<bool(Bitmap& band, int32_t top)>& take);

}  // namespace vurk
