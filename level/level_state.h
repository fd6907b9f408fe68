// The level part of the editor's state and the operations on level data:
// loading a level out of the image, writing it back, and VMAP side files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "level/records.h"
#include "level/restore_points.h"
#include "level/rom_image.h"
#include "platform/shell.h"

namespace vurk {

// Where each piece of the loaded level lies in the image. Fixed when the level
// is loaded and checked to lie inside the file; the write-back writes exactly
// these regions and nothing else.
struct LevelRegions {
    uint32_t header = 0;
    uint32_t map = 0;  // the tile map's source
    uint32_t rsm = 0;
    uint32_t victims = 0;
    uint32_t otm = 0;
    uint32_t items = 0;
    uint32_t bonus = 0;  // meaningful only with a bonus list
};

struct LevelState {
    RomImage rom;

    uint32_t currentLevel = 0;
    bool levelLoaded = false;
    // When set, a load keeps the working header instead of reading the image's.
    bool keepHeader = false;

    LevelHeader header{};
    uint32_t mapWidth = 0;
    uint32_t mapHeight = 0;
    uint32_t mapSize = 0;  // bytes: width * height * 2
    std::vector<uint8_t> mapBuffer;
    LevelRegions regions;

    // Object lists, each sized to the level; counts never change after a load.
    std::vector<ItemRecord> items;
    VictimArray victims{};
    std::vector<OtmRecord> otm;
    std::vector<RsmRecord> rsm;
    std::vector<uint16_t> bonus;

    TileClipboard clipboard;

    // The session's restore point, made before its first save.
    RestorePointPolicy restorePoints;
};

// The widest and highest map the editor takes: objects' 16-bit pixel
// coordinates reach 1024 cells of 64 pixels, and no further. There is no limit
// on cells besides: the view draws only what the window shows, so the map's
// size costs no picture memory, and the tile map (2 bytes a cell) must lie
// inside the image, which is at most ImageFile::kMaxSize.
inline constexpr uint32_t kMaxMapSide = 1024;

// The data steps of a level load: checks that every region the level names lies
// inside the image and that its lists are in order, then copies the header (unless
// keepHeader), the tile map and the lists into the state, places the start points,
// and resets the tile clipboard. On refusal, returns false with a "Level N: ..."
// text in `why` and leaves the state exactly as it was.
bool loadLevelData(LevelState& s, uint32_t level, std::string& why);

// Whether a save of the level as it stands keeps its lists' structure: the next
// load counts the same items, otm, rsm and bonus codes (freed bonus slots at the
// end of the list shorten it, as the Bonus dialog intends). Not so when two of
// the regions of levelSpans(s) overlap (a damaged level, which loads but would
// write one region over another), with an item at x = 0 (it ends the item list)
// or an empty bonus slot before a used one; `why` (when given) then says which.
bool saveKeepsLists(const LevelState& s, std::string* why);

// The index of the first item whose x is 0, or -1 when there is none.
int firstItemAtZeroX(const std::vector<ItemRecord>& items);

// The regions a save of the level writes, in the order it writes them: map,
// items, victims, otm, rsm, header (with the start points put back) and bonus.
std::vector<ImageRegion> levelSaveRegions(const LevelState& s);

// Writes the working level back over the regions it was read from, as one
// crash-safe save (saveWithRestorePoint): before the session's first save that
// changes bytes it makes the restore point, and does not save when that fails.
// Returns false when no level is loaded, the level cannot be written as it
// stands (saveKeepsLists; nothing is written then), the image is read-only, the
// restore point could not be made or the image could not be written to disk;
// `why` (when given) then holds a sentence for the user, and the working level is
// kept.
bool writeLevel(LevelState& s, std::string* why = nullptr);

// ".\maps\levelNN.vmap" for the current level.
std::string vmapPath(uint32_t level);

// Writes the current level's VMAP file; reports a failure through the shell,
// after putting its reason in `why` (when given). A maps folder that is a link
// is refused before anything is written or removed. Returns true when the file
// was written.
bool writeVmap(LevelState& s, Shell& shell, std::string* why = nullptr);

// Reads the current level's VMAP file into the lists, the map and the start
// points, after checking that it fits the level; reports a failure through the
// shell and then changes nothing. Returns true when the data were taken.
// `path` names another VMAP file than the level's own. A refused file's
// reason ("belongs to level 0, not level 1") goes to `why`, when given, before
// the box is shown.
bool readVmapData(LevelState& s, Shell& shell, const std::string& path = {}, std::string* why = nullptr);

// Texts of the VMAP boxes (caption "Error").
inline constexpr const char* kVmapMissingText = "Could not find vmap for this level";
inline constexpr const char* kVmapBadText = "Error in vmap file";
inline constexpr const char* kVmapCreateText = "Could not open vmap file";
inline constexpr const char* kVmapWriteText = "Could not write vmap file";
inline constexpr const char* kErrorCaption = "Error";
inline constexpr const char* kUnfinishedSaveCaption = "Unfinished save";

}  // namespace vurk
