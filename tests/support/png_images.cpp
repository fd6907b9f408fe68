#include "tests/support/png_images.h"

#include <csetjmp>
#include <cstring>
#include <png.h>
#include <random>
#include <zlib.h>

#include "platform/bytes.h"

namespace vurk::test {

namespace {

uint32_t channels(uint8_t colourType) { return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1; }
uint32_t bitsPerPixel(const PngShape& s) { return channels(s.colourType) * s.bitDepth; }
uint32_t rowBytes(const PngShape& s) { return (bitsPerPixel(s) * s.width + 7) / 8; }

void putBe32(Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

SampleImage randomImage(const PngShape& shape, uint32_t seed) {
    std::mt19937 rng(seed);
    SampleImage img{shape, {}, {}};
    const uint32_t usedBits = bitsPerPixel(shape) * shape.width;
    for (uint32_t y = 0; y < shape.height; ++y) {
        Bytes row(rowBytes(shape));
        for (uint8_t& b : row) b = static_cast<uint8_t>(rng());
        if (usedBits % 8) row.back() &= static_cast<uint8_t>(0xFF << (8 - usedBits % 8));
        img.rows.push_back(row);
    }
    if (shape.colourType == 3) {
        img.palette.resize(3u << shape.bitDepth);
        for (uint8_t& b : img.palette) b = static_cast<uint8_t>(rng());
    }
    return img;
}

Bytes pngChunk(const char* type, const Bytes& data) {
    Bytes out;
    out.reserve(12 + data.size());
    putBe32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    putBe32(out, static_cast<uint32_t>(crc));
    return out;
}

Bytes ihdrData(const PngShape& s) {
    Bytes d;
    putBe32(d, s.width);
    putBe32(d, s.height);
    d.insert(d.end(), {s.bitDepth, s.colourType, 0, 0, s.interlace});
    return d;
}

Bytes pngFile(const std::vector<Bytes>& chunks) {
    Bytes out = {137, 80, 78, 71, 13, 10, 26, 10};
    for (const Bytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
    return out;
}

std::vector<Bytes> idatChunks(const Bytes& stream, const std::vector<size_t>& cuts) {
    std::vector<Bytes> out;
    size_t from = 0;
    for (size_t cut : cuts) {
        out.push_back(pngChunk("IDAT", Bytes(stream.begin() + from, stream.begin() + cut)));
        from = cut;
    }
    out.push_back(pngChunk("IDAT", Bytes(stream.begin() + from, stream.end())));
    return out;
}

Bytes layoutPng(const SampleImage& img, const Bytes& stream, const std::vector<size_t>& cuts) {
    std::vector<Bytes> chunks = {pngChunk("IHDR", ihdrData(img.shape))};
    if (!img.palette.empty()) chunks.push_back(pngChunk("PLTE", img.palette));
    for (Bytes& c : idatChunks(stream, cuts)) chunks.push_back(std::move(c));
    chunks.push_back(pngChunk("IEND", {}));
    return pngFile(chunks);
}

Bytes filterRows(const SampleImage& img, const Bytes& types) {
    const size_t unit = std::max<size_t>(1, bitsPerPixel(img.shape) / 8);
    Bytes out;
    for (size_t y = 0; y < img.rows.size(); ++y) {
        const Bytes& row = img.rows[y];
        const uint8_t type = types[y % types.size()];
        out.push_back(type);
        for (size_t i = 0; i < row.size(); ++i) {
            const int a = i >= unit ? row[i - unit] : 0;
            const int b = y ? img.rows[y - 1][i] : 0;
            const int c = (y && i >= unit) ? img.rows[y - 1][i - unit] : 0;
            const int p = a + b - c;
            const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int paeth = (pa <= pb && pa <= pc) ? a : pb <= pc ? b : c;
            const int predictors[5] = {0, a, b, (a + b) / 2, paeth};
            out.push_back(static_cast<uint8_t>(row[i] - predictors[type]));
        }
    }
    return out;
}

Bytes zlibDeflate(const Bytes& data, int level, int strategy) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, 15, 8, strategy);
    Bytes out(deflateBound(&z, static_cast<uLong>(data.size())));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

Bytes libpngEncode(const SampleImage& img, int filters) {
    Bytes out;
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    std::vector<png_bytep> rows;
    for (const Bytes& r : img.rows) rows.push_back(const_cast<png_bytep>(r.data()));
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_write_struct(&p, &info);
        return {};
    }
    png_set_write_fn(
        p, &out,
        [](png_structp sp, png_bytep data, size_t n) {
            auto* o = static_cast<Bytes*>(png_get_io_ptr(sp));
            o->insert(o->end(), data, data + n);
        },
        nullptr);
    const PngShape& s = img.shape;
    png_set_IHDR(p, info, s.width, s.height, s.bitDepth, s.colourType,
                 s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (size_t i = 0; i + 2 < img.palette.size(); i += 3) {
        palette.push_back({img.palette[i], img.palette[i + 1], img.palette[i + 2]});
    }
    if (!palette.empty()) png_set_PLTE(p, info, palette.data(), static_cast<int>(palette.size()));
    png_set_filter(p, PNG_FILTER_TYPE_BASE, filters);
    png_write_info(p, info);
    png_write_image(p, rows.data());
    png_write_end(p, info);
    png_destroy_write_struct(&p, &info);
    return out;
}

std::optional<RgbaImage> libpngDecode(const Bytes& file) {
    struct Source {
        const Bytes* file;
        size_t pos;
    } src{&file, 0};
    RgbaImage img;
    Bytes pixels;
    std::vector<png_bytep> rows;
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, [](png_structp, png_const_charp) {});
    png_infop info = png_create_info_struct(p);
    if (setjmp(png_jmpbuf(p))) {
        png_destroy_read_struct(&p, &info, nullptr);
        return std::nullopt;
    }
    png_set_read_fn(p, &src, [](png_structp sp, png_bytep out, size_t n) {
        auto* s = static_cast<Source*>(png_get_io_ptr(sp));
        if (n > s->file->size() - s->pos) png_error(sp, "read past the end");
        std::memcpy(out, s->file->data() + s->pos, n);
        s->pos += n;
    });
    png_read_info(p, info);
    png_set_expand(p);
    png_set_strip_16(p);
    png_set_gray_to_rgb(p);
    png_set_add_alpha(p, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(p);
    png_read_update_info(p, info);
    img.width = png_get_image_width(p, info);
    img.height = png_get_image_height(p, info);
    pixels.resize(size_t{img.width} * img.height * 4);
    for (uint32_t y = 0; y < img.height; ++y) rows.push_back(pixels.data() + size_t{y} * img.width * 4);
    png_read_image(p, rows.data());
    png_destroy_read_struct(&p, &info, nullptr);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        img.pixels.push_back(static_cast<uint32_t>(pixels[i + 3]) << 24 | packRgb(pixels[i], pixels[i + 1], pixels[i + 2]));
    }
    return img;
}

std::unique_ptr<Bitmap> readBmp(const Bytes& f) {
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M' || readLe32(&f[14]) != 40) return nullptr;
    const auto width = static_cast<int32_t>(readLe32(&f[18]));
    const auto height = static_cast<int32_t>(readLe32(&f[22]));
    if (height >= 0 || readLe16(&f[26]) != 1 || readLe32(&f[30]) != 0) return nullptr;
    auto bmp = Bitmap::create(width, -height, readLe16(&f[28]), readLe32(&f[46]));
    if (!bmp) return nullptr;
    const uint32_t offBits = 54 + 4 * bmp->colorCount();
    if (readLe32(&f[10]) != offBits || readLe32(&f[2]) != f.size() || f.size() != offBits + bmp->byteSize()) {
        return nullptr;
    }
    for (uint32_t i = 0; i < bmp->colorCount(); ++i) {
        const uint8_t* q = &f[54 + 4 * i];
        bmp->colorTable[i] = RgbQuad{q[0], q[1], q[2], q[3]};
    }
    std::memcpy(bmp->bits(), &f[offBits], bmp->byteSize());
    return bmp;
}

void BitWriter::put(uint32_t value, int n) {
    for (int i = 0; i < n; ++i) {
        if (used == 8) {
            bytes.push_back(0);
            used = 0;
        }
        bytes.back() = static_cast<uint8_t>(bytes.back() | ((value >> i) & 1) << used++);
    }
}

void BitWriter::putCode(uint32_t code, int len) {
    for (int i = len - 1; i >= 0; --i) put(code >> i, 1);
}

}  // namespace vurk::test
