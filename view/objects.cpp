#include "view/objects.h"

#include <algorithm>
#include <cstdio>
#include <string>


namespace vurk {

namespace {

// The foot point and code of a monster record of either list.
struct MonsterView {
    int32_t x, y;
    uint32_t code;
};

size_t monsterCount(const EditorState& s) {
    return s.monsterList == kRsmList ? s.rsm.size() : s.otm.size();
}

MonsterView monsterAt(const EditorState& s, size_t i) {
    if (s.monsterList == kRsmList) return {s.rsm[i].x, s.rsm[i].y, s.rsm[i].code};
    return {s.otm[i].x, s.otm[i].y, s.otm[i].code};
}

// Top-left corner of a sprite standing on its foot point.
int32_t spriteLeft(int32_t x, const SpriteSource& sp) { return x - (sp.width >> 1); }
int32_t spriteTop(int32_t y, const SpriteSource& sp) { return y - sp.height; }

// A sprite's box: from its top-left corner to the foot's x plus the half width,
// so a sprite of odd width is hit one pixel short of its right edge.
bool footBoxHolds(int32_t x, int32_t y, const SpriteSource& sp, int32_t px, int32_t py) {
    return spriteLeft(x, sp) <= px && px < x + (sp.width >> 1) && spriteTop(y, sp) <= py && py < y;
}

// A coordinate of a held point, kept on the map so that the object under it can
// always be grabbed again; `low` is 1 for an item's x, since an item at x = 0
// ends the item list. The point arrives as 16 bits (the level point mod 65536)
// and is read as an offset from the view, so a pointer left of or above the
// window counts as left or above the map rather than far right or below it.
int32_t keptOnMap(int32_t v, int32_t view, int32_t low, uint32_t cells) {
    const int32_t p = view + static_cast<int16_t>(static_cast<uint16_t>(v - view));
    const int32_t high = std::max(low, static_cast<int32_t>(cells) * kCellSize - 1);
    return std::clamp(p, low, high);
}

// Moves a record placed by its foot, whose sprite is `height` high (an item, by
// its centre: height 0, and x at least `lowX`). While it is grabbed, (x, y) is
// the sprite's middle and the foot goes half a sprite lower; otherwise (x, y) is
// the foot, and a record's own position is kept as it is (a dialog passes it
// only to repaint). The middle stays on the map, inside the sprite's box.
template <class Record>
void moveRecord(EditorState& s, Record& r, int32_t x, int32_t y, int32_t height, int32_t lowX = 0) {
    const int32_t half = height >> 1;
    if (!s.objectGrabbed && r.x == static_cast<uint16_t>(x) && r.y == static_cast<uint16_t>(y)) return;
    const int32_t held = keptOnMap(s.objectGrabbed ? y : y - half, s.viewY, 0, s.mapHeight);
    r.x = static_cast<uint16_t>(keptOnMap(x, s.viewX, lowX, s.mapWidth));
    r.y = static_cast<uint16_t>(held + half);
}

// The number label of a victim.
std::string victimLabel(const VictimRecord& v) {
    char label[8];
    std::snprintf(label, sizeof label, "%x", static_cast<unsigned>(uint16_t{v.number}));
    return label;
}

LevelRect spriteBox(int32_t x, int32_t y, const SpriteSource& sp) {
    const int32_t left = spriteLeft(x, sp), top = spriteTop(y, sp);
    return {left, top, left + sp.width, top + sp.height};
}

LevelRect itemBox(const ItemRecord& item) {
    const int32_t half = kItemSpriteSize / 2;
    return {item.x - half, item.y - half, item.x + half, item.y + half};
}

// The circle's box: centred half a sprite above the foot.
LevelRect circleBox(const RsmRecord& m, const SpriteSource& sp) {
    const int32_t r = m.radius, cy = m.y - (sp.height >> 1);
    return {m.x - r, cy - r, m.x + r, cy + r};
}

}  // namespace

SpriteSource victimSprite(uint32_t code, bool* known) {
    const VictimSprite* row = findVictimSprite(code);
    if (known) *known = row != nullptr;
    if (!row) return {0, 0, 0, kUnknownVictimWidth, kUnknownVictimHeight, false};
    const bool start = code == kStart1Code || code == kStart2Code;
    return {row->srcX, row->srcY, row->maskX, row->width, row->height, !start};
}

SpriteSource monsterSpriteFor(int32_t list, uint32_t code, uint32_t data) {
    const bool rsm = list == kRsmList;
    // Only otm records carry the `data` that picks a picture of the rect table;
    // an rsm record of that code, or a `data` past the table, shows the default.
    if (code == kRectMonsterCode && !rsm && data < MonsterRectTable.size()) {
        const SheetRect& r = MonsterRectTable[data];
        const int32_t w = r.right - r.left, h = r.bottom - r.top;
        return {r.left, r.top, r.right + 1, w, h, true};
    }
    const MonsterGeometry g = monsterGeometry(code, list);
    const int32_t x = rsm ? kRsmSheetX : kOtmSheetX;
    return {x, g.srcY, x + g.width + 1, g.width, g.height, true};
}

SpriteSource monsterSprite(const EditorState& s, size_t index) {
    if (index >= monsterCount(s)) return {};
    const uint32_t data = s.monsterList == kRsmList ? 0 : uint32_t{s.otm[index].data};
    return monsterSpriteFor(s.monsterList, monsterAt(s, index).code, data);
}

bool circlesShown(const EditorState& s) {
    return s.monsterList == kRsmList && !s.objectGrabbed && s.editMode == kModeMonster;
}

LevelRect itemBounds(const ItemRecord& item) { return itemBox(item); }

LevelRect victimBounds(const VictimRecord& v) {
    const SpriteSource sp = victimSprite(v.code);
    LevelRect r = spriteBox(v.x, v.y, sp);
    if (v.code == kBbqCode) r.left -= kBbqDrawShift;
    const ShapePixels& label = labelPixels(victimLabel(v));
    return r.united({v.x, v.y, v.x + label.width, v.y + label.height});
}

LevelRect otmBounds(const OtmRecord& m) { return spriteBox(m.x, m.y, monsterSpriteFor(kOtmList, m.code, m.data)); }

LevelRect rsmBounds(const RsmRecord& m, bool circle) {
    const SpriteSource sp = monsterSpriteFor(kRsmList, m.code, 0);
    const LevelRect r = spriteBox(m.x, m.y, sp);
    return circle ? r.united(circleBox(m, sp)) : r;
}

void drawObjectsIn(EditorState& s, MapPainter& p) {
    const LevelRect& clip = p.clip();
    for (const ItemRecord& item : s.items) {
        const LevelRect box = itemBox(item);
        if (!box.intersects(clip)) continue;
        const SheetPoint src = itemSpriteOrigin(item.type);
        p.blit(s.ItemSheet.bitmap(), src.x, src.y, kItemSpriteSize, kItemSpriteSize, box.left, box.top, Rop::SrcCopy);
    }

    const uint32_t red = kRed, yellow = kYellow;
    for (const VictimRecord& v : s.victims) {
        if (!victimBounds(v).intersects(clip)) continue;
        bool known = false;
        const SpriteSource sp = victimSprite(v.code, &known);
        const LevelRect box = spriteBox(v.x, v.y, sp);
        if (!known) {
            p.frame({box.left, box.top, v.x + (sp.width >> 1), v.y}, red);
        } else if (!sp.masked) {
            p.blit(s.VictimSheet.bitmap(), sp.srcX, sp.srcY, sp.width, sp.height, box.left, box.top, Rop::SrcCopy);
            continue;  // start points carry no label
        } else {
            const int32_t left = box.left - (v.code == kBbqCode ? kBbqDrawShift : 0);
            p.blitMasked(s.VictimSheet.bitmap(), sp.srcX, sp.maskX, sp.srcY, sp.width, sp.height, left, box.top);
        }
        p.plot(labelPixels(victimLabel(v)), v.x, v.y, yellow);
    }

    const size_t n = monsterCount(s);
    const bool circles = circlesShown(s);
    for (size_t i = 0; i < n; ++i) {
        const MonsterView m = monsterAt(s, i);
        const SpriteSource sp = monsterSprite(s, i);
        const LevelRect box = spriteBox(m.x, m.y, sp);
        if (box.intersects(clip)) {
            p.blitMasked(s.MonsterSheet.bitmap(), sp.srcX, sp.maskX, sp.srcY, sp.width, sp.height, box.left, box.top);
        }
        if (circles) {
            const LevelRect c = circleBox(s.rsm[i], sp);
            if (c.intersects(clip)) p.plot(circlePixels(s.rsm[i].radius), c.left, c.top, red);
        }
    }

    if (s.itemFlash && s.editMode == kModeItem) {
        for (const ItemRecord& item : s.items) {
            const LevelRect box = itemBox(item);
            if (!box.intersects(clip)) continue;
            p.frame(box, yellow);
            p.hatch({box.left + 1, box.top + 1, box.right - 1, box.bottom - 1}, yellow);
        }
    }
}

int32_t hitTestItem(const EditorState& s, uint16_t x, uint16_t y) {
    const int32_t half = kItemSpriteSize / 2;
    for (size_t i = 0; i < s.items.size(); ++i) {
        const int32_t ix = s.items[i].x, iy = s.items[i].y;
        if (ix - half <= x && x < ix + half && iy - half <= y && y < iy + half) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t hitTestVictim(const EditorState& s, uint16_t x, uint16_t y) {
    for (size_t i = 0; i < s.victims.size(); ++i) {
        const VictimRecord& v = s.victims[i];
        if (footBoxHolds(v.x, v.y, victimSprite(v.code), x, y)) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t hitTestMonster(const EditorState& s, uint16_t x, uint16_t y) {
    const size_t n = monsterCount(s);
    for (size_t i = 0; i < n; ++i) {
        const MonsterView m = monsterAt(s, i);
        if (footBoxHolds(m.x, m.y, monsterSprite(s, i), x, y)) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

void moveItem(EditorState& s, int32_t index, int32_t x, int32_t y) {
    if (index < 0 || static_cast<size_t>(index) >= s.items.size()) return;
    moveRecord(s, s.items[static_cast<size_t>(index)], x, y, 0, 1);
}

void moveVictim(EditorState& s, int32_t index, int32_t x, int32_t y) {
    if (index < 0 || static_cast<size_t>(index) >= s.victims.size()) return;
    VictimRecord& v = s.victims[static_cast<size_t>(index)];
    moveRecord(s, v, x, y, victimSprite(v.code).height);
}

void moveMonster(EditorState& s, int32_t index, int32_t x, int32_t y) {
    if (index < 0 || static_cast<size_t>(index) >= monsterCount(s)) return;
    const auto i = static_cast<size_t>(index);
    // The height of the code's row of the sprite table, whatever picture the
    // record shows: the rect-table code has no row and takes the default's.
    const int32_t height = monsterGeometry(monsterAt(s, i).code, s.monsterList).height;
    if (s.monsterList == kRsmList) {
        moveRecord(s, s.rsm[i], x, y, height);
    } else {
        moveRecord(s, s.otm[i], x, y, height);
    }
}

}  // namespace vurk
