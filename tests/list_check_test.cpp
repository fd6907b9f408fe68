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
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        openAndLoad(0);
        const auto before = imageOnDisk();
        k.edit(state);
        std::string why;
        EXPECT_FALSE(writeLevel(state, &why));
        EXPECT_NE(why.find(k.reason), std::string::npos) << why;
        EXPECT_EQ(imageOnDisk(), before);
        closeRomImage(state.rom);
    }
}

// A damaged level whose regions share bytes opens and shows, but its save is
// refused naming the two, before anything is written or a restore point made.
TEST_F(ListCheck, LevelsWhoseRegionsOverlapLoadButDoNotSave) {
    const LevelContent c = sampleLevel();
    const uint32_t mapBytes = uint32_t{c.width} * c.height * 2;
    const uint16_t header = 0xC000, rsm = 0xC040;
    const uint32_t victims = shortPointerOffset(rsm) + 2 * 10 + 2;
    const uint32_t itemEnd = shortPointerOffset(rsm) + listBytes(c) - 5;
    const struct {
        const char* name;
        LevelAddresses at;
        const char* says;
    } cases[] = {
        {"the map's first cell on the item list's end",
         {header, rsm, 0xC200, itemEnd},
         "Level 1's tile map and item list overlap in vurk.smc"},
        {"the map's last cell on the header",
         {header, rsm, 0xC200, shortPointerOffset(header) + 2 - mapBytes},
         "Level 1's header and tile map overlap"},
        {"the bonus list on the rsm list's end and the victims",
         {header, rsm, static_cast<uint16_t>(victims - 2 - kBank9FBase), 0x9000},
         "Level 1's rsm list and bonus list overlap"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        rom.placeLevel(1, c, k.at);
        openAndLoad(1);
        const auto before = imageOnDisk();
        state.mapBuffer[2] ^= 1;  // cell 1, which no other region holds
        std::string why;
        EXPECT_FALSE(writeLevel(state, &why));
        EXPECT_NE(why.find(k.says), std::string::npos) << why;
        EXPECT_EQ(imageOnDisk(), before);
        EXPECT_FALSE(std::filesystem::exists(kBackupFolder));
        closeRomImage(state.rom);
    }
}

}  // namespace
}  // namespace vurk
