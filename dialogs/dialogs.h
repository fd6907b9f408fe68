// Opens the editor's modal dialogs.
#pragma once

#include <cstdint>

#include "platform/shell.h"
#include "view/editor_state.h"

class QWidget;

namespace vurk {

// Runs dialog `id` modally over `parent` and applies what the user chose.
void runDialog(EditorState& s, Shell& shell, QWidget* parent, DialogId id, BoxOwner owner, int32_t param);

}  // namespace vurk
