// The chunk stream: signature, chunk headers, the IHDR values, the palette and
// the image data chunks. Everything is used where it lies in the file buffer.
#include <cstring>

#include "png/png_internal.h"

namespace vurk {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr uint32_t kHeaderBytes = 13;

// Compares a chunk type with a known one, ignoring bit 5 of the first letter
// only, so "iHDR" counts as a header.
bool isType(const uint8_t* type, const char* name) {
    return (type[0] | 0x20) == (static_cast<uint8_t>(name[0]) | 0x20) && type[1] == name[1] &&
           type[2] == name[2] && type[3] == name[3];
}

uint32_t kindOf(const uint8_t* type) {
    if (isType(type, "IHDR")) return ChunkHeader;
    if (isType(type, "PLTE")) return ChunkPalette;
    if (isType(type, "IDAT")) return ChunkImageData;
    if (isType(type, "IEND")) return ChunkEnd;
    return (type[0] & 0x20) ? ChunkIgnored : ChunkUnknownCritical;
}

// The image data goes on through chunks typed IDAT, bit 5 of the last letter
// ignored.
bool continuesImageData(const uint8_t* type) {
    return type[0] == 'I' && type[1] == 'D' && type[2] == 'A' && (type[3] | 0x20) == 't';
}

bool acceptedHeaderValues(const PngDecoder& d) {
    const uint8_t compression = d.header[10];
    const uint8_t filter = d.header[11];
    return findOutputFormat(d.colourType, d.bitDepth) != nullptr && compression == 0 && filter == 0 &&
           d.interlaceMethod <= 1;
}

}  // namespace

uint32_t readBe32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

bool readChunkHeader(const PngDecoder& d, const uint8_t* at, PngChunkInfo& info) {
    const uint8_t* end = d.fileData + d.fileSize;
    if (at == nullptr || at >= end) return false;
    const size_t remaining = static_cast<size_t>(end - at);
    if (remaining < 12) return false;
    const uint32_t length = readBe32(at);
    // Compared against what remains so that a huge length cannot wrap around.
    if (length > remaining - 12) return false;
    info.kind = kindOf(at + 4);
    info.length = length;
    info.crc = readBe32(at + 8 + length);
    return true;
}

int parseChunkStream(PngDecoder& d) {
    d.chunkCursor = nullptr;
    d.header = nullptr;
    d.firstImageChunk = nullptr;
    d.palette = nullptr;
    d.paletteCount = 0;
    d.lastError = 0;
    if (d.fileSize < 16 || std::memcmp(d.fileData, kSignature, sizeof kSignature) != 0) {
        return fail(d, PngErrBadFile);
    }
    d.chunkCursor = d.fileData + 8;
    PngChunkInfo chunk{};
    // The header values take 13 bytes; a shorter IHDR would make us read them
    // from whatever follows it.
    if (!readChunkHeader(d, d.chunkCursor, chunk) || chunk.kind != ChunkHeader || chunk.length < kHeaderBytes) {
        return fail(d, PngErrBadFile);
    }
    d.header = d.chunkCursor + 8;
    d.width = readBe32(d.header);
    d.height = readBe32(d.header + 4);
    if (d.width == 0 || d.height == 0) return fail(d, PngErrBadFile);

    // The walk runs to the last chunk that fits in the file, past IEND, so an
    // unknown critical chunk anywhere refuses the file.
    for (;;) {
        d.chunkCursor += static_cast<size_t>(chunk.length) + 12;
        if (!readChunkHeader(d, d.chunkCursor, chunk)) break;
        switch (chunk.kind) {
        case ChunkUnknownCritical:
            return fail(d, PngErrUnsupported);
        case ChunkPalette:
            if (d.palette == nullptr) {
                d.palette = d.chunkCursor + 8;
                d.paletteCount = chunk.length / 3;
            }
            break;
        case ChunkImageData:
            if (d.firstImageChunk == nullptr) d.firstImageChunk = d.chunkCursor;
            break;
        default:
            break;
        }
    }

    d.bitDepth = d.header[8];
    d.colourType = d.header[9];
    d.interlaceMethod = d.header[12];
    if (!acceptedHeaderValues(d) || !imageSizeAcceptable(d)) return fail(d, PngErrUnsupported);
    return 1;
}

ImageDataReader::ImageDataReader(const PngDecoder& d) : d_(d) {
    PngChunkInfo chunk{};
    if (readChunkHeader(d, d.firstImageChunk, chunk)) {
        pos_ = d.firstImageChunk + 8;
        left_ = chunk.length;
        ended_ = false;
    }
}

bool ImageDataReader::nextChunk() {
    if (ended_) return false;
    const uint8_t* chunkStart = pos_ + 4;
    PngChunkInfo chunk{};
    if (!readChunkHeader(d_, chunkStart, chunk) || !continuesImageData(chunkStart + 4)) {
        ended_ = true;
        return false;
    }
    pos_ = chunkStart + 8;
    left_ = chunk.length;
    return true;
}

uint8_t ImageDataReader::next() {
    while (left_ == 0) {
        if (!nextChunk()) return 0;
    }
    --left_;
    return *pos_++;
}

bool ImageDataReader::atEnd() {
    while (left_ == 0) {
        if (!nextChunk()) return true;
    }
    return false;
}

uint64_t ImageDataReader::bytesLeft() const {
    ImageDataReader r = *this;
    uint64_t total = 0;
    do {
        total += r.left_;
        r.pos_ += r.left_;
        r.left_ = 0;
    } while (r.nextChunk());
    return total;
}

}  // namespace vurk
