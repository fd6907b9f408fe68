// Finding the workspace at start-up: the folder that holds vurk.smc and the
// tiles folder, with vurk.ini beside them.
#pragma once

#include <filesystem>
#include <string>

#include "platform/shell.h"

namespace vurk {

inline constexpr const char* kWorkspaceChooserTitle = "Choose the VURK-Edit workspace folder";

// Whether `folder` holds any part of a workspace: vurk.smc or a tiles folder.
bool holdsWorkspace(const std::filesystem::path& folder);

// Where the last folder chosen is kept: vurk-edit/last-workspace in the
// user's configuration folder, since a folder without a workspace has no
// vurk.ini to keep it in.
std::filesystem::path lastWorkspaceFile();

// Started in a folder without any part of a workspace, asks for the folder
// first (opening in the one chosen last time, when it still exists). A folder
// chosen becomes the working folder, and is remembered in `memoryFile` when it
// holds a workspace; none chosen, or one that cannot be entered, leaves
// everything as it was.
void offerWorkspaceChoice(Shell& shell, const std::filesystem::path& memoryFile);

}  // namespace vurk
