// The editor's whole state: the level data plus what the map view, the object
// editing and the scratch pad keep.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "level/level_state.h"
#include "platform/surface.h"
#include "view/tile_selection.h"

namespace vurk {

enum EditMode : int32_t {
    kModeBg = 0,
    kModeItem = 1,
    kModeVictim = 2,
    kModeMonster = 3,
};

// Which monster list Monster mode edits.
inline constexpr int32_t kOtmList = 0;
inline constexpr int32_t kRsmList = 1;

inline constexpr int32_t kCellSize = 64;   // pixels of a map cell and of a sheet tile
inline constexpr int32_t kPadCells = 6;    // the scratch pad is 6 x 6 cells
inline constexpr int32_t kPadPixels = kPadCells * kCellSize;

// Colours the map canvas draws with.
inline constexpr uint32_t kRed = 0xFF0000;
inline constexpr uint32_t kYellow = 0xFFFF00;

// Option flags.
inline constexpr uint32_t kOptSaveWindowPositions = 1u << 0;
inline constexpr uint32_t kOptStartOnLastLevel = 1u << 1;
inline constexpr uint32_t kOptStartAtZekeStart = 1u << 2;
inline constexpr uint32_t kOptPromptSaveOnLevelChange = 1u << 3;

// The level's edit history (view/edit_history.h).
struct EditHistory;
struct EditHistoryDeleter {
    void operator()(EditHistory* h) const;
};

struct EditorState : LevelState {

    int32_t editMode = kModeBg;
    int32_t monsterList = kOtmList;
    uint32_t options = 0;  // option flags, bits 0 to 3

    // The main window's client size, and the level pixel at its top-left.
    int32_t clientW = 0;
    int32_t clientH = 0;
    int32_t viewX = 0;
    int32_t viewY = 0;
    // Scroll ranges: map extent - client extent on each axis (negative when
    // the client is larger).
    int32_t hScrollMax = 0;
    int32_t vScrollMax = 0;
    // Set while posted line requests carry their own amounts; the count says
    // how many are still to come.
    uint8_t scrollAmountFlag = 0;
    int32_t pendingAmountScrolls = 0;

    // Top-left corner of the selected map cell (the BG-mode cursor).
    int32_t selX = 0;
    int32_t selY = 0;

    // The object found by the last hit test, and whether it is being dragged.
    int32_t selectedObject = -1;
    int32_t objectGrabbed = 0;

    // While set (for half a second after I in Item mode), each item shows as a
    // yellow hatched box.
    bool itemFlash = false;

    // The visible part of the level as the map view shows it: MapCanvas holds
    // the pixels from the view origin, clientW x clientH or the map's size if
    // smaller, and `drawn` the state they were drawn from; showing the view
    // repaints what differs (view/map_canvas.h).
    Surface MapCanvas;
    struct DrawnView {
        bool valid = false;
        int32_t x = 0, y = 0;  // the level point at the canvas's top-left
        uint32_t mapWidth = 0, mapHeight = 0;
        int32_t editMode = 0, monsterList = 0;
        bool circles = false, flash = false;
        int32_t selX = 0, selY = 0;
        const Bitmap* sheets[4] = {};
        std::vector<uint8_t> mapBuffer;
        std::vector<ItemRecord> items;
        VictimArray victims{};
        std::vector<OtmRecord> otm;
        std::vector<RsmRecord> rsm;
    } drawn;
    // Map cells drawn since the state was made; tells what a redraw cost.
    uint64_t mapCellsDrawn = 0;
    Surface TileSheet;    // 16 x 16 tiles of 64 x 64 pixels
    Surface ItemSheet;
    Surface VictimSheet;
    Surface MonsterSheet;
    // Every tile sheet decoded this session, by sheet number, in the drawing
    // format: a level of a tileset seen before decodes nothing.
    std::map<uint32_t, std::shared_ptr<Bitmap>> tileSheets;

    // Tile indices of the scratch pad, 2 bytes a cell (the second stays 0),
    // its surface, and the top-left corner of its selected cell.
    std::array<uint8_t, kPadCells * kPadCells * 2> ScratchPad{};
    Surface PadSurface;
    int32_t padX = 0;
    int32_t padY = 0;

    // Selection and stamps of BG mode (view/tile_tools.h).
    TileTools tiles;

    // Made on first use.
    std::unique_ptr<EditHistory, EditHistoryDeleter> history;
};

}  // namespace vurk
