// Decoding a tile sheet: the editor's PNG decoder against libpng, on the same
// file in the same run. Prints milliseconds per decode and the ratio.
#include <png.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <vector>

#include "png/png_decoder.h"
#include "platform/files.h"

namespace {

class QuietShell : public vurk::Shell {
public:
    vurk::BoxAnswer messageBox(const std::string& text, const std::string&, vurk::BoxButtons,
                               vurk::BoxOwner) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return vurk::BoxAnswer::Ok;
    }
};

// A 1024 x 1024 sheet of 256 numbered tiles, like the editor's tile sheets.
QImage tileSheet() {
    QImage image(1024, 1024, QImage::Format_RGB888);
    QPainter p(&image);
    for (int t = 0; t < 256; ++t) {
        const int x = 64 * (t & 15), y = 64 * (t >> 4);
        p.fillRect(x, y, 64, 64, QColor::fromHsv((t * 7) % 360, 160, 80 + (t >> 4) * 10));
        for (int i = 0; i < 64; i += 8) p.fillRect(x + i, y, 4, 64, QColor::fromHsv((t * 7) % 360, 120, 200));
        p.setPen(Qt::white);
        p.drawText(QRect(x, y, 64, 64), Qt::AlignCenter, QString::asprintf("%02X", t));
    }
    return image;
}

template <typename F>
double millisecondsPerRun(int runs, F&& f) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) f();
    const std::chrono::duration<double, std::milli> d = std::chrono::steady_clock::now() - start;
    return d.count() / runs;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/tiles.png").toStdString();
    if (!tileSheet().save(QString::fromStdString(path))) return 1;
    std::vector<uint8_t> file;
    vurk::readWholeFile(path, file, UINT64_MAX);

    QuietShell shell;
    const int runs = 20;
    const double ours = millisecondsPerRun(runs, [&] {
        if (!vurk::LoadPngBitmap(path, shell)) std::exit(1);
    });
    const double peer = millisecondsPerRun(runs, [&] {
        // Reads the file too, as the editor's decoder does.
        std::vector<uint8_t> bytes;
        vurk::readWholeFile(path, bytes, UINT64_MAX);
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) std::exit(1);
        image.format = PNG_FORMAT_BGR;
        std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) std::exit(1);
    });
    std::printf("tile sheet 1024 x 1024, %zu bytes, %d runs\n", file.size(), runs);
    std::printf("vurk decoder: %.2f ms   libpng: %.2f ms   ratio: %.2f\n", ours, peer, ours / peer);
    return 0;
}
