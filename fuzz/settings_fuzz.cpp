// The settings reader and writer. The input is vurk.ini; start-up reads it,
// the window is placed as it says, and the exit writes the seven keys back
// into it, which must then read back as written.
#include <algorithm>
#include <limits>

#include "app/settings.h"
#include "fuzz/fuzz_support.h"
#include "platform/profile.h"

using namespace vurk;
using namespace vurk::fuzz;

namespace {

int32_t clampedSum(int32_t a, int32_t b) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{a} + b, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file = workFolder() + "/vurk.ini";
    writeFile(file, data, size);

    const StartSettings start = readStartSettings(file);
    // A file too large to be ours is neither read nor rewritten.
    if (size > kSettingsMaxBytes) return 0;
    if (start.level < 0 || start.level > 55) fail("start level %d", start.level);

    WindowAtExit window;
    window.left = start.x;
    window.top = start.y;
    window.right = clampedSum(start.x, start.w);
    window.bottom = clampedSum(start.y, start.h);
    window.maximized = start.placeWindow && start.maximize;
    int32_t level = start.level;
    writeExitSettings(window, start.options, level, file);

    // What the exit must have written, key by key.
    const int64_t left = std::max(window.left, 0), top = std::max(window.top, 0);
    const struct {
        const char* key;
        int64_t value;
    } expected[] = {
        {"x", left},
        {"y", top},
        {"level", level},
        {"options", start.options},
        {"maxed", window.maximized ? 1 : 0},
        {"w", window.maximized ? 512 : window.right - left},
        {"h", window.maximized ? 384 : window.bottom - top},
    };
    Profile written;
    if (written.load(file, kSettingsMaxBytes) != ReadResult::Ok) fail("vurk.ini cannot be read back");
    for (const auto& e : expected) {
        const int32_t got = written.getInt(kSettingsSection, e.key, -12345);
        if (got != static_cast<int32_t>(e.value)) {
            fail("key %s reads back as %d after writing %lld", e.key, got, static_cast<long long>(e.value));
        }
    }
    const StartSettings again = readStartSettings(file);
    if (again.options != start.options) fail("options %u read back as %u", start.options, again.options);
    if (again.level != level) fail("level %d read back as %d", level, again.level);
    return 0;
}
