#include "app/view_tools.h"

#include <QActionGroup>
#include <QDockWidget>
#include <QImage>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "app/editor_windows.h"
#include "app/tile_overlay.h"
#include "app/handlers.h"
#include "view/level_loader.h"
#include "view/tile_picker.h"

namespace vurk {

// ---- Map view: zoom and grid --------------------------------------------------
QPoint MapView::toClient(QPoint widgetPoint) const {
    return {windowToLevel(widgetPoint.x(), zoom_), windowToLevel(widgetPoint.y(), zoom_)};
}

QSize MapView::clientSize() const { return {levelSpan(width(), zoom_), levelSpan(height(), zoom_)}; }

void MapView::setZoom(int32_t percent) {
    if (!isZoomLevel(percent) || percent == zoom_) return;
    EditorState& s = app_.state;
    // What stays put on the screen: the selected cell's centre while it is in
    // view, else the middle of the part of the level in view.
    const int32_t cellX = s.selX + kCellSize / 2, cellY = s.selY + kCellSize / 2;
    const bool cellShown =
        cellX >= s.viewX && cellX < s.viewX + s.clientW && cellY >= s.viewY && cellY < s.viewY + s.clientH;
    const auto middle = [](int32_t origin, int32_t client, int32_t map) {
        return (origin + std::max(origin, std::min(origin + client, map))) / 2;
    };
    const int32_t anchorX =
        cellShown ? cellX : middle(s.viewX, s.clientW, static_cast<int32_t>(s.mapWidth) * kCellSize);
    const int32_t anchorY =
        cellShown ? cellY : middle(s.viewY, s.clientH, static_cast<int32_t>(s.mapHeight) * kCellSize);
    const int32_t x = originKeeping(anchorX, s.viewX, zoom_, percent);
    const int32_t y = originKeeping(anchorY, s.viewY, zoom_, percent);
    zoom_ = percent;
    const QSize c = clientSize();
    onSize(s, app_, static_cast<uint16_t>(c.width()), static_cast<uint16_t>(c.height()));
    scrollViewTo(s, app_, x, y);
    app_.refreshMap();
}

void MapView::setGrid(bool on) {
    grid_ = on;
    update();
}

// The tile tools' marks and the grid are drawn over the widget, never into
// the canvas.
void MapView::paintEvent(QPaintEvent* event) {
    CanvasView::paintEvent(event);
    const EditorState& s = app_.state;
    QPainter p(this);
    p.save();
    p.scale(zoom_ / 100.0, zoom_ / 100.0);
    paintTileOverlay(p, s);
    p.restore();
    if (!grid_ || !s.levelLoaded) return;
    // Dashes of black on white show on light and dark tiles alike.
    QPen pen(Qt::black, 1, Qt::CustomDashLine);
    pen.setDashPattern({3, 3});
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(Qt::white);
    p.setPen(pen);
    const int32_t mapW = static_cast<int32_t>(s.mapWidth) * kCellSize;
    const int32_t mapH = static_cast<int32_t>(s.mapHeight) * kCellSize;
    const int right = std::min(levelToWindow(mapW - s.viewX, zoom_), width()) - 1;
    const int bottom = std::min(levelToWindow(mapH - s.viewY, zoom_), height()) - 1;
    for (int32_t lx = s.viewX / kCellSize * kCellSize; lx < mapW; lx += kCellSize) {
        const int x = levelToWindow(lx - s.viewX, zoom_);
        if (x > right) break;
        if (x >= 0) p.drawLine(x, 0, x, bottom);
    }
    for (int32_t ly = s.viewY / kCellSize * kCellSize; ly < mapH; ly += kCellSize) {
        const int y = levelToWindow(ly - s.viewY, zoom_);
        if (y > bottom) break;
        if (y >= 0) p.drawLine(0, y, right, y);
    }
}

void MapView::leaveEvent(QEvent* event) {
    CanvasView::leaveEvent(event);
    app_.pointer = {};
    app_.showPointer();
}

// ---- Main window: View menu and tile picker -----------------------------------
void MainWindow::buildViewTools() {
    auto* dock = new QDockWidget("Tile Picker", this);
    dock->setObjectName("tilePicker");
    picker_ = new TilePicker(app_);
    dock->setWidget(picker_);
    dock->setFocusPolicy(Qt::NoFocus);
    addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->hide();

    QMenu* view = menuBar()->addMenu("View");
    auto add = [&](const QString& text, QList<QKeySequence> keys) {
        QAction* a = view->addAction(text);
        a->setShortcuts(keys);
        a->setMenuRole(QAction::NoRole);
        return a;
    };
    auto* zoomIn = add("Zoom In", {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    auto* zoomOut = add("Zoom Out", {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    auto* actual = add("Actual Size", {QKeySequence(Qt::CTRL | Qt::Key_0)});
    view->addSeparator();
    auto* group = new QActionGroup(this);
    for (int32_t percent : kZoomLevels) {
        QAction* a = add(QString("%1%").arg(percent), {});
        a->setObjectName(QString("zoom%1").arg(percent));
        a->setCheckable(true);
        a->setChecked(percent == kDefaultZoom);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, percent] { setZoom(percent); });
    }
    connect(zoomIn, &QAction::triggered, this, [this] { setZoom(stepZoom(mapView_->zoom(), 1)); });
    connect(zoomOut, &QAction::triggered, this, [this] { setZoom(stepZoom(mapView_->zoom(), -1)); });
    connect(actual, &QAction::triggered, this, [this] { setZoom(kDefaultZoom); });
    view->addSeparator();
    grid_ = add("Grid", {QKeySequence(Qt::Key_G)});
    grid_->setCheckable(true);
    connect(grid_, &QAction::toggled, mapView_, &MapView::setGrid);
    QAction* pickerEntry = dock->toggleViewAction();
    pickerEntry->setText("Tile Picker");
    pickerEntry->setShortcut(QKeySequence(Qt::Key_F6));
    pickerEntry->setMenuRole(QAction::NoRole);
    view->addAction(pickerEntry);
}

void MainWindow::setZoom(int32_t percent) {
    mapView_->setZoom(percent);
    if (QAction* a = findChild<QAction*>(QString("zoom%1").arg(mapView_->zoom()))) a->setChecked(true);
}

ViewSettings MainWindow::viewSettings() const {
    return {mapView_->zoom(), grid_->isChecked(), picker_->parentWidget()->isVisible()};
}

void MainWindow::applyViewSettings(const ViewSettings& view) {
    setZoom(view.zoom);
    grid_->setChecked(view.grid);
    picker_->parentWidget()->setVisible(view.picker);
}

// ---- Tile picker -----------------------------------------------------------------
TilePicker::TilePicker(EditorWindows& app) : app_(app) {
    setObjectName("tilePickerGrid");
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setMinimumSize(kSheetTiles * 8, kSheetTiles * 8);
}

QSize TilePicker::sizeHint() const { return {kSheetTiles * 16, kSheetTiles * 16}; }

int TilePicker::tileSide() const { return std::max(1, std::min(width(), height()) / kSheetTiles); }

int TilePicker::tileAt(QPoint p) const {
    const int side = tileSide();
    if (p.x() < 0 || p.y() < 0 || p.x() >= side * kSheetTiles || p.y() >= side * kSheetTiles) return -1;
    return p.y() / side * kSheetTiles + p.x() / side;
}

void TilePicker::paintEvent(QPaintEvent*) {
    EditorState& s = app_.state;
    if (s.TileSheet.bitmap() != drawnFrom_ || !sheet_.bitmap()) {
        drawTilePicker(s, sheet_);
        drawnFrom_ = s.TileSheet.bitmap();
    }
    QPainter p(this);
    p.fillRect(rect(), QColor(128, 128, 128));
    const Bitmap* b = sheet_.bitmap();
    if (!b) return;
    const int side = tileSide();
    const QImage image(b->bits(), b->width(), b->height(), static_cast<qsizetype>(b->pitch()), QImage::Format_RGB32);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRect(0, 0, side * kSheetTiles, side * kSheetTiles), image);
    // The current clipboard slot's tile.
    const uint8_t current = s.clipboard.tiles[s.clipboard.index % s.clipboard.tiles.size()];
    const QRect r((current % kSheetTiles) * side, (current / kSheetTiles) * side, side, side);
    p.setPen(QPen(Qt::black, 3));
    p.drawRect(r.adjusted(1, 1, -2, -2));
    p.setPen(QPen(Qt::yellow, 1));
    p.drawRect(r.adjusted(1, 1, -2, -2));
}

void TilePicker::mousePressEvent(QMouseEvent* event) {
    const int tile = tileAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || tile < 0) return;
    pickTile(app_.state, static_cast<uint8_t>(tile));
    update();
}

void TilePicker::mouseDoubleClickEvent(QMouseEvent* event) {
    const int tile = tileAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || tile < 0) return;
    pickTileIntoCell(app_.state, app_, static_cast<uint8_t>(tile));
    update();
}

void TilePicker::mouseMoveEvent(QMouseEvent* event) {
    const int tile = tileAt(event->position().toPoint());
    app_.pointer = tile < 0 ? PointerSpot{} : PointerSpot{PointerSpot::Over::Picker, 0, 0, static_cast<uint8_t>(tile)};
    app_.showPointer();
}

void TilePicker::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    app_.pointer = {};
    app_.showPointer();
}

}  // namespace vurk
