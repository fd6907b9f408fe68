#include <gtest/gtest.h>

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <tuple>

#include "dialogs/level_dialogs.h"
#include "dialogs/object_dialogs.h"
#include "dialogs/option_dialogs.h"
#include "tests/support/editor_fixture.h"
#include "view/edit_history.h"
#include "view/map_canvas.h"

namespace vurk {
namespace {

using test::EditorFixture;

// The editing level with kinds and header values of the dialogs' tables.
LevelContent dialogLevel() {
    LevelContent c = test::editLevel();
    c.tileset = 0x9BBCB5;
    c.tilesetData1 = 0x9BF8D1;
    c.tilesetData2 = 0x98C000;
    c.tilesetVariant = 0x59;
    c.bgPalette = 0x9E9776;
    c.music = 5;
    c.items[0].type = 7;
    c.victims[0].code = 0x123456;  // no kind of the table
    c.otm[0].code = 0x81B664;
    c.rsm[0].radius = 40;
    c.rsm[0].delay = 5;
    return c;
}

class Dialogs : public EditorFixture {
protected:
    void SetUp() override { load(dialogLevel()); }
};

TEST_F(Dialogs, ChooseItemSelectsTheRowOfTheTypeAndStoresTwiceTheRow) {
    s.selectedObject = 0;
    KindChoice c = chooseObjectChoice(s, kModeItem);
    ASSERT_EQ(c.names.size(), 30u);
    EXPECT_EQ(std::tuple(c.title, c.names[3], c.selected), std::tuple("Choose Item", "Weed Whacker", 3));  // type 7
    applyChooseObject(s, shell, kModeItem, c.selected);
    EXPECT_EQ(std::tuple(s.items[0].type, s.items[0].x), std::tuple(6, 100));  // the position stays
    EXPECT_FALSE(shell.mapPresents.empty());

    s.items[0].type = 60;
    EXPECT_EQ(chooseObjectChoice(s, kModeItem).selected, -1);
}

TEST_F(Dialogs, ChooseVictimWithAnUnknownKindSelectsNothingAndKeepsIt) {
    s.selectedObject = 0;
    KindChoice c = chooseObjectChoice(s, kModeVictim);
    ASSERT_EQ(c.names.size(), 11u);
    EXPECT_EQ(std::tuple(c.title, c.names[0], c.selected), std::tuple("Choose Victim", "BBQ", -1));
    applyChooseObject(s, shell, kModeVictim, -1);
    EXPECT_EQ(s.victims[0].code, 0x123456u);
    applyChooseObject(s, shell, kModeVictim, 10);
    EXPECT_EQ(s.victims[0].code, 0x839FE2u);

    s.selectedObject = 1;
    EXPECT_EQ(chooseObjectChoice(s, kModeVictim).selected, 5);  // "Dog"
}

TEST_F(Dialogs, MonsterEditFieldsOnlyOnTheRsmList) {
    s.editMode = kModeMonster;
    s.selectedObject = 0;
    MonsterEditChoice otm = monsterEditChoice(s);
    EXPECT_EQ(std::tuple(otm.rsm, otm.kind.selected), std::tuple(false, 26));  // "Fire"
    applyMonsterEdit(s, shell, 0, "12", "13");
    EXPECT_EQ(s.otm[0].code, 0x82EF36u);

    s.monsterList = kRsmList;
    MonsterEditChoice rsm = monsterEditChoice(s);
    EXPECT_EQ(std::tuple(rsm.rsm, rsm.radius, rsm.delay, rsm.kind.selected), std::tuple(true, "40", "5", 0));
    const auto radiusDelayCode = [&] { return std::tuple(s.rsm[0].radius, s.rsm[0].delay, s.rsm[0].code); };
    applyMonsterEdit(s, shell, 3, "300", "200");
    EXPECT_EQ(radiusDelayCode(), std::tuple(40, 200, 0x82F25Du));  // 300 is out of range
    applyMonsterEdit(s, shell, -1, "255", "0");
    EXPECT_EQ(radiusDelayCode(), std::tuple(255, 0, 0x82F25Du));
}

TEST_F(Dialogs, BonusSelectionCounterAndSlots) {
    std::vector<bool> sel = bonusChoice(s);
    std::vector<bool> expected(15, false);
    expected[0] = expected[3] = expected[14] = true;
    EXPECT_EQ(sel, expected);
    EXPECT_EQ(bonusSlotsLeft(s, sel), 0);

    sel[5] = true;  // a fourth
    EXPECT_EQ(bonusSlotsLeft(s, sel), -1);
    EXPECT_FALSE(applyBonus(s, sel));
    EXPECT_EQ(s.bonus, (std::vector<uint16_t>{4, 10, 32}));

    sel[5] = false;
    sel[3] = false;  // "Pass Completion"
    ASSERT_TRUE(applyBonus(s, sel));
    EXPECT_EQ(s.bonus, (std::vector<uint16_t>{4, 32, 0}));

    s.bonus = {20, 20};  // the same code twice: one row
    sel = bonusChoice(s);
    EXPECT_EQ(std::tuple(std::count(sel.begin(), sel.end(), true), bonusSlotsLeft(s, sel)), std::tuple(1, 1));

    s.bonus.clear();  // a level without a bonus list
    sel.assign(15, false);
    EXPECT_TRUE(applyBonus(s, sel));
    sel[0] = true;
    EXPECT_FALSE(applyBonus(s, sel));
}

TEST_F(Dialogs, BonusDialogShowsZeroThenTheTrueCountInRed) {
    BonusDialog d(nullptr, s);
    EXPECT_EQ(d.counter()->text(), "Bonus Slots Available: 0");
    auto* list = d.findChild<QListWidget*>("1002");
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->item(14)->isSelected());
    list->item(6)->setSelected(true);
    EXPECT_EQ(d.counter()->text(), "Bonus Slots Available: -1");
    EXPECT_NE(d.counter()->styleSheet().indexOf("255, 0, 0"), -1);
    d.findChild<QPushButton*>("1")->click();
    EXPECT_EQ(d.result(), QDialog::Rejected);  // still open: OK did nothing
    list->item(0)->setSelected(false);
    EXPECT_EQ(d.counter()->styleSheet().indexOf("255, 0, 0"), -1);
    d.findChild<QPushButton*>("1")->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(s.bonus, (std::vector<uint16_t>{10, 16, 32}));
}

TEST_F(Dialogs, MiscDataSelectsAndStoresTheTablesValues) {
    MiscDataChoice c = miscDataChoice(s);
    EXPECT_EQ(std::tuple(c.tileset, c.palette), std::tuple(4, 6));  // Desert/Cave/Beach 1, Cave/Beach
    // Palette and music only: no question, no reload.
    s.items[0].x = 111;  // an unsaved edit survives
    applyMiscData(s, shell, 4, 15, "3");
    EXPECT_EQ(s.header.bgPalette, 0x9E9A76u);
    // The field shows the music less 2 (empty below 2); what is not 0 to 9 changes nothing.
    struct {
        uint16_t music;
        const char* shown;
        const char* typed;
        uint16_t after;
    } rows[] = {{5, "3", "9", 11}, {11, "9", "10", 11}, {11, "9", "-1", 11}, {1, "", "", 1}};
    for (const auto& r : rows) {
        s.header.music = r.music;
        EXPECT_EQ(miscDataChoice(s).music, r.shown) << r.music;
        applyMiscData(s, shell, 4, 15, r.typed);
        EXPECT_EQ(s.header.music, r.after) << r.typed;
    }
    EXPECT_TRUE(shell.boxes.empty());
    EXPECT_EQ(s.items[0].x, 111);
}

TEST_F(Dialogs, MiscDataTilesetChangeAsksAndReloads) {
    const uint8_t cell = s.mapBuffer[0];
    s.mapBuffer[0] = static_cast<uint8_t>(cell + 1);  // an unsaved edit
    recordCellEdit(s, 0, cell);
    shell.answers = {BoxAnswer::No};
    applyMiscData(s, shell, 5, 6, "3");  // Desert/Cave/Beach 2: the same sheet
    // No reloads at once: no second question (the boxes after it are the
    // reload's, about the tiles folder).
    ASSERT_FALSE(shell.boxes.empty());
    EXPECT_EQ(shell.boxLines()[0], "Save Before Reloading?|If you don't save, all changes will be lost");
    for (const auto& b : shell.boxes) EXPECT_NE(b.caption, "VURK-Edit") << b.text;
    EXPECT_EQ(shell.boxes[0].buttons, BoxButtons::YesNo);
    // Reloaded from the image; undo gives the edit and the old tileset back.
    EXPECT_EQ(std::tuple(s.header.tilesetVariant, s.header.tileset, s.mapBuffer[0], s.keepHeader),
              std::tuple(0x58, 0x9BBCB5u, cell, false));
    undoEdit(s, shell);
    EXPECT_EQ(std::tuple(s.header.tilesetVariant, s.mapBuffer[0]), std::tuple(0x59, static_cast<uint8_t>(cell + 1)));

    shell.boxes.clear();
    shell.answers = {BoxAnswer::Yes};
    s.items[0].x = 222;
    applyMiscData(s, shell, 0, 6, "3");  // Grass
    const LevelHeader& h = s.header;
    EXPECT_EQ(std::tuple(h.tileset, h.tilesetData1, h.tilesetData2, h.tilesetVariant), std::tuple(0x9B8000u, 0x9BF4D1u, 0x988000u, 0x70));
    EXPECT_EQ(s.items[0].x, 222);  // saved before the reload

    // A save that is refused is reported, and nothing is reloaded.
    shell.boxes.clear();
    shell.answers = {BoxAnswer::Yes};
    s.items[0].x = 0;
    applyMiscData(s, shell, 1, 6, "3");  // Castle
    ASSERT_EQ(shell.boxes.size(), 2u);
    EXPECT_EQ(std::tuple(shell.boxes[1].caption, shell.boxes[1].owner), std::tuple("Error", BoxOwner::Dialog));
    ASSERT_FALSE(s.items.empty());
    EXPECT_EQ(std::tuple(s.header.tileset, s.items[0].x), std::tuple(0x9B8000u, 0));

    // A header whose tileset is in no row selects nothing; OK then changes nothing.
    s.header.tileset = 0x123456;
    EXPECT_EQ(miscDataChoice(s).tileset, -1);
    shell.boxes.clear();
    applyMiscData(s, shell, -1, -1, "");
    EXPECT_EQ(s.header.tileset, 0x123456u);
    EXPECT_TRUE(shell.boxes.empty());
}

TEST(OptionsDialogTest, TicksBecomeTheWholeFlagField) {
    EXPECT_EQ(optionFlags({false, false, false, true}), 8u);
    OptionsDialog d(nullptr, 0xF0 | 5);
    auto* list = d.findChild<QListWidget*>("1002");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(2)->text(), "Start at Zeke's starting point");
    EXPECT_EQ(std::tuple(list->item(0)->checkState(), list->item(1)->checkState()), std::tuple(Qt::Checked, Qt::Unchecked));
    EXPECT_EQ(d.flags(), 5u);  // the bits above 3 are gone
    for (int i = 0; i < 4; ++i) list->item(i)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(d.flags(), 0u);
}

TEST(ClipboardViewerTest, ArrowsMoveTheCurrentSlotAndStopAtTheEnds) {
    EditorState s;
    s.clipboard.index = 1;
    ClipboardViewer d(nullptr, s);
    UpDown* u = d.upDown();
    ASSERT_EQ(u->objectName(), "1016");
    QTest::keyClick(u, Qt::Key_Left);
    QTest::keyClick(u, Qt::Key_Left);
    EXPECT_EQ(s.clipboard.index, 0u);
    for (int i = 0; i < 12; ++i) QTest::keyClick(u, Qt::Key_Right);
    EXPECT_EQ(s.clipboard.index, 9u);
    u->step(-5);
    EXPECT_EQ(s.clipboard.index, 4u);
    d.show();
    QTest::keyClick(u, Qt::Key_Escape);
    EXPECT_TRUE(d.isVisible());
    d.close();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(s.clipboard.index, 4u);
}

TEST(ClipboardViewerTest, ShowsTheSlotsTileFromASheetOfAnyDepth) {
    for (uint16_t depth : {uint16_t{8}, uint16_t{24}, uint16_t{32}}) {
        EditorState s;
        std::unique_ptr<Bitmap> sheet = Bitmap::create(1024, 1024, depth);
        ASSERT_TRUE(sheet);
        sheet->colorTable[5] = RgbQuad{50, 100, 200, 0};
        const int bytes = depth / 8;
        for (int y = 2 * 64; y < 3 * 64; ++y) {  // tile 0x23
            for (int x = 3 * 64; x < 4 * 64; ++x) {
                uint8_t* px = sheet->row(y) + x * bytes;
                if (depth == 8) {
                    px[0] = 5;
                } else {
                    px[0] = 50, px[1] = 100, px[2] = 200;
                }
            }
        }
        ASSERT_TRUE(setSheet(s.TileSheet, std::move(sheet)));
        s.clipboard.index = 7;
        s.clipboard.tiles[7] = 0x23;
        ClipboardViewer d(nullptr, s);
        const QImage shown = d.grab().toImage();
        EXPECT_EQ(shown.pixel((d.width() - 64) / 2 + 32, 32) & 0xFFFFFF, 0xC86432u) << depth;
    }
}

TEST(AboutDialogTest, OnlyItsOkButtonClosesIt) {
    AboutDialog d(nullptr);
    EXPECT_EQ(d.windowTitle(), "About VURK-Edit");
    d.show();
    QTest::keyClick(&d, Qt::Key_Escape);
    d.close();
    EXPECT_TRUE(d.isVisible());
    d.findChild<QPushButton*>("1019")->click();
    EXPECT_FALSE(d.isVisible());
}

}  // namespace
}  // namespace vurk
