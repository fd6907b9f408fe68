#include "tests/support/file_holders.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vurk::test {

LockHolder::LockHolder(const char* program, const char* file) {
    int ready[2], release[2];
    if (::pipe(ready) != 0) return;
    if (::pipe(release) != 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        // Only calls that are safe in the child of a process with threads.
        ::close(ready[0]);
        ::close(release[1]);
        ::prctl(PR_SET_NAME, program);
        const int fd = ::open(file, O_RDWR | O_CLOEXEC);
        const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 1 : 0;
        if (::write(ready[1], &ok, 1) != 1) ::_exit(1);
        char end;
        while (::read(release[0], &end, 1) > 0) {
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    char ok = 0;
    holds_ = pid_ > 0 && ::read(ready[0], &ok, 1) == 1 && ok == 1;
    ::close(ready[0]);
}

LockHolder::~LockHolder() {
    if (release_ >= 0) ::close(release_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
}

ReadOnlyFile::ReadOnlyFile(std::string file) : file_(std::move(file)) {
    ::chmod(file_.c_str(), 0444);
    if (::geteuid() == 0) immutable_ = setImmutable(true);
    const int fd = ::open(file_.c_str(), O_RDWR | O_CLOEXEC);
    made_ = fd < 0;
    if (fd >= 0) ::close(fd);
}

ReadOnlyFile::~ReadOnlyFile() {
    if (immutable_) setImmutable(false);
    ::chmod(file_.c_str(), 0644);
}

bool ReadOnlyFile::setImmutable(bool on) const {
    const int fd = ::open(file_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return done;
}

}  // namespace vurk::test
