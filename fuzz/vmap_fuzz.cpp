// The VMAP reader. The input is maps/levelNN.vmap for the demo level it names
// (its level field; level 0 when that names none). A refused file shows one
// box and changes nothing; a taken one keeps the level's list lengths, and
// once saved the level must load back exactly as it stood.
#include <cstring>
#include <filesystem>

#include "fuzz/fuzz_support.h"
#include "level/level_state.h"
#include "platform/files.h"
#include "tools/demo_levels.h"

using namespace vurk;
using namespace vurk::fuzz;

namespace {

// Everything a VMAP file or a save can touch.
struct Snapshot {
    std::vector<uint8_t> header, map, items, victims, otm, rsm, bonus;
    bool operator==(const Snapshot&) const = default;
    bool sameCounts(const Snapshot& o) const {
        return map.size() == o.map.size() && items.size() == o.items.size() && otm.size() == o.otm.size() &&
               rsm.size() == o.rsm.size() && bonus.size() == o.bonus.size();
    }
};

Snapshot snapshot(const LevelState& s) {
    return {bytesOf(&s.header, 1),
            s.mapBuffer,
            bytesOf(s.items.data(), s.items.size()),
            bytesOf(s.victims.data(), s.victims.size()),
            bytesOf(s.otm.data(), s.otm.size()),
            bytesOf(s.rsm.data(), s.rsm.size()),
            bytesOf(s.bonus.data(), s.bonus.size())};
}

bool imageDirty = true;  // the image file must be written afresh

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t level = 0;
    if (size >= 8) {
        const uint32_t named = ~readLe32(data + 4);
        if (named < kLevelCount) level = named;
    }
    InWorkFolder here;
    if (imageDirty) {
        std::filesystem::create_directories("maps");
        writeFile(kRomFileName, demoImageBytes());
        imageDirty = false;
    }
    writeFile(nativePath(vmapPath(level)), data, size);

    LevelState s;
    if (openRomImage(s.rom) != RomOpenResult::Ok) fail("the demo image does not open");
    std::string why;
    if (!loadLevelData(s, level, why)) fail("demo level %u refused: %s", level, why.c_str());
    const Snapshot before = snapshot(s);

    CountingShell shell;
    if (!readVmapData(s, shell)) {
        if (shell.boxes != 1) fail("a refused VMAP file showed %d boxes", shell.boxes);
        if (!(snapshot(s) == before)) fail("a refused VMAP file changed the level: %s", shell.lastText.c_str());
        return 0;
    }
    if (shell.boxes != 0) fail("a VMAP file was taken with a box: %s", shell.lastText.c_str());
    const Snapshot taken = snapshot(s);
    if (!taken.sameCounts(before)) fail("a VMAP file changed the list lengths");

    // Saving writes the image; the next input starts from a fresh one.
    imageDirty = true;
    if (!writeLevel(s, &why)) {
        closeRomImage(s.rom);
        if (readFile(kRomFileName) != demoImageBytes()) fail("a refused save changed the image: %s", why.c_str());
        return 0;
    }
    const Snapshot saved = snapshot(s);
    if (!loadLevelData(s, level, why)) fail("level %u, saved from a VMAP file, is refused: %s", level, why.c_str());
    const Snapshot reloaded = snapshot(s);
    if (!reloaded.sameCounts(saved)) {
        fail("level %u, saved from a VMAP file, loads back with other list lengths: items %zu -> %zu, otm %zu -> %zu, "
             "rsm %zu -> %zu, bonus %zu -> %zu",
             level, saved.items.size() / sizeof(ItemRecord), reloaded.items.size() / sizeof(ItemRecord),
             saved.otm.size() / sizeof(OtmRecord), reloaded.otm.size() / sizeof(OtmRecord),
             saved.rsm.size() / sizeof(RsmRecord), reloaded.rsm.size() / sizeof(RsmRecord),
             saved.bonus.size() / 2, reloaded.bonus.size() / 2);
    }
    if (!(reloaded == saved)) fail("level %u, saved from a VMAP file, loads back different", level);
    return 0;
}
