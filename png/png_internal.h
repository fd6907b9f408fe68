// The decoder's inner steps, shared between its source files.
#pragma once

#include <cstdint>

#include "platform/bitmap.h"
#include "png/png_decoder.h"

namespace vurk {

enum ChunkKind : uint32_t {
    ChunkIgnored = 0,  // ancillary: first letter lower case
    ChunkHeader = 1,
    ChunkPalette = 2,
    ChunkImageData = 3,
    ChunkEnd = 4,
    ChunkUnknownCritical = 5,
};

struct PngChunkInfo {
    uint32_t kind;
    uint32_t length;
    uint32_t crc;  // read, never checked
};

// Records a failure; returns 0 so that a step can end with `return fail(...)`.
inline int fail(PngDecoder& d, uint32_t code) {
    d.lastError = code;
    return 0;
}

uint32_t readBe32(const uint8_t* p);

// Reads the chunk header at `at`. False when no whole chunk (CRC included)
// lies between `at` and the end of the file.
bool readChunkHeader(const PngDecoder& d, const uint8_t* at, PngChunkInfo& info);

// Checks the signature, walks the chunks and takes the header values. Returns
// 1, or 0 with lastError set.
int parseChunkStream(PngDecoder& d);

// The data of the first IDAT chunk and the IDAT chunks right behind it, as one
// byte stream. After the end every request gives 0.
class ImageDataReader {
public:
    explicit ImageDataReader(const PngDecoder& d);
    uint8_t next();
    // True when no data byte is left. Only steps over empty chunks, which
    // next() would step over too.
    bool atEnd();
    // The data bytes left, counted on a copy: the reader does not move.
    uint64_t bytesLeft() const;

private:
    // Steps over the CRC to the next chunk; false (and ended) when it is not
    // a whole IDAT chunk.
    bool nextChunk();

    const PngDecoder& d_;
    const uint8_t* pos_ = nullptr;  // next data byte
    uint32_t left_ = 0;             // data bytes left in the current chunk
    bool ended_ = true;
};

// The most raw data that inflating the image data could fill: anything
// larger cannot be filled, so the inflate would fail.
uint64_t maxInflatedSize(const PngDecoder& d);

// Inflates the zlib stream of the image data into rawData, which must be
// filled exactly. Returns 1, or 0 with lastError 0x2000.
int inflateImageData(PngDecoder& d);

// Size of the filtered image data the header describes, in 64 bits so that
// sizes past 32 bits can be refused.
uint64_t rawDataSize(const PngDecoder& d);

// False when the image is too large to decode: its raw data or bitmap would
// not fit in 32 bits or would take more than we are willing to allocate.
bool imageSizeAcceptable(const PngDecoder& d);

// Reconstructs the scanlines (and Adam7 passes) into the bitmap, converting
// each row by the format. Returns 1, or 0 with lastError set.
int convertImage(PngDecoder& d, Bitmap& bmp, const OutputFormat& format);

}  // namespace vurk
