// Options (the four option flags), Clipboard Viewer (the current clipboard
// slot) and About.
#pragma once

#include <QDialog>
#include <QWidget>
#include <array>
#include <functional>

#include "view/editor_state.h"

class QListWidget;
class QToolButton;

namespace vurk {

inline constexpr std::array<const char*, 4> kOptionNames = {
    "Save Window Positions",
    "Start on last level worked on",
    "Start at Zeke's starting point",
    "Prompt for save before changing levels",
};

// The flags that the ticked entries make; every other bit is 0.
uint32_t optionFlags(const std::array<bool, 4>& ticked);

class OptionsDialog : public QDialog {
public:
    OptionsDialog(QWidget* parent, uint32_t flags);
    uint32_t flags() const;

private:
    QListWidget* list_;
};

// A horizontal up-down control: two arrow buttons and the arrow keys step a
// position that stays inside its range.
class UpDown : public QWidget {
public:
    UpDown(QWidget* parent, int minimum, int maximum, int position);
    int position() const { return position_; }
    void step(int delta);
    std::function<void(int)> onChange;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int minimum_, maximum_, position_;
};

class ClipboardViewer : public QDialog {
public:
    ClipboardViewer(QWidget* parent, EditorState& s);
    UpDown* upDown() const { return upDown_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // Only the close box ends the viewer: Escape does nothing.
    void keyPressEvent(QKeyEvent* event) override;

private:
    EditorState& s_;
    UpDown* upDown_;
};

class AboutDialog : public QDialog {
public:
    explicit AboutDialog(QWidget* parent);
    // Only the OK button closes the box: Escape and the close box end here.
    void reject() override {}
};

void runOptions(EditorState& s, QWidget* parent);
void runClipboardViewer(EditorState& s, QWidget* parent);
void runAbout(QWidget* parent);

}  // namespace vurk
