#include <cstring>

#include "level/level_state.h"

namespace vurk {

namespace {

// The bytes of `count` records, to go to `offset`.
template <typename Record>
ImageRegion recordsAt(uint32_t offset, const Record* records, size_t count) {
    const auto* p = reinterpret_cast<const uint8_t*>(records);
    return {offset, std::vector<uint8_t>(p, p + count * sizeof(Record))};
}

}  // namespace

bool writeLevel(LevelState& s, std::string* why) {
    auto fail = [why](const char* text) {
        if (why) *why = text;
        return false;
    };
    if (!s.levelLoaded || !s.rom.isOpen()) return fail("No level is loaded.");
    if (std::string failed; !ensureRestorePoint(s.restorePoints, s.rom, failed)) return fail(failed.c_str());
    const LevelRegions& r = s.regions;

    // The start points travel back inside the header.
    s.header.start1X = s.victims[kStart1Record].x;
    s.header.start1Y = s.victims[kStart1Record].y;
    s.header.start2X = s.victims[kStart2Record].x;
    s.header.start2Y = s.victims[kStart2Record].y;

    std::vector<ImageRegion> regions;
    regions.push_back(recordsAt(r.map, s.mapBuffer.data(), s.mapSize));
    regions.push_back(recordsAt(r.items, s.items.data(), s.items.size()));
    regions.push_back(recordsAt(r.victims, s.victims.data(), kVictimCount));
    regions.push_back(recordsAt(r.otm, s.otm.data(), s.otm.size()));
    regions.push_back(recordsAt(r.rsm, s.rsm.data(), s.rsm.size()));
    regions.push_back(recordsAt(r.header, &s.header, 1));
    ImageRegion bonus{r.bonus, std::vector<uint8_t>(2 * s.bonus.size())};
    for (size_t i = 0; i < s.bonus.size(); ++i) writeLe16(bonus.bytes.data() + 2 * i, s.bonus[i]);
    regions.push_back(std::move(bonus));
    return saveRegions(s.rom, regions, why);
}

}  // namespace vurk
