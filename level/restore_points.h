// Restore points: copies of the whole image kept in "backups" beside it, one
// made before the first save of each session, and the way back from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "level/rom_image.h"
#include "platform/profile.h"

namespace vurk {

struct LevelState;

inline constexpr const char* kBackupFolder = "backups";
inline constexpr uint32_t kDefaultRestorePointKeep = 20;
// More restore points than this are never asked for: a larger number keeps this many.
inline constexpr uint32_t kMaxRestorePointKeep = 10000;
// Section and key of vurk.ini that set how many restore points are kept.
inline constexpr const char* kBackupsSection = "backups";
inline constexpr const char* kBackupsKeepKey = "keep";

// Key "keep" of section [backups]: the number of restore points kept, default
// 20 (also for a value that is no number); a value below 1 keeps 1 (the one
// just made), one above kMaxRestorePointKeep keeps that many.
uint32_t restorePointKeep(const Profile& ini);

// One session's restore points: made once, before the session's first save.
struct RestorePointPolicy {
    std::string folder = kBackupFolder;
    uint32_t keep = kDefaultRestorePointKeep;
    bool made = false;
    std::string lastMade;  // the file made for this session; empty until a save changed the image
};

// A restore point file, named vurk-YYYYMMDD-HHMMSS.smc, or with "-2", "-3", ...
// before ".smc" when more than one was made in the same second.
struct RestorePointFile {
    std::string name;  // file name alone
    std::string path;  // folder/name
    std::string when;  // "YYYY-MM-DD HH:MM:SS", local time
    uint64_t order = 0;  // sorts the files from oldest to newest
};

// The restore points of the folder, oldest first; other files, and links, are not listed.
std::vector<RestorePointFile> listRestorePoints(const std::string& folder);

// Copies the image bytes to a new restore point in `folder` (made when missing)
// stamped with `now`, written to a temporary file and then renamed, and removes
// the oldest restore points beyond `keep` and the half-made copies of writers
// that were killed. Returns the new file's path, or an empty text with `why`
// filled; a folder that is a link, or lies behind one, is refused untouched.
std::string makeRestorePoint(const uint8_t* image, size_t size, const std::string& folder, uint32_t keep,
                             std::time_t now, std::string& why);

// Writes the regions into the image as one crash-safe save (saveRegions),
// making the session's restore point first unless it was made already. A save
// that changes no byte writes nothing and makes no restore point; one that
// would is refused on a read-only image, and when the restore point cannot be
// made (nothing is saved then). Returns false with a sentence for the user in
// `why` (when given).
bool saveWithRestorePoint(RestorePointPolicy& policy, RomImage& rom, const std::vector<ImageRegion>& regions,
                          std::string* why);

// A stretch of the image that a loaded level occupies.
struct ImageSpan {
    const char* what;
    uint32_t offset = 0;
    uint32_t size = 0;
    // Empty spans are equal wherever they lie.
    bool operator==(const ImageSpan& o) const { return size == o.size && (size == 0 || offset == o.offset); }
};

// Every byte of the image a loaded level owns, as the loader found them, in
// this order: the header, the tile map, the rsm list, the victim block, the otm
// list and the item list, each list with its end (an empty rsm or otm list has
// size 0), and the bonus list with its end word when the level has one.
std::vector<ImageSpan> levelSpans(const LevelState& s);

}  // namespace vurk
