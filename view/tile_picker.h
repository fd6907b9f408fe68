// Picking tiles from the level's tile sheet, and the cursor keys of BG mode.
#pragma once

#include <cstdint>

#include "platform/shell.h"
#include "platform/surface.h"
#include "view/editor_state.h"

namespace vurk {

// The sheet shows 16 x 16 tiles; tile v sits at column v % 16, row v / 16.
inline constexpr int32_t kSheetTiles = 16;

// Draws all 256 tiles of the level's sheet into `picker` (1024 x 1024, made
// when missing), each as the map draws it.
void drawTilePicker(EditorState& s, Surface& picker);

// The current clipboard slot takes `tile`, so that P pastes it.
void pickTile(EditorState& s, uint8_t tile);
// Picks `tile` and, in BG mode with a level, sets the selected cell to it
// (one step of the edit history).
void pickTileIntoCell(EditorState& s, Shell& shell, uint8_t tile);

// Moves the BG cursor by (dx, dy) cells, staying on the map, and scrolls the
// view as little as keeps the cursor's cell in it.
void moveCursor(EditorState& s, Shell& shell, int32_t dx, int32_t dy);

}  // namespace vurk
