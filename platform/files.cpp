#include "platform/files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vurk {

std::string nativePath(const std::string& name) {
    std::string path = name;
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

namespace {

// Opens a regular file for reading. Non-blocking, so that a FIFO without a
// writer cannot hold the caller. Returns -1 with `failed` set otherwise.
int openRegularFile(const std::string& name, uint64_t& size, ReadResult& failed) {
    int fd = ::open(nativePath(name).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        failed = errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Unreadable;
        return -1;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        failed = ReadResult::Unreadable;
        return -1;
    }
    size = static_cast<uint64_t>(st.st_size);
    return fd;
}

// Reads `count` bytes from the start of the file and closes it; Unreadable
// when fewer arrive.
ReadResult readAndClose(int fd, size_t count, std::vector<uint8_t>& out) {
    std::vector<uint8_t> bytes(count);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    if (done != bytes.size()) return ReadResult::Unreadable;
    out = std::move(bytes);
    return ReadResult::Ok;
}

}  // namespace

ReadResult readWholeFile(const std::string& name, std::vector<uint8_t>& out, uint64_t maxBytes) {
    ReadResult failed = ReadResult::Ok;
    uint64_t size = 0;
    const int fd = openRegularFile(name, size, failed);
    if (fd < 0) return failed;
    if (size > maxBytes) {
        ::close(fd);
        return ReadResult::TooLarge;
    }
    return readAndClose(fd, static_cast<size_t>(size), out);
}

ReadResult readFileStart(const std::string& name, std::vector<uint8_t>& out, size_t count) {
    ReadResult failed = ReadResult::Ok;
    uint64_t size = 0;
    const int fd = openRegularFile(name, size, failed);
    if (fd < 0) return failed;
    return readAndClose(fd, static_cast<size_t>(std::min<uint64_t>(size, count)), out);
}

namespace {

// A writer's temporary file is "<target>.vurk-tmp." followed by the six
// characters mkstemp chose; no other name is ever taken for one.
constexpr char kTempMark[] = ".vurk-tmp.";
constexpr size_t kTempRandom = 6;

struct SplitPath {
    std::string folder, base;
};

SplitPath splitPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// The target's name of a writer's temporary file; empty for any other name.
std::string tempTarget(const std::string& entry) {
    const size_t mark = std::strlen(kTempMark);
    if (entry.size() <= mark + kTempRandom) return {};
    const size_t at = entry.size() - kTempRandom - mark;
    if (entry.compare(at, mark, kTempMark) != 0) return {};
    for (size_t i = at + mark; i < entry.size(); ++i) {
        if (!std::isalnum(static_cast<unsigned char>(entry[i]))) return {};
    }
    return entry.substr(0, at);
}

}  // namespace

std::string linkOnPath(const std::string& folder) {
    const std::string path = nativePath(folder);
    std::string sofar = path.starts_with('/') ? "/" : "";
    for (size_t at = 0; at <= path.size();) {
        const size_t end = std::min(path.find('/', at), path.size());
        const std::string part = path.substr(at, end - at);
        at = end + 1;
        if (part.empty() || part == ".") continue;
        if (!sofar.empty() && sofar.back() != '/') sofar += '/';
        sofar += part;
        struct stat st {};
        if (::lstat(sofar.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return sofar;
    }
    return {};
}

void removeStaleTemps(const std::string& folder, const std::function<bool(const std::string& target)>& isTarget) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir)) {
        const std::string target = tempTarget(e->d_name);
        if (!target.empty() && isTarget(target)) names.emplace_back(e->d_name);
    }
    const int dfd = ::dirfd(dir);
    for (const std::string& n : names) {
        int fd = ::openat(dfd, n.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat held {}, named {};
        if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            fstatat(dfd, n.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino) {
            ::unlinkat(dfd, n.c_str(), 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}

namespace {

// The replacement keeps the permissions of the file it replaces; a new file
// gets what a plain create would give it.
mode_t modeFor(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 0777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0644 & ~mask;
}

}  // namespace

FileWriter::~FileWriter() { discard(); }

void FileWriter::discard() {
    if (fd_ >= 0) {
        ::unlink(temp_.c_str());
        ::close(fd_);
        fd_ = -1;
    }
}

bool FileWriter::create(const std::string& name) {
    discard();
    failed_ = false;
    target_ = nativePath(name);
    const SplitPath path = splitPath(target_);
    removeStaleTemps(path.folder, [&path](const std::string& target) { return target == path.base; });
    // mkstemp creates exclusively: an existing name, a link included, is never opened.
    std::string temp = target_ + kTempMark + std::string(kTempRandom, 'X');
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    ::flock(fd, LOCK_EX | LOCK_NB);  // marks the file as in use until it is renamed or removed
    ::fchmod(fd, modeFor(target_));
    fd_ = fd;
    temp_ = temp;
    return true;
}

bool FileWriter::write(const void* data, size_t size) {
    if (fd_ < 0 || failed_) return false;
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd_, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ = true;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool FileWriter::commit() {
    if (fd_ < 0) return false;
    // Renamed while still open and locked, so no other writer's sweep can take it.
    bool ok = !failed_ && ::fsync(fd_) == 0 && ::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok) ::unlink(temp_.c_str());
    ::close(fd_);
    fd_ = -1;
    if (ok) {
        // The rename itself reaches the disk with the folder.
        const int dfd = ::open(splitPath(target_).folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd >= 0) {
            ::fsync(dfd);
            ::close(dfd);
        }
    }
    return ok;
}

}  // namespace vurk
