#include "view/map_canvas.h"

#include <cstdio>
#include <utility>

#include "view/edit_history.h"
#include "view/game_tables.h"
#include "view/objects.h"

namespace vurk {

EditorState::EditorState() {
    MapCanvas.state.pen = {PenStyle::Solid, kRed};
    MapCanvas.state.textColor = kYellow;
    MapCanvas.state.bkMode = BkMode::Transparent;
}

uint32_t tileSheetNumber(uint32_t tileset) {
    for (size_t i = 0; i < kSheetTilesets.size(); ++i) {
        if (kSheetTilesets[i] == tileset) return static_cast<uint32_t>(i);
    }
    return 0;
}

std::string tileSheetPath(uint32_t number) {
    char path[32];
    std::snprintf(path, sizeof path, ".\\tiles\\tiles%02u.png", number % 100);
    return path;
}

bool setSheet(Surface& sheet, std::unique_ptr<Bitmap> bitmap) {
    if (!bitmap) return false;
    sheet.selectBitmap(std::move(bitmap));
    return true;
}

bool createMapCanvas(EditorState& s) {
    const int64_t w = int64_t{s.mapWidth} * kCellSize;
    const int64_t h = int64_t{s.mapHeight} * kCellSize;
    std::unique_ptr<Bitmap> bmp;
    if (w <= INT32_MAX && h <= INT32_MAX) {
        bmp = Bitmap::create(static_cast<int32_t>(w), static_cast<int32_t>(h), 32);
    }
    const bool made = bmp != nullptr;
    s.MapCanvas.selectBitmap(std::move(bmp));
    return made;
}

void drawTile(EditorState& s, Surface& target, uint8_t value, int32_t x, int32_t y) {
    const int32_t sx = kCellSize * (value & 15);
    const int32_t sy = kCellSize * (value >> 4);
    const Bitmap* sheet = s.TileSheet.bitmap();
    if (!sheet || sheet->width() < sx + kCellSize || sheet->height() < sy + kCellSize) {
        target.patBlt(x, y, kCellSize, kCellSize, PatRop::Blackness);
    }
    target.bitBlt(x, y, kCellSize, kCellSize, s.TileSheet, sx, sy, Rop::SrcCopy);
}

namespace {

// Draws map cell (column, row), which must exist.
void drawCell(EditorState& s, uint32_t column, uint32_t row) {
    const size_t offset = (size_t{row} * s.mapWidth + column) * 2;
    if (offset >= s.mapBuffer.size()) return;
    ++s.mapCellsDrawn;
    drawTile(s, s.MapCanvas, s.mapBuffer[offset], static_cast<int32_t>(column) * kCellSize,
             static_cast<int32_t>(row) * kCellSize);
}

}  // namespace

void redrawMap(EditorState& s) {
    if (s.mapWidth > 0) {
        const size_t cells = s.mapBuffer.size() / 2;
        for (size_t i = 0; i < cells; ++i) {
            drawCell(s, static_cast<uint32_t>(i % s.mapWidth), static_cast<uint32_t>(i / s.mapWidth));
        }
    }
    drawObjects(s);
}

void redrawCellsAround(EditorState& s, uint16_t x, uint16_t y) {
    const int64_t cx = x >> 6, cy = y >> 6;
    for (int64_t row = cy - 1; row <= cy + 1; ++row) {
        for (int64_t column = cx - 1; column <= cx + 1; ++column) {
            if (row < 0 || column < 0 || row >= s.mapHeight || column >= s.mapWidth) continue;
            drawCell(s, static_cast<uint32_t>(column), static_cast<uint32_t>(row));
        }
    }
}

void presentMap(EditorState& s, Shell& shell) {
    if (const Bitmap* canvas = s.MapCanvas.bitmap()) shell.presentMap(*canvas, s.viewX, s.viewY);
}

void toggleCellMarker(Surface& surface, int32_t x, int32_t y) {
    surface.patBlt(x, y, kCellSize, kCellSize, PatRop::PatInvert);
    surface.patBlt(x + 2, y + 2, kCellSize - 4, kCellSize - 4, PatRop::PatInvert);
}

void toggleMarkerInBgMode(EditorState& s) {
    if (s.editMode == kModeBg) toggleCellMarker(s.MapCanvas, s.selX, s.selY);
}

void selectCell(EditorState& s, Shell& shell, int32_t x, int32_t y) {
    toggleCellMarker(s.MapCanvas, s.selX, s.selY);
    s.selX = x & ~63;
    s.selY = y & ~63;
    drawObjects(s);
    toggleCellMarker(s.MapCanvas, s.selX, s.selY);
    presentMap(s, shell);
}

bool readVmap(EditorState& s, Shell& shell) {
    LevelSnapshot before = takeSnapshot(s);
    if (!readVmapData(s, shell)) return false;
    recordLevelEdit(s, std::move(before), "VMAP load");
    redrawMap(s);
    toggleMarkerInBgMode(s);
    shell.invalidateMap();
    return true;
}

}  // namespace vurk
