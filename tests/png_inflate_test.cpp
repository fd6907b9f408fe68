// The decoder's fast inflater against the one-bit-at-a-time reference on
// generated, cut, split and damaged streams: same outcome, code and bytes.
#include <gtest/gtest.h>
#include <random>
#include <zlib.h>

#include "tests/support/png_images.h"
#include "tests/support/png_reference_inflate.h"

namespace vurk::test {
namespace {

// A grey 8-bit image of one row whose raw data is rawSize bytes, holding the
// stream in IDAT chunks cut at `cuts`.
Bytes rawPng(const Bytes& stream, uint32_t rawSize, std::vector<size_t> cuts = {}) {
    SampleImage img{{rawSize - 1, 1, 0, 8}, {}, {}};
    for (size_t& c : cuts) c = std::min(c, stream.size());
    return layoutPng(img, stream, cuts);
}

class Agreement {
public:
    void check(const Bytes& png, const std::string& what) {
        std::string why;
        ++cases;
        if (!inflatersAgree(png.data(), png.size(), &why)) ADD_FAILURE() << what << ": " << why;
    }
    int cases = 0;
};

// Image-like data: noise, runs and short repeats, so that copies of every
// distance and length class appear.
// 32-bit draws, so that sums and remainders of them fit the ints they fill.
using Rng = std::independent_bits_engine<std::mt19937, 32, uint32_t>;

Bytes sampleData(Rng& rng, size_t n) {
    Bytes out;
    while (out.size() < n) {
        switch (rng() % 4) {
        case 0: for (int i = rng() % 64; i > 0; --i) out.push_back(static_cast<uint8_t>(rng())); break;
        case 1: out.insert(out.end(), rng() % 600, static_cast<uint8_t>(rng())); break;
        default: {
            const size_t back = 1 + rng() % (out.empty() ? 1 : std::min<size_t>(out.size(), rng() % 2 ? 8 : 40000));
            for (int i = rng() % 300; i > 0 && out.size() >= back; --i) out.push_back(out[out.size() - back]);
            if (out.size() < back) out.push_back(0);
        }
        }
    }
    out.resize(n);
    return out;
}

// Deflated with sync flushes between pieces, each of which ends in an empty
// stored block.
Bytes deflateWithFlushes(const Bytes& data, Rng& rng) {
    z_stream z{};
    deflateInit(&z, 6);
    Bytes out(2 * data.size() + 1024);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    for (size_t at = 0; at < data.size();) {
        const size_t n = std::min<size_t>(data.size() - at, rng() % 2000);
        z.next_in = const_cast<Bytef*>(data.data() + at);
        z.avail_in = static_cast<uInt>(n);
        deflate(&z, Z_SYNC_FLUSH);
        at += n;
    }
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

TEST(PngInflateTest, FastAndReferenceAgreeOnCompressedAndDamagedStreams) {
    Rng rng(13);
    Agreement agree;
    constexpr int kStrategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    for (int n = 0; n < 400; ++n) {
        const uint32_t size = 1 + (n % 4 == 0 ? rng() % 200000 : rng() % 3000);
        const Bytes data = sampleData(rng, size);
        const Bytes stream = zlibDeflate(data, static_cast<int>(rng() % 10), kStrategies[rng() % 5]);
        const std::string tag = "stream " + std::to_string(n);
        agree.check(rawPng(stream, size), tag);
        agree.check(rawPng(stream, size + 1 + rng() % 5), tag + " raw data larger");
        if (n % 4 == 1) agree.check(rawPng(deflateWithFlushes(data, rng), size), tag + " with flushes");
        agree.check(rawPng(stream, size > 1 ? size - 1 : 1), tag + " raw data smaller");
        std::vector<size_t> cuts;
        for (int k = rng() % 6; k > 0; --k) cuts.push_back(rng() % stream.size());
        std::sort(cuts.begin(), cuts.end());
        agree.check(rawPng(stream, size, cuts), tag + " split");
        for (int k = 0; k < 3; ++k) {
            Bytes cut(stream.begin(), stream.begin() + (k == 0 ? rng() % stream.size() : stream.size() - 1 - k));
            agree.check(rawPng(cut, size, cuts), tag + " cut");
        }
        for (int k = 0; k < 6; ++k) {
            Bytes damaged = stream;
            for (int f = 1 + rng() % 3; f > 0; --f) damaged[rng() % damaged.size()] ^= static_cast<uint8_t>(1u << rng() % 8);
            agree.check(rawPng(damaged, size, cuts), tag + " flipped");
        }
    }
    // Random code lengths (over-subscribed, incomplete, empty), then random
    // or all-zero bits.
    for (int n = 0; n < 6000; ++n) {
        BitWriter w;
        w.put(0x0178, 16);
        const int blocks = 1 + rng() % 2;
        for (int b = 0; b < blocks; ++b) {
            w.put(b + 1 == blocks, 1);
            w.put(n % 8 == 0 ? 1 : 2, 2);
            if (n % 8 == 0) break;
            w.put(rng() % 32, 5), w.put(rng() % 32, 5);
            const int hclen = rng() % 16;
            w.put(hclen, 4);
            const uint32_t lengthMax = 1 + rng() % 7;
            for (int i = 0; i < hclen + 4; ++i) w.put(rng() % (lengthMax + 1), 3);
            for (int i = rng() % 400; i > 0; --i) w.put(rng(), 8);
        }
        if (n % 3 == 0) w.bytes.resize(w.bytes.size() + rng() % 40, 0);
        agree.check(rawPng(w.bytes, 1 + rng() % (n % 5 == 0 ? 70000 : 400)), "random tables " + std::to_string(n));
    }
    EXPECT_GT(agree.cases, 10000);
    std::printf("inflaters agree on %d streams\n", agree.cases);
}

}  // namespace
}  // namespace vurk::test
