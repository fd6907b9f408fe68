#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
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

bool readWholeFile(const std::string& name, std::vector<uint8_t>& out) {
    int fd = ::open(nativePath(name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    if (done != bytes.size()) return false;
    out = std::move(bytes);
    return true;
}

FileWriter::~FileWriter() { discard(); }

void FileWriter::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(temp_.c_str());
    }
}

bool FileWriter::create(const std::string& name) {
    discard();
    failed_ = false;
    target_ = nativePath(name);
    temp_ = target_ + ".tmp";
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd_ >= 0;
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
    bool ok = !failed_ && ::fsync(fd_) == 0;
    ok = (::close(fd_) == 0) && ok;
    fd_ = -1;
    if (ok) ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok) ::unlink(temp_.c_str());
    return ok;
}

MappedFile::~MappedFile() { close(); }

MappedFile::OpenResult MappedFile::open(const std::string& name) {
    close();
    error_.clear();
    int fd = ::open(nativePath(name).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return OpenResult::CannotOpen;
    // Exclusive and non-blocking: a second editor is kept out, as it would be
    // by an open with no sharing.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return OpenResult::CannotOpen;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        error_ = std::strerror(errno);
        ::close(fd);
        return OpenResult::CannotMap;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return OpenResult::CannotOpen;
    }
    if (st.st_size == 0) {
        error_ = "The file cannot be mapped because it is empty.";
        ::close(fd);
        return OpenResult::CannotMap;
    }
    void* p = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
        error_ = std::strerror(errno);
        ::close(fd);
        return OpenResult::CannotMap;
    }
    fd_ = fd;
    base_ = static_cast<uint8_t*>(p);
    size_ = static_cast<size_t>(st.st_size);
    return OpenResult::Ok;
}

bool MappedFile::flush() {
    if (!base_) return false;
    return ::msync(base_, size_, MS_SYNC) == 0;
}

void MappedFile::close() {
    if (base_) {
        ::munmap(base_, size_);
        base_ = nullptr;
        size_ = 0;
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace vurk
