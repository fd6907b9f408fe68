// Edit Tile Value, Fill Value and Change Level: one number field, OK, Cancel.
#pragma once

#include <QDialog>
#include <string>

#include "platform/shell.h"
#include "view/editor_state.h"
#include "view/tile_edit.h"

class QLineEdit;

namespace vurk {

// The field's text as an unsigned number, as the dialogs read it: digits only,
// an empty field is 0, and a number too large for 32 bits wraps.
uint32_t fieldNumber(const std::string& text);

// What OK does in each dialog, given the field's text.
void applyEditTileValue(EditorState& s, Shell& shell, TileTarget target, const std::string& text);
void applyFillValue(EditorState& s, Shell& shell, const std::string& text);
void applyChangeLevel(EditorState& s, Shell& shell, const std::string& text);

// The dialog window: field (id 1000), OK (id 1), Cancel (id 2). Each control
// carries its id as its object name.
class NumberDialog : public QDialog {
public:
    NumberDialog(QWidget* parent, const QString& title, int maxChars, uint32_t value);
    std::string text() const;

private:
    QLineEdit* field_;
};

// Opens the dialogs modally and applies OK. `owner` names the window that
// opened Edit Tile Value: the main window edits the map, the pad the pad.
void runEditTileValue(EditorState& s, Shell& shell, QWidget* parent, BoxOwner owner);
void runFillValue(EditorState& s, Shell& shell, QWidget* parent);
void runChangeLevel(EditorState& s, Shell& shell, QWidget* parent);

}  // namespace vurk
