// Files named the way the editor names them (".\maps\level03.vmap"), opened on
// the host system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vurk {

// Turns the editor's relative names into host paths: "\" becomes "/".
std::string nativePath(const std::string& name);

// Reads a whole file. Returns false when it cannot be opened or read.
bool readWholeFile(const std::string& name, std::vector<uint8_t>& out);

// Replaces a file whole: the bytes go to a temporary file beside it, which is
// renamed over the target only when every byte is written, so a failed write
// never destroys what was there before.
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
