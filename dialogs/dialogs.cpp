#include "dialogs/dialogs.h"

#include "dialogs/level_dialogs.h"
#include "dialogs/number_dialogs.h"
#include "dialogs/object_dialogs.h"
#include "dialogs/option_dialogs.h"

namespace vurk {

void runDialog(EditorState& s, Shell& shell, QWidget* parent, DialogId id, BoxOwner owner, int32_t param) {
    switch (id) {
    case DialogId::EditTileValue:
        runEditTileValue(s, shell, parent, owner);
        break;
    case DialogId::FillValue:
        runFillValue(s, shell, parent);
        break;
    case DialogId::ChangeLevel:
        runChangeLevel(s, shell, parent);
        break;
    case DialogId::ChooseObject:
        runChooseObject(s, shell, parent, param);
        break;
    case DialogId::MonsterEdit:
        runMonsterEdit(s, shell, parent);
        break;
    case DialogId::MiscData:
        runMiscData(s, shell, parent);
        break;
    case DialogId::Bonus:
        runBonus(s, parent);
        break;
    case DialogId::Options:
        runOptions(s, parent);
        break;
    case DialogId::ClipboardViewer:
        runClipboardViewer(s, parent);
        break;
    case DialogId::About:
        runAbout(parent);
        break;
    case DialogId::FindReplace:
        break;  // the main window opens it, since it steps through the modes

    }
}

}  // namespace vurk
