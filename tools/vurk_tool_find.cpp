// vurk-tool find and replace: cells by tile value and objects by kind, as the
// editor's Find and Replace dialog lists them.
#include <iostream>

#include "tools/tool_commands.h"
#include "view/tile_tools.h"

namespace vurk::tool {

namespace {

// A tile value, item kind or object code up to `max`; prints why not otherwise.
bool parseValue(const std::string& text, uint32_t max, uint32_t& value) {
    if (parseNumber(text, max, value)) return true;
    std::cerr << "Error: \"" << text << "\" is no number from 0 to " << max << "\n";
    return false;
}

int runFind(const std::vector<std::string>& args) {
    static const std::pair<const char*, FindKind> kinds[] = {
        {"--tile", FindKind::Tile}, {"--item", FindKind::Item}, {"--victim", FindKind::Victim},
        {"--monster", FindKind::Monster}};
    const std::pair<const char*, FindKind>* kind = nullptr;
    for (const auto& k : kinds) {
        if (args.size() == 3 && args[1] == k.first) kind = &k;
    }
    if (!kind) {
        std::cerr << "Error: give a level number, then --tile, --item, --victim or --monster and a value\n";
        return 1;
    }
    uint32_t value = 0;
    // An item kind is its type halved, as Choose Item names it.
    const uint32_t max = kind->second == FindKind::Tile ? 255 : kind->second == FindKind::Item ? 127 : 0xFFFFFFFFu;
    if (!parseValue(args[2], max, value)) return 1;
    LevelState s;
    if (!openLevel(s, {args[0]}, ImageFile::Access::Read)) return 1;
    for (const FindHit& hit : findInLevel(s, kind->second, value, wholeMap(s))) std::cout << hitText(hit) << "\n";
    return 0;
}

int runReplace(const std::vector<std::string>& args) {
    if (args.size() != 4 || args[1] != "--tile") {
        std::cerr << "Error: give a level number, then --tile, the old value and the new one\n";
        return 1;
    }
    uint32_t from = 0, to = 0;
    if (!parseValue(args[2], 255, from) || !parseValue(args[3], 255, to)) return 1;
    LevelState s;
    if (!openLevel(s, {args[0]}, ImageFile::Access::Write)) return 1;
    // Nothing to change: no write, so no restore point pushes out an older one.
    if (from == to || findInLevel(s, FindKind::Tile, from, wholeMap(s)).empty()) {
        std::cout << "nothing to replace: ";
        if (from == to) std::cout << "tile " << from << " and tile " << to << " are the same\n";
        else std::cout << "level " << s.currentLevel << " holds no cell of tile " << from << "\n";
        return 0;
    }
    const int32_t count = replaceCells(s, wholeMap(s), static_cast<uint8_t>(from), static_cast<uint8_t>(to));
    std::string why;
    // The save makes the session's restore point before it writes a byte.
    if (!writeLevel(s, &why)) {
        std::cerr << "Error: " << why << "\n";
        return 1;
    }
    std::cout << "replaced " << count << " cells of tile " << from << " with tile " << to << " in level "
              << s.currentLevel;
    if (!s.restorePoints.lastMade.empty()) std::cout << "; vurk.smc as it was is in " << s.restorePoints.lastMade;
    std::cout << "\n";
    return 0;
}

[[maybe_unused]] const bool registered =
    registerCommand({"find", "N --tile V | --item T | --victim C | --monster C", runFind}) &&
    registerCommand({"replace", "N --tile OLD NEW", runReplace});

}  // namespace

}  // namespace vurk::tool
