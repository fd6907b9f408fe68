// Test pictures for the PNG decoder: sample data, PNG files laid out by the
// test around zlib streams, files from independent encoders (libpng, Qt),
// libpng as the reference decoder, and a reader for the BMP files that
// vurk-tool png2bmp writes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/bitmap.h"

namespace vurk::test {

using Bytes = std::vector<uint8_t>;

struct PngShape {
    uint32_t width;
    uint32_t height;
    uint8_t colourType;
    uint8_t bitDepth;
    uint8_t interlace = 0;
};

// Pixels in the stored row layout of the PNG format, before filtering.
struct SampleImage {
    PngShape shape;
    std::vector<Bytes> rows;  // unused bits at the end of a row are 0
    Bytes palette;            // RGB triples, 2^depth entries, for colour type 3
};

SampleImage randomImage(const PngShape& shape, uint32_t seed);

Bytes pngChunk(const char* type, const Bytes& data);
Bytes ihdrData(const PngShape& shape);
// The signature followed by the chunks.
Bytes pngFile(const std::vector<Bytes>& chunks);
// IDAT chunks holding the stream, cut at the given offsets (ascending).
std::vector<Bytes> idatChunks(const Bytes& stream, const std::vector<size_t>& cuts);
// IHDR, PLTE for a palette image, the IDATs and IEND.
Bytes layoutPng(const SampleImage& img, const Bytes& stream, const std::vector<size_t>& cuts = {});

// Filtered rows of a non-interlaced image, row y with types[y % size].
Bytes filterRows(const SampleImage& img, const Bytes& types);
Bytes zlibDeflate(const Bytes& data, int level, int strategy);

// libpng's encoding of the image (interlaced as its shape says) with the given
// filter mask (PNG_FILTER_* values).
Bytes libpngEncode(const SampleImage& img, int filters);

// 0xAARRGGBB per pixel, row by row.
struct RgbaImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;
};
std::optional<RgbaImage> libpngDecode(const Bytes& file);

// Checks and reads a BMP file with a 40-byte header and negative height.
std::unique_ptr<Bitmap> readBmp(const Bytes& file);

// Writes bits least significant first; Huffman codes most significant first.
struct BitWriter {
    Bytes bytes;
    int used = 8;
    void put(uint32_t value, int n);
    void putCode(uint32_t code, int len);
};

}  // namespace vurk::test
