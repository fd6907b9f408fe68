// The program's own PNG decoder: reads one PNG file into one top-down bitmap.
//
// A PngDecoder record goes through reset, read, inflate, make bitmap (one or
// more times) and free. Each step checks the state left by the one before and
// reports failure by its return value and the record's lastError, so a caller
// may run the whole sequence without looking at intermediate results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/bitmap.h"
#include "platform/shell.h"

namespace vurk {

enum PngState : uint32_t {
    PngStateEmpty = 0,    // after reset or free
    PngStateRead = 1,     // file in memory, chunks parsed
    PngStateDecoded = 2,  // raw image data inflated
};

enum PngError : uint32_t {
    PngErrFile = 0x1000,         // cannot open, size or read the file
    PngErrNoMemory = 0x1001,     // an allocation failed
    PngErrBusy = 0x1002,         // read on a record that is not empty
    PngErrBadFile = 0x2000,      // not a PNG, malformed start, or bad image data
    PngErrUnsupported = 0x2001,  // unknown critical chunk or header values we cannot take
    PngErrWrongState = 0x2003,   // a step called out of order
    PngErrBitmap = 0x2006,       // the bitmap could not be created
};

// One image being loaded. A plain record: reset fills it with zeros. fileData
// and rawData are its only allocations; header, palette, firstImageChunk and
// chunkCursor point into fileData.
struct PngDecoder {
    uint32_t width;
    uint32_t height;
    uint32_t lastError;
    uint32_t paletteCount;
    uint8_t colourType;
    uint8_t bitDepth;
    uint8_t interlaceMethod;
    uint8_t* fileData;
    uint32_t fileSize;
    const uint8_t* chunkCursor;
    uint8_t* rawData;  // filtered scanlines with their filter-type bytes
    uint32_t rawSize;
    const uint8_t* palette;  // first PLTE chunk's data, 3 bytes per entry, or null
    uint32_t ownsFileData;
    const uint8_t* header;           // IHDR data
    const uint8_t* firstImageChunk;  // length field of the first IDAT chunk, or null
    uint32_t state;
};

// How one reconstructed row becomes a bitmap row.
enum RowConversion : uint8_t {
    ConvCopy,          // same bytes
    ConvWiden2To4,     // 2-bit samples to 4-bit samples of the same value
    ConvEvery2nd,      // first byte of each 2-byte unit
    ConvEvery4th,      // first byte of each 4-byte unit
    ConvRgbToBgr,
    ConvRgb16ToBgr,    // high bytes only
    ConvRgbaToBgra,
    ConvRgba16ToBgra,  // high bytes only
};

enum class ColourTableSource : uint8_t { None, GreyRamp, Palette };

// The bitmap format that a colour type and bit depth are decoded into.
struct OutputFormat {
    uint8_t colourType;
    uint8_t bitDepth;
    uint16_t bitCount;  // biBitCount of the bitmap
    ColourTableSource table;
    uint16_t rampEntries;  // grey ramp entries (GreyRamp only)
    RowConversion conversion;
};

// The entry for an accepted colour type and bit depth, or null.
const OutputFormat* findOutputFormat(uint8_t colourType, uint8_t bitDepth);

// Fills the record with zeros. Returns 1.
int PngDecoderReset(PngDecoder& d);
// Reads the whole file (named the editor's way, ".\tiles\x.png") and parses
// its chunks. Returns 1, or 0 with lastError set; a failed read keeps nothing.
// A file larger than the largest image it decodes could need is refused on its
// size, unread.
int PngReadFile(PngDecoder& d, const std::string& path);
// Does what PngReadFile does once the file is read, on `size` bytes at `data`;
// the record keeps a copy of its own, so `data` may go after the call.
int PngReadMemory(PngDecoder& d, const uint8_t* data, size_t size);
// Inflates the image data into rawData. Returns 1, or 0 with lastError set.
int PngInflateImage(PngDecoder& d);
// Builds a new bitmap from the inflated data; the caller owns it. Null on
// failure, with lastError set. The record stays decoded.
std::unique_ptr<Bitmap> PngMakeBitmap(PngDecoder& d);
// Frees what the record holds and fills it with zeros. Safe in any state.
int PngDecoderFree(PngDecoder& d);

// The largest PNG file that `rawBytes` of filtered image data could honestly
// need: the data stored uncompressed in IDAT chunks of 4 KiB or more (their
// block and chunk framing is under 1/256 of it), and 1 MiB for every other chunk.
constexpr uint64_t pngFileBytesFor(uint64_t rawBytes) { return rawBytes + rawBytes / 256 + (uint64_t{1} << 20); }
// The largest file PngReadFile and PngReadMemory take: what the largest raw
// data the decoder inflates (as large as the largest bitmap) could need.
constexpr uint64_t kMaxPngFileBytes = pngFileBytesFor(Bitmap::kMaxBytes);

// The largest sheet LoadPngBitmap takes, in pixels each way.
constexpr uint32_t kMaxSheetSide = 4096;
// The largest sheet file LoadPngBitmap reads: what such a sheet needs in the
// widest format (16-bit RGBA rows of 8 bytes a pixel and a filter byte).
constexpr uint64_t kMaxSheetFileBytes = pngFileBytesFor(uint64_t{kMaxSheetSide} * (1 + 8 * uint64_t{kMaxSheetSide}));

// Loads a sprite or tile sheet. When the file cannot be read as a PNG, shows
// "Couldn't load file: <path>" through the shell; a file larger than
// kMaxSheetFileBytes is refused with its own box before it is read, and a sheet
// wider or taller than kMaxSheetSide with its own box before it is decoded.
// Any failure returns null.
std::unique_ptr<Bitmap> LoadPngBitmap(const std::string& path, Shell& shell);

}  // namespace vurk
