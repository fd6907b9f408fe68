// The inflater: a zlib stream of DEFLATE blocks, decoded into rawData.
//
// Huffman codes are decoded through lookup tables (a main table indexed by
// the next bits, sub-tables for longer codes) from a 64-bit bit buffer that
// is refilled a word at a time. Back-references are copied 8 bytes at a time,
// overlapping ones included. All tables are fixed-size local storage; the
// output goes straight into rawData, which also serves as the window.
//
// Every input has the outcome of decoding one bit at a time with zeros past
// the end of the data: the same bytes, and failure on the same inputs (a bit
// string matching no code, over-subscribed or incomplete codes included).
#include <cstring>

#include "png/png_internal.h"

namespace vurk {

namespace {

constexpr int kMaxCodeBits = 15;

// A table entry: bits 0-7 the bits to consume, bits 8-11 the extra bits of a
// length or distance (or a sub-table's index bits), bits 12-15 the kind,
// bits 16-31 the value (literal byte, length or distance base, or sub-table
// start).
constexpr uint32_t kInvalid = 0x1000;  // no code, or a symbol the format does not allow
constexpr uint32_t kEnd = 0x2000;      // end of block
constexpr uint32_t kSub = 0x4000;      // pointer to a sub-table
constexpr uint32_t kLiteral = 0x8000;  // literal byte

constexpr uint32_t entry(uint32_t value, uint32_t extra, uint32_t bits, uint32_t kind = 0) {
    return value << 16 | kind | extra << 8 | bits;
}

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint16_t kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                        33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                        1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};

enum class Alphabet { LitLen, Distance, CodeLength };

// What a decoded symbol of an alphabet means, as a table entry without its
// bit count.
uint32_t symbolEntry(Alphabet a, uint32_t s) {
    switch (a) {
    case Alphabet::LitLen:
        if (s < 256) return entry(s, 0, 0, kLiteral);
        if (s == 256) return entry(0, 0, 0, kEnd);
        if (s > 285) return kInvalid;
        return entry(kLengthBase[s - 257], (s < 265 || s == 285) ? 0 : (s - 265) / 4 + 1, 0);
    case Alphabet::Distance:
        if (s > 29) return kInvalid;
        return entry(kDistanceBase[s], s < 4 ? 0 : (s - 2) / 2, 0);
    case Alphabet::CodeLength:
        return entry(s, 0, 0);
    }
    return kInvalid;
}

// A decoding table of MainBits index bits with room for its sub-tables, for
// codes of at most MaxLen bits. Canonical codes leave unused code space only
// at the top, so every prefix that has a sub-table is filled completely but
// the last; a filled sub-table of depth s holds at least s + 1 symbols,
// which bounds the room.
template <int MainBits, int MaxLen, int MaxSymbols>
struct DecodeTable {
    static constexpr int kMainBits = MainBits;
    static constexpr int kSubBitsMax = MaxLen - MainBits;
    static constexpr int kSubRoom =
        kSubBitsMax <= 0 ? 0 : (MaxSymbols * (1 << kSubBitsMax)) / (kSubBitsMax + 1) + (1 << kSubBitsMax);
    uint32_t e[(1 << MainBits) + kSubRoom];
};

uint32_t reverseBits(uint32_t code, int len) {
    uint32_t r = 0;
    for (int i = 0; i < len; ++i, code >>= 1) r = r << 1 | (code & 1);
    return r;
}

// Builds the table for n code lengths (each at most MaxLen). Codes are
// assigned canonically (by length, then symbol); a code that does not fit
// its length (an over-subscribed code) can never be read, nor can any after
// it, and every bit string of no code decodes as invalid.
template <typename Table>
bool buildTable(Table& t, const uint8_t* lengths, uint32_t n, Alphabet a) {
    constexpr int kMain = Table::kMainBits;
    constexpr uint32_t kMainSize = 1u << kMain;
    constexpr uint32_t kCapacity = sizeof(t.e) / sizeof(t.e[0]);
    uint16_t count[kMaxCodeBits + 1] = {};
    for (uint32_t s = 0; s < n; ++s) ++count[lengths[s]];
    count[0] = 0;
    uint32_t next[kMaxCodeBits + 1] = {};
    uint16_t start[kMaxCodeBits + 2] = {};
    uint32_t code = 0;
    for (int len = 1; len <= kMaxCodeBits; ++len) {
        code = (code + count[len - 1]) * 2;
        next[len] = code;
        start[len + 1] = static_cast<uint16_t>(start[len] + count[len]);
    }
    // The readable codes in canonical order: symbol, length, reversed code.
    struct Code {
        uint16_t symbol;
        uint8_t len;
        uint32_t rev;
    };
    Code codes[320];
    uint32_t total = start[kMaxCodeBits + 1];
    for (uint32_t s = 0; s < n; ++s) {
        if (lengths[s] != 0) codes[start[lengths[s]]++] = Code{static_cast<uint16_t>(s), lengths[s], 0};
    }
    for (uint32_t i = 0; i < total; ++i) {
        const uint32_t c = next[codes[i].len]++;
        if (c >= (1u << codes[i].len)) {
            total = i;
            break;
        }
        codes[i].rev = reverseBits(c, codes[i].len);
    }

    for (uint32_t i = 0; i < kMainSize; ++i) t.e[i] = kInvalid;
    uint32_t subNext = kMainSize;
    for (uint32_t i = 0; i < total;) {
        const Code& k = codes[i];
        if (k.len <= kMain) {
            const uint32_t value = symbolEntry(a, k.symbol) | k.len;
            for (uint32_t j = k.rev; j < kMainSize; j += 1u << k.len) t.e[j] = value;
            ++i;
            continue;
        }
        // A sub-table for the codes under this prefix, which follow each
        // other, as deep as the last (longest) of them.
        const uint32_t prefix = k.rev & (kMainSize - 1);
        uint32_t last = i;
        while (last + 1 < total && (codes[last + 1].rev & (kMainSize - 1)) == prefix) ++last;
        const uint32_t subBits = codes[last].len - kMain;
        const uint32_t subStart = subNext;
        subNext += 1u << subBits;
        if (subNext > kCapacity) return false;  // cannot happen for canonical codes; guards the storage
        for (uint32_t j = subStart; j < subNext; ++j) t.e[j] = kInvalid;
        t.e[prefix] = entry(subStart, subBits, kMain, kSub);
        for (; i <= last; ++i) {
            const uint32_t bits = codes[i].len - kMain;
            const uint32_t value = symbolEntry(a, codes[i].symbol) | bits;
            for (uint32_t j = codes[i].rev >> kMain; j < (1u << subBits); j += 1u << bits) t.e[subStart + j] = value;
        }
    }
    return true;
}

using LitLenTable = DecodeTable<10, 15, 288>;
using DistanceTable = DecodeTable<8, 15, 32>;
using CodeLengthTable = DecodeTable<7, 7, 19>;

uint64_t loadLe64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;  // little-endian machines only
}

void store64(uint8_t* p, uint64_t v) { std::memcpy(p, &v, 8); }

// The bits of the image data, least significant first, read ahead into a
// 64-bit buffer. Past the end of the data every bit is 0. The bits above the
// count are either 0 or the next bits of the data.
class BitBuffer {
public:
    explicit BitBuffer(const PngDecoder& d) : reader_(d) { nextRun(); }

    // At least 56 bits in the buffer.
    void refill() {
        if (end_ - p_ >= 8) {
            buf_ |= loadLe64(p_) << bits_;
            p_ += (63 - bits_) >> 3;
            bits_ |= 56;
        } else {
            refillSlowly();
        }
    }
    // The buffer's state, for a loop that keeps it in locals while it runs.
    struct State {
        const uint8_t* p;
        const uint8_t* end;
        uint64_t buf;
        uint32_t bits;
    };
    State save() const { return {p_, end_, buf_, bits_}; }
    void restore(const State& s) { p_ = s.p, end_ = s.end, buf_ = s.buf, bits_ = s.bits; }

    uint64_t peek() const { return buf_; }
    void drop(uint32_t n) {
        buf_ >>= n;
        bits_ -= n;
    }
    // A field of n bits (at most 32); refills first.
    uint32_t take(uint32_t n) {
        if (bits_ < n) refill();
        const uint32_t v = static_cast<uint32_t>(buf_ & ((uint64_t{1} << n) - 1));
        drop(n);
        return v;
    }
    // True when every bit from here on reads as 0.
    bool onlyZerosLeft() const { return ended_ && (buf_ & ((uint64_t{1} << bits_) - 1)) == 0; }
    bool ended() const { return ended_; }

    // Drops the unread bits of the current byte; the buffer holds whole bytes.
    void alignToByte() { drop(bits_ & 7); }

    // Copies n bytes from the byte-aligned input, zeros past the end.
    void copyBytes(uint8_t* out, uint32_t n) {
        for (; n > 0 && bits_ >= 8; --n) *out++ = static_cast<uint8_t>(take(8));
        // Bytes the buffer still holds belong to what follows (an empty
        // block, as a sync flush writes, leaves them all).
        if (n == 0) return;
        // The buffer is empty now; whatever it held above the count comes
        // again from the input.
        buf_ = 0;
        bits_ = 0;
        while (n > 0) {
            if (p_ == end_ && !nextRun()) {
                std::memset(out, 0, n);
                return;
            }
            const uint32_t k = static_cast<uint32_t>(end_ - p_) < n ? static_cast<uint32_t>(end_ - p_) : n;
            std::memcpy(out, p_, k);
            out += k, p_ += k, n -= k;
        }
    }

private:
    bool nextRun() {
        const uint8_t* run = nullptr;
        const uint32_t n = reader_.takeRun(run);
        if (n == 0) {
            ended_ = true;
            p_ = end_ = nullptr;
            return false;
        }
        p_ = run;
        end_ = run + n;
        return true;
    }

    void refillSlowly() {
        while (bits_ <= 56) {
            if (p_ == end_ && !ended_) nextRun();
            if (ended_) {
                bits_ |= 56;  // whole zero bytes
                return;
            }
            buf_ |= uint64_t{*p_++} << bits_;
            bits_ += 8;
        }
    }

    ImageDataReader reader_;
    const uint8_t* p_ = nullptr;
    const uint8_t* end_ = nullptr;
    uint64_t buf_ = 0;
    uint32_t bits_ = 0;
    bool ended_ = false;
};

struct Output {
    uint8_t* start;
    uint8_t* pos;
    uint8_t* end;
};

// Looks up the entry for the next code and drops the bits of its code; the
// buffer must hold at least 15 bits.
template <typename Table>
uint32_t decode(BitBuffer& in, const Table& t, uint32_t mainMask) {
    uint64_t b = in.peek();
    uint32_t e = t.e[b & mainMask];
    if (e & kSub) {
        in.drop(e & 0xFF);
        b = in.peek();
        e = t.e[(e >> 16) + (b & ((1u << ((e >> 8) & 0xF)) - 1))];
    }
    in.drop(e & 0xFF);
    return e;
}

// The extra bits of a length or distance entry added to its base.
uint32_t withExtra(BitBuffer& in, uint32_t e) {
    const uint32_t extra = (e >> 8) & 0xF;
    const uint32_t v = (e >> 16) + static_cast<uint32_t>(in.peek() & ((1u << extra) - 1));
    in.drop(extra);
    return v;
}

// Copies length bytes from distance back; the caller has checked both.
void copyMatch(Output& out, uint32_t length, uint32_t distance) {
    uint8_t* dst = out.pos;
    uint8_t* const stop = dst + length;
    if (static_cast<size_t>(out.end - dst) < length + 8) {
        for (; dst < stop; ++dst) *dst = *(dst - distance);
        out.pos = stop;
        return;
    }
    // An overlapping copy repeats the last distance bytes: once the first
    // bytes are written one at a time, copying from a multiple of distance
    // of at least 8 back gives the same bytes, 8 at a time.
    uint32_t step = distance;
    if (step < 8) {
        step = distance * ((8 + distance - 1) / distance);
        for (uint32_t i = 0; i < step - distance && dst < stop; ++i, ++dst) *dst = *(dst - distance);
    }
    const uint8_t* src = dst - step;
    while (dst < stop) {
        store64(dst, loadLe64(src));
        dst += 8;
        src += 8;
    }
    out.pos = stop;
}

// The fast loop runs while this many input bytes are left in the current
// run, enough for its two refills of at most 7 bytes each...
constexpr ptrdiff_t kFastInput = 16;
// ...and this much room is left in the output: three literals and a copy of
// up to 258 bytes written 16 at a time.
constexpr ptrdiff_t kFastRoom = 3 + 258 + 16 + 3;

// A copy with room for 16 bytes past its end.
uint8_t* copyMatchFast(uint8_t* dst, uint32_t length, uint32_t distance) {
    uint8_t* const stop = dst + length;
    const uint8_t* src = dst - distance;
    if (distance >= 16) {
        do {
            store64(dst, loadLe64(src));
            store64(dst + 8, loadLe64(src + 8));
            dst += 16, src += 16;
        } while (dst < stop);
    } else if (distance == 1) {
        const uint64_t v = 0x0101010101010101u * *src;
        do {
            store64(dst, v);
            store64(dst + 8, v);
            dst += 16;
        } while (dst < stop);
    } else {
        // The first 16 bytes one at a time; then, as they hold whole periods
        // from their start, the same 16 bytes stored over and over, one
        // period-multiple further each time. Storing them from a register
        // avoids reloading bytes just written, which stalls.
        const uint32_t first = length < 16 ? length : 16;
        for (uint32_t i = 0; i < first; ++i) dst[i] = src[i];
        if (length > 16) {
            const uint64_t lo = loadLe64(dst), hi = loadLe64(dst + 8);
            const uint32_t step = 16 / distance * distance;
            for (uint8_t* p = dst + step; p < stop; p += step) {
                store64(p, lo);
                store64(p + 8, hi);
            }
        }
    }
    return stop;
}

// Decodes a block's symbols while the fast loop's input and room are there:
// bits are then never past the end of the data, and no literal or copy can
// reach the end of the output, so neither is checked per symbol. Returns 1 at
// the end of the block, 0 on bad data, -1 when the rest needs the checks.
int huffmanFast(BitBuffer& in, Output& out, const LitLenTable& lit, const DistanceTable& dist) {
    if (in.ended()) return -1;
    // Locals, so that the byte stores cannot make the compiler reload them.
    BitBuffer::State s = in.save();
    uint8_t* pos = out.pos;
    uint8_t* const start = out.start;
    uint8_t* const end = out.end;
    const auto refill = [&s] {
        s.buf |= loadLe64(s.p) << s.bits;
        s.p += (63 - s.bits) >> 3;
        s.bits |= 56;
    };
    const auto drop = [&s](uint32_t n) {
        s.buf >>= n;
        s.bits -= n;
    };
    const auto lookup = [&](const auto& t, uint32_t mask) {
        uint32_t e = t.e[s.buf & mask];
        if (e & kSub) {
            drop(e & 0xFF);
            e = t.e[(e >> 16) + (s.buf & ((1u << ((e >> 8) & 0xF)) - 1))];
        }
        drop(e & 0xFF);
        return e;
    };
    const auto withExtraBits = [&](uint32_t e) {
        const uint32_t n = (e >> 8) & 0xF;
        const uint32_t v = (e >> 16) + static_cast<uint32_t>(s.buf & ((1u << n) - 1));
        drop(n);
        return v;
    };
    int result = -1;
    while (s.end - s.p >= kFastInput && end - pos >= kFastRoom) {
        // 56 bits hold three codes of up to 15 bits, or a length code with
        // its extra bits (20) and a distance code with its extra bits (28).
        refill();
        uint32_t e = lookup(lit, 0x3FF);
        if (e & kLiteral) {
            *pos++ = static_cast<uint8_t>(e >> 16);
            e = lookup(lit, 0x3FF);
            if (e & kLiteral) {
                *pos++ = static_cast<uint8_t>(e >> 16);
                e = lookup(lit, 0x3FF);
                if (e & kLiteral) {
                    *pos++ = static_cast<uint8_t>(e >> 16);
                    continue;
                }
            }
            refill();
        }
        if (e & (kEnd | kInvalid)) {
            result = (e & kEnd) != 0;
            break;
        }
        const uint32_t length = withExtraBits(e);
        const uint32_t d = lookup(dist, 0xFF);
        if (d & kInvalid) {
            result = 0;
            break;
        }
        const uint32_t distance = withExtraBits(d);
        if (distance > static_cast<size_t>(pos - start)) {
            result = 0;
            break;
        }
        pos = copyMatchFast(pos, length, distance);
    }
    in.restore(s);
    out.pos = pos;
    return result;
}

// Decodes one symbol of a block with every check; the same results as
// huffmanFast.
int huffmanStep(BitBuffer& in, Output& out, const LitLenTable& lit, const DistanceTable& dist) {
    in.refill();
    // Once only zero bits are left, every symbol from here on is the one
    // that zeros decode to: the block ends if that is the end of the
    // block, and otherwise can only fail (no code, literals until the
    // output is full, copies until one no longer fits).
    if (in.ended() && in.onlyZerosLeft()) return (decode(in, lit, 0x3FF) & kEnd) != 0;
    // One refill covers a length code with its extra bits (20) and a
    // distance code with its extra bits (28).
    const uint32_t e = decode(in, lit, 0x3FF);
    if (e & kLiteral) {
        if (out.pos == out.end) return 0;
        *out.pos++ = static_cast<uint8_t>(e >> 16);
        return -1;
    }
    if (e & (kEnd | kInvalid)) return (e & kEnd) != 0;
    const uint32_t length = withExtra(in, e);
    const uint32_t d = decode(in, dist, 0xFF);
    if (d & kInvalid) return 0;
    const uint32_t distance = withExtra(in, d);
    if (distance > static_cast<size_t>(out.pos - out.start) || length > static_cast<size_t>(out.end - out.pos)) {
        return 0;
    }
    copyMatch(out, length, distance);
    return -1;
}

// Decodes one Huffman block: fast while it can, a symbol with every check
// where it cannot (near the end of an input run or of the output).
bool huffmanBlock(BitBuffer& in, Output& out, const LitLenTable& lit, const DistanceTable& dist) {
    for (;;) {
        int r = huffmanFast(in, out, lit, dist);
        if (r < 0) r = huffmanStep(in, out, lit, dist);
        if (r >= 0) return r != 0;
    }
}

bool storedBlock(BitBuffer& in, Output& out) {
    in.alignToByte();
    const uint32_t len = in.take(16);
    const uint32_t nlen = in.take(16);
    if (len != (~nlen & 0xFFFFu) || len > static_cast<size_t>(out.end - out.pos)) return false;
    in.copyBytes(out.pos, len);
    out.pos += len;
    return true;
}

bool readDynamicTables(BitBuffer& in, LitLenTable& lit, DistanceTable& dist) {
    static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    const uint32_t hlit = in.take(5) + 257;
    const uint32_t hdist = in.take(5) + 1;
    const uint32_t hclen = in.take(4) + 4;
    uint8_t codeLengthLengths[19] = {};
    for (uint32_t i = 0; i < hclen; ++i) codeLengthLengths[kOrder[i]] = static_cast<uint8_t>(in.take(3));
    CodeLengthTable codeLengths;
    buildTable(codeLengths, codeLengthLengths, 19, Alphabet::CodeLength);

    // Literal/length and distance lengths form one sequence; repeats may run
    // across the boundary between them.
    uint8_t lengths[320];
    const uint32_t total = hlit + hdist;
    uint32_t n = 0;
    while (n < total) {
        in.refill();
        const uint32_t e = decode(in, codeLengths, 0x7F);
        if (e & kInvalid) return false;
        const uint32_t sym = e >> 16;
        if (sym < 16) {
            lengths[n++] = static_cast<uint8_t>(sym);
            continue;
        }
        uint8_t value = 0;
        uint32_t repeat = 0;
        if (sym == 16) {
            if (n == 0) return false;
            value = lengths[n - 1];
            repeat = 3 + in.take(2);
        } else if (sym == 17) {
            repeat = 3 + in.take(3);
        } else {
            repeat = 11 + in.take(7);
        }
        if (repeat > total - n) return false;
        while (repeat-- > 0) lengths[n++] = value;
    }
    return buildTable(lit, lengths, hlit, Alphabet::LitLen) &&
           buildTable(dist, lengths + hlit, hdist, Alphabet::Distance);
}

struct FixedTables {
    LitLenTable lit;
    DistanceTable dist;
    FixedTables() {
        uint8_t lengths[288];
        for (int s = 0; s < 288; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        buildTable(lit, lengths, 288, Alphabet::LitLen);
        // The fixed distances: 5 bits, first bit most significant.
        std::memset(lengths, 5, 32);
        buildTable(dist, lengths, 32, Alphabet::Distance);
    }
};

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
    static const FixedTables fixed;
    d.lastError = PngErrBadFile;
    BitBuffer in(d);
    const uint32_t cmf = in.take(8);
    const uint32_t flg = in.take(8);
    // Deflate with a window of at most 32 KiB and no preset dictionary; the
    // header check value is not looked at.
    if ((cmf & 0x0F) != 8 || (cmf >> 4) > 7 || (flg & 0x20) != 0) return 0;

    Output out{d.rawData, d.rawData, d.rawData + d.rawSize};
    LitLenTable lit;
    DistanceTable dist;
    bool final = false;
    while (!final) {
        final = in.take(1) != 0;
        bool ok = false;
        switch (in.take(2)) {
        case 0:
            ok = storedBlock(in, out);
            break;
        case 1:
            ok = huffmanBlock(in, out, fixed.lit, fixed.dist);
            break;
        case 2:
            ok = readDynamicTables(in, lit, dist) && huffmanBlock(in, out, lit, dist);
            break;
        default:
            break;
        }
        if (!ok) return 0;
    }
    // The Adler-32 behind the final block is not compared. A stream that
    // stops short would leave raw bytes unwritten, which the reconstruction
    // would then read: refuse it.
    if (out.pos != out.end) return 0;
    d.lastError = 0;
    return 1;
}

}  // namespace vurk
