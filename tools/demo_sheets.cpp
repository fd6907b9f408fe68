#include "tools/demo_sheets.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>

#include "view/editor_state.h"
#include "view/game_tables.h"

namespace vurk::demo {

namespace {

// ---- Labels ------------------------------------------------------------------

// "Dr. Tongue" -> "DT", "Plant 2" -> "P2", "Squirtgun" -> "Sq".
QString initials(const QString& name) {
    const QStringList words = name.split(' ', Qt::SkipEmptyParts);
    if (words.size() == 1) return words[0].left(2);
    QString out;
    for (const QString& w : words) out += w[0];
    return out;
}

QFont labelFont(int pixels) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(pixels >= 9);
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

// Writes the lines centred in `box` at the largest size from 12 pixels down to
// 6 at which they fit; when the names do not fit even then, their initials.
void drawLabel(QPainter& p, const QRect& box, const QStringList& names, const QColor& colour) {
    QStringList shortNames;
    for (const QString& n : names) shortNames << initials(n);
    const QStringList* const candidates[] = {&names, &shortNames};
    for (const QStringList* lines : candidates) {
        for (int px = 12; px >= 6; --px) {
            const QFont f = labelFont(px);
            const QFontMetrics fm(f);
            const int lineH = fm.ascent() + fm.descent();
            bool fits = lineH * lines->size() <= box.height() + 2;
            for (const QString& l : *lines) fits = fits && fm.horizontalAdvance(l) <= box.width();
            if (!fits && !(lines == &shortNames && px == 6)) continue;
            p.setFont(f);
            p.setPen(colour);
            const int top = box.top() + (box.height() - lineH * static_cast<int>(lines->size())) / 2;
            for (int i = 0; i < lines->size(); ++i) {
                p.drawText(QRect(box.left(), top + i * lineH, box.width(), lineH), Qt::AlignCenter, (*lines)[i]);
            }
            return;
        }
    }
}

// Black or white, whichever reads better on `c`.
QColor textColourOn(const QColor& c) {
    return c.red() * 299 + c.green() * 587 + c.blue() * 114 > 150000 ? QColor(Qt::black) : QColor(Qt::white);
}

// A colour of its own for figure n.
QColor figureColour(int n) { return QColor::fromHsv((n * 47) % 360, 170, 235); }

// ---- Figures -----------------------------------------------------------------

enum class Shape { Person, Monster, Gem };

// The figure on a transparent image of its size, drawn without smoothing so
// that every pixel is either covered or not.
QImage drawFigure(int w, int h, Shape shape, const QColor& colour, const QStringList& names) {
    QImage fig(w, h, QImage::Format_ARGB32);
    fig.fill(Qt::transparent);
    QPainter p(&fig);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(colour.darker(170), 1));
    p.setBrush(colour);
    QRect label(1, 1, w - 2, h - 2);
    switch (shape) {
    case Shape::Person: {
        // A round head on a body with rounded shoulders.
        const int head = std::max(4, std::min(w - 2, h / 3));
        p.drawEllipse((w - head) / 2, 0, head - 1, head - 1);
        p.drawRoundedRect(QRect(0, head - 1, w - 1, h - head), w / 4, w / 4);
        label = QRect(1, head, w - 2, h - head - 1);
        break;
    }
    case Shape::Monster: {
        p.drawRoundedRect(QRect(0, 0, w - 1, h - 1), w / 3, h / 4);
        if (w >= 14 && h >= 20) {  // two eyes over the name
            const int e = std::max(2, w / 7);
            p.setBrush(Qt::white);
            p.setPen(Qt::NoPen);
            p.drawRect(w / 2 - e - 2, 2, e, e);
            p.drawRect(w / 2 + 2, 2, e, e);
            label = QRect(1, e + 3, w - 2, h - e - 4);
        }
        break;
    }
    case Shape::Gem: {
        QPainterPath path;
        path.moveTo(w / 2.0, 0);
        path.lineTo(w - 1, h / 2.0);
        path.lineTo(w / 2.0, h - 1);
        path.lineTo(0, h / 2.0);
        path.closeSubpath();
        p.drawPath(path);
        break;
    }
    }
    drawLabel(p, label, names, textColourOn(colour));
    return fig;
}

// Puts a figure at `pic` and its mask at `maskX`: picture black and mask white
// where the tiles show through, the figure's colours over a black mask elsewhere.
void putMasked(QImage& sheet, const QRect& pic, int maskX, const QImage& fig) {
    for (int y = 0; y < pic.height(); ++y) {
        for (int x = 0; x < pic.width(); ++x) {
            const QRgb f = fig.pixel(x, y);
            const bool covered = qAlpha(f) >= 128;
            sheet.setPixel(pic.x() + x, pic.y() + y, covered ? (f | 0xFF000000u) : 0xFF000000u);
            sheet.setPixel(maskX + x, pic.y() + y, covered ? 0xFF000000u : 0xFFFFFFFFu);
        }
    }
}

// An opaque square: background, a darker frame and the names.
void putOpaque(QImage& sheet, const QRect& r, const QColor& colour, const QStringList& names) {
    QPainter p(&sheet);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(colour.darker(170));
    p.setBrush(colour);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    drawLabel(p, r.adjusted(1, 1, -1, -1), names, textColourOn(colour));
}

QImage blackSheet(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::black);
    return img;
}

// ---- Monster sheet layout ------------------------------------------------------

struct MonsterPicture {
    QRect pic;
    int maskX = 0;
    std::vector<size_t> rows;  // MonsterSpriteTable rows drawn with it; none for the default

    QStringList names() const {
        if (rows.empty()) return {QStringLiteral("?")};
        std::vector<size_t> sorted = rows;
        std::sort(sorted.begin(), sorted.end());
        QStringList out;
        for (size_t row : sorted) out << QString::fromUtf8(MonsterSpriteTable[row].name);
        return out;
    }
};

struct MonsterLayout {
    std::vector<QRect> rectEntries;                // by MonsterRectTable index; empty when absent
    std::array<std::vector<MonsterPicture>, 2> columns;  // otm, rsm
};

QRect maskRect(const QRect& pic, int maskX) { return QRect(maskX, pic.y(), pic.width(), pic.height()); }

const MonsterLayout& monsterLayout() {
    static const MonsterLayout layout = [] {
        MonsterLayout m;
        std::vector<QRect> taken;  // pictures and masks placed so far
        auto overlaps = [&](const QRect& r) {
            return std::any_of(taken.begin(), taken.end(), [&](const QRect& t) { return t.intersects(r); });
        };
        for (const SheetRect& e : MonsterRectTable) {
            if (e.right <= e.left || e.bottom <= e.top) {
                m.rectEntries.emplace_back();
                continue;
            }
            const QRect pic(e.left, e.top, e.right - e.left, e.bottom - e.top);
            m.rectEntries.push_back(pic);
            taken.push_back(pic);
            taken.push_back(maskRect(pic, e.right + 1));
        }
        for (int32_t list = 0; list < 2; ++list) {
            const int32_t x = list == kOtmList ? kOtmSheetX : kRsmSheetX;
            auto& column = m.columns[list];
            auto place = [&](const MonsterGeometry& g, std::optional<size_t> row) {
                const QRect pic(x, g.srcY, g.width, g.height);
                for (MonsterPicture& existing : column) {
                    if (existing.pic == pic) {  // the same picture under another name
                        if (row) existing.rows.push_back(*row);
                        return;
                    }
                }
                const int maskX = x + g.width + 1;
                if (overlaps(pic) || overlaps(maskRect(pic, maskX))) return;
                taken.push_back(pic);
                taken.push_back(maskRect(pic, maskX));
                MonsterPicture p{pic, maskX, {}};
                if (row) p.rows.push_back(*row);
                column.push_back(p);
            };
            auto placeRow = [&](size_t row) {
                const MonsterSprite& s = MonsterSpriteTable[row];
                place(list == kOtmList ? s.otm : s.rsm, row);
            };
            if (list == kOtmList) {
                place(kDefaultMonster, std::nullopt);
                for (size_t row = 0; row < MonsterSpriteTable.size(); ++row) placeRow(row);
            } else {
                for (size_t row = MonsterSpriteTable.size(); row-- > 0;) placeRow(row);
                place(kDefaultMonster, std::nullopt);
            }
        }
        return m;
    }();
    return layout;
}

// ---- Tile sheets -----------------------------------------------------------------

struct TilesetLook {
    int hue;
    int saturation;
    enum Pattern { Stripes, Bricks, Checks, Grid, Dots } pattern;
};

// Grass, Castle, Mall, Office, Desert/Cave/Beach: the sheets' order.
constexpr std::array<TilesetLook, 5> kLooks = {{
    {105, 150, TilesetLook::Stripes},
    {230, 40, TilesetLook::Bricks},
    {320, 110, TilesetLook::Checks},
    {205, 90, TilesetLook::Grid},
    {35, 150, TilesetLook::Dots},
}};

void drawTile(QPainter& p, int sheet, int t) {
    const TilesetLook& look = kLooks[sheet];
    const int x0 = 64 * (t & 15), y0 = 64 * (t >> 4);
    // The low nibble turns the hue a little, the high nibble sets the lightness.
    const QColor base = QColor::fromHsv((look.hue + 4 * ((t & 15) - 8) + 360) % 360, look.saturation,
                                        110 + 9 * (t >> 4));
    const QColor line = base.darker(150);
    p.save();
    p.setClipRect(x0, y0, 64, 64);
    p.fillRect(x0, y0, 64, 64, base);
    p.setPen(QPen(line, 2));
    p.setBrush(line);
    switch (look.pattern) {
    case TilesetLook::Stripes:
        for (int d = -64; d < 64; d += 12) p.drawLine(x0 + d, y0 + 64, x0 + d + 64, y0);
        break;
    case TilesetLook::Bricks:
        for (int row = 0; row < 4; ++row) {
            const int y = y0 + 16 * row;
            p.drawLine(x0, y, x0 + 64, y);
            for (int x = (row % 2) * 16; x < 64; x += 32) p.drawLine(x0 + x, y, x0 + x, y + 16);
        }
        break;
    case TilesetLook::Checks:
        for (int cy = 0; cy < 4; ++cy)
            for (int cx = (cy % 2); cx < 4; cx += 2) p.fillRect(x0 + 16 * cx, y0 + 16 * cy, 16, 16, line);
        break;
    case TilesetLook::Grid:
        p.setPen(QPen(line, 1));
        for (int d = 0; d < 64; d += 16) {
            p.drawLine(x0 + d, y0, x0 + d, y0 + 64);
            p.drawLine(x0, y0 + d, x0 + 64, y0 + d);
        }
        break;
    case TilesetLook::Dots:
        p.setPen(Qt::NoPen);
        for (int cy = 0; cy < 4; ++cy)
            for (int cx = 0; cx < 4; ++cx) p.drawEllipse(QPoint(x0 + 8 + 16 * cx + (cy % 2) * 4, y0 + 8 + 16 * cy), 3, 3);
        break;
    }
    // The tile's edge, then its index on a plate in the middle.
    p.setPen(QPen(base.darker(220), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(x0, y0, 63, 63);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 170));
    p.drawRoundedRect(QRect(x0 + 14, y0 + 20, 36, 24), 5, 5);
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.setPen(base.lighter(160));
    p.drawText(QRect(x0 + 14, y0 + 20, 36, 24), Qt::AlignCenter, QString::asprintf("%02X", t));
    p.restore();
}

}  // namespace

QImage tileSheet(int sheet) {
    QImage img = blackSheet(kTileSheetSide, kTileSheetSide);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    for (int t = 0; t < 256; ++t) drawTile(p, sheet, t);
    return img;
}

QImage itemSheet() {
    QImage img = blackSheet(16 * kItemSpriteSize, 2 * kItemSpriteSize);
    for (size_t i = 0; i < kItemNames.size(); ++i) {
        const SheetPoint at = itemSpriteOrigin(itemTypeOfRow(i));
        putOpaque(img, QRect(at.x, at.y, kItemSpriteSize, kItemSpriteSize), figureColour(static_cast<int>(i)),
                  {QString::fromUtf8(kItemNames[i])});
    }
    return img;
}

QImage victimSheet() {
    QImage img = blackSheet(128, 648);
    int n = 0;
    for (const VictimSprite& v : VictimSpriteTable) {
        const QRect pic(v.srcX, v.srcY, v.width, v.height);
        if (v.maskX < 0) {  // the player starts
            const bool first = v.code == kStart1Code;
            putOpaque(img, pic, first ? QColor(40, 90, 230) : QColor(230, 60, 40), {first ? "P1" : "P2"});
        } else {
            putMasked(img, pic, v.maskX,
                      drawFigure(v.width, v.height, Shape::Person, figureColour(n + 3), {QString::fromUtf8(v.name)}));
        }
        ++n;
    }
    return img;
}

QImage monsterSheet() {
    QImage img = blackSheet(416, 840);
    const MonsterLayout& m = monsterLayout();
    int n = 0;
    for (const auto& column : m.columns) {
        for (const MonsterPicture& p : column) {
            putMasked(img, p.pic, p.maskX,
                      drawFigure(p.pic.width(), p.pic.height(), Shape::Monster, figureColour(n++ * 3), p.names()));
        }
    }
    for (size_t i = 0; i < m.rectEntries.size(); ++i) {
        const QRect& r = m.rectEntries[i];
        if (r.isEmpty()) continue;
        putMasked(img, r, r.right() + 2,
                  drawFigure(r.width(), r.height(), Shape::Gem, figureColour(static_cast<int>(i) * 5 + 1),
                             {QStringLiteral("R%1").arg(i)}));
    }
    return img;
}

std::vector<size_t> monsterRowsInColumn(int32_t list) {
    std::vector<size_t> rows;
    for (const MonsterPicture& p : monsterLayout().columns.at(list == kRsmList ? 1 : 0)) {
        rows.insert(rows.end(), p.rows.begin(), p.rows.end());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<size_t> presentRectEntries() {
    std::vector<size_t> entries;
    const auto& rects = monsterLayout().rectEntries;
    for (size_t i = 0; i < rects.size(); ++i)
        if (!rects[i].isEmpty()) entries.push_back(i);
    return entries;
}

}  // namespace vurk::demo
