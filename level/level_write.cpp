#include <algorithm>
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

std::vector<ImageRegion> levelSaveRegions(const LevelState& s) {
    const LevelRegions& r = s.regions;
    // The start points travel back inside the header.
    LevelHeader header = s.header;
    header.start1X = s.victims[kStart1Record].x;
    header.start1Y = s.victims[kStart1Record].y;
    header.start2X = s.victims[kStart2Record].x;
    header.start2Y = s.victims[kStart2Record].y;

    std::vector<ImageRegion> regions;
    regions.push_back(recordsAt(r.map, s.mapBuffer.data(), s.mapSize));
    regions.push_back(recordsAt(r.items, s.items.data(), s.items.size()));
    regions.push_back(recordsAt(r.victims, s.victims.data(), kVictimCount));
    regions.push_back(recordsAt(r.otm, s.otm.data(), s.otm.size()));
    regions.push_back(recordsAt(r.rsm, s.rsm.data(), s.rsm.size()));
    regions.push_back(recordsAt(r.header, &header, 1));
    ImageRegion bonus{r.bonus, std::vector<uint8_t>(2 * s.bonus.size())};
    for (size_t i = 0; i < s.bonus.size(); ++i) writeLe16(bonus.bytes.data() + 2 * i, s.bonus[i]);
    regions.push_back(std::move(bonus));
    return regions;
}

bool writeLevel(LevelState& s, std::string* why) {
    if (!s.levelLoaded || !s.rom.isOpen()) {
        if (why) *why = "No level is loaded.";
        return false;
    }
    const std::vector<ImageRegion> regions = levelSaveRegions(s);
    if (!saveKeepsLists(s, why)) return false;  // before anything is written
    if (!saveWithRestorePoint(s.restorePoints, s.rom, regions, why)) return false;
    // The working header holds the saved start points from now on.
    s.header.start1X = s.victims[kStart1Record].x;
    s.header.start1Y = s.victims[kStart1Record].y;
    s.header.start2X = s.victims[kStart2Record].x;
    s.header.start2Y = s.victims[kStart2Record].y;
    return true;
}

}  // namespace vurk
