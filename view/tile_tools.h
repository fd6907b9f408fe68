// The map's tile tools: a rectangle of selected cells, stamps copied from it
// and placed elsewhere, fills, and finding and replacing by value. The level
// operations work on the level alone, for vurk-tool too; the editor's
// operations on top of them are each one step of the edit history and show
// the level through presentMap.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "view/edit_history.h"
#include "view/tile_edit.h"
#include "view/editor_state.h"

namespace vurk {

// ---- Level operations --------------------------------------------------------

// The part of `r` that lies inside the map.
CellRect clipToMap(const LevelState& s, CellRect r);
// The whole map.
CellRect wholeMap(const LevelState& s);
// The rectangle spanned by two cells, inclusive, clipped to the map.
CellRect spanCells(const LevelState& s, int32_t column1, int32_t row1, int32_t column2, int32_t row2);

// The tile values of a rectangle (clipped to the map).
TileStamp copyCells(const LevelState& s, CellRect r);
// Writes the stamp's tiles with its top-left at the cell; what falls outside
// the map is left out. Returns the cells written.
int32_t pasteCells(LevelState& s, const TileStamp& stamp, int32_t column, int32_t row);
// Sets every cell of the rectangle (clipped) to `value`; returns the cells
// that changed.
int32_t fillCells(LevelState& s, CellRect r, uint8_t value);
// Sets the 4-connected region of cells holding the start cell's value to
// `value`; returns the cells that changed (0 for a start outside the map).
int32_t floodFillCells(LevelState& s, int32_t column, int32_t row, uint8_t value);
// Replaces `from` with `to` in the rectangle (clipped); returns the count.
int32_t replaceCells(LevelState& s, CellRect r, uint8_t from, uint8_t to);

// What find looks for: a tile value, or objects of one kind.
enum class FindKind : int32_t { Tile, Item, Victim, Monster };

// One thing found: a cell (list ignored) or an object of a list.
struct FindHit {
    FindKind kind = FindKind::Tile;
    ObjectList list = ObjectList::Items;
    int32_t index = 0;   // cell index (row-major) or list index
    int32_t x = 0, y = 0;  // the cell's column and row, or the object's level point
};

// Cells of the rectangle (clipped) that hold `value`, row by row; objects of
// the kind (item kind as Choose Item names it, `type` >> 1; victim code;
// monster code on the otm list, then on the rsm list) in list order. The start
// points are no victims.
std::vector<FindHit> findInLevel(const LevelState& s, FindKind kind, uint32_t value, CellRect within);
// "cell 3,5", "item 2 at 100,96", "otm 0 at 200,130": one line of the list.
std::string hitText(const FindHit& hit);

// ---- Editor operations -------------------------------------------------------

// Shift+drag: starts, extends and ends the selection at the cell holding the
// level point.
void beginSelection(EditorState& s, Shell& shell, int32_t x, int32_t y);
void extendSelection(EditorState& s, Shell& shell, int32_t x, int32_t y);
void endSelection(EditorState& s);
void selectAllCells(EditorState& s, Shell& shell);
// Esc: a stamp being placed is dropped; otherwise the selection is.
void cancelTileTool(EditorState& s, Shell& shell);

// Copies the selection (or, without one, the cursor cell) as the stamp.
void copyStamp(EditorState& s);
// Shows the stamp at the cursor cell, to be placed by placeStamp.
void beginStampPlacing(EditorState& s, Shell& shell);
// Moves the stamp being placed to the cell holding the level point.
void moveStamp(EditorState& s, Shell& shell, int32_t x, int32_t y);
// Writes the stamp being placed into the map: one step.
void placeStamp(EditorState& s, Shell& shell);

// The selection filled with the current clipboard slot's value: one step.
void fillSelection(EditorState& s, Shell& shell);
// The region of the cursor cell's value filled with the current slot's: one step.
void floodFillAtCursor(EditorState& s, Shell& shell);
// The scratch pad written into the map with its top-left at the cursor cell,
// clipped: one step.
void stampScratchPad(EditorState& s, Shell& shell);
// Replaces `from` with `to` in the selection or the whole level: one step.
// Returns the count.
int32_t replaceTiles(EditorState& s, Shell& shell, uint8_t from, uint8_t to, bool selectionOnly);

// Scrolls the view so that the hit is in sight and selects it: a cell becomes
// the cursor, an object the selected object. The edit mode must already suit
// the hit (hitMode, hitMonsterList).
void showHit(EditorState& s, Shell& shell, const FindHit& hit);
int32_t hitMode(const FindHit& hit);
int32_t hitMonsterList(const FindHit& hit);

}  // namespace vurk
