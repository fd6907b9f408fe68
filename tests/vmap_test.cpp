#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "tests/support/fake_shell.h"
#include "tests/support/level_fixture.h"

namespace vurk {
namespace {

using test::FakeShell;
using test::LevelFixture;
using test::readFileBytes;
using test::sampleLevel;
using test::writeFileBytes;

class Vmap : public LevelFixture {
protected:
    void SetUp() override {
        std::filesystem::create_directory("maps");
        for (uint32_t level = 0; level < 5; ++level) rom.addLevel(level, sampleLevel());
    }
    void expectOneBox(const char* text) {
        ASSERT_EQ(shell.boxes.size(), 1u);
        EXPECT_EQ(shell.boxes[0].text, text);
        EXPECT_EQ(shell.boxes[0].caption, "Error");
        EXPECT_EQ(shell.boxes[0].buttons, BoxButtons::Ok);
        EXPECT_EQ(shell.boxes[0].owner, BoxOwner::MainWindow);
    }
    FakeShell shell;
};

TEST_F(Vmap, PathsAreTwoDigitLevelNumbers) {
    EXPECT_EQ(vmapPath(3), ".\\maps\\level03.vmap");
    EXPECT_EQ(vmapPath(55), ".\\maps\\level55.vmap");
}

TEST_F(Vmap, FileLayout) {
    openAndLoad(3);
    state.victims[kStart1Record].x = 0xBEEF;
    ASSERT_TRUE(writeVmap(state, shell));
    EXPECT_TRUE(shell.boxes.empty());
    auto f = readFileBytes("maps/level03.vmap");
    ASSERT_EQ(f.size(), 76u + 20 + 120 + 24 + 15 + 30);
    EXPECT_EQ(std::memcmp(f.data(), "VMAP", 4), 0);
    EXPECT_EQ(readLe32(&f[4]), 0xFFFFFFFCu);
    EXPECT_EQ(readLe16(&f[8]), 3);   // items
    EXPECT_EQ(readLe16(&f[10]), 10); // victims
    EXPECT_EQ(readLe16(&f[12]), 2);  // rsm
    EXPECT_EQ(readLe16(&f[14]), 2);  // otm
    EXPECT_EQ(readLe16(&f[16 + 42]), 0xBEEF);  // start point in the header copy
    EXPECT_NE(state.header.start1X, 0xBEEF);   // the working header is not changed
    // rsm, victims, otm, items, map.
    EXPECT_EQ(std::memcmp(&f[76], state.rsm.data(), 20), 0);
    EXPECT_EQ(std::memcmp(&f[96], state.victims.data(), 120), 0);
    EXPECT_EQ(std::memcmp(&f[216], state.otm.data(), 24), 0);
    EXPECT_EQ(std::memcmp(&f[240], state.items.data(), 15), 0);
    EXPECT_EQ(std::memcmp(&f[255], state.mapBuffer.data(), 30), 0);
}

TEST_F(Vmap, LevelWithoutListsGivesHeaderVictimsAndMap) {
    LevelContent c;
    c.width = 3;
    c.height = 2;
    rom.addLevel(9, c);
    openAndLoad(9);
    ASSERT_TRUE(writeVmap(state, shell));
    EXPECT_EQ(readFileBytes("maps/level09.vmap").size(), 76u + 120 + 12);
}

TEST_F(Vmap, RoundTripRestoresListsMapAndStartPointsOnly) {
    openAndLoad(2);
    state.items[1].x = 500;
    state.otm[0].code = 0x82DD52;
    state.rsm[1].delay = 99;
    state.victims[4].y = 33;
    state.victims[kStart2Record].y = 1000;
    state.mapBuffer[3] = 0xAB;
    ASSERT_TRUE(writeVmap(state, shell));
    const auto items = state.items;
    const auto otm = state.otm;
    const auto rsm = state.rsm;
    const auto victims = state.victims;
    const auto map = state.mapBuffer;

    std::string why;
    ASSERT_TRUE(loadLevelData(state, 2, why)) << why;  // back to the image's data
    state.header.music = 9;                             // a header edit the file must not undo
    ASSERT_TRUE(readVmapData(state, shell));
    EXPECT_TRUE(shell.boxes.empty());
    EXPECT_EQ(std::memcmp(state.items.data(), items.data(), 15), 0);
    EXPECT_EQ(std::memcmp(state.otm.data(), otm.data(), 24), 0);
    EXPECT_EQ(std::memcmp(state.rsm.data(), rsm.data(), 20), 0);
    EXPECT_EQ(std::memcmp(state.victims.data(), victims.data(), sizeof(VictimArray)), 0);
    EXPECT_EQ(state.mapBuffer, map);
    EXPECT_EQ(state.header.music, 9);
    EXPECT_EQ(state.header.start2Y, 190);  // the working header keeps its own start points
}

TEST_F(Vmap, MissingFileIsReported) {
    openAndLoad(1);
    EXPECT_FALSE(readVmapData(state, shell));
    expectOneBox("Could not find vmap for this level");
}

TEST_F(Vmap, MissingFolderIsReportedOnWrite) {
    std::filesystem::remove("maps");
    openAndLoad(1);
    EXPECT_FALSE(writeVmap(state, shell));
    expectOneBox("Could not open vmap file");
}

// Each damaged file is refused with "Error in vmap file" and changes nothing.
class VmapRefusal : public Vmap {
protected:
    void expectRefused(const std::function<void(std::vector<uint8_t>&)>& damage) {
        openAndLoad(3);
        ASSERT_TRUE(writeVmap(state, shell));
        auto f = readFileBytes("maps/level03.vmap");
        damage(f);
        writeFileBytes("maps/level03.vmap", f);
        state.items[0].x = 4321;
        state.victims[kStart1Record].x = 1234;
        auto mapBefore = state.mapBuffer;
        EXPECT_FALSE(readVmapData(state, shell));
        expectOneBox("Error in vmap file");
        EXPECT_EQ(state.items[0].x, 4321);
        EXPECT_EQ(state.victims[kStart1Record].x, 1234);
        EXPECT_EQ(state.mapBuffer, mapBefore);
    }
};

TEST_F(VmapRefusal, FileOfAnotherLevel) {
    expectRefused([](std::vector<uint8_t>& f) { writeLe32(&f[4], ~4u); });
}
TEST_F(VmapRefusal, WrongMagic) {
    expectRefused([](std::vector<uint8_t>& f) { f[3] = 'X'; });
}
TEST_F(VmapRefusal, OtherMapSize) {
    expectRefused([](std::vector<uint8_t>& f) { writeLe16(&f[16 + 34], 6); });
}
TEST_F(VmapRefusal, OtherItemCount) {
    expectRefused([](std::vector<uint8_t>& f) { writeLe16(&f[8], 2); });
}
TEST_F(VmapRefusal, VictimCountNotTen) {
    expectRefused([](std::vector<uint8_t>& f) { writeLe16(&f[10], 11); });
}
TEST_F(VmapRefusal, OtherRsmCount) {
    expectRefused([](std::vector<uint8_t>& f) { writeLe16(&f[12], 3); });
}
TEST_F(VmapRefusal, OtherOtmCount) {
    expectRefused([](std::vector<uint8_t>& f) { writeLe16(&f[14], 1); });
}
TEST_F(VmapRefusal, FileCutShort) {
    expectRefused([](std::vector<uint8_t>& f) { f.pop_back(); });
}
TEST_F(VmapRefusal, ShorterThanItsHeader) {
    expectRefused([](std::vector<uint8_t>& f) { f.resize(40); });
}

TEST_F(Vmap, SameByteSizeOfOtherShapeIsTakenAsItIs) {
    // 5 x 3 cells and 3 x 5 cells hold the same number of bytes.
    openAndLoad(3);
    ASSERT_TRUE(writeVmap(state, shell));
    auto f = readFileBytes("maps/level03.vmap");
    writeLe16(&f[16 + 34], 3);
    writeLe16(&f[16 + 36], 5);
    f[255] = 0xC3;
    writeFileBytes("maps/level03.vmap", f);
    ASSERT_TRUE(readVmapData(state, shell));
    EXPECT_EQ(state.mapBuffer[0], 0xC3);
    EXPECT_EQ(state.mapWidth, 5u);
}

}  // namespace
}  // namespace vurk
