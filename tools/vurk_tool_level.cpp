// vurk-tool commands on the levels of "vurk.smc": levels, dump, export, import.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>

#include "level/level_state.h"
#include "tools/tool_commands.h"

namespace vurk::tool {

bool openImage(LevelState& s, ImageFile::Access access) {
    switch (openRomImage(s.rom, kRomFileName, access)) {
    case RomOpenResult::Ok:
        if (access == ImageFile::Access::Write && s.rom.file.readOnly()) {
            std::cerr << "Error: " << kRomFileName << kReadOnlyText << "\n";
            return false;
        }
        if (Profile ini; ini.load(kToolSettingsFile, kProfileMaxBytes) == ReadResult::Ok) {
            s.restorePoints.keep = restorePointKeep(ini);
        }
        if (!s.rom.file.recoveryNote().empty()) std::cerr << "Note: " << s.rom.file.recoveryNote() << "\n";
        return true;
    case RomOpenResult::CannotOpen:
        std::cerr << "Error: Could not find vurk.smc\n";
        return false;
    case RomOpenResult::Locked:
    case RomOpenResult::Failed:
        std::cerr << "Error: " << s.rom.file.errorText() << "\n";
        return false;
    }
    return false;
}

bool openLevel(LevelState& s, const std::vector<std::string>& args, ImageFile::Access access) {
    uint32_t level = 0;
    if (args.size() != 1) {
        std::cerr << "Error: give one level number\n";
        return false;
    }
    if (!parseLevelNumber(args[0], level) || !openImage(s, access)) return false;
    std::string why;
    if (!loadLevelData(s, level, why)) {
        std::cerr << "Error: " << why << "\n";
        return false;
    }
    return true;
}

namespace {

int runLevels(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::cerr << "Error: levels takes no arguments\n";
        return 1;
    }
    LevelState s;
    if (!openImage(s, ImageFile::Access::Read)) return 1;
    int status = 0;
    for (uint32_t level = 0; level < kLevelCount; ++level) {
        std::string why;
        char line[160];
        if (loadLevelData(s, level, why)) {
            std::snprintf(line, sizeof line,
                          "%2u  0x%06x  %ux%u  items %zu  otm %zu  rsm %zu  bonus %zu", level,
                          s.regions.header, s.mapWidth, s.mapHeight, s.items.size(), s.otm.size(),
                          s.rsm.size(), s.bonus.size());
            std::cout << line << "\n";
        } else {
            std::snprintf(line, sizeof line, "%2u  refused: ", level);
            std::cout << line << why << "\n";
            status = 1;
        }
    }
    return status;
}

int runDump(const std::vector<std::string>& args) {
    LevelState s;
    if (!openLevel(s, args, ImageFile::Access::Read)) return 1;
    const LevelHeader& h = s.header;
    std::ostringstream o;
    o << "{\"level\":" << s.currentLevel << ",\"headerOffset\":" << s.regions.header << ",\"header\":{"
      << "\"tileset\":" << uint32_t{h.tileset} << ",\"mapPointer\":" << uint32_t{h.mapPointer}
      << ",\"tilesetData1\":" << uint32_t{h.tilesetData1} << ",\"tilesetData2\":" << uint32_t{h.tilesetData2}
      << ",\"bgPalette\":" << uint32_t{h.bgPalette} << ",\"rsmList\":" << uint16_t{h.rsmList}
      << ",\"victimBlock\":" << uint16_t{h.victimBlock} << ",\"itemList\":" << uint16_t{h.itemList}
      << ",\"width\":" << uint16_t{h.width} << ",\"height\":" << uint16_t{h.height}
      << ",\"tilesetVariant\":" << uint16_t{h.tilesetVariant} << ",\"start1X\":" << uint16_t{h.start1X}
      << ",\"start1Y\":" << uint16_t{h.start1Y} << ",\"start2X\":" << uint16_t{h.start2X}
      << ",\"start2Y\":" << uint16_t{h.start2Y} << ",\"music\":" << uint16_t{h.music}
      << ",\"bonusList\":" << uint16_t{h.bonusList} << "}";
    const char* sep = "";
    o << ",\"items\":[";
    for (const ItemRecord& r : s.items) {
        o << sep << "{\"x\":" << uint16_t{r.x} << ",\"y\":" << uint16_t{r.y} << ",\"type\":" << int{r.type} << "}";
        sep = ",";
    }
    o << "],\"victims\":[";
    sep = "";
    for (const VictimRecord& r : s.victims) {
        o << sep << "{\"x\":" << uint16_t{r.x} << ",\"y\":" << uint16_t{r.y} << ",\"number\":" << uint16_t{r.number}
          << ",\"code\":" << uint32_t{r.code} << "}";
        sep = ",";
    }
    o << "],\"otm\":[";
    sep = "";
    for (const OtmRecord& r : s.otm) {
        o << sep << "{\"x\":" << uint16_t{r.x} << ",\"y\":" << uint16_t{r.y} << ",\"data\":" << uint16_t{r.data}
          << ",\"number\":" << uint16_t{r.number} << ",\"code\":" << uint32_t{r.code} << "}";
        sep = ",";
    }
    o << "],\"rsm\":[";
    sep = "";
    for (const RsmRecord& r : s.rsm) {
        o << sep << "{\"delay\":" << int{r.delay} << ",\"x\":" << uint16_t{r.x} << ",\"y\":" << uint16_t{r.y}
          << ",\"radius\":" << int{r.radius} << ",\"code\":" << uint32_t{r.code} << "}";
        sep = ",";
    }
    o << "],\"bonus\":[";
    sep = "";
    for (uint16_t code : s.bonus) {
        o << sep << code;
        sep = ",";
    }
    o << "],\"map\":[";
    for (uint32_t i = 0; i < s.mapSize / 2; ++i) {
        o << (i ? "," : "") << readLe16(s.mapBuffer.data() + 2 * i);
    }
    o << "]}\n";
    std::cout << o.str();
    return 0;
}

// "maps/level03.vmap": the level's VMAP file as the host names it.
std::string vmapFileName(uint32_t level) { return nativePath(vmapPath(level)).substr(std::strlen("./")); }

int runExport(const std::vector<std::string>& args) {
    LevelState s;
    ConsoleShell shell;
    if (!openLevel(s, args, ImageFile::Access::Read) || !writeVmap(s, shell, &shell.detail)) return 1;
    std::cout << "exported level " << s.currentLevel << " to " << vmapFileName(s.currentLevel) << "\n";
    return 0;
}

int runImport(const std::vector<std::string>& args) {
    LevelState s;
    ConsoleShell shell;
    if (!openLevel(s, args, ImageFile::Access::Write)) return 1;
    if (!readVmapData(s, shell, {}, &shell.detail)) return 1;
    std::string why;
    if (!writeLevel(s, &why)) {
        std::cerr << "Error: " << why << "\n";
        return 1;
    }
    const std::string file = vmapFileName(s.currentLevel);
    if (s.restorePoints.lastMade.empty()) {
        std::cout << "level " << s.currentLevel << " of vurk.smc already holds " << file << "; nothing was written\n";
    } else {
        std::cout << "imported " << file << " into level " << s.currentLevel << "; vurk.smc as it was is in "
                  << s.restorePoints.lastMade << "\n";
    }
    return 0;
}

[[maybe_unused]] const bool registered = registerCommand({"levels", "", runLevels}) &&
                        registerCommand({"dump", "N", runDump}) &&
                        registerCommand({"export", "N", runExport}) &&
                        registerCommand({"import", "N", runImport});

}  // namespace

}  // namespace vurk::tool
