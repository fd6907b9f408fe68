// The viewing tools on the state: the status bar's text, the tile picker's
// picks and the cursor keys.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <tuple>

#include "app/handlers.h"
#include "app/settings.h"
#include "app/view_tools.h"
#include "tests/support/editor_fixture.h"
#include "tests/support/workdir.h"
#include "view/edit_history.h"
#include "view/map_canvas.h"
#include "view/status_text.h"
#include "view/tile_edit.h"
#include "view/tile_picker.h"

namespace vurk {
namespace {

using ViewTools = test::EditorFixture;

TEST_F(ViewTools, StatusNamesTheCellAndTheObjectOfTheModeUnderThePointer) {
    load(test::editLevel());
    struct Case {
        int32_t mode, list;
        int32_t x, y;
        const char* text;
    };
    const Case cases[] = {
        {kModeBg, kOtmList, 100, 100, "Cell 1, 1: tile 0x0B (11)"},  // no object named in BG mode
        {kModeItem, kOtmList, 100, 100, "Cell 1, 1: tile 0x0B (11)  |  Item #0: Squirtgun at 100, 100"},
        {kModeItem, kOtmList, 300, 290, "Cell 4, 4: tile 0x2C (44)"},  // a victim, but Item mode
        {kModeVictim, kOtmList, 300, 290, "Cell 4, 4: tile 0x2C (44)  |  Victim #0: BBQ at 300, 300"},
        {kModeVictim, kOtmList, 500, 490, "Cell 7, 7: tile 0x4D (77)  |  Victim #1: Dog at 500, 500"},
        {kModeVictim, kOtmList, 40, 190, "Cell 0, 2: tile 0x14 (20)  |  Victim #10: Player 1 start at 40, 200"},
        {kModeMonster, kOtmList, 200, 130, "Cell 3, 2: tile 0x17 (23)  |  Monster list 1 #0: Vampire at 200, 150"},
        {kModeMonster, kRsmList, 400, 130, "Cell 6, 2: tile 0x1A (26)  |  Monster list 2 #0: Vampire at 400, 150"},
        {kModeMonster, kRsmList, 200, 130, "Cell 3, 2: tile 0x17 (23)"},  // the otm monster, on the rsm list
        {kModeBg, kOtmList, 639, 511, "Cell 9, 7: tile 0x4F (79)"},
        {kModeBg, kOtmList, 640, 100, ""},  // right of the map
        {kModeBg, kOtmList, 100, -1, ""},
    };
    for (const Case& c : cases) {
        s.editMode = c.mode;
        s.monsterList = c.list;
        EXPECT_EQ(pointerText(s, c.x, c.y), c.text) << c.x << "," << c.y;
        EXPECT_EQ(s.objectGrabbed, 0) << "a look grabs nothing";
    }
    // The level's own part comes first; the picker names its tile.
    EXPECT_EQ(statusBarText(s, {PointerSpot::Over::Picker, 0, 0, 255}), "Level 0 - 10 x 8  |  Tile picker: tile 0xFF (255)");
    EXPECT_EQ(statusBarText(s, {}), "Level 0 - 10 x 8");
}

TEST_F(ViewTools, PickerClickFillsTheSlotAndDoubleClickSetsTheCellAsOneStep) {
    load(test::editLevel());
    selectCell(s, shell, 128, 64);  // cell 2, 1 holds tile 12
    s.clipboard.index = 3;
    pickTile(s, 200);
    EXPECT_EQ(std::tuple(s.clipboard.tiles[3], s.clipboard.index, levelModified(s)), std::tuple(200, 3u, false));
    keys({kKeyP});  // P pastes the picked tile
    EXPECT_EQ(selectedTile(s, TileTarget::Map), 200);

    pickTileIntoCell(s, shell, 7);
    EXPECT_EQ(std::tuple(selectedTile(s, TileTarget::Map), s.clipboard.tiles[3]), std::tuple(7, 7));
    expectViewIsFreshDraw();
    undoEdit(s, shell);
    EXPECT_EQ(selectedTile(s, TileTarget::Map), 200);
    undoEdit(s, shell);
    EXPECT_EQ(selectedTile(s, TileTarget::Map), 12);
    EXPECT_FALSE(levelModified(s));

    // Outside BG mode a double click only picks.
    s.editMode = kModeItem;
    pickTileIntoCell(s, shell, 9);
    EXPECT_EQ(std::tuple(selectedTile(s, TileTarget::Map), s.clipboard.tiles[3]), std::tuple(12, 9));
}

TEST_F(ViewTools, ArrowKeysMoveTheCursorOnTheMapAndScrollToKeepItShown) {
    // 10 x 8 cells (640 x 512) in a 320 x 256 client: scroll ranges 320 and 256.
    load(test::editLevel());
    struct Case {
        int32_t selX, selY, viewX, viewY;
        int key;
        int32_t wantSelX, wantSelY, wantViewX, wantViewY;
    };
    const Case cases[] = {
        {0, 0, 0, 0, kKeyLeft, 0, 0, 0, 0},                 // at the left edge: stays
        {0, 0, 0, 0, kKeyUp, 0, 0, 0, 0},                   // at the top edge
        {576, 448, 320, 256, kKeyRight, 576, 448, 320, 256},  // at the right edge
        {576, 448, 320, 256, kKeyDown, 576, 448, 320, 256},   // at the bottom edge
        {192, 0, 0, 0, kKeyRight, 256, 0, 0, 0},            // the last whole column: no scroll
        {256, 0, 0, 0, kKeyRight, 320, 0, 64, 0},           // one past it: scrolls one cell
        {64, 128, 100, 0, kKeyLeft, 0, 128, 0, 0},          // left of the view: scrolls to it
        {0, 192, 0, 0, kKeyDown, 0, 256, 0, 64},
        {0, 192, 0, 100, kKeyUp, 0, 128, 0, 100},           // still shown: no scroll
    };
    for (const Case& c : cases) {
        s.selX = c.selX, s.selY = c.selY, s.viewX = c.viewX, s.viewY = c.viewY;
        shell.scrollPos[ScrollBar::Horizontal] = c.viewX;
        shell.scrollPos[ScrollBar::Vertical] = c.viewY;
        onKeyDown(s, shell, c.key);
        // The bars follow the view.
        EXPECT_EQ(std::tuple(s.selX, s.selY, s.viewX, s.viewY, shell.scrollPos[ScrollBar::Horizontal],
                             shell.scrollPos[ScrollBar::Vertical]),
                  std::tuple(c.wantSelX, c.wantSelY, c.wantViewX, c.wantViewY, c.wantViewX, c.wantViewY))
            << c.selX << "," << c.selY << " key " << c.key;
        expectViewIsFreshDraw();
    }
    // Only BG mode has a cursor.
    s.editMode = kModeItem;
    onKeyDown(s, shell, kKeyRight);
    EXPECT_EQ(s.selX, 0);
}

TEST(ViewSettingsFile, ReadsOnlyKnownValuesAndWritesNoSectionForTheDefaults) {
    test::WorkDir dir;
    int32_t level = 1;
    const auto exitWith = [&level](ViewSettings view) {
        WindowAtExit w;
        w.view = view;
        writeExitSettings(w, 0, level);
    };
    const std::string keys = "[vurk]\nx=0\ny=0\nlevel=1\noptions=0\nmaxed=0\nw=0\nh=0\n";
    exitWith({});
    const auto plain = test::readFileBytes("vurk.ini");
    EXPECT_EQ(std::string(plain.begin(), plain.end()), keys) << "defaults add nothing";
    struct Case {
        const char* file;
        std::tuple<int32_t, bool, bool> zoomGridPicker;
    };
    for (const Case& c : {Case{"[view]\nzoom=200\ngrid=1\npicker=1\n", {200, true, true}},
                          Case{"[view]\nzoom=30\ngrid=2\n", {100, false, false}},
                          Case{"[vurk]\nzoom=25\n", {100, false, false}}}) {
        test::writeFileBytes("vurk.ini", std::vector<uint8_t>(c.file, c.file + std::strlen(c.file)));
        const ViewSettings v = readStartSettings().view;
        EXPECT_EQ(std::tuple(v.zoom, v.grid, v.picker), c.zoomGridPicker) << c.file;
    }
    // A section that is there is kept up to date, back to the defaults too.
    exitWith({});
    const auto text = test::readFileBytes("vurk.ini");
    EXPECT_EQ(std::string(text.begin(), text.end()), "[vurk]\nzoom=25\n" + keys.substr(7));
    exitWith({25, true, false});
    exitWith({});
    const auto again = test::readFileBytes("vurk.ini");
    EXPECT_EQ(std::string(again.begin(), again.end()),
              "[vurk]\nzoom=25\n" + keys.substr(7) + "[view]\nzoom=100\ngrid=0\npicker=0\n");
}

}  // namespace
}  // namespace vurk
