// Checks that a save keeps the shape of the level's lists: the next load must
// count as many items and bonus codes, and find the lists where they were; so
// no region the save writes may share a byte with another.
#include <cstddef>

#include "level/level_state.h"

namespace vurk {

namespace {

// "Level 3's tile map and item list overlap ..." for the first two regions of
// the level that share a byte, or an empty text.
std::string overlapText(const LevelState& s) {
    const std::vector<ImageSpan> spans = levelSpans(s);
    for (size_t i = 0; i < spans.size(); ++i) {
        for (size_t j = i + 1; j < spans.size(); ++j) {
            const ImageSpan &a = spans[i], &b = spans[j];
            if (a.size == 0 || b.size == 0 || a.offset >= uint64_t{b.offset} + b.size ||
                b.offset >= uint64_t{a.offset} + a.size)
                continue;
            return "Level " + std::to_string(s.currentLevel) + "'s " + a.what + " and " + b.what +
                   " overlap in vurk.smc, so a save would write one over the other. Nothing was saved.";
        }
    }
    return {};
}

// The reason for saveKeepsLists, or an empty text.
std::string listChangeText(const LevelState& s) {
    if (!s.levelLoaded || !s.rom.isOpen()) return {};
    if (std::string overlap = overlapText(s); !overlap.empty()) return overlap;
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
    return {};
}

}  // namespace

int firstItemAtZeroX(const std::vector<ItemRecord>& items) {
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].x == 0) return static_cast<int>(i);
    }
    return -1;
}

bool saveKeepsLists(const LevelState& s, std::string* why) {
    std::string text = listChangeText(s);
    if (why && !text.empty()) *why = text;
    return text.empty();
}

}  // namespace vurk
