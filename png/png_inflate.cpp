// The inflater: a zlib stream of DEFLATE blocks, decoded into rawData.
//
// Huffman codes are decoded one bit at a time against per-length limits of
// the canonical code, so the only tables are the symbol lists. Everything
// lives on the stack; the output goes straight into rawData, which also
// serves as the window for back-references.
#include "png/png_internal.h"

namespace vurk {

namespace {

constexpr int kMaxCodeBits = 15;
constexpr int kMaxLitLenSymbols = 288;

// A canonical Huffman code. limit[len] is the first code value after the codes
// of that length (0: no codes of that length); the symbols of one length sit
// from offset[len] on, highest symbol first. 32-bit limits stay exact even for
// over-subscribed lengths, which are not refused.
struct HuffTable {
    int maxBits = 0;
    uint32_t limit[kMaxCodeBits + 1] = {};
    uint16_t count[kMaxCodeBits + 1] = {};
    uint16_t offset[kMaxCodeBits + 1] = {};
    uint16_t symbols[kMaxLitLenSymbols] = {};
};

// Lengths must be at most maxBits and n at most kMaxLitLenSymbols.
void buildTable(HuffTable& t, const uint8_t* lengths, uint32_t n, int maxBits) {
    uint16_t count[kMaxCodeBits + 1] = {};
    for (uint32_t s = 0; s < n; ++s) ++count[lengths[s]];
    count[0] = 0;
    uint16_t fill[kMaxCodeBits + 1] = {};
    uint32_t code = 0;
    uint16_t next = 0;
    t.maxBits = maxBits;
    for (int len = 1; len <= maxBits; ++len) {
        code = (code + count[len - 1]) * 2;
        t.count[len] = count[len];
        t.offset[len] = next;
        fill[len] = next;
        next = static_cast<uint16_t>(next + count[len]);
        t.limit[len] = count[len] ? code + count[len] : 0;
    }
    for (uint32_t s = n; s-- > 0;) {
        if (lengths[s] != 0) t.symbols[fill[lengths[s]]++] = static_cast<uint16_t>(s);
    }
}

class BitReader {
public:
    explicit BitReader(const PngDecoder& d) : data_(d) {}

    uint32_t bit() {
        if (bitsLeft_ == 0) {
            byte_ = data_.next();
            bitsLeft_ = 8;
        }
        const uint32_t b = byte_ & 1u;
        byte_ >>= 1;
        --bitsLeft_;
        return b;
    }

    // A field of n bits, least significant bit first.
    uint32_t bits(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) v |= bit() << i;
        return v;
    }

    // Drops the unread bits of the current byte.
    void alignToByte() {
        bitsLeft_ = 0;
        byte_ = 0;
    }

    // True when every bit from here on reads as 0: the unread bits of the
    // current byte are zeros (they are shifted down as they are read) and
    // the image data has no byte left.
    bool onlyZerosLeft() { return byte_ == 0 && data_.atEnd(); }

private:
    ImageDataReader data_;
    uint32_t byte_ = 0;
    int bitsLeft_ = 0;
};

// Next symbol of the code, or -1 when the bits match no code.
int decodeSymbol(BitReader& in, const HuffTable& t) {
    uint32_t code = 0;
    for (int len = 1; len <= t.maxBits; ++len) {
        code = code * 2 + in.bit();
        if (t.limit[len] != 0 && code < t.limit[len]) {
            const uint32_t index = t.limit[len] - 1 - code;
            // Canonical codes always land inside; this guards the symbol list.
            if (index >= t.count[len]) return -1;
            return t.symbols[t.offset[len] + index];
        }
    }
    return -1;
}

struct Output {
    uint8_t* data;
    uint32_t size;
    uint32_t pos = 0;
};

bool storedBlock(BitReader& in, Output& out) {
    in.alignToByte();
    const uint32_t len = in.bits(16);
    const uint32_t nlen = in.bits(16);
    if (len != (~nlen & 0xFFFFu) || len > out.size - out.pos) return false;
    for (uint32_t i = 0; i < len; ++i) out.data[out.pos++] = static_cast<uint8_t>(in.bits(8));
    return true;
}

void buildFixedTable(HuffTable& lit) {
    uint8_t lengths[kMaxLitLenSymbols];
    for (int s = 0; s < kMaxLitLenSymbols; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    buildTable(lit, lengths, kMaxLitLenSymbols, 9);
}

bool readDynamicTables(BitReader& in, HuffTable& lit, HuffTable& dist) {
    static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    const uint32_t hlit = in.bits(5) + 257;
    const uint32_t hdist = in.bits(5) + 1;
    const uint32_t hclen = in.bits(4) + 4;
    uint8_t codeLengthLengths[19] = {};
    for (uint32_t i = 0; i < hclen; ++i) codeLengthLengths[kOrder[i]] = static_cast<uint8_t>(in.bits(3));
    HuffTable codeLengths;
    buildTable(codeLengths, codeLengthLengths, 19, 7);

    // Literal/length and distance lengths form one sequence; repeats may run
    // across the boundary between them.
    uint8_t lengths[320];
    const uint32_t total = hlit + hdist;
    uint32_t n = 0;
    while (n < total) {
        const int sym = decodeSymbol(in, codeLengths);
        if (sym < 0) return false;
        if (sym < 16) {
            lengths[n++] = static_cast<uint8_t>(sym);
            continue;
        }
        uint8_t value = 0;
        uint32_t repeat = 0;
        if (sym == 16) {
            if (n == 0) return false;
            value = lengths[n - 1];
            repeat = 3 + in.bits(2);
        } else if (sym == 17) {
            repeat = 3 + in.bits(3);
        } else {
            repeat = 11 + in.bits(7);
        }
        if (repeat > total - n) return false;
        while (repeat-- > 0) lengths[n++] = value;
    }
    buildTable(lit, lengths, hlit, kMaxCodeBits);
    buildTable(dist, lengths + hlit, hdist, kMaxCodeBits);
    return true;
}

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint16_t kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                        33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                        1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};

// The fixed code's distances: 5 bits, first bit most significant.
int fixedDistanceSymbol(BitReader& in) {
    int code = 0;
    for (int i = 0; i < 5; ++i) code = code * 2 + static_cast<int>(in.bit());
    return code;
}

// Decodes one Huffman block; dist null means the fixed distance code.
bool huffmanBlock(BitReader& in, Output& out, const HuffTable& lit, const HuffTable* dist) {
    for (;;) {
        // Once only zero bits are left, every symbol from here on is the one
        // that zeros decode to. Unless that is the end of the block, the block
        // can only fail: no code, literals until the output is full, or
        // copies of at least 3 bytes until one no longer fits. So it fails
        // now rather than after filling the output.
        if (in.onlyZerosLeft()) return decodeSymbol(in, lit) == 256;
        const int sym = decodeSymbol(in, lit);
        if (sym < 0 || sym > 285) return false;
        if (sym < 256) {
            if (out.pos == out.size) return false;
            out.data[out.pos++] = static_cast<uint8_t>(sym);
            continue;
        }
        if (sym == 256) return true;
        const int li = sym - 257;
        const int lengthExtra = (sym < 265 || sym == 285) ? 0 : (sym - 265) / 4 + 1;
        const uint32_t length = kLengthBase[li] + in.bits(lengthExtra);
        const int dsym = dist ? decodeSymbol(in, *dist) : fixedDistanceSymbol(in);
        if (dsym < 0 || dsym > 29) return false;
        const int distanceExtra = dsym < 4 ? 0 : (dsym - 2) / 2;
        const uint32_t distance = kDistanceBase[dsym] + in.bits(distanceExtra);
        if (distance > out.pos || length > out.size - out.pos) return false;
        // One byte at a time, so that an overlapping copy repeats recent bytes.
        for (uint32_t i = 0; i < length; ++i, ++out.pos) out.data[out.pos] = out.data[out.pos - distance];
    }
}

}  // namespace

uint64_t maxInflatedSize(const PngDecoder& d) {
    // A copy of 258 bytes takes at least 2 bits (one per code), so each input
    // byte yields at most 1032 bytes. Past the end of the data, bits read as
    // zeros; a stream that still succeeds adds at most the rest of one stored
    // block (the block must be final, as a block header of zeros fails) or of
    // one copy begun before the end, never a whole symbol of zeros but the
    // end of the block.
    constexpr uint64_t kMostPerByte = 1032;
    constexpr uint64_t kLongestStoredBlock = 65535;
    return ImageDataReader(d).bytesLeft() * kMostPerByte + kLongestStoredBlock;
}

int inflateImageData(PngDecoder& d) {
    d.lastError = PngErrBadFile;
    BitReader in(d);
    const uint32_t cmf = in.bits(8);
    const uint32_t flg = in.bits(8);
    // Deflate with a window of at most 32 KiB and no preset dictionary; the
    // header check value is not looked at.
    if ((cmf & 0x0F) != 8 || (cmf >> 4) > 7 || (flg & 0x20) != 0) return 0;

    Output out{d.rawData, d.rawSize};
    HuffTable lit;
    HuffTable dist;
    bool final = false;
    while (!final) {
        final = in.bit() != 0;
        bool ok = false;
        switch (in.bits(2)) {
        case 0:
            ok = storedBlock(in, out);
            break;
        case 1:
            buildFixedTable(lit);
            ok = huffmanBlock(in, out, lit, nullptr);
            break;
        case 2:
            ok = readDynamicTables(in, lit, dist) && huffmanBlock(in, out, lit, &dist);
            break;
        default:
            break;
        }
        if (!ok) return 0;
    }
    in.alignToByte();
    in.bits(32);  // Adler-32, not compared
    // A stream that stops short would leave raw bytes unwritten, which the
    // reconstruction would then read: refuse it.
    if (out.pos != out.size) return 0;
    d.lastError = 0;
    return 1;
}

}  // namespace vurk
