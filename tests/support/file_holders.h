// Other holders of a test's files: another program holding the image's lock,
// and a file that may not be written.
#pragma once

#include <string>
#include <sys/types.h>

namespace vurk::test {

// A child process named `program` ("vurk-edit") that holds the write lock on
// `file` as the editor does, until destroyed.
class LockHolder {
public:
    LockHolder(const char* program, const char* file);
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool holds() const { return holds_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int release_ = -1;  // closing it lets the child end
    bool holds_ = false;
};

// Makes `file` read-only for this process until destroyed: mode 0444, and for
// root (whom modes do not stop) the immutable flag. made() is false where
// neither stops a writer; the test should then be skipped.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(std::string file);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool made() const { return made_; }

private:
    bool setImmutable(bool on) const;
    std::string file_;
    bool immutable_ = false;
    bool made_ = false;
};

}  // namespace vurk::test
