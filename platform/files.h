// Files named the way the editor names them (".\maps\level03.vmap"), opened on
// the host system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vurk {

// Turns the editor's relative names into host paths: "\" becomes "/".
std::string nativePath(const std::string& name);

enum class ReadResult {
    Ok,
    Missing,     // no such file (or folder on its way)
    Unreadable,  // there, but not a regular file or not readable
    TooLarge,    // larger than the limit: nothing was read
};

// Reads a whole regular file of at most `maxBytes` bytes. Never blocks: a FIFO
// or device is refused without waiting for a writer. The size is checked before
// anything is read. `out` changes only on Ok.
ReadResult readWholeFile(const std::string& name, std::vector<uint8_t>& out, uint64_t maxBytes);

// The first part of the path `folder` (the folder itself included) that is a
// symbolic link, as the path names it up to there ("backups", "maps"); empty
// when no part is. Writers that must stay inside the workspace check it first.
std::string linkOnPath(const std::string& folder);

// Removes from `folder` the temporary files that FileWriters killed mid-write
// left for targets whose name `isTarget` accepts. A live writer keeps its file
// locked, so it is left alone; links and anything that is not a regular file
// are never touched.
void removeStaleTemps(const std::string& folder, const std::function<bool(const std::string& target)>& isTarget);

// Reads the first `count` bytes of a regular file (all of it when it is
// shorter), as readWholeFile reads; never TooLarge.
ReadResult readFileStart(const std::string& name, std::vector<uint8_t>& out, size_t count);

// Replaces a file whole: the bytes go to a new temporary file beside it (a
// unique name, created without following links), which is flushed and renamed
// over the target only when every byte is written, so a failed write never
// destroys what was there before. Temporary files that killed writers of the
// same target left behind are removed by the next create().
class FileWriter {
public:
    FileWriter() = default;
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    ~FileWriter();

    bool create(const std::string& name);  // false: cannot be created
    bool write(const void* data, size_t size);
    bool commit();  // false: a write failed or the file could not be put in place

private:
    void discard();
    int fd_ = -1;
    bool failed_ = false;
    std::string target_;
    std::string temp_;
};

}  // namespace vurk
