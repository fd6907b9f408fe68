// The layout of the inflated data: its size, the reconstruction of filtered
// rows, Adam7 placement, and the conversion of each row into a bitmap row.
#include <cstring>
#include <new>

#include "png/png_internal.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define VURK_PNG_X86 1
#endif

namespace vurk {

namespace {

// Largest raw image data we inflate, as large as the largest bitmap.
constexpr uint64_t kMaxRawBytes = Bitmap::kMaxBytes;

struct Pass {
    uint32_t firstColumn, columnStep, firstRow, rowStep;
};

constexpr Pass kAdam7[7] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                            {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
// A non-interlaced image as one pass over everything.
constexpr Pass kWholeImage = {0, 1, 0, 1};

uint32_t passExtent(uint32_t size, uint32_t first, uint32_t step) {
    return size > first ? (size - first - 1) / step + 1 : 0;
}

uint32_t bitsPerPixel(const PngDecoder& d) {
    static constexpr uint32_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
    return d.colourType < 7 ? kChannels[d.colourType] * d.bitDepth : 0;
}

uint64_t storedRowBytes(const PngDecoder& d, uint64_t pixels) { return (bitsPerPixel(d) * pixels + 7) / 8; }

// Row conversions: `pixels` pixels from `in`, `outBytes` bytes of bitmap row.
using ConvertRow = void (*)(const uint8_t* in, uint32_t pixels, uint32_t outBytes, uint8_t* out);

void convCopy(const uint8_t* in, uint32_t, uint32_t outBytes, uint8_t* out) { std::memcpy(out, in, outBytes); }

void convWiden2To4(const uint8_t* in, uint32_t, uint32_t outBytes, uint8_t* out) {
    for (uint32_t j = 0; j < outBytes; ++j) {
        const uint8_t b = in[j / 2];
        const int shift = (j & 1) ? 0 : 4;  // the first two samples sit in the top nibble
        out[j] = static_cast<uint8_t>(((b >> (shift + 2)) & 3) << 4 | ((b >> shift) & 3));
    }
}

template <int Unit>
void convFirstOfEach(const uint8_t* in, uint32_t pixels, uint32_t, uint8_t* out) {
    for (uint32_t i = 0; i < pixels; ++i) out[i] = in[i * Unit];
}

// Swaps red and blue; Sample is the byte distance between samples (2 keeps
// the high byte of 16-bit samples), Channels 3 or 4 (alpha kept as it is).
template <int Channels, int Sample>
void convSwapRedBlue(const uint8_t* in, uint32_t pixels, uint32_t, uint8_t* out) {
    for (uint32_t i = 0; i < pixels; ++i, in += Channels * Sample, out += Channels) {
        out[0] = in[2 * Sample];
        out[1] = in[Sample];
        out[2] = in[0];
        if (Channels == 4) out[3] = in[3 * Sample];
    }
}

#if defined(VURK_PNG_X86)
// Vector forms of the conversions above, for the leading pixels of a row;
// the scalar loop does the rest. Loads and stores stay inside the row.

// The first byte of each 2-byte unit, 16 units at a time (SSE2).
void convEvery2ndSse2(const uint8_t* in, uint32_t pixels, uint32_t, uint8_t* out) {
    const __m128i low = _mm_set1_epi16(0xFF);
    uint32_t i = 0;
    for (; i + 16 <= pixels; i += 16) {
        const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i)), low);
        const __m128i b = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i + 16)), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
    }
    convFirstOfEach<2>(in + 2 * i, pixels - i, 0, out + i);
}

// Red and blue swapped by a byte shuffle (SSSE3): Step pixels of Size bytes
// per 16-byte load and store, while Room pixels are left (so that neither
// goes past the row).
template <int Size, int Step, int Room, char... Order>
__attribute__((target("ssse3"))) void convShuffleSsse3(const uint8_t* in, uint32_t pixels, uint32_t, uint8_t* out) {
    const __m128i order = _mm_setr_epi8(Order...);
    uint32_t i = 0;
    for (; i + Room <= pixels; i += Step) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + Size * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + Size * i), _mm_shuffle_epi8(v, order));
    }
    convSwapRedBlue<Size, 1>(in + Size * i, pixels - i, 0, out + Size * i);
}

// RGB to BGR: 4 pixels (12 bytes) a step; 16 bytes in and out need 6 left.
constexpr auto convRgbToBgrSsse3 = convShuffleSsse3<3, 4, 6, 2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 12, 13, 14, 15>;
constexpr auto convRgbaToBgraSsse3 = convShuffleSsse3<4, 4, 4, 2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15>;

bool hasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

ConvertRow converterFor(RowConversion c) {
    switch (c) {
    case ConvCopy: return convCopy;
    case ConvWiden2To4: return convWiden2To4;
#if defined(VURK_PNG_X86)
    case ConvEvery2nd: return convEvery2ndSse2;
    case ConvRgbToBgr: return hasSsse3() ? convRgbToBgrSsse3 : convSwapRedBlue<3, 1>;
    case ConvRgbaToBgra: return hasSsse3() ? convRgbaToBgraSsse3 : convSwapRedBlue<4, 1>;
#else
    case ConvEvery2nd: return convFirstOfEach<2>;
    case ConvRgbToBgr: return convSwapRedBlue<3, 1>;
    case ConvRgbaToBgra: return convSwapRedBlue<4, 1>;
#endif
    case ConvEvery4th: return convFirstOfEach<4>;
    case ConvRgb16ToBgr: return convSwapRedBlue<3, 2>;
    case ConvRgba16ToBgra: return convSwapRedBlue<4, 2>;
    }
    return convCopy;
}

uint32_t bitmapRowBytes(uint32_t pixels, uint32_t bitCount) {
    return static_cast<uint32_t>((static_cast<uint64_t>(pixels) * bitCount + 7) / 8);
}

// Puts the converted pixels of a pass row at their columns of the output row.
// Pixels under 8 bits are merged into bytes that other passes share.
void placePassRow(const uint8_t* passRow, uint32_t columns, const Pass& p, uint32_t bitCount, uint8_t* dst) {
    if (bitCount >= 8) {
        const uint32_t bytes = bitCount / 8;
        for (uint32_t i = 0; i < columns; ++i) {
            std::memcpy(dst + static_cast<size_t>(p.firstColumn + i * p.columnStep) * bytes, passRow + i * bytes, bytes);
        }
        return;
    }
    const uint32_t mask = (1u << bitCount) - 1;
    for (uint32_t i = 0; i < columns; ++i) {
        const uint32_t from = i * bitCount;
        const uint32_t value = (passRow[from / 8] >> (8 - bitCount - from % 8)) & mask;
        const uint32_t to = (p.firstColumn + i * p.columnStep) * bitCount;
        dst[to / 8] = static_cast<uint8_t>(dst[to / 8] | value << (8 - bitCount - to % 8));
    }
}

}  // namespace

uint64_t rawDataSize(const PngDecoder& d) {
    if (d.interlaceMethod == 0) return (storedRowBytes(d, d.width) + 1) * d.height;
    uint64_t total = 0;
    for (const Pass& p : kAdam7) {
        const uint32_t columns = passExtent(d.width, p.firstColumn, p.columnStep);
        const uint32_t rows = passExtent(d.height, p.firstRow, p.rowStep);
        if (columns != 0 && rows != 0) total += (storedRowBytes(d, columns) + 1) * rows;
    }
    return total;
}

bool imageSizeAcceptable(const PngDecoder& d) {
    const OutputFormat* f = findOutputFormat(d.colourType, d.bitDepth);
    if (f == nullptr || d.width > 0x7FFFFFFFu || d.height > 0x7FFFFFFFu) return false;
    const uint64_t bitmapBytes = Bitmap::pitchFor(static_cast<int32_t>(d.width), f->bitCount) * d.height;
    return rawDataSize(d) <= kMaxRawBytes && bitmapBytes <= Bitmap::kMaxBytes;
}

int convertImage(PngDecoder& d, Bitmap& bmp, const OutputFormat& format) {
    const bool interlaced = d.interlaceMethod == 1;
    const size_t unit = bitsPerPixel(d) >= 8 ? bitsPerPixel(d) / 8 : 1;
    const size_t fullRow = static_cast<size_t>(storedRowBytes(d, d.width));
    // Two halves for reconstructed rows, each at least a full row + 8 bytes;
    // for an interlaced image one more row for a converted pass row.
    const size_t half = ((2 * fullRow + 16 + 7) & ~size_t{7}) / 2;
    std::unique_ptr<uint8_t[]> work(new (std::nothrow) uint8_t[2 * half]);
    std::unique_ptr<uint8_t[]> passRow(interlaced ? new (std::nothrow) uint8_t[bmp.pitch() + 16] : nullptr);
    if (!work || (interlaced && !passRow)) return fail(d, PngErrNoMemory);
    uint8_t* const rows[2] = {work.get(), work.get() + half};
    const ConvertRow convert = converterFor(format.conversion);

    // New bitmaps start zeroed, which merging sub-byte pass pixels relies on.
    const uint8_t* raw = d.rawData;
    size_t rawLeft = d.rawSize;
    const Pass* passes = interlaced ? kAdam7 : &kWholeImage;
    const int passCount = interlaced ? 7 : 1;
    for (int pi = 0; pi < passCount; ++pi) {
        const Pass& p = passes[pi];
        const uint32_t columns = passExtent(d.width, p.firstColumn, p.columnStep);
        const uint32_t passRows = passExtent(d.height, p.firstRow, p.rowStep);
        if (columns == 0 || passRows == 0) continue;
        const size_t n = static_cast<size_t>(storedRowBytes(d, columns));
        const uint32_t outBytes = bitmapRowBytes(columns, format.bitCount);
        const uint8_t* prev = nullptr;
        for (uint32_t j = 0; j < passRows; ++j) {
            if (rawLeft < n + 1) return fail(d, PngErrBadFile);
            const uint8_t type = raw[0];
            const uint8_t* row = raw + 1;
            raw += n + 1;
            rawLeft -= n + 1;
            if (type > 4) return fail(d, PngErrBadFile);
            // A None row is used where it lies in the raw data.
            if (type != 0) {
                uint8_t* target = prev == rows[0] ? rows[1] : rows[0];
                unfilterRow(type, row, prev, target, n, unit);
                row = target;
            }
            uint8_t* dst = bmp.row(static_cast<int32_t>(p.firstRow + j * p.rowStep));
            if (p.columnStep == 1) {
                convert(row, columns, outBytes, dst);
            } else {
                convert(row, columns, outBytes, passRow.get());
                placePassRow(passRow.get(), columns, p, format.bitCount, dst);
            }
            prev = row;
        }
    }
    return 1;
}

}  // namespace vurk
