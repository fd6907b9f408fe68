// The PNG writer: a zlib stream made with fixed Huffman codes and greedy
// matches from hash chains over a 32 KiB window, cut into IDAT chunks as it
// grows. Memory stays a few hundred KiB beyond one band, whatever the picture.
#include "png/png_encoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "platform/bytes.h"

namespace vurk {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
// Compressed bytes gathered before they go out as one IDAT chunk.
constexpr size_t kChunkBytes = size_t{256} << 10;

struct Crc32Table {
    std::array<uint32_t, 256> entry{};
    Crc32Table() {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entry[n] = c;
        }
    }
};

uint32_t crc32(uint32_t crc, const uint8_t* p, size_t n) {
    static const Crc32Table table;
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table.entry[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t reverseBits(uint32_t code, int length) {
    uint32_t r = 0;
    for (int i = 0; i < length; ++i, code >>= 1) r = (r << 1) | (code & 1);
    return r;
}

struct Code {
    uint16_t bits;  // reversed, ready to go out least significant bit first
    uint8_t length;
};

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                        33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                        1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// The fixed Huffman codes of the format, and which length code each match
// length takes.
struct FixedCodes {
    std::array<Code, 288> literal{};
    std::array<Code, 30> distance{};
    std::array<uint8_t, 259> lengthCode{};
    FixedCodes() {
        for (uint32_t v = 0; v < 288; ++v) {
            const auto [first, base, length] = v < 144   ? std::array<uint32_t, 3>{0, 0x30, 8}
                                               : v < 256 ? std::array<uint32_t, 3>{144, 0x190, 9}
                                               : v < 280 ? std::array<uint32_t, 3>{256, 0, 7}
                                                         : std::array<uint32_t, 3>{280, 0xC0, 8};
            const auto len = static_cast<int>(length);
            literal[v] = {static_cast<uint16_t>(reverseBits(base + v - first, len)), static_cast<uint8_t>(len)};
        }
        for (uint32_t d = 0; d < 30; ++d) distance[d] = {static_cast<uint16_t>(reverseBits(d, 5)), 5};
        for (uint8_t c = 0; c < 29; ++c) {
            const uint32_t last = c == 28 ? 258 : kLengthBase[c + 1] - 1u;
            for (uint32_t len = kLengthBase[c]; len <= last; ++len) lengthCode[len] = c;
        }
    }
};

}  // namespace

// A zlib stream made a piece at a time into `out`, which the owner empties
// as it likes.
class Deflater {
public:
    std::vector<uint8_t> out;

    Deflater() {
        out.push_back(0x78);  // deflate, 32 KiB window
        out.push_back(0x01);  // no dictionary, fastest level; a multiple of 31
        head_.assign(size_t{1} << kHashBits, -1);
        prev_.assign(kWindow, -1);
    }

    void add(const uint8_t* p, size_t n) {
        adler(p, n);
        data_.insert(data_.end(), p, p + n);
        // Matches get their whole reach, except at the very end.
        if (data_.size() - (pos_ - base_) >= kBatch) compress(base_ + data_.size() - kMaxMatch);
    }

    void finish() {
        compress(base_ + data_.size());
        put(3, 3);  // an empty final block with fixed codes
        putCode(codes().literal[256]);
        if (bitCount_ > 0) out.push_back(static_cast<uint8_t>(bits_));
        bits_ = 0;
        bitCount_ = 0;
        uint8_t check[4];
        writeBe32(check, (adlerB_ << 16) | adlerA_);
        out.insert(out.end(), check, check + 4);
    }

private:
    static constexpr int64_t kWindow = 32768;
    static constexpr size_t kMaxMatch = 258;
    static constexpr size_t kMinMatch = 3;
    static constexpr int kHashBits = 15;
    static constexpr int kChainDepth = 16;
    static constexpr size_t kBatch = size_t{1} << 20;

    static const FixedCodes& codes() {
        static const FixedCodes fixed;
        return fixed;
    }

    void adler(const uint8_t* p, size_t n) {
        // 5552 bytes is the most that cannot overflow the sums before the modulo.
        while (n > 0) {
            const size_t run = std::min<size_t>(n, 5552);
            for (size_t i = 0; i < run; ++i) {
                adlerA_ += p[i];
                adlerB_ += adlerA_;
            }
            adlerA_ %= 65521;
            adlerB_ %= 65521;
            p += run;
            n -= run;
        }
    }

    void put(uint32_t value, int count) {
        bits_ |= static_cast<uint64_t>(value) << bitCount_;
        bitCount_ += count;
        while (bitCount_ >= 8) {
            out.push_back(static_cast<uint8_t>(bits_));
            bits_ >>= 8;
            bitCount_ -= 8;
        }
    }
    void putCode(Code c) { put(c.bits, c.length); }

    uint32_t hashAt(size_t i) const {
        const uint32_t v = data_[i] | (uint32_t{data_[i + 1]} << 8) | (uint32_t{data_[i + 2]} << 16);
        return (v * 2654435761u) >> (32 - kHashBits);
    }

    // Enters absolute position `at` (with 3 bytes behind it) into its chain.
    void insert(int64_t at) {
        const uint32_t h = hashAt(static_cast<size_t>(at - base_));
        prev_[static_cast<size_t>(at & (kWindow - 1))] = head_[h];
        head_[h] = at;
    }

    void putMatch(size_t length, int64_t distance) {
        const FixedCodes& c = codes();
        const uint8_t lc = c.lengthCode[length];
        putCode(c.literal[257 + lc]);
        put(static_cast<uint32_t>(length - kLengthBase[lc]), kLengthExtra[lc]);
        const auto dc = static_cast<size_t>(
            std::upper_bound(std::begin(kDistanceBase), std::end(kDistanceBase), static_cast<uint16_t>(distance)) -
            std::begin(kDistanceBase) - 1);
        putCode(c.distance[dc]);
        put(static_cast<uint32_t>(distance - kDistanceBase[dc]), kDistanceExtra[dc]);
    }

    // Codes the bytes from pos_ up to absolute position `end` (a match may
    // reach past it) as one block, then drops what lies beyond the window.
    void compress(int64_t end) {
        put(2, 3);  // a block with fixed codes, not the last
        const size_t size = data_.size();
        while (pos_ < end) {
            const size_t i = static_cast<size_t>(pos_ - base_);
            const size_t reach = std::min(kMaxMatch, size - i);
            size_t best = 0;
            int64_t bestAt = 0;
            if (reach >= kMinMatch) {
                int64_t cand = head_[hashAt(i)];
                for (int depth = 0; depth < kChainDepth && cand >= 0 && pos_ - cand <= kWindow; ++depth) {
                    const uint8_t* a = data_.data() + (cand - base_);
                    const uint8_t* b = data_.data() + i;
                    if (a[best] == b[best]) {
                        size_t n = 0;
                        while (n < reach && a[n] == b[n]) ++n;
                        if (n > best) {
                            best = n;
                            bestAt = cand;
                            if (n == reach) break;
                        }
                    }
                    const int64_t next = prev_[static_cast<size_t>(cand & (kWindow - 1))];
                    if (next >= cand) break;  // the slot was taken by a newer position
                    cand = next;
                }
            }
            if (best >= kMinMatch) {
                putMatch(best, pos_ - bestAt);
                for (size_t k = 0; k < best; ++k)
                    if (i + k + kMinMatch <= size) insert(pos_ + static_cast<int64_t>(k));
                pos_ += static_cast<int64_t>(best);
            } else {
                putCode(codes().literal[data_[i]]);
                if (i + kMinMatch <= size) insert(pos_);
                ++pos_;
            }
        }
        putCode(codes().literal[256]);
        const int64_t keepFrom = std::max(base_, pos_ - kWindow);
        data_.erase(data_.begin(), data_.begin() + (keepFrom - base_));
        base_ = keepFrom;
    }

    std::vector<uint8_t> data_;  // input from absolute position base_ on
    int64_t base_ = 0;
    int64_t pos_ = 0;  // the next input byte to code
    std::vector<int64_t> head_, prev_;
    uint64_t bits_ = 0;
    int bitCount_ = 0;
    uint32_t adlerA_ = 1, adlerB_ = 0;
};

PngRowWriter::PngRowWriter() = default;
PngRowWriter::~PngRowWriter() = default;

bool PngRowWriter::create(const std::string& path, uint32_t width, uint32_t height) {
    failed_ = true;
    file_.emplace();
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu || !file_->create(path)) {
        file_.reset();
        return false;
    }
    width_ = width;
    height_ = height;
    rows_ = 0;
    failed_ = !file_->write(kSignature, sizeof kSignature);
    uint8_t header[13] = {};
    writeBe32(header, width);
    writeBe32(header + 4, height);
    header[8] = 8;  // bit depth; colour type 2 (RGB), no interlace
    header[9] = 2;
    writeChunk("IHDR", header, sizeof header);
    deflater_ = std::make_unique<Deflater>();
    return !failed_;
}

void PngRowWriter::addRows(const Bitmap& band) {
    if (failed_ || band.biBitCount != 32 || static_cast<uint32_t>(band.width()) != width_ ||
        static_cast<uint32_t>(band.height()) > height_ - rows_) {
        failed_ = true;
        return;
    }
    std::vector<uint8_t> row(1 + size_t{3} * width_);  // filter type 0, then R, G, B
    for (int32_t y = 0; y < band.height(); ++y) {
        const uint8_t* px = band.row(y);
        for (uint32_t x = 0; x < width_; ++x, px += 4) {
            row[1 + 3 * x] = px[2];
            row[2 + 3 * x] = px[1];
            row[3 + 3 * x] = px[0];
        }
        deflater_->add(row.data(), row.size());
        flushImageData(false);
    }
    rows_ += static_cast<uint32_t>(band.height());
}

bool PngRowWriter::commit() {
    if (!failed_ && rows_ == height_) {
        deflater_->finish();
        flushImageData(true);
        writeChunk("IEND", nullptr, 0);
    }
    const bool written = !failed_ && rows_ == height_ && file_->commit();
    failed_ = true;  // one commit per file
    file_.reset();
    deflater_.reset();
    return written;
}

void PngRowWriter::writeChunk(const char* type, const uint8_t* data, size_t size) {
    uint8_t head[8];
    writeBe32(head, static_cast<uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    uint8_t tail[4];
    writeBe32(tail, crc32(crc32(0, head + 4, 4), data, size));
    if (!file_->write(head, sizeof head) || (size > 0 && !file_->write(data, size)) || !file_->write(tail, 4))
        failed_ = true;
}

void PngRowWriter::flushImageData(bool all) {
    std::vector<uint8_t>& out = deflater_->out;
    if (out.empty() || (!all && out.size() < kChunkBytes)) return;
    writeChunk("IDAT", out.data(), out.size());
    out.clear();
}

}  // namespace vurk
