#include "app/editor_windows.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QUndoStack>
#include <QWheelEvent>
#include <algorithm>
#include <functional>
#include <memory>
#include <filesystem>

#include "app/handlers.h"
#include "app/settings.h"
#include "app/view_tools.h"
#include "dialogs/controls.h"
#include "app/workspace.h"
#include "dialogs/dialogs.h"
#include "dialogs/find_dialog.h"
#include "view/edit_history.h"
#include "view/level_loader.h"
#include "view/map_canvas.h"
#include "view/tile_edit.h"

namespace vurk {

namespace {

uint32_t mouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
    uint32_t f = 0;
    if (buttons & Qt::LeftButton) f |= kMkLButton;
    if (buttons & Qt::RightButton) f |= kMkRButton;
    if (buttons & Qt::MiddleButton) f |= kMkMButton;
    if (mods & Qt::ShiftModifier) f |= kMkShift;
    if (mods & Qt::ControlModifier) f |= kMkControl;
    return f;
}

const QColor kBackground(128, 128, 128);  // the window class's grey

// The frame's width and height added to the client area; zero until the
// window manager's frame is known.
QSize frameExtra(const QWidget* w) { return w->frameGeometry().size() - w->size(); }

// Places a window so that its outer (frame) rectangle is `outer`. The frame's
// margins are known only some time after the window is shown; call again then.
void placeOuter(QWidget* w, const QRect& outer) {
    const QSize extra = frameExtra(w);
    w->resize(std::max(1, outer.width() - extra.width()), std::max(1, outer.height() - extra.height()));
    w->move(outer.topLeft());
}

// Only X11 window managers frame a window after it is shown, and Qt learns the
// frame's size later still; elsewhere the frame is known at once.
bool frameArrivesLater() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

// Calls `step` every few milliseconds until it returns true or `limitMs` have
// passed, then `then`. Lets a window be corrected once its frame arrives
// without blocking the event loop.
void pollUntil(QWidget* owner, int limitMs, std::function<bool()> step, std::function<void()> then) {
    auto* timer = new QTimer(owner);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, owner, [=] {
        if (!step() && clock->elapsed() < limitMs) return;
        timer->stop();
        timer->deleteLater();
        then();
    });
    timer->start(10);
}

// Runs `before` at every mouse press in the program, before the press is
// handled anywhere.
class BeforeClicks : public QObject {
public:
    BeforeClicks(QObject* parent, std::function<void()> before) : QObject(parent), before_(std::move(before)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) before_();
        return false;
    }

private:
    std::function<void()> before_;
};

// How long to wait for a window manager's frame or maximised size; without a
// window manager neither comes, and the start goes on after this.
constexpr int kFrameWaitMs = 500;

QRect centredOnScreen(QSize size) {
    QRect r(QPoint(0, 0), size);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect g = screen->geometry();
        r.moveTopLeft(QPoint((g.width() - size.width()) >> 1, (g.height() - size.height()) >> 1));
    }
    return r;
}

// The screens' usable areas, the primary screen's first.
QList<QRect> availableScreenAreas() {
    QList<QRect> areas;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) areas << primary->availableGeometry();
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) areas << screen->availableGeometry();
    }
    return areas;
}

}  // namespace

QRect placeOnScreens(int32_t x, int32_t y, int32_t w, int32_t h, const QList<QRect>& screens) {
    // The file's values may be anything, so all of this is 64-bit.
    const int64_t width = std::max<int64_t>(w, 1), height = std::max<int64_t>(h, 1);
    auto overlap = [&](const QRect& s) -> int64_t {
        const int64_t ox = std::min<int64_t>(x + width, int64_t{s.x()} + s.width()) - std::max<int64_t>(x, s.x());
        const int64_t oy = std::min<int64_t>(y + height, int64_t{s.y()} + s.height()) - std::max<int64_t>(y, s.y());
        return ox > 0 && oy > 0 ? ox * oy : 0;
    };
    QRect area(0, 0, 640, 480);  // no screen known: a small area at the origin
    int64_t best = -1;
    for (const QRect& s : screens) {
        if (s.isEmpty()) continue;
        if (const int64_t o = overlap(s); o > best) {
            best = o;
            area = s;
        }
    }
    const int64_t cw = std::min<int64_t>(width, area.width()), ch = std::min<int64_t>(height, area.height());
    const int64_t cx = std::clamp<int64_t>(x, area.x(), int64_t{area.x()} + area.width() - cw);
    const int64_t cy = std::clamp<int64_t>(y, area.y(), int64_t{area.y()} + area.height() - ch);
    return QRect(static_cast<int>(cx), static_cast<int>(cy), static_cast<int>(cw), static_cast<int>(ch));
}

// ---------------------------------------------------------------------------
CanvasView::CanvasView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void CanvasView::show(const Bitmap* bitmap, int32_t originX, int32_t originY) {
    bitmap_ = bitmap;
    originX_ = originX;
    originY_ = originY;
    update();
}

void CanvasView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    if (!bitmap_ || bitmap_->biBitCount != 32) return;
    // Only what lies inside the bitmap is copied; the rest shows the background.
    QImage image(bitmap_->bits(), bitmap_->width(), bitmap_->height(), static_cast<qsizetype>(bitmap_->pitch()),
                 QImage::Format_RGB32);
    // The bitmap pixels that the widget's pixels show.
    const QSize shown(windowToLevel(width() - 1, zoom_) + 1, windowToLevel(height() - 1, zoom_) + 1);
    QRect source = QRect(QPoint(originX_, originY_), shown).intersected(image.rect());
    if (source.isEmpty()) return;
    if (zoom_ != kDefaultZoom) {
        p.scale(zoom_ / 100.0, zoom_ / 100.0);
        p.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < kDefaultZoom);
    }
    p.drawImage(source.topLeft() - QPoint(originX_, originY_), image, source);
}

// ---------------------------------------------------------------------------
MapView::MapView(QWidget* parent, EditorWindows& app) : CanvasView(parent), app_(app) {
    // Moves without a button name what is under the pointer, and a stamp
    // being placed follows it.
    setMouseTracking(true);
}

void MapView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QSize c = clientSize();
    onSize(app_.state, app_, static_cast<uint16_t>(c.width()), static_cast<uint16_t>(c.height()));
    app_.refreshMap();
}

void MapView::mousePressEvent(QMouseEvent* event) {
    const QPoint p = toClient(event->position().toPoint());
    const auto x = static_cast<uint16_t>(p.x()), y = static_cast<uint16_t>(p.y());
    if (event->button() == Qt::LeftButton) {
        onLeftButtonDown(app_.state, app_, x, y, mouseFlags(event->buttons(), event->modifiers()));
    } else if (event->button() == Qt::RightButton) {
        onRightButtonDown(app_.state, app_, x, y);
    }
}

void MapView::mouseMoveEvent(QMouseEvent* event) {
    QPoint w = event->position().toPoint();
    // Moves outside the view reach it only through the toolkit's grab; the
    // object follows the pointer only inside it, and a selection reaches the
    // view's edge nearest the pointer.
    if (!rect().contains(w)) {
        if (!app_.state.tiles.selecting) return;
        w = QPoint(std::clamp(w.x(), 0, width() - 1), std::clamp(w.y(), 0, height() - 1));
    }
    const QPoint p = toClient(w);
    app_.pointer = {PointerSpot::Over::Map, w.x(), w.y(), 0};
    app_.showPointer();
    onMouseMove(app_.state, app_, static_cast<uint16_t>(p.x()), static_cast<uint16_t>(p.y()),
                mouseFlags(event->buttons(), event->modifiers()));
}

void MapView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) onLeftButtonUp(app_.state, app_);
}

void MapView::wheelEvent(QWheelEvent* event) { app_.wheel(event); }

void EditorWindows::wheel(QWheelEvent* event) {
    // Only the vertical wheel scrolls; a tilt (horizontal) wheel does nothing.
    const int delta = event->angleDelta().y();
    // Zoomed out, a notch moves the view as far on the screen as at 100%.
    const int notches = std::max(1, kDefaultZoom / main_->mapView()->zoom());
    for (int i = 0; i < notches && delta != 0; ++i) {
        onWheel(state, *this, static_cast<int16_t>(delta), mouseFlags(event->buttons(), event->modifiers()));
    }
    event->accept();
}

// ---------------------------------------------------------------------------
MainWindow::MainWindow(EditorWindows& app) : app_(app) {
    setObjectName("VURKLevelEditor");
    setWindowTitle("VURK-Edit - BG edit mode");
    buildMenu();
    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    mapView_ = new MapView(central, app);
    hBar_ = new QScrollBar(Qt::Horizontal, central);
    vBar_ = new QScrollBar(Qt::Vertical, central);
    for (QScrollBar* bar : {hBar_, vBar_}) {
        bar->setFocusPolicy(Qt::NoFocus);
        // The wheel acts as over the map, without the bar's own wheel scrolling.
        bar->installEventFilter(this);
        bar->setSingleStep(16);
        bar->setPageStep(8);
        const ScrollBar which = bar == hBar_ ? ScrollBar::Horizontal : ScrollBar::Vertical;
        connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar, which](int action) {
            int request = kScrollEnd;
            switch (action) {
            case QAbstractSlider::SliderSingleStepSub:
                request = kScrollLineUp;
                break;
            case QAbstractSlider::SliderSingleStepAdd:
                request = kScrollLineDown;
                break;
            case QAbstractSlider::SliderPageStepSub:
                request = kScrollPageUp;
                break;
            case QAbstractSlider::SliderPageStepAdd:
                request = kScrollPageDown;
                break;
            case QAbstractSlider::SliderMove:
                request = kScrollThumbTrack;
                break;
            default:
                break;
            }
            onScroll(app_.state, app_, which, request, bar->sliderPosition(), 0);
            // The handler decides the position; the bar shows it.
            bar->setSliderPosition(which == ScrollBar::Horizontal ? app_.state.viewX : app_.state.viewY);
        });
        connect(bar, &QAbstractSlider::sliderReleased, this,
                [this, which] { onScroll(app_.state, app_, which, kScrollThumbPosition, 0, 0); });
    }
    grid->addWidget(mapView_, 0, 0);
    grid->addWidget(vBar_, 0, 1);
    grid->addWidget(hBar_, 1, 0);
    setCentralWidget(central);
    buildViewTools();
    // The level, its size and whether it is modified, under the map view; the
    // map view's client area lies between the menu bar, the scroll bars and it.
    status_ = new QLabel(this);
    status_->setObjectName("status");
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(status_, 1);
    menuBar()->installEventFilter(this);
    statusBar()->installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);
}

QScrollBar* MainWindow::scrollBar(ScrollBar bar) const {
    return bar == ScrollBar::Horizontal ? hBar_ : vBar_;
}

void MainWindow::buildMenu() {
    struct Entry {
        const char* text;
        int id;  // 0: separator
    };
    const std::pair<const char*, std::vector<Entry>> menus[] = {
        {"File", {{"Open Rom...", kCmdOpenRom}, {"Save...", kCmdSave}, {nullptr, 0}, {"Exit", kCmdExit}}},
        {"Mode",
         {{"BG Edit", kCmdBgEdit},
          {"Item Edit", kCmdItemEdit},
          {"Victim Edit", kCmdVictimEdit},
          {"Moster Edit", kCmdMonsterEdit}}},
        {"Misc",
         {{"Change Level", kCmdChangeLevel},
          {"Misc Data", kCmdMiscData},
          {"Bonus Editor", kCmdBonusEditor},
          {"Options", kCmdOptions}}},
        {"Help", {{"Contents", kCmdContents}, {nullptr, 0}, {"About", kCmdAbout}}},
        // Its entries are named after the steps they take (showHistory).
        {"Edit", {{"Undo", kCmdUndo}, {"Redo", kCmdRedo}}},
        // The keys work in BG mode; an entry enters BG mode first.
        {"Tiles",
         {{"Select All\tCtrl+A", kCmdSelectAll},
          {"Copy Stamp\tCtrl+D", kCmdCopyStamp},
          {"Paste Stamp\tCtrl+T", kCmdPasteStamp},
          {"Cancel Stamp or Selection\tEsc", kCmdCancelTool},
          {nullptr, 0},
          {"Fill Selection\tF", kCmdFillSelection},
          {"Flood Fill\tR", kCmdFloodFill},
          {"Stamp Scratch Pad\tS in the pad", kCmdStampPad},
          {nullptr, 0},
          {"Find and Replace...\tCtrl+F", kCmdFindReplace}}},
    };
    for (const auto& [title, entries] : menus) {
        QMenu* menu = menuBar()->addMenu(title);
        for (const Entry& e : entries) {
            if (!e.text) {
                menu->addSeparator();
                continue;
            }
            QAction* a = menu->addAction(e.text);
            a->setObjectName(QString::number(e.id));
            a->setMenuRole(QAction::NoRole);
            const int id = e.id;
            connect(a, &QAction::triggered, this, [this, id] { onCommand(app_.state, app_, id); });
            if (id == kCmdUndo) undo_ = a;
            if (id == kCmdRedo) redo_ = a;
        }
    }
}

bool MainWindow::event(QEvent* event) {
    // The keypad's steps act with Ctrl as without: the toolkit would match
    // Ctrl+keypad + and - to the zoom entries, which keep to the main row.
    if (event->type() == QEvent::ShortcutOverride) {
        switch (EditorWindows::keyCode(static_cast<QKeyEvent*>(event))) {
        case kKeyPadAdd:
        case kKeyPadSubtract:
        case kKeyPadMultiply:
        case kKeyPadDivide:
            event->accept();
            return true;
        default:
            break;
        }
    }
    return QMainWindow::event(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        app_.wheel(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// What the map, the bars, the menu bar and the status bar leave of the window.
void MainWindow::wheelEvent(QWheelEvent* event) { app_.wheel(event); }

void MainWindow::keyPressEvent(QKeyEvent* event) {
    app_.keyPressed(event);
    if (event->key() == Qt::Key_ScrollLock && !event->isAutoRepeat()) app_.toggleScrollLock();
    if (int key = EditorWindows::keyCode(event)) onKeyDown(app_.state, app_, key);
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
    if (int key = EditorWindows::keyCode(event)) {
        app_.keyReleased(event, [this, key] {
            onKeyUp(app_.state, app_, key);
            picker_->update();  // a key may have changed the clipboard
        });
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!app_.mayClose()) {
        event->ignore();
        return;
    }
    app_.destroyed();
    event->accept();
}

// ---------------------------------------------------------------------------
ScratchPadWindow::ScratchPadWindow(EditorWindows& app) : QWidget(nullptr, Qt::Window), app_(app) {
    setObjectName("VURKScratchPad");
    setWindowTitle("Scratch Pad");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    view_ = new CanvasView(this);
    view_->setGeometry(0, 0, kPadPixels, kPadPixels);
    view_->setAttribute(Qt::WA_TransparentForMouseEvents);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    setPalette(pal);
    // A fixed size: no resizing border and no maximise button.
    setFixedSize(kPadOuterW, kPadOuterH);
    setFocusPolicy(Qt::StrongFocus);
}

void ScratchPadWindow::keyPressEvent(QKeyEvent* event) {
    app_.keyPressed(event);
    if (event->key() == Qt::Key_ScrollLock && !event->isAutoRepeat()) app_.toggleScrollLock();
    if (int key = EditorWindows::keyCode(event)) onPadKeyDown(app_.state, app_, key);
}

void ScratchPadWindow::keyReleaseEvent(QKeyEvent* event) {
    if (int key = EditorWindows::keyCode(event)) {
        app_.keyReleased(event, [this, key] {
            onPadKeyUp(app_.state, app_, key);
            app_.main()->tilePicker()->update();  // C and P in the pad use the clipboard too
        });
    }
}

void ScratchPadWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    if (p.x() < 0 || p.y() < 0) return;
    onPadLeftButtonDown(app_.state, app_, static_cast<uint16_t>(p.x()), static_cast<uint16_t>(p.y()));
}

void ScratchPadWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The pad's outer size is fixed, frame included: shrink the client area
    // by the frame once the window manager has added it.
    if (!framed_ && frameArrivesLater()) {
        framed_ = true;
        pollUntil(this, kFrameWaitMs, [this] { return !frameExtra(this).isNull(); },
                  [this] { setFixedSize(QSize(kPadOuterW, kPadOuterH) - frameExtra(this)); });
    }
    onPadShown(app_.state);
    presentScratchPad(app_.state, app_);
}

void ScratchPadWindow::closeEvent(QCloseEvent* event) {
    // The close box only hides the pad.
    event->ignore();
    hide();
}

// ---------------------------------------------------------------------------
EditorWindows::EditorWindows() {
    installTitleFitter();
    releaseTimer_.setSingleShot(true);
    QObject::connect(&releaseTimer_, &QTimer::timeout, [this] { runPendingRelease(); });
    main_ = new MainWindow(*this);
    pad_ = new ScratchPadWindow(*this);
    // A key released just before a click acts before the click (on the map,
    // the pad, the picker, a menu or a bar), never after it or inside a
    // dialog the click opens.
    qApp->installEventFilter(new BeforeClicks(main_, [this] { runPendingRelease(); }));
    createScratchPad(state);
    placeOuter(main_, centredOnScreen(QSize(600, 400)));
    QUndoStack& stack = undoStack(state);
    QObject::connect(&stack, &QUndoStack::indexChanged, main_, [this] { showHistory(); });
    QObject::connect(&stack, &QUndoStack::cleanChanged, main_, [this] { showHistory(); });
    showHistory();
}

EditorWindows::~EditorWindows() {
    releaseTimer_.stop();
    for (auto& [id, timer] : timers_) delete timer;
    delete pad_;
    delete main_;
}

bool EditorWindows::start() {
    // Outside any workspace (started from the desktop menu, say) the folder is
    // asked for first: the settings are read from the folder chosen.
    offerWorkspaceChoice(*this, workspaceMemory);
    StartSettings settings = readStartSettings();
    state.options = settings.options;
    state.currentLevel = static_cast<uint32_t>(settings.level);
    state.restorePoints.keep = settings.backupKeep;
    // Outer size 600 x 400 centred, unless the settings place the window.
    const QRect outer = settings.placeWindow
                            ? placeOnScreens(settings.x, settings.y, settings.w, settings.h, availableScreenAreas())
                            : centredOnScreen(QSize(600, 400));
    placeOuter(main_, outer);
    main_->showNormal();
    placeOuter(main_, outer);
    main_->activateWindow();
    main_->setFocus();
    main_->applyViewSettings(settings.view);
    // A note leaves the editor usable while it is read.
    if (!settings.note.empty()) messageBox(settings.note, "VURK-Edit", BoxButtons::Ok, BoxOwner::None);

    // Started outside any workspace: one box says where it looked and what
    // belongs there, in place of a box for each missing file.
    std::error_code e;
    if (!holdsWorkspace(".")) {
        const std::string folder = std::filesystem::current_path(e).string();
        messageBox("There is no VURK-Edit workspace in " + folder +
                       "\n\nStart VURK-Edit in the folder that holds vurk.smc and the tiles folder "
                       "(items.png, victims.png, monsters.png and tiles00.png to tiles04.png).",
                   kErrorCaption, BoxButtons::Ok, BoxOwner::MainWindow);
        return true;
    }
    loadSpriteSheets(state, *this);
    switch (openRomImage(state.rom)) {
    case RomOpenResult::CannotOpen:
        messageBox("Could not find vurk.smc", kErrorCaption, BoxButtons::Ok, BoxOwner::MainWindow);
        return true;
    case RomOpenResult::Locked:  // the text names the holder
        messageBox(state.rom.file.errorText(), kErrorCaption, BoxButtons::Ok, BoxOwner::MainWindow);
        return true;
    case RomOpenResult::Failed:
        messageBox(state.rom.file.errorText(), kErrorCaption, BoxButtons::Ok, BoxOwner::MainWindow);
        return false;
    case RomOpenResult::Ok:
        break;
    }
    if (!state.rom.file.recoveryNote().empty()) {
        messageBox(state.rom.file.recoveryNote(), kUnfinishedSaveCaption, BoxButtons::Ok, BoxOwner::MainWindow);
    }
    // The first level is loaded for the client size the user sees: once the
    // window has its frame and, when it was kept maximised, its maximised size.
    auto loadFirst = [this] {
        state.clientW = main_->mapView()->clientSize().width();
        state.clientH = main_->mapView()->clientSize().height();
        loadLevel(state, *this, state.currentLevel);
    };
    if (!frameArrivesLater()) {
        if (settings.maximize) main_->showMaximized();
        loadFirst();
        return true;
    }
    auto applied = std::make_shared<QSize>(0, 0);
    auto frameKnown = [this, outer, applied] {
        const QSize extra = frameExtra(main_);
        if (extra != *applied) {
            *applied = extra;
            placeOuter(main_, outer);
        }
        // Window managers may put the window elsewhere (their own placement),
        // so the size alone says the frame has been taken into account.
        return !extra.isNull() && main_->frameGeometry().size() == outer.size();
    };
    const bool maximize = settings.maximize;
    pollUntil(main_, kFrameWaitMs, frameKnown, [this, maximize, loadFirst] {
        if (!maximize) return loadFirst();
        const QSize normal = main_->size();
        main_->showMaximized();
        pollUntil(main_, kFrameWaitMs, [this, normal] { return main_->size() != normal; }, loadFirst);
    });
    return true;
}

namespace {

// No keyboard repeats sooner than this after a press: a release within it acts at once.
constexpr quint64 kShortestRepeatDelayMs = 100;
// How long a release of a held key waits for the press that would make it auto-repeat.
constexpr int kRepeatPressWaitMs = 40;

// The physical key where the window system names it, else the toolkit key.
quint32 physicalKey(const QKeyEvent* event) {
    return event->nativeScanCode() ? event->nativeScanCode() : static_cast<quint32>(event->key()) | 0x80000000u;
}

}  // namespace

void EditorWindows::keyPressed(const QKeyEvent* event) {
    const quint32 key = physicalKey(event);
    if (pendingRelease_.action) {
        if (pendingRelease_.key == key && pendingRelease_.time == event->timestamp()) {
            // The release was auto-repeat: the key is still held since its first press.
            releaseTimer_.stop();
            pendingRelease_ = {};
            return;
        }
        // Another key: the waiting release acts first, in its order.
        runPendingRelease();
    }
    if (!event->isAutoRepeat()) pressedAt_[key] = event->timestamp();
}

void EditorWindows::keyReleased(const QKeyEvent* event, std::function<void()> action) {
    if (event->isAutoRepeat()) return;
    runPendingRelease();
    const quint32 key = physicalKey(event);
    auto pressed = pressedAt_.find(key);
    const bool mayRepeat =
        pressed == pressedAt_.end() || event->timestamp() - pressed->second >= kShortestRepeatDelayMs;
    if (!mayRepeat) {
        pressedAt_.erase(pressed);
        // Ctrl and Shift as they were at the release, as for a late one.
        releaseModifiers_ = event->modifiers();
        action();
        releaseModifiers_.reset();
        return;
    }
    pendingRelease_ = {key, event->timestamp(), event->modifiers(), std::move(action)};
    releaseTimer_.start(kRepeatPressWaitMs);
}

void EditorWindows::runPendingRelease() {
    releaseTimer_.stop();
    if (!pendingRelease_.action) return;
    PendingRelease release = std::move(pendingRelease_);
    pendingRelease_ = {};
    pressedAt_.erase(release.key);
    releaseModifiers_ = release.modifiers;
    release.action();
    releaseModifiers_.reset();
}

int EditorWindows::keyCode(const QKeyEvent* event) {
    const int k = event->key();
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    if (keypad) {
        switch (k) {
        case Qt::Key_Plus:
            return kKeyPadAdd;
        case Qt::Key_Minus:
            return kKeyPadSubtract;
        case Qt::Key_Asterisk:
            return kKeyPadMultiply;
        case Qt::Key_Slash:
            return kKeyPadDivide;
        default:
            break;
        }
    }
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return k;  // the same codes
    // The digit row counts by its key, not the character it gives: Shift+1
    // is 1, and so is the 1 key of layouts whose digits need Shift. X and
    // Wayland number the row's keys 10 (the 1 key) to 19 (the 0 key).
    const quint32 scan = event->nativeScanCode();
    if (scan >= 10 && scan <= 19 && !keypad) return scan == 19 ? '0' : static_cast<int>('1' + (scan - 10));
    if (k >= Qt::Key_0 && k <= Qt::Key_9 && !keypad) return k;
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return kKeyF1 + (k - Qt::Key_F1);
    if (k == Qt::Key_Home) return kKeyHome;
    if (k >= Qt::Key_Left && k <= Qt::Key_Down) return kKeyLeft + (k - Qt::Key_Left);
    if (k == Qt::Key_Plus || k == Qt::Key_Equal) return kKeyPlus;
    if (k == Qt::Key_Minus) return kKeyMinus;
    if (k == Qt::Key_Escape) return kKeyEscape;
    if (k == Qt::Key_Return || k == Qt::Key_Enter) return kKeyReturn;
    return 0;
}

void EditorWindows::destroyed() {
    if (destroyed_) return;
    destroyed_ = true;
    for (auto& [id, timer] : timers_) timer->stop();
    const QRect frame = main_->frameGeometry();
    WindowAtExit w;
    w.left = frame.left();
    w.top = frame.top();
    w.right = frame.left() + frame.width();
    w.bottom = frame.top() + frame.height();
    w.maximized = main_->isMaximized();
    w.minimized = main_->isMinimized();
    w.view = main_->viewSettings();
    int32_t level = static_cast<int32_t>(state.currentLevel);
    writeExitSettings(w, state.options, level);
    state.currentLevel = static_cast<uint32_t>(level);
    pad_->hide();
    QCoreApplication::quit();
}

bool EditorWindows::mayClose() { return closeAgreed_ || destroyed_ || onCloseRequest(state, *this); }

void EditorWindows::showHistory() {
    QUndoStack& stack = undoStack(state);
    auto entry = [](QAction* a, const char* verb, bool can, const QString& what, const char* key) {
        a->setText(QString(verb) + (can ? " " + what : QString()) + "\t" + key);
        a->setEnabled(can);
    };
    entry(main_->undoAction(), "Undo", stack.canUndo(), stack.undoText(), "Ctrl+Z");
    entry(main_->redoAction(), "Redo", stack.canRedo(), stack.redoText(), "Ctrl+Y");
    showPointer();
    // The picker frames the current clipboard slot.
    main_->tilePicker()->update();
}

void EditorWindows::showPointer() {
    PointerSpot spot = pointer;
    if (spot.over == PointerSpot::Over::Map) {
        const QPoint p = main_->mapView()->toClient(QPoint(spot.x, spot.y));
        spot.x = state.viewX + p.x();
        spot.y = state.viewY + p.y();
    }
    main_->statusLabel()->setText(QString::fromStdString(statusBarText(state, spot)));
}

QWidget* EditorWindows::ownerWidget(BoxOwner owner) {
    switch (owner) {
    case BoxOwner::MainWindow:
        return main_;
    case BoxOwner::ScratchPad:
        return pad_;
    case BoxOwner::Dialog:
        return QApplication::activeModalWidget() ? QApplication::activeModalWidget() : main_;
    case BoxOwner::None:
        break;
    }
    return nullptr;
}

BoxAnswer EditorWindows::messageBox(const std::string& text, const std::string& caption, BoxButtons buttons,
                                    BoxOwner owner) {
    if (owner == BoxOwner::None && buttons == BoxButtons::Ok) {
        // A box without an owner leaves every window usable while it is open.
        auto* box = new QMessageBox(QMessageBox::NoIcon, QString::fromStdString(caption),
                                    QString::fromStdString(text), QMessageBox::Ok);
        box->setTextFormat(Qt::PlainText);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        box->show();
        return BoxAnswer::Ok;
    }
    QMessageBox box(ownerWidget(owner));
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    box.setTextFormat(Qt::PlainText);
    switch (buttons) {
    case BoxButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case BoxButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case BoxButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    const int answer = execModal(box);
    if (buttons == BoxButtons::Ok) return BoxAnswer::Ok;
    if (answer == QMessageBox::Yes) return BoxAnswer::Yes;
    // Escape and the close box cancel where there is a Cancel button.
    if (buttons == BoxButtons::YesNoCancel && answer != QMessageBox::No) return BoxAnswer::Cancel;
    return BoxAnswer::No;
}

// The view paints from the state itself, so a canvas replaced meanwhile (or
// none at all) is never read stale.
void EditorWindows::refreshMap() {
    vurk::presentMap(state, *this);
    // A level load shows itself here; the status bar names the level.
    showHistory();
}

void EditorWindows::presentMap(const Bitmap& canvas, int32_t originX, int32_t originY) {
    main_->mapView()->show(&canvas, originX, originY);
    showHistory();
}

void EditorWindows::invalidateMap() { refreshMap(); }

void EditorWindows::presentScratchPad(const Bitmap&) { pad_->view()->show(state.PadSurface.bitmap(), 0, 0); }

void EditorWindows::setMainTitle(const std::string& title) { main_->setWindowTitle(QString::fromStdString(title)); }

void EditorWindows::setScrollBar(ScrollBar which, int32_t max, int32_t pos) {
    QScrollBar* bar = main_->scrollBar(which);
    QSignalBlocker block(bar);
    bar->setRange(0, std::max(0, max));
    bar->setValue(pos);
    bar->setEnabled(max > 0);
}

void EditorWindows::setScrollPos(ScrollBar which, int32_t pos) {
    QScrollBar* bar = main_->scrollBar(which);
    QSignalBlocker block(bar);
    bar->setValue(pos);
}

void EditorWindows::startTimer(int id, int periodMs) {
    QTimer*& timer = timers_[id];
    if (!timer) {
        timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [this, id] {
            if (id == kAutoScrollTimer) onAutoScrollTimer(state, *this);
            else if (id == kHighlightTimer) onHighlightTimer(state, *this);
        });
    }
    timer->start(std::max(periodMs, 10));
}

void EditorWindows::killTimer(int id) {
    auto it = timers_.find(id);
    if (it != timers_.end()) it->second->stop();
}

void EditorWindows::postScroll(ScrollBar bar, int request, int32_t amount) {
    QMetaObject::invokeMethod(
        main_, [this, bar, request, amount] { onScroll(state, *this, bar, request, 0, amount); },
        Qt::QueuedConnection);
}

bool EditorWindows::ctrlHeld() {
    return releaseModifiers_.value_or(QGuiApplication::queryKeyboardModifiers()) & Qt::ControlModifier;
}

bool EditorWindows::shiftHeld() {
    return releaseModifiers_.value_or(QGuiApplication::queryKeyboardModifiers()) & Qt::ShiftModifier;
}

bool EditorWindows::scrollLockOn() { return scrollLock_; }

ClientPoint EditorWindows::cursorPos() {
    const QPoint p = main_->mapView()->toClient(main_->mapView()->mapFromGlobal(QCursor::pos()));
    return {p.x(), p.y()};
}

void EditorWindows::showScratchPad() {
    pad_->showNormal();
    pad_->raise();
}

void EditorWindows::destroyMainWindow() {
    closeAgreed_ = true;
    main_->close();
}

std::string EditorWindows::chooseFolder(const std::string& title, const std::string& startFolder) {
    // No owner: it comes before the main window is shown.
    QFileDialog dialog(nullptr, QString::fromStdString(title), QFile::decodeName(startFolder.c_str()));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (execModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

void EditorWindows::openDialog(DialogId id, BoxOwner owner, int32_t param) {
    if (id == DialogId::FindReplace) {
        runFindReplace(state, *this, main_, [this](int32_t mode, int32_t list) { showModeAndList(state, *this, mode, list); });
        return;
    }
    runDialog(state, *this, ownerWidget(owner), id, owner, param);
}

}  // namespace vurk
