#include "dialogs/find_dialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "dialogs/controls.h"
#include "view/game_tables.h"

namespace vurk {

namespace {
// Tile values in hex, two upper-case digits, as the map's labels, the status
// bar and the dialog's texts show them.
class TileValueBox : public QSpinBox {
public:
    explicit TileValueBox(QWidget* parent) : QSpinBox(parent) {
        setRange(0, 255);
        setDisplayIntegerBase(16);
        setPrefix("0x");
    }

protected:
    QString textFromValue(int value) const override { return QString::asprintf("%02X", value); }
};

// "tile 0x2A": a tile value in the dialog's texts, in hex as its boxes show it.
QString tileText(uint32_t value) { return QString::asprintf("tile 0x%02X", value); }
}  // namespace

FindDialog::FindDialog(EditorState& s, Shell& shell, QWidget* parent, ModeSwitch switchMode)
    : QDialog(parent), s_(s), shell_(shell), switchMode_(std::move(switchMode)) {
    setWindowTitle("Find and Replace");
    kind_ = new QComboBox(this);
    kind_->addItems({"Tile value", "Item", "Victim", "Monster"});
    tile_ = new TileValueBox(this);
    object_ = new QComboBox(this);
    auto* findButton = new QPushButton("Find", this);
    findButton->setDefault(true);
    auto* what = new QHBoxLayout;
    what->addWidget(kind_);
    what->addWidget(tile_, 1);
    what->addWidget(object_, 1);
    what->addWidget(findButton);

    list_ = new QListWidget(this);
    count_ = new QLabel(this);
    auto* previous = new QPushButton("Previous", this);
    auto* next = new QPushButton("Next", this);
    auto* steps = new QHBoxLayout;
    steps->addWidget(count_, 1);
    steps->addWidget(previous);
    steps->addWidget(next);

    auto* replaceBox = new QGroupBox("Replace the tile value", this);
    replacement_ = new TileValueBox(replaceBox);
    wholeLevel_ = new QRadioButton("Whole level", replaceBox);
    selectionOnly_ = new QRadioButton("Selection", replaceBox);
    wholeLevel_->setChecked(true);
    replaceButton_ = new QPushButton("Replace...", replaceBox);
    auto* replaceRow = new QHBoxLayout(replaceBox);
    replaceRow->addWidget(new QLabel("with", replaceBox));
    replaceRow->addWidget(replacement_);
    replaceRow->addWidget(wholeLevel_);
    replaceRow->addWidget(selectionOnly_);
    replaceRow->addWidget(replaceButton_);

    auto* close = new QPushButton("Close", this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(what);
    layout->addWidget(list_, 1);
    layout->addLayout(steps);
    layout->addWidget(replaceBox);
    layout->addWidget(close, 0, Qt::AlignRight);

    connect(kind_, &QComboBox::currentIndexChanged, this, [this] { kindChanged(); });
    connect(findButton, &QPushButton::clicked, this, [this] { find(); });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { showRow(row); });
    connect(previous, &QPushButton::clicked, this, [this] { step(-1); });
    connect(next, &QPushButton::clicked, this, [this] { step(1); });
    connect(replaceButton_, &QPushButton::clicked, this, [this] { replace(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    tile_->setValue(currentClipboardSlot(s_.clipboard));
    replacement_->setValue(tile_->value());
    offerSelection();
    kindChanged();
    resize(440, 360);
}

FindKind FindDialog::kind() const { return static_cast<FindKind>(kind_->currentIndex()); }

uint32_t FindDialog::value() const {
    return kind() == FindKind::Tile ? static_cast<uint32_t>(tile_->value()) : object_->currentData().toUInt();
}

void FindDialog::kindChanged() {
    const FindKind k = kind();
    object_->clear();
    switch (k) {
    case FindKind::Item:
        for (size_t i = 0; i < kItemNames.size(); ++i) object_->addItem(kItemNames[i], static_cast<uint32_t>(i));
        break;
    case FindKind::Victim:
        for (const VictimSprite& v : victimKinds()) object_->addItem(v.name, v.code);
        break;
    case FindKind::Monster:
        for (const MonsterSprite& m : MonsterSpriteTable) object_->addItem(m.name, m.code);
        break;
    case FindKind::Tile:
        break;
    }
    tile_->setVisible(k == FindKind::Tile);
    object_->setVisible(k != FindKind::Tile);
    replaceButton_->parentWidget()->setEnabled(k == FindKind::Tile);
    list_->clear();
    hits_.clear();
    count_->clear();
}

void FindDialog::find() {
    hits_ = findInLevel(s_, kind(), value(), wholeMap(s_));
    QSignalBlocker block(list_);
    list_->clear();
    for (const FindHit& hit : hits_) list_->addItem(QString::fromStdString(hitText(hit)));
    count_->setText(QString("%1 found").arg(hits_.size()));
}

void FindDialog::showRow(int row) {
    if (row < 0 || static_cast<size_t>(row) >= hits_.size()) return;
    const FindHit& hit = hits_[static_cast<size_t>(row)];
    if (switchMode_) switchMode_(hitMode(hit), hitMonsterList(hit));
    showHit(s_, shell_, hit);
}

void FindDialog::step(int by) {
    if (hits_.empty()) return;
    const int n = static_cast<int>(hits_.size());
    const int row = list_->currentRow() < 0 ? (by > 0 ? 0 : n - 1) : (list_->currentRow() + by + n) % n;
    list_->setCurrentRow(row);  // shows it
}

void FindDialog::offerSelection() {
    const bool any = !s_.tiles.selection.empty();
    selectionOnly_->setEnabled(any);
    if (!any) wholeLevel_->setChecked(true);
}

int32_t FindDialog::replace() {
    offerSelection();
    const auto from = static_cast<uint32_t>(tile_->value());
    const auto to = static_cast<uint8_t>(replacement_->value());
    const bool inSelection = selectionOnly_->isChecked();
    const CellRect area = inSelection ? s_.tiles.selection : wholeMap(s_);
    const size_t count = findInLevel(s_, FindKind::Tile, from, area).size();
    const QString where = inSelection ? "the selection" : "the level";
    if (count == 0) {
        shell_.messageBox(QString("No cell of %1 holds %2.").arg(where, tileText(from)).toStdString(),
                          "Find and Replace", BoxButtons::Ok, BoxOwner::Dialog);
        return 0;
    }
    const QString question =
        QString("Replace %1 with %2 in %3 cells of %4?").arg(tileText(from), tileText(to)).arg(count).arg(where);
    if (shell_.messageBox(question.toStdString(), "Find and Replace", BoxButtons::YesNo, BoxOwner::Dialog) !=
        BoxAnswer::Yes) {
        return 0;
    }
    const int32_t replaced = replaceTiles(s_, shell_, static_cast<uint8_t>(from), to, inSelection);
    find();
    return replaced;
}

void runFindReplace(EditorState& s, Shell& shell, QWidget* parent, ModeSwitch switchMode) {
    FindDialog dialog(s, shell, parent, std::move(switchMode));
    execModal(dialog);
}

}  // namespace vurk
