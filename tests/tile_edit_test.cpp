#include <gtest/gtest.h>

#include <tuple>

#include "platform/bytes.h"
#include "tests/support/fake_shell.h"
#include "tests/support/view_support.h"
#include "view/game_tables.h"
#include "view/map_canvas.h"
#include "view/tile_edit.h"

namespace vurk {
namespace {

using test::pixelAt;
using test::sheetPixel;

uint32_t tilePixel(uint8_t t, int32_t u, int32_t v) { return sheetPixel(64 * (t & 15) + u, 64 * (t >> 4) + v); }

// A 3 x 2-cell level with its cursor at cell (1, 1), and a scratch pad.
class TileEditing : public ::testing::Test {
protected:
    void SetUp() override {
        test::setUpView(s, 3, 2);
        for (VictimRecord& v : s.victims) v.code = kStart1Code;  // all off the canvas at (0, 0)
        s.selX = 64;
        s.selY = 64;
        createScratchPad(s);
    }
    EditorState s;
    test::FakeShell shell;
};
using ScratchPad = TileEditing;

TEST_F(TileEditing, SettingTheMapCellRepaintsItWithTheMarker) {
    setSelectedTile(s, shell, 0x21, TileTarget::Map);
    EXPECT_EQ(readLe16(&s.mapBuffer[4 * 2]), 0x8021);  // the second byte stays
    const Bitmap& c = *s.MapCanvas.bitmap();
    EXPECT_EQ(pixelAt(c, 64, 64), tilePixel(0x21, 0, 0) ^ 0xFFFFFF);  // frame
    EXPECT_EQ(pixelAt(c, 64 + 30, 64 + 30), tilePixel(0x21, 30, 30));
    EXPECT_EQ(shell.mapPresents.size(), 1u);

    s.editMode = kModeItem;  // no marker outside BG mode
    setSelectedTile(s, shell, 0x22, TileTarget::Map);
    EXPECT_EQ(pixelAt(c, 64, 64), tilePixel(0x22, 0, 0));
}

TEST_F(TileEditing, AdjustWrapsAndOverwritesTheCurrentSlot) {
    s.clipboard.index = 4;
    s.clipboard.tiles.fill(9);
    struct Case { uint8_t start; int8_t delta; uint8_t want; };
    for (Case c : {Case{255, 1, 0}, Case{5, -16, 245}, Case{0, -1, 255}, Case{250, 16, 10}}) {
        s.mapBuffer[4 * 2] = c.start;
        adjustSelectedTile(s, shell, c.delta, TileTarget::Map);
        EXPECT_EQ(std::tuple(s.mapBuffer[4 * 2], s.clipboard.tiles[4], s.clipboard.index), std::tuple(c.want, c.want, 4u));
    }
    EXPECT_EQ(std::tuple(s.clipboard.tiles[3], s.clipboard.tiles[5]), std::tuple(9, 9));
}

TEST_F(TileEditing, CopiesGoRoundTheTenSlots) {
    s.clipboard.index = 7;
    for (uint8_t i = 0; i < 10; ++i) {
        s.mapBuffer[4 * 2] = static_cast<uint8_t>(100 + i);
        copyTileToClipboard(s, TileTarget::Map);
    }
    EXPECT_EQ(s.clipboard.index, 7u);
    for (uint32_t i = 0; i < 10; ++i) EXPECT_EQ(s.clipboard.tiles[(8 + i) % 10], 100 + i) << "copy " << i;
    s.mapBuffer[4 * 2] = 42;
    copyTileToClipboard(s, TileTarget::Map);  // the eleventh overwrites the first copy's slot
    EXPECT_EQ(std::tuple(s.clipboard.index, s.clipboard.tiles[8], s.clipboard.tiles[9]), std::tuple(8u, 42, 101));
}

TEST_F(TileEditing, PasteUsesTheCurrentSlotOrWalksTheRing) {
    for (uint8_t i = 0; i < 10; ++i) s.clipboard.tiles[i] = static_cast<uint8_t>(50 + i);
    s.clipboard.index = 9;
    std::vector<int> pasted;
    for (bool next : {false, true, true}) {
        pasteTileFromClipboard(s, shell, TileTarget::Map, next);
        pasted.push_back(s.mapBuffer[4 * 2]);
    }
    EXPECT_EQ(pasted, (std::vector<int>{59, 50, 51}));
    EXPECT_EQ(s.clipboard.index, 1u);
}

TEST_F(ScratchPad, EditsItsSelectedCellAndPresentsItself) {
    s.padX = 320;
    s.padY = 64;
    redrawScratchPad(s);
    setSelectedTile(s, shell, 0x37, TileTarget::Pad);
    EXPECT_EQ(readLe16(&s.ScratchPad[(1 * 6 + 5) * 2]), 0x37);
    const Bitmap& pad = *s.PadSurface.bitmap();
    EXPECT_EQ(pixelAt(pad, 321, 65), tilePixel(0x37, 1, 1) ^ 0xFFFFFF);
    EXPECT_EQ(pixelAt(pad, 340, 90), tilePixel(0x37, 20, 26));
    EXPECT_EQ(pixelAt(pad, 0, 0), tilePixel(0, 0, 0));
    ASSERT_EQ(shell.padPresents.size(), 1u);
    EXPECT_EQ(shell.padPresents[0], &pad);
    EXPECT_TRUE(shell.mapPresents.empty());

    s.clipboard.index = 2;
    adjustSelectedTile(s, shell, 16, TileTarget::Pad);
    EXPECT_EQ(std::tuple(s.ScratchPad[(1 * 6 + 5) * 2], s.clipboard.tiles[2]), std::tuple(0x47, 0x47));
}

TEST_F(ScratchPad, FillSetsEveryCellAndLeavesTheClipboard) {
    s.clipboard.tiles.fill(3);
    s.clipboard.index = 6;
    s.ScratchPad.fill(0xEE);
    fillScratchPad(s, 7);
    for (size_t i = 0; i < s.ScratchPad.size(); i += 2) EXPECT_EQ(readLe16(&s.ScratchPad[i]), 7) << i;
    EXPECT_EQ(std::tuple(s.clipboard.index, s.clipboard.tiles[6]), std::tuple(6u, 3));

    s.padX = 128;
    s.padY = 320;
    redrawScratchPad(s);
    const Bitmap& pad = *s.PadSurface.bitmap();
    for (int32_t cell = 0; cell < 36; ++cell) {
        int32_t x = (cell % 6) * 64 + 10, y = (cell / 6) * 64 + 10;
        EXPECT_EQ(pixelAt(pad, x, y), tilePixel(7, 10, 10)) << "cell " << cell;
    }
    EXPECT_EQ(pixelAt(pad, 129, 321), tilePixel(7, 1, 1) ^ 0xFFFFFF);
}

}  // namespace
}  // namespace vurk
