// The PNG decoder against independent encoders (libpng, zlib under the
// test's own layout) and libpng as the reference decoder; its refusals and
// error codes; and LoadPngBitmap's one message.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>
#include <cstring>
#include <filesystem>
#include <random>

#include "png/png_decoder.h"
#include "png/png_encoder.h"
#include "tests/support/fake_shell.h"
#include "tests/support/png_images.h"
#include "tests/support/run_tool.h"
#include "tests/support/workdir.h"

namespace vurk::test {
namespace {

constexpr PngShape kPairs[15] = {{0, 0, 0, 1}, {0, 0, 0, 2}, {0, 0, 0, 4}, {0, 0, 0, 8}, {0, 0, 0, 16},
                                {0, 0, 2, 8}, {0, 0, 2, 16}, {0, 0, 3, 1}, {0, 0, 3, 2}, {0, 0, 3, 4},
                                {0, 0, 3, 8}, {0, 0, 4, 8}, {0, 0, 4, 16}, {0, 0, 6, 8}, {0, 0, 6, 16}};

PngShape sized(PngShape s, uint32_t w, uint32_t h, uint8_t interlace = 0) {
    s.width = w;
    s.height = h;
    s.interlace = interlace;
    return s;
}

std::string describe(const PngShape& s) {
    return "type " + std::to_string(s.colourType) + " depth " + std::to_string(s.bitDepth) + " " +
           std::to_string(s.width) + "x" + std::to_string(s.height) + (s.interlace ? " interlaced" : "");
}

// The bitmap format each colour type and depth must give.
uint16_t expectedBitCount(uint8_t type, uint8_t depth) {
    switch (type) {
    case 2: return 24;
    case 6: return 32;
    case 4: return 8;
    default: return depth == 1 ? 1 : depth <= 4 ? 4 : 8;
    }
}
uint32_t expectedClrUsed(uint8_t type, uint8_t depth) {
    if (type == 4) return 256;
    return type == 0 ? (depth >= 8 ? 256u : 1u << depth) : 0;
}

class PngTest : public ::testing::Test {
protected:
    WorkDir dir;

    // Runs vurk-tool png2bmp on the file; returns the exit status.
    int png2bmp(const Bytes& png, std::string* err = nullptr) {
        writeFileBytes("in.png", png);
        std::filesystem::remove("out.bmp");
        const ToolRun r = runTool("png2bmp in.png out.bmp");
        if (err) *err = r.err;
        return r.status;
    }

    // Decodes `png` with png2bmp and `reference` (the same picture) with
    // libpng; the pixels, bit depth and table size must agree.
    void expectLikeReference(const Bytes& png, const std::string& what, const Bytes* reference = nullptr) {
        SCOPED_TRACE(what);
        const auto ref = libpngDecode(reference ? *reference : png);
        ASSERT_TRUE(ref.has_value());
        std::string err;
        ASSERT_EQ(png2bmp(png, &err), 0) << err;
        const auto bmp = readBmp(readFileBytes("out.bmp"));
        ASSERT_TRUE(bmp);
        ASSERT_EQ(bmp->width(), static_cast<int32_t>(ref->width));
        ASSERT_EQ(bmp->height(), static_cast<int32_t>(ref->height));
        const uint8_t depth = png[24], type = png[25];
        EXPECT_EQ(bmp->biBitCount, expectedBitCount(type, depth));
        EXPECT_EQ(bmp->biClrUsed, expectedClrUsed(type, depth));
        int wrong = 0;
        for (int32_t y = 0; y < bmp->height(); ++y) {
            for (int32_t x = 0; x < bmp->width(); ++x) {
                // Only colour type 6 keeps its alpha.
                uint32_t want = ref->pixels[static_cast<size_t>(y) * ref->width + x];
                uint32_t got = bmp->pixelRgb(x, y);
                if (type == 6) got |= static_cast<uint32_t>(bmp->row(y)[x * 4 + 3]) << 24;
                else want &= 0xFFFFFFu;
                if (got != want && wrong++ < 3) ADD_FAILURE() << "pixel " << x << "," << y << std::hex << ": " << got << " != " << want;
            }
        }
    }
};

TEST_F(PngTest, EveryColourTypeAndDepthMatchesReference) {
    uint32_t seed = 1;
    for (const PngShape& pair : kPairs) {
        for (const uint8_t interlace : {uint8_t{0}, uint8_t{1}}) {
            // 40 pixels reach the 16-pixel steps of the vector row conversions.
            for (uint32_t width : {1u, 3u, 9u, 40u}) {
                const PngShape s = sized(pair, width, width == 9 ? 11 : 5, interlace);
                expectLikeReference(libpngEncode(randomImage(s, seed++), PNG_ALL_FILTERS), describe(s));
            }
        }
    }
}

// Each filter type on every row, in streams laid out by the test and
// compressed by zlib at several levels and strategies (stored, fixed and
// dynamic blocks), the image data cut into IDAT chunks at random places.
TEST_F(PngTest, EveryFilterTypeAndBlockKindMatchesReference) {
    const std::pair<int, int> compressions[] = {{0, Z_DEFAULT_STRATEGY}, {1, Z_DEFAULT_STRATEGY}, {9, Z_FILTERED},
                                                {6, Z_HUFFMAN_ONLY}, {6, Z_RLE}, {6, Z_FIXED}};
    const Bytes filterSets[] = {{0}, {1}, {2}, {3}, {4}, {4, 3, 2, 1, 0}};
    std::mt19937 rng(7);
    uint32_t seed = 100;
    for (const PngShape& pair : kPairs) {
        const SampleImage img = randomImage(sized(pair, 9, 6), seed++);
        for (size_t f = 0; f < std::size(filterSets); ++f) {
            const auto [level, strategy] = compressions[(f + seed) % std::size(compressions)];
            const Bytes stream = zlibDeflate(filterRows(img, filterSets[f]), level, strategy);
            std::vector<size_t> cuts = {rng() % stream.size(), rng() % stream.size()};
            std::sort(cuts.begin(), cuts.end());
            expectLikeReference(layoutPng(img, stream, cuts), describe(img.shape) + " filters " + std::to_string(f) +
                                                                  " level " + std::to_string(level) + " strategy " +
                                                                  std::to_string(strategy));
        }
    }
    // Interlaced rows with one filter type each, from libpng.
    const int masks[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH};
    for (const PngShape& pair : {kPairs[0], kPairs[1], kPairs[10], kPairs[12], kPairs[14]}) {
        for (int mask : masks) {
            const PngShape s = sized(pair, 13, 10, 1);
            expectLikeReference(libpngEncode(randomImage(s, seed++), mask), describe(s) + " mask " + std::to_string(mask));
        }
    }
}

// Chunk layouts that the decoder takes as if they were the plain file.
TEST_F(PngTest, ChunkVariantsDecodeLikeThePlainFile) {
    const SampleImage img = randomImage(sized(kPairs[10], 21, 9), 42);  // 8-bit palette
    const Bytes stream = zlibDeflate(filterRows(img, {4, 1, 2, 3}), 9, Z_DEFAULT_STRATEGY);
    const Bytes plain = layoutPng(img, stream);
    std::vector<size_t> everyByte;
    for (size_t i = 1; i < stream.size(); ++i) everyByte.push_back(i);
    expectLikeReference(layoutPng(img, stream, everyByte), "one-byte IDATs, cut inside codes", &plain);

    const Bytes header = pngChunk("IHDR", ihdrData(img.shape)), palette = pngChunk("PLTE", img.palette);
    const Bytes end = pngChunk("IEND", {}), text = pngChunk("tEXt", {'a', 0, 'b'});
    const std::vector<Bytes> idats = idatChunks(stream, {5, 5});  // the middle one is empty
    Bytes lowerCaseHeader = header;
    lowerCaseHeader[4] = 'i';
    Bytes badCrc = idats[0];
    badCrc.back() ^= 0xFF;
    Bytes otherPalette(img.palette.size(), 0x55);
    const Bytes variants[] = {
        pngFile({lowerCaseHeader, palette, idats[0], idats[1], idats[2], end}),
        pngFile({header, text, palette, pngChunk("tRNS", {0, 0}), idats[0], idats[1], idats[2], text, end}),
        pngFile({header, palette, badCrc, idats[1], idats[2], end}),
        pngFile({header, palette, pngChunk("PLTE", otherPalette), idats[0], idats[1], idats[2], end}),
        pngFile({header, idats[0], idats[1], idats[2], palette, end}),  // PLTE behind the data
        pngFile({header, palette, idats[0], idats[1], idats[2]}),       // no IEND
    };
    for (size_t i = 0; i < std::size(variants); ++i) expectLikeReference(variants[i], "variant " + std::to_string(i), &plain);
}

// A dynamic block whose distance code is a single code of length 1, and a
// run that copies one byte 258 times at distance 1.
TEST_F(PngTest, InflaterEdgeCases) {
    BitWriter w;
    w.put(0x78, 8);
    w.put(0x01, 8);
    w.put(1, 1);   // final
    w.put(2, 2);   // dynamic
    w.put(1, 5);   // 258 literal/length codes
    w.put(0, 5);   // 1 distance code
    w.put(14, 4);  // 18 code length code lengths, in their fixed order:
    for (int len : {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2}) w.put(len, 3);
    const auto two = [&] { w.putCode(3, 2); };
    const auto zeros = [&](uint32_t n) { w.putCode(0, 1), w.put(n - 11, 7); };
    two();           // 0: length 2
    zeros(64);       // 1..64
    two();           // 65
    zeros(138);      // 66..203
    zeros(52);       // 204..255
    two(), two();    // 256, 257
    w.putCode(2, 2); // distance 0: length 1
    w.putCode(0, 2), w.putCode(1, 2);  // literals 0 and 65
    w.putCode(3, 2), w.putCode(0, 1);  // length 3 at distance 1
    w.putCode(2, 2);                   // end of block
    w.put(0, 32);
    ASSERT_EQ(png2bmp(layoutPng(randomImage(sized(kPairs[3], 4, 1), 1), w.bytes)), 0);
    auto bmp = readBmp(readFileBytes("out.bmp"));
    ASSERT_TRUE(bmp);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(bmp->row(0)[x], 65);

    // A fixed block of 45 bits behind the zlib header, so that the stored
    // block's header ends on a byte boundary: LEN follows with no byte skipped.
    w = BitWriter{};
    w.put(0x0178, 16), w.put(0, 1), w.put(1, 2);
    w.putCode(0x30, 8);  // literal 0
    for (uint32_t v : {200, 201, 202}) w.putCode(0x190 + v - 144, 9);
    w.putCode(0, 7);
    w.put(1, 1), w.put(0, 2);
    ASSERT_EQ(w.bytes.size(), 8u);
    w.put(0xFFFD0002, 32), w.put(0x0B0A, 16), w.put(0, 32);
    ASSERT_EQ(png2bmp(layoutPng(randomImage(sized(kPairs[3], 5, 1), 1), w.bytes)), 0);
    bmp = readBmp(readFileBytes("out.bmp"));
    ASSERT_TRUE(bmp);
    EXPECT_EQ(Bytes(bmp->row(0), bmp->row(0) + 5), (Bytes{200, 201, 202, 10, 11}));

    SampleImage run = randomImage(sized(kPairs[5], 300, 2), 2);
    for (Bytes& row : run.rows) std::fill(row.begin(), row.end(), 0x9C);
    Bytes stream = zlibDeflate(filterRows(run, {0}), 9, Z_DEFAULT_STRATEGY);
    const Bytes plain = layoutPng(run, stream);
    stream.back() ^= 1;  // wrong Adler-32
    stream[1] ^= 1;      // wrong header check value
    expectLikeReference(layoutPng(run, stream), "run with wrong checksums", &plain);
}

// The code a failed read leaves; the file and the memory read must agree.
int readCode(const Bytes& png) {
    writeFileBytes("in.png", png);
    uint32_t codes[2] = {};
    for (int fromMemory = 0; fromMemory < 2; ++fromMemory) {
        PngDecoder d;
        PngDecoderReset(d);
        const int ok = fromMemory ? PngReadMemory(d, png.data(), png.size()) : PngReadFile(d, "in.png");
        codes[fromMemory] = d.lastError;
        EXPECT_EQ(ok, 0);
        EXPECT_EQ(d.state, PngStateEmpty);
        EXPECT_EQ(d.fileData, nullptr);
        EXPECT_EQ(d.ownsFileData, 0u);
        PngDecoderFree(d);
    }
    EXPECT_EQ(codes[1], codes[0]);
    return static_cast<int>(codes[0]);
}

TEST_F(PngTest, ReadRefusesWithItsCodes) {
    const SampleImage img = randomImage(sized(kPairs[5], 3, 2), 5);
    const Bytes good = layoutPng(img, zlibDeflate(filterRows(img, {0}), 6, Z_DEFAULT_STRATEGY));
    const auto withHeader = [&](size_t at, std::initializer_list<uint8_t> bytes) {
        Bytes f = good;
        std::copy(bytes.begin(), bytes.end(), f.begin() + 16 + at);
        return f;
    };
    Bytes shortHeader = ihdrData(img.shape);
    shortHeader.pop_back();
    shortHeader = pngFile({pngChunk("IHDR", shortHeader)});
    shortHeader.resize(shortHeader.size() + 40, 0);
    Bytes behindEnd = good;
    const Bytes unknown = pngChunk("ABCD", {1});
    behindEnd.insert(behindEnd.end(), unknown.begin(), unknown.end());
    // Only the first letter's case is free: an IDAt chunk is an unknown critical one.
    Bytes idatTypedIDAt = good;
    idatTypedIDAt[40] = 't';
    Bytes wrongSignature = good;
    wrongSignature[1] = 'Q';

    EXPECT_EQ(readCode({}), PngErrBadFile);
    EXPECT_EQ(readCode(Bytes(good.begin(), good.begin() + 15)), PngErrBadFile);
    EXPECT_EQ(readCode(wrongSignature), PngErrBadFile);
    EXPECT_EQ(readCode(pngFile({pngChunk("IDAT", Bytes(20)), pngChunk("IHDR", ihdrData(img.shape))})), PngErrBadFile);
    EXPECT_EQ(readCode(shortHeader), PngErrBadFile);
    EXPECT_EQ(readCode(withHeader(0, {0, 0, 0, 0})), PngErrBadFile);   // width 0
    EXPECT_EQ(readCode(withHeader(4, {0, 0, 0, 0})), PngErrBadFile);   // height 0
    EXPECT_EQ(readCode(withHeader(12, {2})), PngErrUnsupported);       // interlace 2
    EXPECT_EQ(readCode(withHeader(8, {16, 3})), PngErrUnsupported);    // 16-bit palette
    EXPECT_EQ(readCode(withHeader(8, {8, 5})), PngErrUnsupported);     // colour type 5
    EXPECT_EQ(readCode(withHeader(10, {1})), PngErrUnsupported);       // compression method
    EXPECT_EQ(readCode(withHeader(11, {1})), PngErrUnsupported);       // filter method
    EXPECT_EQ(readCode(behindEnd), PngErrUnsupported);
    EXPECT_EQ(readCode(idatTypedIDAt), PngErrUnsupported);
    // Sizes whose raw data or bitmap would not fit, refused before allocating.
    EXPECT_EQ(readCode(withHeader(0, {0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF})), PngErrUnsupported);
    EXPECT_EQ(readCode(withHeader(0, {0x80, 0, 0, 0})), PngErrUnsupported);
    EXPECT_EQ(readCode(withHeader(0, {0, 0x40, 0, 0, 0, 0, 0x40, 0})), PngErrUnsupported);
}

// Files that read but whose image data the inflater refuses with 0x2000.
TEST_F(PngTest, InflateRefusesBadStreams) {
    const SampleImage img = randomImage(sized(kPairs[3], 5, 4), 9);
    const Bytes raw = filterRows(img, {1});
    const Bytes stream = zlibDeflate(raw, 6, Z_DEFAULT_STRATEGY), stored = zlibDeflate(raw, 0, Z_DEFAULT_STRATEGY);
    const auto changed = [](Bytes s, size_t at, uint8_t value) { return s[at] = value, s; };
    const auto handMade = [](std::initializer_list<std::pair<uint32_t, int>> codes, int type) {
        BitWriter w;
        w.put(0x0178, 16), w.put(1, 1), w.put(type, 2);
        for (auto [code, len] : codes) w.putCode(code, len);
        return w.bytes;
    };
    const Bytes header = pngChunk("IHDR", ihdrData(img.shape)), end = pngChunk("IEND", {});
    const std::vector<Bytes> split = idatChunks(stream, {stream.size() / 2});
    const SampleImage taller = randomImage(sized(kPairs[3], 5, 5), 9), shorter = randomImage(sized(kPairs[3], 5, 3), 9);
    const Bytes files[] = {
        layoutPng(img, changed(stream, 0, 0x88)),                    // window size code 8
        layoutPng(img, changed(stream, 0, 0x77)),                    // compression method 7
        layoutPng(img, changed(stream, 1, stream[1] | 0x20)),        // preset dictionary
        layoutPng(img, handMade({}, 3)),                             // block type 3
        layoutPng(img, changed(stored, 5, stored[5] ^ 1)),           // NLEN not the complement of LEN
        layoutPng(img, handMade({{1, 7}, {0, 5}}, 1)),               // distance before the start
        layoutPng(img, handMade({{0x30, 8}, {0xC6, 8}}, 1)),         // literal/length symbol 286
        layoutPng(img, handMade({{0x30, 8}, {1, 7}, {30, 5}}, 1)),   // distance symbol 30
        layoutPng(taller, stream),                                   // ends short of the raw size
        layoutPng(shorter, stream),                                  // runs past the raw size
        pngFile({header, end}),                                      // no image data
        pngFile({header, split[0], pngChunk("tEXt", {}), split[1], end}),  // the data end at tEXt
    };
    for (size_t i = 0; i < std::size(files); ++i) {
        SCOPED_TRACE("file " + std::to_string(i));
        writeFileBytes("in.png", files[i]);
        PngDecoder d;
        PngDecoderReset(d);
        ASSERT_EQ(PngReadFile(d, "in.png"), 1);
        EXPECT_EQ(PngInflateImage(d), 0);
        EXPECT_EQ(d.lastError, PngErrBadFile);
        EXPECT_EQ(d.state, PngStateRead);
        EXPECT_EQ(d.rawData, nullptr);
        PngDecoderFree(d);
    }
}

// A header of 268435455 x 1 RGBA (1 GiB of raw data) over 13 bytes of image
// data, as in a reported file. The inflate runs in a child whose address space
// may grow by 256 MiB only: it must fail with the code it always gave, 0x2000,
// rather than allocate the raw data (0x1001 here) and fill it.
TEST_F(PngTest, ShortImageDataFailsWithoutAllocatingTheRawData) {
    const Bytes data = {0x78, 0x48, 0x44, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D};
    const Bytes file = pngFile({pngChunk("IHDR", ihdrData({0x0FFFFFFF, 1, 6, 8})), pngChunk("IDAT", data)});
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        size_t pages = 0;
        FILE* statm = std::fopen("/proc/self/statm", "r");
        if (!statm || std::fscanf(statm, "%zu", &pages) != 1) _exit(2);
        const rlimit limit{pages * sysconf(_SC_PAGESIZE) + (size_t{256} << 20), RLIM_INFINITY};
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(2);
        PngDecoder d;
        PngDecoderReset(d);
        const int read = PngReadMemory(d, file.data(), file.size());
        const int inflated = PngInflateImage(d);
        _exit(read == 1 && inflated == 0 && d.lastError == PngErrBadFile && d.rawData == nullptr ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST_F(PngTest, FilterTypeAboveFourMakesNoBitmap) {
    const SampleImage img = randomImage(sized(kPairs[13], 4, 3), 4);
    for (const uint8_t type : {uint8_t{5}, uint8_t{200}}) {
        Bytes raw = filterRows(img, {2});
        raw[raw.size() / 3] = type;  // second row's filter byte
        std::string err;
        EXPECT_EQ(png2bmp(layoutPng(img, zlibDeflate(raw, 6, Z_DEFAULT_STRATEGY)), &err), 1);
        EXPECT_EQ(err, "lastError=0x2000\n");
        EXPECT_FALSE(std::filesystem::exists("out.bmp"));
    }
}

TEST_F(PngTest, StepsCheckTheirState) {
    const SampleImage img = randomImage(sized(kPairs[8], 7, 3, 1), 8);
    writeFileBytes("in.png", libpngEncode(img, PNG_ALL_FILTERS));
    PngDecoder d;
    PngDecoderReset(d);
    EXPECT_EQ(PngInflateImage(d), 0);
    EXPECT_EQ(d.lastError, PngErrWrongState);
    ASSERT_EQ(PngReadFile(d, "in.png"), 1);
    EXPECT_EQ(d.lastError, 0u);
    EXPECT_FALSE(PngMakeBitmap(d));
    EXPECT_EQ(d.lastError, PngErrWrongState);

    const PngDecoder before = d;
    EXPECT_EQ(PngReadFile(d, "in.png"), 0);
    EXPECT_EQ(d.lastError, PngErrBusy);
    EXPECT_EQ(d.fileData, before.fileData);
    EXPECT_EQ(d.header, before.header);
    EXPECT_EQ(d.state, PngStateRead);

    ASSERT_EQ(PngInflateImage(d), 1);
    const uint8_t* raw = d.rawData;
    EXPECT_EQ(PngInflateImage(d), 0);
    EXPECT_EQ(d.lastError, PngErrWrongState);
    EXPECT_EQ(d.rawData, raw);
    const auto first = PngMakeBitmap(d), second = PngMakeBitmap(d);
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(std::equal(first->bits(), first->bits() + first->byteSize(), second->bits()));
    PngDecoderFree(d);
    EXPECT_EQ(d.state, PngStateEmpty);
    EXPECT_EQ(d.fileData, nullptr);
    EXPECT_EQ(d.rawData, nullptr);

    EXPECT_EQ(PngReadFile(d, "missing.png"), 0);
    EXPECT_EQ(d.lastError, PngErrFile);
    PngDecoderFree(d);
    EXPECT_EQ(d.lastError, 0u);

    // A memory read keeps its own copy: the caller's bytes may go at once.
    auto bytes = std::make_unique<Bytes>(readFileBytes("in.png"));
    ASSERT_EQ(PngReadMemory(d, bytes->data(), bytes->size()), 1);
    EXPECT_EQ(PngReadMemory(d, bytes->data(), bytes->size()), 0);
    EXPECT_EQ(d.lastError, PngErrBusy);
    bytes.reset();
    ASSERT_EQ(PngInflateImage(d), 1);
    const auto fromMemory = PngMakeBitmap(d);
    ASSERT_TRUE(fromMemory);
    EXPECT_TRUE(std::equal(first->bits(), first->bits() + first->byteSize(), fromMemory->bits()));
    PngDecoderFree(d);

    // A good image padded (sparsely) past what any image it takes could need
    // is refused on its size, unread.
    std::filesystem::resize_file("in.png", kMaxPngFileBytes + 1);
    EXPECT_EQ(PngReadFile(d, "in.png"), 0);
    EXPECT_EQ(d.lastError, PngErrFile);
    PngDecoderFree(d);
}

TEST_F(PngTest, LoadPngBitmapShowsOneMessageForUnreadableFiles) {
    std::filesystem::create_directory("tiles");
    const std::string path = ".\\tiles\\items.png";
    const SampleImage img = randomImage(sized(kPairs[5], 3, 2), 5);
    const Bytes good = layoutPng(img, zlibDeflate(filterRows(img, {0}), 6, Z_DEFAULT_STRATEGY));
    FakeShell shell;
    EXPECT_FALSE(LoadPngBitmap(path, shell));  // missing
    Bytes file = good;
    file[0] = 0;  // signature
    writeFileBytes("tiles/items.png", file);
    EXPECT_FALSE(LoadPngBitmap(path, shell));
    ASSERT_EQ(shell.boxes.size(), 2u);
    for (const RecordedBox& box : shell.boxes) {
        EXPECT_EQ(box.text, "Couldn't load file: .\\tiles\\items.png");
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.buttons, BoxButtons::Ok);
    }
    file = good;
    file[41] = 0x88;  // zlib header: a bad stream fails silently
    writeFileBytes("tiles/items.png", file);
    EXPECT_FALSE(LoadPngBitmap(path, shell));
    writeFileBytes("tiles/items.png", good);
    const auto bmp = LoadPngBitmap(path, shell);
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->width(), 3);
    EXPECT_EQ(shell.boxes.size(), 2u);
    // The same sheet padded (sparsely) past what any sheet could need: refused
    // on its size, unread.
    std::filesystem::resize_file("tiles/items.png", kMaxSheetFileBytes + 1);
    EXPECT_FALSE(LoadPngBitmap(path, shell));
    ASSERT_EQ(shell.boxes.size(), 3u);
    EXPECT_EQ(shell.boxes.back().text,
              "Picture too large: .\\tiles\\items.png is " + std::to_string(kMaxSheetFileBytes + 1) +
                  " bytes; a sheet file may be at most " + std::to_string(kMaxSheetFileBytes) + " bytes.");
    shell.boxes.pop_back();

    // Sheets up to 4096 pixels each way; larger ones are refused on their header.
    const auto blank = [](uint32_t w, uint32_t h) {
        const PngShape s{w, h, 0, 1};
        const Bytes raw(((w + 7) / 8 + 1) * static_cast<size_t>(h), 0);
        return layoutPng(SampleImage{s, {}, {}}, zlibDeflate(raw, 9, Z_DEFAULT_STRATEGY));
    };
    writeFileBytes("tiles/items.png", blank(4096, 4096));
    EXPECT_TRUE(LoadPngBitmap(path, shell));
    for (const auto& [w, h] : {std::pair{4097u, 1u}, std::pair{1u, 4097u}}) {
        writeFileBytes("tiles/items.png", blank(w, h));
        EXPECT_FALSE(LoadPngBitmap(path, shell));
        ASSERT_EQ(shell.boxes.size(), 3u);
        EXPECT_EQ(shell.boxes.back().text, "Picture too large: .\\tiles\\items.png is " + std::to_string(w) + " x " +
                                               std::to_string(h) + " pixels; a sheet may be at most 4096 x 4096.");
        EXPECT_EQ(shell.boxes.back().caption, "Error");
        shell.boxes.pop_back();
    }
}

// The writer's files, given in bands of uneven height, read back by libpng
// (which checks every CRC and the Adler sum): noise, repeated tiles far
// apart and flat runs, past its batch and chunk sizes. Short or misfit
// pictures leave no file.
TEST(PngWriter, BandsMakeOnePictureThatLibpngReads) {
    WorkDir dir;
    const int32_t w = 3000, h = 200;
    const auto picture = Bitmap::create(w, h, 32);
    std::mt19937 rng(7);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const auto tile = static_cast<uint32_t>((x / 64 + y / 64) % 3 * 0x404040 + (x % 64) * 0x30201 + y % 64);
            const uint32_t v = y % 4 == 0 ? static_cast<uint32_t>(rng()) & 0xFFFFFF : x > 2000 ? 0x123456 : tile;
            std::memcpy(picture->row(y) + 4 * x, &v, 4);
        }
    PngRowWriter writer;
    ASSERT_TRUE(writer.create("out.png", w, h));
    int32_t top = 0;
    for (const int32_t rows : {1, 2, 37, 60, 100}) {
        const auto band = Bitmap::create(w, rows, 32);
        std::memcpy(band->bits(), picture->row(top), band->byteSize());
        writer.addRows(*band);
        top += rows;
    }
    ASSERT_EQ(top, h);
    ASSERT_TRUE(writer.commit());
    const Bytes file = readFileBytes("out.png");
    EXPECT_LT(file.size(), size_t{3} * w * h / 2);
    const auto ref = libpngDecode(file);
    ASSERT_TRUE(ref.has_value());
    ASSERT_EQ(ref->width, uint32_t{w});
    ASSERT_EQ(ref->height, uint32_t{h});
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            ASSERT_EQ(ref->pixels[static_cast<size_t>(y) * w + x] & 0xFFFFFF, picture->pixelRgb(x, y)) << x << "," << y;

    std::filesystem::remove("out.png");
    const auto row = Bitmap::create(4, 1, 32), wide = Bitmap::create(5, 1, 32);
    for (const auto& bands :
         {std::vector<const Bitmap*>{row.get()}, {row.get(), wide.get()}, {row.get(), row.get(), row.get()}}) {
        ASSERT_TRUE(writer.create("bad.png", 4, 2));
        for (const Bitmap* b : bands) writer.addRows(*b);
        EXPECT_FALSE(writer.commit());
        EXPECT_TRUE(std::filesystem::is_empty("."));
    }
}

// A palette image without PLTE shows its indices as greys.
TEST_F(PngTest, PaletteImageWithoutPlteGetsGreyRamp) {
    SampleImage img = randomImage(sized(kPairs[8], 7, 3), 6);
    img.palette.clear();
    ASSERT_EQ(png2bmp(layoutPng(img, zlibDeflate(filterRows(img, {0}), 6, Z_DEFAULT_STRATEGY))), 0);
    const auto bmp = readBmp(readFileBytes("out.bmp"));
    ASSERT_TRUE(bmp);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 7; ++x) {
            const auto v = static_cast<uint8_t>(((img.rows[y][x / 4] >> (6 - 2 * (x % 4))) & 3) * 85);
            EXPECT_EQ(bmp->pixelRgb(x, y), packRgb(v, v, v)) << x << "," << y;
        }
    }
}

// Damaged files either decode to the size they declare or fail with a code;
// run under the sanitizers this also shows that nothing reads out of bounds.
TEST_F(PngTest, DamagedFilesNeverCrash) {
    const SampleImage a = randomImage(sized(kPairs[8], 13, 10, 1), 1), b = randomImage(sized(kPairs[14], 9, 6), 2);
    const SampleImage c = randomImage(sized(kPairs[0], 17, 5), 3);
    const Bytes bases[] = {libpngEncode(a, PNG_ALL_FILTERS),
                           layoutPng(b, zlibDeflate(filterRows(b, {4, 3}), 9, Z_DEFAULT_STRATEGY), {30}),
                           layoutPng(c, zlibDeflate(filterRows(c, {1}), 0, Z_DEFAULT_STRATEGY))};
    std::mt19937 rng(11);
    int decoded = 0;
    for (int i = 0; i < 1500; ++i) {
        Bytes f = bases[i % 3];
        if (rng() % 4 == 0) {
            f.resize(rng() % f.size());
        } else {
            for (int n = 1 + rng() % 4; n > 0; --n) f[rng() % f.size()] = static_cast<uint8_t>(rng());
        }
        writeFileBytes("in.png", f);
        PngDecoder d;
        PngDecoderReset(d);
        PngReadFile(d, "in.png");
        PngInflateImage(d);
        const auto bmp = PngMakeBitmap(d);
        if (bmp) {
            ++decoded;
            EXPECT_EQ(static_cast<uint32_t>(bmp->width()), d.width);
            EXPECT_EQ(static_cast<uint32_t>(bmp->height()), d.height);
            EXPECT_EQ(d.lastError, 0u);
        } else {
            EXPECT_NE(d.lastError, 0u);
        }
        PngDecoderFree(d);
    }
    EXPECT_GT(decoded, 0);
}

}  // namespace
}  // namespace vurk::test
