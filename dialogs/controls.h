// The controls the dialogs share. Each control carries its template id as its
// object name, so tests and accessibility tools can find it.
#pragma once

#include <QString>

class QDialog;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vurk {

struct OkCancel {
    QPushButton* ok;      // id 1, the default button, accepts
    QPushButton* cancel;  // id 2, rejects
};
OkCancel makeOkCancel(QDialog* dialog);

// The width a window needs for its whole title in the window manager's title
// bar: the title in a bold face plus room for the frame's icon and buttons.
int titleBarWidth(const QString& title);

// Widens the dialogs and message boxes that open, while it is installed on the
// application, so that no title is cut off.
void installTitleFitter();

// Runs a dialog or message box until it closes, modal to the window that owns
// it (the main window, the scratch pad or a dialog): the other window still
// takes clicks and keys meanwhile. One without an owner blocks every window.
int execModal(QDialog& dialog);

// A field that takes digits only, up to `maxChars` of them (0: no limit).
QLineEdit* makeNumberField(QWidget* parent, const char* id, int maxChars, const QString& text);

}  // namespace vurk
