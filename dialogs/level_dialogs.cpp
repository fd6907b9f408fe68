#include "dialogs/level_dialogs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <optional>
#include <utility>

#include "dialogs/controls.h"
#include "view/edit_history.h"
#include "view/game_tables.h"
#include "view/level_loader.h"
#include "view/tile_edit.h"

namespace vurk {

namespace {

// A signed decimal number, or nothing when the text is not one.
std::optional<int64_t> signedNumber(const std::string& text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size() || text.size() - i > 10) return std::nullopt;
    int64_t n = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        n = n * 10 + (text[i] - '0');
    }
    return negative ? -n : n;
}

}  // namespace

MiscDataChoice miscDataChoice(const EditorState& s) {
    MiscDataChoice c;
    for (size_t i = 0; i < kTilesets.size(); ++i) {
        const TilesetEntry& t = kTilesets[i];
        // Only the shared sheet's entries tell their variants apart.
        const bool variantMatters = t.tileset == 0x9BBCB5;
        if (t.tileset == s.header.tileset && (!variantMatters || t.tilesetVariant == s.header.tilesetVariant)) {
            c.tileset = static_cast<int>(i);
            break;
        }
    }
    for (size_t i = 0; i < kBgPalettes.size(); ++i) {
        if (kBgPalettes[i].bgPalette == s.header.bgPalette) {
            c.palette = static_cast<int>(i);
            break;
        }
    }
    // A music value below 2 has no number in the list's range: the field stays
    // empty, and OK then leaves the music as it is.
    if (s.header.music >= 2) c.music = std::to_string(uint16_t{s.header.music} - 2);
    return c;
}

void applyMiscData(EditorState& s, Shell& shell, int tileset, int palette, const std::string& music) {
    const LevelHeader before = s.header;
    if (palette >= 0 && palette < static_cast<int>(kBgPalettes.size())) {
        s.header.bgPalette = kBgPalettes[static_cast<size_t>(palette)].bgPalette;
    }
    if (auto m = signedNumber(music); m && *m >= 0 && *m <= 9) s.header.music = static_cast<uint16_t>(*m + 2);
    const bool known = tileset >= 0 && tileset < static_cast<int>(kTilesets.size());
    const TilesetEntry* t = known ? &kTilesets[static_cast<size_t>(tileset)] : nullptr;
    if (!t || (t->tileset == s.header.tileset && t->tilesetVariant == s.header.tilesetVariant)) {
        recordHeaderEdit(s, before, "Misc. Data");
        return;
    }

    // The reload replaces the whole level: the step keeps all of it, so an
    // answer of No (which lets the edits go, as the box says) can be undone.
    // Only a failed save keeps the level as it was.
    const uint64_t saves = saveCount(s);
    const bool goOn = shell.messageBox("If you don't save, all changes will be lost", "Save Before Reloading?",
                                       BoxButtons::YesNo, BoxOwner::Dialog) != BoxAnswer::Yes ||
                      saveLevel(s, shell, BoxOwner::Dialog);
    if (!goOn) {
        s.header = before;
        return;
    }
    LevelSnapshot snapshot = takeSnapshot(s);
    snapshot.header = before;
    s.header.tileset = t->tileset;
    s.header.tilesetData1 = t->tilesetData1;
    s.header.tilesetData2 = t->tilesetData2;
    s.header.tilesetVariant = t->tilesetVariant;
    s.keepHeader = true;
    loadLevel(s, shell, s.currentLevel);
    redrawScratchPad(s);
    s.keepHeader = false;
    recordLevelEdit(s, std::move(snapshot), "Misc. Data");
    // What was saved on the way (the old tileset with the new palette and
    // music) is no state of the history.
    if (saveCount(s) != saves) forgetSavedState(s);
}

std::vector<bool> bonusChoice(const EditorState& s) {
    std::vector<bool> selected(kBonuses.size(), false);
    for (uint16_t code : s.bonus) {
        const int row = code / 2 - 2;
        if (row >= 0 && row < static_cast<int>(selected.size())) selected[static_cast<size_t>(row)] = true;
    }
    return selected;
}

int bonusSlotsLeft(const EditorState& s, const std::vector<bool>& selected) {
    int chosen = 0;
    for (bool b : selected) chosen += b ? 1 : 0;
    return static_cast<int>(s.bonus.size()) - chosen;
}

std::string bonusCounterText(int slotsLeft) { return "Bonus Slots Available: " + std::to_string(slotsLeft); }

bool applyBonus(EditorState& s, const std::vector<bool>& selected) {
    if (bonusSlotsLeft(s, selected) < 0) return false;
    const std::vector<uint16_t> before = s.bonus;
    std::fill(s.bonus.begin(), s.bonus.end(), 0);
    size_t slot = 0;
    for (size_t row = 0; row < selected.size() && row < kBonuses.size(); ++row) {
        if (selected[row]) s.bonus[slot++] = kBonuses[row].code;
    }
    recordBonusEdit(s, before);
    return true;
}

MiscDataDialog::MiscDataDialog(QWidget* parent, const MiscDataChoice& choice) : QDialog(parent) {
    setWindowTitle("Misc. Data");
    palette_ = new QComboBox(this);
    palette_->setObjectName("1007");
    for (const BgPaletteEntry& p : kBgPalettes) palette_->addItem(p.name);
    tileset_ = new QComboBox(this);
    tileset_->setObjectName("1005");
    for (const TilesetEntry& t : kTilesets) tileset_->addItem(t.name);
    tileset_->setCurrentIndex(choice.tileset);
    palette_->setCurrentIndex(choice.palette);
    music_ = makeNumberField(this, "1000", 0, QString::fromStdString(choice.music));
    const auto [ok, cancel] = makeOkCancel(this);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Tileset", this), 0, 0, 1, 2);
    grid->addWidget(tileset_, 1, 0, 1, 2);
    grid->addWidget(new QLabel("BG Palette", this), 2, 0, 1, 2);
    grid->addWidget(palette_, 3, 0, 1, 2);
    grid->addWidget(new QLabel("Music (0-9)", this), 4, 0);
    grid->addWidget(music_, 4, 1);
    grid->addWidget(ok, 5, 0);
    grid->addWidget(cancel, 5, 1);
    setMinimumWidth(200);
}

int MiscDataDialog::tileset() const { return tileset_->currentIndex(); }
int MiscDataDialog::palette() const { return palette_->currentIndex(); }
std::string MiscDataDialog::music() const { return music_->text().toStdString(); }

void MiscDataDialog::accept() {
    if (onOk) onOk();
    QDialog::accept();
}

BonusDialog::BonusDialog(QWidget* parent, EditorState& s) : QDialog(parent), s_(s) {
    setWindowTitle("Bonus");
    list_ = new QListWidget(this);
    list_->setObjectName("1002");
    list_->setSelectionMode(QAbstractItemView::MultiSelection);
    const std::vector<bool> selected = bonusChoice(s);
    for (size_t i = 0; i < kBonuses.size(); ++i) {
        auto* item = new QListWidgetItem(kBonuses[i].name, list_);
        item->setSelected(selected[i]);
    }
    counter_ = new QLabel(QString::fromStdString(bonusCounterText(0)), this);
    counter_->setObjectName("1018");
    connect(list_, &QListWidget::itemSelectionChanged, this, &BonusDialog::selectionChanged);
    const auto [ok, cancel] = makeOkCancel(this);  // OK reaches accept() below
    auto* grid = new QGridLayout(this);
    grid->addWidget(list_, 0, 0, 1, 2);
    grid->addWidget(counter_, 1, 0, 1, 2);
    grid->addWidget(ok, 2, 0);
    grid->addWidget(cancel, 2, 1);
    setMinimumWidth(240);
}

std::vector<bool> BonusDialog::selection() const {
    std::vector<bool> selected(static_cast<size_t>(list_->count()));
    for (int i = 0; i < list_->count(); ++i) selected[static_cast<size_t>(i)] = list_->item(i)->isSelected();
    return selected;
}

void BonusDialog::selectionChanged() {
    const int left = bonusSlotsLeft(s_, selection());
    counter_->setText(QString::fromStdString(bonusCounterText(left)));
    // Red while more are chosen than there are slots.
    counter_->setStyleSheet(left < 0 ? "color: rgb(255, 0, 0);" : "color: rgb(0, 0, 0);");
}

void BonusDialog::accept() {
    if (applyBonus(s_, selection())) QDialog::accept();
}

void runMiscData(EditorState& s, Shell& shell, QWidget* parent) {
    MiscDataDialog d(parent, miscDataChoice(s));
    d.onOk = [&] { applyMiscData(s, shell, d.tileset(), d.palette(), d.music()); };
    execModal(d);
}

void runBonus(EditorState& s, QWidget* parent) {
    BonusDialog d(parent, s);
    execModal(d);
}

}  // namespace vurk
