#include "view/map_canvas.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>
#include <utility>

#include "view/edit_history.h"
#include "view/game_tables.h"
#include "view/map_draw.h"
#include "view/objects.h"

namespace vurk {

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
    bitmap = Bitmap::toDrawingFormat(std::move(bitmap));
    if (!bitmap) return false;
    sheet.selectBitmap(std::move(bitmap));
    return true;
}

void drawTile(EditorState& s, Surface& target, uint8_t value, int32_t x, int32_t y) {
    Bitmap* bitmap = target.bitmap();
    if (!bitmap) return;
    MapPainter p(*bitmap, 0, 0, {0, 0, bitmap->width(), bitmap->height()});
    drawCell(p, s.TileSheet.bitmap(), value, x, y);
}

void invalidateView(EditorState& s) { s.drawn.valid = false; }

namespace {

// The parts of the canvas to repaint, by 64 x 64 blocks of level pixels.
class DirtyBlocks {
public:
    explicit DirtyBlocks(LevelRect area)
        : area_(area),
          x0_(area.left >> 6),
          y0_(area.top >> 6),
          columns_(((area.right - 1) >> 6) - x0_ + 1),
          rows_(((area.bottom - 1) >> 6) - y0_ + 1),
          bits_(static_cast<size_t>(columns_) * rows_, 0) {}

    void mark(LevelRect r) {
        r = r.intersected(area_);
        if (r.empty()) return;
        any_ = true;
        for (int32_t by = (r.top >> 6) - y0_; by <= ((r.bottom - 1) >> 6) - y0_; ++by)
            for (int32_t bx = (r.left >> 6) - x0_; bx <= ((r.right - 1) >> 6) - x0_; ++bx)
                bits_[static_cast<size_t>(by) * columns_ + bx] = 1;
    }

    // The marked blocks as level rectangles inside the area: runs along each
    // row, a run joined with the same run of the rows above it, so that a
    // view marked whole is drawn in one piece.
    template <class F>
    void forEachRect(F&& f) const {
        if (!any_) return;
        struct Open {
            int32_t first, end, top;  // block columns [first, end), from block row top
        };
        std::vector<Open> open, next;
        auto emit = [&](const Open& o, int32_t bottom) {
            f(LevelRect{(x0_ + o.first) << 6, (y0_ + o.top) << 6, (x0_ + o.end) << 6, (y0_ + bottom) << 6}.intersected(area_));
        };
        for (int32_t by = 0; by <= rows_; ++by) {
            next.clear();
            for (int32_t bx = 0; by < rows_ && bx < columns_;) {
                if (!bits_[static_cast<size_t>(by) * columns_ + bx]) {
                    ++bx;
                    continue;
                }
                const int32_t first = bx;
                while (bx < columns_ && bits_[static_cast<size_t>(by) * columns_ + bx]) ++bx;
                Open run{first, bx, by};
                for (Open& o : open) {
                    if (o.first == first && o.end == bx) {
                        run.top = o.top;
                        o.end = -1;  // carried on
                    }
                }
                next.push_back(run);
            }
            for (const Open& o : open)
                if (o.end >= 0) emit(o, by);
            open.swap(next);
        }
    }

private:
    LevelRect area_;
    int32_t x0_, y0_, columns_, rows_;
    std::vector<uint8_t> bits_;
    bool any_ = false;
};

LevelRect cellRect(int32_t x, int32_t y) { return {x, y, x + kCellSize, y + kCellSize}; }

// Marks the old and the new drawing of every record that changed; false when
// the lists' lengths differ.
template <class Record, class List, class Bounds>
bool markChangedRecords(DirtyBlocks& dirty, const List& before, const List& now, Bounds bounds) {
    if (before.size() != now.size()) return false;
    for (size_t i = 0; i < now.size(); ++i) {
        if (std::memcmp(&before[i], &now[i], sizeof(Record)) == 0) continue;
        dirty.mark(bounds(before[i]));
        dirty.mark(bounds(now[i]));
    }
    return true;
}

// Moves the canvas's pixels so that they stand for the level from (x, y), and
// marks the part of the new area that holds no pixels of the old.
void scrollCanvas(Bitmap& canvas, EditorState::DrawnView& drawn, int32_t x, int32_t y, DirtyBlocks& dirty,
                  const LevelRect& area) {
    const int32_t dy = y - drawn.y;
    const int32_t w = canvas.width(), h = canvas.height();
    const LevelRect kept = area.intersected({drawn.x, drawn.y, drawn.x + w, drawn.y + h});
    if (kept.empty()) {
        dirty.mark(area);
        return;
    }
    const int32_t n = kept.right - kept.left;
    auto moveRow = [&](int32_t ly) {
        std::memmove(canvas.row(ly - y) + static_cast<size_t>(kept.left - x) * 4,
                     canvas.row(ly - drawn.y) + static_cast<size_t>(kept.left - drawn.x) * 4, static_cast<size_t>(n) * 4);
    };
    if (dy >= 0) {
        for (int32_t ly = kept.top; ly < kept.bottom; ++ly) moveRow(ly);
    } else {
        for (int32_t ly = kept.bottom - 1; ly >= kept.top; --ly) moveRow(ly);
    }
    dirty.mark({area.left, area.top, area.right, kept.top});
    dirty.mark({area.left, kept.bottom, area.right, area.bottom});
    dirty.mark({area.left, kept.top, kept.left, kept.bottom});
    dirty.mark({kept.right, kept.top, area.right, kept.bottom});
}

}  // namespace

void updateView(EditorState& s) {
    if (!s.levelLoaded) return;
    const LevelRect map = mapRect(s);
    const LevelRect area = LevelRect{s.viewX, s.viewY, s.viewX + s.clientW, s.viewY + s.clientH}.intersected(map);
    if (area.empty()) return;
    const int32_t w = area.right - area.left, h = area.bottom - area.top;
    EditorState::DrawnView& d = s.drawn;
    Bitmap* canvas = s.MapCanvas.bitmap();
    if (!canvas || canvas->width() != w || canvas->height() != h) {
        s.MapCanvas.selectBitmap(Bitmap::create(w, h, 32));
        canvas = s.MapCanvas.bitmap();
        if (!canvas) return;
        d.valid = false;
    }
    const Bitmap* sheets[4] = {s.TileSheet.bitmap(), s.ItemSheet.bitmap(), s.VictimSheet.bitmap(),
                               s.MonsterSheet.bitmap()};
    const bool circles = circlesShown(s);
    const bool flash = s.itemFlash && s.editMode == kModeItem;
    DirtyBlocks dirty(area);
    bool all = !d.valid || d.mapWidth != s.mapWidth || d.mapHeight != s.mapHeight || d.editMode != s.editMode ||
               d.monsterList != s.monsterList || !std::equal(sheets, sheets + 4, d.sheets) ||
               d.mapBuffer.size() != s.mapBuffer.size();
    if (!all && (d.x != area.left || d.y != area.top)) scrollCanvas(*canvas, d, area.left, area.top, dirty, area);
    if (!all && d.mapBuffer != s.mapBuffer) {
        for (size_t i = 0; i + 1 < s.mapBuffer.size(); i += 2) {
            if (d.mapBuffer[i] == s.mapBuffer[i]) continue;
            const auto cell = static_cast<uint32_t>(i / 2);
            dirty.mark(cellRect(static_cast<int32_t>(cell % s.mapWidth) * kCellSize,
                                static_cast<int32_t>(cell / s.mapWidth) * kCellSize));
        }
    }
    if (!all) {
        all = !markChangedRecords<ItemRecord>(dirty, d.items, s.items, itemBounds) ||
              !markChangedRecords<VictimRecord>(dirty, d.victims, s.victims, victimBounds) ||
              !markChangedRecords<OtmRecord>(dirty, d.otm, s.otm, otmBounds) ||
              !markChangedRecords<RsmRecord>(dirty, d.rsm, s.rsm,
                                             [&](const RsmRecord& m) { return rsmBounds(m, circles || d.circles); });
    }
    if (!all && circles != d.circles) {
        for (const RsmRecord& m : s.rsm) dirty.mark(rsmBounds(m, true));
    }
    if (!all && flash != d.flash) {
        for (const ItemRecord& item : s.items) dirty.mark(itemBounds(item));
    }
    if (!all && s.editMode == kModeBg && (d.selX != s.selX || d.selY != s.selY)) {
        dirty.mark(cellRect(d.selX, d.selY));
        dirty.mark(cellRect(s.selX, s.selY));
    }

    if (all) {
        MapPainter p(*canvas, area.left, area.top, area);
        drawLevelArea(s, p);
    } else {
        dirty.forEachRect([&](LevelRect r) {
            MapPainter p(*canvas, area.left, area.top, r);
            drawLevelArea(s, p);
        });
    }

    d.valid = true;
    d.x = area.left;
    d.y = area.top;
    d.mapWidth = s.mapWidth;
    d.mapHeight = s.mapHeight;
    d.editMode = s.editMode;
    d.monsterList = s.monsterList;
    d.circles = circles;
    d.flash = flash;
    d.selX = s.selX;
    d.selY = s.selY;
    std::copy(sheets, sheets + 4, d.sheets);
    d.mapBuffer = s.mapBuffer;
    d.items = s.items;
    d.victims = s.victims;
    d.otm = s.otm;
    d.rsm = s.rsm;
}

void presentMap(EditorState& s, Shell& shell) {
    updateView(s);
    if (const Bitmap* canvas = s.MapCanvas.bitmap()) shell.presentMap(*canvas, s.viewX - s.drawn.x, s.viewY - s.drawn.y);
}

void toggleCellMarker(Surface& surface, int32_t x, int32_t y) {
    surface.patBlt(x, y, kCellSize, kCellSize, PatRop::PatInvert);
    surface.patBlt(x + 2, y + 2, kCellSize - 4, kCellSize - 4, PatRop::PatInvert);
}

void selectCell(EditorState& s, Shell& shell, int32_t x, int32_t y) {
    s.selX = x & ~63;
    s.selY = y & ~63;
    presentMap(s, shell);
}

bool readVmap(EditorState& s, Shell& shell) {
    LevelSnapshot before = takeSnapshot(s);
    if (!readVmapData(s, shell)) return false;
    recordLevelEdit(s, std::move(before), "VMAP load");
    shell.invalidateMap();
    presentMap(s, shell);
    return true;
}

}  // namespace vurk
