#include "dialogs/number_dialogs.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/controls.h"
#include "view/level_loader.h"
#include "view/map_canvas.h"
#include "view/objects.h"

namespace vurk {

uint32_t fieldNumber(const std::string& text) {
    uint32_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        n = n * 10 + static_cast<uint32_t>(c - '0');
    }
    return n;
}

void applyEditTileValue(EditorState& s, Shell& shell, TileTarget target, const std::string& text) {
    const auto value = static_cast<uint8_t>(fieldNumber(text));
    setSelectedTile(s, shell, value, target);
    storeInClipboard(s.clipboard, value);
}

void applyFillValue(EditorState& s, Shell& shell, const std::string& text) {
    fillScratchPad(s, static_cast<uint8_t>(fieldNumber(text)));
    redrawScratchPad(s);
    presentScratchPad(s, shell);
}

void applyChangeLevel(EditorState& s, Shell& shell, const std::string& text) {
    const uint32_t level = fieldNumber(text);
    if (level > 55) return;
    if (loadLevel(s, shell, level)) redrawScratchPad(s);
}

NumberDialog::NumberDialog(QWidget* parent, const QString& title, int maxChars, uint32_t value)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(title);
    field_ = makeNumberField(this, "1000", maxChars, QString::number(value));
    const auto [ok, cancel] = makeOkCancel(this);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(field_);
    layout->addLayout(buttons);
    setFixedWidth(200);
    field_->selectAll();
    field_->setFocus();
}

std::string NumberDialog::text() const { return field_->text().toStdString(); }

void runEditTileValue(EditorState& s, Shell& shell, QWidget* parent, BoxOwner owner) {
    const TileTarget target = owner == BoxOwner::MainWindow ? TileTarget::Map : TileTarget::Pad;
    NumberDialog d(parent, "Edit Tile Value (0-255)", 3, selectedTile(s, target));
    if (execModal(d) == QDialog::Accepted) applyEditTileValue(s, shell, target, d.text());
}

void runFillValue(EditorState& s, Shell& shell, QWidget* parent) {
    NumberDialog d(parent, "Fill Value (0-255)", 3, selectedTile(s, TileTarget::Pad));
    if (execModal(d) == QDialog::Accepted) applyFillValue(s, shell, d.text());
}

void runChangeLevel(EditorState& s, Shell& shell, QWidget* parent) {
    NumberDialog d(parent, "Change Level (0-55)", 2, s.currentLevel);
    if (execModal(d) == QDialog::Accepted) applyChangeLevel(s, shell, d.text());
}

}  // namespace vurk
