#include "platform/instance_lock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vurk {

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

std::string InstanceLock::runtimeFolder() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir && *dir) return dir;
    dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

bool InstanceLock::acquire(const std::string& name) {
    if (fd_ >= 0) return true;
    std::string path = runtimeFolder() + "/" + name + "-" + std::to_string(::getuid());
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
