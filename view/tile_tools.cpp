#include "view/tile_tools.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "view/level_loader.h"
#include "view/map_canvas.h"
#include "view/tile_edit.h"

namespace vurk {

namespace {

// The first byte of a map cell, or null outside the map.
uint8_t* cellAt(LevelState& s, int32_t column, int32_t row) {
    if (column < 0 || row < 0 || static_cast<uint32_t>(column) >= s.mapWidth ||
        static_cast<uint32_t>(row) >= s.mapHeight) {
        return nullptr;
    }
    const size_t offset = (size_t{static_cast<uint32_t>(row)} * s.mapWidth + static_cast<uint32_t>(column)) * 2;
    return offset + 1 < s.mapBuffer.size() ? &s.mapBuffer[offset] : nullptr;
}

const uint8_t* cellAt(const LevelState& s, int32_t column, int32_t row) {
    return cellAt(const_cast<LevelState&>(s), column, row);
}

// The cell holding a level point; level points are never negative.
int32_t cellOf(int32_t pixel) { return pixel >> 6; }

// Runs an edit of the map cells and records it as one step.
template <class Edit>
void mapStep(EditorState& s, Shell& shell, const char* what, Edit edit) {
    if (!s.levelLoaded) return;
    std::vector<uint8_t> before = s.mapBuffer;
    edit();
    recordMapEdit(s, std::move(before), what);
    presentMap(s, shell);
}

}  // namespace

CellRect clipToMap(const LevelState& s, CellRect r) {
    const int64_t left = std::max<int64_t>(r.column, 0), top = std::max<int64_t>(r.row, 0);
    const int64_t right = std::min<int64_t>(int64_t{r.column} + std::max(r.columns, 0), s.mapWidth);
    const int64_t bottom = std::min<int64_t>(int64_t{r.row} + std::max(r.rows, 0), s.mapHeight);
    if (right <= left || bottom <= top) return {};
    return {static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right - left),
            static_cast<int32_t>(bottom - top)};
}

CellRect wholeMap(const LevelState& s) {
    return {0, 0, static_cast<int32_t>(s.mapWidth), static_cast<int32_t>(s.mapHeight)};
}

CellRect spanCells(const LevelState& s, int32_t column1, int32_t row1, int32_t column2, int32_t row2) {
    const int32_t left = std::min(column1, column2), top = std::min(row1, row2);
    return clipToMap(s, {left, top, std::max(column1, column2) - left + 1, std::max(row1, row2) - top + 1});
}

TileStamp copyCells(const LevelState& s, CellRect r) {
    r = clipToMap(s, r);
    TileStamp stamp;
    if (r.empty()) return stamp;
    stamp.columns = r.columns;
    stamp.rows = r.rows;
    for (int32_t row = r.row; row < r.row + r.rows; ++row) {
        for (int32_t column = r.column; column < r.column + r.columns; ++column) {
            const uint8_t* cell = cellAt(s, column, row);
            stamp.tiles.push_back(cell ? *cell : 0);
        }
    }
    return stamp;
}

int32_t pasteCells(LevelState& s, const TileStamp& stamp, int32_t column, int32_t row) {
    if (stamp.tiles.size() != size_t(std::max(stamp.columns, 0)) * size_t(std::max(stamp.rows, 0))) return 0;
    int32_t written = 0;
    for (int32_t v = 0; v < stamp.rows; ++v) {
        for (int32_t u = 0; u < stamp.columns; ++u) {
            if (uint8_t* cell = cellAt(s, column + u, row + v)) {
                *cell = stamp.tiles[size_t(v) * size_t(stamp.columns) + size_t(u)];
                ++written;
            }
        }
    }
    return written;
}

int32_t fillCells(LevelState& s, CellRect r, uint8_t value) {
    r = clipToMap(s, r);
    int32_t changed = 0;
    for (int32_t row = r.row; row < r.row + r.rows; ++row) {
        for (int32_t column = r.column; column < r.column + r.columns; ++column) {
            uint8_t* cell = cellAt(s, column, row);
            if (cell && *cell != value) {
                *cell = value;
                ++changed;
            }
        }
    }
    return changed;
}

int32_t floodFillCells(LevelState& s, int32_t column, int32_t row, uint8_t value) {
    const uint8_t* start = cellAt(s, column, row);
    if (!start || *start == value) return 0;
    const uint8_t old = *start;
    int32_t changed = 0;
    // Every cell set to the new value leaves the region, so no cell is taken twice.
    std::vector<std::pair<int32_t, int32_t>> todo{{column, row}};
    while (!todo.empty()) {
        const auto [c, r] = todo.back();
        todo.pop_back();
        uint8_t* cell = cellAt(s, c, r);
        if (!cell || *cell != old) continue;
        *cell = value;
        ++changed;
        todo.insert(todo.end(), {{c + 1, r}, {c - 1, r}, {c, r + 1}, {c, r - 1}});
    }
    return changed;
}

int32_t replaceCells(LevelState& s, CellRect r, uint8_t from, uint8_t to) {
    r = clipToMap(s, r);
    int32_t count = 0;
    for (int32_t row = r.row; row < r.row + r.rows; ++row) {
        for (int32_t column = r.column; column < r.column + r.columns; ++column) {
            uint8_t* cell = cellAt(s, column, row);
            if (cell && *cell == from) {
                *cell = to;
                ++count;
            }
        }
    }
    return count;
}

std::vector<FindHit> findInLevel(const LevelState& s, FindKind kind, uint32_t value, CellRect within) {
    std::vector<FindHit> hits;
    auto add = [&](ObjectList list, int32_t index, int32_t x, int32_t y) {
        hits.push_back({kind, list, index, x, y});
    };
    switch (kind) {
    case FindKind::Tile: {
        const CellRect r = clipToMap(s, within);
        for (int32_t row = r.row; row < r.row + r.rows; ++row) {
            for (int32_t column = r.column; column < r.column + r.columns; ++column) {
                const uint8_t* cell = cellAt(s, column, row);
                if (cell && *cell == value) {
                    add(ObjectList::Items, row * static_cast<int32_t>(s.mapWidth) + column, column, row);
                }
            }
        }
        break;
    }
    case FindKind::Item:
        for (size_t i = 0; i < s.items.size(); ++i) {
            if (s.items[i].type >> 1 == value) add(ObjectList::Items, int32_t(i), s.items[i].x, s.items[i].y);
        }
        break;
    case FindKind::Victim:
        for (int32_t i = 0; i < kVictimCount; ++i) {
            const VictimRecord& v = s.victims[size_t(i)];
            if (v.code == value) add(ObjectList::Victims, i, v.x, v.y);
        }
        break;
    case FindKind::Monster:
        for (size_t i = 0; i < s.otm.size(); ++i) {
            if (s.otm[i].code == value) add(ObjectList::Otm, int32_t(i), s.otm[i].x, s.otm[i].y);
        }
        for (size_t i = 0; i < s.rsm.size(); ++i) {
            if (s.rsm[i].code == value) add(ObjectList::Rsm, int32_t(i), s.rsm[i].x, s.rsm[i].y);
        }
        break;
    }
    return hits;
}

std::string hitText(const FindHit& hit) {
    char text[64];
    if (hit.kind == FindKind::Tile) {
        std::snprintf(text, sizeof text, "cell %d,%d", hit.x, hit.y);
        return text;
    }
    const char* list = "item";
    if (hit.list == ObjectList::Victims) list = "victim";
    if (hit.list == ObjectList::Otm) list = "otm";
    if (hit.list == ObjectList::Rsm) list = "rsm";
    std::snprintf(text, sizeof text, "%s %d at %d,%d", list, hit.index, hit.x, hit.y);
    return text;
}

// ---- Editor operations -------------------------------------------------------

void beginSelection(EditorState& s, Shell& shell, int32_t x, int32_t y) {
    TileTools& t = s.tiles;
    t.anchorColumn = cellOf(x);
    t.anchorRow = cellOf(y);
    t.selection = spanCells(s, t.anchorColumn, t.anchorRow, t.anchorColumn, t.anchorRow);
    t.selecting = !t.selection.empty();
    presentMap(s, shell);
}

void extendSelection(EditorState& s, Shell& shell, int32_t x, int32_t y) {
    TileTools& t = s.tiles;
    if (!t.selecting) return;
    const CellRect r = spanCells(s, t.anchorColumn, t.anchorRow, cellOf(std::max(x, 0)), cellOf(std::max(y, 0)));
    if (r == t.selection) return;
    t.selection = r;
    presentMap(s, shell);
}

void endSelection(EditorState& s) { s.tiles.selecting = false; }

void selectAllCells(EditorState& s, Shell& shell) {
    s.tiles.selection = wholeMap(s);
    s.tiles.selecting = false;
    presentMap(s, shell);
}

void cancelTileTool(EditorState& s, Shell& shell) {
    TileTools& t = s.tiles;
    if (t.placing) t.placing = false;
    else t.selection = {};
    t.selecting = false;
    t.marking = false;
    presentMap(s, shell);
}

void copyStamp(EditorState& s) {
    if (!s.levelLoaded) return;
    const CellRect cursor{cellOf(s.selX), cellOf(s.selY), 1, 1};
    TileStamp stamp = copyCells(s, s.tiles.selection.empty() ? cursor : s.tiles.selection);
    if (!stamp.empty()) s.tiles.stamp = std::move(stamp);
}

void beginStampPlacing(EditorState& s, Shell& shell) {
    TileTools& t = s.tiles;
    if (!s.levelLoaded || t.stamp.empty()) return;
    t.placing = true;
    t.placeColumn = cellOf(s.selX);
    t.placeRow = cellOf(s.selY);
    presentMap(s, shell);
}

void moveStamp(EditorState& s, Shell& shell, int32_t x, int32_t y) {
    TileTools& t = s.tiles;
    if (!t.placing || x < 0 || y < 0) return;
    if (t.placeColumn == cellOf(x) && t.placeRow == cellOf(y)) return;
    t.placeColumn = cellOf(x);
    t.placeRow = cellOf(y);
    presentMap(s, shell);
}

void placeStamp(EditorState& s, Shell& shell) {
    TileTools& t = s.tiles;
    if (!t.placing) return;
    t.placing = false;
    mapStep(s, shell, "stamp", [&] { pasteCells(s, t.stamp, t.placeColumn, t.placeRow); });
}

void fillSelection(EditorState& s, Shell& shell) {
    if (s.tiles.selection.empty()) return;
    const uint8_t value = currentClipboardSlot(s.clipboard);
    mapStep(s, shell, "fill", [&] { fillCells(s, s.tiles.selection, value); });
}

void floodFillAtCursor(EditorState& s, Shell& shell) {
    const uint8_t value = currentClipboardSlot(s.clipboard);
    mapStep(s, shell, "flood fill", [&] { floodFillCells(s, cellOf(s.selX), cellOf(s.selY), value); });
}

void stampScratchPad(EditorState& s, Shell& shell) {
    TileStamp pad{kPadCells, kPadCells, {}};
    for (size_t i = 0; i < s.ScratchPad.size(); i += 2) pad.tiles.push_back(s.ScratchPad[i]);
    mapStep(s, shell, "scratch pad stamp", [&] { pasteCells(s, pad, cellOf(s.selX), cellOf(s.selY)); });
}

int32_t replaceTiles(EditorState& s, Shell& shell, uint8_t from, uint8_t to, bool selectionOnly) {
    int32_t count = 0;
    const CellRect area = selectionOnly ? s.tiles.selection : wholeMap(s);
    mapStep(s, shell, "replace", [&] { count = replaceCells(s, area, from, to); });
    return count;
}

int32_t hitMode(const FindHit& hit) {
    switch (hit.kind) {
    case FindKind::Item:
        return kModeItem;
    case FindKind::Victim:
        return kModeVictim;
    case FindKind::Monster:
        return kModeMonster;
    default:
        return kModeBg;
    }
}

int32_t hitMonsterList(const FindHit& hit) { return hit.list == ObjectList::Rsm ? kRsmList : kOtmList; }

void showHit(EditorState& s, Shell& shell, const FindHit& hit) {
    if (!s.levelLoaded) return;
    const bool cell = hit.kind == FindKind::Tile;
    // A cell is brought into sight whole, an object's point at the centre.
    const int32_t x = cell ? hit.x * kCellSize + kCellSize / 2 : hit.x;
    const int32_t y = cell ? hit.y * kCellSize + kCellSize / 2 : hit.y;
    const auto inSight = [](int32_t p, int32_t origin, int32_t client) {
        return p - kCellSize / 2 >= origin && p + kCellSize / 2 <= origin + client;
    };
    scrollViewTo(s, shell, inSight(x, s.viewX, s.clientW) ? s.viewX : x - (s.clientW >> 1),
                 inSight(y, s.viewY, s.clientH) ? s.viewY : y - (s.clientH >> 1));
    s.tiles.marking = !cell;
    if (cell) {
        selectCell(s, shell, hit.x * kCellSize, hit.y * kCellSize);
        return;
    }
    s.selectedObject = hit.index;
    s.tiles.markX = hit.x;
    s.tiles.markY = hit.y;
    presentMap(s, shell);
}

}  // namespace vurk
