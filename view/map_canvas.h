// The map view: the visible part of the level drawn off-screen, kept equal to
// what drawLevelArea draws for the current state, and its way to the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/bitmap.h"
#include "platform/shell.h"
#include "platform/surface.h"
#include "view/editor_state.h"

namespace vurk {

// The sprite sheets' files, named as the messages show them.
inline constexpr const char* kItemSheetPath = ".\\tiles\\items.png";
inline constexpr const char* kVictimSheetPath = ".\\tiles\\victims.png";
inline constexpr const char* kMonsterSheetPath = ".\\tiles\\monsters.png";

// The tile sheet of a level's tileset, 0 to 4; an unknown tileset takes sheet 0.
uint32_t tileSheetNumber(uint32_t tileset);
// ".\tiles\tilesNN.png" for a sheet number.
std::string tileSheetPath(uint32_t number);

// Replaces a sheet's bitmap with `bitmap` in the drawing format. A null bitmap
// (a sheet that failed to load) keeps the sheet that is selected; returns
// whether the new one was taken.
bool setSheet(Surface& sheet, std::unique_ptr<Bitmap> bitmap);

// Copies tile `value` from the tile sheet to (x, y) of `target` (the scratch
// pad). Where the sheet has no pixels for the tile the cell is black, so the
// cell never keeps what was under it.
void drawTile(EditorState& s, Surface& target, uint8_t value, int32_t x, int32_t y);

// The next showing of the view draws all of it afresh (a new level).
void invalidateView(EditorState& s);

// Brings MapCanvas up to date with the state: follows the view origin and the
// client size, and repaints (with drawLevelArea) exactly the parts whose
// drawing changed since it was last brought up to date: changed cells, the old
// and new places of changed records, circles, flash and cursor as they come
// and go; a new level, sheet, edit mode or monster list repaints everything.
void updateView(EditorState& s);

// Brings the view up to date and shows it in the main window.
void presentMap(EditorState& s, Shell& shell);

// Inverts a 2-pixel frame along the inside of the 64 x 64 cell at (x, y) with
// the surface's brush; a second call takes it away again (the scratch pad's
// cursor).
void toggleCellMarker(Surface& surface, int32_t x, int32_t y);

// Moves the BG-mode cursor to the cell holding the level point (which must lie
// inside the map) and presents.
void selectCell(EditorState& s, Shell& shell, int32_t x, int32_t y);

// Reads the level's VMAP file and, when it was taken, records it as one step
// and has the window repainted.
bool readVmap(EditorState& s, Shell& shell);

}  // namespace vurk
