// Private-profile (INI) files, read and written one key at a time.
//
// A missing file, section or key reads as the default; a write creates the file,
// the section and the key as needed and leaves every other line alone. Section
// and key names compare without regard to case.
#pragma once

#include <cstdint>
#include <string>

namespace vurk {

// The key's value as a signed decimal integer: leading blanks and a sign are
// allowed, reading stops at the first non-digit, no digits at all give 0. The
// default is returned only when the key is missing.
int32_t getPrivateProfileInt(const std::string& section, const std::string& key, int32_t defaultValue,
                             const std::string& fileName);

// The key's raw value, or `defaultValue` when the key is missing.
std::string getPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& fileName);

// Sets the key to `value`. Returns false when the file could not be written; the
// file is then left as it was.
bool writePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& fileName);

}  // namespace vurk
