#include <gtest/gtest.h>

#include <filesystem>

#include "level/rom_image.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "tests/support/workdir.h"
#include "tools/rom_builder.h"

namespace vurk {
namespace {

using test::readFileBytes;
using test::WorkDir;
using test::writeFileBytes;

TEST(Addresses, ShortPointersCoverBank9F) {
    EXPECT_EQ(shortPointerOffset(0x8000), 0xF8200u);
    EXPECT_EQ(shortPointerOffset(0xFFFF), 0x1001FFu);
    EXPECT_EQ(shortPointerOffset(0x8002), kLevelTableOffset);
}

TEST(Addresses, LongPointersFollowTheFastRomLayout) {
    const uint8_t stored[4] = {0x00, 0x80, 0x9A, 0x00};
    EXPECT_EQ(longPointerOffset(readLe32(stored)), 0xD0200u);
    EXPECT_EQ(longPointerOffset(0x808000), 0x200u);
    EXPECT_EQ(longPointerOffset(0x80FFFF), 0x81FFu);
    EXPECT_EQ(longPointerOffset(0x818000), 0x8200u);
    EXPECT_EQ(longPointerOffset(0x9FFFFF), 0x1001FFu);
    // Every offset of banks $80-$9F survives the way there and back.
    for (uint32_t off = 0x200; off < kBank9FEnd; off += 0x1FFF) {
        EXPECT_EQ(longPointerOffset(longPointerFor(off)), off);
    }
}

TEST(Addresses, LevelTableEntriesGiveHeaderOffsets) {
    WorkDir dir;
    RomBuilder rom;
    writeLe16(rom.image.data() + 0xF8202, 0x8123);
    writeLe16(rom.image.data() + 0xF8270, 0xFFC4);
    ASSERT_TRUE(rom.save("vurk.smc"));
    RomImage image;
    ASSERT_EQ(openRomImage(image), RomOpenResult::Ok);
    EXPECT_EQ(levelHeaderOffset(image, 0), 0x8123u + 0xF0200u);
    EXPECT_EQ(levelHeaderOffset(image, 55), 0xFFC4u + 0xF0200u);
    EXPECT_FALSE(levelHeaderOffset(image, 56).has_value());
}

TEST(Addresses, LevelTableOutsideAShortImageIsNotRead) {
    WorkDir dir;
    writeFileBytes("vurk.smc", std::vector<uint8_t>(kLevelTableOffset + 2 * 10, 0x81));
    RomImage image;
    ASSERT_EQ(openRomImage(image), RomOpenResult::Ok);
    EXPECT_TRUE(levelHeaderOffset(image, 9).has_value());
    EXPECT_FALSE(levelHeaderOffset(image, 10).has_value());
}

TEST(MappedImage, IsLockedAgainstASecondEditor) {
    WorkDir dir;
    writeFileBytes("vurk.smc", std::vector<uint8_t>(4096, 7));
    RomImage first, second;
    ASSERT_EQ(openRomImage(first), RomOpenResult::Ok);
    EXPECT_EQ(openRomImage(second), RomOpenResult::CannotOpen);
    closeRomImage(first);
    EXPECT_FALSE(first.isOpen());
    EXPECT_EQ(openRomImage(second), RomOpenResult::Ok);
}

TEST(MappedImage, WritesReachTheFileOnFlush) {
    WorkDir dir;
    writeFileBytes("vurk.smc", std::vector<uint8_t>(8192, 0));
    RomImage image;
    ASSERT_EQ(openRomImage(image), RomOpenResult::Ok);
    image.base()[5000] = 0x5A;
    EXPECT_TRUE(flushRomImage(image));
    EXPECT_EQ(readFileBytes("vurk.smc").at(5000), 0x5A);
}

TEST(MappedImage, MissingEmptyAndFolderAreRefused) {
    WorkDir dir;
    RomImage image;
    EXPECT_EQ(openRomImage(image), RomOpenResult::CannotOpen);
    std::filesystem::create_directory("vurk.smc");
    EXPECT_EQ(openRomImage(image), RomOpenResult::CannotOpen);
    std::filesystem::remove("vurk.smc");
    writeFileBytes("vurk.smc", {});
    EXPECT_EQ(openRomImage(image), RomOpenResult::CannotMap);
    EXPECT_FALSE(image.file.errorText().empty());
    EXPECT_FALSE(image.isOpen());
}

TEST(Files, BackslashNamesOpenOnThisSystem) {
    WorkDir dir;
    std::filesystem::create_directory("maps");
    writeFileBytes("maps/a.bin", {1, 2, 3});
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile(".\\maps\\a.bin", bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(readWholeFile(".\\maps\\missing.bin", bytes));
    EXPECT_FALSE(readWholeFile(".\\maps", bytes));
}

TEST(Files, WriterReplacesOnlyWhenComplete) {
    WorkDir dir;
    FileWriter w;
    EXPECT_FALSE(w.create(".\\nofolder\\x.bin"));

    writeFileBytes("x.bin", {9, 9});
    ASSERT_TRUE(w.create(".\\x.bin"));
    ASSERT_TRUE(w.write("\1\2\3", 3));
    // Until committed, the old file stands.
    EXPECT_EQ(readFileBytes("x.bin"), (std::vector<uint8_t>{9, 9}));
    ASSERT_TRUE(w.commit());
    EXPECT_EQ(readFileBytes("x.bin"), (std::vector<uint8_t>{1, 2, 3}));

    {
        FileWriter abandoned;
        ASSERT_TRUE(abandoned.create("x.bin"));
        abandoned.write("\7", 1);
    }
    EXPECT_EQ(readFileBytes("x.bin"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(std::filesystem::exists("x.bin.tmp"));
}

}  // namespace
}  // namespace vurk
