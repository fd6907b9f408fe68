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
// Section and key of vurk.ini that set how many restore points are kept.
inline constexpr const char* kBackupsSection = "backups";
inline constexpr const char* kBackupsKeepKey = "keep";

// Key "keep" of section [backups]: the number of restore points kept, default
// 20; a value below 1 keeps 1 (the one just made).
uint32_t restorePointKeep(const Profile& ini);

// One session's restore points: made once, before the session's first save.
struct RestorePointPolicy {
    std::string folder = kBackupFolder;
    uint32_t keep = kDefaultRestorePointKeep;
    bool made = false;
    std::string lastMade;  // the file made for this session
};

// A restore point file, named vurk-YYYYMMDD-HHMMSS.smc, or with "-2", "-3", ...
// before ".smc" when more than one was made in the same second.
struct RestorePointFile {
    std::string name;  // file name alone
    std::string path;  // folder/name
    std::string when;  // "YYYY-MM-DD HH:MM:SS", local time
    uint64_t order = 0;  // sorts the files from oldest to newest
};

// The restore points of the folder, oldest first; other files are not listed.
std::vector<RestorePointFile> listRestorePoints(const std::string& folder);

// Copies the image bytes to a new restore point in `folder` (made when missing)
// stamped with `now`, written to a temporary file and then renamed, and removes
// the oldest restore points beyond `keep`. Returns the new file's path, or an
// empty text with `why` filled.
std::string makeRestorePoint(const uint8_t* image, size_t size, const std::string& folder, uint32_t keep,
                             std::time_t now, std::string& why);

// Makes the session's restore point of the image unless it was made already.
// Returns false, with a sentence for the user in `why`, when the copy could
// not be made; the caller must then not save.
bool ensureRestorePoint(RestorePointPolicy& policy, const RomImage& rom, std::string& why);

// A stretch of the image that a loaded level occupies.
struct ImageSpan {
    const char* what;
    uint32_t offset = 0;
    uint32_t size = 0;
    bool operator==(const ImageSpan& o) const { return offset == o.offset && size == o.size; }
};

// Every byte of the image a loaded level owns, as the loader found them: the
// header, the map, the rsm list, victims and otm list up to the item list, the
// item list with its end record, and the bonus list with its end word.
std::vector<ImageSpan> levelSpans(const LevelState& s);

}  // namespace vurk
