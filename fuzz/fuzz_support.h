// What the fuzz targets share: a private folder to work in (the program names
// its files relative to the working directory), whole-file writes and reads,
// a shell that counts its boxes, and a way to stop with a message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "level/rom_image.h"
#include "platform/shell.h"

namespace vurk::fuzz {

// Prints the message and aborts, so libFuzzer keeps the input that did it.
[[noreturn]] void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A folder of its own for this process, under $TMPDIR (else /dev/shm, else
// /tmp), removed when the process ends normally. Its absolute path.
const std::string& workFolder();

// Makes the work folder the working directory for its lifetime and goes back
// afterwards, so libFuzzer's relative corpus and artifact paths keep working.
class InWorkFolder {
public:
    InWorkFolder();
    ~InWorkFolder();
    InWorkFolder(const InWorkFolder&) = delete;
    InWorkFolder& operator=(const InWorkFolder&) = delete;

private:
    int previous_ = -1;
};

// Replaces the file with the bytes; fails the run when that is impossible.
void writeFile(const std::string& path, const uint8_t* data, size_t size);
inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    writeFile(path, bytes.data(), bytes.size());
}
// The whole file; fails the run when it cannot be read.
std::vector<uint8_t> readFile(const std::string& path);

class CountingShell : public Shell {
public:
    BoxAnswer messageBox(const std::string& text, const std::string&, BoxButtons buttons, BoxOwner) override {
        ++boxes;
        lastText = text;
        return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
    }
    int boxes = 0;
    std::string lastText;
};

// The file offset of bank $9F address $8000, where its data begin: the level
// table, headers and object lists. Targets that take a hostile image keep the
// demo image before it and put their input from there on.
inline constexpr uint32_t kTailStart = kBank9FBase + 0x8000;
// The demo image up to kTailStart followed by `tail`, cut or padded with the
// demo image's own bytes to `size` bytes (0: as long as the two make).
std::vector<uint8_t> imageWithTail(const uint8_t* tail, size_t tailSize, size_t size = 0);
// The whole demo image, made once.
const std::vector<uint8_t>& demoImageBytes();

// Runs a vurk-tool command in-process, in the working directory; its standard
// output goes to `out` when given and is dropped otherwise, its error lines
// are dropped. Returns its exit status.
int runToolCommand(const std::vector<std::string>& args, std::string* out = nullptr);

// The bytes of a list of plain records.
template <typename T>
std::vector<uint8_t> bytesOf(const T* records, size_t count) {
    const auto* p = reinterpret_cast<const uint8_t*>(records);
    return std::vector<uint8_t>(p, p + count * sizeof(T));
}

}  // namespace vurk::fuzz
