// vurk-tool diff run in-process over two hostile images and a hostile VMAP
// file. The input is a 2-byte length, that many bytes put after the start of
// the demo image for A, a second 2-byte length and B's bytes likewise, and the
// rest as the VMAP file. Nothing may crash or misbehave (the sanitizers
// watch), and an image compared with itself, or with a VMAP file of its own
// levels, shows no difference.
#include <filesystem>

#include "fuzz/fuzz_support.h"
#include "level/level_state.h"

using namespace vurk;
using namespace vurk::fuzz;

namespace {

// The next part of the input: a 2-byte length (cut to what is left), then
// that many bytes.
std::vector<uint8_t> takePart(const uint8_t*& data, size_t& size) {
    if (size < 2) {
        size = 0;
        return {};
    }
    const size_t n = std::min<size_t>(readLe16(data), size - 2);
    std::vector<uint8_t> part(data + 2, data + 2 + n);
    data += 2 + n;
    size -= 2 + n;
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 3 * (kBank9FEnd - kTailStart)) return 0;
    const std::vector<uint8_t> tailA = takePart(data, size), tailB = takePart(data, size);
    InWorkFolder here;
    std::filesystem::create_directories("maps");
    writeFile("a.smc", imageWithTail(tailA.data(), tailA.size()));
    writeFile("b.smc", imageWithTail(tailB.data(), tailB.size()));
    writeFile("c.vmap", data, size);

    runToolCommand({"diff", "a.smc", "b.smc"});
    runToolCommand({"diff", "a.smc", "c.vmap"});
    std::string out;
    const int same = runToolCommand({"diff", "a.smc", "a.smc"}, &out);
    if (same != 0 || !out.empty()) fail("an image differs from itself (status %d):\n%s", same, out.c_str());
    // A VMAP file exported from A's level over A itself is no difference either.
    writeFile(kRomFileName, imageWithTail(tailA.data(), tailA.size()));
    LevelState s;
    CountingShell shell;
    if (openRomImage(s.rom) != RomOpenResult::Ok) return 0;
    const uint32_t level = size > 0 ? data[0] % kLevelCount : 0;
    std::string why;
    if (!loadLevelData(s, level, why) || !writeVmap(s, shell)) return 0;
    closeRomImage(s.rom);
    const int own = runToolCommand({"diff", "a.smc", vmapPath(level)}, &out);
    if (own != 0 || !out.empty())
        fail("level %u differs from its own VMAP file (status %d):\n%s", level, own, out.c_str());
    return 0;
}
