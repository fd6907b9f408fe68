#include <cstring>

#include "level/level_state.h"

namespace vurk {

namespace {

std::string levelText(uint32_t level, const char* what) {
    return "Level " + std::to_string(level) + ": " + what;
}

// Counts the records of a list that ends with a record whose first word is 0.
// Returns false when no end lies inside [start, limit).
bool countUntilZeroWord(const RomImage& rom, uint32_t start, uint32_t stride, uint64_t limit,
                        uint32_t& count) {
    count = 0;
    for (uint64_t at = start; at + 2 <= limit; at += stride) {
        if (readLe16(rom.base() + at) == 0) return true;
        if (at + stride > limit) return false;  // a record would be cut off
        ++count;
    }
    return false;
}

template <typename Record>
std::vector<Record> copyRecords(const RomImage& rom, uint32_t offset, uint32_t count) {
    std::vector<Record> records(count);
    if (count > 0) std::memcpy(records.data(), rom.base() + offset, count * sizeof(Record));
    return records;
}

// Everything a level load reads, gathered before anything in the state changes.
struct LoadedLevel {
    LevelHeader header{};
    LevelRegions regions;
    uint32_t rsmCount = 0;
    uint32_t otmCount = 0;
    uint32_t itemCount = 0;
    uint32_t bonusCount = 0;
    bool hasBonus = false;
};

// Checks every region the header names against the image and works out the
// list lengths. Returns an empty text when the level is sound.
std::string checkLevel(const RomImage& rom, uint32_t level, LoadedLevel& out) {
    const LevelHeader& h = out.header;
    if (h.width == 0 || h.height == 0) return levelText(level, "the map has no cells");
    if (h.width > kMaxMapSide || h.height > kMaxMapSide) {
        return "Level " + std::to_string(level) + ": the map is too large for 16-bit object coordinates (" +
               std::to_string(h.width) + " x " + std::to_string(h.height) + " cells; at most " +
               std::to_string(kMaxMapSide) + " a side)";
    }

    uint64_t mapSize = uint64_t{h.width} * h.height * 2;
    out.regions.map = longPointerOffset(h.mapPointer);
    if (!rom.contains(out.regions.map, mapSize)) {
        return levelText(level, "the tile map lies outside vurk.smc");
    }

    // The rsm list, the victim block, the otm list and the item list follow one
    // another; each neighbour bounds the length of the list before it. A list
    // whose neighbour leaves it no room is empty: an rsm list at or after the
    // victim block, an otm list when the items start less than 122 bytes after
    // the victims.
    const uint32_t rsmList = h.rsmList, victimBlock = h.victimBlock, itemList = h.itemList;
    const uint32_t rsmBytes = rsmList < victimBlock ? victimBlock - rsmList : 0;
    const uint32_t otmBytes = itemList > victimBlock + 120 ? itemList - victimBlock - 120 : 0;
    out.regions.rsm = shortPointerOffset(h.rsmList);
    out.regions.victims = shortPointerOffset(h.victimBlock);
    out.regions.otm = out.regions.victims + 120;
    out.regions.items = shortPointerOffset(h.itemList);

    if (!rom.contains(out.regions.rsm, rsmBytes)) {
        return levelText(level, "the rsm list lies outside vurk.smc");
    }
    if (!rom.contains(out.regions.victims, 120)) {
        return levelText(level, "the victim block lies outside vurk.smc");
    }
    if (!rom.contains(out.regions.otm, otmBytes)) {
        return levelText(level, "the otm list lies outside vurk.smc");
    }
    out.rsmCount = rsmBytes <= 2 ? 0 : (rsmBytes - 2) / 10;
    out.otmCount = otmBytes <= 2 ? 0 : (otmBytes - 2) / 12;

    // Lists that end with a 0 word must end inside bank $9F and inside the file.
    uint64_t limit = std::min<uint64_t>(rom.size(), kBank9FEnd);
    const char* pastItems = limit == rom.size() ? "the item list runs past the end of vurk.smc"
                                                : "the item list runs past the end of bank $9F";
    if (!countUntilZeroWord(rom, out.regions.items, sizeof(ItemRecord), limit, out.itemCount)) {
        return levelText(level, pastItems);
    }
    // A save writes the four lists back where they were read: none may overlap another.
    const uint64_t lists[4][2] = {
        {out.regions.rsm, uint64_t{out.rsmCount} * sizeof(RsmRecord)},
        {out.regions.victims, kVictimCount * sizeof(VictimRecord)},
        {out.regions.otm, uint64_t{out.otmCount} * sizeof(OtmRecord)},
        {out.regions.items, uint64_t{out.itemCount} * sizeof(ItemRecord)},
    };
    for (size_t i = 0; i < 4; ++i) {
        for (size_t j = i + 1; j < 4; ++j) {
            const bool overlap = lists[i][1] > 0 && lists[j][1] > 0 && lists[i][0] < lists[j][0] + lists[j][1] &&
                                 lists[j][0] < lists[i][0] + lists[i][1];
            if (overlap) return levelText(level, "the object lists (rsm list, victims, otm list, items) overlap");
        }
    }
    out.hasBonus = h.bonusList != 0;
    if (out.hasBonus) {
        out.regions.bonus = shortPointerOffset(h.bonusList);
        const char* pastBonus = limit == rom.size()
                                    ? "the bonus list runs past the end of vurk.smc"
                                    : "the bonus list runs past the end of bank $9F";
        if (!countUntilZeroWord(rom, out.regions.bonus, 2, limit, out.bonusCount)) {
            return levelText(level, pastBonus);
        }
    }
    return {};
}

}  // namespace

bool loadLevelData(LevelState& s, uint32_t level, std::string& why) {
    const RomImage& rom = s.rom;
    if (!rom.isOpen()) {
        why = "vurk.smc is not open";
        return false;
    }
    if (level >= kLevelCount) {
        why = levelText(level, "there is no such level (0 to 55)");
        return false;
    }
    auto headerOffset = levelHeaderOffset(rom, level);
    if (!headerOffset) {
        why = levelText(level, "vurk.smc is too short to hold the level table");
        return false;
    }

    LoadedLevel next;
    next.regions.header = *headerOffset;
    if (s.keepHeader && s.levelLoaded) {
        next.header = s.header;
    } else {
        if (!rom.contains(*headerOffset, sizeof(LevelHeader))) {
            why = levelText(level, "the level header lies outside vurk.smc");
            return false;
        }
        std::memcpy(&next.header, rom.base() + *headerOffset, sizeof(LevelHeader));
    }
    why = checkLevel(rom, level, next);
    if (!why.empty()) return false;

    // The level is sound: from here on nothing can fail.
    const LevelHeader& h = next.header;
    s.header = h;
    s.regions = next.regions;
    s.currentLevel = level;
    s.levelLoaded = true;
    s.mapWidth = h.width;
    s.mapHeight = h.height;
    s.mapSize = s.mapWidth * s.mapHeight * 2;
    s.mapBuffer.assign(rom.base() + s.regions.map, rom.base() + s.regions.map + s.mapSize);

    // Bonus list, items, victims with start points and otm list, rsm list.
    s.bonus.assign(next.bonusCount, 0);
    for (uint32_t i = 0; i < next.bonusCount; ++i) {
        s.bonus[i] = readLe16(rom.base() + s.regions.bonus + 2 * i);
    }
    s.items = copyRecords<ItemRecord>(rom, s.regions.items, next.itemCount);
    std::memcpy(s.victims.data(), rom.base() + s.regions.victims, kVictimCount * sizeof(VictimRecord));
    VictimRecord start1{}, start2{};
    start1.x = h.start1X;
    start1.y = h.start1Y;
    start1.code = 0;
    start2.x = h.start2X;
    start2.y = h.start2Y;
    start2.code = 1;
    s.victims[kStart1Record] = start1;
    s.victims[kStart2Record] = start2;
    s.otm = copyRecords<OtmRecord>(rom, s.regions.otm, next.otmCount);
    s.rsm = copyRecords<RsmRecord>(rom, s.regions.rsm, next.rsmCount);

    s.clipboard.index = 0;
    s.clipboard.tiles[0] = s.mapBuffer[0];
    return true;
}

}  // namespace vurk
