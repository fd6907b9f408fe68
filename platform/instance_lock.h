// Keeps a second editor from starting: a lock file named after the program's
// marker in the user's runtime folder, held for the life of the process.
#pragma once

#include <string>

namespace vurk {

inline constexpr const char* kInstanceMarker = "VURKEditorMutex";

class InstanceLock {
public:
    InstanceLock() = default;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    // True when this process now holds the lock; false when another holds it.
    // A lock file that cannot be made at all does not keep the editor from
    // running. The lock file is only made in a folder of this user's own that
    // no one else may enter, and never through a link.
    bool acquire(const std::string& name = kInstanceMarker);
    // The folder the lock file goes in: $XDG_RUNTIME_DIR, else this user's own
    // "vurk-edit-UID" in the temporary folder, made (mode 700) when missing.
    static std::string runtimeFolder();

private:
    int fd_ = -1;
};

}  // namespace vurk
