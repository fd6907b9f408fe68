#include "tools/demo_levels.h"

#include <algorithm>
#include <numeric>

#include "tools/demo_sheets.h"
#include "view/editor_state.h"
#include "view/game_tables.h"

namespace vurk::demo {

namespace {

// Hands out kinds in turn, level after level, so that every kind turns up.
template <class Kind>
class Rotation {
public:
    explicit Rotation(std::vector<Kind> kinds) : kinds_(std::move(kinds)) {}
    const Kind& take() {
        const Kind& k = kinds_[next_];
        next_ = (next_ + 1) % kinds_.size();
        return k;
    }

private:
    std::vector<Kind> kinds_;
    size_t next_ = 0;
};

struct OtmKind {
    uint32_t code;
    uint16_t data;  // picks the picture of the rect table for its code
};

// The otm kinds whose pictures the sheet holds, each followed by a picture of
// the rect table while they last, so that most levels show both.
std::vector<OtmKind> otmKinds() {
    const std::vector<size_t> rows = monsterRowsInColumn(kOtmList);
    const std::vector<size_t> rects = presentRectEntries();
    std::vector<OtmKind> kinds;
    for (size_t i = 0; i < std::max(rows.size(), rects.size()); ++i) {
        if (i < rows.size()) kinds.push_back({MonsterSpriteTable[rows[i]].code, 0});
        if (i < rects.size()) kinds.push_back({kRectMonsterCode, static_cast<uint16_t>(rects[i])});
    }
    return kinds;
}

std::vector<uint32_t> rsmCodes() {
    std::vector<uint32_t> codes;
    for (size_t row : monsterRowsInColumn(kRsmList)) codes.push_back(MonsterSpriteTable[row].code);
    return codes;
}

std::vector<uint8_t> itemTypes() {
    std::vector<uint8_t> types;
    for (size_t i = 0; i < kItemNames.size(); ++i) types.push_back(itemTypeOfRow(i));
    return types;
}

std::vector<uint32_t> victimCodes() {
    std::vector<uint32_t> codes;
    for (const VictimSprite& v : victimKinds()) codes.push_back(v.code);
    return codes;
}

// Level 0 shows a bit of everything, level 1 is the smallest, level 2 the largest.
void levelSize(uint32_t n, uint16_t& w, uint16_t& h) {
    if (n == 0) {
        w = 16, h = 12;
    } else if (n == 1) {
        w = 4, h = 4;
    } else if (n == 2) {
        w = 40, h = 30;
    } else {
        w = static_cast<uint16_t>(4 + (n * 11) % 37);
        h = static_cast<uint16_t>(4 + (n * 7) % 27);
    }
}

uint16_t tileAt(uint32_t n, uint32_t c, uint32_t r, uint32_t w, uint32_t h) {
    uint32_t t = 0;
    switch (n % 4) {
    case 0:  // the sheet in order
        t = r * w + c + n * 17;
        break;
    case 1:  // a room: a wall around a chequered floor
        t = (c == 0 || r == 0 || c == w - 1 || r == h - 1) ? 0x10 + (c + r) % 4 : 0x80 + (c + r) % 2;
        break;
    case 2:  // diagonal bands of one sheet row
        t = ((n & 15) << 4) | ((c + r) & 15);
        break;
    default:  // scattered
        t = c * 7 + r * 13 + n;
        break;
    }
    return static_cast<uint16_t>(((n & 3) << 8) | (t & 0xFF));  // the high byte varies too
}

// Spreads objects over the level: place k is a cell, visited in a scattered
// order that starts at the top-left cell.
class Places {
public:
    Places(uint32_t w, uint32_t h) : w_(w), cells_(w * h) {
        step_ = std::max<uint32_t>(1, cells_ * 3 / 8);
        while (std::gcd(step_, cells_) != 1) ++step_;
    }
    // Top-left corner of place k's cell.
    void corner(uint32_t k, uint16_t& x, uint16_t& y) const {
        const uint32_t cell = static_cast<uint32_t>((uint64_t{k % cells_} * step_) % cells_);
        x = static_cast<uint16_t>(64 * (cell % w_));
        y = static_cast<uint16_t>(64 * (cell / w_));
    }

private:
    uint32_t w_, cells_, step_ = 1;
};

}  // namespace

std::vector<LevelContent> demoLevels() {
    Rotation<uint8_t> items(itemTypes());
    Rotation<uint32_t> victims(victimCodes());
    Rotation<OtmKind> otm(otmKinds());
    Rotation<uint32_t> rsm(rsmCodes());
    constexpr uint32_t kBonusLengths[] = {3, 1, 2, 4, 6, 15};

    std::vector<LevelContent> levels;
    for (uint32_t n = 0; n < kLevelCount; ++n) {
        LevelContent c;
        levelSize(n, c.width, c.height);
        const uint32_t cells = uint32_t{c.width} * c.height;
        c.map.clear();
        for (uint32_t r = 0; r < c.height; ++r)
            for (uint32_t col = 0; col < c.width; ++col) c.map.push_back(tileAt(n, col, r, c.width, c.height));

        const TilesetEntry& ts = kTilesets[n % kTilesets.size()];
        c.tileset = ts.tileset;
        c.tilesetData1 = ts.tilesetData1;
        c.tilesetData2 = ts.tilesetData2;
        c.tilesetVariant = ts.tilesetVariant;
        c.bgPalette = kBgPalettes[n % kBgPalettes.size()].bgPalette;
        c.music = static_cast<uint16_t>(2 + n % 10);

        // Places 0 and 1 hold the start points, 2 to 11 the victims, then one
        // cell for each monster (otm record i and rsm record i share it, as
        // only one list shows at a time), then four items to a cell.
        const Places places(c.width, c.height);
        uint16_t x = 0, y = 0;
        places.corner(0, x, y);
        c.start1X = static_cast<uint16_t>(x + 32), c.start1Y = static_cast<uint16_t>(y + 52);
        places.corner(1, x, y);
        c.start2X = static_cast<uint16_t>(x + 32), c.start2Y = static_cast<uint16_t>(y + 52);
        for (uint32_t i = 0; i < kVictimCount; ++i) {
            VictimRecord& v = c.victims[i];
            places.corner(2 + i, x, y);
            v.x = static_cast<uint16_t>(x + 32);
            v.y = static_cast<uint16_t>(y + 52);
            v.number = static_cast<uint16_t>((n << 4) + i + 1);
            v.code = victims.take();
        }

        const uint32_t otmCount = n == 0 ? 20 : std::clamp<uint32_t>(cells / 32, 1, 16);
        const uint32_t rsmCount = n == 0 ? 21 : std::clamp<uint32_t>(cells / 32, 1, 16);
        const uint32_t itemCount = n == 0 ? 30 : std::clamp<uint32_t>(cells / 24, 2, 24);
        const uint32_t firstMonster = 2 + kVictimCount;
        for (uint32_t i = 0; i < otmCount; ++i) {
            const OtmKind& kind = otm.take();
            places.corner(firstMonster + i, x, y);
            c.otm.push_back(makeOtm(static_cast<uint16_t>(x + 32), static_cast<uint16_t>(y + 62), kind.code,
                                    kind.code == kRectMonsterCode ? kind.data : static_cast<uint16_t>(i),
                                    static_cast<uint16_t>((n << 8) + i)));
        }
        for (uint32_t i = 0; i < rsmCount; ++i) {
            places.corner(firstMonster + i, x, y);
            c.rsm.push_back(makeRsm(static_cast<uint16_t>(x + 32), static_cast<uint16_t>(y + 62), rsm.take(),
                                    static_cast<uint8_t>(20 + (i * 37 + n * 11) % 100),
                                    static_cast<uint8_t>(n * 13 + i * 29)));
        }
        const uint32_t firstItem = firstMonster + std::max(otmCount, rsmCount);
        for (uint32_t i = 0; i < itemCount; ++i) {
            places.corner(firstItem + i / 4, x, y);
            c.items.push_back(makeItem(static_cast<uint16_t>(x + 16 + 32 * (i % 2)),
                                       static_cast<uint16_t>(y + 16 + 32 * (i / 2 % 2)), items.take()));
        }

        // One level has no bonus list; the others have lists of several lengths.
        c.hasBonus = n != 5;
        if (c.hasBonus) {
            for (uint32_t j = 0; j < kBonusLengths[n % 6]; ++j) c.bonus.push_back(kBonuses[(n + 2 * j) % 15].code);
        }
        levels.push_back(std::move(c));
    }
    return levels;
}

RomBuilder demoImage() {
    RomBuilder rom(kBank9FEnd);
    const std::vector<LevelContent> levels = demoLevels();
    for (uint32_t n = 0; n < levels.size(); ++n) rom.addLevel(n, levels[n]);
    return rom;
}

}  // namespace vurk::demo
