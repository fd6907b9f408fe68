#include <gtest/gtest.h>

#include <filesystem>

#include "app/handlers.h"
#include "app/settings.h"
#include "dialogs/level_dialogs.h"
#include "tests/support/editor_fixture.h"
#include "tests/support/level_fixture.h"

namespace vurk {
namespace {

namespace fs = std::filesystem;
using test::readFileBytes;
using test::sampleLevel;
using test::writeFileBytes;

std::vector<std::string> backupNames() {
    std::vector<std::string> names;
    for (const RestorePointFile& f : listRestorePoints(kBackupFolder)) names.push_back(f.name);
    return names;
}

class RestorePoints : public test::LevelFixture {
protected:
    void SetUp() override {
        rom.addLevel(0, sampleLevel());
        openAndLoad(0);
    }
};

TEST_F(RestorePoints, OneBeforeTheFirstSaveOfASessionHoldingTheImageAsItWas) {
    const auto before = imageOnDisk();
    state.mapBuffer[0] = 0x42;
    ASSERT_TRUE(writeLevel(state));
    state.mapBuffer[0] = 0x43;
    ASSERT_TRUE(writeLevel(state));

    const auto points = listRestorePoints(kBackupFolder);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(readFileBytes(points[0].path), before);
    EXPECT_EQ(imageOnDisk()[state.regions.map], 0x43);
    EXPECT_EQ(points[0].path, state.restorePoints.lastMade);
}

TEST_F(RestorePoints, NoneForARefusedSaveAndNoSaveWithoutOne) {
    const auto before = imageOnDisk();
    state.levelLoaded = false;  // refused: no level
    EXPECT_FALSE(writeLevel(state));
    EXPECT_FALSE(fs::exists(kBackupFolder));

    state.levelLoaded = true;
    state.mapBuffer[0] = 0x42;
    writeFileBytes(kBackupFolder, {1});  // the folder cannot be made
    std::string why;
    EXPECT_FALSE(writeLevel(state, &why));
    EXPECT_NE(why.find("Could not make a restore point"), std::string::npos) << why;
    EXPECT_EQ(imageOnDisk(), before);

    fs::remove(kBackupFolder);  // the next save tries again
    EXPECT_TRUE(writeLevel(state, &why)) << why;
    EXPECT_EQ(backupNames().size(), 1u);
}

TEST_F(RestorePoints, TheNewestAreKeptAndOtherFilesLeftAlone) {
    fs::create_directory(kBackupFolder);
    for (int i = 10; i < 32; ++i) writeFileBytes(fs::path(kBackupFolder) / ("vurk-20200101-1200" + std::to_string(i) + ".smc"), {1});
    writeFileBytes(fs::path(kBackupFolder) / "notes.txt", {1});
    state.mapBuffer[0] ^= 1;
    ASSERT_TRUE(writeLevel(state));

    const auto names = backupNames();
    ASSERT_EQ(names.size(), kDefaultRestorePointKeep);
    EXPECT_EQ(names.front(), "vurk-20200101-120013.smc");  // the three oldest went
    EXPECT_EQ(names.back(), fs::path(state.restorePoints.lastMade).filename().string());
    EXPECT_TRUE(fs::exists(fs::path(kBackupFolder) / "notes.txt"));
}

TEST_F(RestorePoints, TwoInOneSecondGetTwoNamesInOrder) {
    const std::vector<uint8_t> image = imageOnDisk();
    std::string why;
    const std::time_t now = 1700000000;
    std::vector<std::string> made;
    for (int i = 0; i < 11; ++i) made.push_back(makeRestorePoint(image.data(), image.size(), kBackupFolder, 3, now, why));
    for (const std::string& m : made) EXPECT_FALSE(m.empty()) << why;

    const auto points = listRestorePoints(kBackupFolder);
    ASSERT_EQ(points.size(), 3u);  // "-10" and "-11" sort after "-9"
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(points[i].path, made[8 + i]);
    EXPECT_NE(points[2].name.find("-11.smc"), std::string::npos);
}

TEST(RestorePointSettings, KeepComesFromTheBackupsSection) {
    test::WorkDir dir;
    struct Case {
        std::string ini;
        uint32_t keep;
    } cases[] = {
        {"", kDefaultRestorePointKeep},
        {"[vurk]\nkeep=5\n", kDefaultRestorePointKeep},
        {"[backups]\nkeep=5\n", 5},
        {"[backups]\nkeep=0\n", 1},
        {"[backups]\nkeep=-4\n", 1},
    };
    for (const Case& c : cases) {
        writeFileBytes("vurk.ini", {c.ini.begin(), c.ini.end()});
        EXPECT_EQ(readStartSettings().backupKeep, c.keep) << c.ini;
    }
}

class EditorSave : public test::EditorFixture {};

// F1's Yes, and the Misc. Data dialog's save before a tileset reload, which
// then keeps the level and its edits instead of reloading.
TEST_F(EditorSave, AFailedRestorePointIsShownAndNothingSaved) {
    for (bool misc : {false, true}) {
        load(sampleLevel());
        writeFileBytes(kBackupFolder, {1});
        s.mapBuffer[0] = 0x42;
        const auto before = readFileBytes("vurk.smc");
        const uint32_t tileset = s.header.tileset;
        shell.boxes.clear();
        shell.answers = {BoxAnswer::Yes};
        if (misc) applyMiscData(s, shell, 0, 0, "");
        else onKeyUp(s, shell, kKeyF1);
        ASSERT_EQ(shell.boxes.size(), 2u) << misc;
        EXPECT_EQ(shell.boxes[1].caption, kErrorCaption);
        EXPECT_NE(shell.boxes[1].text.find("Nothing was saved"), std::string::npos);
        EXPECT_EQ(readFileBytes("vurk.smc"), before);
        EXPECT_EQ(s.mapBuffer[0], 0x42);
        EXPECT_EQ(s.header.tileset, tileset);
        fs::remove(kBackupFolder);
    }
}

}  // namespace
}  // namespace vurk
