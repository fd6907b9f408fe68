// Choose Item / Choose Victim and Monster Edit: the kind of the object that was
// right-clicked, and an rsm monster's radius and delay.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "view/editor_state.h"

class QComboBox;
class QLineEdit;

namespace vurk {

// What a kind dialog shows when it opens: the names in list order and the row
// of the object's kind, -1 for none.
struct KindChoice {
    std::string title;
    std::vector<std::string> names;
    int selected = -1;
};

// Choose Item (mode Item) or Choose Victim (mode Victim) for the selected object.
KindChoice chooseObjectChoice(const EditorState& s, int32_t mode);
// OK with row `row`; -1 (nothing chosen) leaves the kind as it is. Redraws the
// objects in place either way.
void applyChooseObject(EditorState& s, Shell& shell, int32_t mode, int row);

struct MonsterEditChoice {
    KindChoice kind;
    bool rsm = false;      // radius and delay are edited only on the rsm list
    std::string radius;    // the fields' texts
    std::string delay;
};

MonsterEditChoice monsterEditChoice(const EditorState& s);
// OK: a radius or delay above 255 leaves that value as it is; row -1 leaves
// the kind as it is.
void applyMonsterEdit(EditorState& s, Shell& shell, int row, const std::string& radius, const std::string& delay);

// The dialog windows; controls carry their ids as object names.
class ChooseObjectDialog : public QDialog {
public:
    ChooseObjectDialog(QWidget* parent, const KindChoice& choice);
    int row() const;

private:
    QComboBox* combo_;
};

class MonsterEditDialog : public QDialog {
public:
    MonsterEditDialog(QWidget* parent, const MonsterEditChoice& choice);
    int row() const;
    std::string radius() const;
    std::string delay() const;

private:
    QComboBox* combo_;
    QLineEdit* radius_;
    QLineEdit* delay_;
};

void runChooseObject(EditorState& s, Shell& shell, QWidget* parent, int32_t mode);
void runMonsterEdit(EditorState& s, Shell& shell, QWidget* parent);

}  // namespace vurk
