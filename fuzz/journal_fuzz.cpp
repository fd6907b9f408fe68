// Recovery from the journal of an interrupted save. The input is the journal
// found beside a small image: its first byte says whether the target seals it
// (a right checksum, and the image's size in its size field), the rest is the
// journal. The open must finish a whole journal that fits the image or leave
// the image as it was: afterwards the image holds either its old bytes or the
// journal's new bytes, never a mix, and no journal is left under its name.
#include <cstring>
#include <filesystem>

#include "fuzz/fuzz_support.h"
#include "platform/bytes.h"
#include "platform/image_file.h"

using namespace vurk;
using namespace vurk::fuzz;

namespace {

constexpr size_t kImageSize = 4096;
constexpr size_t kHead = 20;  // magic, image size, region count

uint64_t le64(const uint8_t* p) { return readLe32(p) | uint64_t{readLe32(p + 4)} << 32; }

// The checksum the journal ends with (FNV-1a of all before it).
uint64_t checksum(const uint8_t* p, size_t n) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
    return h;
}

// The image a whole journal that fits `old` makes of it; `old` itself for
// any other journal. A model of its own, written from the layout: magic,
// image size, region count, then per region offset, length, old and new
// bytes; last the checksum.
std::vector<uint8_t> expectedImage(const std::vector<uint8_t>& old, const std::vector<uint8_t>& j) {
    if (j.size() < kHead + 8 || std::memcmp(j.data(), "VURKJNL1", 8) != 0) return old;
    const size_t body = j.size() - 8;
    if (le64(j.data() + body) != checksum(j.data(), body) || le64(j.data() + 8) != old.size()) return old;
    std::vector<uint8_t> image = old;
    size_t at = kHead;
    for (uint32_t n = readLe32(j.data() + 16); n > 0; --n) {
        if (body - at < 12) return old;
        const uint64_t offset = le64(j.data() + at);
        const uint64_t length = readLe32(j.data() + at + 8);
        at += 12;
        if (length > (body - at) / 2 || offset > old.size() || length > old.size() - offset) return old;
        for (uint64_t i = 0; i < length; ++i) {
            // A byte that holds neither value belongs to another image.
            const uint8_t was = old[offset + i];
            if (was != j[at + i] && was != j[at + length + i]) return old;
            image[offset + i] = j[at + length + i];
        }
        at += 2 * length;
    }
    return at == body ? image : old;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > (1u << 16)) return 0;
    std::vector<uint8_t> journal(data + 1, data + size);
    if ((data[0] & 1) && journal.size() >= kHead) {
        for (int i = 0; i < 8; ++i) journal[8 + i] = static_cast<uint8_t>(uint64_t{kImageSize} >> (8 * i));
        const uint64_t sum = checksum(journal.data(), journal.size());
        for (int i = 0; i < 8; ++i) journal.push_back(static_cast<uint8_t>(sum >> (8 * i)));
    }
    std::vector<uint8_t> old(kImageSize);
    for (size_t i = 0; i < old.size(); ++i) old[i] = static_cast<uint8_t>(i * 7 + (i >> 8));

    InWorkFolder here;
    std::error_code ec;
    std::filesystem::remove("image.bin.journal.rejected", ec);
    writeFile("image.bin", old);
    writeFile("image.bin.journal", journal);
    const std::vector<uint8_t> want = expectedImage(old, journal);
    {
        ImageFile file;
        const ImageFile::OpenResult r = file.open("image.bin");
        if (r == ImageFile::OpenResult::Ok &&
            (file.size() != want.size() || std::memcmp(file.data(), want.data(), want.size()) != 0))
            fail("the image in memory after the open is not the %s bytes", want == old ? "old" : "journal's new");
        // Nothing here can make a write fail, so every open must succeed.
        if (r != ImageFile::OpenResult::Ok) fail("the image does not open: %s", file.errorText().c_str());
    }
    const std::vector<uint8_t> after = readFile("image.bin");
    if (after != want && after != old) fail("the image holds a mix of old and new bytes");
    if (after != want) fail("a whole journal that fits the image was not finished");
    if (std::filesystem::exists("image.bin.journal")) fail("the journal is still there after the open");
    return 0;
}
