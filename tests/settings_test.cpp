#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

#include "app/settings.h"
#include "platform/instance_lock.h"
#include "platform/profile.h"
#include "tests/support/workdir.h"

namespace vurk {
namespace {

using test::readFileBytes;
using test::WorkDir;
using test::writeFileBytes;

std::string fileText(const char* name) {
    auto b = readFileBytes(name);
    return {b.begin(), b.end()};
}

void writeText(const char* name, const std::string& text) {
    writeFileBytes(name, std::vector<uint8_t>(text.begin(), text.end()));
}

Profile loaded(const char* name = "vurk.ini") {
    Profile p;
    p.load(name, kSettingsMaxBytes);
    return p;
}

TEST(Profile, ReadsDefaultsForMissingFileSectionAndKey) {
    WorkDir dir;
    Profile p;
    EXPECT_EQ(p.load(".\\vurk.ini", 100), ReadResult::Missing);
    EXPECT_EQ(p.getInt("vurk", "w", 384), 384);
    writeText("vurk.ini", "[other]\nw=5\n[VURK]\nh = 77 \r\n");
    EXPECT_EQ(p.load(".\\vurk.ini", 100), ReadResult::Ok);
    EXPECT_EQ(p.getInt("vurk", "w", 384), 384);
    EXPECT_EQ(p.getInt("vurk", "H", 512), 77);
}

TEST(Profile, ParsesIntegersLikeTheProfileFunctions) {
    WorkDir dir;
    writeText("vurk.ini", "[vurk]\na=-100\nb=12abc\nc=abc\nd=\ne=+7\nf=4294967295\n");
    const Profile p = loaded();
    const std::pair<const char*, int32_t> cases[] = {{"a", -100}, {"b", 12}, {"c", 0},
                                                     {"d", 0},    {"e", 7},   {"f", -1}};
    for (const auto& [key, value] : cases) EXPECT_EQ(p.getInt("vurk", key, 1), value) << key;
}

TEST(Profile, WritesCreateReplaceAndLeaveOtherLinesAlone) {
    WorkDir dir;
    Profile p;
    p.set("vurk", "x", "1");
    ASSERT_TRUE(p.save(".\\vurk.ini"));
    EXPECT_EQ(fileText("vurk.ini"), "[vurk]\nx=1\n");

    writeText("vurk.ini", "; mine\n[vurk]\nX=5\n\n[keep]\nx=9\nother=yes\n");
    p = loaded();
    p.set("vurk", "x", "6");
    p.set("vurk", "y", "7");
    p.set("new", "k", "v");
    ASSERT_TRUE(p.save("vurk.ini"));
    EXPECT_EQ(fileText("vurk.ini"), "; mine\n[vurk]\nx=6\ny=7\n\n[keep]\nx=9\nother=yes\n[new]\nk=v\n");
    EXPECT_FALSE(p.save(".\\nofolder\\vurk.ini"));
}

TEST(Settings, StartValuesFromTheFile) {
    WorkDir dir;
    const struct {
        const char* ini;  // nullptr: no file
        uint32_t options;
        int32_t level;
        bool place, maximize;
        int32_t x, y, w, h;
    } cases[] = {
        {nullptr, 0, 1, false, false, 0, 0, 384, 512},
        // Saved positions without a size take the tall default; only maxed=1 maximises.
        {"options=1\nx=30\ny=40\nmaxed=2\n", 1, 1, true, false, 30, 40, 384, 512},
        {"options=1\nmaxed=1\n", 1, 1, true, true, 0, 0, 384, 512},
        // The last level only with its option, and only 0 to 55.
        {"options=2\nlevel=12\n", 2, 12, false, false, 0, 0, 384, 512},
        {"options=0\nlevel=12\n", 0, 1, false, false, 0, 0, 384, 512},
        {"options=2\nlevel=56\n", 2, 1, false, false, 0, 0, 384, 512},
        {"options=2\nlevel=-3\n", 2, 1, false, false, 0, 0, 384, 512},
        {"options=2\nlevel=0\n", 2, 0, false, false, 0, 0, 384, 512},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini ? c.ini : "no file");
        std::filesystem::remove("vurk.ini");
        if (c.ini) writeText("vurk.ini", std::string("[vurk]\n") + c.ini);
        const StartSettings s = readStartSettings();
        EXPECT_EQ(std::tuple(s.options, s.level, s.placeWindow, s.maximize, s.x, s.y, s.w, s.h, s.note),
                  std::tuple(c.options, c.level, c.place, c.maximize, c.x, c.y, c.w, c.h, ""));
    }
}

TEST(Settings, ExitWritesTheSevenKeysInOrder) {
    WorkDir dir;
    const struct {
        WindowAtExit window;
        const char* file;
    } cases[] = {
        {{120, 80, 760, 560, false, false, {}}, "[vurk]\nx=120\ny=80\nlevel=12\noptions=11\nmaxed=0\nw=640\nh=480\n"},
        {{-8, -8, 1928, 1088, true, false, {}}, "[vurk]\nx=0\ny=0\nlevel=12\noptions=11\nmaxed=1\nw=512\nh=384\n"},
        {{10, 20, 30, 40, false, true, {}}, "[vurk]\nx=10\ny=20\nlevel=12\noptions=11\nmaxed=0\nw=512\nh=384\n"},
        {{-100, 5, 500, 405, false, false, {}}, "[vurk]\nx=0\ny=5\nlevel=12\noptions=11\nmaxed=0\nw=500\nh=400\n"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove("vurk.ini");
        int32_t level = 12;
        writeExitSettings(c.window, 11, level);
        EXPECT_EQ(fileText("vurk.ini"), c.file);
    }
    int32_t level = 70;
    writeExitSettings({0, 0, 10, 10, false, false, {}}, 0, level);
    EXPECT_EQ(level, 1);
}

// A file that is not the editor's to handle is neither read nor replaced.
TEST(Settings, LargeFilesAndFifosAreLeftAlone) {
    WorkDir dir;
    std::string big = "[vurk]\noptions=3\nlevel=12\n";
    big.resize(kSettingsMaxBytes + 1, ';');
    writeText("vurk.ini", big);
    StartSettings s = readStartSettings();
    EXPECT_EQ(std::tuple(s.options, s.note), std::tuple(0u, kSettingsTooLargeText));
    int32_t level = 5;
    writeExitSettings({1, 2, 3, 4, false, false, {}}, 1, level);
    EXPECT_EQ(fileText("vurk.ini"), big);

    std::filesystem::remove("vurk.ini");
    ASSERT_EQ(::mkfifo("vurk.ini", 0600), 0);
    alarm(20);  // a read that waits for a writer ends the test here
    s = readStartSettings();
    writeExitSettings({1, 2, 3, 4, false, false, {}}, 1, level);
    alarm(0);
    EXPECT_EQ(s.options, 0u);
    EXPECT_TRUE(std::filesystem::is_fifo("vurk.ini"));
}

TEST(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstEnds) {
    WorkDir dir;
    ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    auto first = std::make_unique<InstanceLock>();
    InstanceLock second;
    EXPECT_TRUE(first->acquire("VURKTestLock"));
    EXPECT_FALSE(second.acquire("VURKTestLock"));
    first.reset();
    EXPECT_TRUE(second.acquire("VURKTestLock"));
}

// Without a runtime folder the lock goes into a folder of the user's own in the
// shared temporary folder: links and files other users planted there are never
// followed, and a folder that is not the user's alone is not used.
TEST(InstanceLockTest, SharedTemporaryFolderTakesNoPlantedLinkOrFolder) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string kept = runtime ? runtime : "";
    ::unsetenv("XDG_RUNTIME_DIR");
    const std::string uid = std::to_string(::getuid());
    const std::string own = "vurk-edit-" + uid, lockFile = "VURKTestLock-" + uid;
    namespace fs = std::filesystem;
    const struct {
        const char* what;
        std::function<void()> plant;
        bool used;
    } cases[] = {
        {"a link where the lock once was",
         [&] {
             fs::create_symlink("victim/made", lockFile);
             fs::create_directory("victim");
         },
         true},
        {"a link to the lock",
         [&] {
             fs::create_directory(own);
             ::chmod(own.c_str(), 0700);
             fs::create_symlink("../victim/made", fs::path(own) / lockFile);
             fs::create_directory("victim");
         },
         false},
        {"a link as the folder",
         [&] {
             fs::create_directory("victim");
             fs::create_directory_symlink("victim", own);
         },
         false},
        {"a folder open to all",
         [&] {
             fs::create_directory(own);
             ::chmod(own.c_str(), 0777);
         },
         false},
        {"another user's folder",
         [&] {
             fs::create_directory(own);
             ::chmod(own.c_str(), 0700);
             if (::getuid() == 0) ASSERT_EQ(::chown(own.c_str(), 65534, 65534), 0);
             else ::chmod(own.c_str(), 0707);  // unable to give it away: open to others instead
         },
         false},
    };
    WorkDir dir;
    int n = 0;
    for (const auto& c : cases) {
        const fs::path tmp = dir.path() / std::to_string(++n);
        fs::create_directory(tmp);
        fs::current_path(tmp);
        ::setenv("TMPDIR", tmp.c_str(), 1);
        c.plant();
        {
            InstanceLock first, second;
            EXPECT_TRUE(first.acquire("VURKTestLock")) << c.what;
            EXPECT_EQ(second.acquire("VURKTestLock"), !c.used) << c.what;
        }
        EXPECT_FALSE(fs::exists("victim/made")) << c.what;
        if (c.used) {
            EXPECT_EQ(fs::status(own).permissions(), fs::perms::owner_all) << c.what;
            EXPECT_TRUE(fs::is_regular_file(fs::path(own) / lockFile)) << c.what;
        }
        ::chmod(own.c_str(), 0700);
    }
    fs::current_path(dir.path());
    ::unsetenv("TMPDIR");
    if (runtime) ::setenv("XDG_RUNTIME_DIR", kept.c_str(), 1);
}

}  // namespace
}  // namespace vurk
