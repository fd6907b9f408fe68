#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QUndoStack>
#include <cstring>
#include <filesystem>
#include <functional>
#include <tuple>
#include <utility>

#include "app/handlers.h"
#include "dialogs/find_dialog.h"
#include "level/restore_points.h"
#include "tests/support/fake_shell.h"
#include "tests/support/run_tool.h"
#include "tests/support/view_support.h"
#include "tests/support/workdir.h"
#include "view/map_canvas.h"
#include "view/tile_edit.h"
#include "view/tile_tools.h"

namespace vurk {
namespace {

constexpr int32_t W = 5, H = 4;  // cell i holds tile i

uint8_t tileAt(const EditorState& s, int32_t column, int32_t row) { return s.mapBuffer[size_t(row * W + column) * 2]; }

// The map's tile values from rows of digits (values 0 to 9).
void setTiles(EditorState& s, const char* rows) {
    for (size_t i = 0; rows[i]; ++i) s.mapBuffer[i * 2] = static_cast<uint8_t>(rows[i] - '0');
}

class TileTools : public ::testing::Test {
protected:
    void SetUp() override {
        test::setUpView(s, W, H);
        createScratchPad(s);
    }
    // The level point of a cell's middle, as client coordinates (the view is at 0, 0).
    static uint16_t at(int32_t cell) { return static_cast<uint16_t>(cell * kCellSize + 20); }
    void shiftDrag(int32_t c1, int32_t r1, uint16_t x2, uint16_t y2) {
        onLeftButtonDown(s, shell, at(c1), at(r1), kMkLButton | kMkShift);
        onMouseMove(s, shell, x2, y2, kMkLButton | kMkShift);
        onLeftButtonUp(s, shell);
    }
    void ctrlKey(int key) {
        shell.ctrl = true;
        onKeyUp(s, shell, key);
        shell.ctrl = false;
    }
    EditorState s;
    test::FakeShell shell;
};

TEST_F(TileTools, ShiftDragSelectsCellsClippedToTheMap) {
    struct Case { int32_t c1, r1; uint16_t x2, y2; CellRect want; };
    for (const Case& c : {Case{1, 1, 2000, 2000, {1, 1, 4, 3}},   // past the bottom-right corner
                          Case{4, 3, 0, 0, {0, 0, 5, 4}},          // backwards to the top-left cell
                          Case{2, 2, at(2), at(2), {2, 2, 1, 1}},  // a click: one cell
                          Case{0, 3, 2000, at(3), {0, 3, 5, 1}}}) {
        shiftDrag(c.c1, c.r1, c.x2, c.y2);
        EXPECT_EQ(s.tiles.selection, c.want) << c.c1 << "," << c.r1;
        EXPECT_FALSE(s.tiles.selecting);
    }
    // A move without the button extends nothing; a plain click keeps the selection.
    onMouseMove(s, shell, 0, 0, 0);
    onLeftButtonDown(s, shell, at(1), at(1), kMkLButton);
    EXPECT_EQ(s.tiles.selection, (CellRect{0, 3, 5, 1}));
    onKeyUp(s, shell, kKeyEscape);
    EXPECT_TRUE(s.tiles.selection.empty());
}

TEST_F(TileTools, ShiftDragAtTheWindowsEdgeScrollsAndExtendsTheSelection) {
    onSize(s, shell, 128, 128);  // the 320 x 256 map is larger than the view
    onLeftButtonDown(s, shell, at(0), at(0), kMkLButton | kMkShift);
    onMouseMove(s, shell, 120, 120, kMkLButton | kMkShift);
    ASSERT_EQ(shell.timers.count(kAutoScrollTimer), 1u);
    shell.cursor = {120, 120};
    for (int tick = 0; tick < 100; ++tick) {  // the timer's ticks, each with the scrolls it posts
        onAutoScrollTimer(s, shell);
        for (const auto& p : std::exchange(shell.posted, {})) onScroll(s, shell, p.bar, p.request, 0, p.amount);
    }
    EXPECT_EQ(std::pair(s.viewX, s.viewY), std::pair(192, 128));
    EXPECT_EQ(s.tiles.selection, (CellRect{0, 0, 5, 4}));
    onLeftButtonUp(s, shell);
    EXPECT_TRUE(shell.timers.empty());
}

TEST_F(TileTools, TheOverlayLeavesTheCanvasPixelsAlone) {
    onLeftButtonDown(s, shell, at(1), at(1), kMkLButton | kMkShift);  // moves the cursor too
    const Bitmap& c = *s.MapCanvas.bitmap();
    const std::vector<uint8_t> before(c.bits(), c.bits() + c.pitch() * size_t(c.height()));
    onMouseMove(s, shell, at(3), at(2), kMkLButton | kMkShift);
    onLeftButtonUp(s, shell);
    EXPECT_EQ(s.tiles.selection, (CellRect{1, 1, 3, 2}));
    copyStamp(s);
    beginStampPlacing(s, shell);
    EXPECT_EQ(std::memcmp(before.data(), c.bits(), before.size()), 0);
}

TEST_F(TileTools, StampsAreClippedAtTheMapEdges) {
    struct Case { int32_t column, row; int32_t written; };
    // A 2 x 2 stamp of tiles 0, 1 / 5, 6 placed at each corner and beyond.
    for (const Case& c : {Case{3, 2, 4}, Case{4, 3, 1}, Case{-1, -1, 1}, Case{4, -1, 1}, Case{5, 0, 0}}) {
        test::setUpView(s, W, H);
        const TileStamp stamp = copyCells(s, {0, 0, 2, 2});
        ASSERT_EQ(stamp.tiles, (std::vector<uint8_t>{0, 1, 5, 6}));
        const std::vector<uint8_t> before = s.mapBuffer;
        EXPECT_EQ(pasteCells(s, stamp, c.column, c.row), c.written) << c.column << "," << c.row;
        int32_t changed = 0;
        for (int32_t row = 0; row < H; ++row) {
            for (int32_t column = 0; column < W; ++column) {
                const int32_t u = column - c.column, v = row - c.row;
                const bool inside = u >= 0 && u < 2 && v >= 0 && v < 2;
                const uint8_t want = inside ? stamp.tiles[size_t(v * 2 + u)] : before[size_t(row * W + column) * 2];
                EXPECT_EQ(tileAt(s, column, row), want) << column << "," << row;
                changed += inside;
            }
        }
        EXPECT_EQ(changed, c.written);
        for (size_t i = 1; i < s.mapBuffer.size(); i += 2) ASSERT_EQ(s.mapBuffer[i], 0x80);  // second bytes stay
    }
    // A selection copied near an edge holds only the cells inside.
    EXPECT_EQ(copyCells(s, {3, 2, 4, 4}).tiles.size(), 4u);
}

TEST_F(TileTools, AModeChangeEndsAStampBeingPlacedAndASelectionDrag) {
    ctrlKey(kKeyD);  // the cursor cell as a stamp
    ctrlKey(kKeyT);
    ASSERT_TRUE(s.tiles.placing);
    onKeyUp(s, shell, kKeyI);
    onKeyUp(s, shell, kKeyB);
    const std::vector<uint8_t> before = s.mapBuffer;
    onLeftButtonDown(s, shell, at(3), at(2), kMkLButton);  // selects the cell, writes nothing
    EXPECT_EQ(s.mapBuffer, before);
    EXPECT_EQ(std::pair(s.selX, s.selY), std::pair(3 * kCellSize, 2 * kCellSize));

    onLeftButtonDown(s, shell, at(0), at(0), kMkLButton | kMkShift);
    onMouseMove(s, shell, at(1), at(1), kMkLButton | kMkShift);
    onKeyUp(s, shell, kKeyI);  // the button is still down
    EXPECT_FALSE(s.tiles.selecting);
    EXPECT_TRUE(shell.timers.empty());
}

TEST_F(TileTools, FloodFillTakesTheFourConnectedRegion) {
    struct Case { const char* map; int32_t column, row; uint8_t value; int32_t changed; const char* want; };
    for (const Case& c : {
             Case{"77777777777777777777", 2, 2, 9, 20, "99999999999999999999"},  // the whole level
             Case{"01234567890123456789", 3, 1, 1, 1, "01234567190123456789"},   // a single cell
             Case{"11000101000000100011", 0, 0, 5, 3, "55000501000000100011"},   // no diagonal step
             Case{"11000100000000100011", 2, 0, 0, 0, "11000100000000100011"},   // the same value
         }) {
        setTiles(s, c.map);
        EXPECT_EQ(floodFillCells(s, c.column, c.row, c.value), c.changed) << c.map;
        std::string got;
        for (size_t i = 0; i < 20; ++i) got += char('0' + s.mapBuffer[i * 2]);
        EXPECT_EQ(got, c.want);
    }
    EXPECT_EQ(floodFillCells(s, W, 0, 1), 0);  // outside the map
}

TEST_F(TileTools, ReplaceAndFindCountTheSameCells) {
    setTiles(s, "10021"
                "01001"
                "11111"
                "00200");
    struct Case { CellRect area; int32_t count; };
    for (const Case& c : {Case{wholeMap(s), 9}, Case{{1, 1, 2, 2}, 3}, Case{{3, 3, 9, 9}, 0}, Case{{}, 0}}) {
        EXPECT_EQ(findInLevel(s, FindKind::Tile, 1, c.area).size(), size_t(c.count));
        EditorState copy;
        test::setUpView(copy, W, H);
        copy.mapBuffer = s.mapBuffer;
        EXPECT_EQ(replaceCells(copy, c.area, 1, 7), c.count);
        EXPECT_TRUE(findInLevel(copy, FindKind::Tile, 1, c.area).empty());
    }
    // Cells come row by row.
    std::vector<std::string> lines;
    for (const FindHit& h : findInLevel(s, FindKind::Tile, 2, wholeMap(s))) lines.push_back(hitText(h));
    EXPECT_EQ(lines, (std::vector<std::string>{"cell 3,0", "cell 2,3"}));
}

TEST_F(TileTools, FindListsObjectsInListOrderOtmBeforeRsm) {
    s.items.resize(3);
    s.items[0].type = 4, s.items[1].type = 6, s.items[2].type = 5;  // kinds 2, 3 and 2
    s.items[2].x = 70, s.items[2].y = 80;
    s.otm.resize(2);
    s.rsm.resize(2);
    s.otm[1].code = 0x82EF36;
    s.rsm[0].code = 0x82EF36;
    s.rsm[0].x = 300;
    s.victims[3].code = 0x839699;
    s.victims[kStart1Record].code = 0;  // start points are no victims
    struct Case { FindKind kind; uint32_t value; std::vector<std::string> want; };
    for (const Case& c :
         {Case{FindKind::Item, 2, {"item 0 at 0,0", "item 2 at 70,80"}},
          Case{FindKind::Monster, 0x82EF36, {"otm 1 at 0,0", "rsm 0 at 300,0"}},
          Case{FindKind::Victim, 0x839699, {"victim 3 at 0,0"}}, Case{FindKind::Victim, 0x839E15, {}}}) {
        std::vector<std::string> got;
        for (const FindHit& h : findInLevel(s, c.kind, c.value, wholeMap(s))) got.push_back(hitText(h));
        EXPECT_EQ(got, c.want);
    }
}

// Each tool is one step: undo gives the map back exactly, redo the result.
TEST_F(TileTools, EachToolIsOneUndoableStep) {
    s.selX = 64, s.selY = 64;
    s.clipboard.tiles.fill(42);
    s.ScratchPad[0] = 33;
    struct Case { const char* name; std::function<void()> run; };
    const Case cases[] = {
        {"stamp", [&] {
             shiftDrag(0, 0, at(1), at(1));
             ctrlKey(kKeyD);
             ctrlKey(kKeyT);
             onMouseMove(s, shell, at(4), at(3), 0);
             onLeftButtonDown(s, shell, at(3), at(2), kMkLButton);  // placed where clicked
         }},
        {"fill", [&] { shiftDrag(1, 1, at(3), at(2)), onKeyUp(s, shell, kKeyF); }},
        {"flood", [&] { onKeyUp(s, shell, kKeyR); }},
        {"pad", [&] { onPadKeyUp(s, shell, kKeyS); }},
        {"replace", [&] { replaceTiles(s, shell, 6, 1, false); }},
        {"menu fill", [&] { s.tiles.selection = {0, 0, 2, 1}, onCommand(s, shell, kCmdFillSelection); }},
    };
    for (const Case& c : cases) {
        test::setUpView(s, W, H);
        s.tiles.forgetLevel();
        QUndoStack& stack = undoStack(s);
        stack.clear();
        const std::vector<uint8_t> before = s.mapBuffer;
        c.run();
        const std::vector<uint8_t> after = s.mapBuffer;
        EXPECT_NE(after, before) << c.name;
        EXPECT_EQ(stack.count(), 1) << c.name;
        undoCommand(s, shell);
        EXPECT_EQ(s.mapBuffer, before) << c.name;
        redoCommand(s, shell);
        EXPECT_EQ(s.mapBuffer, after) << c.name;
    }
    // The stamp went to the clicked cell; the pad's top-left to the cursor.
    test::setUpView(s, W, H);
    cases[0].run();
    EXPECT_EQ(std::tuple(tileAt(s, 3, 2), tileAt(s, 4, 3), s.tiles.placing), std::tuple(0, 6, false));
    s.selX = s.selY = 64;
    cases[3].run();
    EXPECT_EQ(std::tuple(tileAt(s, 1, 1), tileAt(s, 4, 3)), std::tuple(33, 0));  // clipped: pad cell (3, 2)
}

// Shift changes no key: Ctrl+Shift+V and Ctrl+Shift+C stay Victim mode and the
// Clipboard Viewer, and the stamp keys work with Shift as without.
TEST_F(TileTools, TheNewKeysLeaveTheOldOnesAlone) {
    struct Case {
        bool ctrl, shift;
        int key;
        int32_t mode;
        size_t dialogs;
        size_t stamp;
        bool placing;
    };
    for (const Case& c : {Case{true, true, kKeyV, kModeVictim, 0, 0, false},  // Victim mode
                          Case{false, false, kKeyV, kModeVictim, 0, 0, false},
                          Case{true, true, kKeyC, kModeBg, 1, 0, false},  // Clipboard Viewer
                          Case{true, false, kKeyC, kModeBg, 1, 0, false},
                          Case{true, false, kKeyT, kModeBg, 0, 0, false},  // no stamp to paste yet
                          Case{true, true, kKeyD, kModeBg, 0, 1, false},   // copy stamp
                          Case{true, false, kKeyT, kModeBg, 0, 1, true},   // paste stamp
                          Case{true, true, kKeyT, kModeBg, 0, 1, true}}) {
        enterMode(s, shell, kModeBg);
        s.tiles.placing = false;
        shell.dialogs.clear();
        shell.ctrl = c.ctrl, shell.shift = c.shift;
        onKeyUp(s, shell, c.key);
        EXPECT_EQ(std::tuple(s.editMode, shell.dialogs.size(), s.tiles.stamp.tiles.size(), s.tiles.placing),
                  std::tuple(c.mode, c.dialogs, c.stamp, c.placing))
            << c.key << (c.shift ? " with Shift" : "");
    }
    shell.ctrl = shell.shift = false;
    enterMode(s, shell, kModeBg);
    onKeyUp(s, shell, kKeyEscape);  // a stamp being placed is dropped, nothing written
    ctrlKey(kKeyT);
    const std::vector<uint8_t> before = s.mapBuffer;
    onKeyUp(s, shell, kKeyEscape);
    EXPECT_FALSE(s.tiles.placing);
    onLeftButtonDown(s, shell, at(2), at(2), kMkLButton);
    EXPECT_EQ(s.mapBuffer, before);
}

TEST_F(TileTools, FindDialogStepsThroughHitsAndReplacesAfterAsking) {
    s.clientW = s.clientH = 128;  // the map is larger than the view
    s.rsm.resize(1);
    s.rsm[0].code = 0x82EF36;
    s.rsm[0].x = 300, s.rsm[0].y = 250;
    std::vector<std::pair<int32_t, int32_t>> switches;
    FindDialog d(s, shell, nullptr, [&](int32_t mode, int32_t list) {
        switches.push_back({mode, list});
        s.editMode = mode;
    });
    d.tileBox()->setValue(13);
    d.find();
    ASSERT_EQ(d.list()->count(), 1);
    d.list()->setCurrentRow(0);
    EXPECT_EQ(std::tuple(s.selX, s.selY, s.viewX), std::tuple(3 * 64, 2 * 64, 3 * 64 + 32 - 64));  // centred where it can be
    d.kindBox()->setCurrentIndex(int(FindKind::Monster));
    d.objectBox()->setCurrentIndex(0);  // the first monster kind: 0x82EF36
    d.find();
    d.list()->setCurrentRow(0);
    EXPECT_EQ(switches.back(), (std::pair<int32_t, int32_t>{kModeMonster, kRsmList}));
    EXPECT_EQ(std::tuple(s.selectedObject, s.tiles.marking), std::tuple(0, true));

    s.items = {makeItem(64, 64, 7)};  // named "Weed Whacker", kind 3, by Choose Item
    d.kindBox()->setCurrentIndex(int(FindKind::Item));
    d.objectBox()->setCurrentIndex(3);
    d.find();
    EXPECT_EQ(d.list()->count(), 1);

    d.kindBox()->setCurrentIndex(int(FindKind::Tile));
    d.tileBox()->setValue(13);
    d.replacementBox()->setValue(42);
    EXPECT_EQ(d.replacementBox()->text(), "0x2A");  // as the map's labels show it
    shell.answers = {BoxAnswer::No, BoxAnswer::Yes};
    EXPECT_EQ(d.replace(), 0);
    EXPECT_EQ(tileAt(s, 3, 2), 13);
    EXPECT_EQ(d.replace(), 1);
    EXPECT_EQ(tileAt(s, 3, 2), 42);
    EXPECT_EQ(shell.boxes[0].text, "Replace tile 0x0D with tile 0x2A in 1 cells of the level?");
    // "Selection" is offered only while there is one.
    EXPECT_FALSE(d.selectionOnly()->isEnabled());
    s.tiles.selection = {0, 0, 2, 1};
    FindDialog inSelection(s, shell, nullptr, {});
    ASSERT_TRUE(inSelection.selectionOnly()->isEnabled());
    inSelection.selectionOnly()->setChecked(true);
    inSelection.tileBox()->setValue(0x63);
    EXPECT_EQ(inSelection.replace(), 0);
    EXPECT_EQ(shell.boxes.back().text, "No cell of the selection holds tile 0x63.");
    s.tiles.selection = {};
    EXPECT_EQ(inSelection.replace(), 0);
    EXPECT_EQ(shell.boxes.back().text, "No cell of the level holds tile 0x63.");
    EXPECT_FALSE(inSelection.selectionOnly()->isEnabled());
}

TEST(TileToolCommands, FindAndReplaceOnTheDemoImage) {
    test::WorkDir dir;
    ASSERT_EQ(test::runDemoMaker(".").status, 0);
    const test::ToolRun found = test::runTool("find 2 --tile 39");
    ASSERT_EQ(found.status, 0) << found.err;
    const auto lines = std::count(found.out.begin(), found.out.end(), '\n');
    ASSERT_GT(lines, 1);
    EXPECT_EQ(found.out.rfind("cell ", 0), 0u);
    for (const char* same : {"find 2 --tile 039", "find 2 --tile 0x27", "find 0x2 --tile 0X27"}) {
        EXPECT_EQ(test::runTool(same).out, found.out) << same;  // a leading 0 is no octal
    }
    const std::vector<uint8_t> image = test::readFileBytes("vurk.smc");
    for (const char* bad : {"replace 2 --tile 39 256", "replace 2 --tile 39", "find 2 --tile x", "find 2 --tile 0x",
                            "find 2 --tile +39", "find 2 --item 128", "replace 56 --tile 1 2"}) {
        EXPECT_EQ(test::runTool(bad).status, 1) << bad;
    }
    // Nothing to change: a line says so, and neither the image nor the restore points are touched.
    for (const auto& [args, line] : {std::pair{"replace 2 --tile 39 39", "nothing to replace: tile 39 and tile 39 are the same\n"},
                                     std::pair{"replace 2 --tile 0x27 39", "nothing to replace: tile 39 and tile 39 are the same\n"},
                                     std::pair{"replace 2 --tile 255 1", "nothing to replace: level 2 holds no cell of tile 255\n"}}) {
        const test::ToolRun r = test::runTool(args);
        EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(0, std::string(line))) << args << r.err;
    }
    EXPECT_EQ(test::readFileBytes("vurk.smc"), image);
    EXPECT_FALSE(std::filesystem::exists(kBackupFolder));
    const test::ToolRun replaced = test::runTool("replace 2 --tile 39 0x28");
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(replaced.out.rfind("replaced " + std::to_string(lines) + " cells of tile 39 with tile 40", 0), 0u)
        << replaced.out;
    EXPECT_NE(replaced.out.find("backups"), std::string::npos);
    EXPECT_TRUE(test::runTool("find 2 --tile 39").out.empty());
}

}  // namespace
}  // namespace vurk
