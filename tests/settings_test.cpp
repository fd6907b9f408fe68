#include <gtest/gtest.h>

#include <cstdlib>

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

TEST(Profile, ReadsDefaultsForMissingFileSectionAndKey) {
    WorkDir dir;
    EXPECT_EQ(getPrivateProfileInt("vurk", "w", 384, ".\\vurk.ini"), 384);
    writeText("vurk.ini", "[other]\nw=5\n[VURK]\nh = 77 \r\n");
    EXPECT_EQ(getPrivateProfileInt("vurk", "w", 384, ".\\vurk.ini"), 384);
    EXPECT_EQ(getPrivateProfileInt("vurk", "H", 512, ".\\vurk.ini"), 77);
}

TEST(Profile, ParsesIntegersLikeTheProfileFunctions) {
    WorkDir dir;
    writeText("vurk.ini", "[vurk]\na=-100\nb=12abc\nc=abc\nd=\ne=+7\nf=4294967295\n");
    EXPECT_EQ(getPrivateProfileInt("vurk", "a", 1, "vurk.ini"), -100);
    EXPECT_EQ(getPrivateProfileInt("vurk", "b", 1, "vurk.ini"), 12);
    EXPECT_EQ(getPrivateProfileInt("vurk", "c", 1, "vurk.ini"), 0);
    EXPECT_EQ(getPrivateProfileInt("vurk", "d", 1, "vurk.ini"), 0);
    EXPECT_EQ(getPrivateProfileInt("vurk", "e", 1, "vurk.ini"), 7);
    EXPECT_EQ(getPrivateProfileInt("vurk", "f", 1, "vurk.ini"), -1);
}

TEST(Profile, WritesCreateReplaceAndLeaveOtherLinesAlone) {
    WorkDir dir;
    ASSERT_TRUE(writePrivateProfileString("vurk", "x", "1", ".\\vurk.ini"));
    EXPECT_EQ(fileText("vurk.ini"), "[vurk]\nx=1\n");

    writeText("vurk.ini", "; mine\n[vurk]\nX=5\n\n[keep]\nx=9\nother=yes\n");
    ASSERT_TRUE(writePrivateProfileString("vurk", "x", "6", "vurk.ini"));
    ASSERT_TRUE(writePrivateProfileString("vurk", "y", "7", "vurk.ini"));
    ASSERT_TRUE(writePrivateProfileString("new", "k", "v", "vurk.ini"));
    EXPECT_EQ(fileText("vurk.ini"), "; mine\n[vurk]\nx=6\ny=7\n\n[keep]\nx=9\nother=yes\n[new]\nk=v\n");
}

TEST(Profile, UnwritableFileIsLeftAlone) {
    WorkDir dir;
    EXPECT_FALSE(writePrivateProfileString("vurk", "x", "1", ".\\nofolder\\vurk.ini"));
}

TEST(Settings, MissingFileStartsAtLevelOneWithTheWindowAsCreated) {
    WorkDir dir;
    StartSettings s = readStartSettings();
    EXPECT_EQ(s.options, 0u);
    EXPECT_EQ(s.level, 1);
    EXPECT_FALSE(s.placeWindow);
}

TEST(Settings, SavedPositionsWithoutSizeUseTheTallDefault) {
    WorkDir dir;
    writeText("vurk.ini", "[vurk]\noptions=1\nx=30\ny=40\nmaxed=2\n");
    StartSettings s = readStartSettings();
    EXPECT_TRUE(s.placeWindow);
    EXPECT_EQ(s.x, 30);
    EXPECT_EQ(s.y, 40);
    EXPECT_EQ(s.w, 384);
    EXPECT_EQ(s.h, 512);
    EXPECT_FALSE(s.maximize);  // only exactly 1 maximises

    writeText("vurk.ini", "[vurk]\noptions=1\nmaxed=1\n");
    EXPECT_TRUE(readStartSettings().maximize);
}

TEST(Settings, LastLevelOnlyWithItsOption) {
    WorkDir dir;
    writeText("vurk.ini", "[vurk]\noptions=2\nlevel=12\n");
    EXPECT_EQ(readStartSettings().level, 12);
    writeText("vurk.ini", "[vurk]\noptions=0\nlevel=12\n");
    EXPECT_EQ(readStartSettings().level, 1);
    writeText("vurk.ini", "[vurk]\noptions=2\nlevel=56\n");
    EXPECT_EQ(readStartSettings().level, 1);
    writeText("vurk.ini", "[vurk]\noptions=2\nlevel=-3\n");
    EXPECT_EQ(readStartSettings().level, 1);
    writeText("vurk.ini", "[vurk]\noptions=2\nlevel=0\n");
    EXPECT_EQ(readStartSettings().level, 0);
}

TEST(Settings, NewFileHoldsTheSevenKeysInOrder) {
    WorkDir dir;
    int32_t level = 12;
    writeExitSettings({120, 80, 760, 560, false, false}, 11, level);
    EXPECT_EQ(fileText("vurk.ini"), "[vurk]\nx=120\ny=80\nlevel=12\noptions=11\nmaxed=0\nw=640\nh=480\n");
}

TEST(Settings, ExitSizesForMaximisedMinimisedAndOffScreenWindows) {
    WorkDir dir;
    int32_t level = 3;
    writeExitSettings({-8, -8, 1928, 1088, true, false}, 0, level);
    EXPECT_EQ(fileText("vurk.ini"), "[vurk]\nx=0\ny=0\nlevel=3\noptions=0\nmaxed=1\nw=512\nh=384\n");

    writeExitSettings({10, 20, 30, 40, false, true}, 0, level);
    EXPECT_EQ(fileText("vurk.ini"), "[vurk]\nx=10\ny=20\nlevel=3\noptions=0\nmaxed=0\nw=512\nh=384\n");

    writeExitSettings({-100, 5, 500, 405, false, false}, 0, level);
    EXPECT_EQ(fileText("vurk.ini"), "[vurk]\nx=0\ny=5\nlevel=3\noptions=0\nmaxed=0\nw=500\nh=400\n");

    level = 70;
    writeExitSettings({0, 0, 10, 10, false, false}, 0, level);
    EXPECT_EQ(level, 1);
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

}  // namespace
}  // namespace vurk
