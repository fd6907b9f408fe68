// Saves into the image: journaled, all or nothing, whatever fails or kills them.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/fake_shell.h"
#include "tests/support/level_fixture.h"
#include "tests/support/run_tool.h"

extern char** environ;

namespace vurk {
namespace {

using test::readFileBytes;
using test::runProgram;
using test::WorkDir;
using test::writeFileBytes;
namespace fs = std::filesystem;

struct FaultGuard {
    explicit FaultGuard(ImageFaultHook hook) { setImageFaultHook(std::move(hook)); }
    // Fails `step` once, as a disk that fills up and is then cleared would.
    FaultGuard(ImageStep step, int error)
        : FaultGuard([step, error, failed = false](ImageStep at) mutable {
              if (at != step || failed) return ImageFault{};
              failed = true;
              return ImageFault{error};
          }) {}
    ~FaultGuard() { setImageFaultHook(nullptr); }
};

std::vector<uint8_t> memoryOf(const RomImage& image) { return {image.base(), image.base() + image.size()}; }

class ImageSave : public ::testing::Test {
protected:
    void SetUp() override {
        for (size_t i = 0; i < old.size(); ++i) old[i] = static_cast<uint8_t>(i * 7);
        writeFileBytes("vurk.smc", old);
        ASSERT_EQ(openRomImage(image), RomOpenResult::Ok);
    }
    // File and memory both hold `want`, and no journal is left.
    void expectImage(const std::vector<uint8_t>& want, const std::string& what = "") {
        EXPECT_EQ(readFileBytes("vurk.smc"), want) << what;
        EXPECT_EQ(memoryOf(image), want) << what;
        EXPECT_FALSE(fs::exists("vurk.smc.journal")) << what;
    }
    WorkDir dir;
    std::vector<uint8_t> old = std::vector<uint8_t>(8192);
    RomImage image;
    std::string why;
};

TEST_F(ImageSave, RegionsReachFileAndMemoryTogether) {
    // Overlapping regions: the later one wins where they meet.
    ASSERT_TRUE(saveRegions(image, {{100, {1, 2, 3, 4}}, {102, {9, 9}}, {8190, {5, 6}}, {4000, {}}}, &why)) << why;
    auto expected = old;
    std::copy_n(std::begin({1, 2, 9, 9}), 4, expected.begin() + 100);
    expected[8190] = 5;
    expected[8191] = 6;
    expectImage(expected);

    // Refused whole: nothing of it is written.
    EXPECT_FALSE(saveRegions(image, {{0, {0}}, {8191, {1, 2}}}, &why));
    EXPECT_EQ(why, "A region to save lies outside vurk.smc.");
    expectImage(expected);

    // The journal's name is never followed.
    writeFileBytes("outside.bin", {1, 2, 3});
    fs::create_symlink("outside.bin", "vurk.smc.journal");
    EXPECT_TRUE(saveRegions(image, {{0, {0xFF}}}, &why)) << why;
    expected[0] = 0xFF;
    EXPECT_EQ(readFileBytes("outside.bin"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(fs::exists(fs::symlink_status("vurk.smc.journal")));
    expectImage(expected);
}

TEST_F(ImageSave, FailingStepLeavesFileAndMemoryUnchanged) {
    uint8_t value = 0;
    for (ImageStep failing : {ImageStep::JournalWrite, ImageStep::JournalSync, ImageStep::FolderSync,
                              ImageStep::ImageWrite, ImageStep::ImageSync}) {
        const std::string what = "step " + std::to_string(int(failing));
        const auto before = memoryOf(image);
        ++value;
        {
            FaultGuard guard(failing, ENOSPC);
            EXPECT_FALSE(saveRegions(image, {{10, {value, 2}}, {3000, {value}}}, &why)) << what;
        }
        EXPECT_NE(why.find("No space left on device"), std::string::npos) << why;
        EXPECT_NE(why.find("unchanged"), std::string::npos) << why;
        expectImage(before, what);
        // The same save can be tried again.
        EXPECT_TRUE(saveRegions(image, {{10, {value, 2}}, {3000, {value}}}, &why)) << why;
        EXPECT_EQ(readFileBytes("vurk.smc")[3000], value);
    }
}

TEST_F(ImageSave, SaveThatCannotBeUndoneIsFinishedAtTheNextOpen) {
    auto expected = old;
    expected[20] = 0xAB;
    for (bool tampered : {false, true}) {
        const std::string what = tampered ? "tampered" : "as left";
        {
            FaultGuard guard([](ImageStep step) { return ImageFault{step == ImageStep::ImageWrite ? EIO : 0}; });
            EXPECT_FALSE(saveRegions(image, {{20, {0xAB}}}, &why));
        }
        EXPECT_EQ(why, "vurk.smc could not be written (Input/output error); the save is kept in vurk.smc.journal "
                       "and will be finished when vurk.smc is next opened or saved.");
        closeRomImage(image);
        ASSERT_TRUE(fs::exists("vurk.smc.journal"));
        // A byte that is neither old nor new: the journal is of another copy.
        auto onDisk = old;
        if (tampered) onDisk[20] = 0x11;
        writeFileBytes("vurk.smc", onDisk);
        {
            // A reader takes the save as finished and leaves both files alone.
            RomImage reader;
            ASSERT_EQ(openRomImage(reader, "vurk.smc", ImageFile::Access::Read), RomOpenResult::Ok);
            EXPECT_EQ(memoryOf(reader), tampered ? onDisk : expected) << what;
            EXPECT_TRUE(fs::exists("vurk.smc.journal"));
            EXPECT_EQ(readFileBytes("vurk.smc"), onDisk);
        }
        ASSERT_EQ(openRomImage(image), RomOpenResult::Ok);
        EXPECT_EQ(image.file.recoveryNote(),
                  tampered ? "vurk.smc.journal holds an interrupted save that does not match vurk.smc; vurk.smc was "
                             "left as it is and the journal kept as vurk.smc.journal.rejected."
                           : "The last save to vurk.smc was interrupted; it has now been finished from "
                             "vurk.smc.journal.");
        expectImage(tampered ? onDisk : expected, what);
        EXPECT_EQ(fs::exists("vurk.smc.journal.rejected"), tampered);
        closeRomImage(image);
        writeFileBytes("vurk.smc", old);
        ASSERT_EQ(openRomImage(image), RomOpenResult::Ok);
    }
}

// A journal larger than any save of the image writes is set aside by its size
// alone, unread (a sparse file of 128 MiB beside an image of 8 KiB).
TEST_F(ImageSave, OversizedJournalIsSetAsideUnread) {
    closeRomImage(image);
    writeFileBytes("vurk.smc.journal", {});
    fs::resize_file("vurk.smc.journal", 128u << 20);
    ASSERT_EQ(openRomImage(image), RomOpenResult::Ok);
    EXPECT_EQ(image.file.recoveryNote(),
              "vurk.smc.journal is larger than any save of vurk.smc; vurk.smc was left as "
              "it is and the journal kept as vurk.smc.journal.rejected.");
    EXPECT_EQ(fs::file_size("vurk.smc.journal.rejected"), 128u << 20);
    expectImage(old);
}

// `vurk-tool import` stopped at every write step of its save, and killed at
// random moments: after the next open, the image is entirely old or entirely new.
class KilledImport : public ::testing::Test {
protected:
    void SetUp() override {
        RomBuilder rom;
        for (uint32_t level = 0; level < 4; ++level) rom.addLevel(level, test::sampleLevel());
        ASSERT_TRUE(rom.save("vurk.smc"));
        oldImage = readFileBytes("vurk.smc");
        // The VMAP to import: level 2 with every region changed.
        fs::create_directory("maps");
        LevelState s;
        test::loadFromImage(s, 2);
        for (auto& b : s.mapBuffer) b = static_cast<uint8_t>(b + 1);
        s.items[0].x = 300;
        s.victims[4].code = 0x838888;
        s.otm[1].y = 99;
        s.rsm[0].radius = 3;
        s.victims[kStart1Record].x = 40;
        test::FakeShell shell;
        ASSERT_TRUE(writeVmap(s, shell));
        closeRomImage(s.rom);

        ToolRun r = runTool("import 2");
        ASSERT_EQ(r.status, 0) << r.err;
        newImage = readFileBytes("vurk.smc");
        ASSERT_NE(newImage, oldImage);
    }
    using ToolRun = test::ToolRun;
    static ToolRun runTool(const std::string& args, const std::string& fault = "") {
        return runProgram("VURK_TEST_IO_FAULT=" + fault + " " VURK_TOOL_PATH, args);
    }
    void reset() const {
        writeFileBytes("vurk.smc", oldImage);
        fs::remove("vurk.smc.journal");
    }
    // Opens the image as the next editor would; true when it ended up new.
    bool recoverAndCheck(const std::string& what) {
        const bool hadJournal = fs::exists("vurk.smc.journal");
        RomImage image;
        EXPECT_EQ(openRomImage(image), RomOpenResult::Ok) << what << ": " << image.file.errorText();
        EXPECT_EQ(!image.file.recoveryNote().empty(), hadJournal) << what;
        closeRomImage(image);
        const auto now = readFileBytes("vurk.smc");
        EXPECT_TRUE(now == oldImage || now == newImage) << what << ": the image is neither old nor new";
        EXPECT_FALSE(fs::exists("vurk.smc.journal")) << what;
        return now == newImage;
    }

    WorkDir dir;
    std::vector<uint8_t> oldImage, newImage;
};

TEST_F(KilledImport, StoppedAtEveryWriteStep) {
    int steps = 0, endedNew = 0;
    for (int k = 1;; ++k) {
        reset();
        ToolRun r = runTool("import 2", "stop:" + std::to_string(k));
        if (r.status == 0) break;  // the save has fewer steps than k
        ASSERT_EQ(r.status, 86) << "step " << k << ": " << r.err;
        ++steps;
        // Old until the journal is whole, new from then on.
        const bool isNew = recoverAndCheck("step " + std::to_string(k));
        EXPECT_TRUE(isNew || endedNew == 0) << "step " << k << " ended old after an earlier step ended new";
        endedNew += isNew;
    }
    // Journal pieces and syncs, the regions, the image sync and the removal.
    EXPECT_GE(steps, 12);
    EXPECT_GT(endedNew, 0);
    EXPECT_LT(endedNew, steps);
}

// Starts `vurk-tool import 2`, quiet, with the fault given (if any).
pid_t spawnImport(const std::string& fault) {
    const std::string line = "exec env VURK_TEST_IO_FAULT=" + fault + " " VURK_TOOL_PATH " import 2 2>/dev/null";
    const char* argv[] = {"/bin/sh", "-c", line.c_str(), nullptr};
    pid_t pid = -1;
    return posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) == 0 ? pid : -1;
}

TEST_F(KilledImport, KilledAtRandomMoments) {
    const char* env = std::getenv("VURK_KILL_ROUNDS");
    const int rounds = env ? std::atoi(env) : 30;
    // The kills fall between the moment the save starts (a run stopped at its
    // first write step) and the end of a whole run, both measured here.
    auto medianRun = [this](const std::string& fault) {
        std::vector<long> us;
        for (int i = 0; i < 3; ++i) {
            reset();
            auto t0 = std::chrono::steady_clock::now();
            pid_t pid = spawnImport(fault);
            int status = 0;
            waitpid(pid, &status, 0);
            us.push_back(static_cast<long>(
                std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0).count()));
        }
        std::sort(us.begin(), us.end());
        return us[1];
    };
    const long saveStarts = medianRun("stop:1"), runEnds = medianRun("");
    std::mt19937 rng(12345);
    std::uniform_int_distribution<long> delay(saveStarts / 2, std::max(runEnds, saveStarts));
    int endedNew = 0, midSave = 0;
    for (int i = 0; i < rounds; ++i) {
        reset();
        pid_t pid = spawnImport("");
        ASSERT_GT(pid, 0);
        usleep(static_cast<useconds_t>(delay(rng)));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        midSave += fs::exists("vurk.smc.journal");
        endedNew += recoverAndCheck("kill " + std::to_string(i));
    }
    std::printf("%d kills from %ld to %ld us: %d during a save, %d ended new\n", rounds, saveStarts / 2,
                runEnds, midSave, endedNew);
}

TEST_F(KilledImport, ToolSaysWhatWentWrongAndWhatWasRecovered) {
    struct Case {
        const char* args;
        const char* fault;
        int status;
        const char* line;
    } cases[] = {
        {"levels", "fail:read", 1, "Error: vurk.smc could not be read: Input/output error.\n"},
        {"import 2", "fail:1", 1,
         "Error: The save journal vurk.smc.journal could not be written (Input/output error); vurk.smc is "
         "unchanged.\n"},
        {"import 2", "stop:2", 86, ""},
        {"dump 1", "", 0, ""},  // a reader leaves the torn journal to the next writer
        {"replace 1 --tile 0 0", "", 0,
         "Note: The last save to vurk.smc was interrupted before it changed anything; its incomplete journal was "
         "removed and vurk.smc is as it was before that save.\n"},
    };
    reset();
    for (const Case& c : cases) {
        ToolRun r = runTool(c.args, c.fault);
        EXPECT_EQ(r.status, c.status) << c.args << " " << c.fault;
        EXPECT_EQ(r.err, c.line) << c.args << " " << c.fault;
    }
    EXPECT_EQ(readFileBytes("vurk.smc"), oldImage);
}

}  // namespace
}  // namespace vurk
