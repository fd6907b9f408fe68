#include "view/map_draw.h"

#include <cstring>
#include <unordered_map>

#include "view/objects.h"

namespace vurk {

LevelRect mapRect(const EditorState& s) {
    return {0, 0, static_cast<int32_t>(s.mapWidth) * kCellSize, static_cast<int32_t>(s.mapHeight) * kCellSize};
}

MapPainter::MapPainter(Bitmap& target, int32_t originX, int32_t originY, LevelRect clip)
    : target_(target), originX_(originX), originY_(originY) {
    clip_ = clip.intersected({originX, originY, originX + target.width(), originY + target.height()});
}

uint8_t* MapPainter::at(int32_t x, int32_t y) const {
    return target_.row(y - originY_) + static_cast<size_t>(x - originX_) * 4;
}

void MapPainter::blit(const Bitmap* sheet, int32_t sx, int32_t sy, int32_t w, int32_t h, int32_t x, int32_t y,
                      Rop rop) {
    if (!sheet || sheet->biBitCount != 32) return;
    // The destination pixels whose source lies inside the sheet, inside the clip.
    const LevelRect from{x - sx, y - sy, x - sx + sheet->width(), y - sy + sheet->height()};
    const LevelRect r = LevelRect{x, y, x + w, y + h}.intersected(from).intersected(clip_);
    if (r.empty()) return;
    const int32_t n = r.right - r.left;
    for (int32_t row = r.top; row < r.bottom; ++row) {
        const uint8_t* in = sheet->row(sy + row - y) + static_cast<size_t>(sx + r.left - x) * 4;
        combineRow(at(r.left, row), in, n, rop);
    }
}

void MapPainter::blitMasked(const Bitmap* sheet, int32_t sx, int32_t maskX, int32_t sy, int32_t w, int32_t h,
                            int32_t x, int32_t y) {
    blit(sheet, maskX, sy, w, h, x, y, Rop::SrcAnd);
    blit(sheet, sx, sy, w, h, x, y, Rop::SrcPaint);
}

void MapPainter::fill(LevelRect r, uint32_t color) {
    r = r.intersected(clip_);
    for (int32_t y = r.top; y < r.bottom; ++y) {
        uint8_t* p = at(r.left, y);
        for (int32_t x = r.left; x < r.right; ++x, p += 4) std::memcpy(p, &color, 4);
    }
}

void MapPainter::frame(LevelRect r, uint32_t color) {
    if (r.empty()) return;
    fill({r.left, r.top, r.right, r.top + 1}, color);
    fill({r.left, r.bottom - 1, r.right, r.bottom}, color);
    fill({r.left, r.top + 1, r.left + 1, r.bottom - 1}, color);
    fill({r.right - 1, r.top + 1, r.right, r.bottom - 1}, color);
}

void MapPainter::hatch(LevelRect r, uint32_t color) {
    r = r.intersected(clip_);
    for (int32_t y = r.top; y < r.bottom; ++y) {
        // The first x of the row on a line, then every 8th.
        for (int32_t x = r.left + ((7 - ((r.left + y) & 7)) & 7); x < r.right; x += 8) std::memcpy(at(x, y), &color, 4);
    }
}

void MapPainter::invert(LevelRect r, uint32_t pattern) {
    r = r.intersected(clip_);
    for (int32_t y = r.top; y < r.bottom; ++y) {
        uint8_t* p = at(r.left, y);
        for (int32_t x = r.left; x < r.right; ++x, p += 4) {
            uint32_t v;
            std::memcpy(&v, p, 4);
            v ^= pattern;
            std::memcpy(p, &v, 4);
        }
    }
}

void MapPainter::plot(const ShapePixels& shape, int32_t x, int32_t y, uint32_t color) {
    if (!LevelRect{x, y, x + shape.width, y + shape.height}.intersects(clip_)) return;
    for (const ShapePoint& p : shape.pen) {
        const int32_t px = x + p.x, py = y + p.y;
        if (px >= clip_.left && px < clip_.right && py >= clip_.top && py < clip_.bottom) std::memcpy(at(px, py), &color, 4);
    }
}

const ShapePixels& circlePixels(uint8_t radius) {
    // Kept for the session: a radius is a byte, so there are at most 256.
    static std::unordered_map<uint8_t, ShapePixels> circles;
    auto it = circles.find(radius);
    if (it == circles.end()) {
        const int32_t d = 2 * radius;
        it = circles.emplace(radius, ellipsePixels(d, d, true, false, 0, 0, d, d)).first;
    }
    return it->second;
}

const ShapePixels& labelPixels(const std::string& text) {
    // Labels are 16-bit numbers; the few a session shows are kept, and the
    // store starts afresh should it ever grow large.
    static std::unordered_map<std::string, ShapePixels> labels;
    auto it = labels.find(text);
    if (it == labels.end()) {
        if (labels.size() >= 4096) labels.clear();
        it = labels.emplace(text, textPixels(text)).first;
    }
    return it->second;
}

void drawCell(MapPainter& p, const Bitmap* sheet, uint8_t value, int32_t x, int32_t y) {
    const int32_t sx = kCellSize * (value & 15), sy = kCellSize * (value >> 4);
    if (!sheet || sheet->width() < sx + kCellSize || sheet->height() < sy + kCellSize)
        p.fill({x, y, x + kCellSize, y + kCellSize}, 0);
    p.blit(sheet, sx, sy, kCellSize, kCellSize, x, y, Rop::SrcCopy);
}

void drawLevelArea(EditorState& s, MapPainter& painter) {
    const LevelRect area = painter.clip().intersected(mapRect(s));
    if (area.empty()) return;
    MapPainter p(painter, area);

    const Bitmap* sheet = s.TileSheet.bitmap();
    for (int32_t row = area.top >> 6; row <= (area.bottom - 1) >> 6; ++row) {
        for (int32_t column = area.left >> 6; column <= (area.right - 1) >> 6; ++column) {
            const size_t offset = (static_cast<size_t>(row) * s.mapWidth + static_cast<size_t>(column)) * 2;
            if (offset >= s.mapBuffer.size()) continue;
            ++s.mapCellsDrawn;
            drawCell(p, sheet, s.mapBuffer[offset], column * kCellSize, row * kCellSize);
        }
    }
    drawObjectsIn(s, p);
    if (s.editMode == kModeBg) {
        // The cursor: an inverted frame 2 pixels wide inside the selected cell.
        const uint32_t white = 0xFFFFFF;
        p.invert({s.selX, s.selY, s.selX + kCellSize, s.selY + 2}, white);
        p.invert({s.selX, s.selY + kCellSize - 2, s.selX + kCellSize, s.selY + kCellSize}, white);
        p.invert({s.selX, s.selY + 2, s.selX + 2, s.selY + kCellSize - 2}, white);
        p.invert({s.selX + kCellSize - 2, s.selY + 2, s.selX + kCellSize, s.selY + kCellSize - 2}, white);
    }
}

std::unique_ptr<Bitmap> renderLevelArea(EditorState& s, LevelRect area) {
    area = area.intersected(mapRect(s));
    if (area.empty()) return nullptr;
    std::unique_ptr<Bitmap> bmp = Bitmap::create(area.right - area.left, area.bottom - area.top, 32);
    if (!bmp) return nullptr;
    MapPainter p(*bmp, area.left, area.top, area);
    drawLevelArea(s, p);
    return bmp;
}

bool drawLevelInBands(EditorState& s, const std::function<bool(Bitmap& band, int32_t top)>& take) {
    const LevelRect map = mapRect(s);
    const uint64_t rowBytes = Bitmap::pitchFor(map.right - map.left, 32);
    if (map.empty() || rowBytes == 0) return false;
    const auto rows = static_cast<int32_t>(std::clamp<uint64_t>(kBandBytes / rowBytes, 1, map.bottom - map.top));
    for (int32_t top = map.top; top < map.bottom; top += rows) {
        const std::unique_ptr<Bitmap> band =
            renderLevelArea(s, {map.left, top, map.right, std::min(map.bottom, top + rows)});
        if (!band || !take(*band, top)) return false;
    }
    return true;
}

}  // namespace vurk
