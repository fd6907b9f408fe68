#include "tests/support/editor_fixture.h"

#include "app/handlers.h"
#include "tests/support/view_support.h"
#include "view/level_loader.h"
#include "view/map_canvas.h"
#include "view/map_draw.h"
#include "view/tile_edit.h"

namespace vurk::test {

LevelContent editLevel() {
    LevelContent c;
    c.width = 10;
    c.height = 8;
    c.start1X = 40;
    c.start1Y = 200;
    c.start2X = 600;
    c.start2Y = 480;
    c.items.push_back(makeItem(100, 100, 0));
    c.victims[0].x = 300;
    c.victims[0].y = 300;
    c.victims[0].code = 0x839699;
    for (int i = 1; i < kVictimCount; ++i) {
        c.victims[i].x = 500;
        c.victims[i].y = 500;
        c.victims[i].code = 0x839A89;
    }
    c.otm.push_back(makeOtm(200, 150, 0x82EF36, 0, 30));
    c.rsm.push_back(makeRsm(400, 150, 0x82EF36, 20));
    c.bonus = {4, 10, 32};
    return c;
}

void EditorFixture::load(const LevelContent& content, int32_t clientW, int32_t clientH, uint32_t level) {
    if (level != 0) rom.addLevel(0, LevelContent{});
    rom.addLevel(level, content);
    ASSERT_TRUE(rom.save("vurk.smc"));
    ASSERT_EQ(openRomImage(s.rom), RomOpenResult::Ok);
    createScratchPad(s);
    setSheet(s.TileSheet, coordinateSheet(1024, 1024));
    setSheet(s.ItemSheet, coordinateSheet(256, 32));
    setSheet(s.VictimSheet, coordinateSheet(128, 700));
    setSheet(s.MonsterSheet, coordinateSheet(400, 900));
    s.clientW = clientW;
    s.clientH = clientH;
    ASSERT_TRUE(loadLevel(s, shell, level));
    // The missing tiles folder is reported; the sheets set above stay.
    shell.boxes.clear();
    shell.mapPresents.clear();
    shell.scrollBars.clear();
}

uint32_t EditorFixture::canvasPixel(int32_t x, int32_t y) const {
    return pixelAt(*s.MapCanvas.bitmap(), x - s.drawn.x, y - s.drawn.y);
}

void EditorFixture::expectViewIsFreshDraw() {
    const Bitmap* shown = s.MapCanvas.bitmap();
    ASSERT_TRUE(shown);
    EXPECT_EQ(s.drawn.x, s.viewX);
    EXPECT_EQ(s.drawn.y, s.viewY);
    const std::unique_ptr<Bitmap> fresh =
        renderLevelArea(s, {s.drawn.x, s.drawn.y, s.drawn.x + shown->width(), s.drawn.y + shown->height()});
    ASSERT_TRUE(fresh);
    ASSERT_EQ(fresh->width(), shown->width());
    ASSERT_EQ(fresh->height(), shown->height());
    int32_t wrong = 0, firstX = -1, firstY = -1;
    for (int32_t y = 0; y < shown->height(); ++y)
        for (int32_t x = 0; x < shown->width(); ++x)
            if ((pixelAt(*shown, x, y) ^ pixelAt(*fresh, x, y)) & 0xFFFFFF) {
                if (wrong++ == 0) firstX = x + s.drawn.x, firstY = y + s.drawn.y;
            }
    EXPECT_EQ(wrong, 0) << "pixels differ from a fresh draw, the first at level " << firstX << "," << firstY;
}

void EditorFixture::keys(std::initializer_list<int> list) {
    for (int k : list) onKeyUp(s, shell, k);
}

}  // namespace vurk::test
