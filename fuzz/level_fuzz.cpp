// The level loader over a whole image. The image is the demo image up to the
// data of bank $9F followed by the input, so the input holds the level table,
// every header and object list, and decides where the file ends. Every level
// 0 to 55 is loaded; every level that loads is saved unchanged (or refused, when
// its regions overlap), and the file must afterwards be byte for byte what it was.
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "fuzz/fuzz_support.h"
#include "level/level_state.h"
#include "tools/demo_levels.h"

using namespace vurk;
using namespace vurk::fuzz;

namespace {

// What a refused load must leave alone.
struct Fingerprint {
    bool loaded;
    uint32_t level;
    std::vector<uint8_t> header, map;
    size_t items, otm, rsm, bonus;
    bool operator==(const Fingerprint&) const = default;
};

Fingerprint fingerprint(const LevelState& s) {
    return {s.levelLoaded, s.currentLevel, bytesOf(&s.header, 1), s.mapBuffer,
            s.items.size(), s.otm.size(), s.rsm.size(), s.bonus.size()};
}

const std::vector<uint8_t>& imageStart() {
    static const std::vector<uint8_t> start = [] {
        std::vector<uint8_t> image = demo::demoImage().image;
        image.resize(kTailStart);
        return image;
    }();
    return start;
}

void writeImage(const std::string& path, const uint8_t* tail, size_t size) {
    const std::vector<uint8_t>& start = imageStart();
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    bool ok = fd >= 0 && ::pwrite(fd, start.data(), start.size(), 0) == static_cast<ssize_t>(start.size()) &&
              (size == 0 || ::pwrite(fd, tail, size, kTailStart) == static_cast<ssize_t>(size)) &&
              ::ftruncate(fd, kTailStart + static_cast<off_t>(size)) == 0;
    if (fd >= 0) ::close(fd);
    if (!ok) fail("cannot write %s", path.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Longer inputs only make an image longer than a real one.
    if (size > kBank9FEnd - kTailStart + 0x1000) return 0;
    const std::string path = workFolder() + "/vurk.smc";
    writeImage(path, data, size);

    {
        // Saves make their restore points beside the working folder's image.
        InWorkFolder here;
        LevelState s;
        if (openRomImage(s.rom, path) != RomOpenResult::Ok) {
            // Only a full-size image must open; a short one may be refused whole.
            if (kTailStart + size >= kBank9FEnd) fail("a full-size image does not open");
            return 0;
        }
        for (uint32_t level = 0; level < kLevelCount; ++level) {
            const Fingerprint before = fingerprint(s);
            std::string why;
            if (!loadLevelData(s, level, why)) {
                if (why.empty()) fail("level %u refused without a reason", level);
                if (!(fingerprint(s) == before)) fail("refusing level %u changed the state: %s", level, why.c_str());
                continue;
            }
            if (!writeLevel(s, &why) && why.find(" overlap in vurk.smc") == std::string::npos) {
                fail("level %u loads but cannot be saved unchanged: %s", level, why.c_str());
            }
        }
        closeRomImage(s.rom);
    }

    const std::vector<uint8_t> after = readFile(path);
    const std::vector<uint8_t>& start = imageStart();
    if (after.size() != kTailStart + size) fail("the image changed size: %zu bytes", after.size());
    if (std::memcmp(after.data(), start.data(), kTailStart) == 0 &&
        (size == 0 || std::memcmp(after.data() + kTailStart, data, size) == 0)) {
        return 0;
    }
    for (size_t i = 0; i < after.size(); ++i) {
        const uint8_t was = i < kTailStart ? start[i] : data[i - kTailStart];
        if (after[i] != was) fail("saving unchanged levels changed byte 0x%zX: 0x%02X -> 0x%02X", i, was, after[i]);
    }
    return 0;
}
