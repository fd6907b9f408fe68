// No edit, file or save may change how many records a level's lists hold: an
// item at x = 0 ends the item list, and an empty bonus slot the bonus list.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "tests/support/fake_shell.h"
#include "tests/support/level_fixture.h"
#include "view/objects.h"

namespace vurk {
namespace {

using test::readFileBytes;
using test::sampleLevel;
using test::writeFileBytes;

size_t itemsAfterReload(uint32_t level) {
    LevelState again;
    test::loadFromImage(again, level);
    return again.items.size();
}

class ListCheck : public test::LevelFixture {
protected:
    void SetUp() override {
        std::filesystem::create_directory("maps");
        rom.addLevel(0, sampleLevel());
    }
    test::FakeShell shell;
};

TEST_F(ListCheck, VmapWithAnItemAtXZeroIsRefusedUntilFixed) {
    openAndLoad(0);
    ASSERT_TRUE(writeVmap(state, shell));
    auto file = readFileBytes("maps/level00.vmap");
    const size_t item1 = 76 + 2 * 10 + 120 + 2 * 12 + 5;  // rsm, victims, otm, then item 1's x
    writeLe16(&file[item1], 0);
    writeFileBytes("maps/level00.vmap", file);
    state.items[2].x = 444;  // unsaved edits the refusal must keep
    state.mapBuffer[0] = 0x5A;
    const auto items = state.items;
    const auto map = state.mapBuffer;

    EXPECT_FALSE(readVmapData(state, shell));
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].caption, "Error");
    EXPECT_NE(shell.boxes[0].text.find("Item 2 of 3"), std::string::npos) << shell.boxes[0].text;
    EXPECT_EQ(std::memcmp(state.items.data(), items.data(), 15), 0);
    EXPECT_EQ(state.mapBuffer, map);

    writeLe16(&file[item1], 7);
    writeFileBytes("maps/level00.vmap", file);
    EXPECT_TRUE(readVmapData(state, shell));
    EXPECT_EQ(state.items[1].x, 7);
    ASSERT_TRUE(writeLevel(state));
    closeRomImage(state.rom);
    EXPECT_EQ(itemsAfterReload(0), 3u);
}

TEST_F(ListCheck, SavesThatWouldChangeACountWriteNothing) {
    struct Case {
        const char* name;
        std::function<void(LevelState&)> edit;
        const char* reason;  // a part of the text the refusal gives
    };
    const Case cases[] = {
        {"item at x = 0", [](LevelState& s) { s.items[1].x = 0; }, "Item 2 of 3 is at x = 0"},
        {"empty bonus slot before a used one", [](LevelState& s) { s.bonus[0] = 0; }, "Bonus slot 1 of 3"},
        // The map's last cell is the item list's end record here (see below).
        {"map over the item list's end", [](LevelState& s) { s.mapBuffer[s.mapSize - 2] = 1; },
         "the length of its item list"},
    };
    // A damaged layout: the tile map of level 1 ends on its own item list's end.
    const LevelContent c = sampleLevel();
    LevelAddresses at{0xC000, 0xC040, 0xC200, 0};
    const uint32_t itemEnd = shortPointerOffset(at.rsmList) + listBytes(c) - 5;
    at.mapOffset = itemEnd + 2 - uint32_t{c.width} * c.height * 2;
    rom.placeLevel(1, c, at);

    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        openAndLoad(1);
        const auto before = imageOnDisk();
        ASSERT_TRUE(writeLevel(state)) << "the level saves as loaded";
        k.edit(state);
        std::string why;
        EXPECT_FALSE(writeLevel(state, &why));
        EXPECT_NE(why.find(k.reason), std::string::npos) << why;
        EXPECT_EQ(imageOnDisk(), before);
        closeRomImage(state.rom);
    }
}

}  // namespace
}  // namespace vurk
