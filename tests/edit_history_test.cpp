#include <gtest/gtest.h>

#include <QUndoStack>
#include <filesystem>
#include <functional>

#include "app/handlers.h"
#include "dialogs/level_dialogs.h"
#include "dialogs/number_dialogs.h"
#include "dialogs/object_dialogs.h"
#include "tests/support/editor_fixture.h"
#include "view/edit_history.h"
#include "view/map_canvas.h"

namespace vurk {
namespace {

using test::editLevel;

class History : public test::EditorFixture {
public:
    void SetUp() override { load(editLevel()); }

    // The image as writeLevel leaves it with the level as it is now.
    std::vector<uint8_t> written() {
        EXPECT_TRUE(writeLevel(s));
        return {s.rom.base(), s.rom.base() + s.rom.size()};
    }
    void drag(int modeKey, uint16_t x, uint16_t y, uint16_t toX, uint16_t toY) {
        keys({modeKey});
        onLeftButtonDown(s, shell, x, y, kMkLButton);
        EXPECT_EQ(s.objectGrabbed, 1);
        onMouseMove(s, shell, toX, toY, kMkLButton);
        onLeftButtonUp(s, shell);
    }
    QUndoStack& stack() { return undoStack(s); }
};

struct EditCase {
    const char* name;
    const char* what;  // the step's name in the Edit menu
    void (*edit)(History& t);
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

class EachEdit : public History, public ::testing::WithParamInterface<EditCase> {};

const EditCase kEdits[] = {
    {"KeypadStep", "tile change", [](History& t) { onKeyDown(t.s, t.shell, kKeyPadMultiply); }},
    {"TileValueDialog", "tile change", [](History& t) { applyEditTileValue(t.s, t.shell, TileTarget::Map, "77"); }},
    {"Paste", "tile change",
     [](History& t) {
         t.s.clipboard.tiles[t.s.clipboard.index] = 99;
         t.keys({kKeyP});
     }},
    {"ItemDrag", "item move", [](History& t) { t.drag(kKeyI, 100, 100, 150, 120); }},
    {"VictimDrag", "victim move", [](History& t) { t.drag(kKeyV, 300, 290, 330, 300); }},
    {"StartPointDrag", "start point move", [](History& t) { t.drag(kKeyV, 40, 190, 90, 230); }},
    {"OtmDrag", "monster move", [](History& t) { t.drag(kKeyM, 200, 130, 230, 140); }},
    {"RsmDrag", "monster move",
     [](History& t) {
         t.keys({kKeyM, kKey2});
         t.drag(kKeyM, 400, 130, 430, 140);
     }},
    {"ItemKind", "item kind",
     [](History& t) {
         t.s.selectedObject = 0;
         applyChooseObject(t.s, t.shell, kModeItem, 3);
     }},
    {"VictimKind", "victim kind",
     [](History& t) {
         t.s.selectedObject = 0;
         applyChooseObject(t.s, t.shell, kModeVictim, 2);
     }},
    {"OtmKind", "monster edit",
     [](History& t) {
         t.keys({kKeyM});
         t.s.selectedObject = 0;
         applyMonsterEdit(t.s, t.shell, 1, "", "");
     }},
    {"RsmRadiusAndDelay", "monster edit",
     [](History& t) {
         t.keys({kKeyM, kKey2});
         t.s.selectedObject = 0;
         applyMonsterEdit(t.s, t.shell, 0, "99", "7");
     }},
    {"PaletteAndMusic", "Misc. Data", [](History& t) { applyMiscData(t.s, t.shell, 0, 3, "4"); }},
    {"TilesetNotSaved", "Misc. Data",
     [](History& t) {
         t.shell.answers = {BoxAnswer::No, BoxAnswer::No};
         applyMiscData(t.s, t.shell, 1, 3, "4");
     }},
    {"TilesetSaved", "Misc. Data",
     [](History& t) {
         t.shell.answers = {BoxAnswer::Yes};
         applyMiscData(t.s, t.shell, 1, 3, "4");
     }},
    {"BonusList", "bonus list",
     [](History& t) {
         std::vector<bool> rows(15, false);
         rows[1] = rows[14] = true;
         applyBonus(t.s, rows);
     }},
    {"VmapLoad", "VMAP load",
     [](History& t) {
         t.shell.ctrl = true;
         t.shell.answers = {BoxAnswer::No};  // the unsaved tile change
         t.keys({kKeyL});
     }},
};

TEST_P(EachEdit, IsOneStepThatUndoAndRedoTakeExactlyBackAndForth) {
    const EditCase& c = GetParam();
    if (std::string(c.name) == "VmapLoad" || std::string(c.name) == "TilesetNotSaved") {
        // Unsaved edits that the step throws away.
        std::filesystem::create_directories("maps");
        ASSERT_TRUE(writeVmap(s, shell));
        onKeyDown(s, shell, kKeyPadAdd);
        for (const EditCase& e : kEdits) {
            if (std::string(e.name).ends_with("Drag")) e.edit(*this);
        }
        keys({kKeyB});
    }
    const int steps = stack().count();
    const auto before = written();
    c.edit(*this);
    shell.ctrl = false;
    const auto after = written();
    ASSERT_NE(before, after);
    EXPECT_EQ(stack().count(), steps + 1);
    EXPECT_EQ(stack().undoText().toStdString(), c.what);
    EXPECT_TRUE(levelModified(s));

    // The view and the cursor stay where they are.
    s.viewX = 100;
    s.viewY = 70;
    for (int round = 0; round < 2; ++round) {
        keys({kKeyB});
        undoCommand(s, shell);
        EXPECT_EQ(written(), before);
        expectViewIsFreshDraw();
        keys({kKeyI});
        redoCommand(s, shell);
        EXPECT_EQ(written(), after);
        expectViewIsFreshDraw();
    }
    EXPECT_EQ(s.viewX, 100);
    EXPECT_EQ(s.viewY, 70);
    EXPECT_EQ(stack().count(), steps + 1);
}

INSTANTIATE_TEST_SUITE_P(History, EachEdit, ::testing::ValuesIn(kEdits),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(History, ADragOfManyMovesIsOneStepAndAClickIsNone) {
    keys({kKeyI});
    onLeftButtonDown(s, shell, 100, 100, kMkLButton);
    for (uint16_t i = 1; i <= 49; ++i) onMouseMove(s, shell, static_cast<uint16_t>(100 + i), 100, kMkLButton);
    shell.cursor = {5, 100};  // in the edge band: the autoscroll tick moves it too
    onAutoScrollTimer(s, shell);
    onLeftButtonUp(s, shell);
    EXPECT_EQ(s.items[0].x, 5);
    EXPECT_EQ(stack().count(), 1);
    undoCommand(s, shell);
    EXPECT_EQ(s.items[0].x, 100);
    EXPECT_EQ(s.items[0].y, 100);

    // A click that moves nothing, and a drag back to where it began, add no step.
    onLeftButtonDown(s, shell, 100, 100, kMkLButton);
    onLeftButtonUp(s, shell);
    onLeftButtonDown(s, shell, 100, 100, kMkLButton);
    onMouseMove(s, shell, 140, 100, kMkLButton);
    onMouseMove(s, shell, 100, 100, kMkLButton);
    onLeftButtonUp(s, shell);
    EXPECT_TRUE(stack().canRedo());
    EXPECT_FALSE(levelModified(s));

    // A drag that a mode change or Ctrl+Z ends is a step of its own.
    onLeftButtonDown(s, shell, 100, 100, kMkLButton);
    onMouseMove(s, shell, 130, 110, kMkLButton);
    keys({kKeyV});
    EXPECT_EQ(stack().count(), 1);
    EXPECT_EQ(stack().undoText(), "item move");
    onLeftButtonDown(s, shell, 300, 290, kMkLButton);
    onMouseMove(s, shell, 320, 290, kMkLButton);
    shell.ctrl = true;
    keys({kKeyZ});
    EXPECT_EQ(s.objectGrabbed, 0);
    EXPECT_EQ(s.victims[0].x, 300);
    EXPECT_EQ(stack().count(), 2);
    onMouseMove(s, shell, 350, 290, kMkLButton);
    EXPECT_EQ(s.victims[0].x, 300);
}

TEST_F(History, KeysMenuCommandsAndWhatCountsAsModified) {
    // After each step: the first cell's tile, and M where the level differs
    // from the last load or save.
    std::string seen;
    auto step = [&](const std::function<void()>& act) {
        act();
        seen += std::to_string(s.mapBuffer[0]) + (levelModified(s) ? "M " : "- ");
    };
    step([&] { onKeyDown(s, shell, kKeyPadAdd); });
    step([&] { keys({kKeyZ}); });  // without Ctrl: nothing
    shell.ctrl = true;
    for (int key : {kKeyZ, kKeyY}) step([&] { keys({key}); });
    step([&] { onCommand(s, shell, kCmdUndo); });
    shell.shift = true;
    step([&] { keys({kKeyZ}); });
    step([&] { onCommand(s, shell, kCmdRedo); });  // nothing left to redo
    shell.ctrl = shell.shift = false;
    step([&] {
        shell.answers = {BoxAnswer::Yes};
        keys({kKeyF1});
    });
    step([&] { undoCommand(s, shell); });  // the image now holds the step
    step([&] { redoCommand(s, shell); });
    // Writing the value the cell already holds changes nothing.
    step([&] { applyEditTileValue(s, shell, TileTarget::Map, "1"); });
    EXPECT_EQ(seen, "1M 1M 0- 1M 0- 1M 1M 1- 0M 1- 1- ");
    EXPECT_FALSE(stack().canRedo());

    // The scratch pad keeps no history.
    onPadKeyDown(s, shell, kKeyPadAdd);
    EXPECT_EQ(stack().count(), 1);
}

TEST_F(History, ALevelChangeStartsANewHistoryARefusedOneKeepsIt) {
    onKeyDown(s, shell, kKeyPadAdd);
    applyChangeLevel(s, shell, "3");  // no such level in this image
    EXPECT_FALSE(shell.boxes.empty());
    EXPECT_EQ(stack().count(), 1);
    applyChangeLevel(s, shell, "0");
    EXPECT_EQ(stack().count(), 0);
    EXPECT_FALSE(levelModified(s));
    EXPECT_EQ(s.mapBuffer[0], 0);
}

TEST_F(History, KeepsAThousandStepsEachHoldingOnlyWhatItChanged) {
    const auto start = written();
    for (int i = 0; i < kHistorySteps + 1; ++i) onKeyDown(s, shell, kKeyPadAdd);
    EXPECT_EQ(stack().count(), kHistorySteps);
    for (int i = 0; i < kHistorySteps; ++i) stack().undo();
    EXPECT_FALSE(stack().canUndo());
    EXPECT_EQ(s.mapBuffer[0], 1);  // the oldest step is the one let go
    s.mapBuffer[0] = 0;
    EXPECT_EQ(written(), start);
}

// The question before unsaved changes are thrown away, for each way of
// throwing them away that nothing else asks about, by answer. (With its
// option a level change asks "Save Map?" instead, and a new tileset "Save
// Before Reloading?": handlers and dialogs tests.)
TEST_F(History, UnsavedChangesAreNeverThrownAwayWithoutAsking) {
    struct Trigger {
        const char* name;
        void (*act)(History& t);
        bool (*wentOn)(History& t);
    };
    const Trigger triggers[] = {
        {"Exit", [](History& t) { onCommand(t.s, t.shell, kCmdExit); },
         [](History& t) { return t.shell.destroyRequests > 0; }},
        {"F2", [](History& t) { t.keys({kKeyF2}); }, [](History& t) { return !t.shell.dialogs.empty(); }},
        {"CtrlL",
         [](History& t) {
             t.shell.ctrl = true;
             t.keys({kKeyL});
         },
         [](History& t) { return t.shell.boxes.back().text == kVmapMissingText; }},
    };
    enum Case { Yes, No, Cancel, Unmodified };
    for (const Trigger& trigger : triggers) {
        for (Case c : {Yes, No, Cancel, Unmodified}) {
            SCOPED_TRACE(std::string(trigger.name) + " case " + std::to_string(c));
            if (c == Unmodified) ASSERT_TRUE(saveLevel(s, shell));
            else onKeyDown(s, shell, kKeyPadAdd);
            const auto disk = test::readFileBytes("vurk.smc");
            shell = test::FakeShell{};
            if (c == Yes) shell.answers.push_back(BoxAnswer::Yes);
            if (c == No) shell.answers.push_back(BoxAnswer::No);
            trigger.act(*this);

            int asked = 0;
            for (const auto& b : shell.boxes) {
                if (b.text != "Save changes to level 0?") continue;
                ++asked;
                EXPECT_EQ(b.buttons, BoxButtons::YesNoCancel);
            }
            EXPECT_EQ(asked, c == Unmodified ? 0 : 1);
            EXPECT_EQ(trigger.wentOn(*this), c != Cancel);
            EXPECT_EQ(test::readFileBytes("vurk.smc") != disk, c == Yes);
            EXPECT_EQ(levelModified(s), c == No || c == Cancel);
        }
    }
}

}  // namespace
}  // namespace vurk
