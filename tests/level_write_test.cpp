#include <gtest/gtest.h>

#include "tests/support/level_fixture.h"

namespace vurk {
namespace {

using test::sampleLevel;

// Offsets at which two images differ.
std::vector<size_t> changedOffsets(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    std::vector<size_t> out;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] != b[i]) out.push_back(i);
    }
    return out;
}

class WriteLevel : public test::LevelFixture {};

TEST_F(WriteLevel, EditsChangeExactlyTheirBytes) {
    rom.addLevel(0, sampleLevel());
    LevelAddresses at = rom.addLevel(1, sampleLevel());
    openAndLoad(1);
    auto before = imageOnDisk();
    const uint32_t header = shortPointerOffset(at.header);

    state.mapBuffer[2 * 4] = 0x77;                  // cell 4's tile
    state.items[2].type = 58;                        // last item's type
    state.victims[9].code = 0x838888;                // last victim's kind: 99 96 83 becomes 88 88 83
    state.otm[1].y = 0x0102;                         // otm 1's y
    state.rsm[0].radius = 200;                       // rsm 0's radius
    state.victims[kStart1Record].x = 0x1234;         // the players' starts
    state.victims[kStart2Record].x = 0x4321;
    state.bonus[2] = 0;                              // a freed bonus slot
    ASSERT_TRUE(writeLevel(state));

    const uint32_t victims = state.regions.victims;
    std::vector<size_t> expected = {at.mapOffset + 8,          state.regions.items + 2 * 5 + 4, victims + 9 * 12 + 8,
                                    victims + 9 * 12 + 9,       state.regions.otm + 12 + 2,      state.regions.otm + 12 + 3,
                                    state.regions.rsm + 5,      header + 42, header + 43,        header + 46, header + 47,
                                    state.regions.bonus + 4};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(changedOffsets(before, imageOnDisk()), expected);
    // The working header now carries the moved start points too.
    EXPECT_EQ((std::pair<int, int>(state.header.start1X, state.header.start2X)), std::pair(0x1234, 0x4321));
}

TEST_F(WriteLevel, EmptyListsWriteOnlyMapVictimsAndHeader) {
    LevelContent c;
    c.hasBonus = false;
    for (int i = 0; i < kVictimCount; ++i) c.victims[i].x = static_cast<uint16_t>(i + 1);
    LevelAddresses at = rom.addLevel(5, c);
    openAndLoad(5);
    ASSERT_TRUE(state.items.empty() && state.otm.empty() && state.rsm.empty() && state.bonus.empty());
    for (auto& b : state.mapBuffer) b = static_cast<uint8_t>(~b);
    for (int i = 0; i < kVictimCount; ++i) state.victims[i].y = 0x5555;
    state.victims[kStart2Record].y = 0x4444;
    auto before = imageOnDisk();
    ASSERT_TRUE(writeLevel(state));

    const uint32_t header = shortPointerOffset(at.header);
    for (size_t off : changedOffsets(before, imageOnDisk())) {
        bool inMap = off >= at.mapOffset && off < at.mapOffset + state.mapSize;
        bool inVictims = off >= state.regions.victims && off < state.regions.victims + 120;
        bool inHeader = off >= header && off < header + sizeof(LevelHeader);
        EXPECT_TRUE(inMap || inVictims || inHeader) << "changed byte at " << std::hex << off;
    }
    auto after = imageOnDisk();
    EXPECT_EQ(readLe16(&after[header + 48]), 0x4444);
}

}  // namespace
}  // namespace vurk
