// Checks that a save keeps the shape of the level's lists: the next load must
// count as many items and bonus codes, and find the lists where they were.
#include <cstddef>

#include "level/level_state.h"

namespace vurk {

namespace {

// The word at `offset` as the image will hold it after the regions are written.
uint16_t wordAfterSave(const LevelState& s, const std::vector<ImageRegion>& regions, uint64_t offset) {
    uint8_t b[2] = {0, 0};
    for (uint64_t k = 0; k < 2; ++k) {
        const uint64_t at = offset + k;
        if (at < s.rom.size()) b[k] = s.rom.base()[at];
        for (const ImageRegion& r : regions) {
            if (at >= r.offset && at - r.offset < r.bytes.size()) b[k] = r.bytes[at - r.offset];
        }
    }
    return readLe16(b);
}

std::string overlapText(const char* what) {
    return std::string("Saving would change ") + what +
           ": parts of this level overlap in vurk.smc, so the next load would count its lists differently.";
}

// The reason for saveKeepsLists, or an empty text.
std::string listChangeText(const LevelState& s, const std::vector<ImageRegion>& written) {
    if (!s.levelLoaded || !s.rom.isOpen()) return {};
    const size_t items = s.items.size();
    if (int i = firstItemAtZeroX(s.items); i >= 0) {
        return "Item " + std::to_string(i + 1) + " of " + std::to_string(items) +
               " is at x = 0. An item at x = 0 ends the level's item list, so the items after it would be "
               "lost. Move it and save again.";
    }
    // Freed bonus slots are left at 0 at the end of the list; a used slot after
    // an empty one would be cut off.
    size_t bonusUsed = 0;
    while (bonusUsed < s.bonus.size() && s.bonus[bonusUsed] != 0) ++bonusUsed;
    for (size_t i = bonusUsed; i < s.bonus.size(); ++i) {
        if (s.bonus[i] != 0) {
            return "Bonus slot " + std::to_string(bonusUsed + 1) + " of " + std::to_string(s.bonus.size()) +
                   " is empty but a later one is not. An empty slot ends the level's bonus list, so the "
                   "bonuses after it would be lost.";
        }
    }

    // Every word the next load counts by, as the save will leave it: the item
    // list's x words and its end, the bonus codes and their end, and the list
    // pointers in the header.
    const LevelRegions& r = s.regions;
    const LevelHeader& header = s.header;
    for (size_t i = 0; i <= items; ++i) {
        if ((wordAfterSave(s, written, r.items + i * sizeof(ItemRecord)) == 0) != (i == items)) {
            return overlapText("the length of its item list");
        }
    }
    if (s.header.bonusList != 0) {
        for (size_t i = 0; i <= bonusUsed; ++i) {
            if ((wordAfterSave(s, written, r.bonus + 2 * i) == 0) != (i == bonusUsed)) {
                return overlapText("the length of its bonus list");
            }
        }
    }
    constexpr size_t kPointerFields[] = {offsetof(LevelHeader, rsmList), offsetof(LevelHeader, victimBlock),
                                         offsetof(LevelHeader, itemList), offsetof(LevelHeader, width),
                                         offsetof(LevelHeader, height), offsetof(LevelHeader, bonusList)};
    for (size_t field : kPointerFields) {
        const uint16_t expected = readLe16(reinterpret_cast<const uint8_t*>(&header) + field);
        if (wordAfterSave(s, written, r.header + field) != expected) {
            return overlapText("the list pointers or the map size in its header");
        }
    }
    return {};
}

}  // namespace

int firstItemAtZeroX(const std::vector<ItemRecord>& items) {
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].x == 0) return static_cast<int>(i);
    }
    return -1;
}

bool saveKeepsLists(const LevelState& s, const std::vector<ImageRegion>& written, std::string* why) {
    std::string text = listChangeText(s, written);
    if (why && !text.empty()) *why = text;
    return text.empty();
}

}  // namespace vurk
