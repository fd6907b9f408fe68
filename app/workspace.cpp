#include "app/workspace.h"

#include <QStandardPaths>
#include <QString>
#include <fstream>
#include <system_error>

#include "level/rom_image.h"

namespace vurk {

namespace {
// A path is one line; anything longer than this is not ours.
constexpr std::streamsize kMemoryMaxBytes = 4096;

std::filesystem::path rememberedFolder(const std::filesystem::path& memoryFile) {
    std::ifstream in(memoryFile, std::ios::binary);
    std::string text(static_cast<size_t>(kMemoryMaxBytes), '\0');
    in.read(text.data(), kMemoryMaxBytes);
    text.resize(static_cast<size_t>(in.gcount()));
    text = text.substr(0, text.find('\n'));
    std::error_code e;
    if (text.empty() || !std::filesystem::is_directory(text, e)) return {};
    return text;
}

void remember(const std::filesystem::path& memoryFile, const std::filesystem::path& folder) {
    std::error_code e;
    std::filesystem::create_directories(memoryFile.parent_path(), e);
    std::ofstream out(memoryFile, std::ios::binary | std::ios::trunc);
    out << folder.string() << '\n';
}
}  // namespace

bool holdsWorkspace(const std::filesystem::path& folder) {
    std::error_code e;
    return std::filesystem::exists(folder / kRomFileName, e) || std::filesystem::is_directory(folder / "tiles", e);
}

std::filesystem::path lastWorkspaceFile() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return std::filesystem::path(config.toStdString()) / "vurk-edit" / "last-workspace";
}

void offerWorkspaceChoice(Shell& shell, const std::filesystem::path& memoryFile) {
    std::error_code e;
    const std::filesystem::path here = std::filesystem::current_path(e);
    if (holdsWorkspace(".")) return;
    std::filesystem::path start = rememberedFolder(memoryFile);
    if (start.empty()) start = here;
    const std::string chosen = shell.chooseFolder(kWorkspaceChooserTitle, start.string());
    if (chosen.empty()) return;
    std::filesystem::current_path(chosen, e);
    // A folder without a workspace is not where the next start should open.
    if (!e && holdsWorkspace(".")) remember(memoryFile, std::filesystem::current_path(e));
}

}  // namespace vurk
