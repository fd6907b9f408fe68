// The game's level records, byte for byte as they lie in the image, in memory
// and in VMAP side files. Fields are little-endian raw bytes (platform/bytes.h),
// so records copy whole and never need swapping.
#pragma once

#include <array>
#include <cstdint>

#include "platform/bytes.h"

namespace vurk {

struct LevelHeader {
    Le32 tileset;        // long pointer naming the tileset; selects the tile sheet
    Le32 mapPointer;     // long pointer to the tile map
    Le32 tilesetData1;   // set together with tileset
    Le32 tilesetData2;   // set together with tileset
    Le32 bgPalette;      // long pointer to the background palette
    uint8_t unknown20[8];
    Le16 rsmList;        // bank $9F pointers to the object lists
    Le16 victimBlock;
    Le16 itemList;
    Le16 width;          // map size in cells
    Le16 height;
    Le16 tilesetVariant;
    Le16 unknown40;
    Le16 start1X;        // first player's start point, level pixels
    Le16 start1Y;
    Le16 start2X;        // second player's start point
    Le16 start2Y;
    Le16 music;          // music number plus 2
    uint8_t unknown52[6];
    Le16 bonusList;      // bank $9F pointer to the bonus list; 0: none
};
static_assert(sizeof(LevelHeader) == 60);

struct ItemRecord {
    Le16 x;  // centre; 0 ends the list in the image
    Le16 y;
    uint8_t type;  // 2 * item index
};
static_assert(sizeof(ItemRecord) == 5);

struct VictimRecord {
    Le16 x;  // foot point
    Le16 y;
    Le16 unknown4;
    Le16 number;  // shown beside the victim
    Le32 code;    // victim kind; 0 and 1 in the two start-point records
};
static_assert(sizeof(VictimRecord) == 12);

struct OtmRecord {
    Le16 x;  // foot point (bottom centre of the sprite)
    Le16 y;
    Le16 data;
    Le16 number;
    Le32 code;  // monster kind
};
static_assert(sizeof(OtmRecord) == 12);

struct RsmRecord {
    uint8_t delay;
    Le16 x;  // foot point
    Le16 y;
    uint8_t radius;
    Le32 code;  // monster kind
};
static_assert(sizeof(RsmRecord) == 10);

// Records from their fields; the others are 0.
inline ItemRecord makeItem(uint16_t x, uint16_t y, uint8_t type) {
    ItemRecord r{};
    r.x = x;
    r.y = y;
    r.type = type;
    return r;
}
inline OtmRecord makeOtm(uint16_t x, uint16_t y, uint32_t code, uint16_t data = 0, uint16_t number = 0) {
    OtmRecord r{};
    r.x = x;
    r.y = y;
    r.code = code;
    r.data = data;
    r.number = number;
    return r;
}
inline RsmRecord makeRsm(uint16_t x, uint16_t y, uint32_t code, uint8_t radius = 0, uint8_t delay = 0) {
    RsmRecord r{};
    r.x = x;
    r.y = y;
    r.code = code;
    r.radius = radius;
    r.delay = delay;
    return r;
}

// The ten victims, then the two players' start points.
constexpr int kVictimCount = 10;
constexpr int kStart1Record = 10;
constexpr int kStart2Record = 11;
using VictimArray = std::array<VictimRecord, 12>;

// Ten recently used tile values and the current slot.
struct TileClipboard {
    std::array<uint8_t, 10> tiles{};
    uint32_t index = 0;
};

}  // namespace vurk
