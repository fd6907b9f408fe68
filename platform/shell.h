// What the editor's behaviour asks of the window system.
//
// Handlers never talk to the toolkit directly: the application implements this
// interface with real windows, tests with a recording fake, and the command-line
// tool with one that prints to standard error.
#pragma once

#include <cstdint>
#include <string>

#include "platform/bitmap.h"

namespace vurk {

enum class BoxButtons { Ok, YesNo, YesNoCancel };
enum class BoxAnswer { Ok, Yes, No, Cancel };

// Which window owns a box or dialog: Dialog is the modal dialog open now. None
// leaves every window usable while it is open.
enum class BoxOwner { MainWindow, ScratchPad, Dialog, None };

enum class ScrollBar { Horizontal, Vertical };

// The modal dialogs the behaviour opens.
enum class DialogId {
    EditTileValue,
    FillValue,
    ChangeLevel,
    ChooseObject,  // Choose Item / Choose Victim
    MonsterEdit,
    MiscData,
    Bonus,
    Options,
    ClipboardViewer,
    About,
    FindReplace,
};

struct ClientPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// The autoscroll band along the inside of the map view's edges, in window pixels.
inline constexpr int32_t kAutoScrollBandPixels = 25;

class Shell {
public:
    virtual ~Shell() = default;

    // A modal message box; returns the button the user chose.
    virtual BoxAnswer messageBox(const std::string& text, const std::string& caption,
                                 BoxButtons buttons = BoxButtons::Ok,
                                 BoxOwner owner = BoxOwner::MainWindow) = 0;

    // The map window shows `canvas` with its pixel (originX, originY) at the
    // client's top-left corner, over the whole client area; what lies outside
    // the canvas shows the window's background. A shell without a map window
    // ignores this, and the two calls below.
    virtual void presentMap(const Bitmap& canvas, int32_t originX, int32_t originY) {
        (void)canvas, (void)originX, (void)originY;
    }
    // The map window's whole client area is to be painted again soon.
    virtual void invalidateMap() {}
    // The scratch pad window shows `pad` at the top-left of its client area.
    virtual void presentScratchPad(const Bitmap& pad) { (void)pad; }

    // A sheet that LoadPngBitmap read but could not decode (damaged image data,
    // no memory for the bitmap), a failure its boxes leave silent. The editor
    // shows nothing more; the command-line tool reports it as an error.
    virtual void sheetNotDecoded(const std::string& path, const std::string& why) { (void)path, (void)why; }

    // The main window's title.
    virtual void setMainTitle(const std::string& title) { (void)title; }
    // A scroll bar's range (0 to max; none when max is not positive) and position.
    virtual void setScrollBar(ScrollBar bar, int32_t max, int32_t pos) { (void)bar, (void)max, (void)pos; }
    virtual void setScrollPos(ScrollBar bar, int32_t pos) { (void)bar, (void)pos; }
    // Moves the window's pixels by (dx, dy); the canvas is presented right after.
    virtual void scrollWindow(int32_t dx, int32_t dy) { (void)dx, (void)dy; }
    // Timers of the main window, by id; starting a running timer restarts it.
    virtual void startTimer(int id, int periodMs) { (void)id, (void)periodMs; }
    virtual void killTimer(int id) { (void)id; }
    // A scroll request that runs after the current handler has returned.
    virtual void postScroll(ScrollBar bar, int request, int32_t amount) { (void)bar, (void)request, (void)amount; }
    // Whether Ctrl or Shift is held now, and whether Scroll Lock is toggled on.
    virtual bool ctrlHeld() { return false; }
    virtual bool shiftHeld() { return false; }
    virtual bool scrollLockOn() { return false; }
    // The mouse pointer in the map view's client coordinates.
    virtual ClientPoint cursorPos() { return {-1, -1}; }
    // The autoscroll band's width in client coordinates: the client pixels
    // that kAutoScrollBandPixels window pixels show, more when zoomed out.
    virtual int32_t autoScrollBand() { return kAutoScrollBandPixels; }
    virtual void showScratchPad() {}
    // Closes the main window, which ends the program.
    virtual void destroyMainWindow() {}
    // Asks for a folder, opening in `startFolder`; returns the folder chosen,
    // or "" when the user chose none.
    virtual std::string chooseFolder(const std::string& title, const std::string& startFolder) {
        (void)title, (void)startFolder;
        return {};
    }
    // Runs a modal dialog owned by `owner`; returns when it has closed.
    virtual void openDialog(DialogId id, BoxOwner owner, int32_t param) { (void)id, (void)owner, (void)param; }
};

}  // namespace vurk
