#include <cstring>

#include "level/level_state.h"

namespace vurk {

bool writeLevel(LevelState& s, std::string* why) {
    auto fail = [why](const char* text) {
        if (why) *why = text;
        return false;
    };
    if (!s.levelLoaded || !s.rom.isOpen()) return fail("No level is loaded.");
    if (std::string failed; !ensureRestorePoint(s.restorePoints, s.rom, failed)) return fail(failed.c_str());
    uint8_t* base = s.rom.base();
    const LevelRegions& r = s.regions;

    std::memcpy(base + r.map, s.mapBuffer.data(), s.mapSize);
    if (!s.items.empty()) std::memcpy(base + r.items, s.items.data(), s.items.size() * sizeof(ItemRecord));
    std::memcpy(base + r.victims, s.victims.data(), kVictimCount * sizeof(VictimRecord));
    if (!s.otm.empty()) std::memcpy(base + r.otm, s.otm.data(), s.otm.size() * sizeof(OtmRecord));
    if (!s.rsm.empty()) std::memcpy(base + r.rsm, s.rsm.data(), s.rsm.size() * sizeof(RsmRecord));

    // The start points travel back inside the header.
    s.header.start1X = s.victims[kStart1Record].x;
    s.header.start1Y = s.victims[kStart1Record].y;
    s.header.start2X = s.victims[kStart2Record].x;
    s.header.start2Y = s.victims[kStart2Record].y;
    std::memcpy(base + r.header, &s.header, sizeof(LevelHeader));

    for (size_t i = 0; i < s.bonus.size(); ++i) writeLe16(base + r.bonus + 2 * i, s.bonus[i]);
    if (!flushRomImage(s.rom)) return fail(kImageWriteFailedText);
    return true;
}

}  // namespace vurk
