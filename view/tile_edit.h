// Editing tile values of the map and of the scratch pad, and the ten-slot tile
// clipboard they share.
#pragma once

#include <cstdint>

#include "platform/shell.h"
#include "view/editor_state.h"

namespace vurk {

// Which grid a tile operation works on: its selected cell.
enum class TileTarget : int32_t { Map = 0, Pad = 1 };

// The clipboard slot at the current index.
uint8_t& currentClipboardSlot(TileClipboard& clip);
// Moves the index on by one, round the ten slots.
void advanceClipboard(TileClipboard& clip);
// Moves the index on and stores `value` in the slot it then names.
void storeInClipboard(TileClipboard& clip, uint8_t value);

// Tile index of the target's selected cell.
uint8_t selectedTile(const EditorState& s, TileTarget target);

// Writes the tile index into the target's selected cell (the cell's second byte
// stays), repaints the cell with its marker and presents. A map cell that
// changes is a step of the edit history; the scratch pad is no level data and
// keeps no history.
void setSelectedTile(EditorState& s, Shell& shell, uint8_t value, TileTarget target);
// Steps the selected cell's tile by `delta`, modulo 256, and overwrites the
// current clipboard slot with the result.
void adjustSelectedTile(EditorState& s, Shell& shell, int8_t delta, TileTarget target);
// Stores the selected cell's tile in the next clipboard slot. Draws nothing.
void copyTileToClipboard(EditorState& s, TileTarget target);
// Sets the selected cell to the current slot's tile, or to the next slot's
// after moving the index on when `advanceFirst`.
void pasteTileFromClipboard(EditorState& s, Shell& shell, TileTarget target, bool advanceFirst);

// Gives the pad surface its 384 x 384 bitmap and clears the pad's cells.
void createScratchPad(EditorState& s);
// Sets every pad cell to `value`; draws nothing and leaves the clipboard alone.
void fillScratchPad(EditorState& s, uint8_t value);
// Draws every pad cell and the pad's marker. Does not present.
void redrawScratchPad(EditorState& s);
// Shows the pad surface in the scratch pad window.
void presentScratchPad(EditorState& s, Shell& shell);

}  // namespace vurk
