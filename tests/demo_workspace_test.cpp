// The demo workspace maker and vurk-tool render, end to end: the maker writes a
// workspace into a temporary folder, the editor's loader and decoder read it,
// and the tool's pictures are the editor's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>

#include <QImage>

#include "tests/support/fake_shell.h"
#include "tests/support/level_fixture.h"
#include "tests/support/run_tool.h"
#include "tests/support/workdir.h"
#include "view/level_loader.h"
#include "view/map_canvas.h"
#include "view/map_draw.h"
#include "view/objects.h"

namespace vurk {
namespace {

namespace fs = std::filesystem;

QImage readPng(const std::string& path) {
    QImage img(QString::fromStdString(path));
    EXPECT_FALSE(img.isNull()) << path;
    return img.convertToFormat(QImage::Format_RGB32);
}

std::string tileSheetFile(uint32_t n) { return "tiles/tiles0" + std::to_string(n) + ".png"; }

uint32_t rgb(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFFu; }

class DemoWorkspace : public ::testing::Test {
protected:
    void SetUp() override {
        const test::ToolRun r = test::runDemoMaker(".");
        ASSERT_EQ(r.status, 0) << r.err;
    }

    test::WorkDir dir;
};

// Every tile of every sheet is a picture of its own.
TEST_F(DemoWorkspace, HoldsTheImageTheSheetsAndAnEmptyMapsFolder) {
    EXPECT_EQ(fs::file_size("vurk.smc"), 0x100200u);
    EXPECT_TRUE(fs::is_directory("maps"));
    EXPECT_TRUE(fs::is_empty("maps"));
    std::set<std::string> tiles;
    for (uint32_t n = 0; n < 5; ++n) {
        const QImage sheet = readPng(tileSheetFile(n));
        EXPECT_EQ(sheet.size(), QSize(1024, 1024)) << n;
        for (int t = 0; t < 256; ++t) {
            const QImage tile = sheet.copy(64 * (t & 15), 64 * (t >> 4), 64, 64);
            tiles.insert(std::string(reinterpret_cast<const char*>(tile.constBits()), tile.sizeInBytes()));
        }
    }
    EXPECT_EQ(tiles.size(), 5u * 256u);
    const test::ToolRun levels = test::runTool("levels");
    EXPECT_EQ(levels.status, 0) << levels.out;
    EXPECT_EQ(std::count(levels.out.begin(), levels.out.end(), '\n'), 56);

    // Remaking the workspace leaves what the maps folder holds.
    test::writeFileBytes("maps/level07.vmap", {1, 2, 3});
    ASSERT_EQ(test::runDemoMaker(".").status, 0);
    EXPECT_EQ(test::readFileBytes("maps/level07.vmap"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(DemoWorkspace, LevelsShowEveryKindAndKeepTheirObjectsInside) {
    std::set<std::pair<uint16_t, uint16_t>> sizes;
    std::set<uint32_t> sheets, desertVariants, victims, monsters, rectEntries;
    std::set<uint8_t> items;
    std::set<size_t> bonusLengths;
    int withoutBonus = 0;
    EditorState s;
    for (uint32_t level = 0; level < kLevelCount; ++level) {
        SCOPED_TRACE(testing::Message() << "level " << level);
        test::loadFromImage(s, level);
        const int32_t w = static_cast<int32_t>(s.mapWidth) * 64, h = static_cast<int32_t>(s.mapHeight) * 64;
        auto inside = [&](int32_t x, int32_t y) { return 0 <= x && x < w && 0 <= y && y < h; };
        sizes.insert({s.header.width, s.header.height});
        sheets.insert(tileSheetNumber(s.header.tileset));
        if (s.header.tileset == 0x9BBCB5) desertVariants.insert(s.header.tilesetVariant);
        for (const ItemRecord& it : s.items) {
            items.insert(it.type);
            EXPECT_TRUE(inside(it.x - 8, it.y - 8) && inside(it.x + 7, it.y + 7));
        }
        for (const VictimRecord& v : s.victims) {
            if (v.code > 1) victims.insert(v.code);
            EXPECT_TRUE(inside(v.x, v.y)) << "victim at " << v.x << "," << v.y;
        }
        for (const OtmRecord& o : s.otm) {
            monsters.insert(o.code);
            if (o.code == kRectMonsterCode) rectEntries.insert(o.data);
            EXPECT_TRUE(inside(o.x, o.y));
        }
        for (const RsmRecord& r : s.rsm) {
            monsters.insert(r.code);
            EXPECT_TRUE(inside(r.x, r.y));
        }
        if (s.header.bonusList == 0) ++withoutBonus;
        bonusLengths.insert(s.bonus.size());
        for (uint16_t code : s.bonus) EXPECT_TRUE(code >= 4 && code <= 32 && code % 2 == 0) << code;
    }
    EXPECT_TRUE(sizes.count({4, 4}));
    EXPECT_TRUE(sizes.count({40, 30}));
    for (const auto& [w, h] : sizes) EXPECT_TRUE(w >= 4 && w <= 40 && h >= 4 && h <= 30) << w << "x" << h;
    EXPECT_EQ(sheets, (std::set<uint32_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(desertVariants, (std::set<uint32_t>{0x57, 0x58, 0x59}));
    EXPECT_EQ(items.size(), kItemNames.size());
    EXPECT_EQ(victims.size(), victimKinds().size());
    for (const MonsterSprite& m : MonsterSpriteTable) EXPECT_TRUE(monsters.count(m.code)) << m.name;
    for (uint32_t i = 0; i < MonsterRectTable.size(); ++i) {
        EXPECT_EQ(rectEntries.count(i) == 1, MonsterRectTable[i].left >= 0) << "rect entry " << i;
    }
    EXPECT_EQ(withoutBonus, 1);
    EXPECT_GE(bonusLengths.size(), 4u);
}

// A masked figure: mask only black and white, picture black where the mask is
// white, and some of the figure under the black.
void expectMaskedFigure(const Bitmap& sheet, const SpriteSource& sp, const std::string& what) {
    int under = 0, through = 0, coloured = 0;
    for (int32_t y = sp.srcY; y < sp.srcY + sp.height; ++y) {
        for (int32_t x = 0; x < sp.width; ++x) {
            const uint32_t mask = sheet.pixelRgb(sp.maskX + x, y), pic = sheet.pixelRgb(sp.srcX + x, y);
            ASSERT_TRUE(mask == 0 || mask == 0xFFFFFF) << what << " mask at " << sp.maskX + x << "," << y;
            if (mask == 0xFFFFFF) {
                ASSERT_EQ(pic, 0u) << what << " picture at " << sp.srcX + x << "," << y;
                ++through;
            } else {
                ++under;
                coloured += pic != 0;
            }
        }
    }
    EXPECT_GT(under, sp.width * sp.height / 3) << what;
    EXPECT_GT(through, 0) << what;
    EXPECT_GT(coloured, under / 2) << what;
}

TEST_F(DemoWorkspace, EveryFigureTheLevelsShowHasItsPictureAndMask) {
    EditorState s;
    test::FakeShell shell;
    loadSpriteSheets(s, shell);  // the editor's own decoder
    ASSERT_TRUE(shell.boxes.empty());
    for (const VictimSprite& v : victimKinds()) expectMaskedFigure(*s.VictimSheet.bitmap(), victimSprite(v.code), v.name);

    std::set<std::tuple<int32_t, int32_t, int32_t, int32_t>> seen;
    for (uint32_t level = 0; level < kLevelCount; ++level) {
        test::loadFromImage(s, level);
        for (int32_t list : {kOtmList, kRsmList}) {
            s.monsterList = list;
            const size_t n = list == kOtmList ? s.otm.size() : s.rsm.size();
            for (size_t i = 0; i < n; ++i) {
                const SpriteSource sp = monsterSprite(s, i);
                if (!seen.insert({sp.srcX, sp.srcY, sp.width, sp.height}).second) continue;
                expectMaskedFigure(*s.MonsterSheet.bitmap(), sp,
                                   "level " + std::to_string(level) + " list " + std::to_string(list) + " #" +
                                       std::to_string(i));
            }
        }
    }

    // Items and the start points are opaque squares, each a picture of its own.
    std::set<std::vector<uint32_t>> itemPictures;
    for (size_t row = 0; row < kItemNames.size(); ++row) {
        const SheetPoint at = itemSpriteOrigin(itemTypeOfRow(row));
        std::vector<uint32_t> px;
        for (int32_t y = 0; y < 16; ++y)
            for (int32_t x = 0; x < 16; ++x) px.push_back(s.ItemSheet.bitmap()->pixelRgb(at.x + x, at.y + y));
        EXPECT_LT(std::count(px.begin(), px.end(), 0u), 128) << kItemNames[row];
        itemPictures.insert(px);
    }
    EXPECT_EQ(itemPictures.size(), kItemNames.size());
}

// The tool writes the picture the editor draws, in the mode it is given; what
// those pictures hold is fixed by the render reference test.
TEST_F(DemoWorkspace, RenderWritesTheEditorsPictureInEachMode) {
    const struct {
        const char* name;
        int32_t editMode, monsterList;
    } modes[] = {{"bg", kModeBg, kOtmList},           {"item", kModeItem, kOtmList},
                 {"victim", kModeVictim, kOtmList},   {"monster1", kModeMonster, kOtmList},
                 {"monster2", kModeMonster, kRsmList}};
    for (const auto& m : modes) {
        const std::string args = std::string("render 0 ") + m.name + ".png" +
                                 (m.editMode == kModeBg ? "" : std::string(" --mode ") + m.name);
        const test::ToolRun r = test::runTool(args);
        ASSERT_EQ(r.status, 0) << args << ": " << r.err;
    }
    EditorState s;
    test::FakeShell shell;
    ASSERT_EQ(openRomImage(s.rom), RomOpenResult::Ok);
    loadSpriteSheets(s, shell);
    for (const auto& m : modes) {
        SCOPED_TRACE(m.name);
        s.editMode = m.editMode;
        s.monsterList = m.monsterList;
        ASSERT_TRUE(loadLevel(s, shell, 0));
        const auto picture = renderLevelArea(s, mapRect(s));
        const QImage written = readPng(std::string(m.name) + ".png");
        ASSERT_EQ(written.size(), QSize(picture->width(), picture->height()));
        for (int y = 0; y < written.height(); ++y)
            for (int x = 0; x < written.width(); ++x)
                ASSERT_EQ(rgb(written, x, y), picture->pixelRgb(x, y)) << x << "," << y;
    }
}

TEST_F(DemoWorkspace, RenderErrorsWriteNothing) {
    struct Case {
        std::string args;
        std::string error;
    };
    // Level 3 loses its cells; the monster sheet goes missing last.
    std::vector<uint8_t> image = test::readFileBytes("vurk.smc");
    const uint32_t header = readLe16(image.data() + kLevelTableOffset + 2 * 3) + kBank9FBase;
    writeLe16(image.data() + header + 34, 0);
    test::writeFileBytes("vurk.smc", image);
    const Case cases[] = {
        {"render 56 out.png", "the level must be a number from 0 to 55"},
        {"render 0 out.png --mode sideways", "the mode must be"},
        {"render 0", "give a level number"},
        {"render 3 out.png", "Level 3: the map has no cells"},
        {"render 0 no-such-folder/out.png", "could not write no-such-folder/out.png"},
    };
    for (const Case& c : cases) {
        const test::ToolRun r = test::runTool(c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_NE(r.err.find(c.error), std::string::npos) << c.args << ": " << r.err;
    }
    // A sheet whose image data is damaged, then one that is missing: each is
    // named, with why.
    std::vector<uint8_t> items = test::readFileBytes("tiles/items.png");
    const auto idat = std::search(items.begin(), items.end(), std::begin("IDAT"), std::end("IDAT") - 1);
    ASSERT_NE(idat, items.end());
    idat[4] = 0x88;  // the zlib header's method
    test::writeFileBytes("tiles/items.png", items);
    test::ToolRun r = test::runTool("render 4 out.png");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("could not decode .\\tiles\\items.png: its image data is damaged"), std::string::npos)
        << r.err;
    fs::remove("tiles/monsters.png");
    r = test::runTool("render 4 out.png");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Couldn't load file: .\\tiles\\monsters.png"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists("out.png"));
    EXPECT_FALSE(fs::exists("no-such-folder"));
}

}  // namespace
}  // namespace vurk
