// vurk-tool restore, whole and --level, run in-process. vurk.smc is the demo
// image; the restore point is the demo image with the input from the bank $9F
// data on (after two bytes: the level, and whole or one level), as long as
// vurk.smc. A refused restore changes nothing; a whole restore makes the
// image the restore point; a level restore makes the level's bytes those of
// the restore point and changes nothing outside them.
#include <filesystem>

#include "fuzz/fuzz_support.h"
#include "level/level_state.h"
#include "level/restore_points.h"

using namespace vurk;
using namespace vurk::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > kBank9FEnd - kTailStart + 2) return 0;
    const uint32_t level = data[0] % kLevelCount;
    const bool oneLevel = data[1] & 1;
    const std::vector<uint8_t>& image = demoImageBytes();
    const std::vector<uint8_t> point = imageWithTail(data + 2, size - 2, image.size());

    InWorkFolder here;
    std::error_code ec;
    std::filesystem::remove_all(kBackupFolder, ec);  // restore points of earlier runs
    writeFile(kRomFileName, image);
    writeFile("point.smc", point);
    std::vector<std::string> args = {"restore", "point.smc"};
    if (oneLevel) args.insert(args.end(), {"--level", std::to_string(level)});
    const int status = runToolCommand(args);
    const std::vector<uint8_t> after = readFile(kRomFileName);

    if (status != 0) {
        if (after != image) fail("a refused restore changed vurk.smc");
        return 0;
    }
    if (!oneLevel) {
        if (after != point) fail("a whole restore left vurk.smc other than the restore point");
        return 0;
    }
    // The level's bytes as the restore point holds them, nothing else changed.
    LevelState from;
    holdRomImage(from.rom, point);
    std::string why;
    if (!loadLevelData(from, level, why)) fail("level %u restored from a restore point that refuses it", level);
    std::vector<uint8_t> want = image;
    for (const ImageSpan& span : levelSpans(from))
        std::copy(point.begin() + span.offset, point.begin() + span.offset + span.size, want.begin() + span.offset);
    if (after != want) {
        for (size_t i = 0; i < after.size(); ++i)
            if (after[i] != want[i])
                fail("restoring level %u left byte 0x%zX at 0x%02X, not 0x%02X", level, i, after[i], want[i]);
    }
    return 0;
}
