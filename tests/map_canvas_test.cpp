// The map view: the picture the drawing function makes of the state, and the
// view that keeps showing exactly that picture while the state changes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "app/handlers.h"
#include "tests/support/editor_fixture.h"
#include "tests/support/view_support.h"
#include "view/map_canvas.h"
#include "view/map_draw.h"
#include "view/objects.h"

namespace vurk {
namespace {

using test::pixelAt;
using test::sheetPixel;

uint32_t tilePixel(uint8_t t, int32_t u, int32_t v) { return sheetPixel(64 * (t & 15) + u, 64 * (t >> 4) + v); }

TEST(MapDraw, TilesComeFromTheirSheetSquareOrShowBlack) {
    struct Case {
        int32_t sheetW, sheetH;  // 0: no sheet
        uint8_t tile;
        int32_t u, v;      // a pixel of the cell
        uint32_t want;     // 1: the tile's own pixel
    };
    const Case cases[] = {
        {1024, 1024, 0, 0, 0, 1},     {1024, 1024, 15, 5, 6, 1},   {1024, 1024, 16, 63, 63, 1},
        {1024, 1024, 255, 0, 0, 1},   {1000, 512, 15, 39, 10, 1},  // the part the sheet has
        {1000, 512, 15, 40, 10, 0},   // and black past it
        {1000, 512, 255, 30, 30, 0},  {0, 0, 1, 5, 5, 0},
    };
    for (const Case& c : cases) {
        EditorState s;
        test::setUpView(s, 2, 1);
        s.editMode = kModeItem;  // no cursor
        s.mapBuffer[2] = c.tile;
        s.mapBuffer[3] = 0xAB;  // the second byte is never drawn
        s.TileSheet.selectBitmap(nullptr);
        if (c.sheetW) setSheet(s.TileSheet, test::coordinateSheet(c.sheetW, c.sheetH));
        const auto pic = renderLevelArea(s, mapRect(s));
        ASSERT_TRUE(pic);
        EXPECT_EQ(pixelAt(*pic, 64 + c.u, c.v), c.want ? tilePixel(c.tile, c.u, c.v) : 0u)
            << "tile " << int{c.tile} << " sheet " << c.sheetW << "x" << c.sheetH;
    }
}

TEST(MapDraw, AreasDrawnApartMakeTheWholePicture) {
    // Sprites, labels, circles, hatching and the cursor cut by the areas' edges.
    for (int32_t mode : {kModeBg, kModeItem, kModeMonster}) {
        EditorState s;
        test::setUpView(s, 4, 3);
        setSheet(s.ItemSheet, test::coordinateSheet(256, 32));
        setSheet(s.VictimSheet, test::coordinateSheet(128, 700));
        setSheet(s.MonsterSheet, test::coordinateSheet(400, 900));
        s.editMode = mode;
        s.monsterList = kRsmList;
        s.itemFlash = true;
        s.selX = 64;
        s.items = {makeItem(61, 99, 6)};
        s.victims[0].x = 130, s.victims[0].y = 100, s.victims[0].code = kBbqCode, s.victims[0].number = 0xbeef;
        s.rsm = {makeRsm(100, 150, 0x82EF36, 50)};
        const auto whole = renderLevelArea(s, mapRect(s));
        auto pieces = Bitmap::create(256, 192, 32);
        for (LevelRect r : {LevelRect{0, 0, 97, 101}, LevelRect{97, 0, 256, 101}, LevelRect{0, 101, 131, 192},
                            LevelRect{131, 101, 256, 192}}) {
            MapPainter p(*pieces, 0, 0, r);
            drawLevelArea(s, p);
        }
        EXPECT_EQ(std::memcmp(whole->bits(), pieces->bits(), whole->byteSize()), 0) << "mode " << mode;
    }
}

// A level far wider than a band's budget in rows comes in bounded bands,
// top to bottom, that make the whole picture.
TEST(MapDraw, BandsMakeTheWholePictureInBoundedPieces) {
    EditorState s;
    test::setUpView(s, 1024, 3);
    s.editMode = kModeBg;
    s.selX = 64 * 1000, s.selY = 64;
    s.items = {makeItem(64 * 1000 + 20, 120, 6)};
    const auto whole = renderLevelArea(s, mapRect(s));
    ASSERT_TRUE(whole);
    int32_t next = 0, bands = 0;
    ASSERT_TRUE(drawLevelInBands(s, [&](Bitmap& band, int32_t top) {
        EXPECT_EQ(top, next);
        EXPECT_LE(band.byteSize(), kBandBytes);
        EXPECT_EQ(std::memcmp(band.bits(), whole->row(top), band.byteSize()), 0) << "band at " << top;
        next += band.height(), ++bands;
        return true;
    }));
    EXPECT_EQ(next, whole->height());
    EXPECT_GT(bands, 1);
}

TEST(MapDraw, PadMarkerTakesItselfAwayAgain) {
    Surface pad;
    pad.selectBitmap(test::coordinateSheet(128, 128));
    const Bitmap before = *pad.bitmap();
    toggleCellMarker(pad, 64, 64);
    EXPECT_EQ(pixelAt(*pad.bitmap(), 65, 65), pixelAt(before, 65, 65) ^ 0xFFFFFF);
    EXPECT_EQ(pixelAt(*pad.bitmap(), 66, 66), pixelAt(before, 66, 66));
    toggleCellMarker(pad, 64, 64);
    EXPECT_EQ(std::memcmp(before.bits(), pad.bitmap()->bits(), before.byteSize()), 0);
}

class MapView : public test::EditorFixture {
public:
    void keys(std::initializer_list<int> list) {
        for (int k : list) onKeyUp(s, shell, k);
    }
    // A drag from a level point through `jumps` of the pointer, each checked.
    void drag(int32_t x, int32_t y, std::initializer_list<std::pair<int32_t, int32_t>> jumps) {
        onLeftButtonDown(s, shell, static_cast<uint16_t>(x - s.viewX), static_cast<uint16_t>(y - s.viewY), kMkLButton);
        ASSERT_EQ(s.objectGrabbed, 1);
        expectViewIsFreshDraw();
        for (auto [jx, jy] : jumps) {
            onMouseMove(s, shell, static_cast<uint16_t>(jx - s.viewX), static_cast<uint16_t>(jy - s.viewY), kMkLButton);
            expectViewIsFreshDraw();
        }
        onLeftButtonUp(s, shell);
    }
    int countShown(uint32_t value) const {
        const Bitmap& b = *s.MapCanvas.bitmap();
        int n = 0;
        for (int32_t y = 0; y < b.height(); ++y)
            for (int32_t x = 0; x < b.width(); ++x) n += (pixelAt(b, x, y) & 0xFFFFFF) == value;
        return n;
    }
};

struct Scenario {
    const char* name;
    void (*run)(MapView& t);
};
void PrintTo(const Scenario& sc, std::ostream* os) { *os << sc.name; }

// What used to leave stale pixels, and the other ways the view changes: after
// every step the view equals a fresh draw of the state.
class ViewScenario : public MapView, public ::testing::WithParamInterface<Scenario> {};

const Scenario kScenarios[] = {
    {"ItemDraggedInLargeJumps",
     [](MapView& t) {
         t.keys({kKeyI});
         t.drag(100, 100, {{400, 300}, {150, 450}, {600, 40}, {20, 200}});
     }},
    {"VictimDraggedInLargeJumps",
     [](MapView& t) {
         t.keys({kKeyV});
         t.drag(300, 290, {{500, 100}, {100, 400}, {330, 300}});
     }},
    {"RsmMonsterDraggedInLargeJumpsHidesItsCirclesUntilTheRelease",
     [](MapView& t) {
         t.keys({kKeyM, kKey2});
         EXPECT_GT(t.countShown(kRed), 50);
         t.drag(400, 130, {{100, 400}, {600, 100}, {250, 300}});
         t.expectViewIsFreshDraw();
         EXPECT_GT(t.countShown(kRed), 50);
     }},
    {"MonsterMode2Then1ThenBgLeavesNoCircleOrRsmPicture",
     [](MapView& t) {
         t.keys({kKeyM, kKey2});
         t.expectViewIsFreshDraw();
         t.keys({kKey1});
         t.expectViewIsFreshDraw();
         EXPECT_EQ(t.countShown(kRed), 0);
         t.keys({kKeyB});
         t.expectViewIsFreshDraw();
         EXPECT_EQ(t.countShown(kRed), 0);
     }},
    {"FlashCutShortByBgModeLeavesNoHatching",
     [](MapView& t) {
         const int labels = t.countShown(kYellow);
         t.keys({kKeyI, kKeyI});
         EXPECT_EQ(t.s.itemFlash, true);
         t.expectViewIsFreshDraw();
         EXPECT_GT(t.countShown(kYellow), labels + 40);
         t.keys({kKeyB});
         t.expectViewIsFreshDraw();
         EXPECT_EQ(t.countShown(kYellow), labels);
         onHighlightTimer(t.s, t.shell);
         t.keys({kKeyI});
         t.expectViewIsFreshDraw();
         EXPECT_EQ(t.countShown(kYellow), labels);
     }},
    {"CursorAndTileStepsWhileScrolling",
     [](MapView& t) {
         onSize(t.s, t.shell, 300, 200);
         onLeftButtonDown(t.s, t.shell, 150, 100, kMkLButton);
         t.expectViewIsFreshDraw();
         onKeyDown(t.s, t.shell, kKeyPadAdd);
         t.expectViewIsFreshDraw();
         for (int32_t pos : {40, 200, 7, 300}) {
             onScroll(t.s, t.shell, ScrollBar::Horizontal, kScrollThumbTrack, pos, 0);
             onScroll(t.s, t.shell, ScrollBar::Vertical, kScrollThumbTrack, pos / 2, 0);
             t.expectViewIsFreshDraw();
         }
         onLeftButtonDown(t.s, t.shell, 10, 190, kMkLButton);
         onKeyDown(t.s, t.shell, kKeyPadMultiply);
         t.expectViewIsFreshDraw();
     }},
};

TEST_P(ViewScenario, ViewEqualsAFreshDrawAfterEveryStep) {
    load(test::editLevel(), 640, 512);
    shell.posted.clear();
    GetParam().run(*this);
    expectViewIsFreshDraw();
}

INSTANTIATE_TEST_SUITE_P(MapView, ViewScenario, ::testing::ValuesIn(kScenarios),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(MapView, CanvasFollowsTheWindowNotTheLevel) {
    load(test::editLevel(), 300, 200);
    presentMap(s, shell);
    EXPECT_EQ(s.MapCanvas.bitmap()->width(), 300);
    EXPECT_EQ(s.MapCanvas.bitmap()->height(), 200);
    ASSERT_FALSE(shell.mapPresents.empty());
    EXPECT_EQ(shell.mapPresents.back().canvas, s.MapCanvas.bitmap());
    onSize(s, shell, 2000, 100);  // wider than the 640-pixel map
    presentMap(s, shell);
    EXPECT_EQ(s.MapCanvas.bitmap()->width(), 640);
    EXPECT_EQ(s.MapCanvas.bitmap()->height(), 100);
    expectViewIsFreshDraw();
}

TEST_F(MapView, EditsRepaintOnlyTheCellsTheyTouch) {
    load(test::editLevel(), 640, 512);
    EXPECT_EQ(s.mapCellsDrawn, 80u);  // the load shows the whole view once
    struct Step {
        const char* what;
        std::function<void()> act;
        uint64_t most;
    };
    const Step steps[] = {
        {"nothing changed", [] {}, 0},
        {"a tile step", [&] { onKeyDown(s, shell, kKeyPadAdd); }, 1},
        {"a cursor move", [&] { onLeftButtonDown(s, shell, 200, 200, kMkLButton); }, 2},
        {"a mode change", [&] { keys({kKeyI}); }, 80},
        {"a grab", [&] { onLeftButtonDown(s, shell, 100, 100, kMkLButton); }, 0},
        {"an item moved", [&] { onMouseMove(s, shell, 500, 400, kMkLButton); }, 8},  // old and new place
    };
    for (const Step& st : steps) {
        const uint64_t before = s.mapCellsDrawn;
        st.act();
        presentMap(s, shell);
        EXPECT_LE(s.mapCellsDrawn - before, st.most) << st.what;
        expectViewIsFreshDraw();
    }
}

TEST_F(MapView, ReadingAVmapShowsItsCells) {
    LevelContent level;
    level.width = level.height = 2;
    load(level, 128, 128);
    std::filesystem::create_directory("maps");
    shell.mapInvalidations = 0;
    s.mapBuffer[2] = 200;
    ASSERT_TRUE(writeVmap(s, shell));
    s.mapBuffer[2] = 7;

    ASSERT_TRUE(readVmap(s, shell));
    EXPECT_EQ(s.mapBuffer[2], 200);
    EXPECT_EQ(pixelAt(*s.MapCanvas.bitmap(), 64 + 9, 9), tilePixel(200, 9, 9));
    EXPECT_EQ(pixelAt(*s.MapCanvas.bitmap(), 0, 0), tilePixel(s.mapBuffer[0], 0, 0) ^ 0xFFFFFF);  // cursor at (0, 0)
    EXPECT_EQ(shell.mapInvalidations, 1);

    std::filesystem::remove("maps/level00.vmap");
    EXPECT_FALSE(readVmap(s, shell));
    EXPECT_EQ(shell.mapInvalidations, 1);
    EXPECT_EQ(shell.boxes.back().text, kVmapMissingText);
}

}  // namespace
}  // namespace vurk
