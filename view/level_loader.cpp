#include "view/level_loader.h"

#include <algorithm>

#include "png/png_decoder.h"
#include "view/edit_history.h"
#include "view/map_canvas.h"

namespace vurk {

int32_t clampViewOrigin(int32_t want, int32_t mapPixels, int32_t client) {
    return std::max(0, std::min(want, mapPixels - client));
}

void scrollViewTo(EditorState& s, Shell& shell, int32_t x, int32_t y) {
    s.viewX = clampViewOrigin(x, static_cast<int32_t>(s.mapWidth) * kCellSize, s.clientW);
    s.viewY = clampViewOrigin(y, static_cast<int32_t>(s.mapHeight) * kCellSize, s.clientH);
    shell.setScrollPos(ScrollBar::Horizontal, s.viewX);
    shell.setScrollPos(ScrollBar::Vertical, s.viewY);
}

bool loadLevel(EditorState& s, Shell& shell, uint32_t level) {
    std::string why;
    if (!loadLevelData(s, level, why)) {
        shell.messageBox(why, kErrorCaption);
        return false;
    }
    if (!s.keepHeader) clearHistory(s);
    loadTileSheet(s, shell);

    s.viewX = s.viewY = 0;
    s.selX = s.selY = 0;
    const int32_t mapW = static_cast<int32_t>(s.mapWidth) * 64;
    const int32_t mapH = static_cast<int32_t>(s.mapHeight) * 64;
    if (s.options & kOptStartAtZekeStart) {
        s.viewX = clampViewOrigin(uint16_t{s.header.start1X} - (s.clientW >> 1), mapW, s.clientW);
        s.viewY = clampViewOrigin(uint16_t{s.header.start1Y} - (s.clientH >> 1), mapH, s.clientH);
    }
    s.objectGrabbed = 0;
    s.selectedObject = -1;
    s.tiles.forgetLevel();

    invalidateView(s);
    shell.invalidateMap();
    s.vScrollMax = mapH - s.clientH;
    s.hScrollMax = mapW - s.clientW;
    shell.setScrollBar(ScrollBar::Vertical, s.vScrollMax, s.viewY);
    shell.setScrollBar(ScrollBar::Horizontal, s.hScrollMax, s.viewX);
    presentMap(s, shell);
    return true;
}

void loadTileSheet(EditorState& s, Shell& shell) {
    const uint32_t number = tileSheetNumber(s.header.tileset);
    if (auto kept = s.tileSheets.find(number); kept != s.tileSheets.end()) {
        s.TileSheet.selectBitmap(kept->second);
        return;
    }
    const std::string path = tileSheetPath(number);
    if (!setSheet(s.TileSheet, LoadPngBitmap(path, shell))) {
        shell.messageBox(path, "Could not find...");
        return;
    }
    s.tileSheets[number] = s.TileSheet.selectBitmap(nullptr);
    s.TileSheet.selectBitmap(s.tileSheets[number]);
}

void loadSpriteSheets(EditorState& s, Shell& shell) {
    setSheet(s.ItemSheet, LoadPngBitmap(kItemSheetPath, shell));
    setSheet(s.VictimSheet, LoadPngBitmap(kVictimSheetPath, shell));
    setSheet(s.MonsterSheet, LoadPngBitmap(kMonsterSheetPath, shell));
}

}  // namespace vurk
