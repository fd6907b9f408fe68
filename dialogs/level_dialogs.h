// Misc. Data (tileset, background palette, music) and Bonus (the level's bonus
// list within its fixed number of slots).
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "view/editor_state.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace vurk {

struct MiscDataChoice {
    int tileset = -1;  // rows of the two lists, -1 for none
    int palette = -1;
    std::string music;  // the field's text
};

MiscDataChoice miscDataChoice(const EditorState& s);
// OK, as one step of the edit history. Rows of -1 leave their fields as they
// are; a music number outside 0 to 9 leaves the music. A new tileset asks
// whether to save (and, on No, whether to save unsaved changes), then reloads
// the level with the new tile sheet; a failed save or Cancel leaves the level
// as it was.
void applyMiscData(EditorState& s, Shell& shell, int tileset, int palette, const std::string& music);

// The rows a level's bonus list selects.
std::vector<bool> bonusChoice(const EditorState& s);
// Free slots left with this selection; negative when too many are chosen.
int bonusSlotsLeft(const EditorState& s, const std::vector<bool>& selected);
std::string bonusCounterText(int slotsLeft);
// OK: false, changing nothing, while too many are chosen; otherwise the codes
// of the chosen rows fill the slots in list order and 0 fills the rest.
bool applyBonus(EditorState& s, const std::vector<bool>& selected);

class MiscDataDialog : public QDialog {
public:
    MiscDataDialog(QWidget* parent, const MiscDataChoice& choice);
    int tileset() const;
    int palette() const;
    std::string music() const;
    // Runs before the dialog closes on OK, so that the questions it asks are
    // shown over the dialog, owned by it.
    std::function<void()> onOk;
    void accept() override;

private:
    QComboBox* tileset_;
    QComboBox* palette_;
    QLineEdit* music_;
};

class BonusDialog : public QDialog {
public:
    BonusDialog(QWidget* parent, EditorState& s);
    std::vector<bool> selection() const;
    QLabel* counter() const { return counter_; }

    void accept() override;

private:
    void selectionChanged();
    EditorState& s_;
    QListWidget* list_;
    QLabel* counter_;
};

void runMiscData(EditorState& s, Shell& shell, QWidget* parent);
void runBonus(EditorState& s, QWidget* parent);

}  // namespace vurk
