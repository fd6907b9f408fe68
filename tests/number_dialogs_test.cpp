#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <tuple>

#include "dialogs/number_dialogs.h"
#include "platform/bytes.h"
#include "tests/support/editor_fixture.h"

namespace vurk {
namespace {

using test::EditorFixture;

TEST(FieldNumber, ReadsDigitsAsAnUnsignedNumber) {
    for (auto [text, n] : {std::pair{"", 0u}, {"0", 0u}, {"300", 300u}, {"007", 7u}}) EXPECT_EQ(fieldNumber(text), n);
}

class NumberDialogs : public EditorFixture {
protected:
    void SetUp() override {
        LevelContent c;
        c.width = 6;
        c.height = 5;
        c.map.assign(30, 0x4403);  // tile 3 with a high byte of 0x44
        LevelContent other;
        other.width = 7;
        rom.addLevel(9, other);
        load(c, 320, 256);
    }
};

TEST_F(NumberDialogs, EditTileValueKeepsTheLowEightBitsAndPushesTheClipboard) {
    s.clipboard.index = 9;
    // The high byte stays; the slot after 9 is 0.
    const auto cellAndSlot = [&] { return std::tuple(readLe16(&s.mapBuffer[0]), s.clipboard.index, s.clipboard.tiles[s.clipboard.index]); };
    applyEditTileValue(s, shell, TileTarget::Map, "256");
    EXPECT_EQ(cellAndSlot(), std::tuple(0x4400, 0u, 0));
    applyEditTileValue(s, shell, TileTarget::Map, "999");
    EXPECT_EQ(cellAndSlot(), std::tuple(0x4400 + 231, 1u, 231));

    s.padX = 64;
    applyEditTileValue(s, shell, TileTarget::Pad, "12");
    EXPECT_EQ(std::tuple(s.ScratchPad[2], cellAndSlot()), std::tuple(12, std::tuple(0x4400 + 231, 2u, 12)));
}

TEST_F(NumberDialogs, ChangeLevelIgnoresNumbersPast55) {
    s.mapBuffer[0] = 42;  // an unsaved edit
    applyChangeLevel(s, shell, "56");
    applyChangeLevel(s, shell, "99");
    EXPECT_EQ(std::tuple(s.currentLevel, s.mapBuffer[0], shell.boxes.size()), std::tuple(0u, 42, 0u));
    applyChangeLevel(s, shell, "9");
    EXPECT_EQ(std::tuple(s.currentLevel, s.mapWidth), std::tuple(9u, 7u));
    applyChangeLevel(s, shell, "0");  // the same level again discards edits
    EXPECT_EQ(s.mapBuffer[0], 3);
}

TEST_F(NumberDialogs, TheFieldTakesDigitsUpToItsLimit) {
    NumberDialog d(nullptr, "Edit Tile Value (0-255)", 3, 3);
    auto* field = d.findChild<QLineEdit*>("1000");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), "3");
    field->clear();
    QTest::keyClicks(field, "1x2-34");
    EXPECT_EQ(d.text(), "123");
}

TEST_F(NumberDialogs, OkAppliesAndCancelChangesNothing) {
    auto answer = [](const char* text, bool ok) {
        QTimer::singleShot(0, [text, ok] {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            auto* field = d->findChild<QLineEdit*>("1000");
            field->setText(text);
            d->findChild<QPushButton*>(ok ? "1" : "2")->click();
        });
    };
    answer("77", false);
    runEditTileValue(s, shell, nullptr, BoxOwner::MainWindow);
    EXPECT_EQ(s.mapBuffer[0], 3);
    answer("77", true);
    runEditTileValue(s, shell, nullptr, BoxOwner::MainWindow);
    EXPECT_EQ(s.mapBuffer[0], 77);
    answer("9", true);
    runChangeLevel(s, shell, nullptr);
    EXPECT_EQ(s.currentLevel, 9u);
}

}  // namespace
}  // namespace vurk
