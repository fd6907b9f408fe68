// vurk-tool render: draws a whole level as the editor's map view shows it and
// writes the picture as a PNG file.
#include <iostream>

#include "png/png_encoder.h"
#include "tools/tool_commands.h"
#include "view/level_loader.h"
#include "view/map_draw.h"

namespace vurk::tool {

bool writeLevelPng(EditorState& s, const std::string& path,
                   const std::function<void(Bitmap& band, int32_t top)>& overlay) {
    const LevelRect map = mapRect(s);
    PngRowWriter png;
    const bool written = png.create(path, static_cast<uint32_t>(map.right), static_cast<uint32_t>(map.bottom)) &&
                         drawLevelInBands(s,
                                          [&](Bitmap& band, int32_t top) {
                                              if (overlay) overlay(band, top);
                                              png.addRows(band);
                                              return true;
                                          }) &&
                         png.commit();
    if (!written) std::cerr << "Error: could not write " << path << "\n";
    return written;
}

namespace {

struct RenderMode {
    const char* name;
    int32_t editMode;
    int32_t monsterList;
};

constexpr RenderMode kModes[] = {
    {"bg", kModeBg, kOtmList},
    {"item", kModeItem, kOtmList},
    {"victim", kModeVictim, kOtmList},
    {"monster1", kModeMonster, kOtmList},
    {"monster2", kModeMonster, kRsmList},
};

int runRender(const std::vector<std::string>& args) {
    const RenderMode* mode = &kModes[0];
    if (args.size() == 4 && args[2] == "--mode") {
        mode = nullptr;
        for (const RenderMode& m : kModes)
            if (args[3] == m.name) mode = &m;
        if (!mode) {
            std::cerr << "Error: the mode must be bg, item, victim, monster1 or monster2, not \"" << args[3]
                      << "\"\n";
            return 1;
        }
    } else if (args.size() != 2) {
        std::cerr << "Error: give a level number and OUT.png, then --mode and a mode if wanted\n";
        return 1;
    }
    uint32_t level = 0;
    if (!parseLevelNumber(args[0], level)) return 1;

    EditorState s;
    ConsoleShell shell;
    if (!openImage(s, ImageFile::Access::Read)) return 1;
    s.editMode = mode->editMode;
    s.monsterList = mode->monsterList;
    loadSpriteSheets(s, shell);
    // A picture drawn without one of its sheets would mislead: every box is an error.
    if (!loadLevel(s, shell, level) || shell.boxesShown > 0) return 1;
    return writeLevelPng(s, args[1]) ? 0 : 1;
}

[[maybe_unused]] const bool registered =
    registerCommand({"render", "N OUT.png [--mode bg|item|victim|monster1|monster2]", runRender});

}  // namespace

}  // namespace vurk::tool
