#include "app/settings.h"

#include "platform/profile.h"

namespace vurk {

namespace {
int32_t readKey(const char* key, int32_t def, const std::string& file) {
    return getPrivateProfileInt(kSettingsSection, key, def, file);
}
void writeKey(const char* key, const std::string& value, const std::string& file) {
    // A file that cannot be written is simply not updated.
    writePrivateProfileString(kSettingsSection, key, value, file);
}
}  // namespace

StartSettings readStartSettings(const std::string& file) {
    StartSettings s;
    s.options = static_cast<uint32_t>(readKey("options", 0, file));
    s.x = readKey("x", 0, file);
    s.y = readKey("y", 0, file);
    s.h = readKey("h", 512, file);
    s.w = readKey("w", 384, file);
    if (s.options & kOptStartOnLastLevel) {
        s.level = readKey("level", 1, file);
        if (s.level > 55 || s.level < 0) s.level = 1;
    }
    if (s.options & kOptSaveWindowPositions) {
        s.placeWindow = true;
        s.maximize = readKey("maxed", 0, file) == 1;
    }
    s.backupKeep = readRestorePointKeep(file);
    return s;
}

void writeExitSettings(const WindowAtExit& window, uint32_t options, int32_t& currentLevel,
                       const std::string& file) {
    int32_t left = window.left < 0 ? 0 : window.left;
    int32_t top = window.top < 0 ? 0 : window.top;
    writeKey("x", std::to_string(left), file);
    writeKey("y", std::to_string(top), file);
    if (currentLevel > 55) currentLevel = 1;
    writeKey("level", std::to_string(currentLevel), file);
    writeKey("options", std::to_string(options), file);
    int32_t w = 512, h = 384;
    uint32_t maxed = 0;
    if (window.maximized) {
        maxed = 1;
    } else if (!window.minimized) {
        w = window.right - left;
        h = window.bottom - top;
    }
    writeKey("maxed", std::to_string(maxed), file);
    writeKey("w", std::to_string(w), file);
    writeKey("h", std::to_string(h), file);
}

}  // namespace vurk
