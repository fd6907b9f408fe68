#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

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

    // A level without lists: header, victims and map.
    LevelContent c;
    c.width = 3;
    c.height = 2;
    rom.addLevel(9, c);
    closeRomImage(state.rom);
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

// A missing file, and a FIFO that is not waited for, read as missing; a
// missing folder fails the write.
TEST_F(Vmap, MissingFileFifoAndFolderAreReported) {
    openAndLoad(1);
    EXPECT_FALSE(readVmapData(state, shell));
    expectOneBox("Could not find vmap for this level");

    shell.boxes.clear();
    ASSERT_EQ(::mkfifo("maps/level01.vmap", 0600), 0);
    alarm(20);  // a read that waits for a writer ends the test here
    EXPECT_FALSE(readVmapData(state, shell));
    alarm(0);
    expectOneBox("Could not find vmap for this level");

    shell.boxes.clear();
    std::filesystem::remove_all("maps");
    EXPECT_FALSE(writeVmap(state, shell));
    expectOneBox("Could not open vmap file");
}

// Each damaged file is refused with "Error in vmap file" and changes nothing.
TEST_F(Vmap, DamagedFilesAreRefusedAndChangeNothing) {
    const struct {
        const char* what;
        void (*damage)(std::vector<uint8_t>& f);
        off_t sparseSize;  // not 0: the file is then made this long, without writing the bytes
        const char* reason;
    } cases[] = {
        {"file of another level", [](std::vector<uint8_t>& f) { writeLe32(&f[4], ~4u); }, 0,
         "belongs to level 4, not level 3"},
        {"wrong magic", [](std::vector<uint8_t>& f) { f[3] = 'X'; }, 0, "not a VMAP file"},
        {"other map size", [](std::vector<uint8_t>& f) { writeLe16(&f[16 + 34], 6); }, 0,
         "holds a 6 x 3 map, not 5 x 3"},
        {"other item count", [](std::vector<uint8_t>& f) { writeLe16(&f[8], 2); }, 0, "holds 2 items, 10 victims"},
        {"victim count not 10", [](std::vector<uint8_t>& f) { writeLe16(&f[10], 11); }, 0, "11 victims"},
        {"other rsm count", [](std::vector<uint8_t>& f) { writeLe16(&f[12], 3); }, 0, "and 3 rsm, the level"},
        {"other otm count", [](std::vector<uint8_t>& f) { writeLe16(&f[14], 1); }, 0, "1 otm and"},
        {"cut short", [](std::vector<uint8_t>& f) { f.pop_back(); }, 0, "ends after 284 of 285 bytes"},
        {"shorter than its header", [](std::vector<uint8_t>& f) { f.resize(40); }, 0, "ends after 40 of 285"},
        {"one byte too many", [](std::vector<uint8_t>& f) { f.push_back(0); }, 0,
         "longer than the 285 bytes of this level's file"},
        {"1 GiB", [](std::vector<uint8_t>&) {}, off_t{1} << 30, "longer than the 285 bytes"},
        // Its level is read before its size, as the loader reads them.
        {"longer file of another level", [](std::vector<uint8_t>& f) { writeLe32(&f[4], ~4u); }, off_t{1} << 30,
         "belongs to level 4, not level 3"},
    };
    openAndLoad(3);
    ASSERT_TRUE(writeVmap(state, shell));
    const auto good = readFileBytes("maps/level03.vmap");
    state.items[0].x = 4321;
    state.victims[kStart1Record].x = 1234;
    const auto mapBefore = state.mapBuffer;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto f = good;
        c.damage(f);
        writeFileBytes("maps/level03.vmap", f);
        if (c.sparseSize) {
            ASSERT_EQ(::truncate("maps/level03.vmap", c.sparseSize), 0);
        }
        shell.boxes.clear();
        std::string why;
        EXPECT_FALSE(readVmapData(state, shell, {}, &why));
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
        expectOneBox("Error in vmap file");
        EXPECT_EQ(state.items[0].x, 4321);
        EXPECT_EQ(state.victims[kStart1Record].x, 1234);
        EXPECT_EQ(state.mapBuffer, mapBefore);
    }
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
