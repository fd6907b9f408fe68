// The game's vocabulary: item, victim and monster kinds with their names, the
// codes the level records store, and where each kind's picture lies in its
// sprite sheet. The map view draws from these tables and the object dialogs
// list the same rows, so a kind is described in exactly one place.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace vurk {

// ---- Tile sheets -------------------------------------------------------------
// The level header's `tileset` that each tile sheet, tiles00 to tiles04, shows.
inline constexpr std::array<uint32_t, 5> kSheetTilesets = {0x9B8000, 0x9AC000, 0x9CB6EF, 0x9C8000, 0x9BBCB5};

// ---- Level properties ----------------------------------------------------------
// The Misc. Data dialog's lists, in list order. Choosing a tileset sets four
// header fields together.

struct TilesetEntry {
    const char* name;
    uint32_t tileset;
    uint32_t tilesetData1;
    uint32_t tilesetData2;
    uint16_t tilesetVariant;
};

inline constexpr std::array<TilesetEntry, 7> kTilesets = {{
    {"Grass", 0x9B8000, 0x9BF4D1, 0x988000, 0x70},
    {"Castle", 0x9AC000, 0x9CEAAB, 0x998000, 0x70},
    {"Mall", 0x9CB6EF, 0x9CEEAB, 0x99C000, 0x69},
    {"Office", 0x9C8000, 0x9CF2AB, 0x9A8000, 0x57},
    {"Desert/Cave/Beach 1", 0x9BBCB5, 0x9BF8D1, 0x98C000, 0x59},
    {"Desert/Cave/Beach 2", 0x9BBCB5, 0x9BF8D1, 0x98C000, 0x58},
    {"Desert/Cave/Beach 3", 0x9BBCB5, 0x9BF8D1, 0x98C000, 0x57},
}};

// Each tile sheet shows one tileset of the list; the last three entries share sheet 4.
static_assert([] {
    for (size_t i = 0; i < kSheetTilesets.size(); ++i)
        if (kTilesets[i].tileset != kSheetTilesets[i]) return false;
    for (size_t i = kSheetTilesets.size(); i < kTilesets.size(); ++i)
        if (kTilesets[i].tileset != kSheetTilesets.back()) return false;
    return true;
}());

struct BgPaletteEntry {
    const char* name;
    uint32_t bgPalette;
};

inline constexpr std::array<BgPaletteEntry, 16> kBgPalettes = {{
    {"Grass", 0x9E8E76},      {"Fall Grass", 0x9E9076},  {"Night Grass", 0x9E9276}, {"Pyramid", 0x9E9476},
    {"Desert", 0x9E9576},     {"???", 0x9E9676},         {"Cave/Beach", 0x9E9776},  {"Castle", 0x9E9876},
    {"Mall 1", 0x9E9C76},     {"Mall 2", 0x9E9D76},      {"Office 1", 0x9E9E76},    {"Fire Cave 1", 0x9E9F76},
    {"Office 2", 0x9EA076},   {"Fire Cave 2", 0x9EA276}, {"Castle 2", 0x9E9B76},    {"Dark Castle", 0x9E9A76},
}};

// The Bonus dialog's list; a level's bonus list holds the codes.
struct BonusEntry {
    const char* name;
    uint16_t code;  // 4 + 2 * row
};

inline constexpr std::array<BonusEntry, 15> kBonuses = {{
    {"All victims saved", 4},   {"10 Cheerleaders", 6},         {"Massive Destruction", 8},
    {"Pass Completion", 10},    {"Weed Cutting", 12},           {"No Bazooka", 14},
    {"Monster Frozen", 16},     {"Extermination", 18},          {"Chainsaw Begone", 20},
    {"Fish fry", 22},           {"Frankenstein Destroyed", 24}, {"Martian Bubbled", 26},
    {"Invasion Repulsed", 28},  {"Vampire Crossed Out", 30},    {"Secret Bonus", 32},
}};

// ---- Items -------------------------------------------------------------------
// An item's `type` is twice its row; its sprite is the 16 x 16 square number
// `type` >> 1 of the item sheet, 16 to a sheet row.

inline constexpr int32_t kItemSpriteSize = 16;

inline constexpr std::array<const char*, 30> kItemNames = {
    "Squirtgun",      "Fire Ext.",    "Bubble Gun",    "Weed Whacker",  "Key",
    "Sneakers",       "Monster Potion", "Invincible Potion", "Mystery Potion",
    "Grey Mystery Potion", "Burger",  "Sodas",         "Tomato",        "Popsicle",
    "Banana",         "Healthkit",    "Plates",        "Forks",         "Cross",
    "Bazooka",        "Football",     "Flamethrower",  "Pandora's Box", "Skeleton Key",
    "Clowns",         "Key Ring",     "Secret Level",  "1Up",           "Coins",
    "Dollars",
};

constexpr uint8_t itemTypeOfRow(size_t row) { return static_cast<uint8_t>(row * 2); }

struct SheetPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// Top-left corner of an item type's sprite in the item sheet.
constexpr SheetPoint itemSpriteOrigin(uint8_t type) {
    const int32_t s = type >> 1;
    return {kItemSpriteSize * (s & 15), kItemSpriteSize * (s >> 4)};
}

// ---- Victims -----------------------------------------------------------------
// Each victim picture has its mask at (maskX, srcY). The two player start
// points (codes 0 and 1) have no mask and are drawn opaquely.

struct VictimSprite {
    const char* name;  // the Choose Victim list's text; null for the start points
    uint32_t code;
    int32_t srcX, srcY, maskX, width, height;
};

inline constexpr uint32_t kStart1Code = 0;
inline constexpr uint32_t kStart2Code = 1;
inline constexpr uint32_t kBbqCode = 0x839699;
// "BBQ"'s picture is drawn this much further left; its hit box is not moved.
inline constexpr int32_t kBbqDrawShift = 9;

inline constexpr std::array<VictimSprite, 13> VictimSpriteTable = {{
    {nullptr, kStart1Code, 88, 89, -1, 15, 35},
    {nullptr, kStart2Code, 95, 145, -1, 20, 38},
    {"BBQ", kBbqCode, 5, 1, 66, 49, 63},
    {"Explorer", 0x839E15, 4, 89, 43, 29, 37},
    {"Armyguy", 0x83993D, 0, 148, 34, 33, 47},
    {"Teacher", 0x839C6D, 0, 210, 32, 31, 38},
    {"Poolguy", 0x839D00, 0, 263, 52, 49, 41},
    {"Dog", 0x839A89, 0, 322, 29, 28, 26},
    {"Trampoline", 0x839843, 0, 360, 29, 28, 40},
    {"Baby", 0x839776, 2, 415, 32, 24, 30},
    {"Dr. Bug", 0x839BAD, 0, 461, 56, 51, 50},
    {"Cheerleader", 0x839EBE, 0, 530, 36, 33, 39},
    {"Tourists", 0x839FE2, 0, 593, 50, 38, 48},
}};

// The eleven victim kinds in the order of the Choose Victim list.
inline constexpr std::span<const VictimSprite> victimKinds() {
    return std::span<const VictimSprite>(VictimSpriteTable).subspan(2);
}

// The row of a victim code, or null when no row has it.
const VictimSprite* findVictimSprite(uint32_t code);

// ---- Monsters ----------------------------------------------------------------
// Pictures of the otm list start at sheet x 0, those of the rsm list at x 96;
// every mask starts one pixel right of its picture.

inline constexpr int32_t kOtmSheetX = 0;
inline constexpr int32_t kRsmSheetX = 96;

struct MonsterGeometry {
    int32_t srcY, width, height;
};

struct MonsterSprite {
    const char* name;  // the Monster Edit list's text
    uint32_t code;
    MonsterGeometry otm;  // as a record of the otm list
    MonsterGeometry rsm;  // as a record of the rsm list
};

namespace detail {
constexpr MonsterSprite monster(const char* name, uint32_t code, int32_t y, int32_t w, int32_t h) {
    return {name, code, {y, w, h}, {y, w, h}};
}
}  // namespace detail

inline constexpr std::array<MonsterSprite, 30> MonsterSpriteTable = {{
    detail::monster("Vampire", 0x82EF36, 0, 23, 46),
    detail::monster("Chainsaw", 0x81983A, 53, 36, 46),
    detail::monster("Frankenstein", 0x81A455, 102, 47, 62),
    {"Flame", 0x82F25D, {172, 15, 30}, {692, 36, 39}},  // the one kind drawn per list
    detail::monster("Dr. Tongue", 0x83B55E, 212, 32, 39),
    detail::monster("Snakeoid", 0x82A8BB, 265, 47, 23),
    detail::monster("Head", 0x83B7F6, 297, 27, 48),
    detail::monster("Plant", 0x81D2F9, 357, 44, 37),
    detail::monster("Plant 2", 0x81D2F1, 357, 44, 37),
    detail::monster("Zombie", 0x8187F8, 0, 38, 19),
    detail::monster("Fast Zombie", 0x8188CA, 26, 31, 40),
    detail::monster("Ant", 0x81C1FB, 73, 37, 36),
    detail::monster("Ant 2", 0x81C321, 118, 44, 47),
    detail::monster("Red Ant", 0x81C3B6, 172, 37, 36),
    detail::monster("Mummy", 0x818C17, 214, 31, 57),
    detail::monster("Doll", 0x81B2B0, 279, 21, 29),
    detail::monster("Martian", 0x8199DF, 315, 30, 44),
    detail::monster("Martian 2", 0x819A3E, 364, 27, 44),
    detail::monster("Football", 0x81C87B, 416, 33, 35),
    detail::monster("Blob", 0x81CCCF, 456, 31, 27),
    detail::monster("Squidman", 0x81E51A, 757, 15, 15),
    detail::monster("Fast Squidman", 0x81E481, 488, 21, 22),
    detail::monster("Clone", 0x818E3F, 517, 31, 42),
    detail::monster("Clone 2", 0x818E89, 517, 31, 42),
    detail::monster("Fast Clone", 0x818F1F, 780, 31, 59),
    detail::monster("Mushroom", 0x81D704, 564, 14, 12),
    detail::monster("Fire", 0x81B664, 581, 15, 27),
    detail::monster("Werewolf", 0x81ABF5, 611, 25, 39),
    detail::monster("Tentacle", 0x82990F, 655, 22, 34),
    detail::monster("Spider", 0x83B277, 737, 16, 15),
}};

// The picture of every code that no row names.
inline constexpr MonsterGeometry kDefaultMonster = {409, 21, 34};

// The geometry of a code on a list (0 = otm, 1 = rsm), or the default.
MonsterGeometry monsterGeometry(uint32_t code, int32_t list);

// Monsters of this code take their picture from MonsterRectTable, chosen by
// the otm record's `data`.
inline constexpr uint32_t kRectMonsterCode = 0x82DD52;

struct SheetRect {
    int32_t left, top, right, bottom;
};

// An entry of all -1 is absent: it has no size, draws nothing, is never hit.
inline constexpr std::array<SheetRect, 32> MonsterRectTable = {{
    {203, 6, 224, 25},    {202, 32, 225, 63},   {202, 67, 223, 86},   {201, 90, 240, 127},
    {201, 132, 222, 151}, {201, 156, 222, 175}, {-1, -1, -1, -1},     {201, 179, 222, 198},
    {200, 202, 231, 227}, {201, 232, 222, 251}, {201, 256, 222, 275}, {201, 279, 234, 339},
    {201, 344, 222, 363}, {201, 367, 222, 386}, {291, 4, 312, 23},    {291, 27, 312, 46},
    {291, 50, 312, 69},   {290, 72, 322, 116},  {-1, -1, -1, -1},     {290, 123, 311, 142},
    {-1, -1, -1, -1},     {290, 151, 332, 202}, {-1, -1, -1, -1},     {-1, -1, -1, -1},
    {290, 208, 311, 227}, {289, 233, 351, 284}, {-1, -1, -1, -1},     {289, 291, 329, 327},
    {-1, -1, -1, -1},     {289, 333, 312, 352}, {289, 357, 312, 376}, {291, 380, 312, 399},
}};

}  // namespace vurk
