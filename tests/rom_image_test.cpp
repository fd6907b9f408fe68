#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "level/rom_image.h"
#include "platform/bytes.h"
#include "platform/files.h"
#include "tests/support/file_holders.h"
#include "tests/support/workdir.h"
#include "tools/rom_builder.h"

namespace vurk {
namespace {

using test::readFileBytes;
using test::WorkDir;
using test::writeFileBytes;

TEST(Addresses, PointersGiveFileOffsetsOfTheFastRomLayout) {
    EXPECT_EQ(shortPointerOffset(0x8000), 0xF8200u);
    EXPECT_EQ(shortPointerOffset(0xFFFF), 0x1001FFu);
    EXPECT_EQ(shortPointerOffset(0x8002), kLevelTableOffset);
    const uint8_t stored[4] = {0x00, 0x80, 0x9A, 0x00};
    EXPECT_EQ(longPointerOffset(readLe32(stored)), 0xD0200u);
    for (auto [pointer, offset] : {std::pair{0x808000u, 0x200u}, {0x80FFFFu, 0x81FFu}, {0x818000u, 0x8200u},
                                   {0x9FFFFFu, 0x1001FFu}}) {
        EXPECT_EQ(longPointerOffset(pointer), offset) << std::hex << pointer;
    }
    // Every offset of banks $80-$9F survives the way there and back.
    for (uint32_t off = 0x200; off < kBank9FEnd; off += 0x1FFF) EXPECT_EQ(longPointerOffset(longPointerFor(off)), off);
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
    RomImage first, second, reader;
    ASSERT_EQ(openRomImage(first), RomOpenResult::Ok);
    EXPECT_EQ(openRomImage(second), RomOpenResult::Locked);
    // Reading needs no lock.
    ASSERT_EQ(openRomImage(reader, kRomFileName, ImageFile::Access::Read), RomOpenResult::Ok);
    EXPECT_TRUE(reader.file.readOnly());
    closeRomImage(first);
    EXPECT_FALSE(first.isOpen());
    EXPECT_EQ(openRomImage(second), RomOpenResult::Ok);
    closeRomImage(second);

    // The loser is told who holds the image.
    for (const char* program : {"vurk-edit", "vurk-tool", "other-editor"}) {
        test::LockHolder holder(program, "vurk.smc");
        ASSERT_TRUE(holder.holds()) << program;
        const std::string process = " (process " + std::to_string(holder.pid()) + ")";
        const std::string named = program == std::string("vurk-edit")   ? "VURK-Edit"
                                  : program == std::string("vurk-tool") ? "another vurk-tool" + process
                                                                        : program + process;
        EXPECT_EQ(openRomImage(second), RomOpenResult::Locked) << program;
        EXPECT_EQ(second.file.errorText(), "vurk.smc is open in " + named);
    }
}

// A file that may not be written opens for reading: unlocked, and every save
// that would change it refused before anything (a journal included) is made.
TEST(ImageFile, ReadOnlyFileOpensForReadingAndRefusesSaves) {
    WorkDir dir;
    writeFileBytes("vurk.smc", std::vector<uint8_t>(4096, 7));
    test::ReadOnlyFile readOnly("vurk.smc");
    if (!readOnly.made()) GTEST_SKIP() << "nothing here keeps this process from writing a file";
    RomImage image, second;
    ASSERT_EQ(openRomImage(image), RomOpenResult::Ok);
    EXPECT_TRUE(image.file.readOnly());
    EXPECT_EQ(openRomImage(second), RomOpenResult::Ok);
    std::string why;
    EXPECT_TRUE(saveRegions(image, {{10, {7, 7}}}, &why)) << "no byte changes: " << why;
    EXPECT_FALSE(saveRegions(image, {{10, {8}}}, &why));
    EXPECT_EQ(why, "vurk.smc is read-only; nothing was written");
    EXPECT_FALSE(std::filesystem::exists("vurk.smc.journal"));
    EXPECT_EQ(image.base()[10], 7);
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

TEST(Files, ReadsRegularFilesUpToTheLimitAndNeverWaits) {
    WorkDir dir;
    std::filesystem::create_directory("maps");
    writeFileBytes("maps/a.bin", {1, 2, 3});
    ASSERT_EQ(::mkfifo("maps/fifo", 0600), 0);
    alarm(20);  // a read that waits for a writer ends the test here
    const struct {
        const char* name;
        uint64_t limit;
        ReadResult result;
    } cases[] = {
        {".\\maps\\a.bin", 3, ReadResult::Ok},
        {".\\maps\\a.bin", 2, ReadResult::TooLarge},
        {".\\maps\\missing.bin", 9, ReadResult::Missing},
        {".\\maps\\a.bin\\x", 9, ReadResult::Missing},
        {".\\maps", 9, ReadResult::Unreadable},
        {".\\maps\\fifo", 9, ReadResult::Unreadable},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes{7};
        EXPECT_EQ(readWholeFile(c.name, bytes, c.limit), c.result) << c.name << " " << c.limit;
        const std::vector<uint8_t> expected = c.result == ReadResult::Ok ? std::vector<uint8_t>{1, 2, 3}
                                                                         : std::vector<uint8_t>{7};
        EXPECT_EQ(bytes, expected);
    }
    alarm(0);
}

bool writeWhole(const char* name, const std::vector<uint8_t>& bytes) {
    FileWriter w;
    return w.create(name) && w.write(bytes.data(), bytes.size()) && w.commit();
}

TEST(Files, WriterReplacesOnlyWhenComplete) {
    WorkDir dir;
    FileWriter w;
    EXPECT_FALSE(w.create(".\\nofolder\\x.bin"));

    writeFileBytes("x.bin", {9, 9});
    ::chmod("x.bin", 0640);
    ASSERT_TRUE(w.create(".\\x.bin"));
    ASSERT_TRUE(w.write("\1\2\3", 3));
    // Until committed, the old file stands.
    EXPECT_EQ(readFileBytes("x.bin"), (std::vector<uint8_t>{9, 9}));
    ASSERT_TRUE(w.commit());
    EXPECT_EQ(readFileBytes("x.bin"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::filesystem::status("x.bin").permissions(), std::filesystem::perms(0640));

    {
        FileWriter abandoned;
        ASSERT_TRUE(abandoned.create("x.bin"));
        abandoned.write("\7", 1);
    }
    EXPECT_EQ(readFileBytes("x.bin"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);
}

TEST(Files, WriterNeverWritesThroughLinksAtTemporaryNames) {
    WorkDir dir;
    writeFileBytes("outside", {5});
    // The name older versions wrote to, and a name of the writer's own pattern.
    std::filesystem::create_symlink("outside", "x.bin.tmp");
    std::filesystem::create_symlink("outside", "x.bin.vurk-tmp.abc123");
    ASSERT_TRUE(writeWhole("x.bin", {1, 2}));
    EXPECT_EQ(readFileBytes("x.bin"), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(readFileBytes("outside"), (std::vector<uint8_t>{5}));
    EXPECT_TRUE(std::filesystem::is_symlink("x.bin.tmp"));
    EXPECT_TRUE(std::filesystem::is_symlink("x.bin.vurk-tmp.abc123"));
}

TEST(Files, WriterRemovesOnlyTemporaryFilesOfKilledWritesOfItsTarget) {
    WorkDir dir;
    const char* stale = "x.bin.vurk-tmp.Q7z0aB";
    const char* kept[] = {"x.bin.tmp", "x.bin.vurk-tmp.abc", "x.bin.vurk-tmp.ab-123", "y.bin.vurk-tmp.Q7z0aB"};
    writeFileBytes(stale, {1});
    for (const char* name : kept) writeFileBytes(name, {1});
    // A write of the same target still going on keeps its file.
    FileWriter running;
    ASSERT_TRUE(running.create("x.bin"));
    ASSERT_TRUE(running.write("\4", 1));
    ASSERT_TRUE(writeWhole("x.bin", {3}));
    EXPECT_FALSE(std::filesystem::exists(stale));
    for (const char* name : kept) EXPECT_TRUE(std::filesystem::exists(name)) << name;
    ASSERT_TRUE(running.commit());
    EXPECT_EQ(readFileBytes("x.bin"), (std::vector<uint8_t>{4}));
}

}  // namespace
}  // namespace vurk
