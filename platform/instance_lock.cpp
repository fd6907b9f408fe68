#include "platform/instance_lock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vurk {

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

std::string InstanceLock::runtimeFolder() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir && *dir) return dir;
    dir = std::getenv("TMPDIR");
    const std::string folder = std::string(dir && *dir ? dir : "/tmp") + "/vurk-edit-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);  // an existing one is checked when it is opened
    return folder;
}

bool InstanceLock::acquire(const std::string& name) {
    if (fd_ >= 0) return true;
    // The folder must be this user's own and open to no one else, so that no
    // other user can have planted a link or file under the lock's name.
    const int dir = ::open(runtimeFolder().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) return true;
    struct stat st {};
    int fd = -1;
    if (fstat(dir, &st) == 0 && st.st_uid == ::getuid() && (st.st_mode & 077) == 0) {
        const std::string file = name + "-" + std::to_string(::getuid());
        fd = ::openat(dir, file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    }
    ::close(dir);
    if (fd < 0) return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        return err != EWOULDBLOCK;
    }
    fd_ = fd;
    return true;
}

}  // namespace vurk
