// The surface operations that need a font or a curve. They are rendered without
// smoothing into a transparent scratch image and then written into the surface
// pixel by pixel, so only the pixels that the text or curve covers change.
#include <algorithm>

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>

#include "platform/surface.h"

namespace vurk {

namespace {

// Fonts need a GUI application. The editor has one; a program that draws
// without windows (the command-line tool, the tests) gets a window-less one.
void ensureFontAccess() {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vurk";
    static char* argv[] = {name, nullptr};
    // Kept for the rest of the run: fonts stay usable until the process ends.
    new QGuiApplication(argc, argv);
}

const QFont& labelFont() {
    static const QFont font = [] {
        // The font the install script provides, named: "monospace" follows
        // whatever fonts happen to be installed, and labels would change shape.
        QFont f(QStringLiteral("DejaVu Sans Mono"));
        f.setStyleHint(QFont::Monospace);
        f.setPixelSize(13);
        f.setBold(true);
        f.setStyleStrategy(QFont::NoAntialias);
        return f;
    }();
    return font;
}

// Marks in the scratch image: what the pen drew and what the brush filled.
constexpr QRgb kPenMark = 0xFFFF0000;
constexpr QRgb kFillMark = 0xFF0000FF;

// Curves in boxes larger than this are not drawn.
constexpr int64_t kMaxCurveBox = int64_t{1} << 20;

QImage scratchImage(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

}  // namespace

ShapePixels ellipsePixels(int32_t w, int32_t h, bool outline, bool fill, int32_t clipX, int32_t clipY, int32_t clipW,
                          int32_t clipH) {
    ShapePixels out;
    if (w < 1 || h < 1 || w > kMaxCurveBox || h > kMaxCurveBox) return out;
    out.width = w;
    out.height = h;
    const int32_t x0 = std::max(clipX, 0), y0 = std::max(clipY, 0);
    const int32_t x1 = static_cast<int32_t>(std::min<int64_t>(int64_t{clipX} + clipW, w));
    const int32_t y1 = static_cast<int32_t>(std::min<int64_t>(int64_t{clipY} + clipH, h));
    if (x0 >= x1 || y0 >= y1) return out;

    QImage img = scratchImage(x1 - x0, y1 - y0);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.translate(-x0, -y0);
        p.setBrush(fill ? QBrush(QColor::fromRgba(kFillMark)) : QBrush(Qt::NoBrush));
        if (outline) {
            QPen pen(QColor::fromRgba(kPenMark));
            pen.setWidth(0);  // one pixel, whatever the transformation
            p.setPen(pen);
        } else {
            p.setPen(Qt::NoPen);
        }
        p.drawEllipse(QRect(0, 0, w - 1, h - 1));
    }
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if (row[x] == kPenMark) out.pen.push_back({x0 + x, y0 + y});
            else if (row[x] == kFillMark) out.fill.push_back({x0 + x, y0 + y});
        }
    }
    return out;
}

ShapePixels textPixels(std::string_view text) {
    ShapePixels out;
    if (text.empty()) return out;
    ensureFontAccess();
    const QString s = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    const QFontMetrics metrics(labelFont());
    const int w = metrics.horizontalAdvance(s);
    const int h = metrics.height();
    if (w < 1 || h < 1) return out;
    out.width = w;
    out.height = h;
    QImage img = scratchImage(w, h);
    {
        QPainter p(&img);
        p.setFont(labelFont());
        p.setPen(QColor::fromRgba(kPenMark));
        p.drawText(0, metrics.ascent(), s);
    }
    for (int r = 0; r < h; ++r) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(r));
        for (int c = 0; c < w; ++c)
            if (qAlpha(row[c]) >= 128) out.pen.push_back({c, r});
    }
    return out;
}

}  // namespace vurk
