// Private-profile (INI) files: loaded once, read and changed key by key in
// memory, saved once.
//
// A missing file, section or key reads as the default; a write creates the
// section and the key as needed (and the file on saving) and leaves every other
// line alone. Section and key names compare without regard to case.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace vurk {

// Settings files larger than this are not read: they cannot be the program's own.
inline constexpr uint64_t kProfileMaxBytes = 1 << 20;

class Profile {
public:
    // Reads the file of at most `maxBytes` bytes. On anything but Ok the
    // profile is empty, so every key reads as its default.
    ReadResult load(const std::string& fileName, uint64_t maxBytes);

    // The key's value as a signed decimal integer: leading blanks and a sign
    // are allowed, reading stops at the first non-digit, no digits at all give
    // 0. The default is returned only when the key is missing.
    int32_t getInt(const std::string& section, const std::string& key, int32_t defaultValue) const;
    // The key's value read as getInt reads it, but held to [low, high] instead
    // of wrapping: a number of any length above `high` reads as `high`, one
    // below `low` as `low`. `defaultValue` when the key is missing or its value
    // starts with no digits.
    int64_t getBoundedInt(const std::string& section, const std::string& key, int64_t low, int64_t high,
                          int64_t defaultValue) const;
    // The key's raw value, or `defaultValue` when the key is missing.
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const;

    // Sets the key to `value`: an existing key is replaced where it stands, a
    // new one goes after the last line of its section, a new section at the end.
    void set(const std::string& section, const std::string& key, const std::string& value);

    // Replaces the file whole. False when it could not be written; it is then
    // left as it was.
    bool save(const std::string& fileName) const;

private:
    std::vector<std::string> lines_;  // without their line ends
};

}  // namespace vurk
