#include "tests/support/view_support.h"

#include <cstring>

#include "view/map_canvas.h"

namespace vurk::test {

std::unique_ptr<Bitmap> coordinateSheet(int32_t w, int32_t h) {
    auto b = Bitmap::create(w, h, 32);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            uint32_t v = sheetPixel(x, y);
            std::memcpy(b->row(y) + x * 4, &v, 4);
        }
    }
    return b;
}

uint32_t pixelAt(const Bitmap& b, int32_t x, int32_t y) {
    uint32_t v;
    std::memcpy(&v, b.row(y) + x * 4, 4);
    return v;
}

void fillBitmap(Bitmap& b, uint32_t value) {
    for (int32_t y = 0; y < b.height(); ++y)
        for (int32_t x = 0; x < b.width(); ++x) std::memcpy(b.row(y) + x * 4, &value, 4);
}

void setUpView(EditorState& s, uint32_t w, uint32_t h) {
    s.mapWidth = w;
    s.mapHeight = h;
    s.mapSize = w * h * 2;
    s.mapBuffer.resize(s.mapSize);
    for (size_t i = 0; i < s.mapBuffer.size() / 2; ++i) {
        s.mapBuffer[i * 2] = static_cast<uint8_t>(i);
        s.mapBuffer[i * 2 + 1] = 0x80;
    }
    s.levelLoaded = true;
    s.clientW = static_cast<int32_t>(w) * kCellSize;
    s.clientH = static_cast<int32_t>(h) * kCellSize;
    setSheet(s.TileSheet, coordinateSheet(1024, 1024));
}

}  // namespace vurk::test
