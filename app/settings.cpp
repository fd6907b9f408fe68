#include "app/settings.h"

#include <cstdio>

#include "platform/profile.h"

namespace vurk {

StartSettings readStartSettings(const std::string& file) {
    Profile ini;
    StartSettings s;
    if (ini.load(file, kSettingsMaxBytes) == ReadResult::TooLarge) s.note = kSettingsTooLargeText;
    auto read = [&ini](const char* key, int32_t def) { return ini.getInt(kSettingsSection, key, def); };
    s.options = static_cast<uint32_t>(read("options", 0));
    s.x = read("x", 0);
    s.y = read("y", 0);
    s.h = read("h", 512);
    s.w = read("w", 384);
    if (s.options & kOptStartOnLastLevel) {
        s.level = read("level", 1);
        if (s.level > 55 || s.level < 0) s.level = 1;
    }
    if (s.options & kOptSaveWindowPositions) {
        s.placeWindow = true;
        s.maximize = read("maxed", 0) == 1;
    }
    s.backupKeep = restorePointKeep(ini);
    return s;
}

void writeExitSettings(const WindowAtExit& window, uint32_t options, int32_t& currentLevel,
                       const std::string& file) {
    if (currentLevel > 55) currentLevel = 1;
    Profile ini;
    const ReadResult loaded = ini.load(file, kSettingsMaxBytes);
    if (loaded == ReadResult::TooLarge || loaded == ReadResult::Unreadable) {
        std::fprintf(stderr, "vurk-edit: settings not saved: vurk.ini is %s, so it was left as it is.\n",
                     loaded == ReadResult::TooLarge ? "larger than 1 MB" : "not a readable file");
        return;
    }
    auto write = [&ini](const char* key, int64_t value) { ini.set(kSettingsSection, key, std::to_string(value)); };
    const int32_t left = window.left < 0 ? 0 : window.left;
    const int32_t top = window.top < 0 ? 0 : window.top;
    write("x", left);
    write("y", top);
    write("level", currentLevel);
    write("options", options);
    int64_t w = 512, h = 384;
    uint32_t maxed = 0;
    if (window.maximized) {
        maxed = 1;
    } else if (!window.minimized) {
        w = int64_t{window.right} - left;
        h = int64_t{window.bottom} - top;
    }
    write("maxed", maxed);
    write("w", w);
    write("h", h);
    // A file that cannot be written is simply not updated.
    ini.save(file);
}

}  // namespace vurk
