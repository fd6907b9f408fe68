// The map canvas: the whole level drawn off-screen from the tile sheet, with
// the objects over it and the selected-cell marker, and its way to the window.
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

// Replaces a sheet's bitmap. A null bitmap (a sheet that failed to load) keeps
// the sheet that is selected; returns whether the new one was taken.
bool setSheet(Surface& sheet, std::unique_ptr<Bitmap> bitmap);

// Gives the canvas a new, black 32-bit bitmap of the current map's size in
// pixels. Returns false, leaving the canvas without a bitmap, when the level is
// too large for one.
bool createMapCanvas(EditorState& s);

// Copies tile `value` from the tile sheet to (x, y) of `target`. Where the
// sheet has no pixels for the tile (a small sheet, or none) the cell is black,
// so the cell never keeps what was under it.
void drawTile(EditorState& s, Surface& target, uint8_t value, int32_t x, int32_t y);

// Every cell of the map, then the items, victims and monsters. No marker.
void redrawMap(EditorState& s);

// The tiles (only) of the 3 x 3 cells around the level point, those that exist.
void redrawCellsAround(EditorState& s, uint16_t x, uint16_t y);

// Shows the canvas from the view origin in the main window.
void presentMap(EditorState& s, Shell& shell);

// Inverts a 2-pixel frame along the inside of the 64 x 64 cell at (x, y) with
// the surface's brush; a second call takes it away again.
void toggleCellMarker(Surface& surface, int32_t x, int32_t y);

// Moves the BG-mode cursor to the cell holding the level point (which must lie
// inside the map), redraws the objects and presents.
void selectCell(EditorState& s, Shell& shell, int32_t x, int32_t y);

// The marker is on the canvas exactly while the edit mode is BG: toggles it at
// the selected cell when in BG mode.
void toggleMarkerInBgMode(EditorState& s);

// Reads the level's VMAP file and, when it was taken, records it as one step,
// redraws the whole canvas (with the marker in BG mode) and has the window
// repainted.
bool readVmap(EditorState& s, Shell& shell);

}  // namespace vurk
