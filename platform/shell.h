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

enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

// Which window owns a box. None leaves every window usable while it is open.
enum class BoxOwner { MainWindow, ScratchPad, None };

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
};

}  // namespace vurk
