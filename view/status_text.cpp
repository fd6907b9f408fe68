#include "view/status_text.h"

#include <cstdio>

#include "view/edit_history.h"
#include "view/game_tables.h"
#include "view/objects.h"

namespace vurk {

namespace {

std::string format(const char* f, auto... args) {
    char text[160];
    std::snprintf(text, sizeof text, f, args...);
    return text;
}

std::string tileText(uint8_t tile) { return format("tile 0x%02X (%u)", unsigned{tile}, unsigned{tile}); }

std::string itemName(uint8_t type) {
    if (type % 2 == 0 && type / 2u < kItemNames.size()) return kItemNames[type / 2u];
    return format("item type 0x%02X", unsigned{type});
}

std::string victimName(size_t slot, uint32_t code) {
    if (slot == static_cast<size_t>(kStart1Record)) return "Player 1 start";
    if (slot == static_cast<size_t>(kStart2Record)) return "Player 2 start";
    const VictimSprite* v = findVictimSprite(code);
    return v && v->name ? std::string(v->name) : format("victim code 0x%06X", code);
}

std::string monsterName(uint32_t code) {
    for (const MonsterSprite& m : MonsterSpriteTable) {
        if (m.code == code) return m.name;
    }
    return format("monster code 0x%06X", code);
}

// The object of the current mode's list under the level point.
std::string objectText(const EditorState& s, uint16_t x, uint16_t y) {
    std::string text;
    if (s.editMode == kModeItem) {
        if (const int32_t i = hitTestItem(s, x, y); i >= 0) {
            const ItemRecord& r = s.items[static_cast<size_t>(i)];
            text = format("Item #%d: ", i) + itemName(r.type) + format(" at %u, %u", unsigned{r.x}, unsigned{r.y});
        }
    } else if (s.editMode == kModeVictim) {
        if (const int32_t i = hitTestVictim(s, x, y); i >= 0) {
            const VictimRecord& r = s.victims[static_cast<size_t>(i)];
            text = format("Victim #%d: ", i) + victimName(static_cast<size_t>(i), r.code) +
                   format(" at %u, %u", unsigned{r.x}, unsigned{r.y});
        }
    } else if (s.editMode == kModeMonster) {
        if (const int32_t i = hitTestMonster(s, x, y); i >= 0) {
            const bool otm = s.monsterList == kOtmList;
            const auto n = static_cast<size_t>(i);
            const uint32_t code = otm ? uint32_t{s.otm[n].code} : uint32_t{s.rsm[n].code};
            const unsigned mx = otm ? unsigned{s.otm[n].x} : unsigned{s.rsm[n].x};
            const unsigned my = otm ? unsigned{s.otm[n].y} : unsigned{s.rsm[n].y};
            text = format("Monster list %d #%d: ", otm ? 1 : 2, i) + monsterName(code) + format(" at %u, %u", mx, my);
        }
    }
    return text;
}

}  // namespace

std::string pointerText(const EditorState& s, int32_t x, int32_t y) {
    if (!s.levelLoaded || x < 0 || y < 0) return {};
    const auto column = static_cast<uint32_t>(x / kCellSize), row = static_cast<uint32_t>(y / kCellSize);
    if (column >= s.mapWidth || row >= s.mapHeight) return {};
    const size_t offset = (size_t{row} * s.mapWidth + column) * 2;
    if (offset >= s.mapBuffer.size()) return {};
    std::string text = format("Cell %u, %u: ", column, row) + tileText(s.mapBuffer[offset]);
    const std::string object = objectText(s, static_cast<uint16_t>(x), static_cast<uint16_t>(y));
    if (!object.empty()) text += "  |  " + object;
    return text;
}

std::string statusBarText(const EditorState& s, const PointerSpot& pointer) {
    std::string text = statusText(s);
    std::string spot;
    if (pointer.over == PointerSpot::Over::Map) spot = pointerText(s, pointer.x, pointer.y);
    else if (pointer.over == PointerSpot::Over::Picker) spot = "Tile picker: " + tileText(pointer.tile);
    if (!spot.empty()) text += (text.empty() ? "" : "  |  ") + spot;
    return text;
}

}  // namespace vurk
