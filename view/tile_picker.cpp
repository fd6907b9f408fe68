#include "view/tile_picker.h"

#include <algorithm>

#include "view/level_loader.h"
#include "view/map_canvas.h"
#include "view/tile_edit.h"

namespace vurk {

void drawTilePicker(EditorState& s, Surface& picker) {
    constexpr int32_t side = kSheetTiles * kCellSize;
    const Bitmap* b = picker.bitmap();
    if (!b || b->width() != side || b->height() != side) picker.selectBitmap(Bitmap::create(side, side, 32));
    for (int32_t v = 0; v < kSheetTiles * kSheetTiles; ++v) {
        drawTile(s, picker, static_cast<uint8_t>(v), (v % kSheetTiles) * kCellSize, (v / kSheetTiles) * kCellSize);
    }
}

void pickTile(EditorState& s, uint8_t tile) { currentClipboardSlot(s.clipboard) = tile; }

void pickTileIntoCell(EditorState& s, Shell& shell, uint8_t tile) {
    pickTile(s, tile);
    if (s.editMode == kModeBg && s.levelLoaded) setSelectedTile(s, shell, tile, TileTarget::Map);
}

namespace {
// The view origin on one axis that shows [cell, cell + 64) with the least move.
int32_t followCell(int32_t origin, int32_t cell, int32_t client) {
    if (cell + kCellSize > origin + client) origin = cell + kCellSize - client;
    return std::min(origin, cell);
}
}  // namespace

void moveCursor(EditorState& s, Shell& shell, int32_t dx, int32_t dy) {
    if (s.editMode != kModeBg || !s.levelLoaded || s.mapWidth == 0 || s.mapHeight == 0) return;
    const auto lastX = static_cast<int32_t>(s.mapWidth - 1) * kCellSize;
    const auto lastY = static_cast<int32_t>(s.mapHeight - 1) * kCellSize;
    s.selX = std::clamp(s.selX + dx * kCellSize, 0, lastX);
    s.selY = std::clamp(s.selY + dy * kCellSize, 0, lastY);
    scrollViewTo(s, shell, followCell(s.viewX, s.selX, s.clientW), followCell(s.viewY, s.selY, s.clientH));
    presentMap(s, shell);
}

}  // namespace vurk
