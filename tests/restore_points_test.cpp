#include <gtest/gtest.h>

#include <filesystem>

#include "app/handlers.h"
#include "app/settings.h"
#include "dialogs/level_dialogs.h"
#include "tests/support/editor_fixture.h"
#include "tests/support/file_holders.h"
#include "tests/support/level_fixture.h"
#include "view/edit_history.h"

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

// Also the half-made copies that killed writers left (each restore point has a
// name of its own), but not one a live writer is making.
TEST_F(RestorePoints, TheNewestAreKeptAndOtherFilesLeftAlone) {
    const fs::path folder = kBackupFolder;
    fs::create_directory(folder);
    for (int i = 10; i < 32; ++i) writeFileBytes(folder / ("vurk-20200101-1200" + std::to_string(i) + ".smc"), {1});
    for (const char* name : {"notes.txt", "notes.txt.vurk-tmp.Ab12Cd", "vurk-20200101-110000.smc.vurk-tmp.Ab12Cd"}) {
        writeFileBytes(folder / name, {1});
    }
    FileWriter live;
    ASSERT_TRUE(live.create((folder / "vurk-20200101-100000.smc").string()));
    state.mapBuffer[0] ^= 1;
    ASSERT_TRUE(writeLevel(state));

    const auto names = backupNames();
    ASSERT_EQ(names.size(), kDefaultRestorePointKeep);
    EXPECT_EQ(names.front(), "vurk-20200101-120013.smc");  // the three oldest went
    EXPECT_EQ(names.back(), fs::path(state.restorePoints.lastMade).filename().string());
    std::vector<std::string> others;
    for (const auto& e : fs::directory_iterator(folder)) {
        if (e.path().filename().string().find(".vurk-tmp.") != std::string::npos || e.path().extension() == ".txt") {
            others.push_back(e.path().filename().string().substr(0, 20));
        }
    }
    std::sort(others.begin(), others.end());
    EXPECT_EQ(others, (std::vector<std::string>{"notes.txt", "notes.txt.vurk-tmp.A", "vurk-20200101-100000"}));
}

// A planted link never takes a restore point, or its pruning, out of the
// workspace; nor a VMAP export and the sweep of its temporary files.
TEST_F(RestorePoints, NothingIsWrittenOrRemovedThroughALink) {
    const fs::path outside = dir.path() / "outside";
    fs::create_directory(outside);
    for (int i = 10; i < 40; ++i) writeFileBytes(outside / ("vurk-20200101-1200" + std::to_string(i) + ".smc"), {1});
    writeFileBytes(outside / "level00.vmap.vurk-tmp.Ab12Cd", {1});
    const auto before = imageOnDisk();
    fs::create_directory_symlink(outside, kBackupFolder);
    fs::create_directory_symlink(outside, "maps");

    state.mapBuffer[0] ^= 1;
    std::string why;
    EXPECT_FALSE(writeLevel(state, &why));
    EXPECT_EQ(why, "backups is a link; nothing was saved");
    EXPECT_EQ(imageOnDisk(), before);
    test::FakeShell shell;
    EXPECT_FALSE(writeVmap(state, shell, &why));
    EXPECT_EQ(why, "maps is a link; nothing was written");
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].text, kVmapCreateText);
    EXPECT_EQ(std::distance(fs::directory_iterator(outside), fs::directory_iterator()), 31);
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
        // Never wrapped: numbers past 32 bits keep the most, not one.
        {"[backups]\nkeep=3000000000\n", kMaxRestorePointKeep},
        {"[backups]\nkeep=99999999999\n", kMaxRestorePointKeep},
        {"[backups]\nkeep=-99999999999\n", 1},
        {"[backups]\nkeep=12 copies\n", 12},
        {"[backups]\nkeep=many\n", kDefaultRestorePointKeep},
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

// The editor shows a read-only image and keeps its edits; F1 says why it
// cannot save them, and what can be done with them.
TEST_F(EditorSave, AReadOnlyImageIsShownAndF1SaysWhyItIsNotSaved) {
    load(sampleLevel());
    closeRomImage(s.rom);
    test::ReadOnlyFile readOnly("vurk.smc");
    if (!readOnly.made()) GTEST_SKIP() << "nothing here keeps this process from writing a file";
    ASSERT_EQ(openRomImage(s.rom), RomOpenResult::Ok);
    const auto before = readFileBytes("vurk.smc");
    const uint8_t cell = s.mapBuffer[0];
    s.mapBuffer[0] ^= 1;
    recordCellEdit(s, 0, cell);
    EXPECT_EQ(statusText(s), "Level 0 - 5 x 3 - modified - vurk.smc is read-only");
    shell.answers = {BoxAnswer::Yes};
    onKeyUp(s, shell, kKeyF1);
    ASSERT_EQ(shell.boxes.size(), 2u);
    EXPECT_EQ(shell.boxes[1].text,
              "vurk.smc is read-only; nothing was written.\n\nThe edits stay in the editor: "
              "Ctrl+S writes them to the level's VMAP file.");
    EXPECT_EQ(readFileBytes("vurk.smc"), before);
    EXPECT_FALSE(fs::exists(kBackupFolder));
    EXPECT_TRUE(levelModified(s));
}

}  // namespace
}  // namespace vurk
