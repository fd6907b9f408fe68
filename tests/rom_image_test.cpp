#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>

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

TEST(ImageFile, IsLockedAgainstASecondEditor) {
    WorkDir dir;
    writeFileBytes("vurk.smc", std::vector<uint8_t>(4096, 7));
    RomImage first, second;
    ASSERT_EQ(openRomImage(first), RomOpenResult::Ok);
    EXPECT_EQ(openRomImage(second), RomOpenResult::CannotOpen);
    closeRomImage(first);
    EXPECT_FALSE(first.isOpen());
    EXPECT_EQ(openRomImage(second), RomOpenResult::Ok);
}

TEST(ImageFile, BadFilesAreRefusedWithoutBlocking) {
    struct Case {
        const char* what;
        std::function<void()> make;
        RomOpenResult result;
        const char* text;
    } cases[] = {
        {"missing", [] {}, RomOpenResult::CannotOpen, ""},
        {"folder", [] { std::filesystem::create_directory("vurk.smc"); }, RomOpenResult::CannotOpen, ""},
        // Opened for reading alone, a FIFO would wait for a writer forever.
        {"fifo", [] { ASSERT_EQ(mkfifo("vurk.smc", 0644), 0); }, RomOpenResult::CannotOpen, ""},
        {"empty", [] { writeFileBytes("vurk.smc", {}); }, RomOpenResult::Failed, "vurk.smc is empty."},
        {"huge",
         [] {
             writeFileBytes("vurk.smc", {1});
             std::filesystem::resize_file("vurk.smc", 1ull << 30);  // sparse
         },
         RomOpenResult::Failed, "vurk.smc is 1073741824 bytes long, too large"},
        {"unreadable",
         [] {
             writeFileBytes("vurk.smc", std::vector<uint8_t>(4096, 1));
             setImageFaultHook([](ImageStep step) { return ImageFault{step == ImageStep::Read ? EIO : 0}; });
         },
         RomOpenResult::Failed, "vurk.smc could not be read: Input/output error."},
    };
    for (const Case& c : cases) {
        WorkDir dir;
        c.make();
        RomImage image;
        EXPECT_EQ(openRomImage(image), c.result) << c.what;
        EXPECT_EQ(image.file.errorText().rfind(c.text, 0), 0u) << c.what << ": " << image.file.errorText();
        EXPECT_FALSE(image.isOpen()) << c.what;
        setImageFaultHook(nullptr);
    }
}

// Reads come from memory: a file cut short behind the editor's back (as a
// failing disk would leave it) raises no signal.
TEST(ImageFile, ShrinkingFileDoesNotKillReads) {
    WorkDir dir;
    RomBuilder rom;
    writeLe16(rom.image.data() + kLevelTableOffset + 2 * 55, 0x8456);
    ASSERT_TRUE(rom.save("vurk.smc"));
    RomImage image;
    ASSERT_EQ(openRomImage(image), RomOpenResult::Ok);
    std::filesystem::resize_file("vurk.smc", 4096);
    EXPECT_EQ(levelHeaderOffset(image, 55), 0x8456u + kBank9FBase);
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
