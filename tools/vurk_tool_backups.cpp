// vurk-tool backups and restore: the restore points kept beside vurk.smc, and
// putting one (or one level of it) back.
#include <iostream>

#include "platform/files.h"
#include "tools/tool_commands.h"

namespace vurk::tool {

namespace {

// "levels 3, 7" differ between the restore point and the current image.
std::string differingLevels(LevelState& backup, LevelState& current) {
    std::string levels;
    for (uint32_t level = 0; level < kLevelCount; ++level) {
        std::vector<std::string> lines;
        if (!compareLevel(backup, current, level, lines)) levels += (levels.empty() ? "" : ", ") + std::to_string(level);
    }
    return levels;
}

int runBackups(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::cerr << "Error: backups takes no arguments\n";
        return 1;
    }
    // Reading only: the image is not locked, so this works while the editor runs.
    std::vector<uint8_t> image;
    if (!readImageBytes(kRomFileName, image)) {
        std::cerr << "Error: Could not find vurk.smc\n";
        return 1;
    }
    const std::vector<RestorePointFile> points = listRestorePoints(kBackupFolder);
    if (points.empty()) {
        std::cout << "no restore points in " << kBackupFolder << "\n";
        return 0;
    }
    LevelState current;
    holdRomImage(current.rom, image);
    for (const RestorePointFile& p : points) {
        std::cout << p.path << "  " << p.when << "  ";
        std::vector<uint8_t> bytes;
        if (!readImageBytes(p.path, bytes)) {
            std::cout << "cannot be read\n";
            continue;
        }
        if (bytes.size() != image.size()) {
            std::cout << "another size (" << bytes.size() << " bytes, vurk.smc has " << image.size() << ")\n";
            continue;
        }
        LevelState backup;
        holdRomImage(backup.rom, bytes);
        const std::string levels = differingLevels(backup, current);
        if (levels.find(',') != std::string::npos) std::cout << "levels " << levels << " differ\n";
        else if (!levels.empty()) std::cout << "level " << levels << " differs\n";
        else if (bytes != image) std::cout << "same levels, other bytes differ\n";
        else std::cout << "same as vurk.smc\n";
    }
    return 0;
}

// The regions of level `level` to copy from the restore point; false (after a
// line on standard error) when the level does not lie in the same places in both.
bool levelWrites(const std::string& name, const std::vector<uint8_t>& bytes, LevelState& current, uint32_t level,
                 std::vector<ImageRegion>& writes) {
    LevelState backup;
    holdRomImage(backup.rom, bytes);
    std::string why;
    if (!loadLevelData(backup, level, why)) {
        std::cerr << "Error: " << name << ": " << why << "\n";
        return false;
    }
    if (!loadLevelData(current, level, why)) {
        std::cerr << "Error: vurk.smc: " << why << "; restore the whole file instead\n";
        return false;
    }
    const std::vector<ImageSpan> from = levelSpans(backup), to = levelSpans(current);
    for (size_t i = 0; i < std::max(from.size(), to.size()); ++i) {
        if (i < from.size() && i < to.size() && from[i] == to[i]) continue;
        const char* what = i < from.size() ? from[i].what : to[i].what;
        std::cerr << "Error: level " << level << "'s " << what << " lies elsewhere or has another size in " << name
                  << " than in vurk.smc; restore the whole file instead\n";
        return false;
    }
    for (const ImageSpan& span : from) {
        writes.push_back({span.offset, {bytes.begin() + span.offset, bytes.begin() + span.offset + span.size}});
    }
    return true;
}

int runRestore(const std::vector<std::string>& args) {
    uint32_t level = 0;
    bool oneLevel = false;
    if (args.size() == 3 && args[1] == "--level") {
        if (!parseLevelNumber(args[2], level)) return 1;
        oneLevel = true;
    } else if (args.size() != 1) {
        std::cerr << "Error: give a restore point, then --level and a level number if wanted\n";
        return 1;
    }
    const std::string& name = args[0];
    std::vector<uint8_t> bytes;
    if (!readImageBytes(name, bytes)) {
        std::cerr << "Error: could not read " << name << "\n";
        return 1;
    }
    LevelState current;
    if (!openImage(current, ImageFile::Access::Write)) return 1;
    if (bytes.size() != current.rom.size()) {
        std::cerr << "Error: " << name << " has " << bytes.size() << " bytes and vurk.smc " << current.rom.size()
                  << ": it is not a restore point of this image\n";
        return 1;
    }
    std::vector<ImageRegion> writes;
    if (oneLevel) {
        if (!levelWrites(name, bytes, current, level, writes)) return 1;
    } else {
        writes.push_back({0, std::move(bytes)});
    }
    std::string why;
    if (!saveWithRestorePoint(current.restorePoints, current.rom, writes, &why)) {
        std::cerr << "Error: " << why << "\n";
        return 1;
    }
    const std::string what = oneLevel ? "level " + std::to_string(level) + " of " : std::string();
    if (current.restorePoints.lastMade.empty()) {
        std::cout << what << "vurk.smc is already as in " << name << "; nothing was written\n";
    } else {
        std::cout << "restored " << what << name << "; vurk.smc as it was is in " << current.restorePoints.lastMade
                  << "\n";
    }
    return 0;
}

[[maybe_unused]] const bool registered = registerCommand({"backups", "", runBackups}) &&
                                         registerCommand({"restore", "FILE [--level N]", runRestore});

}  // namespace

}  // namespace vurk::tool
