#include "level/restore_points.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "level/level_state.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace vurk {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPrefix = "vurk-";
constexpr const char* kSuffix = ".smc";
// Restore points made in one second before the names run out.
constexpr uint32_t kMaxSerial = 999;

bool allDigits(const std::string& s, size_t from, size_t count) {
    if (from + count > s.size()) return false;
    for (size_t i = from; i < from + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
    }
    return true;
}

// Reads "vurk-YYYYMMDD-HHMMSS[-n].smc"; false for any other name.
bool parseName(const std::string& name, RestorePointFile& out) {
    const size_t prefix = std::strlen(kPrefix), suffix = std::strlen(kSuffix);
    if (name.size() < prefix + 15 + suffix || name.compare(0, prefix, kPrefix) != 0 ||
        name.compare(name.size() - suffix, suffix, kSuffix) != 0)
        return false;
    const size_t d = prefix;
    if (!allDigits(name, d, 8) || name[d + 8] != '-' || !allDigits(name, d + 9, 6)) return false;
    uint64_t serial = 1;
    const size_t rest = d + 15, end = name.size() - suffix;
    if (rest != end) {
        if (name[rest] != '-' || end - rest < 2 || end - rest > 4 || !allDigits(name, rest + 1, end - rest - 1))
            return false;
        serial = std::stoul(name.substr(rest + 1, end - rest - 1));
        if (serial < 2) return false;
    }
    const std::string date = name.substr(d, 8), time = name.substr(d + 9, 6);
    out.name = name;
    out.when = date.substr(0, 4) + "-" + date.substr(4, 2) + "-" + date.substr(6, 2) + " " + time.substr(0, 2) +
               ":" + time.substr(2, 2) + ":" + time.substr(4, 2);
    out.order = std::stoull(date + time) * (kMaxSerial + 1) + serial;
    return true;
}

bool taken(const fs::path& p) {
    std::error_code ec;
    return fs::symlink_status(p, ec).type() != fs::file_type::not_found;
}

std::string failure(const std::string& folder, const std::string& what) {
    return "Could not make a restore point of vurk.smc in " + folder + ": " + what + ". Nothing was saved.";
}

}  // namespace

uint32_t restorePointKeep(const Profile& ini) {
    return static_cast<uint32_t>(
        ini.getBoundedInt(kBackupsSection, kBackupsKeepKey, 1, kMaxRestorePointKeep, kDefaultRestorePointKeep));
}

std::vector<RestorePointFile> listRestorePoints(const std::string& folder) {
    std::vector<RestorePointFile> out;
    std::error_code ec;
    const fs::path dir = nativePath(folder);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        RestorePointFile f;
        if (it->symlink_status(ec).type() != fs::file_type::regular || !parseName(it->path().filename().string(), f))
            continue;
        f.path = (dir / f.name).string();
        out.push_back(f);
    }
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.order < b.order; });
    return out;
}

std::string makeRestorePoint(const uint8_t* image, size_t size, const std::string& folder, uint32_t keep,
                             std::time_t now, std::string& why) {
    const fs::path dir = nativePath(folder);
    // Nothing goes through a link: it could put the copy, and the pruning, anywhere.
    if (const std::string link = linkOnPath(dir.string()); !link.empty()) {
        why = link + " is a link; nothing was saved";
        return {};
    }
    std::error_code ec;
    fs::create_directory(dir, ec);
    if (ec || !fs::is_directory(dir, ec)) {
        why = failure(folder, "the folder could not be made");
        return {};
    }

    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    // Past the newest of the same second, so that the new one sorts last.
    std::string prefix = kPrefix;
    prefix += stamp;
    uint32_t first = 1;
    for (const RestorePointFile& f : listRestorePoints(folder)) {
        if (f.name.compare(0, prefix.size(), prefix) == 0) first = static_cast<uint32_t>(f.order % (kMaxSerial + 1)) + 1;
    }
    fs::path target;
    for (uint32_t serial = first; serial <= kMaxSerial && target.empty(); ++serial) {
        std::string name = prefix;
        if (serial > 1) name += '-' + std::to_string(serial);
        name += kSuffix;
        if (!taken(dir / name)) target = dir / name;
    }
    if (target.empty()) {
        why = failure(folder, "too many restore points were made in this second");
        return {};
    }

    // Each restore point has a new name, so the copies that killed writers left
    // are found by their kind of name.
    removeStaleTemps(dir.string(), [](const std::string& name) {
        RestorePointFile f;
        return parseName(name, f);
    });
    FileWriter file;
    if (!file.create(target.string()) || !file.write(image, size) || !file.commit()) {
        why = failure(folder, "the copy could not be written");
        return {};
    }

    // The newest `keep` stay; the new one is among them.
    std::vector<RestorePointFile> all = listRestorePoints(folder);
    for (size_t i = 0; i + std::max<uint32_t>(keep, 1) < all.size(); ++i) fs::remove(all[i].path, ec);
    return target.string();
}

bool saveWithRestorePoint(RestorePointPolicy& policy, RomImage& rom, const std::vector<ImageRegion>& regions,
                          std::string* why) {
    return rom.file.save(regions, why, [&policy, &rom](std::string& failed) {
        if (policy.made) return true;
        std::string made =
            makeRestorePoint(rom.base(), rom.size(), policy.folder, policy.keep, std::time(nullptr), failed);
        if (made.empty()) return false;
        policy.made = true;
        policy.lastMade = made;
        return true;
    });
}

std::vector<ImageSpan> levelSpans(const LevelState& s) {
    const LevelRegions& r = s.regions;
    // Each list with its end word, at the place and of the length the loader
    // found, whatever their order; an empty rsm or otm list takes no bytes.
    const auto list = [](const char* what, uint32_t offset, size_t count, size_t recordSize) {
        return ImageSpan{what, offset, count == 0 ? 0u : static_cast<uint32_t>(count * recordSize + 2)};
    };
    std::vector<ImageSpan> spans = {
        {"header", r.header, static_cast<uint32_t>(sizeof(LevelHeader))},
        {"tile map", r.map, s.mapSize},
        list("rsm list", r.rsm, s.rsm.size(), sizeof(RsmRecord)),
        {"victim block", r.victims, static_cast<uint32_t>(kVictimCount * sizeof(VictimRecord))},
        list("otm list", r.otm, s.otm.size(), sizeof(OtmRecord)),
        {"item list", r.items, static_cast<uint32_t>(s.items.size() * sizeof(ItemRecord) + 2)},
    };
    if (s.header.bonusList != 0) {
        spans.push_back({"bonus list", r.bonus, static_cast<uint32_t>(s.bonus.size() * 2 + 2)});
    }
    return spans;
}

}  // namespace vurk
