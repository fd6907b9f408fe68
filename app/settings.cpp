#include "app/settings.h"

#include <cstdio>

#include "platform/profile.h"
#include "view/zoom.h"

namespace vurk {

namespace {
constexpr const char* kViewSection = "view";
}  // namespace

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
    const int32_t zoom = ini.getInt(kViewSection, "zoom", kDefaultZoom);
    s.view.zoom = isZoomLevel(zoom) ? zoom : kDefaultZoom;
    s.view.grid = ini.getInt(kViewSection, "grid", 0) == 1;
    s.view.picker = ini.getInt(kViewSection, "picker", 0) == 1;
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
    const ViewSettings& view = window.view;
    const bool viewThere = ini.getString(kViewSection, "zoom", "-") != "-" ||
                           ini.getString(kViewSection, "grid", "-") != "-" ||
                           ini.getString(kViewSection, "picker", "-") != "-";
    if (viewThere || view.zoom != kDefaultZoom || view.grid || view.picker) {
        ini.set(kViewSection, "zoom", std::to_string(view.zoom));
        ini.set(kViewSection, "grid", view.grid ? "1" : "0");
        ini.set(kViewSection, "picker", view.picker ? "1" : "0");
    }
    // A file that cannot be written is simply not updated.
    ini.save(file);
}

}  // namespace vurk
