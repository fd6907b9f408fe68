#include <gtest/gtest.h>

#include <tuple>

#include "app/handlers.h"
#include "tests/support/editor_fixture.h"
#include "tests/support/view_support.h"
#include "view/level_loader.h"
#include "view/map_canvas.h"

namespace vurk {
namespace {

using test::EditorFixture;
using test::editLevel;
using test::FakeShell;
using test::sheetPixel;

class Handlers : public EditorFixture {
protected:
    void SetUp() override { load(editLevel()); }
    // Runs the scroll requests posted so far, as the message loop would.
    void runPosted() {
        auto posted = shell.posted;
        shell.posted.clear();
        for (const auto& p : posted) onScroll(s, shell, p.bar, p.request, 0, p.amount);
    }
    std::pair<int32_t, int32_t> view() const { return {s.viewX, s.viewY}; }
    uint32_t tilePixel(int32_t x, int32_t y) const {
        // Cell (x >> 6, y >> 6) of this level holds tile index = cell number.
        const uint32_t t = (y >> 6) * 10 + (x >> 6);
        return sheetPixel(64 * (t & 15) + (x & 63), 64 * (t >> 4) + (y & 63));
    }
};

TEST_F(Handlers, ModeKeysSetTheTitlesAndTheMonsterListIsKept) {
    keys({kKeyB, kKeyI, kKeyV, kKeyM, kKey2, kKeyB, kKeyM, kKey1, kKey1});
    EXPECT_EQ(shell.titles, (std::vector<std::string>{
                                "VURK-Edit - Item edit mode", "VURK-Edit - Victim edit mode",
                                "VURK-Edit - Monster edit mode 1", "VURK-Edit - Monster edit mode 2",
                                "VURK-Edit - BG edit mode", "VURK-Edit - Monster edit mode 2",
                                "VURK-Edit - Monster edit mode 1"}));
    // The second 1 found the otm list selected already: nothing at all.
    shell.mapPresents.clear();
    keys({kKey1});
    EXPECT_TRUE(shell.mapPresents.empty());
    // Outside Monster mode 1 and 2 do nothing.
    keys({kKeyB, kKey2});
    EXPECT_EQ(s.monsterList, kOtmList);
}

TEST_F(Handlers, CursorFrameIsOnExactlyWhileInBgMode) {
    const uint32_t inverted = tilePixel(0, 0) ^ 0xFFFFFF;
    EXPECT_EQ(canvasPixel(0, 0), inverted);
    keys({kKeyB});  // already BG: a second inversion would erase it
    EXPECT_EQ(canvasPixel(0, 0), inverted);
    keys({kKeyI});
    EXPECT_EQ(canvasPixel(0, 0), tilePixel(0, 0));
    keys({kKeyV, kKeyB});
    EXPECT_EQ(canvasPixel(1, 1), tilePixel(1, 1) ^ 0xFFFFFF);
    EXPECT_EQ(canvasPixel(2, 2), tilePixel(2, 2));
}

TEST_F(Handlers, ItemKeyInItemModeFlashesTheItemsForHalfASecond) {
    keys({kKeyI});
    EXPECT_TRUE(shell.timers.empty());
    const uint32_t sprite = canvasPixel(92, 92);
    keys({kKeyI});
    ASSERT_EQ(shell.timers.count(kHighlightTimer), 1u);
    EXPECT_EQ(shell.timers[kHighlightTimer], 500);
    EXPECT_EQ(canvasPixel(92, 92), kYellow);  // the box's outline
    onHighlightTimer(s, shell);
    EXPECT_TRUE(shell.timers.empty());
    EXPECT_EQ(canvasPixel(92, 92), sprite);
    keys({kKeyV, kKeyV, kKeyM, kKeyM});
    EXPECT_TRUE(shell.timers.empty());
}

TEST_F(Handlers, KeypadStepsActOnPressOtherKeysOnRelease) {
    onKeyDown(s, shell, kKeyPadAdd);
    onKeyDown(s, shell, kKeyPadAdd);  // a held key repeats
    EXPECT_EQ(s.mapBuffer[0], 2);
    onKeyUp(s, shell, kKeyPadAdd);
    EXPECT_EQ(s.mapBuffer[0], 2);
    onKeyDown(s, shell, kKeyPadDivide);
    EXPECT_EQ(s.mapBuffer[0], 242);
    onKeyDown(s, shell, kKeyE);
    EXPECT_TRUE(shell.dialogs.empty());
    onKeyUp(s, shell, kKeyE);
    ASSERT_EQ(shell.dialogs.size(), 1u);
    EXPECT_EQ(std::pair(shell.dialogs[0].id, shell.dialogs[0].owner), std::pair(DialogId::EditTileValue, BoxOwner::MainWindow));
    // Outside BG mode the tile keys do nothing.
    keys({kKeyI});
    onKeyDown(s, shell, kKeyPadAdd);
    onKeyUp(s, shell, kKeyE);
    EXPECT_EQ(s.mapBuffer[0], 242);
    EXPECT_EQ(shell.dialogs.size(), 1u);
}

TEST_F(Handlers, CtrlChangesCopyAndPaste) {
    s.selX = 64;  // cell 1 holds tile 1
    const auto clip = s.clipboard;
    shell.ctrl = true;
    keys({kKeyC});
    ASSERT_EQ(shell.dialogs.size(), 1u);
    EXPECT_EQ(shell.dialogs[0].id, DialogId::ClipboardViewer);
    EXPECT_EQ(std::pair(s.clipboard.tiles, s.clipboard.index), std::pair(clip.tiles, clip.index));

    shell.ctrl = false;
    keys({kKeyC});
    EXPECT_EQ(s.clipboard.index, 1u);
    EXPECT_EQ(s.clipboard.tiles[1], 1);

    s.clipboard.tiles[2] = 77;
    s.selX = 128;
    keys({kKeyP});  // the current slot
    EXPECT_EQ(s.mapBuffer[4], 1);
    shell.ctrl = true;
    keys({kKeyP});  // the next slot
    EXPECT_EQ(s.clipboard.index, 2u);
    EXPECT_EQ(s.mapBuffer[4], 77);
}

// With its option a level change asks exactly "Save Map?", modified or not;
// without it only unsaved changes ask "Save changes to level N?". The Change
// Level dialog follows unless a save failed or the question was cancelled.
TEST_F(Handlers, LevelChangeAsksToSaveOnlyWithItsOption) {
    const std::string saveMap = "Are you sure?|Save Map?", saveChanges = "VURK-Edit|Save changes to level 0?";
    struct Case {
        bool option, modified, itemAtZero;  // an item at x 0 makes the save fail
        std::vector<BoxAnswer> answers;
        std::vector<std::string> boxes;
        bool dialog, written;
    };
    const Case cases[] = {
        {false, false, false, {}, {}, true, false},
        {true, false, false, {BoxAnswer::No}, {saveMap}, true, false},
        {true, true, false, {BoxAnswer::No}, {saveMap}, true, false},
        {true, true, false, {BoxAnswer::Yes}, {saveMap}, true, true},
        {true, true, true, {BoxAnswer::Yes}, {saveMap, "Error"}, false, false},
        {false, true, false, {BoxAnswer::Cancel}, {saveChanges}, false, false},
        {false, true, false, {BoxAnswer::No}, {saveChanges}, true, false},
        {false, true, false, {BoxAnswer::Yes}, {saveChanges}, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        ASSERT_TRUE(loadLevel(s, shell, 0));
        s.options = c.option ? kOptPromptSaveOnLevelChange : 0;
        if (c.modified) onKeyDown(s, shell, kKeyPadAdd);
        if (c.itemAtZero) s.items[0].x = 0;
        const auto before = test::readFileBytes("vurk.smc");
        shell.boxes.clear();
        shell.dialogs.clear();
        shell.answers = {c.answers.begin(), c.answers.end()};
        keys({kKeyF2});
        std::vector<std::string> boxes;  // a failed save's reason is tested elsewhere
        for (const auto& b : shell.boxes)
            boxes.push_back(b.caption == kErrorCaption ? b.caption : b.caption + "|" + b.text);
        EXPECT_EQ(boxes, c.boxes);
        ASSERT_EQ(shell.dialogs.size(), c.dialog ? 1u : 0u);
        for (const auto& d : shell.dialogs) EXPECT_EQ(d.id, DialogId::ChangeLevel);
        EXPECT_EQ(test::readFileBytes("vurk.smc") != before, c.written);
    }
}

TEST_F(Handlers, DragsMoveOnlyWithTheLeftButtonAlone) {
    keys({kKeyI});
    onLeftButtonDown(s, shell, 100, 100, kMkLButton);
    EXPECT_EQ(s.selectedObject, 0);
    EXPECT_EQ(s.objectGrabbed, 1);
    onMouseMove(s, shell, 150, 120, kMkLButton | kMkShift);
    onMouseMove(s, shell, 150, 120, kMkLButton | kMkControl);
    EXPECT_EQ(s.items[0].x, 100);
    EXPECT_TRUE(shell.timers.empty());
    onMouseMove(s, shell, 150, 120, kMkLButton);
    EXPECT_EQ((std::pair<int, int>(s.items[0].x, s.items[0].y)), std::pair(150, 120));
    EXPECT_EQ(shell.timers[kAutoScrollTimer], 1);
    onLeftButtonUp(s, shell);
    EXPECT_TRUE(shell.timers.empty());
    EXPECT_EQ(std::pair(s.objectGrabbed, s.selectedObject), std::pair(0, -1));

    shell.scrollLock = true;  // keeps autoscroll from starting
    onLeftButtonDown(s, shell, 150, 120, kMkLButton);
    onMouseMove(s, shell, 160, 120, kMkLButton);
    EXPECT_EQ(s.items[0].x, 160);
    EXPECT_TRUE(shell.timers.empty());
}

TEST_F(Handlers, AModeChangeEndsADrag) {
    keys({kKeyM});
    onLeftButtonDown(s, shell, 200, 130, kMkLButton);
    ASSERT_EQ(s.objectGrabbed, 1);
    onMouseMove(s, shell, 210, 130, kMkLButton);
    keys({kKey2});  // the grabbed index belongs to the otm list
    EXPECT_EQ(s.objectGrabbed, 0);
    EXPECT_TRUE(shell.timers.empty());
    const uint16_t rsmX = s.rsm[0].x;
    onMouseMove(s, shell, 50, 50, kMkLButton);
    EXPECT_EQ(s.rsm[0].x, rsmX);
}

TEST_F(Handlers, WheelNotchesPostLineRequestsWithTheirAmounts) {
    onWheel(s, shell, -120, 0);
    ASSERT_EQ(shell.posted.size(), 1u);
    EXPECT_EQ(std::pair(shell.posted[0].bar, shell.posted[0].request), std::pair(ScrollBar::Vertical, int{kScrollLineDown}));
    // Shift: three lines; Ctrl: across; less than a notch: nothing.
    const struct {
        int16_t delta;
        uint32_t flags;
        int viewX, viewY;
    } notches[] = {
        {-120, 0, 0, 16}, {-120, kMkShift, 0, 48}, {-120, kMkControl, 16, 48},
        {-240, kMkControl | kMkShift, 80, 48}, {120, 0, 80, 32}, {-60, 0, 80, 32}};
    for (const auto& n : notches) {
        if (n.delta != -120 || n.flags) onWheel(s, shell, n.delta, n.flags);
        runPosted();
        EXPECT_EQ(view(), std::pair(n.viewX, n.viewY)) << n.delta << " " << n.flags;
        EXPECT_EQ(s.scrollAmountFlag, 0);
    }
}

TEST_F(Handlers, ScrollRequestsPagesThumbAndEnds) {
    ASSERT_EQ(s.vScrollMax, 512 - 256);
    const struct { ScrollBar bar; int request, pos, viewX, viewY; } steps[] = {
        {ScrollBar::Vertical, kScrollPageDown, 0, 0, 8},        {ScrollBar::Vertical, kScrollLineDown, 0, 0, 24},
        {ScrollBar::Vertical, kScrollPageUp, 0, 0, 16},         {ScrollBar::Horizontal, kScrollThumbTrack, 200, 200, 16},
        {ScrollBar::Horizontal, kScrollThumbTrack, 500, 320, 16},  // the maximum, in one step
    };
    for (const auto& st : steps) {
        onScroll(s, shell, st.bar, st.request, st.pos, 0);
        EXPECT_EQ(view(), std::pair(st.viewX, st.viewY)) << st.request;
        EXPECT_EQ(shell.scrollPos[st.bar], st.bar == ScrollBar::Vertical ? st.viewY : st.viewX);
    }
    shell.windowScrolls.clear();
    shell.mapPresents.clear();
    onScroll(s, shell, ScrollBar::Horizontal, kScrollLineDown, 0, 0);
    EXPECT_EQ(s.viewX, 320);
    EXPECT_TRUE(shell.windowScrolls.empty());
    EXPECT_EQ(shell.mapPresents.size(), 1u);
    onScroll(s, shell, ScrollBar::Horizontal, kScrollLineUp, 0, 0);
    EXPECT_EQ(s.viewX, 304);
}

TEST_F(Handlers, AutoScrollActsOnlyInTheBandAlongTheEdges) {
    keys({kKeyI});
    onLeftButtonDown(s, shell, 100, 100, kMkLButton);
    shell.cursor = {295, 100};  // exactly on the inner right edge
    onAutoScrollTimer(s, shell);
    EXPECT_EQ(s.items[0].x, 295);
    EXPECT_TRUE(shell.posted.empty());

    shell.cursor = {296, 100};
    onAutoScrollTimer(s, shell);
    ASSERT_EQ(shell.posted.size(), 1u);
    EXPECT_EQ(shell.posted[0].bar, ScrollBar::Horizontal);
    runPosted();
    EXPECT_EQ(s.viewX, 4);

    shell.cursor = {300, 240};  // beyond both: two requests of 4 each
    onAutoScrollTimer(s, shell);
    EXPECT_EQ(shell.posted.size(), 2u);
    runPosted();
    EXPECT_EQ(view(), std::pair(8, 4));
    EXPECT_EQ(s.scrollAmountFlag, 0);

    const uint16_t x = s.items[0].x;
    for (ClientPoint p : {ClientPoint{100, 100}, ClientPoint{-1, 5}, ClientPoint{320, 5}}) {
        shell.cursor = p;
        onAutoScrollTimer(s, shell);
    }
    EXPECT_TRUE(shell.posted.empty());
    EXPECT_EQ(s.items[0].x, x);
}

TEST_F(Handlers, RightButtonOpensTheObjectDialogs) {
    keys({kKeyV});
    onRightButtonDown(s, shell, 40, 190);  // the first player's start
    EXPECT_TRUE(shell.dialogs.empty());
    onRightButtonDown(s, shell, 300, 290);
    ASSERT_EQ(shell.dialogs.size(), 1u);
    EXPECT_EQ(std::pair(shell.dialogs[0].id, shell.dialogs[0].param), std::pair(DialogId::ChooseObject, int32_t{kModeVictim}));
    EXPECT_EQ(std::pair(s.selectedObject, s.objectGrabbed), std::pair(-1, 0));

    keys({kKeyI});
    shell.onDialog = [this](DialogId, BoxOwner, int32_t param) {
        EXPECT_EQ(param, kModeItem);
        EXPECT_EQ(s.selectedObject, 0);  // the dialog sees the object it was opened on
    };
    onRightButtonDown(s, shell, 100, 100);
    EXPECT_EQ(shell.dialogs.size(), 2u);

    keys({kKeyM});
    shell.onDialog = nullptr;
    onRightButtonDown(s, shell, 200, 130);
    ASSERT_EQ(shell.dialogs.size(), 3u);
    EXPECT_EQ(shell.dialogs[2].id, DialogId::MonsterEdit);
    EXPECT_EQ(s.selectedObject, 0);
    onRightButtonDown(s, shell, 5, 5);  // a miss opens nothing
    EXPECT_EQ(shell.dialogs.size(), 3u);
}

TEST_F(Handlers, CtrlClickShowsObjectInfoInMonsterModeOneOnly) {
    keys({kKeyM});
    onLeftButtonDown(s, shell, 200, 130, kMkLButton | kMkControl);
    keys({kKey2});
    onLeftButtonDown(s, shell, 400, 130, kMkLButton | kMkControl);
    EXPECT_EQ(shell.boxLines(), std::vector<std::string>{"Object Info|pos: 200, 150\ndata: 0\nnumber: 30\ncode: 82ef36"});
}

TEST_F(Handlers, HomeCentresOnTheFirstStartWithinTheMap) {
    s.viewX = 300;
    keys({kKeyHome});
    EXPECT_EQ(view(), std::pair(0, 72));  // 40 - 160 is below 0
    EXPECT_EQ(shell.scrollPos[ScrollBar::Vertical], 72);
    s.victims[kStart1Record].x = 630;
    keys({kKeyHome});
    EXPECT_EQ(s.viewX, 320);
}

TEST_F(Handlers, CommandsWithBoxesOfTheirOwn) {
    onCommand(s, shell, kCmdOpenRom);
    onCommand(s, shell, kCmdContents);
    keys({kKeyF12});
    ASSERT_EQ(shell.boxes.size(), 3u);
    char debug[256];
    std::snprintf(debug, sizeof debug,
                  "debug|level offset:\t%x\notm count:\t1\nrsm count:\t1\nitem count:\t1\nsize x (tiles):\t10\n"
                  "size y (tiles):\t8\nmap size (bytes):\t160",
                  s.regions.header);
    const auto lines = shell.boxLines();
    EXPECT_EQ(std::vector(lines.begin() + 1, lines.end()), (std::vector<std::string>{"Not Done Yet|Needs to be imlemented", debug}));
    EXPECT_EQ(shell.boxes[2].owner, BoxOwner::None);

    onCommand(s, shell, kCmdExit);
    EXPECT_EQ(shell.destroyRequests, 1);
    keys({kKeyF5});
    EXPECT_EQ(shell.padShows, 1);
}

TEST_F(Handlers, SizeMessageKeepsTheViewInsideTheCanvas) {
    s.viewX = 320;
    s.viewY = 200;
    onSize(s, shell, 500, 100);
    EXPECT_EQ(view(), std::pair(140, 200));  // 640 - 500
    ASSERT_EQ(shell.scrollBars.size(), 2u);
    EXPECT_EQ(std::pair(shell.scrollBars[0].bar, shell.scrollBars[0].max), std::pair(ScrollBar::Vertical, 412));
    onSize(s, shell, 700, 600);
    EXPECT_EQ(view(), std::pair(0, 0));
    EXPECT_EQ(shell.scrollBars.back().max, -60);
}

TEST_F(Handlers, ScratchPadClicksAndKeysOnlyInBgMode) {
    onPadLeftButtonDown(s, shell, 383, 383);
    onPadLeftButtonDown(s, shell, 384, 10);  // past the pad: nothing
    EXPECT_EQ(std::pair(s.padX, s.padY), std::pair(320, 320));
    onPadKeyDown(s, shell, kKeyPadMultiply);
    EXPECT_EQ(s.ScratchPad[35 * 2], 16);
    onPadKeyUp(s, shell, kKeyF);
    ASSERT_EQ(shell.dialogs.size(), 1u);
    EXPECT_EQ(std::pair(shell.dialogs[0].id, shell.dialogs[0].owner), std::pair(DialogId::FillValue, BoxOwner::ScratchPad));

    keys({kKeyI});
    onPadLeftButtonDown(s, shell, 10, 10);
    onPadKeyDown(s, shell, kKeyPadAdd);
    onPadKeyUp(s, shell, kKeyE);
    EXPECT_EQ(std::tuple(s.padX, s.ScratchPad[35 * 2], shell.dialogs.size()), std::tuple(320, 16, 1u));
}

class HandlersShortMap : public EditorFixture {};

// BG clicks select the cell under the pointer; below a map shorter than the
// client nothing changes.
TEST_F(HandlersShortMap, BgClicksSelectTheCellUnderThePointer) {
    LevelContent c;
    c.width = 8;
    c.height = 2;
    load(c, 320, 256);
    struct Case {
        int32_t viewX;
        uint16_t x, y;
        int32_t selX, selY;
        bool presented;
    } cases[] = {{0, 10, 200, 0, 0, false}, {0, 200, 70, 192, 64, true}, {100, 10, 70, 64, 64, true}};
    for (const Case& k : cases) {
        s.viewX = k.viewX;
        shell.mapPresents.clear();
        onLeftButtonDown(s, shell, k.x, k.y, kMkLButton);
        EXPECT_EQ(std::tuple(s.selX, s.selY, shell.mapPresents.empty()), std::tuple(k.selX, k.selY, !k.presented))
            << k.x << "," << k.y;
    }
}

TEST(HandlersWithoutLevel, LevelCommandsAreRefusedModesStillChange) {
    EditorState s;
    FakeShell shell;
    for (int key : {kKeyF1, kKeyF2, kKeyF3, kKeyF4, kKeyF12, kKeyE, kKeyP, kKeyC}) onKeyUp(s, shell, key);
    shell.ctrl = true;
    onKeyUp(s, shell, kKeyS);
    onKeyUp(s, shell, kKeyL);
    EXPECT_EQ(shell.boxes.size(), 10u);
    for (const auto& b : shell.boxes) EXPECT_EQ(b.caption, "Error");
    EXPECT_TRUE(shell.dialogs.empty());
    onKeyUp(s, shell, kKeyI);
    onKeyUp(s, shell, kKeyI);
    onLeftButtonDown(s, shell, 5, 5, kMkLButton);
    onRightButtonDown(s, shell, 5, 5);
    EXPECT_EQ(shell.titles, (std::vector<std::string>{"VURK-Edit - Item edit mode"}));
    // Options and About need no level.
    onKeyUp(s, shell, kKeyF8);
    onCommand(s, shell, kCmdAbout);
    EXPECT_EQ(shell.dialogs.size(), 2u);
}

}  // namespace
}  // namespace vurk
