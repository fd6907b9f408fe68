#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <utility>

#include "tests/support/fake_shell.h"
#include "tests/support/view_support.h"
#include "tests/support/workdir.h"
#include "tools/rom_builder.h"
#include "view/map_canvas.h"

namespace vurk {
namespace {

using test::pixelAt;
using test::sheetPixel;

// True when every pixel of canvas cell (c, r) is tile `t` of the coordinate sheet.
bool cellShowsTile(const Bitmap& canvas, int32_t c, int32_t r, uint8_t t) {
    for (int32_t v = 0; v < 64; ++v)
        for (int32_t u = 0; u < 64; ++u)
            if (pixelAt(canvas, c * 64 + u, r * 64 + v) != sheetPixel(64 * (t & 15) + u, 64 * (t >> 4) + v))
                return false;
    return true;
}

// The cells of the canvas that no longer hold the background.
std::set<std::pair<int32_t, int32_t>> paintedCells(const EditorState& s, uint32_t background) {
    std::set<std::pair<int32_t, int32_t>> cells;
    for (uint32_t r = 0; r < s.mapHeight; ++r)
        for (uint32_t c = 0; c < s.mapWidth; ++c)
            if (pixelAt(*s.MapCanvas.bitmap(), c * 64 + 5, r * 64 + 5) != background) cells.insert({c, r});
    return cells;
}

TEST(MapCanvas, TileIndexPicksItsSheetSquareAndIgnoresTheHighByte) {
    EditorState s;
    test::setUpView(s, 5, 1);
    const uint8_t tiles[] = {0, 15, 16, 255, 15};
    for (size_t i = 0; i < 5; ++i) s.mapBuffer[i * 2] = tiles[i];
    s.mapBuffer[4 * 2 + 1] = 0xAB;  // same tile as cell 1, other high byte
    redrawMap(s);
    const Bitmap& canvas = *s.MapCanvas.bitmap();
    EXPECT_EQ(pixelAt(canvas, 0, 0), sheetPixel(0, 0));
    EXPECT_EQ(pixelAt(canvas, 64, 0), sheetPixel(960, 0));
    EXPECT_EQ(pixelAt(canvas, 128, 0), sheetPixel(0, 64));
    EXPECT_EQ(pixelAt(canvas, 192, 0), sheetPixel(960, 960));
    for (int32_t c = 0; c < 5; ++c) EXPECT_TRUE(cellShowsTile(canvas, c, 0, tiles[c])) << "cell " << c;
}

TEST(MapCanvas, TilesetChoosesTheSheetFile) {
    EXPECT_EQ(tileSheetPath(tileSheetNumber(0x9BBCB5)), ".\\tiles\\tiles04.png");
    EXPECT_EQ(tileSheetNumber(0x9AC000), 1u);
    EXPECT_EQ(tileSheetNumber(0x9B8000), 0u);
    EXPECT_EQ(tileSheetNumber(0x9B8001), 0u);
    EXPECT_EQ(tileSheetPath(0), ".\\tiles\\tiles00.png");
}

TEST(MapCanvas, TilesMissingFromTheSheetShowBlack) {
    EditorState s;
    test::setUpView(s, 3, 1, 0x00777777);
    s.mapBuffer[0] = 15;
    s.mapBuffer[2] = 255;
    s.mapBuffer[4] = 1;
    setSheet(s.TileSheet, test::coordinateSheet(1000, 512));  // too narrow for column 15, too low for row 15
    redrawMap(s);
    const Bitmap& canvas = *s.MapCanvas.bitmap();
    EXPECT_EQ(pixelAt(canvas, 39, 10), sheetPixel(999, 10));  // the part the sheet has
    EXPECT_EQ(pixelAt(canvas, 40, 10), 0u);                   // and black past it
    EXPECT_EQ(pixelAt(canvas, 64 + 30, 30), 0u);
    EXPECT_TRUE(cellShowsTile(canvas, 2, 0, 1));

    EXPECT_FALSE(setSheet(s.TileSheet, nullptr));  // a failed load keeps the sheet
    EXPECT_EQ(s.TileSheet.bitmap()->width(), 1000);
    s.TileSheet.selectBitmap(nullptr);  // no sheet at all
    redrawMap(s);
    EXPECT_EQ(pixelAt(canvas, 128 + 5, 5), 0u);
}

TEST(MapCanvas, RedrawAroundTouchesOnlyTheCellsThatExist) {
    const uint32_t bg = 0x00102030;
    struct Case { uint32_t w, h; uint16_t x, y; std::set<std::pair<int32_t, int32_t>> cells; };
    const Case cases[] = {
        {3, 3, 0, 0, {{0, 0}, {1, 0}, {0, 1}, {1, 1}}},
        {3, 3, 191, 191, {{1, 1}, {2, 1}, {1, 2}, {2, 2}}},
        {3, 3, 100, 70, {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}},
        {1, 1, 63, 63, {{0, 0}}},
        {1, 1, 0, 0, {{0, 0}}},
        {3, 3, 65535, 65535, {}},  // far past the map
    };
    for (const Case& c : cases) {
        EditorState s;
        test::setUpView(s, c.w, c.h, bg);
        redrawCellsAround(s, c.x, c.y);
        EXPECT_EQ(paintedCells(s, bg), c.cells) << c.w << "x" << c.h << " at " << c.x << "," << c.y;
        for (const auto& [col, row] : c.cells) EXPECT_TRUE(cellShowsTile(*s.MapCanvas.bitmap(), col, row, static_cast<uint8_t>(row * c.w + col)));
    }
}

TEST(MapCanvas, MarkerInvertsATwoPixelFrameAndTakesItselfAway) {
    EditorState s;
    test::setUpView(s, 3, 2);
    redrawMap(s);
    const Bitmap before = *s.MapCanvas.bitmap();
    toggleCellMarker(s.MapCanvas, 64, 64);
    for (int32_t y = 0; y < 128; ++y)
        for (int32_t x = 0; x < 192; ++x) {
            bool inCell = x >= 64 && x < 128 && y >= 64;
            bool inner = x >= 66 && x < 126 && y >= 66 && y < 126;
            uint32_t want = pixelAt(before, x, y) ^ (inCell && !inner ? 0xFFFFFFu : 0u);
            ASSERT_EQ(pixelAt(*s.MapCanvas.bitmap(), x, y), want) << x << "," << y;
        }
    toggleCellMarker(s.MapCanvas, 64, 64);
    EXPECT_EQ(std::memcmp(before.bits(), s.MapCanvas.bitmap()->bits(), before.byteSize()), 0);
}

TEST(MapCanvas, SelectCellMovesTheMarkerAndPresents) {
    EditorState s;
    test::setUpView(s, 3, 2);
    redrawMap(s);
    const Bitmap plain = *s.MapCanvas.bitmap();
    toggleCellMarker(s.MapCanvas, 0, 0);
    s.viewX = 12;
    s.viewY = 34;
    test::FakeShell shell;

    selectCell(s, shell, 30, 40);  // inside the selected cell: the marker stays
    EXPECT_EQ(pixelAt(*s.MapCanvas.bitmap(), 0, 0), pixelAt(plain, 0, 0) ^ 0xFFFFFF);
    selectCell(s, shell, 150, 100);
    EXPECT_EQ(s.selX, 128);
    EXPECT_EQ(s.selY, 64);
    EXPECT_EQ(pixelAt(*s.MapCanvas.bitmap(), 0, 0), pixelAt(plain, 0, 0));
    EXPECT_EQ(pixelAt(*s.MapCanvas.bitmap(), 129, 65), pixelAt(plain, 129, 65) ^ 0xFFFFFF);
    ASSERT_EQ(shell.mapPresents.size(), 2u);
    EXPECT_EQ(shell.mapPresents[1].canvas, s.MapCanvas.bitmap());
    EXPECT_EQ(shell.mapPresents[1].originX, 12);
    EXPECT_EQ(shell.mapPresents[1].originY, 34);
}

TEST(MapCanvas, CanvasTakesTheMapSizeOrNoneWhenTooLarge) {
    EditorState s;
    s.mapWidth = 10;
    s.mapHeight = 8;
    ASSERT_TRUE(createMapCanvas(s));
    EXPECT_EQ(s.MapCanvas.bitmap()->width(), 640);
    EXPECT_EQ(s.MapCanvas.bitmap()->height(), 512);
    s.mapWidth = 4000;
    s.mapHeight = 4000;
    EXPECT_FALSE(createMapCanvas(s));
    EXPECT_EQ(s.MapCanvas.bitmap(), nullptr);
    test::FakeShell shell;
    presentMap(s, shell);  // nothing to show yet
    EXPECT_TRUE(shell.mapPresents.empty());
}

TEST(MapCanvas, ReadingAVmapRedrawsWithTheMarkerAndInvalidates) {
    test::WorkDir dir;
    std::filesystem::create_directory("maps");
    RomBuilder rom;
    LevelContent level;
    level.width = 2;
    level.height = 2;
    rom.addLevel(0, level);
    ASSERT_TRUE(rom.save("vurk.smc"));

    EditorState s;
    ASSERT_EQ(openRomImage(s.rom), RomOpenResult::Ok);
    std::string why;
    ASSERT_TRUE(loadLevelData(s, 0, why)) << why;
    ASSERT_TRUE(createMapCanvas(s));
    setSheet(s.TileSheet, test::coordinateSheet(1024, 1024));
    test::FakeShell shell;
    s.mapBuffer[2] = 200;
    ASSERT_TRUE(writeVmap(s, shell));
    s.mapBuffer[2] = 7;

    ASSERT_TRUE(readVmap(s, shell));
    EXPECT_EQ(s.mapBuffer[2], 200);
    EXPECT_TRUE(cellShowsTile(*s.MapCanvas.bitmap(), 1, 0, 200));
    EXPECT_EQ(pixelAt(*s.MapCanvas.bitmap(), 0, 0), sheetPixel(0, 0) ^ 0xFFFFFF);  // marker at (0, 0)
    EXPECT_EQ(shell.mapInvalidations, 1);

    std::filesystem::remove("maps/level00.vmap");
    EXPECT_FALSE(readVmap(s, shell));
    EXPECT_EQ(shell.mapInvalidations, 1);
    EXPECT_EQ(shell.boxes.back().text, kVmapMissingText);
}

}  // namespace
}  // namespace vurk
