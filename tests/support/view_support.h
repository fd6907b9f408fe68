// Small hand-made sheets and levels for the map view's pixel tests.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/bitmap.h"
#include "view/editor_state.h"

namespace vurk::test {

// A pixel value that names its own sheet position, so a copied pixel tells
// where it came from. Never black and never pure red or yellow.
constexpr uint32_t sheetPixel(int32_t x, int32_t y) {
    return 0x400000u | (static_cast<uint32_t>(y) << 11) | static_cast<uint32_t>(x);
}

// A 32-bit bitmap of sheetPixel values.
std::unique_ptr<Bitmap> coordinateSheet(int32_t w, int32_t h);

// The raw 32-bit value of a pixel.
uint32_t pixelAt(const Bitmap& b, int32_t x, int32_t y);
void fillBitmap(Bitmap& b, uint32_t value);

// Gives an editor state a loaded w x h-cell map (cell i holds tile i & 0xFF and
// a high byte of 0x80), a client as large as the map, and a 1024 x 1024
// coordinate tile sheet. No objects.
void setUpView(EditorState& s, uint32_t w, uint32_t h);

}  // namespace vurk::test
