#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "level/rom_image.h"
#include "tools/demo_levels.h"
#include "tools/tool_commands.h"

namespace vurk::fuzz {

void fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::fputs("FUZZ INVARIANT BROKEN: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    std::abort();
}

namespace {
std::string makeWorkFolder() {
    std::string base;
    if (const char* t = std::getenv("TMPDIR"); t && *t) {
        base = t;
    } else {
        base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    }
    std::string pattern = base + "/vurk-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) fail("cannot make a work folder under %s", base.c_str());
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(workFolder(), ec);
    });
    return pattern;
}
}  // namespace

const std::string& workFolder() {
    // Never destroyed: the exit handler that removes the folder runs after
    // the destructors of statics made later.
    static const std::string& folder = *new std::string(makeWorkFolder());
    return folder;
}

InWorkFolder::InWorkFolder() {
    const std::string& folder = workFolder();
    previous_ = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (previous_ < 0 || chdir(folder.c_str()) != 0) fail("cannot enter %s", folder.c_str());
}

InWorkFolder::~InWorkFolder() {
    if (fchdir(previous_) != 0) fail("cannot go back to the starting folder");
    ::close(previous_);
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f && (size == 0 || std::fwrite(data, 1, size, f) == size);
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) fail("cannot write %s", path.c_str());
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) fail("cannot open %s", path.c_str());
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) fail("cannot read %s", path.c_str());
    return bytes;
}

const std::vector<uint8_t>& demoImageBytes() {
    static const std::vector<uint8_t> image = demo::demoImage().image;
    return image;
}

std::vector<uint8_t> imageWithTail(const uint8_t* tail, size_t tailSize, size_t size) {
    const std::vector<uint8_t>& demo = demoImageBytes();
    std::vector<uint8_t> image(demo.begin(), demo.begin() + kTailStart);
    image.insert(image.end(), tail, tail + tailSize);
    if (size == 0) return image;
    if (image.size() > size) image.resize(size);
    while (image.size() < size) image.push_back(image.size() < demo.size() ? demo[image.size()] : 0);
    return image;
}

int runToolCommand(const std::vector<std::string>& args, std::string* out) {
    std::ostringstream captured, dropped;
    std::streambuf* const oldOut = std::cout.rdbuf(captured.rdbuf());
    std::streambuf* const oldErr = std::cerr.rdbuf(dropped.rdbuf());
    int status = -1;
    for (const tool::Command& c : tool::commands())
        if (args[0] == c.name) status = c.run({args.begin() + 1, args.end()});
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
    if (status < 0) fail("no command %s", args[0].c_str());
    if (out) *out = captured.str();
    return status;
}

}  // namespace vurk::fuzz
