#include "view/objects.h"

#include <algorithm>
#include <cstdio>

#include "view/map_canvas.h"

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

void drawMasked(Surface& canvas, const Surface& sheet, int32_t x, int32_t y, const SpriteSource& sp) {
    canvas.bitBlt(x, y, sp.width, sp.height, sheet, sp.maskX, sp.srcY, Rop::SrcAnd);
    canvas.bitBlt(x, y, sp.width, sp.height, sheet, sp.srcX, sp.srcY, Rop::SrcPaint);
}

// Draws with the given pen and brush and puts the canvas's own back.
void drawOutlined(Surface& canvas, Pen pen, Brush brush, int32_t l, int32_t t, int32_t r, int32_t b,
                  bool ellipse) {
    const DrawingState saved = canvas.state;
    canvas.state.pen = pen;
    canvas.state.brush = brush;
    if (ellipse) {
        canvas.ellipse(l, t, r, b);
    } else {
        canvas.rectangle(l, t, r, b);
    }
    canvas.state = saved;
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
    if (!s.objectGrabbed && r.x == static_cast<uint16_t>(x) && r.y == static_cast<uint16_t>(y)) {
        redrawCellsAround(s, static_cast<uint16_t>(x), static_cast<uint16_t>(y));
        return;
    }
    const int32_t held = keptOnMap(s.objectGrabbed ? y : y - half, s.viewY, 0, s.mapHeight);
    r.x = static_cast<uint16_t>(keptOnMap(x, s.viewX, lowX, s.mapWidth));
    r.y = static_cast<uint16_t>(held + half);
    redrawCellsAround(s, r.x, static_cast<uint16_t>(s.objectGrabbed ? held : held + half));
}

}  // namespace

SpriteSource victimSprite(uint32_t code, bool* known) {
    const VictimSprite* row = findVictimSprite(code);
    if (known) *known = row != nullptr;
    if (!row) return {0, 0, 0, kUnknownVictimWidth, kUnknownVictimHeight, false};
    const bool start = code == kStart1Code || code == kStart2Code;
    return {row->srcX, row->srcY, row->maskX, row->width, row->height, !start};
}

SpriteSource monsterSprite(const EditorState& s, size_t index) {
    if (index >= monsterCount(s)) return {};
    const bool rsm = s.monsterList == kRsmList;
    const uint32_t code = monsterAt(s, index).code;
    // Only otm records carry the `data` that picks a picture of the rect table;
    // an rsm record of that code, or a `data` past the table, shows the default.
    if (code == kRectMonsterCode && !rsm && s.otm[index].data < MonsterRectTable.size()) {
        const SheetRect& r = MonsterRectTable[s.otm[index].data];
        const int32_t w = r.right - r.left, h = r.bottom - r.top;
        return {r.left, r.top, r.right + 1, w, h, true};
    }
    const MonsterGeometry g = monsterGeometry(code, s.monsterList);
    const int32_t x = rsm ? kRsmSheetX : kOtmSheetX;
    return {x, g.srcY, x + g.width + 1, g.width, g.height, true};
}

void drawItems(EditorState& s, bool highlight) {
    for (const ItemRecord& item : s.items) {
        const int32_t x = item.x, y = item.y;
        const int32_t half = kItemSpriteSize / 2;
        if (highlight) {
            drawOutlined(s.MapCanvas, {PenStyle::Solid, kYellow}, {BrushStyle::Hatched, kYellow},
                         x - half, y - half, x + half, y + half, false);
        } else {
            const SheetPoint src = itemSpriteOrigin(item.type);
            s.MapCanvas.bitBlt(x - half, y - half, kItemSpriteSize, kItemSpriteSize, s.ItemSheet, src.x,
                               src.y, Rop::SrcCopy);
        }
    }
}

void drawVictims(EditorState& s) {
    for (const VictimRecord& v : s.victims) {
        const int32_t x = v.x, y = v.y;
        bool known = false;
        const SpriteSource sp = victimSprite(v.code, &known);
        const int32_t left = spriteLeft(x, sp), top = spriteTop(y, sp);
        if (!known) {
            drawOutlined(s.MapCanvas, s.MapCanvas.state.pen, {BrushStyle::Hollow, 0}, left, top,
                         x + (sp.width >> 1), y, false);
        } else if (!sp.masked) {
            s.MapCanvas.bitBlt(left, top, sp.width, sp.height, s.VictimSheet, sp.srcX, sp.srcY, Rop::SrcCopy);
            continue;  // start points carry no label
        } else {
            drawMasked(s.MapCanvas, s.VictimSheet, left - (v.code == kBbqCode ? kBbqDrawShift : 0), top, sp);
        }
        char label[8];
        std::snprintf(label, sizeof label, "%x", static_cast<unsigned>(uint16_t{v.number}));
        s.MapCanvas.textOut(x, y, label);
    }
}

void drawMonsters(EditorState& s) {
    const size_t n = monsterCount(s);
    const bool circles = s.monsterList == kRsmList && !s.objectGrabbed && s.editMode == kModeMonster;
    for (size_t i = 0; i < n; ++i) {
        const MonsterView m = monsterAt(s, i);
        const SpriteSource sp = monsterSprite(s, i);
        const int32_t left = spriteLeft(m.x, sp), top = spriteTop(m.y, sp);
        // During a drag only sprites near the window are worth drawing.
        if (s.objectGrabbed && !(left >= s.viewX - sp.width && left < s.viewX + s.clientW + sp.width &&
                                 top >= s.viewY - sp.height && top < s.viewY + s.clientH + sp.height)) {
            continue;
        }
        drawMasked(s.MapCanvas, s.MonsterSheet, left, top, sp);
        if (circles) {
            const int32_t r = s.rsm[i].radius;
            const int32_t cy = m.y - (sp.height >> 1);
            drawOutlined(s.MapCanvas, s.MapCanvas.state.pen, {BrushStyle::Hollow, 0}, m.x - r, cy - r,
                         m.x + r, cy + r, true);
        }
    }
}

void drawObjects(EditorState& s) {
    drawItems(s, false);
    drawVictims(s);
    drawMonsters(s);
}

int32_t hitTestItem(EditorState& s, uint16_t x, uint16_t y) {
    const int32_t half = kItemSpriteSize / 2;
    for (size_t i = 0; i < s.items.size(); ++i) {
        const int32_t ix = s.items[i].x, iy = s.items[i].y;
        if (ix - half <= x && x < ix + half && iy - half <= y && y < iy + half) {
            s.objectGrabbed = 1;
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t hitTestVictim(EditorState& s, uint16_t x, uint16_t y) {
    for (size_t i = 0; i < s.victims.size(); ++i) {
        const VictimRecord& v = s.victims[i];
        if (footBoxHolds(v.x, v.y, victimSprite(v.code), x, y)) {
            s.objectGrabbed = 1;
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

int32_t hitTestMonster(EditorState& s, uint16_t x, uint16_t y) {
    const size_t n = monsterCount(s);
    for (size_t i = 0; i < n; ++i) {
        const MonsterView m = monsterAt(s, i);
        if (footBoxHolds(m.x, m.y, monsterSprite(s, i), x, y)) {
            s.objectGrabbed = 1;
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
    const int32_t height = monsterSprite(s, i).height;
    if (s.monsterList == kRsmList) {
        moveRecord(s, s.rsm[i], x, y, height);
    } else {
        moveRecord(s, s.otm[i], x, y, height);
    }
}

}  // namespace vurk
