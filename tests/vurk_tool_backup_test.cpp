// vurk-tool backups, restore and diff, end to end on images laid out by the tests.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <filesystem>

#include "tests/support/level_fixture.h"
#include "tests/support/run_tool.h"

namespace vurk {
namespace {

namespace fs = std::filesystem;
using test::readFileBytes;
using test::runTool;
using test::sampleLevel;
using test::ToolRun;
using test::writeFileBytes;

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ToolBackups : public ::testing::Test {
protected:
    void SetUp() override {
        for (uint32_t level = 0; level < 3; ++level) at.push_back(rom.addLevel(level, sampleLevel()));
        original = rom.image;
        writeFileBytes("before.smc", original);
        // Level 1 and level 2 edited: a cell and a header field, an item moved.
        rom.image[at[1].mapOffset + 2 * 6] = 0x55;
        rom.image[shortPointerOffset(at[1].header) + 50] = 9;  // music
        // Item 0's x (32 becomes 96), behind two rsm records, the victims and two otm records.
        rom.image[shortPointerOffset(at[2].rsmList) + 22 + 120 + 26] ^= 0x40;
        rom.image[0x1000] ^= 1;  // a byte of no level
        ASSERT_TRUE(rom.save("vurk.smc"));
        edited = rom.image;
        fs::create_directory("maps");
    }
    size_t backupCount() const { return fs::exists("backups") ? listRestorePoints("backups").size() : 0; }

    test::WorkDir dir;
    RomBuilder rom;
    std::vector<LevelAddresses> at;
    std::vector<uint8_t> original, edited;
};

TEST_F(ToolBackups, RestoringOneLevelChangesOnlyItsRegions) {
    ToolRun r = runTool("restore before.smc --level 1");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto now = readFileBytes("vurk.smc");
    std::vector<uint8_t> expected = edited;
    expected[at[1].mapOffset + 2 * 6] = original[at[1].mapOffset + 2 * 6];
    expected[shortPointerOffset(at[1].header) + 50] = original[shortPointerOffset(at[1].header) + 50];
    EXPECT_EQ(now, expected);  // level 2's edit stays

    // The restore made a restore point of the image as it was.
    const auto points = listRestorePoints("backups");
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(readFileBytes(points[0].path), edited);
    EXPECT_TRUE(has(r.out, points[0].path)) << r.out;

    ToolRun list = runTool("backups");
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_TRUE(has(list.out, points[0].path + "  " + points[0].when + "  level 1 differs")) << list.out;
}

// Level 1's rsm list after its item list: the loader finds no rsm records, and
// restoring the level copies the pieces it found and no other byte.
TEST_F(ToolBackups, RestoringALevelWhoseRsmListLiesAfterItsItems) {
    LevelHeader h = rom.readHeader(1);
    h.rsmList = static_cast<uint16_t>(h.itemList + 16);
    rom.writeHeader(1, h);
    ASSERT_TRUE(rom.save("vurk.smc"));
    std::vector<uint8_t> expected = rom.image;
    rom.image[at[1].mapOffset] ^= 1;
    expected[at[1].mapOffset] ^= 1;
    rom.image[shortPointerOffset(at[1].rsmList)] ^= 1;  // no longer level 1's
    ASSERT_TRUE(rom.save("copy.smc"));

    ToolRun r = runTool("restore copy.smc --level 1");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFileBytes("vurk.smc"), expected);
}

// A command that changes no byte of the image makes no restore point and
// removes none (with keep=2, two no-op restores would rotate out the copy of
// the edits); each says what it did.
TEST_F(ToolBackups, OnlyCommandsThatChangeBytesMakeRestorePoints) {
    writeFileBytes("vurk.ini", {'[', 'b', 'a', 'c', 'k', 'u', 'p', 's', ']', '\n', 'k', 'e', 'e', 'p', '=', '2'});
    ToolRun first = runTool("restore before.smc");
    ASSERT_EQ(first.status, 0) << first.err;
    const std::vector<RestorePointFile> made = listRestorePoints("backups");
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(first.out, "restored before.smc; vurk.smc as it was is in " + made[0].path + "\n");
    EXPECT_EQ(readFileBytes("vurk.smc"), original);
    const struct {
        const char* args;
        std::string out;
    } cases[] = {
        {"restore vurk.smc", "vurk.smc is already as in vurk.smc; nothing was written\n"},
        {"restore before.smc --level 1", "level 1 of vurk.smc is already as in before.smc; nothing was written\n"},
        {"export 0", "exported level 0 to maps/level00.vmap\n"},
        {"import 0", "level 0 of vurk.smc already holds maps/level00.vmap; nothing was written\n"},
        {"restore vurk.smc", "vurk.smc is already as in vurk.smc; nothing was written\n"},
    };
    for (const auto& c : cases) {
        ToolRun r = runTool(c.args);
        EXPECT_EQ(r.status, 0) << c.args << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
    EXPECT_EQ(readFileBytes("vurk.smc"), original);
    ASSERT_EQ(backupCount(), 1u);
    EXPECT_EQ(listRestorePoints("backups")[0].path, made[0].path);
    EXPECT_EQ(readFileBytes(made[0].path), edited);

    auto vmap = readFileBytes("maps/level00.vmap");
    vmap.back() ^= 1;
    writeFileBytes("maps/level00.vmap", vmap);
    ToolRun r = runTool("import 0");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("imported maps/level00.vmap into level 0; vurk.smc as it was is in backups/vurk-", 0), 0u)
        << r.out;
    EXPECT_EQ(backupCount(), 2u);
}

TEST_F(ToolBackups, DiffReportsWhatChangedWithTheStatusOfDiff) {
    EXPECT_EQ(runTool("diff before.smc before.smc").status, 0);
    ToolRun same = runTool("diff vurk.smc vurk.smc --level 1");
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(same.out, "");

    ToolRun r = runTool("diff before.smc vurk.smc");
    EXPECT_EQ(r.status, 1) << r.err;
    const uint16_t cell = readLe16(original.data() + at[1].mapOffset + 12);
    char cellLine[64];
    std::snprintf(cellLine, sizeof cellLine, "  cell (1,1): 0x%04x -> 0x%04x\n", cell, (cell & 0xFF00) | 0x55);
    EXPECT_TRUE(has(r.out, std::string("level 1\n  header: music 7 -> 9\n") + cellLine)) << r.out;
    EXPECT_TRUE(has(r.out, "level 2\n  item 0: moved (32,96) -> (96,96)\noutside the levels: 1 bytes differ\n"))
        << r.out;
    EXPECT_FALSE(has(r.out, "level 0")) << r.out;

    // Level 0's header copied elsewhere and its table entry moved, level 1's
    // item list empty (its first x is 0): diff and backups compare a list with
    // none (in the sanitizer build, with no pointer past the empty one), and the
    // level table is reported.
    std::vector<uint8_t> other = original;
    const uint32_t header0 = shortPointerOffset(at[0].header), copy = 0xF9000;
    std::copy_n(original.begin() + header0, sizeof(LevelHeader), other.begin() + copy);
    writeLe16(other.data() + kLevelTableOffset, static_cast<uint16_t>(copy - kBank9FBase));
    writeLe16(other.data() + shortPointerOffset(at[1].rsmList) + 22 + 120 + 26, 0);
    writeFileBytes("other.smc", other);
    ToolRun t = runTool("diff before.smc other.smc");
    EXPECT_EQ(t.status, 1) << t.err;
    EXPECT_EQ(t.out,
              "level 1\n  item 0: removed at (32,96), type 0\n  item 1: removed at (96,96), type 2\n"
              "  item 2: removed at (160,96), type 4\nlevel table: level 0's header 0x0f8300 -> 0x0f9000\n");
    fs::create_directory("backups");
    fs::copy_file("other.smc", "backups/vurk-20260101-120000.smc");
    ToolRun list = runTool("backups");
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_TRUE(has(list.out, "levels 1, 2 differ")) << list.out;

    std::vector<uint8_t> refused = original;
    writeLe16(refused.data() + shortPointerOffset(at[0].header) + 34, 0);  // width 0
    writeFileBytes("refused.smc", refused);
    ToolRun z = runTool("diff before.smc refused.smc");
    EXPECT_EQ(z.status, 1);
    EXPECT_EQ(z.out, "level 0\n  before.smc: loads\n  refused.smc: refused: Level 0: the map has no cells\n");

    // A VMAP is laid over the same level of the other side.
    ASSERT_EQ(runTool("export 2").status, 0);
    ToolRun v = runTool("diff before.smc maps/level02.vmap");
    EXPECT_EQ(v.status, 1);
    EXPECT_EQ(v.out, "level 2\n  item 0: moved (32,96) -> (96,96)\n");
    EXPECT_EQ(runTool("diff vurk.smc maps/level02.vmap").status, 0);
}

// Refused restores exit 1 and diff's errors 2; neither changes the image nor
// makes a restore point.
TEST_F(ToolBackups, RefusalsAndErrorsChangeNothing) {
    RomBuilder moved;
    moved.addLevel(0, sampleLevel());
    LevelContent bigger = sampleLevel();
    bigger.items.push_back(bigger.items[0]);  // the item list grows: the lists end elsewhere
    moved.addLevel(1, bigger);
    ASSERT_TRUE(moved.save("moved.smc"));
    writeFileBytes("short.smc", std::vector<uint8_t>(original.begin(), original.end() - 1));
    ASSERT_EQ(runTool("export 2").status, 0);
    writeFileBytes("bad.vmap", {'V', 'M', 'A', 'P', 0xFD, 0xFF, 0xFF, 0xFF});  // level 2, cut short

    const struct {
        const char* args;
        int status;
        const char* says;
    } cases[] = {
        {"restore short.smc", 1, "it is not a restore point of this image"},
        {"restore moved.smc --level 1", 1, "level 1's item list lies elsewhere or has another size"},
        {"restore missing.smc", 1, "could not read missing.smc"},
        {"restore before.smc --level 56", 1, "the level must be a number from 0 to 55"},
        {"diff before.smc", 2, "give two files"},
        {"diff before.smc missing.smc", 2, "could not read missing.smc"},
        {"diff before.smc maps/level02.vmap --level 1", 2, "holds level 2, not level 1"},
        {"diff before.smc bad.vmap", 2, "Error in vmap file"},
        {"diff before.smc vurk.smc --png out.png", 2, "give --level N too"},
        {"diff before.smc vurk.smc --level 1 --png out.png", 2, "Could not find..."},  // no tile sheets here
    };
    for (const auto& c : cases) {
        ToolRun r = runTool(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_TRUE(has(r.err, c.says)) << c.args << ": " << r.err;
    }
    EXPECT_EQ(readFileBytes("vurk.smc"), edited);
    EXPECT_EQ(backupCount(), 0u);
}

TEST(ToolDiffPicture, OutlinesTheChangedCells) {
    test::WorkDir dir;
    ASSERT_EQ(test::runDemoMaker(".").status, 0);
    ASSERT_EQ(runTool("export 1").status, 0);
    auto vmap = readFileBytes("maps/level01.vmap");
    vmap[vmap.size() - 2] ^= 1;  // the last cell
    writeFileBytes("maps/level01.vmap", vmap);

    ToolRun r = runTool("diff vurk.smc maps/level01.vmap --png diff.png");
    EXPECT_EQ(r.status, 1) << r.err;
    const QImage picture("diff.png");
    ASSERT_FALSE(picture.isNull());
    const int x = picture.width() - 64, y = picture.height() - 64;
    for (auto [px, py] : {std::pair{x, y}, {x + 2, y + 30}, {x + 63, y + 30}, {x + 30, y + 63}}) {
        EXPECT_EQ(picture.pixel(px, py) & 0xFFFFFFu, 0xFF00FFu) << px << "," << py;
    }
    EXPECT_NE(picture.pixel(x + 30, y + 30) & 0xFFFFFFu, 0xFF00FFu);
    EXPECT_NE(picture.pixel(x - 30, y + 30) & 0xFFFFFFu, 0xFF00FFu);

    // A sheet that does not decode is named, and no picture is written.
    fs::remove("diff.png");
    auto sheet = readFileBytes("tiles/victims.png");
    const auto idat = std::search(sheet.begin(), sheet.end(), std::begin("IDAT"), std::end("IDAT") - 1);
    ASSERT_NE(idat, sheet.end());
    idat[4] = 0x88;  // the zlib header's method
    writeFileBytes("tiles/victims.png", sheet);
    r = runTool("diff vurk.smc maps/level01.vmap --png diff.png");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.err, "could not decode .\\tiles\\victims.png: its image data is damaged")) << r.err;
    EXPECT_FALSE(fs::exists("diff.png"));
}

}  // namespace
}  // namespace vurk
