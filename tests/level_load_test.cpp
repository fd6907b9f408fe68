#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <tuple>

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

    EXPECT_EQ(std::pair(state.currentLevel, state.regions.header), std::pair(3u, shortPointerOffset(at.header)));
    LevelHeader h = rom.readHeader(3);
    EXPECT_TRUE(sameBytes(&state.header, &h, sizeof h));
    EXPECT_EQ(std::tuple(state.mapWidth, state.mapHeight, state.mapSize), std::tuple(5u, 3u, 30u));
    ASSERT_EQ(state.mapBuffer.size(), 30u);
    for (size_t i = 0; i < 15; ++i) EXPECT_EQ(readLe16(&state.mapBuffer[2 * i]), c.map[i]);

    ASSERT_EQ(std::tuple(state.rsm.size(), state.otm.size(), state.items.size()), std::tuple(2u, 2u, 3u));
    EXPECT_TRUE(sameBytes(state.rsm.data(), c.rsm.data(), 20));
    EXPECT_TRUE(sameBytes(state.otm.data(), c.otm.data(), 24));
    EXPECT_TRUE(sameBytes(state.items.data(), c.items.data(), 15));
    EXPECT_TRUE(sameBytes(state.victims.data(), c.victims.data(), 120));
    EXPECT_EQ(state.bonus, (std::vector<uint16_t>{4, 10, 32}));

    // The start points become victim records 10 and 11.
    const auto start = [&](int i) {
        return std::tuple<int, int, uint32_t>(state.victims[i].x, state.victims[i].y, state.victims[i].code);
    };
    EXPECT_EQ(start(10), std::make_tuple(120, 180, 0u));
    EXPECT_EQ(start(11), std::make_tuple(160, 190, 1u));

    // Slot 0 takes the first cell's low byte; the other slots keep theirs.
    EXPECT_EQ(state.clipboard.index, 0u);
    auto tiles = std::array<uint8_t, 10>{};
    tiles.fill(9);
    tiles[0] = static_cast<uint8_t>(c.map[0] & 0xFF);
    EXPECT_EQ(state.clipboard.tiles, tiles);
}

// Lays a level out, then moves its rsm and item list pointers to the given
// distances before and after the victim block.
TEST_F(LevelLoad, ListLengthsFollowTheListPointers) {
    struct Case {
        int rsmGap, otmGap;
        size_t rsm, otm, items;
    } cases[] = {
        {12, 122, 1, 0, 1},  // rsm: rounds down, and needs room for its end
        {11, 122, 0, 0, 1},
        {0, 122, 0, 0, 1},
        {-10, 122, 0, 0, 1},  // an rsm pointer after the victims: empty
        {2, 134, 0, 1, 1},    // otm: follows the item pointer
        {2, 100, 0, 0, 0},    // an empty item list may start inside the victims
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "gaps " << c.rsmGap << ", " << c.otmGap);
        rom = RomBuilder{};
        rom.addLevel(0, sampleLevel());
        LevelHeader h = rom.readHeader(0);
        h.rsmList = static_cast<uint16_t>(h.victimBlock - c.rsmGap);
        h.itemList = static_cast<uint16_t>(h.victimBlock + c.otmGap);
        uint8_t* items = rom.image.data() + shortPointerOffset(h.itemList);  // one item at the new place
        std::memset(items, 0, 2 + 5 * c.items);
        items[0] = static_cast<uint8_t>(c.items);
        rom.writeHeader(0, h);
        openAndLoad(0);
        EXPECT_EQ(std::tuple(state.rsm.size(), state.otm.size(), state.items.size()), std::tuple(c.rsm, c.otm, c.items));
    }
}

TEST_F(LevelLoad, LongThinMapsUpToTheCoordinateLimitLoad) {
    for (auto [w, h] : {std::pair{1024, 1}, std::pair{513, 1}, std::pair{1, 1024}}) {
        rom = RomBuilder{};
        LevelContent c = sampleLevel();
        c.width = static_cast<uint16_t>(w);
        c.height = static_cast<uint16_t>(h);
        c.map.clear();
        rom.addLevel(0, c);
        openAndLoad(0);
        EXPECT_EQ(state.mapSize, 2u * w * h) << w << " x " << h;
    }
}

TEST_F(LevelLoad, ItemListEndsAtTheFirstZeroXBonusListsMayBeMissingAndKeepHeaderKeepsIt) {
    LevelContent c = sampleLevel();
    rom.addLevel(2, c);
    c.items[1].x = 0;  // y stays non-zero: the list still ends here
    rom.addLevel(0, c);
    c.items.clear();
    c.hasBonus = false;
    rom.addLevel(1, c);
    openAndLoad(0);
    EXPECT_EQ(std::tuple(state.items.size(), state.bonus.size()), std::tuple(1u, 3u));
    std::string why;
    ASSERT_TRUE(loadLevelData(state, 1, why)) << why;
    EXPECT_EQ(std::tuple(state.items.size(), state.bonus.size(), state.header.bonusList), std::tuple(0u, 0u, 0));

    // Reloading with the working header kept: the lists come from the image again.
    ASSERT_TRUE(loadLevelData(state, 2, why)) << why;
    state.header.tileset = 0x9C8000;
    state.header.music = 11;
    state.items[0].x = 999;
    state.keepHeader = true;
    ASSERT_TRUE(loadLevelData(state, 2, why)) << why;
    EXPECT_EQ(std::tuple(state.header.tileset, state.header.music, state.items[0].x), std::tuple(0x9C8000u, 11, 32));
}

// A level that fails a check is refused with a "Level N: " text, and the level
// loaded before stays exactly as it was.
struct RefusalCase {
    const char* name;
    uint32_t level;
    void (*header)(LevelHeader& h);                          // level 7's header
    void (*image)(RomBuilder& rom, const LevelHeader& h);  // after the header is written back
    const char* text;
};

void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class Refusal : public LevelFixture, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, KeepsTheLevelBefore) {
    rom.addLevel(0, sampleLevel());
    rom.addLevel(7, sampleLevel());
    LevelHeader h = rom.readHeader(7);
    if (GetParam().header) GetParam().header(h);
    rom.writeHeader(7, h);
    if (GetParam().image) GetParam().image(rom, h);
    openAndLoad(0);
    state.items[0].x = 4242;  // an unsaved edit must survive the refusal
    const LevelHeader before = state.header;
    std::string why;
    EXPECT_FALSE(loadLevelData(state, GetParam().level, why));
    EXPECT_EQ(why, GetParam().text);
    EXPECT_TRUE(sameBytes(&state.header, &before, sizeof(LevelHeader)));
    EXPECT_EQ(std::tuple(state.currentLevel, state.levelLoaded, state.items[0].x, state.mapSize, state.bonus.size()),
              std::tuple(0u, true, 4242, 30u, 3u));
}

const char* const kOverlap = "Level 7: the object lists (rsm list, victims, otm list, items) overlap";

INSTANTIATE_TEST_SUITE_P(
    LevelLoad, Refusal,
    ::testing::Values(
        RefusalCase{"MapPastTheEnd", 7, [](LevelHeader& h) { h.mapPointer = longPointerFor(kBank9FEnd - 20); }, nullptr,
                    "Level 7: the tile map lies outside vurk.smc"},
        // Not a ROM address: the offset wraps in 32 bits.
        RefusalCase{"MapPointerThatWrapsAround", 7, [](LevelHeader& h) { h.mapPointer = 0x00000010; }, nullptr,
                    "Level 7: the tile map lies outside vurk.smc"},
        RefusalCase{"EmptyMap", 7, [](LevelHeader& h) { h.height = 0; }, nullptr, "Level 7: the map has no cells"},
        RefusalCase{"MapTooWide", 7, [](LevelHeader& h) { h.width = 1025, h.height = 1; }, nullptr,
                    "Level 7: the map is too large for 16-bit object coordinates (1025 x 1 cells; at most 1024 a side)"},
        RefusalCase{"MapTooHigh", 7, [](LevelHeader& h) { h.width = 3, h.height = 1025; }, nullptr,
                    "Level 7: the map is too large for 16-bit object coordinates (3 x 1025 cells; at most 1024 a side)"},
        RefusalCase{"ListsOutOfOrder", 7, [](LevelHeader& h) { std::swap(h.rsmList, h.itemList); }, nullptr,
                    kOverlap},
        RefusalCase{"ItemsInsideTheVictimBlock", 7,
                    [](LevelHeader& h) { h.itemList = static_cast<uint16_t>(h.victimBlock + 100); },
                    [](RomBuilder& rom, const LevelHeader& h) {  // one item, then the list's end
                        writeLe16(rom.image.data() + shortPointerOffset(h.itemList), 1);
                        writeLe16(rom.image.data() + shortPointerOffset(h.itemList) + 5, 0);
                    },
                    kOverlap},
        RefusalCase{"ItemListWithoutEnd", 7, [](LevelHeader& h) { h.itemList = 0xFFF0; },
                    [](RomBuilder& rom, const LevelHeader&) {
                        std::memset(rom.image.data() + shortPointerOffset(0xFFF0), 0x11, 16);
                    },
                    "Level 7: the item list runs past the end of vurk.smc"},
        RefusalCase{"BonusListWithoutEnd", 7, [](LevelHeader& h) { h.bonusList = 0xFFFC; },
                    [](RomBuilder& rom, const LevelHeader&) {
                        std::memset(rom.image.data() + shortPointerOffset(0xFFFC), 0x11, 4);
                    },
                    "Level 7: the bonus list runs past the end of vurk.smc"},
        // The image ends inside bank $9F, before level 7's victim block.
        RefusalCase{"ListsBeyondAShortImage", 7, nullptr,
                    [](RomBuilder& rom, const LevelHeader& h) {
                        rom.image.resize(shortPointerOffset(h.victimBlock) + 60);
                    },
                    "Level 7: the victim block lies outside vurk.smc"},
        RefusalCase{"HeaderBeyondAShortImage", 7, nullptr,
                    [](RomBuilder& rom, const LevelHeader&) {
                        writeLe16(rom.image.data() + kLevelTableOffset + 2 * 7, 0xFFF0);
                    },
                    "Level 7: the level header lies outside vurk.smc"},
        RefusalCase{"LevelNumbersPast55", 56, nullptr, nullptr, "Level 56: there is no such level (0 to 55)"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(LevelLoadWithoutImage, IsRefused) {
    LevelState s;
    std::string why;
    EXPECT_FALSE(loadLevelData(s, 0, why));
    EXPECT_FALSE(s.levelLoaded);
}

}  // namespace
}  // namespace vurk
