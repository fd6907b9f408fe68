// The settings file ".\vurk.ini", section "vurk": option flags, the last level
// and the main window's placement.
#pragma once

#include <cstdint>
#include <string>

#include "view/editor_state.h"

namespace vurk {

inline constexpr const char* kSettingsFile = ".\\vurk.ini";
inline constexpr const char* kSettingsSection = "vurk";


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
};

StartSettings readStartSettings(const std::string& fileName = kSettingsFile);

// The main window as it is at exit: its outer rectangle and its state.
struct WindowAtExit {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool maximized = false;
    bool minimized = false;
};

// Writes all seven keys. A current level above 55 is stored, and set, as 1.
void writeExitSettings(const WindowAtExit& window, uint32_t options, int32_t& currentLevel,
                       const std::string& fileName = kSettingsFile);

}  // namespace vurk
