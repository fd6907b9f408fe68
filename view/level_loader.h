// Loading a level: its data out of the image, its tile sheet, its picture.
#pragma once

#include <cstdint>
#include <string>

#include "platform/shell.h"
#include "view/editor_state.h"

namespace vurk {

// The view origin on one axis for a wanted position: inside 0 .. map - client,
// and 0 when the map is smaller than the client, so the view never shows
// pixels from beyond the canvas.
int32_t clampViewOrigin(int32_t want, int32_t mapPixels, int32_t client);

// Moves the view origin to (x, y), clamped as above on each axis, and the
// scroll bars with it. The caller presents the map.
void scrollViewTo(EditorState& s, Shell& shell, int32_t x, int32_t y);

// Loads `level`: refuses a damaged level with an "Error" box and keeps the one
// shown before; otherwise takes its data, loads its tile sheet (a sheet that
// fails keeps the previous one, after a "Could not find..." box), draws the
// whole level afresh when next shown, places the view and sets the scroll bars. A load that takes
// the image's header starts a new edit history; one that keeps the working
// header (a new tileset) is part of a step. Returns whether the level was
// loaded.
bool loadLevel(EditorState& s, Shell& shell, uint32_t level);

// Selects the tile sheet of the header's tileset, decoding it only the first
// time in the session; one that fails keeps the sheet there was, after a
// "Could not find..." box.
void loadTileSheet(EditorState& s, Shell& shell);

// Loads the three sprite sheets of the tiles folder.
void loadSpriteSheets(EditorState& s, Shell& shell);

}  // namespace vurk
