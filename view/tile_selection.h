// What the map view's tile tools keep between events: the rectangle of
// selected cells, the stamp copied from it, and a stamp being placed.
#pragma once

#include <cstdint>
#include <vector>

namespace vurk {

// A rectangle of map cells; empty when either side is 0.
struct CellRect {
    int32_t column = 0, row = 0;
    int32_t columns = 0, rows = 0;
    bool empty() const { return columns <= 0 || rows <= 0; }
    bool operator==(const CellRect&) const = default;
};

// A rectangle of tile values, row by row.
struct TileStamp {
    int32_t columns = 0, rows = 0;
    std::vector<uint8_t> tiles;
    bool empty() const { return tiles.empty(); }
};

struct TileTools {
    // The selected cells (kept inside the map), and the cell a Shift+drag
    // started at while it goes on.
    CellRect selection;
    bool selecting = false;
    int32_t anchorColumn = 0, anchorRow = 0;
    // The stamp that Ctrl+T pastes; it outlives level changes.
    TileStamp stamp;
    // While set, the stamp is shown with its top-left at this cell until a
    // click or Return places it.
    bool placing = false;
    int32_t placeColumn = 0, placeRow = 0;
    // An object that find showed: a ring at its level point until the next click.
    bool marking = false;
    int32_t markX = 0, markY = 0;

    // A new level keeps the stamp and drops what belonged to the old one.
    void forgetLevel() {
        selection = {};
        selecting = false;
        placing = false;
        marking = false;
    }
};

}  // namespace vurk
