// Saves into the image: journaled, all or nothing, whatever fails or kills them.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
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

std::vector<uint8_t> counting(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7);
    return v;
}

std::vector<uint8_t> memoryOf(const RomImage& image) { return {image.base(), image.base() + image.size()}; }

TEST(ImageSave, RegionsReachFileAndMemoryTogether) {
    WorkDir dir;
    const auto old = counting(8192);
    writeFileBytes("vurk.smc", old);
    RomImage image;
    ASSERT_EQ(openRomImage(image), RomOpenResult::Ok);

    // Overlapping regions: the later one wins where they meet.
    std::string why;
    ASSERT_TRUE(saveRegions(image, {{100, {1, 2, 3, 4}}, {102, {9, 9}}, {8190, {5, 6}}, {4000, {}}}, &why)) << why;
    auto expected = old;
    std::copy_n(std::begin({1, 2, 9, 9}), 4, expected.begin() + 100);
    expected[8190] = 5;
    expected[8191] = 6;
    EXPECT_EQ(readFileBytes("vurk.smc"), expected);
    EXPECT_EQ(memoryOf(image), expected);
    EXPECT_FALSE(fs::exists("vurk.smc.journal"));

    // Refused whole: nothing of it is written.
    EXPECT_FALSE(saveRegions(image, {{0, {0}}, {8191, {1, 2}}}, &why));
    EXPECT_EQ(why, "A region to save lies outside vurk.smc.");
    EXPECT_EQ(readFileBytes("vurk.smc"), expected);
}

TEST(ImageSave, FailingStepLeavesFileAndMemoryUnchanged) {
    for (ImageStep failing : {ImageStep::JournalWrite, ImageStep::JournalSync, ImageStep::FolderSync,
                              ImageStep::ImageWrite, ImageStep::ImageSync}) {
        WorkDir dir;
        const auto old = counting(4096);
        writeFileBytes("vurk.smc", old);
        RomImage image;
        ASSERT_EQ(openRomImage(image), RomOpenResult::Ok);
        std::string why;
        {
            FaultGuard guard(failing, ENOSPC);
            EXPECT_FALSE(saveRegions(image, {{10, {1, 2}}, {3000, {3}}}, &why)) << int(failing);
        }
        EXPECT_NE(why.find("No space left on device"), std::string::npos) << why;
        EXPECT_NE(why.find("unchanged"), std::string::npos) << why;
        EXPECT_EQ(readFileBytes("vurk.smc"), old) << int(failing);
        EXPECT_EQ(memoryOf(image), old) << int(failing);
        EXPECT_FALSE(fs::exists("vurk.smc.journal")) << int(failing);
        // The same save can be tried again.
        EXPECT_TRUE(saveRegions(image, {{10, {1, 2}}, {3000, {3}}}, &why)) << why;
        EXPECT_EQ(readFileBytes("vurk.smc")[3000], 3);
    }
}

TEST(ImageSave, SaveThatCannotBeUndoneIsFinishedAtTheNextOpen) {
    WorkDir dir;
    const auto old = counting(4096);
    writeFileBytes("vurk.smc", old);
    auto expected = old;
    expected[20] = 0xAB;
    for (bool tampered : {false, true}) {
        writeFileBytes("vurk.smc", old);
        RomImage image;
        ASSERT_EQ(openRomImage(image), RomOpenResult::Ok);
        std::string why;
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
        ASSERT_EQ(openRomImage(image), RomOpenResult::Ok);
        EXPECT_EQ(image.file.recoveryNote(),
                  tampered ? "vurk.smc.journal holds an interrupted save that does not match vurk.smc; vurk.smc was "
                             "left as it is and the journal kept as vurk.smc.journal.rejected."
                           : "The last save to vurk.smc was interrupted; it has now been finished from "
                             "vurk.smc.journal.");
        EXPECT_EQ(readFileBytes("vurk.smc"), tampered ? onDisk : expected);
        EXPECT_EQ(memoryOf(image), tampered ? onDisk : expected);
        EXPECT_FALSE(fs::exists("vurk.smc.journal"));
        EXPECT_EQ(fs::exists("vurk.smc.journal.rejected"), tampered);
    }
}

TEST(ImageSave, JournalNameIsNeverFollowed) {
    WorkDir dir;
    writeFileBytes("vurk.smc", counting(4096));
    writeFileBytes("outside.bin", {1, 2, 3});
    RomImage image;
    ASSERT_EQ(openRomImage(image), RomOpenResult::Ok);
    fs::create_symlink("outside.bin", "vurk.smc.journal");
    std::string why;
    EXPECT_TRUE(saveRegions(image, {{0, {0xFF}}}, &why)) << why;
    EXPECT_EQ(readFileBytes("outside.bin"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(readFileBytes("vurk.smc")[0], 0xFF);
    EXPECT_FALSE(fs::exists(fs::symlink_status("vurk.smc.journal")));
}

class SaveLevel : public test::LevelFixture {};

TEST_F(SaveLevel, FailedSaveKeepsTheEditsForAnotherTry) {
    rom.addLevel(0, test::sampleLevel());
    openAndLoad(0);
    const auto before = imageOnDisk();
    state.mapBuffer[0] ^= 0xFF;
    state.items[1].y = 77;
    std::string why;
    {
        FaultGuard guard(ImageStep::ImageSync, EIO);
        EXPECT_FALSE(writeLevel(state, &why));
    }
    EXPECT_EQ(why, "vurk.smc could not be written (Input/output error); it is unchanged.");
    EXPECT_EQ(imageOnDisk(), before);
    EXPECT_EQ(std::vector<uint8_t>(state.rom.base(), state.rom.base() + state.rom.size()), before);
    EXPECT_EQ(state.items[1].y, 77);
    ASSERT_TRUE(writeLevel(state, &why)) << why;
    EXPECT_EQ(imageOnDisk()[state.regions.map], state.mapBuffer[0]);
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
        return runProgram((fault.empty() ? "" : "VURK_TEST_IO_FAULT=" + fault + " ") + VURK_TOOL_PATH, args);
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
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    if (!fault.empty()) env.push_back("VURK_TEST_IO_FAULT=" + fault);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const char* argv[] = {VURK_TOOL_PATH, "import", "2", nullptr};
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, VURK_TOOL_PATH, &quiet, nullptr, const_cast<char**>(argv), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&quiet);
    return pid;
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
        {"dump 1", "", 0,
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
