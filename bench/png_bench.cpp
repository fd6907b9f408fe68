// PNG decoding speed: the editor's decoder against the PNG decoders found at
// build time (libpng, libspng, stb_image, lodepng), and its inflater against
// libdeflate, on the same files in the same run.
//
// Groups: the demo tile sheets; the same sheets re-encoded as palette 8,
// RGBA 8, grey 8, RGB 16 and interlaced; and a fixed sample of real files,
// grouped by format (files up to 1024 x 1024 pixels). Each round decodes every file with every decoder once;
// the table shows megabytes per second from the median round (a megabyte
// being 250,000 pixels, the same count for every decoder), the spread of the
// rounds, and our speed over the fastest peer's and over libpng's (medians
// of the rounds' ratios).
//
// Usage: vurk-bench-png [TILES_DIR [CORPUS_DIR [ROUNDS]]]
#include <png.h>

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#ifdef VURK_HAVE_SPNG
#include <spng.h>
#endif
#ifdef VURK_HAVE_STB
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>
#endif
#ifdef VURK_HAVE_LODEPNG
#include <lodepng.h>
#endif
#ifdef VURK_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include "platform/files.h"
#include "png/png_decoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct File {
    std::string name;
    Bytes data;
    uint32_t width = 0, height = 0;
    uint8_t depth = 0, colourType = 0, interlace = 0;
    Bytes idat;  // the zlib stream, for the inflate-only comparison
    size_t rawSize = 0;
};

uint32_t be32(const uint8_t* p) { return uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// Header values, the joined IDAT data and the raw size from our decoder.
bool describe(File& f) {
    if (f.data.size() < 33) return false;
    f.width = be32(&f.data[16]), f.height = be32(&f.data[20]);
    f.depth = f.data[24], f.colourType = f.data[25], f.interlace = f.data[28];
    for (size_t at = 8; at + 12 <= f.data.size();) {
        const uint32_t len = be32(&f.data[at]);
        if (at + 12 + len > f.data.size()) break;
        if (std::memcmp(&f.data[at + 4], "IDAT", 4) == 0) {
            f.idat.insert(f.idat.end(), f.data.begin() + at + 8, f.data.begin() + at + 8 + len);
        }
        at += 12 + len;
    }
    vurk::PngDecoder d;
    vurk::PngDecoderReset(d);
    const bool ok = vurk::PngReadMemory(d, f.data.data(), f.data.size()) && vurk::PngInflateImage(d);
    f.rawSize = d.rawSize;
    ok && vurk::PngMakeBitmap(d);
    const bool made = ok && d.lastError == 0;
    vurk::PngDecoderFree(d);
    return made;
}

// ---- the decoders, each from a file in memory to its own finished pixels

bool decodeOurs(const File& f) {
    vurk::PngDecoder d;
    vurk::PngDecoderReset(d);
    vurk::PngReadMemory(d, f.data.data(), f.data.size());
    vurk::PngInflateImage(d);
    const bool ok = vurk::PngMakeBitmap(d) != nullptr;
    vurk::PngDecoderFree(d);
    return ok;
}

bool inflateOurs(const File& f) {
    vurk::PngDecoder d;
    vurk::PngDecoderReset(d);
    vurk::PngReadMemory(d, f.data.data(), f.data.size());
    const bool ok = vurk::PngInflateImage(d);
    vurk::PngDecoderFree(d);
    return ok;
}

struct MemoryReader {
    const uint8_t* p;
    size_t left;
};

// libpng's own format (16-bit samples cut to 8 as ours are), no expansion.
bool decodeLibpng(const File& f) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    MemoryReader in{f.data.data(), f.data.size()};
    png_set_read_fn(png, &in, [](png_structp p, png_bytep out, png_size_t n) {
        auto* r = static_cast<MemoryReader*>(png_get_io_ptr(p));
        if (n > r->left) png_error(p, "short");
        std::memcpy(out, r->p, n);
        r->p += n, r->left -= n;
    });
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_read_info(png, info);
    png_set_strip_16(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    pixels.resize(rowBytes * f.height);
    rows.resize(f.height);
    for (uint32_t y = 0; y < f.height; ++y) rows[y] = pixels.data() + y * rowBytes;
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

#ifdef VURK_HAVE_SPNG
bool decodeSpng(const File& f) {
    spng_ctx* ctx = spng_ctx_new(0);
    spng_set_crc_action(ctx, SPNG_CRC_USE, SPNG_CRC_USE);
    spng_set_png_buffer(ctx, f.data.data(), f.data.size());
    size_t size = 0;
    bool ok = spng_decoded_image_size(ctx, SPNG_FMT_PNG, &size) == 0;
    if (ok) {
        std::vector<uint8_t> out(size);
        ok = spng_decode_image(ctx, out.data(), size, SPNG_FMT_PNG, 0) == 0;
    }
    spng_ctx_free(ctx);
    return ok;
}
#endif

#ifdef VURK_HAVE_STB
bool decodeStb(const File& f) {
    int w, h, n;
    stbi_uc* p = stbi_load_from_memory(f.data.data(), static_cast<int>(f.data.size()), &w, &h, &n, 0);
    stbi_image_free(p);
    return p != nullptr;
}
#endif

#ifdef VURK_HAVE_LODEPNG
// lodepng in the file's own format, no conversion (asking for the file's
// format as the output format instead fails on palettes under 8 bits, which
// lodepng cannot convert to).
bool decodeLodepng(const File& f) {
    lodepng::State state;
    state.decoder.ignore_crc = 1;
    state.decoder.zlibsettings.ignore_adler32 = 1;
    state.decoder.color_convert = 0;
    unsigned w, h;
    std::vector<unsigned char> out;
    return lodepng::decode(out, w, h, state, f.data.data(), f.data.size()) == 0;
}
#endif

#ifdef VURK_HAVE_LIBDEFLATE
bool inflateLibdeflate(const File& f) {
    static libdeflate_decompressor* z = libdeflate_alloc_decompressor();
    auto* out = static_cast<uint8_t*>(std::malloc(f.rawSize));
    size_t got = 0;
    const bool ok = libdeflate_zlib_decompress(z, f.idat.data(), f.idat.size(), out, f.rawSize, &got) ==
                    LIBDEFLATE_SUCCESS;
    std::free(out);
    return ok;
}
#endif

struct Decoder {
    const char* name;
    bool (*decode)(const File&);
};

const Decoder kFull[] = {
    {"ours", decodeOurs},
    {"libpng", decodeLibpng},
#ifdef VURK_HAVE_SPNG
    {"libspng", decodeSpng},
#endif
#ifdef VURK_HAVE_STB
    {"stb_image", decodeStb},
#endif
#ifdef VURK_HAVE_LODEPNG
    {"lodepng", decodeLodepng},
#endif
};

const Decoder kInflate[] = {
    {"inflate", inflateOurs},
#ifdef VURK_HAVE_LIBDEFLATE
    {"libdeflate", inflateLibdeflate},
#endif
};

// ---- the files

File fileFrom(const std::string& name, Bytes data) {
    File f;
    f.name = name;
    f.data = std::move(data);
    return f;
}

// The sheet's RGB pixels re-encoded by libpng in another format.
Bytes encode(const QImage& rgb, int colourType, int depth, int interlace) {
    const int w = rgb.width(), h = rgb.height();
    QImage indexed;
    if (colourType == PNG_COLOR_TYPE_PALETTE) indexed = rgb.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    const int channels = colourType == PNG_COLOR_TYPE_RGB ? 3 : colourType == PNG_COLOR_TYPE_RGBA ? 4 : 1;
    const int sample = depth / 8;
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * channels * sample);
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = rgb.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            uint8_t v[4] = {in[3 * x], in[3 * x + 1], in[3 * x + 2], static_cast<uint8_t>(255 - (x ^ y) % 64)};
            if (colourType == PNG_COLOR_TYPE_GRAY) v[0] = static_cast<uint8_t>((v[0] * 77 + v[1] * 150 + v[2] * 29) >> 8);
            if (colourType == PNG_COLOR_TYPE_PALETTE) v[0] = indexed.constScanLine(y)[x];
            uint8_t* out = &pixels[(static_cast<size_t>(y) * w + x) * channels * sample];
            for (int c = 0; c < channels; ++c) {
                for (int s = 0; s < sample; ++s) out[c * sample + s] = static_cast<uint8_t>(v[c] ^ (s * 0x35));
            }
        }
    }
    Bytes file;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &file,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* out = static_cast<Bytes*>(png_get_io_ptr(p));
            out->insert(out->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, w, h, depth, colourType, interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        for (QRgb c : indexed.colorTable()) palette.push_back({uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))});
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    std::vector<png_bytep> rows(h);
    for (int y = 0; y < h; ++y) rows[y] = &pixels[static_cast<size_t>(y) * w * channels * sample];
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return file;
}

Bytes readAll(const std::filesystem::path& p) {
    Bytes out;
    vurk::readWholeFile(p.string(), out, UINT64_MAX);
    return out;
}

struct Group {
    std::string name;
    std::vector<File> files;
};

// A fixed sample of about `count` files of the corpus: every n-th in name order.
std::vector<std::filesystem::path> corpusSample(const std::string& dir, size_t count) {
    std::vector<std::filesystem::path> all;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->path().extension() == ".png") all.push_back(it->path());
    }
    std::sort(all.begin(), all.end());
    std::vector<std::filesystem::path> sample;
    const size_t step = std::max<size_t>(1, all.size() / count);
    for (size_t i = 0; i < all.size(); i += step) sample.push_back(all[i]);
    return sample;
}

std::string formatGroup(const File& f) {
    if (f.interlace) return "real interlaced";
    if (f.depth == 16) return "real 16-bit";
    switch (f.colourType) {
    case 0:
    case 4: return "real grey 8";
    case 2: return "real RGB 8";
    case 3: return f.depth == 8 ? "real palette 8" : "real palette 1-4 bit";
    default: return "real RGBA 8";
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::string tilesDir = argc > 1 ? argv[1] : "build/demo/tiles";
    const std::string corpusDir = argc > 2 ? argv[2] : "/usr/share/openclipart/png";
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 7;

    std::vector<Group> groups;
    std::vector<std::filesystem::path> sheets;
    for (const auto& e : std::filesystem::directory_iterator(tilesDir)) {
        if (e.path().extension() == ".png") sheets.push_back(e.path());
    }
    std::sort(sheets.begin(), sheets.end());
    if (sheets.empty()) {
        std::fprintf(stderr, "no sheets in %s (build vurk-demo's files first)\n", tilesDir.c_str());
        return 1;
    }
    struct Variant {
        const char* name;
        int colourType, depth, interlace;
    };
    const Variant variants[] = {{"sheets palette 8", PNG_COLOR_TYPE_PALETTE, 8, 0},
                                {"sheets RGBA 8", PNG_COLOR_TYPE_RGBA, 8, 0},
                                {"sheets grey 8", PNG_COLOR_TYPE_GRAY, 8, 0},
                                {"sheets RGB 16", PNG_COLOR_TYPE_RGB, 16, 0},
                                {"sheets interlaced", PNG_COLOR_TYPE_RGB, 8, 1}};
    groups.push_back({"demo tile sheets", {}});
    for (const Variant& v : variants) groups.push_back({v.name, {}});
    for (const auto& p : sheets) {
        groups[0].files.push_back(fileFrom(p.filename().string(), readAll(p)));
        const QImage rgb = QImage(QString::fromStdString(p.string())).convertToFormat(QImage::Format_RGB888);
        for (size_t i = 0; i < std::size(variants); ++i) {
            const Variant& v = variants[i];
            groups[i + 1].files.push_back(fileFrom(p.filename().string(), encode(rgb, v.colourType, v.depth, v.interlace)));
        }
    }
    std::map<std::string, std::vector<File>> real;
    for (const auto& p : corpusSample(corpusDir, 300)) {
        File f = fileFrom(p.string(), readAll(p));
        // Files up to the size of a tile sheet, so that a round stays short.
        if (describe(f) && uint64_t{f.width} * f.height <= 1024 * 1024) real[formatGroup(f)].push_back(std::move(f));
    }
    for (const char* name : {"real RGB 8", "real RGBA 8", "real grey 8", "real palette 8", "real palette 1-4 bit",
                             "real 16-bit", "real interlaced"}) {
        if (!real[name].empty()) groups.push_back({name, std::move(real[name])});
    }
    // Files that any decoder refuses are left out for all.
    for (Group& g : groups) {
        std::vector<File> kept;
        for (File& f : g.files) {
            bool all = describe(f);
            for (const Decoder& d : kFull) all = all && d.decode(f);
            for (const Decoder& d : kInflate) all = all && d.decode(f);
            if (all) kept.push_back(std::move(f));
        }
        g.files = std::move(kept);
    }

    std::vector<Decoder> decoders(std::begin(kFull), std::end(kFull));
    decoders.insert(decoders.end(), std::begin(kInflate), std::end(kInflate));
    // times[group][decoder][round], seconds
    std::vector<std::vector<std::vector<double>>> times(groups.size(), std::vector<std::vector<double>>(decoders.size()));
    // The decoders take turns file by file, so that a burst of load from
    // elsewhere on the machine falls on all of them alike.
    for (int r = 0; r < rounds; ++r) {
        for (size_t g = 0; g < groups.size(); ++g) {
            std::vector<double> sum(decoders.size());
            for (const File& f : groups[g].files) {
                for (size_t k = 0; k < decoders.size(); ++k) {
                    const auto start = std::chrono::steady_clock::now();
                    decoders[k].decode(f);
                    sum[k] += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                }
            }
            for (size_t k = 0; k < decoders.size(); ++k) times[g][k].push_back(sum[k]);
        }
    }

    std::printf("MB/s (250,000 pixels a MB), median of %d rounds; +-%% is the spread (max-min)/median\n", rounds);
    std::printf("%-22s %5s %7s", "group", "files", "MB");
    for (const Decoder& d : decoders) std::printf(" %16s", d.name);
    std::printf(" %14s %12s %18s\n", "ours/fastest", "ours/libpng", "inflate/libdeflate");
    for (size_t g = 0; g < groups.size(); ++g) {
        double pixels = 0;
        for (const File& f : groups[g].files) pixels += double(f.width) * f.height;
        const double mb = pixels * 4 / 1e6;
        std::printf("%-22s %5zu %7.1f", groups[g].name.c_str(), groups[g].files.size(), mb);
        std::vector<double> speed(decoders.size());
        for (size_t k = 0; k < decoders.size(); ++k) {
            const double m = median(times[g][k]);
            const auto [lo, hi] = std::minmax_element(times[g][k].begin(), times[g][k].end());
            speed[k] = mb / m;
            std::printf(" %9.0f +-%3.0f%%", speed[k], 100 * (*hi - *lo) / m);
        }
        // The ratios are medians of each round's ratio, which the rounds'
        // common load cancels out of.
        size_t fastest = 1;
        for (size_t k = 1; k < std::size(kFull); ++k) fastest = speed[k] > speed[fastest] ? k : fastest;
        const auto ratio = [&](size_t over, size_t under) {
            std::vector<double> r;
            for (int i = 0; i < rounds; ++i) r.push_back(times[g][under][i] / times[g][over][i]);
            return median(r);
        };
        std::printf(" %14.2f %12.2f", ratio(0, fastest), ratio(0, 1));
        if (std::size(kInflate) > 1) std::printf(" %18.2f", ratio(std::size(kFull), std::size(kFull) + 1));
        std::printf("\n");
    }
    return 0;
}
