#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>

#include "platform/instance_lock.h"
#include "tests/support/file_holders.h"
#include "tests/support/level_fixture.h"
#include "tests/support/run_tool.h"

namespace vurk {
namespace {

using test::readFileBytes;
using test::runTool;
using test::sampleLevel;
using test::WorkDir;
using test::writeFileBytes;

class Tool : public ::testing::Test {
protected:
    void SetUp() override {
        for (uint32_t level = 0; level < kLevelCount; ++level) {
            LevelContent c = sampleLevel();
            c.width = static_cast<uint16_t>(1 + level % 7);
            c.height = static_cast<uint16_t>(1 + level % 5);
            c.map.clear();
            c.hasBonus = level % 3 != 0;
            c.items.resize(level % 4);
            addresses.push_back(rom.addLevel(level, c));
        }
    }
    void save() { ASSERT_TRUE(rom.save("vurk.smc")); }
    QJsonObject dump(uint32_t level) {
        ToolRun r = runTool("dump " + std::to_string(level));
        EXPECT_EQ(r.status, 0) << r.err;
        QJsonParseError e{};
        QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &e);
        EXPECT_EQ(e.error, QJsonParseError::NoError) << r.out.substr(0, 200);
        return doc.object();
    }
    using ToolRun = test::ToolRun;

    WorkDir dir;
    RomBuilder rom;
    std::vector<LevelAddresses> addresses;
};

TEST_F(Tool, LevelsListsEveryLevelAndItsRefusalsWithStatusOne) {
    LevelHeader h = rom.readHeader(20);
    h.mapPointer = 0x9FFFFA;  // 14 bytes from 6 bytes before the end
    rom.writeHeader(20, h);
    save();
    ToolRun r = runTool("levels");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 56);
    char line[120];
    std::snprintf(line, sizeof line, "13  0x%06x  7x4  items 1  otm 2  rsm 2  bonus 3\n",
                  shortPointerOffset(addresses[13].header));
    EXPECT_NE(r.out.find(line), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("20  refused: Level 20: the tile map lies outside vurk.smc\n"), std::string::npos);
    EXPECT_NE(r.out.find("21  0x"), std::string::npos);
}

TEST_F(Tool, DumpShowsTheLevelAsLoaded) {
    save();
    QJsonObject o = dump(6);
    EXPECT_EQ(o["level"].toInt(), 6);
    EXPECT_EQ(o["headerOffset"].toInteger(), shortPointerOffset(addresses[6].header));
    QJsonObject h = o["header"].toObject();
    const QJsonObject header{{"tileset", 0x9AC000}, {"bgPalette", 0x9D1234}, {"width", 7}, {"height", 2},
                             {"mapPointer", qint64{longPointerFor(addresses[6].mapOffset)}}, {"music", 7},
                             {"start1X", 120}, {"bonusList", addresses[6].bonusList}};
    for (auto it = header.begin(); it != header.end(); ++it) EXPECT_EQ(h[it.key()], it.value()) << it.key().toStdString();
    ASSERT_EQ(o["items"].toArray().size(), 2);
    EXPECT_EQ(o["items"].toArray()[1].toObject()["type"].toInt(), 2);
    QJsonArray victims = o["victims"].toArray();
    ASSERT_EQ(victims.size(), 12);
    EXPECT_EQ(victims[3].toObject()["number"].toInt(), 4);
    EXPECT_EQ(victims[3].toObject()["code"].toInteger(), 0x839699);
    EXPECT_EQ(victims[11].toObject()["x"].toInt(), 160);
    EXPECT_EQ(victims[11].toObject()["code"].toInt(), 1);
    EXPECT_EQ(o["otm"].toArray()[1].toObject()["number"].toInt(), 0x31);
    EXPECT_EQ(o["rsm"].toArray()[0].toObject()["radius"].toInt(), 30);
    EXPECT_EQ(o["bonus"].toArray().size(), 0);  // every third level has no bonus list
    EXPECT_EQ(dump(7)["bonus"].toArray(), (QJsonArray{4, 10, 32}));
    QJsonArray map = o["map"].toArray();
    ASSERT_EQ(map.size(), 14);
    EXPECT_EQ(map[13].toInt(), 13);
}

TEST_F(Tool, ExportThenImportBringsEditsIntoTheImage) {
    save();
    std::filesystem::create_directory("maps");
    ToolRun r = runTool("export 4");
    ASSERT_EQ(r.status, 0) << r.err;
    auto f = readFileBytes("maps/level04.vmap");
    ASSERT_EQ(f.size(), 76u + 20 + 120 + 24 + 0 + 5 * 5 * 2);
    writeLe16(&f[16 + 46], 999);  // second player's start x
    writeLe16(&f[76 + 1], 640);   // rsm 0's x
    f.back() = 0x42;              // high byte of the last map cell
    writeFileBytes("maps/level04.vmap", f);

    auto before = readFileBytes("vurk.smc");
    r = runTool("import 4");
    ASSERT_EQ(r.status, 0) << r.err;
    auto after = readFileBytes("vurk.smc");
    EXPECT_NE(before, after);

    QJsonObject o = dump(4);
    EXPECT_EQ(o["header"].toObject()["start2X"].toInt(), 999);
    EXPECT_EQ(o["rsm"].toArray()[0].toObject()["x"].toInt(), 640);
    EXPECT_EQ(o["map"].toArray()[24].toInt(), 0x4200 + 24);
    // Importing the same file again changes nothing more.
    ASSERT_EQ(runTool("import 4").status, 0);
    EXPECT_EQ(readFileBytes("vurk.smc"), after);
}

TEST_F(Tool, ErrorsWriteNothing) {
    const auto failed = [](const char* args) {
        const ToolRun r = runTool(args);
        return std::pair(r.status, r.err);
    };
    EXPECT_EQ(failed("dump 1"), std::pair(1, std::string("Error: Could not find vurk.smc\n")));

    save();
    auto image = readFileBytes("vurk.smc");
    EXPECT_EQ(failed("import 2"), std::pair(1, std::string("Error: Could not find vmap for this level\n")));
    EXPECT_EQ(failed("export 2"), std::pair(1, std::string("Error: Could not open vmap file\n")));  // no maps folder

    std::filesystem::create_directory("maps");
    ASSERT_EQ(runTool("export 2").status, 0);
    std::filesystem::copy_file("maps/level02.vmap", "maps/level03.vmap");
    EXPECT_EQ(failed("import 3"), std::pair(1, std::string("Error in vmap file: belongs to level 2, not level 3\n")));
    auto vmap = readFileBytes("maps/level02.vmap");
    writeFileBytes("maps/level02.vmap", {vmap.begin(), vmap.begin() + 75});
    EXPECT_EQ(failed("import 2"),
              std::pair(1, "Error in vmap file: ends after 75 of " + std::to_string(vmap.size()) + " bytes\n"));
    for (const char* args : {"dump 56", "dump x", "dump", ""}) EXPECT_EQ(runTool(args).status, 1) << args;
    const ToolRun unknown = runTool("frobnicate");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err.rfind("unknown command: frobnicate\nusage:\n", 0), 0u) << unknown.err;
    EXPECT_EQ(readFileBytes("vurk.smc"), image);

    // A level that no longer loads is neither dumped nor imported.
    ASSERT_EQ(runTool("export 9").status, 0);
    LevelHeader h = rom.readHeader(9);
    h.itemList = static_cast<uint16_t>(h.victimBlock - 4);
    rom.writeHeader(9, h);
    save();
    image = readFileBytes("vurk.smc");
    const ToolRun r = runTool("import 9");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Level 9: the object lists (rsm list, victims, otm list, items) overlap"), std::string::npos) << r.err;
    EXPECT_EQ(runTool("dump 9").status, 1);
    EXPECT_EQ(readFileBytes("vurk.smc"), image);
}

// Commands that only read work on an image that may not be written, or that
// another program holds; those that write say why they do not.
TEST_F(Tool, ReadOnlyOrHeldImagesAreReadAndNotWritten) {
    save();
    std::filesystem::create_directory("maps");
    ASSERT_EQ(runTool("export 2").status, 0);
    const auto image = readFileBytes("vurk.smc");
    const auto check = [&](const std::string& refusal) {
        for (const char* args : {"levels", "dump 2", "find 2 --tile 0", "export 2"}) {
            const ToolRun r = runTool(args);
            EXPECT_EQ(r.status, 0) << args << ": " << r.err;
        }
        for (const char* args : {"import 2", "replace 2 --tile 0 1", "restore vurk.smc"}) {
            EXPECT_EQ(runTool(args).err, "Error: " + refusal + "\n") << args;
        }
        EXPECT_EQ(readFileBytes("vurk.smc"), image);
        EXPECT_FALSE(std::filesystem::exists("backups"));
    };
    for (const char* program : {"vurk-edit", "vurk-tool"}) {
        test::LockHolder holder(program, "vurk.smc");
        ASSERT_TRUE(holder.holds());
        check(program == std::string("vurk-edit")
                  ? "vurk.smc is open in VURK-Edit"
                  : "vurk.smc is open in another vurk-tool (process " + std::to_string(holder.pid()) + ")");
    }
    test::ReadOnlyFile readOnly("vurk.smc");
    if (!readOnly.made()) GTEST_SKIP() << "nothing here keeps this process from writing a file";
    check("vurk.smc is read-only; nothing was written");
}

TEST(ToolAndEditor, HelpAndVersionPrintAndEndWell) {
    WorkDir dir;
    ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    InstanceLock editorRunning;  // neither answer waits for or needs the lock
    ASSERT_TRUE(editorRunning.acquire());
    for (const char* arg : {"--help", "-h", "--version"}) {
        for (const char* program : {VURK_TOOL_PATH, VURK_EDIT_PATH}) {
            // No display: an editor that went on to open a window would say so and print no answer.
            test::ToolRun r = test::runProgram(std::string("env -u DISPLAY -u QT_QPA_PLATFORM ") + program, arg);
            EXPECT_EQ(r.status, 0) << program << " " << arg << r.err;
            EXPECT_EQ(r.err, "") << program << " " << arg;
            const bool version = std::string(arg) == "--version";
            EXPECT_NE(r.out.find(version ? " " VURK_VERSION "\n" : "usage:"), std::string::npos)
                << program << " " << arg << ": " << r.out;
        }
    }
}

}  // namespace
}  // namespace vurk
