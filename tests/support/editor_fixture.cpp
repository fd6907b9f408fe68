#include "tests/support/editor_fixture.h"

#include "tests/support/view_support.h"
#include "view/level_loader.h"
#include "view/map_canvas.h"
#include "view/tile_edit.h"

namespace vurk::test {

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

uint32_t EditorFixture::canvasPixel(int32_t x, int32_t y) const { return pixelAt(*s.MapCanvas.bitmap(), x, y); }

}  // namespace vurk::test
