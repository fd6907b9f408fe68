#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/level_fixture.h"

namespace vurk {
namespace {

using test::LevelFixture;
using test::sampleLevel;

bool sameBytes(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

class LevelLoad : public LevelFixture {};

TEST_F(LevelLoad, CopiesHeaderMapAndListsOfTheLevel) {
    LevelContent c = sampleLevel();
    rom.addLevel(0, LevelContent{});
    LevelAddresses at = rom.addLevel(3, c);
    state.clipboard.tiles = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    state.clipboard.index = 6;
    openAndLoad(3);

    EXPECT_EQ(state.currentLevel, 3u);
    EXPECT_EQ(state.regions.header, shortPointerOffset(at.header));
    LevelHeader h = rom.readHeader(3);
    EXPECT_TRUE(sameBytes(&state.header, &h, sizeof h));
    EXPECT_EQ(state.mapWidth, 5u);
    EXPECT_EQ(state.mapHeight, 3u);
    EXPECT_EQ(state.mapSize, 30u);
    ASSERT_EQ(state.mapBuffer.size(), 30u);
    for (size_t i = 0; i < 15; ++i) EXPECT_EQ(readLe16(&state.mapBuffer[2 * i]), c.map[i]);

    ASSERT_EQ(state.rsm.size(), 2u);
    ASSERT_EQ(state.otm.size(), 2u);
    ASSERT_EQ(state.items.size(), 3u);
    EXPECT_TRUE(sameBytes(state.rsm.data(), c.rsm.data(), 20));
    EXPECT_TRUE(sameBytes(state.otm.data(), c.otm.data(), 24));
    EXPECT_TRUE(sameBytes(state.items.data(), c.items.data(), 15));
    EXPECT_TRUE(sameBytes(state.victims.data(), c.victims.data(), 120));
    EXPECT_EQ(state.bonus, (std::vector<uint16_t>{4, 10, 32}));

    // The start points become victim records 10 and 11.
    EXPECT_EQ(state.victims[10].x, 120);
    EXPECT_EQ(state.victims[10].y, 180);
    EXPECT_EQ(state.victims[10].code, 0u);
    EXPECT_EQ(state.victims[11].x, 160);
    EXPECT_EQ(state.victims[11].y, 190);
    EXPECT_EQ(state.victims[11].code, 1u);

    // Slot 0 takes the first cell's low byte; the other slots keep theirs.
    EXPECT_EQ(state.clipboard.index, 0u);
    EXPECT_EQ(state.clipboard.tiles[0], c.map[0] & 0xFF);
    EXPECT_EQ(state.clipboard.tiles[1], 9);
    EXPECT_EQ(state.clipboard.tiles[9], 9);
}

// Lays a level out, then moves its list pointers to the given distances.
class ListCounts : public LevelFixture {
protected:
    void loadWithGaps(int rsmGap, int otmGap) {
        LevelContent c = sampleLevel();
        rom.addLevel(0, c);
        LevelHeader h = rom.readHeader(0);
        h.rsmList = static_cast<uint16_t>(h.victimBlock - rsmGap);
        h.itemList = static_cast<uint16_t>(h.victimBlock + otmGap);
        // An item list with one record at its new place.
        uint8_t* items = rom.image.data() + shortPointerOffset(h.itemList);
        std::memset(items, 0, 10);
        items[0] = 1;
        rom.writeHeader(0, h);
        openAndLoad(0);
    }
};

TEST_F(ListCounts, RsmLengthRoundsDownAndNeedsRoomForItsEnd) {
    loadWithGaps(12, 122);
    EXPECT_EQ(state.rsm.size(), 1u);
}

TEST_F(ListCounts, RsmGapOfElevenHoldsNoRecord) {
    loadWithGaps(11, 122);
    EXPECT_EQ(state.rsm.size(), 0u);
}

TEST_F(ListCounts, RsmGapOfTwoOrNoneHoldsNoRecord) {
    loadWithGaps(0, 122);
    EXPECT_EQ(state.rsm.size(), 0u);
}

TEST_F(ListCounts, OtmLengthFollowsTheItemPointer) {
    loadWithGaps(2, 134);
    EXPECT_EQ(state.otm.size(), 1u);
}

TEST_F(ListCounts, OtmGapOf122HoldsNoRecord) {
    loadWithGaps(2, 122);
    EXPECT_EQ(state.otm.size(), 0u);
}

TEST_F(ListCounts, ItemListEndsAtTheFirstZeroX) {
    LevelContent c = sampleLevel();
    c.items[1].x = 0;  // y stays non-zero: the list still ends here
    rom.addLevel(0, c);
    c.items.clear();
    rom.addLevel(1, c);
    openAndLoad(0);
    EXPECT_EQ(state.items.size(), 1u);
    std::string why;
    ASSERT_TRUE(loadLevelData(state, 1, why)) << why;
    EXPECT_TRUE(state.items.empty());
}

TEST_F(ListCounts, BonusListsOfThreeAndNone) {
    LevelContent c = sampleLevel();
    rom.addLevel(0, c);
    c.hasBonus = false;
    rom.addLevel(1, c);
    openAndLoad(0);
    EXPECT_EQ(state.bonus.size(), 3u);
    std::string why;
    ASSERT_TRUE(loadLevelData(state, 1, why)) << why;
    EXPECT_TRUE(state.bonus.empty());
    EXPECT_EQ(state.header.bonusList, 0);
}

TEST_F(LevelLoad, KeepHeaderReloadsDataButKeepsTheWorkingHeader) {
    rom.addLevel(2, sampleLevel());
    openAndLoad(2);
    state.header.tileset = 0x9C8000;
    state.header.music = 11;
    state.items[0].x = 999;
    state.keepHeader = true;
    std::string why;
    ASSERT_TRUE(loadLevelData(state, 2, why)) << why;
    EXPECT_EQ(state.header.tileset, 0x9C8000u);
    EXPECT_EQ(state.header.music, 11);
    EXPECT_EQ(state.items[0].x, 32);  // the lists come from the image again
}

// A level that fails a check is refused with a "Level N: " text, and the level
// loaded before stays exactly as it was.
class Refusal : public LevelFixture {
protected:
    void SetUp() override {
        rom.addLevel(0, sampleLevel());
        rom.addLevel(7, sampleLevel());
    }
    void expectRefused(uint32_t level, const std::string& text) {
        openAndLoad(0);
        state.items[0].x = 4242;  // an unsaved edit must survive the refusal
        LevelState before;
        before.header = state.header;
        std::string why;
        EXPECT_FALSE(loadLevelData(state, level, why));
        EXPECT_EQ(why, text);
        EXPECT_EQ(state.currentLevel, 0u);
        EXPECT_TRUE(state.levelLoaded);
        EXPECT_TRUE(sameBytes(&state.header, &before.header, sizeof(LevelHeader)));
        EXPECT_EQ(state.items[0].x, 4242);
        EXPECT_EQ(state.mapSize, 30u);
        EXPECT_EQ(state.bonus.size(), 3u);
    }
    LevelHeader header7() { return rom.readHeader(7); }
};

TEST_F(Refusal, MapPastTheEnd) {
    LevelHeader h = header7();
    h.mapPointer = longPointerFor(kBank9FEnd - 20);
    rom.writeHeader(7, h);
    expectRefused(7, "Level 7: the tile map lies outside vurk.smc");
}

TEST_F(Refusal, MapPointerThatWrapsAround) {
    LevelHeader h = header7();
    h.mapPointer = 0x00000010;  // not a ROM address: the offset wraps in 32 bits
    rom.writeHeader(7, h);
    expectRefused(7, "Level 7: the tile map lies outside vurk.smc");
}

TEST_F(Refusal, EmptyMap) {
    LevelHeader h = header7();
    h.height = 0;
    rom.writeHeader(7, h);
    expectRefused(7, "Level 7: the map has no cells");
}

TEST_F(Refusal, MapTooLargeToShow) {
    LevelHeader h = header7();
    for (auto [w, h16] : {std::pair{1025, 1}, std::pair{3, 1025}}) {
        h.width = static_cast<uint16_t>(w);
        h.height = static_cast<uint16_t>(h16);
        rom.writeHeader(7, h);
        expectRefused(7, "Level 7: the map is too large to show (" + std::to_string(w) + " x " + std::to_string(h16) +
                             " cells; at most 1024 a side)");
    }
}

TEST_F(Refusal, ListsOutOfOrder) {
    LevelHeader h = header7();
    std::swap(h.rsmList, h.itemList);
    rom.writeHeader(7, h);
    expectRefused(7, "Level 7: the object lists are not in the order rsm list, victims, otm list, items");

    h = rom.readHeader(0);
    h.itemList = static_cast<uint16_t>(h.victimBlock + 100);  // inside the victim block
    rom.writeHeader(7, h);
    expectRefused(7, "Level 7: the object lists are not in the order rsm list, victims, otm list, items");
}

TEST_F(Refusal, ItemListWithoutEnd) {
    LevelHeader h = header7();
    h.itemList = 0xFFF0;
    rom.writeHeader(7, h);
    std::memset(rom.image.data() + shortPointerOffset(0xFFF0), 0x11, 16);
    expectRefused(7, "Level 7: the item list runs past the end of vurk.smc");
}

TEST_F(Refusal, BonusListWithoutEnd) {
    LevelHeader h = header7();
    h.bonusList = 0xFFFC;
    rom.writeHeader(7, h);
    std::memset(rom.image.data() + shortPointerOffset(0xFFFC), 0x11, 4);
    expectRefused(7, "Level 7: the bonus list runs past the end of vurk.smc");
}

TEST_F(Refusal, ListsBeyondAShortImage) {
    // The image ends inside bank $9F, before level 7's victim block.
    LevelHeader h = header7();
    uint32_t cut = shortPointerOffset(h.victimBlock) + 60;
    rom.image.resize(cut);
    expectRefused(7, "Level 7: the victim block lies outside vurk.smc");
}

TEST_F(Refusal, HeaderBeyondAShortImage) {
    writeLe16(rom.image.data() + kLevelTableOffset + 2 * 7, 0xFFF0);
    expectRefused(7, "Level 7: the level header lies outside vurk.smc");
}

TEST_F(Refusal, LevelNumbersPast55) {
    expectRefused(56, "Level 56: there is no such level (0 to 55)");
}

TEST(LevelLoadWithoutImage, IsRefused) {
    LevelState s;
    std::string why;
    EXPECT_FALSE(loadLevelData(s, 0, why));
    EXPECT_FALSE(s.levelLoaded);
}

}  // namespace
}  // namespace vurk
