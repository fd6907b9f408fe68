#include "dialogs/dialogs.h"

#include "dialogs/number_dialogs.h"

namespace vurk {

void runDialog(EditorState& s, Shell& shell, QWidget* parent, DialogId id, BoxOwner owner, int32_t) {
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
    default:
        break;
    }
}

}  // namespace vurk
