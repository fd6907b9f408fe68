// What the editor's behaviour asks of the window system.
//
// Handlers never talk to the toolkit directly: the application implements this
// interface with real windows, tests with a recording fake, and the command-line
// tool with one that prints to standard error.
#pragma once

#include <string>

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
};

}  // namespace vurk
