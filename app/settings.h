// The settings file ".\vurk.ini", section "vurk": option flags, the last level
// and the main window's placement.
#pragma once

#include <cstdint>
#include <string>

#include "platform/profile.h"
#include "view/editor_state.h"

namespace vurk {

inline constexpr const char* kSettingsFile = ".\\vurk.ini";
inline constexpr const char* kSettingsSection = "vurk";
// A settings file larger than this is not the editor's: it is neither read nor
// rewritten, so reading it cannot stall the start and nothing in it is lost.
inline constexpr uint64_t kSettingsMaxBytes = kProfileMaxBytes;
inline constexpr const char* kSettingsTooLargeText =
    "vurk.ini is larger than 1 MB, so it was not read. The editor starts with its default settings "
    "and will not change that file when it closes.";

// Section [view]: "zoom" (25, 50, 100 or 200), "grid" and "picker" (the tile
// picker shown), each 0 or 1. Anything else reads as the default.
struct ViewSettings {
    int32_t zoom = 100;
    bool grid = false;
    bool picker = false;
};

// What start-up takes from the file.
struct StartSettings {
    uint32_t options = 0;
    int32_t level = 1;
    // Only with kOptSaveWindowPositions: place the window's outer rectangle at
    // (x, y) with size w x h, and show it maximised when `maximize`.
    bool placeWindow = false;
    int32_t x = 0, y = 0, w = 384, h = 512;
    bool maximize = false;
    // Restore points kept in "backups": key "keep" of section [backups].
    uint32_t backupKeep = kDefaultRestorePointKeep;
    ViewSettings view;
    // Not empty when the user should hear why the file was not used.
    std::string note;
};

StartSettings readStartSettings(const std::string& fileName = kSettingsFile);

// The main window as it is at exit: its outer rectangle, its state, and its
// zoom, grid and picker.
struct WindowAtExit {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool maximized = false;
    bool minimized = false;
    ViewSettings view;
};

// Writes all seven keys, and section [view] when it differs from the defaults
// or is already there (so a file without it keeps exactly its seven keys): the
// file is read once and written once. A file that
// exists but cannot be read, or is too large, is left alone (with a line on
// stderr). A current level above 55 is stored, and set, as 1.
void writeExitSettings(const WindowAtExit& window, uint32_t options, int32_t& currentLevel,
                       const std::string& fileName = kSettingsFile);

}  // namespace vurk
