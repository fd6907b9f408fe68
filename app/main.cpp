// vurk-edit: the level editor.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/editor_windows.h"
#include "platform/instance_lock.h"

namespace {
// Qt ends the process when no display can be reached; say so plainly first.
bool displayAvailable() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}
}  // namespace

int main(int argc, char** argv) {
    // Answered before any window or the single-instance lock.
    if (argc > 1) {
        const std::string arg = argv[1];
        if (arg == "--version") {
            std::printf("vurk-edit %s\n", VURK_VERSION);
            return 0;
        }
        if (arg == "--help" || arg == "-h") {
            std::printf("usage: vurk-edit [--help | -h | --version]\n"
                        "Edits the levels of vurk.smc in the current folder, with the tile sheets of its\n"
                        "tiles folder. Started in a folder without them, it first asks for the workspace\n"
                        "folder. Only one editor runs at a time.\n");
            return 0;
        }
    }
    vurk::InstanceLock lock;
    if (!lock.acquire()) return 0;  // another editor runs: end silently
    if (!displayAvailable()) {
        std::fprintf(stderr,
                     "vurk-edit: no display to open the editor on (DISPLAY is not set).\n"
                     "Run it from a desktop session, or under a virtual display: xvfb-run build/vurk-edit\n");
        return 0;
    }
    QApplication app(argc, argv);
    app.setWindowIcon(QIcon(":/vurk-edit.png"));
    app.setQuitOnLastWindowClosed(false);
    vurk::EditorWindows editor;
    if (!editor.start()) return 0;
    app.exec();
    return 0;
}
