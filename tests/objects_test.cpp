#include <gtest/gtest.h>

#include "tests/support/view_support.h"
#include "view/map_canvas.h"
#include "view/map_draw.h"
#include "view/objects.h"

namespace vurk {
namespace {

using test::pixelAt;
using test::sheetPixel;

constexpr uint32_t kBackground = 0x00A5C3E1;

// The level as drawn now.
std::unique_ptr<Bitmap> picture;
const Bitmap& draw(EditorState& s) {
    picture = renderLevelArea(s, mapRect(s));
    return *picture;
}

// A 8 x 8-cell level in Victim mode whose tiles are all background, and
// coordinate sheets for the three kinds of objects; no objects yet.
void setUpObjects(EditorState& s) {
    test::setUpView(s, 8, 8);
    auto tiles = Bitmap::create(1024, 1024, 32);
    test::fillBitmap(*tiles, kBackground);
    setSheet(s.TileSheet, std::move(tiles));
    s.editMode = kModeVictim;
    setSheet(s.ItemSheet, test::coordinateSheet(256, 128));
    setSheet(s.VictimSheet, test::coordinateSheet(128, 660));
    setSheet(s.MonsterSheet, test::coordinateSheet(400, 850));
    s.clientW = 200;
    s.clientH = 150;
    for (VictimRecord& v : s.victims) v = VictimRecord{};
    s.victims[kStart1Record].code = kStart1Code;  // parked at (0, 0), off the canvas
    s.victims[kStart2Record].code = kStart2Code;
}

// Parks the victims where they draw nothing on the canvas.
void parkVictims(EditorState& s) {
    for (VictimRecord& v : s.victims) v.code = kStart1Code;
}

// Every pixel of the w x h sprite at (left, top) is the background masked by
// the sheet at (maskX, srcY) and then painted with the sheet at (srcX, srcY);
// the columns beside it and the row above it are untouched.
void expectMaskedSprite(int32_t left, int32_t top, int32_t srcX, int32_t srcY, int32_t maskX, int32_t w,
                        int32_t h) {
    const Bitmap& c = *picture;
    for (int32_t v = 0; v < h; ++v)
        for (int32_t u = 0; u < w; ++u)
            ASSERT_EQ(pixelAt(c, left + u, top + v),
                      (kBackground & sheetPixel(maskX + u, srcY + v)) | sheetPixel(srcX + u, srcY + v))
                << "sprite pixel " << u << "," << v;
    for (int32_t v = 0; v < h; ++v) {
        EXPECT_EQ(pixelAt(c, left - 1, top + v), kBackground);
        EXPECT_EQ(pixelAt(c, left + w, top + v), kBackground);
    }
    for (int32_t u = 0; u < w; ++u) EXPECT_EQ(pixelAt(c, left + u, top - 1), kBackground);
}

int countPixels(uint32_t value) {
    const Bitmap& c = *picture;
    int n = 0;
    for (int32_t y = 0; y < c.height(); ++y)
        for (int32_t x = 0; x < c.width(); ++x) n += pixelAt(c, x, y) == value;
    return n;
}

TEST(Items, HighlightIsAHatchedBoxOverTheSprite) {
    EditorState s;
    setUpObjects(s);
    s.items = {makeItem(100, 100, 35)};  // sprite 17: column 1, row 1 of the sheet
    s.editMode = kModeItem;
    s.itemFlash = true;
    draw(s);
    EXPECT_EQ(pixelAt(*picture, 92, 92), kYellow);    // outline
    EXPECT_EQ(pixelAt(*picture, 100, 100), sheetPixel(16 + 8, 16 + 8));  // the sprite in a gap of the hatching
    EXPECT_EQ(pixelAt(*picture, 100, 99), kYellow);                     // a line: (x + y) & 7 == 7
    EXPECT_EQ(pixelAt(*picture, 108, 100), kBackground);                // right edge excluded
    EXPECT_GT(countPixels(kYellow), 60);
}

TEST(Items, HitBoxesAndOrder) {
    EditorState s;
    setUpObjects(s);
    s.items = {makeItem(300, 300, 0), makeItem(100, 100, 2), makeItem(100, 100, 4)};
    struct Probe { uint16_t x, y; int32_t want; };
    for (Probe p : {Probe{92, 92, 1}, Probe{107, 107, 1}, Probe{108, 100, -1}, Probe{100, 108, -1},
                    Probe{91, 100, -1}}) {
        EXPECT_EQ(hitTestItem(s, p.x, p.y), p.want) << p.x << "," << p.y;
    }
    EXPECT_EQ(hitTestItem(s, 0, 0), -1);
}

// How victims, "BBQ" and the start points look is fixed by the render
// reference; here, where they can be grabbed.
TEST(Victims, HitBoxesOfSpritesBbqAndStartPoints) {
    EditorState s;
    setUpObjects(s);
    parkVictims(s);
    s.victims[1].code = kBbqCode;  // 49 x 63
    s.victims[1].x = 200;
    s.victims[1].y = 300;
    s.victims[kStart2Record].x = 200;
    s.victims[kStart2Record].y = 200;
    s.victims[kStart2Record].code = kStart2Code;  // 20 x 38
    // "BBQ"'s box is not shifted; its odd width leaves it one pixel short on the right.
    EXPECT_EQ(hitTestVictim(s, 176, 299), 1);
    EXPECT_EQ(hitTestVictim(s, 175, 299), -1);
    EXPECT_EQ(hitTestVictim(s, 223, 237), 1);
    EXPECT_EQ(hitTestVictim(s, 224, 250), -1);
    EXPECT_EQ(hitTestVictim(s, 200, 300), -1);  // the foot's own row is below the box
    EXPECT_EQ(hitTestVictim(s, 190, 162), kStart2Record);
    EXPECT_EQ(hitTestVictim(s, 210, 162), -1);
}

TEST(Victims, AnUnknownKindShowsAFrameThatCanBeHitAndMoved) {
    EditorState s;
    setUpObjects(s);
    parkVictims(s);
    s.victims[3].code = 0x123456;
    s.victims[3].x = 300;
    s.victims[3].y = 300;
    draw(s);
    const Bitmap& c = *picture;
    EXPECT_EQ(pixelAt(c, 292, 268), kRed);   // top-left of the 16 x 32 frame
    EXPECT_EQ(pixelAt(c, 307, 299), kRed);   // bottom-right
    EXPECT_EQ(pixelAt(c, 300, 284), kBackground);  // hollow
    EXPECT_EQ(hitTestVictim(s, 292, 268), 3);
    s.objectGrabbed = 1;  // as a click there does
    moveVictim(s, 3, 310, 250);  // grabbed: the foot goes half the frame lower
    EXPECT_EQ(s.victims[3].x, 310);
    EXPECT_EQ(s.victims[3].y, 266);
}

TEST(Monsters, SpritesPerListCodeAndRectTable) {
    struct Case {
        int32_t list;
        uint32_t code;
        uint16_t data;
        int32_t srcX, srcY, w, h;
    };
    const Case cases[] = {
        {kOtmList, 0x82F25D, 0, 0, 172, 15, 30},     // "Flame" on the otm list
        {kRsmList, 0x82F25D, 0, 96, 692, 36, 39},    // and on the rsm list
        {kOtmList, 0x82EF36, 0, 0, 0, 23, 46},       // "Vampire"
        {kOtmList, 0x00ABCDEF, 0, 0, 409, 21, 34},   // no row: the default
        {kRsmList, 0x00ABCDEF, 0, 96, 409, 21, 34},
        {kOtmList, kRectMonsterCode, 0, 203, 6, 21, 19},
        {kOtmList, kRectMonsterCode, 11, 201, 279, 33, 60},
        {kOtmList, kRectMonsterCode, 40, 0, 409, 21, 34},  // past the table: the default
        {kRsmList, kRectMonsterCode, 0, 96, 409, 21, 34},  // rsm records carry no data
    };
    for (const Case& c : cases) {
        EditorState s;
        setUpObjects(s);
        parkVictims(s);
        s.monsterList = c.list;
        if (c.list == kOtmList) s.otm = {makeOtm(200, 300, c.code, c.data)};
        else s.rsm = {makeRsm(200, 300, c.code, 0)};
        draw(s);
        SCOPED_TRACE(testing::Message() << std::hex << c.code << " list " << c.list << " data " << std::dec << c.data);
        expectMaskedSprite(200 - (c.w >> 1), 300 - c.h, c.srcX, c.srcY, c.srcX + c.w + 1, c.w, c.h);
        EXPECT_EQ(hitTestMonster(s, static_cast<uint16_t>(200 - (c.w >> 1)), static_cast<uint16_t>(300 - c.h)), 0);
    }
}

TEST(Monsters, OddWidthBoxAndAbsentRectEntries) {
    EditorState s;
    setUpObjects(s);
    s.otm = {makeOtm(100, 200, 0x82F25D), makeOtm(300, 300, kRectMonsterCode, 6)};  // Flame 15 x 30; absent entry
    draw(s);
    expectMaskedSprite(93, 170, 0, 172, 16, 15, 30);  // drawn at x 93 to 107
    EXPECT_EQ(hitTestMonster(s, 93, 170), 0);
    EXPECT_EQ(hitTestMonster(s, 106, 199), 0);
    EXPECT_EQ(hitTestMonster(s, 107, 185), -1);
    EXPECT_EQ(hitTestMonster(s, 100, 200), -1);
    EXPECT_EQ(hitTestMonster(s, 300, 299), -1);  // the absent entry is never hit
    for (int32_t y = 250; y < 320; ++y)
        for (int32_t x = 250; x < 350; ++x) ASSERT_EQ(pixelAt(*picture, x, y), kBackground);
}

TEST(Monsters, RadiusCirclesOnlyInMonsterModeOnTheRsmListWhenNotDragging) {
    struct Case { int32_t mode, list, grabbed; bool circle; };
    const Case cases[] = {
        {kModeMonster, kRsmList, 0, true},
        {kModeMonster, kRsmList, 1, false},
        {kModeMonster, kOtmList, 0, false},
        {kModeBg, kRsmList, 0, false},
    };
    for (const Case& c : cases) {
        EditorState s;
        setUpObjects(s);
        parkVictims(s);
        s.editMode = c.mode;
        s.monsterList = c.list;
        s.objectGrabbed = c.grabbed;
        s.rsm = {makeRsm(200, 300, 0x82EF36, 40)};  // "Vampire", 46 high: centre (200, 277)
        s.otm = {makeOtm(200, 300, 0x82EF36)};
        draw(s);
        EXPECT_EQ(pixelAt(*picture, 160, 277) == kRed, c.circle) << "case " << (&c - cases);
        EXPECT_EQ(countPixels(kRed) > 100, c.circle);
    }
}

TEST(Moves, StoreTheFootHalfASpriteBelowTheHeldMiddle) {
    EditorState s;
    setUpObjects(s);
    s.otm = {makeOtm(10, 10, 0x8188CA), makeOtm(10, 10, kRectMonsterCode, 3)};  // 40 high; rect entry 37 high
    s.rsm = {makeRsm(10, 10, 0x8188CA, 0)};
    s.objectGrabbed = 1;
    moveMonster(s, 0, 100, 200);
    EXPECT_EQ(s.otm[0].x, 100);
    EXPECT_EQ(s.otm[0].y, 220);
    moveMonster(s, 1, 100, 200);  // the rect code has no row of its own: the default height 34
    EXPECT_EQ(s.otm[1].y, 217);
    s.monsterList = kRsmList;
    moveMonster(s, 0, 300, 490);
    EXPECT_EQ(s.rsm[0].y, 510);
    s.objectGrabbed = 0;  // a dialog's redraw in place leaves the position as it is
    moveMonster(s, 0, s.rsm[0].x, s.rsm[0].y);
    EXPECT_EQ(s.rsm[0].y, 510);
    moveMonster(s, 5, 1, 1);  // no such record: nothing
    moveItem(s, -1, 1, 1);

    s.victims[2].code = 0x839A89;  // "Dog", 26 high
    s.objectGrabbed = 1;
    moveVictim(s, 2, 300, 300);
    EXPECT_EQ(s.victims[2].y, 313);
}

TEST(Moves, KeepTheHeldPointOnTheMapAndItemsOffXZero) {
    // The handlers pass the pointer's level point mod 65536: (uint16_t)-40 is
    // left of the map. The map is 8 x 8 cells, pixels 0 to 511.
    struct Kind { int32_t mode, list, index; };
    const Kind kinds[] = {{kModeItem, kOtmList, 0}, {kModeVictim, kOtmList, 3}, {kModeVictim, kOtmList, kStart2Record},
                          {kModeMonster, kOtmList, 0}, {kModeMonster, kRsmList, 0}};
    struct Point { uint16_t x, y; int32_t heldX, heldY; };
    const Point points[] = {
        {0, 0, 0, 0},
        {static_cast<uint16_t>(-40), static_cast<uint16_t>(-3000), 0, 0},
        {3000, 600, 511, 511},
        {static_cast<uint16_t>(-1), 300, 0, 300},
    };
    for (const Kind& k : kinds) {
        for (const Point& p : points) {
            EditorState s;
            setUpObjects(s);
            s.items = {makeItem(100, 100, 0)};
            s.victims[3].code = 0x839A89;
            s.otm = {makeOtm(100, 100, 0x82EF36)};
            s.rsm = {makeRsm(100, 100, 0x81C3B6, 0)};
            s.monsterList = k.list;
            s.objectGrabbed = 1;
            const int32_t heldX = k.mode == kModeItem ? std::max(p.heldX, 1) : p.heldX;
            SCOPED_TRACE(testing::Message() << "mode " << k.mode << " list " << k.list << " slot " << k.index
                                            << " pointer " << p.x << "," << p.y);
            int32_t hit = -1;
            if (k.mode == kModeItem) {
                moveItem(s, k.index, p.x, p.y);
                EXPECT_EQ(s.items[0].x, heldX);
                hit = hitTestItem(s, static_cast<uint16_t>(heldX), static_cast<uint16_t>(p.heldY));
            } else if (k.mode == kModeVictim) {
                moveVictim(s, k.index, p.x, p.y);
                hit = hitTestVictim(s, static_cast<uint16_t>(heldX), static_cast<uint16_t>(p.heldY));
            } else {
                moveMonster(s, k.index, p.x, p.y);
                hit = hitTestMonster(s, static_cast<uint16_t>(heldX), static_cast<uint16_t>(p.heldY));
            }
            EXPECT_EQ(hit, k.index) << "the object can be grabbed again where the pointer stopped on the map";
        }
    }
}

}  // namespace
}  // namespace vurk
