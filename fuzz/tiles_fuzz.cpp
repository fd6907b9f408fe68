// The tile tools (fill, flood fill, replace, copy and paste) on a hostile
// level, then a save. The input is 12 bytes of parameters (level, rectangles,
// values) and then the data of bank $9F as in level_fuzz. Each tool changes
// only the cells it should, and the save changes no byte of the image
// outside the level's tile map.
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "level/level_state.h"
#include "view/tile_tools.h"

using namespace vurk;
using namespace vurk::fuzz;

namespace {

constexpr size_t kParams = 12;

uint8_t tileAt(const LevelState& s, int32_t column, int32_t row) {
    return s.mapBuffer[2 * (static_cast<size_t>(row) * s.mapWidth + static_cast<size_t>(column))];
}

// Every cell that `touched` leaves out holds what it held; the second byte of
// every cell is never changed.
template <typename Touched>
void checkCells(const LevelState& s, const std::vector<uint8_t>& before, const char* tool, Touched touched) {
    for (size_t i = 0; i < before.size(); ++i) {
        if (s.mapBuffer[i] == before[i]) continue;
        const auto cell = static_cast<int32_t>(i / 2);
        const int32_t column = cell % static_cast<int32_t>(s.mapWidth), row = cell / static_cast<int32_t>(s.mapWidth);
        if (i % 2 == 1 || !touched(column, row, before[i]))
            fail("%s changed byte %zu of the map (cell %d,%d) it should leave alone", tool, i, column, row);
    }
}

bool inside(CellRect r, int32_t column, int32_t row) {
    return column >= r.column && column < r.column + r.columns && row >= r.row && row < r.row + r.rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kParams || size > kBank9FEnd - kTailStart + kParams) return 0;
    const uint8_t* p = data;
    const uint32_t level = p[0] % kLevelCount;
    const auto at = [&](int i) { return static_cast<int32_t>(static_cast<int8_t>(p[i])); };
    const CellRect rect{at(1), at(2), p[3] % 64, p[4] % 64};
    const uint8_t value = p[5], from = p[6];
    const int32_t floodColumn = at(7), floodRow = at(8), pasteColumn = at(9), pasteRow = at(10);
    const CellRect source{at(11), at(1), p[4] % 64, p[3] % 64};

    InWorkFolder here;
    const std::vector<uint8_t> image = imageWithTail(data + kParams, size - kParams);
    writeFile(kRomFileName, image);
    LevelState s;
    if (openRomImage(s.rom) != RomOpenResult::Ok) return 0;
    s.restorePoints.made = true;  // no restore point: this is about the image alone
    std::string why;
    if (!loadLevelData(s, level, why)) return 0;

    std::vector<uint8_t> before = s.mapBuffer;
    const CellRect clipped = clipToMap(s, rect);
    fillCells(s, rect, value);
    checkCells(s, before, "fill",
               [&](int32_t c, int32_t r, uint8_t) { return inside(clipped, c, r) && tileAt(s, c, r) == value; });

    before = s.mapBuffer;
    replaceCells(s, rect, from, value);
    checkCells(s, before, "replace", [&](int32_t c, int32_t r, uint8_t was) {
        return inside(clipped, c, r) && was == from && tileAt(s, c, r) == value;
    });

    before = s.mapBuffer;
    const bool startInside = floodColumn >= 0 && floodRow >= 0 && floodColumn < static_cast<int32_t>(s.mapWidth) &&
                             floodRow < static_cast<int32_t>(s.mapHeight);
    const uint8_t start = startInside ? tileAt(s, floodColumn, floodRow) : 0;
    floodFillCells(s, floodColumn, floodRow, static_cast<uint8_t>(value ^ 1));
    checkCells(s, before, "flood fill", [&](int32_t c, int32_t r, uint8_t was) {
        return startInside && was == start && tileAt(s, c, r) == static_cast<uint8_t>(value ^ 1);
    });

    before = s.mapBuffer;
    const TileStamp stamp = copyCells(s, source);
    pasteCells(s, stamp, pasteColumn, pasteRow);
    const CellRect placed{pasteColumn, pasteRow, stamp.columns, stamp.rows};
    checkCells(s, before, "paste", [&](int32_t c, int32_t r, uint8_t) {
        return inside(placed, c, r) &&
               tileAt(s, c, r) == stamp.tiles[static_cast<size_t>(r - pasteRow) * stamp.columns + (c - pasteColumn)];
    });

    const uint32_t mapAt = s.regions.map, mapSize = s.mapSize;
    const bool saved = writeLevel(s, &why);
    closeRomImage(s.rom);
    const std::vector<uint8_t> after = readFile(kRomFileName);
    if (after.size() != image.size()) fail("the save changed the image's size");
    for (size_t i = 0; i < image.size(); ++i) {
        if (after[i] == image[i]) continue;
        if (!saved) fail("a refused save changed byte 0x%zX: %s", i, why.c_str());
        if (i < mapAt || i >= mapAt + mapSize)
            fail("saving level %u's map changed byte 0x%zX outside it (map at 0x%X, %u bytes)", level, i, mapAt,
                 mapSize);
    }
    return 0;
}
