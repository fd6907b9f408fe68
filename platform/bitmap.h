// A top-down device-independent bitmap: the one picture type of the program.
//
// Rows run from the top; each row is padded to a multiple of 4 bytes. Pixels of
// 1, 4 and 8 bits are indices into the colour table; 24-bit pixels are stored
// blue, green, red; 32-bit pixels blue, green, red, unused (0x00RRGGBB read as a
// little-endian word). The pixel memory is zeroed when the bitmap is created.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace vurk {

struct RgbQuad {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
};
static_assert(sizeof(RgbQuad) == 4);

// 0x00RRGGBB, the value of a 32-bit pixel.
inline uint32_t packRgb(uint8_t r, uint8_t g, uint8_t b) {
    return (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | b;
}

class Bitmap {
public:
    // Largest pixel memory a bitmap may take; larger requests are refused.
    static constexpr uint64_t kMaxBytes = uint64_t{1} << 30;

    // Returns null when the size is not positive, the depth is not 1, 4, 8, 24
    // or 32, or the pixels would need more than kMaxBytes.
    static std::unique_ptr<Bitmap> create(int32_t width, int32_t height, uint16_t bitCount,
                                          uint32_t clrUsed = 0);

    Bitmap() = default;
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    Bitmap(Bitmap&&) noexcept = default;
    Bitmap& operator=(Bitmap&&) noexcept = default;

    // Row pitch in bytes for a width and depth, or 0 when it does not fit.
    static uint64_t pitchFor(int32_t width, uint16_t bitCount);

    // Header fields, as a device-independent bitmap describes itself.
    int32_t biWidth = 0;
    int32_t biHeight = 0;  // negative: top-down
    uint16_t biBitCount = 0;
    uint32_t biClrUsed = 0;  // 0: the full 2^biBitCount table for palette depths

    int32_t width() const { return biWidth; }
    int32_t height() const { return -biHeight; }
    uint32_t pitch() const { return pitch_; }
    bool hasColorTable() const { return biBitCount <= 8; }
    // Entries the colour table holds: biClrUsed, or 2^biBitCount when that is 0.
    uint32_t colorCount() const;

    uint8_t* row(int32_t y) { return pixels_.get() + static_cast<size_t>(y) * pitch_; }
    const uint8_t* row(int32_t y) const { return pixels_.get() + static_cast<size_t>(y) * pitch_; }
    uint8_t* bits() { return pixels_.get(); }
    const uint8_t* bits() const { return pixels_.get(); }
    size_t byteSize() const { return byteSize_; }

    std::array<RgbQuad, 256> colorTable{};

    // The colour of a pixel as 0x00RRGGBB, through the colour table where the
    // depth has one. Coordinates must lie inside the bitmap.
    uint32_t pixelRgb(int32_t x, int32_t y) const;

    // The same picture as 32-bit pixels (0x00RRGGBB), the format all drawing
    // works in: a 32-bit bitmap is handed back as it is. Null for null.
    static std::unique_ptr<Bitmap> toDrawingFormat(std::unique_ptr<Bitmap> bitmap);

private:
    struct FreePixels {
        void operator()(uint8_t* p) const;
    };

    uint32_t pitch_ = 0;
    size_t byteSize_ = 0;
    // From calloc: large blocks come as fresh zero pages, so the first touch
    // of a pixel is the write that fills it, not a clearing pass.
    std::unique_ptr<uint8_t[], FreePixels> pixels_;
};

}  // namespace vurk
