// vurk-demo FOLDER: makes a workspace to try the editor in: "vurk.smc" with 56
// levels, the tile and sprite sheets of the tiles folder, and a maps folder.
// Everything in it is our own: a made-up image and simple drawings.
#include <filesystem>
#include <iostream>
#include <string>

#include <QGuiApplication>
#include <QImage>
#include <QSaveFile>

#include "tools/demo_levels.h"
#include "tools/demo_sheets.h"

namespace {

bool writePng(const QImage& image, const std::filesystem::path& path) {
    QSaveFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        std::cerr << "Error: could not write " << path.string() << "\n";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: vurk-demo FOLDER\n";
        return 1;
    }
    // Drawing text needs a GUI application, but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    namespace fs = std::filesystem;
    const fs::path folder = argv[1];
    std::error_code ec;
    fs::create_directories(folder / "tiles", ec);
    if (!ec) fs::create_directories(folder / "maps", ec);  // files already there stay
    if (ec) {
        std::cerr << "Error: could not make " << folder.string() << ": " << ec.message() << "\n";
        return 1;
    }

    using namespace vurk::demo;
    for (int sheet = 0; sheet < 5; ++sheet) {
        const std::string name = "tiles0" + std::to_string(sheet) + ".png";
        if (!writePng(tileSheet(sheet), folder / "tiles" / name)) return 1;
    }
    if (!writePng(itemSheet(), folder / "tiles" / "items.png") ||
        !writePng(victimSheet(), folder / "tiles" / "victims.png") ||
        !writePng(monsterSheet(), folder / "tiles" / "monsters.png")) {
        return 1;
    }
    if (!demoImage().save((folder / "vurk.smc").string())) {
        std::cerr << "Error: could not write " << (folder / "vurk.smc").string() << "\n";
        return 1;
    }
    return 0;
}
