// Loading a level into the editor: the tile sheet it picks, the view and
// scroll bars it sets, what a refusal keeps, and what the canvas costs.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include <QColor>
#include <QImage>
#include <QPainter>

#include "dialogs/number_dialogs.h"
#include "tests/support/fake_shell.h"
#include "tests/support/view_support.h"
#include "tests/support/workdir.h"
#include "tools/rom_builder.h"
#include "view/level_loader.h"

namespace vurk {
namespace {

using test::pixelAt;

// The colour of tile t in sheet n of these tests: every tile of every sheet differs.
uint32_t tileColour(uint32_t sheet, uint32_t t) { return 0x200000u * (sheet + 1) + 0x101u * t + 0x10u; }

class LevelLoader : public ::testing::Test {
protected:
    LevelLoader() {
        std::filesystem::create_directory("tiles");
        s.clientW = 640;
        s.clientH = 480;
    }

    // tiles\tilesNN.png, each tile one colour of its own.
    static void writeSheet(uint32_t n) {
        QImage img(1024, 1024, QImage::Format_RGB32);
        QPainter p(&img);
        for (uint32_t t = 0; t < 256; ++t) {
            p.fillRect(static_cast<int>(64 * (t & 15)), static_cast<int>(64 * (t >> 4)), 64, 64,
                       QColor::fromRgb(tileColour(n, t)));
        }
        p.end();
        ASSERT_TRUE(img.save(QString::asprintf("tiles/tiles%02u.png", n), "PNG"));
    }

    static LevelContent level(uint16_t w, uint16_t h, uint32_t tileset = 0x9B8000, uint16_t variant = 0x70) {
        LevelContent c;
        c.width = w;
        c.height = h;
        c.tileset = tileset;
        c.tilesetVariant = variant;
        return c;  // cell i holds tile i & 0xFF; no objects that draw
    }

    void openImage() {
        ASSERT_TRUE(rom.save("vurk.smc"));
        ASSERT_EQ(openRomImage(s.rom), RomOpenResult::Ok);
    }

    // The canvas pixel well inside cell i of the current map.
    uint32_t cellPixel(uint32_t i) const {
        return pixelAt(*s.MapCanvas.bitmap(), static_cast<int32_t>(64 * (i % s.mapWidth) + 20),
                       static_cast<int32_t>(64 * (i / s.mapWidth) + 20));
    }

    test::WorkDir dir;
    RomBuilder rom;
    EditorState s;
    test::FakeShell shell;
};

TEST_F(LevelLoader, TilesetPicksTheSheetAndTheVariantDoesNot) {
    for (uint32_t n = 0; n < 5; ++n) writeSheet(n);
    struct Case {
        uint32_t tileset;
        uint16_t variant;
        uint32_t sheet;
    };
    const Case cases[] = {
        {0x9B8000, 0x70, 0}, {0x9AC000, 0x70, 1}, {0x9CB6EF, 0x69, 2}, {0x9C8000, 0x57, 3},
        {0x9BBCB5, 0x59, 4}, {0x9BBCB5, 0x58, 4}, {0x9BBCB5, 0x57, 4}, {0x9BBCB5, 0x70, 4},
        {0x9BBCB6, 0x59, 0}, {0x000000, 0x70, 0}, {0x9B8000, 0x59, 0},
    };
    for (uint32_t i = 0; i < std::size(cases); ++i) rom.addLevel(i, level(3, 2, cases[i].tileset, cases[i].variant));
    openImage();
    // From sheet to sheet and back, so that each load must replace the sheet.
    for (uint32_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(testing::Message() << "tileset 0x" << std::hex << cases[i].tileset << " variant 0x"
                                        << cases[i].variant);
        ASSERT_TRUE(loadLevel(s, shell, i));
        EXPECT_EQ(cellPixel(4), tileColour(cases[i].sheet, 4));
    }
    EXPECT_TRUE(shell.boxes.empty());
}

TEST_F(LevelLoader, MissingSheetIsReportedTwiceAndThePreviousSheetStays) {
    writeSheet(1);
    rom.addLevel(0, level(3, 2, 0x9AC000));  // sheet 1
    rom.addLevel(1, level(4, 2, 0x9C8000));  // sheet 3, missing
    openImage();

    // At the first load there is no sheet to fall back on: the cells are black.
    ASSERT_TRUE(loadLevel(s, shell, 1));
    EXPECT_EQ(cellPixel(5), 0u);
    ASSERT_EQ(shell.boxes.size(), 2u);

    ASSERT_TRUE(loadLevel(s, shell, 0));
    const Bitmap* sheet = s.TileSheet.bitmap();
    shell.boxes.clear();
    ASSERT_TRUE(loadLevel(s, shell, 1));
    ASSERT_EQ(shell.boxes.size(), 2u);
    EXPECT_EQ(shell.boxes[0].text, "Couldn't load file: .\\tiles\\tiles03.png");
    EXPECT_EQ(shell.boxes[0].caption, "Error");
    EXPECT_EQ(shell.boxes[1].text, ".\\tiles\\tiles03.png");
    EXPECT_EQ(shell.boxes[1].caption, "Could not find...");
    EXPECT_EQ(shell.boxes[1].buttons, BoxButtons::Ok);
    EXPECT_EQ(shell.boxes[1].owner, BoxOwner::MainWindow);
    // The level is loaded and drawn with the sheet of the level before.
    EXPECT_EQ(s.currentLevel, 1u);
    EXPECT_EQ(s.TileSheet.bitmap(), sheet);
    EXPECT_EQ(s.MapCanvas.bitmap()->width(), 256);
    for (uint32_t i = 0; i < 8; ++i) EXPECT_EQ(cellPixel(i), tileColour(1, i)) << "cell " << i;
}

TEST_F(LevelLoader, ViewStartsTopLeftOrCentredOnTheFirstStartWithinTheMap) {
    writeSheet(0);
    struct Case {
        uint16_t startX, startY;
        bool option;
        int32_t viewX, viewY;
        uint16_t w = 40, h = 30;
    };
    // A 40 x 30 map is 2560 x 1920 pixels; the client is 640 x 480.
    const Case cases[] = {
        {1000, 700, false, 0, 0},      // without the option: the top-left corner
        {1000, 700, true, 680, 460},   // centred
        {319, 239, true, 0, 0},        // less than half the client from the edge
        {320, 240, true, 0, 0},
        {321, 241, true, 1, 1},
        {2500, 1900, true, 1920, 1440},  // no further than the map's end
        // A map smaller than the client: the maxima are reported as they are,
        // negative, and the shell shows no bar then.
        {200, 250, true, 0, 0, 4, 4},
    };
    for (uint32_t i = 0; i < std::size(cases); ++i) {
        LevelContent c = level(cases[i].w, cases[i].h);
        c.start1X = cases[i].startX;
        c.start1Y = cases[i].startY;
        rom.addLevel(i, c);
    }
    openImage();
    for (uint32_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(testing::Message() << "start " << cases[i].startX << "," << cases[i].startY);
        s.options = cases[i].option ? kOptStartAtZekeStart : 0;
        s.selX = s.selY = 128;  // from the level before
        shell.scrollBars.clear();
        ASSERT_TRUE(loadLevel(s, shell, i));
        EXPECT_EQ(s.viewX, cases[i].viewX);
        EXPECT_EQ(s.viewY, cases[i].viewY);
        EXPECT_EQ(s.selX, 0);
        EXPECT_EQ(s.selY, 0);
        ASSERT_EQ(shell.scrollBars.size(), 2u);
        EXPECT_EQ(shell.scrollBars[0].bar, ScrollBar::Vertical);
        EXPECT_EQ(shell.scrollBars[0].max, 64 * cases[i].h - 480);
        EXPECT_EQ(shell.scrollBars[0].pos, cases[i].viewY);
        EXPECT_EQ(shell.scrollBars[1].bar, ScrollBar::Horizontal);
        EXPECT_EQ(shell.scrollBars[1].max, 64 * cases[i].w - 640);
        EXPECT_EQ(shell.scrollBars[1].pos, cases[i].viewX);
        // The view is drawn from the view origin and shown whole.
        ASSERT_FALSE(shell.mapPresents.empty());
        EXPECT_EQ(shell.mapPresents.back().originX, 0);
        EXPECT_EQ(shell.mapPresents.back().originY, 0);
        EXPECT_EQ(s.drawn.x, cases[i].viewX);
        EXPECT_EQ(s.drawn.y, cases[i].viewY);
    }
}

TEST_F(LevelLoader, RefusedLevelKeepsTheLevelCanvasAndSheetShown) {
    writeSheet(1);
    writeSheet(2);
    rom.addLevel(0, level(5, 3, 0x9AC000));
    rom.addLevel(1, level(6, 6, 0x9CB6EF));
    LevelHeader h = rom.readHeader(1);
    h.height = 0;  // refused: no cells
    rom.writeHeader(1, h);
    openImage();
    ASSERT_TRUE(loadLevel(s, shell, 0));
    const Bitmap* canvas = s.MapCanvas.bitmap();
    const Bitmap* sheet = s.TileSheet.bitmap();
    const std::vector<uint8_t> pixels(canvas->bits(), canvas->bits() + canvas->byteSize());
    const std::vector<uint8_t> map = s.mapBuffer;
    shell.scrollBars.clear();
    const size_t presents = shell.mapPresents.size();

    EXPECT_FALSE(loadLevel(s, shell, 1));
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].caption, "Error");
    EXPECT_EQ(shell.boxes[0].text.rfind("Level 1: ", 0), 0u) << shell.boxes[0].text;
    EXPECT_EQ(s.currentLevel, 0u);
    EXPECT_EQ(s.mapWidth, 5u);
    EXPECT_EQ(s.mapBuffer, map);
    EXPECT_EQ(s.MapCanvas.bitmap(), canvas);
    EXPECT_EQ(s.TileSheet.bitmap(), sheet);
    EXPECT_EQ(std::memcmp(canvas->bits(), pixels.data(), pixels.size()), 0);
    EXPECT_TRUE(shell.scrollBars.empty());
    EXPECT_EQ(shell.mapPresents.size(), presents);
}

// Each load draws every visible cell once: a second full pass (or a stray
// redraw on the way) shows in the count of cells drawn.
TEST_F(LevelLoader, LevelSwitchDrawsEachCellOnce) {
    writeSheet(0);
    rom.addLevel(0, level(10, 8));
    rom.addLevel(1, level(7, 5));
    openImage();
    const std::function<void()> switches[] = {
        [&] { ASSERT_TRUE(loadLevel(s, shell, 0)); },
        [&] { ASSERT_TRUE(loadLevel(s, shell, 1)); },
        [&] { applyChangeLevel(s, shell, "0"); },  // the Change Level dialog's OK
        [&] { applyChangeLevel(s, shell, "1"); },
    };
    const uint64_t cells[] = {80, 35, 80, 35};
    for (size_t i = 0; i < std::size(switches); ++i) {
        const uint64_t before = s.mapCellsDrawn;
        switches[i]();
        EXPECT_EQ(s.mapCellsDrawn - before, cells[i]) << "switch " << i;
        for (uint32_t c = 0; c < cells[i]; ++c) ASSERT_EQ(cellPixel(c), tileColour(0, c)) << "cell " << c;
    }
}

TEST_F(LevelLoader, ALevelWiderThanTheOldCanvasLimitOpens) {
    writeSheet(0);
    rom.addLevel(0, level(600, 30));  // 18000 cells, 38400 pixels wide
    openImage();
    ASSERT_TRUE(loadLevel(s, shell, 0));
    EXPECT_TRUE(shell.boxes.empty());
    EXPECT_EQ(s.MapCanvas.bitmap()->width(), 640);
    EXPECT_EQ(s.MapCanvas.bitmap()->height(), 480);
    EXPECT_EQ(pixelAt(*s.MapCanvas.bitmap(), 100, 100), tileColour(0, 601 & 0xFF));
}

TEST_F(LevelLoader, ASheetIsDecodedOnceASession) {
    writeSheet(1);
    writeSheet(2);
    rom.addLevel(0, level(5, 3, 0x9AC000));
    rom.addLevel(1, level(6, 6, 0x9CB6EF));
    openImage();
    ASSERT_TRUE(loadLevel(s, shell, 0));
    const Bitmap* first = s.TileSheet.bitmap();
    ASSERT_TRUE(loadLevel(s, shell, 1));
    EXPECT_NE(s.TileSheet.bitmap(), first);
    // Gone from the disk, the sheets seen before are still there.
    std::filesystem::remove_all("tiles");
    ASSERT_TRUE(loadLevel(s, shell, 0));
    EXPECT_EQ(s.TileSheet.bitmap(), first);
    ASSERT_TRUE(loadLevel(s, shell, 1));
    EXPECT_TRUE(shell.boxes.empty());
    for (uint32_t i = 0; i < 36; ++i) ASSERT_EQ(cellPixel(i), tileColour(2, i)) << "cell " << i;
}

}  // namespace
}  // namespace vurk
