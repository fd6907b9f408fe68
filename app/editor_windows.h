// The editor's windows on Qt: the main window with its menu, map view and
// scroll bars, the scratch pad window, and the Shell that connects the
// behaviour to them.
#pragma once

#include <QList>
#include <QMainWindow>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>

#include "app/workspace.h"
#include "platform/shell.h"
#include "view/editor_state.h"
#include "view/status_text.h"
#include "view/zoom.h"

class QKeyEvent;
class QLabel;
class QScrollBar;
class QAction;
class QDockWidget;

namespace vurk {

class EditorWindows;
class TilePicker;
struct ViewSettings;

// The outer rectangle for a window that the settings put at (x, y) with size
// w x h: on the screen area it overlaps most (the first one when it overlaps
// none), no larger than that area and inside it. Any values are safe.
QRect placeOnScreens(int32_t x, int32_t y, int32_t w, int32_t h, const QList<QRect>& screens);

// Shows the visible part of a bitmap: the map canvas or the pad surface.
class CanvasView : public QWidget {
public:
    explicit CanvasView(QWidget* parent);
    void show(const Bitmap* bitmap, int32_t originX, int32_t originY);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Window pixels per 100 bitmap pixels.
    int32_t zoom_ = kDefaultZoom;

private:
    const Bitmap* bitmap_ = nullptr;
    int32_t originX_ = 0;
    int32_t originY_ = 0;
};

class MapView : public CanvasView {
public:
    MapView(QWidget* parent, EditorWindows& app);
    // The one place where window pixels become level pixels: a point of the
    // widget as a client point of the behaviour, and the client size.
    QPoint toClient(QPoint widgetPoint) const;
    QSize clientSize() const;
    int32_t zoom() const { return zoom_; }
    // Keeps the level point at the middle of the view where it was.
    void setZoom(int32_t percent);
    bool grid() const { return grid_; }
    void setGrid(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    EditorWindows& app_;
    bool grid_ = false;
};

class MainWindow : public QMainWindow {
public:
    explicit MainWindow(EditorWindows& app);
    MapView* mapView() const { return mapView_; }
    QScrollBar* scrollBar(ScrollBar bar) const;
    QAction* undoAction() const { return undo_; }
    QAction* redoAction() const { return redo_; }
    QLabel* statusLabel() const { return status_; }
    TilePicker* tilePicker() const { return picker_; }
    QAction* gridAction() const { return grid_; }
    // The View menu's zoom and grid, and whether the tile picker shows.
    void setZoom(int32_t percent);
    ViewSettings viewSettings() const;
    void applyViewSettings(const ViewSettings& view);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    // The View menu and the tile picker's dock (app/view_tools.cpp).
    void buildViewTools();
    EditorWindows& app_;
    MapView* mapView_;
    QScrollBar* hBar_;
    QScrollBar* vBar_;
    QAction* undo_ = nullptr;
    QAction* redo_ = nullptr;
    QLabel* status_;
    TilePicker* picker_ = nullptr;
    QAction* grid_ = nullptr;
};

class ScratchPadWindow : public QWidget {
public:
    explicit ScratchPadWindow(EditorWindows& app);
    CanvasView* view() const { return view_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    static constexpr int kPadOuterW = 512, kPadOuterH = 410;
    EditorWindows& app_;
    CanvasView* view_;
    bool framed_ = false;
};

// The program: the state, the windows and the Shell they offer the behaviour.
class EditorWindows : public Shell {
public:
    EditorWindows();
    ~EditorWindows() override;

    // Start-up after the windows exist; returns false when the program must end
    // at once (the image could not be mapped).
    bool start();

    EditorState state;
    // Keeps the workspace folder chosen last, for a start outside any workspace.
    std::filesystem::path workspaceMemory = lastWorkspaceFile();
    MainWindow* main() { return main_; }
    ScratchPadWindow* pad() { return pad_; }

    // Toolkit key code to the key codes the behaviour uses; 0 for none.
    static int keyCode(const QKeyEvent* event);
    void toggleScrollLock() { scrollLock_ = !scrollLock_; }
    // Every key press of the windows, before it is handled.
    void keyPressed(const QKeyEvent* event);
    // A key release of the windows: runs its action now, a moment later, or
    // never when it turns out to be auto-repeat (see pendingRelease_).
    void keyReleased(const QKeyEvent* event, std::function<void()> action);
    // A wheel notch anywhere over the main window scrolls as over the map.
    void wheel(QWheelEvent* event);
    // Repaints the map view from the canvas and view origin of the state.
    void refreshMap();
    // Runs the destruction steps: settings, pad window, end of the loop.
    void destroyed();
    // Whether the main window may close now: asks about unsaved changes,
    // unless the close was already agreed to.
    bool mayClose();
    // The Edit menu's entries and the status bar, from the edit history.
    void showHistory();
    // What the pointer is over, for the status bar. Over the map, (x, y) is the
    // point in the map view's widget, turned into a level point when shown, so
    // the text follows scrolling and zooming under a pointer that stays put.
    PointerSpot pointer;
    // The status bar from the state and the pointer.
    void showPointer();

    // Shell
    BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxButtons buttons,
                         BoxOwner owner) override;
    void presentMap(const Bitmap& canvas, int32_t originX, int32_t originY) override;
    void invalidateMap() override;
    void presentScratchPad(const Bitmap& pad) override;
    void setMainTitle(const std::string& title) override;
    void setScrollBar(ScrollBar bar, int32_t max, int32_t pos) override;
    void setScrollPos(ScrollBar bar, int32_t pos) override;
    void startTimer(int id, int periodMs) override;
    void killTimer(int id) override;
    void postScroll(ScrollBar bar, int request, int32_t amount) override;
    bool ctrlHeld() override;
    bool shiftHeld() override;
    bool scrollLockOn() override;
    ClientPoint cursorPos() override;
    void showScratchPad() override;
    void destroyMainWindow() override;
    std::string chooseFolder(const std::string& title, const std::string& startFolder) override;
    void openDialog(DialogId id, BoxOwner owner, int32_t param) override;

private:
    QWidget* ownerWidget(BoxOwner owner);
    MainWindow* main_ = nullptr;
    ScratchPadWindow* pad_ = nullptr;
    std::map<int, QTimer*> timers_;
    // Held keys. Some X servers report auto-repeat as a release and a press of
    // the same key with one timestamp, without the auto-repeat flag. A release
    // of a key held long enough to repeat therefore waits a moment; a press of
    // that key with the release's timestamp drops it, so a key acts once, on
    // its real release.
    struct PendingRelease {
        quint32 key = 0;
        quint64 time = 0;
        Qt::KeyboardModifiers modifiers;
        std::function<void()> action;
    };
    void runPendingRelease();
    std::map<quint32, quint64> pressedAt_;
    PendingRelease pendingRelease_;
    QTimer releaseTimer_;
    // The modifiers of the release whose action runs late; ctrlHeld and
    // shiftHeld answer from them rather than from the keyboard now.
    std::optional<Qt::KeyboardModifiers> releaseModifiers_;
    bool scrollLock_ = false;
    bool destroyed_ = false;
    bool closeAgreed_ = false;
};

}  // namespace vurk
