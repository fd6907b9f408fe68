#include "tools/rom_builder.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/bytes.h"

namespace vurk {

uint32_t listBytes(const LevelContent& c) {
    return static_cast<uint32_t>(c.rsm.size() * 10 + 2 + 120 + c.otm.size() * 12 + 2 +
                                 c.items.size() * 5 + 5);
}

uint32_t longPointerFor(uint32_t fileOffset) {
    uint32_t rel = fileOffset - 0x200;
    uint32_t bank = 0x80 + rel / 0x8000;
    uint32_t addr = 0x8000 + rel % 0x8000;
    return (bank << 16) | addr;
}

RomBuilder::RomBuilder(size_t size, uint8_t fill) : image(size, fill) {
    if (size < kLevelTableOffset + 2 * kLevelCount) throw std::invalid_argument("image too small");
    std::memset(image.data() + kLevelTableOffset, 0, 2 * kLevelCount);
}

uint32_t RomBuilder::headerOffset(uint32_t level) const {
    return readLe16(image.data() + kLevelTableOffset + 2 * level) + kBank9FBase;
}

LevelHeader RomBuilder::readHeader(uint32_t level) const {
    LevelHeader h{};
    std::memcpy(&h, image.data() + headerOffset(level), sizeof h);
    return h;
}

void RomBuilder::writeHeader(uint32_t level, const LevelHeader& h) {
    std::memcpy(image.data() + headerOffset(level), &h, sizeof h);
}

LevelAddresses RomBuilder::addLevel(uint32_t level, const LevelContent& c) {
    LevelAddresses at;
    uint32_t mapSize = uint32_t{c.width} * c.height * 2;
    // Keep each map inside one bank, as the game does.
    if ((nextMap_ - 0x200) % 0x8000 + mapSize > 0x8000) {
        nextMap_ += 0x8000 - (nextMap_ - 0x200) % 0x8000;
    }
    at.mapOffset = nextMap_;
    nextMap_ += mapSize;
    at.header = static_cast<uint16_t>(next9F_);
    next9F_ += sizeof(LevelHeader);
    at.rsmList = static_cast<uint16_t>(next9F_);
    next9F_ += listBytes(c);
    if (c.hasBonus) {
        at.bonusList = static_cast<uint16_t>(next9F_);
        next9F_ += static_cast<uint32_t>(c.bonus.size() * 2 + 2);
    }
    if (next9F_ > 0x10000 || nextMap_ > kBank9FBase + 0x8000) {
        throw std::length_error("the levels do not fit the image");
    }
    placeLevel(level, c, at);
    return at;
}

void RomBuilder::placeLevel(uint32_t level, const LevelContent& c, const LevelAddresses& at) {
    uint8_t* img = image.data();
    auto put = [&](uint32_t offset, const void* data, size_t n) {
        if (offset > image.size() || n > image.size() - offset) {
            throw std::out_of_range("level piece outside the image");
        }
        if (n > 0) std::memcpy(img + offset, data, n);
    };
    auto put16 = [&](uint32_t offset, uint16_t v) {
        uint8_t b[2];
        writeLe16(b, v);
        put(offset, b, 2);
    };

    uint32_t rsmOff = shortPointerOffset(at.rsmList);
    uint32_t victimOff = rsmOff + static_cast<uint32_t>(c.rsm.size() * 10) + 2;
    uint32_t otmOff = victimOff + 120;
    uint32_t itemOff = otmOff + static_cast<uint32_t>(c.otm.size() * 12) + 2;

    LevelHeader h{};
    h.tileset = c.tileset;
    h.mapPointer = longPointerFor(at.mapOffset);
    h.tilesetData1 = c.tilesetData1;
    h.tilesetData2 = c.tilesetData2;
    h.bgPalette = c.bgPalette;
    for (int i = 0; i < 8; ++i) h.unknown20[i] = static_cast<uint8_t>(0x20 + i);
    h.rsmList = at.rsmList;
    h.victimBlock = static_cast<uint16_t>(victimOff - kBank9FBase);
    h.itemList = static_cast<uint16_t>(itemOff - kBank9FBase);
    h.width = c.width;
    h.height = c.height;
    h.tilesetVariant = c.tilesetVariant;
    h.unknown40 = 0x4040;
    h.start1X = c.start1X;
    h.start1Y = c.start1Y;
    h.start2X = c.start2X;
    h.start2Y = c.start2Y;
    h.music = c.music;
    for (int i = 0; i < 6; ++i) h.unknown52[i] = static_cast<uint8_t>(0x52 + i);
    h.bonusList = c.hasBonus ? at.bonusList : 0;
    put16(kLevelTableOffset + 2 * level, at.header);
    put(shortPointerOffset(at.header), &h, sizeof h);

    std::vector<uint8_t> map(size_t{c.width} * c.height * 2);
    for (size_t i = 0; i < size_t{c.width} * c.height; ++i) {
        uint16_t v = c.map.empty() ? static_cast<uint16_t>(i & 0xFF) : c.map.at(i);
        writeLe16(map.data() + 2 * i, v);
    }
    put(at.mapOffset, map.data(), map.size());

    put(rsmOff, c.rsm.data(), c.rsm.size() * 10);
    put16(victimOff - 2, 0xFFFF);  // the rsm list's end
    put(victimOff, c.victims.data(), 120);
    put(otmOff, c.otm.data(), c.otm.size() * 12);
    put16(itemOff - 2, 0xFFFF);  // the otm list's end
    put(itemOff, c.items.data(), c.items.size() * 5);
    const uint8_t itemEnd[5] = {0, 0, 0, 0, 0};
    put(itemOff + static_cast<uint32_t>(c.items.size() * 5), itemEnd, 5);
    if (c.hasBonus) {
        uint32_t bonusOff = shortPointerOffset(at.bonusList);
        for (size_t i = 0; i < c.bonus.size(); ++i) put16(bonusOff + static_cast<uint32_t>(2 * i), c.bonus[i]);
        put16(bonusOff + static_cast<uint32_t>(2 * c.bonus.size()), 0);
    }
}

bool RomBuilder::save(const std::string& path) const {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(image.data(), 1, image.size(), f) == image.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace vurk
