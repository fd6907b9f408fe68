#include "dialogs/object_dialogs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/controls.h"
#include "dialogs/number_dialogs.h"
#include "view/edit_history.h"
#include "view/game_tables.h"
#include "view/map_canvas.h"
#include "view/objects.h"

namespace vurk {

namespace {

bool selectedIn(const EditorState& s, size_t size) {
    return s.selectedObject >= 0 && static_cast<size_t>(s.selectedObject) < size;
}

// Shows the changed object.
void redrawObjects(EditorState& s, Shell& shell) { presentMap(s, shell); }

const std::vector<std::string>& monsterNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const MonsterSprite& m : MonsterSpriteTable) n.emplace_back(m.name);
        return n;
    }();
    return names;
}

int monsterRow(uint32_t code) {
    for (size_t i = 0; i < MonsterSpriteTable.size(); ++i) {
        if (MonsterSpriteTable[i].code == code) return static_cast<int>(i);
    }
    return -1;
}

QComboBox* kindCombo(QWidget* parent, const KindChoice& choice) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName("1005");
    for (const std::string& name : choice.names) combo->addItem(QString::fromStdString(name));
    combo->setCurrentIndex(choice.selected);
    return combo;
}

}  // namespace

KindChoice chooseObjectChoice(const EditorState& s, int32_t mode) {
    KindChoice c;
    if (mode == kModeItem) {
        c.title = "Choose Item";
        for (const char* name : kItemNames) c.names.emplace_back(name);
        if (selectedIn(s, s.items.size())) {
            const int row = s.items[static_cast<size_t>(s.selectedObject)].type >> 1;
            c.selected = row < static_cast<int>(kItemNames.size()) ? row : -1;
        }
    } else {
        c.title = "Choose Victim";
        const auto kinds = victimKinds();
        for (const VictimSprite& v : kinds) c.names.emplace_back(v.name);
        if (selectedIn(s, kVictimCount)) {
            const uint32_t code = s.victims[static_cast<size_t>(s.selectedObject)].code;
            for (size_t i = 0; i < kinds.size(); ++i) {
                if (kinds[i].code == code) {
                    c.selected = static_cast<int>(i);
                    break;
                }
            }
        }
    }
    return c;
}

void applyChooseObject(EditorState& s, Shell& shell, int32_t mode, int row) {
    const int32_t i = s.selectedObject;
    const ObjectRef ref{mode == kModeItem ? ObjectList::Items : ObjectList::Victims, i};
    const RecordBytes before = recordBytes(s, ref);
    if (mode == kModeItem && selectedIn(s, s.items.size())) {
        ItemRecord& item = s.items[static_cast<size_t>(i)];
        if (row >= 0 && row < static_cast<int>(kItemNames.size())) item.type = itemTypeOfRow(static_cast<size_t>(row));
        moveItem(s, i, item.x, item.y);
    } else if (mode == kModeVictim && selectedIn(s, kVictimCount)) {
        VictimRecord& v = s.victims[static_cast<size_t>(i)];
        const auto kinds = victimKinds();
        if (row >= 0 && row < static_cast<int>(kinds.size())) v.code = kinds[static_cast<size_t>(row)].code;
        moveVictim(s, i, v.x, v.y);
    } else {
        return;
    }
    recordObjectEdit(s, ref, before, mode == kModeItem ? "item kind" : "victim kind");
    redrawObjects(s, shell);
}

MonsterEditChoice monsterEditChoice(const EditorState& s) {
    MonsterEditChoice c;
    c.kind.title = "Monster Edit";
    c.kind.names = monsterNames();
    c.rsm = s.monsterList == kRsmList;
    if (c.rsm && selectedIn(s, s.rsm.size())) {
        const RsmRecord& r = s.rsm[static_cast<size_t>(s.selectedObject)];
        c.radius = std::to_string(r.radius);
        c.delay = std::to_string(r.delay);
        c.kind.selected = monsterRow(r.code);
    } else if (!c.rsm && selectedIn(s, s.otm.size())) {
        c.kind.selected = monsterRow(s.otm[static_cast<size_t>(s.selectedObject)].code);
    }
    return c;
}

void applyMonsterEdit(EditorState& s, Shell& shell, int row, const std::string& radius, const std::string& delay) {
    const int32_t i = s.selectedObject;
    const bool known = row >= 0 && row < static_cast<int>(MonsterSpriteTable.size());
    const uint32_t code = known ? MonsterSpriteTable[static_cast<size_t>(row)].code : 0;
    const ObjectRef ref{s.monsterList == kRsmList ? ObjectList::Rsm : ObjectList::Otm, i};
    const RecordBytes before = recordBytes(s, ref);
    if (s.monsterList == kRsmList && selectedIn(s, s.rsm.size())) {
        RsmRecord& r = s.rsm[static_cast<size_t>(i)];
        if (fieldNumber(radius) <= 255) r.radius = static_cast<uint8_t>(fieldNumber(radius));
        if (fieldNumber(delay) <= 255) r.delay = static_cast<uint8_t>(fieldNumber(delay));
        if (known) r.code = code;
        moveMonster(s, i, r.x, r.y);
    } else if (s.monsterList == kOtmList && selectedIn(s, s.otm.size())) {
        OtmRecord& o = s.otm[static_cast<size_t>(i)];
        if (known) o.code = code;
        moveMonster(s, i, o.x, o.y);
    } else {
        return;
    }
    recordObjectEdit(s, ref, before, "monster edit");
    redrawObjects(s, shell);
}

ChooseObjectDialog::ChooseObjectDialog(QWidget* parent, const KindChoice& choice) : QDialog(parent) {
    setWindowTitle(QString::fromStdString(choice.title));
    combo_ = kindCombo(this, choice);
    const auto [ok, cancel] = makeOkCancel(this);
    auto* grid = new QGridLayout(this);
    grid->addWidget(combo_, 0, 0, 1, 2);
    grid->addWidget(ok, 1, 0);
    grid->addWidget(cancel, 1, 1);
    setMinimumWidth(200);
}

int ChooseObjectDialog::row() const { return combo_->currentIndex(); }

MonsterEditDialog::MonsterEditDialog(QWidget* parent, const MonsterEditChoice& choice) : QDialog(parent) {
    setWindowTitle("Monster Edit");
    auto field = [this](const char* id, const std::string& text, bool enabled) {
        QLineEdit* e = makeNumberField(this, id, 3, QString::fromStdString(text));
        e->setEnabled(enabled);
        return e;
    };
    delay_ = field("1004", choice.delay, choice.rsm);
    radius_ = field("1003", choice.radius, choice.rsm);
    combo_ = kindCombo(this, choice.kind);
    const auto [ok, cancel] = makeOkCancel(this);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel("Delay (0-255)", this), 0, 0);
    grid->addWidget(new QLabel("Radius (0-255)", this), 0, 1);
    grid->addWidget(delay_, 1, 0);
    grid->addWidget(radius_, 1, 1);
    grid->addWidget(combo_, 2, 0, 1, 2);
    grid->addWidget(ok, 3, 0);
    grid->addWidget(cancel, 3, 1);
    setMinimumWidth(200);
}

int MonsterEditDialog::row() const { return combo_->currentIndex(); }
std::string MonsterEditDialog::radius() const { return radius_->text().toStdString(); }
std::string MonsterEditDialog::delay() const { return delay_->text().toStdString(); }

void runChooseObject(EditorState& s, Shell& shell, QWidget* parent, int32_t mode) {
    ChooseObjectDialog d(parent, chooseObjectChoice(s, mode));
    if (execModal(d) == QDialog::Accepted) applyChooseObject(s, shell, mode, d.row());
}

void runMonsterEdit(EditorState& s, Shell& shell, QWidget* parent) {
    MonsterEditDialog d(parent, monsterEditChoice(s));
    if (execModal(d) == QDialog::Accepted) applyMonsterEdit(s, shell, d.row(), d.radius(), d.delay());
}

}  // namespace vurk
