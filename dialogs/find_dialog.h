// Find and Replace: finds cells by tile value and objects by kind, lists
// them, steps through them on the map, and replaces tile values in the level
// or in the selection.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "platform/shell.h"
#include "view/tile_tools.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vurk {

// Enters an edit mode and, for Monster mode, a list (the main window's way).
using ModeSwitch = std::function<void(int32_t mode, int32_t list)>;

class FindDialog : public QDialog {
public:
    FindDialog(EditorState& s, Shell& shell, QWidget* parent, ModeSwitch switchMode);

    // Lists what the kind and value name now.
    void find();
    // Shows the hit at `row` of the list on the map.
    void showRow(int row);
    // Asks with the count first, then replaces; returns the count replaced.
    int32_t replace();

    QComboBox* kindBox() const { return kind_; }
    QSpinBox* tileBox() const { return tile_; }
    QComboBox* objectBox() const { return object_; }
    QSpinBox* replacementBox() const { return replacement_; }
    QRadioButton* selectionOnly() const { return selectionOnly_; }
    QListWidget* list() const { return list_; }
    const std::vector<FindHit>& hits() const { return hits_; }

private:
    FindKind kind() const;
    uint32_t value() const;
    void kindChanged();
    void step(int by);
    // "Selection" is offered only while there is one; otherwise the whole
    // level is meant.
    void offerSelection();

    EditorState& s_;
    Shell& shell_;
    ModeSwitch switchMode_;
    std::vector<FindHit> hits_;
    QComboBox* kind_;
    QSpinBox* tile_;
    QComboBox* object_;
    QListWidget* list_;
    QLabel* count_;
    QSpinBox* replacement_;
    QRadioButton* wholeLevel_;
    QRadioButton* selectionOnly_;
    QPushButton* replaceButton_;
};

void runFindReplace(EditorState& s, Shell& shell, QWidget* parent, ModeSwitch switchMode);

}  // namespace vurk
