#include "app/tile_overlay.h"

#include <QImage>
#include <QPainter>
#include <QPen>

#include "view/tile_tools.h"

namespace vurk {

namespace {

QRect cellsRect(const CellRect& r) {
    return QRect(r.column * kCellSize, r.row * kCellSize, r.columns * kCellSize, r.rows * kCellSize);
}

// A dashed frame that shows on any tile: white dashes over a black line.
void frame(QPainter& p, const QRect& r, const QColor& colour) {
    const QRect inner = r.adjusted(1, 1, -2, -2);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 3));
    p.drawRect(inner);
    QPen dashes(colour, 1, Qt::DashLine);
    p.setPen(dashes);
    p.drawRect(inner);
}

void paintStamp(QPainter& p, const EditorState& s) {
    const TileStamp& stamp = s.tiles.stamp;
    const CellRect placed = clipToMap(s, {s.tiles.placeColumn, s.tiles.placeRow, stamp.columns, stamp.rows});
    if (placed.empty()) return;
    const Bitmap* sheet = s.TileSheet.bitmap();
    if (sheet && sheet->biBitCount == 32) {
        const QImage image(sheet->bits(), sheet->width(), sheet->height(), static_cast<qsizetype>(sheet->pitch()),
                           QImage::Format_RGB32);
        p.setOpacity(0.7);
        for (int32_t row = placed.row; row < placed.row + placed.rows; ++row) {
            for (int32_t column = placed.column; column < placed.column + placed.columns; ++column) {
                const size_t i = size_t(row - s.tiles.placeRow) * size_t(stamp.columns) +
                                 size_t(column - s.tiles.placeColumn);
                const uint8_t t = stamp.tiles[i];
                p.drawImage(QPoint(column * kCellSize, row * kCellSize), image,
                            QRect((t & 15) * kCellSize, (t >> 4) * kCellSize, kCellSize, kCellSize));
            }
        }
        p.setOpacity(1.0);
    }
    frame(p, cellsRect(placed), Qt::yellow);
}

}  // namespace

void paintTileOverlay(QPainter& p, const EditorState& s) {
    if (!s.levelLoaded) return;
    p.save();
    p.translate(-s.viewX, -s.viewY);
    const TileTools& t = s.tiles;
    if (s.editMode == kModeBg) {
        const CellRect selection = clipToMap(s, t.selection);
        if (!selection.empty()) frame(p, cellsRect(selection), Qt::cyan);
        if (t.placing) paintStamp(p, s);
    } else if (t.marking) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::black, 4));
        p.drawEllipse(QPoint(t.markX, t.markY), 28, 28);
        p.setPen(QPen(Qt::yellow, 2));
        p.drawEllipse(QPoint(t.markX, t.markY), 28, 28);
    }
    p.restore();
}

}  // namespace vurk
