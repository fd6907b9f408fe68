// Lays out game images from a description of their levels: the level table,
// headers and object lists in bank $9F, tile maps in the banks below it.
// The tests build their images with it, and so does the demo workspace maker.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "level/records.h"
#include "level/rom_image.h"

namespace vurk {

struct LevelContent {
    uint16_t width = 4;
    uint16_t height = 4;
    std::vector<uint16_t> map;  // width * height cells; empty: cell i holds i & 0xFF

    uint32_t tileset = 0x9B8000;
    uint32_t tilesetData1 = 0;
    uint32_t tilesetData2 = 0;
    uint32_t bgPalette = 0;
    uint16_t tilesetVariant = 0x70;
    uint16_t music = 2;
    uint16_t start1X = 100, start1Y = 200, start2X = 150, start2Y = 200;

    std::vector<RsmRecord> rsm;
    std::array<VictimRecord, kVictimCount> victims{};
    std::vector<OtmRecord> otm;
    std::vector<ItemRecord> items;  // no record may have x = 0
    bool hasBonus = true;
    std::vector<uint16_t> bonus;  // codes, without the ending 0 word
};

// Where a level's pieces lie: bank $9F pointers and the map's file offset.
struct LevelAddresses {
    uint16_t header = 0;
    uint16_t rsmList = 0;  // the rsm list; victims, otm list and items follow it
    uint16_t bonusList = 0;
    uint32_t mapOffset = 0;
};

// The bank-$9F bytes a level's lists take: rsm list, victims, otm list, items,
// each with its end.
uint32_t listBytes(const LevelContent& c);

// The long pointer (address low, address high, bank, 0) of a file offset in
// banks $80 to $FF.
uint32_t longPointerFor(uint32_t fileOffset);

class RomBuilder {
public:
    // An image of `size` bytes (at least the level table) filled with `fill`;
    // every level table entry starts at 0.
    explicit RomBuilder(size_t size = kBank9FEnd, uint8_t fill = 0xEE);

    // Lays the level out at the next free places and returns where it went.
    LevelAddresses addLevel(uint32_t level, const LevelContent& content);
    // Lays the level out at chosen places (which must lie inside the image).
    void placeLevel(uint32_t level, const LevelContent& content, const LevelAddresses& at);

    // The level's header as it lies in the image, for tests that damage it.
    LevelHeader readHeader(uint32_t level) const;
    void writeHeader(uint32_t level, const LevelHeader& h);
    uint32_t headerOffset(uint32_t level) const;

    bool save(const std::string& path) const;

    std::vector<uint8_t> image;

private:
    uint32_t next9F_ = 0x8100;          // next free bank-$9F address for headers and lists
    uint32_t nextMap_ = 0x200 + 0x8000;  // next free file offset for maps (bank $81 on)
};

}  // namespace vurk
