#include "platform/image_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "platform/bytes.h"
#include "platform/files.h"

namespace vurk {

namespace {

ImageFaultHook& faultHook() {
    static ImageFaultHook hook;
    return hook;
}

ImageFault faultAt(ImageStep step) { return faultHook() ? faultHook()(step) : ImageFault{}; }

// Journal layout, little-endian: magic, image size, region count, then per
// region its offset, length, old bytes and new bytes; last a checksum of all
// that comes before it.
constexpr char kJournalMagic[8] = {'V', 'U', 'R', 'K', 'J', 'N', 'L', '1'};
constexpr size_t kJournalHead = 8 + 8 + 4;
constexpr size_t kRegionHead = 8 + 4;
constexpr size_t kChecksumSize = 8;
// The largest journal a save of an image of `imageSize` bytes writes: its
// regions are apart from each other (touching ones are merged), so there are at
// most half as many as bytes, and together they hold each byte at most once,
// old and new.
uint64_t maxJournalSize(uint64_t imageSize) {
    return kJournalHead + kChecksumSize + 2 * imageSize + kRegionHead * ((imageSize + 1) / 2);
}

uint64_t checksum(const uint8_t* p, size_t n) {
    uint64_t h = 0xcbf29ce484222325ull;  // FNV-1a
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
    return h;
}

void putLe64(std::vector<uint8_t>& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void putLe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint64_t getLe64(const uint8_t* p) { return readLe32(p) | uint64_t{readLe32(p + 4)} << 32; }

// Writes all of [p, p + n) at `at` (or at the file position when `at` < 0).
// Returns 0 or an errno.
int putBytes(int fd, const uint8_t* p, size_t n, int64_t at, ImageStep step) {
    ImageFault f = faultAt(step);
    if (f.error) return f.error;
    if (f.stop) n /= 2;
    while (n > 0) {
        ssize_t w = at < 0 ? ::write(fd, p, n) : ::pwrite(fd, p, n, at);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) return errno;
        if (w == 0) return ENOSPC;
        p += w;
        n -= static_cast<size_t>(w);
        if (at >= 0) at += w;
    }
    if (f.stop) ::_exit(86);
    return 0;
}

// Reads up to `n` bytes from offset 0; returns how many were read, and in `e`
// an errno when reading failed.
size_t readFrom(int fd, uint8_t* p, size_t n, int& e) {
    size_t done = 0;
    while (e == 0 && done < n) {
        ssize_t r = ::pread(fd, p + done, n - done, static_cast<off_t>(done));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) e = errno;
        if (r <= 0) break;
        done += static_cast<size_t>(r);
    }
    return done;
}

int syncFile(int fd, ImageStep step) {
    ImageFault f = faultAt(step);
    if (f.stop) ::_exit(86);
    if (f.error) return f.error;
    return ::fsync(fd) == 0 ? 0 : errno;
}

int syncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int e = syncFile(fd, ImageStep::FolderSync);
    ::close(fd);
    return e;
}

int removeJournal(const std::string& journal, const std::string& folder) {
    ImageFault f = faultAt(ImageStep::JournalRemove);
    if (f.stop) ::_exit(86);
    if (f.error) return f.error;
    if (::unlink(journal.c_str()) != 0 && errno != ENOENT) return errno;
    return syncFolder(folder);
}

std::string errnoText(int e) { return std::strerror(e); }

// Who holds the lock on the open file `fd`, as the kernel lists its locks with
// the holder's process: "VURK-Edit", "another vurk-tool (process 12)", or the
// program's name and process; empty when that cannot be found out.
std::string lockHolder(int fd) {
    struct stat st {};
    FILE* locks = std::fopen("/proc/locks", "re");
    if (!locks || fstat(fd, &st) != 0) {
        if (locks) std::fclose(locks);
        return {};
    }
    char id[8];
    std::snprintf(id, sizeof id, "%02x:%02x:", major(st.st_dev), minor(st.st_dev));
    const std::string file = id + std::to_string(st.st_ino);
    long pid = 0;
    char line[256];
    while (pid == 0 && std::fgets(line, sizeof line, locks)) {
        // "1: FLOCK  ADVISORY  WRITE 4711 fe:00:1234 0 EOF"; waiters' lines have "->" after the number.
        char kind[16], mode[16], access[16], where[64];
        long holder = 0;
        if (std::sscanf(line, "%*s %15s %15s %15s %ld %63s", kind, mode, access, &holder, where) == 5 &&
            std::strcmp(kind, "FLOCK") == 0 && file == where) {
            pid = holder;
        }
    }
    std::fclose(locks);
    if (pid <= 0) return {};
    std::string program;
    if (FILE* comm = std::fopen(("/proc/" + std::to_string(pid) + "/comm").c_str(), "re")) {
        if (std::fgets(line, sizeof line, comm)) program = line;
        std::fclose(comm);
    }
    while (!program.empty() && program.back() == '\n') program.pop_back();
    const std::string process = " (process " + std::to_string(pid) + ")";
    if (program == "vurk-edit") return "VURK-Edit";
    if (program == "vurk-tool") return "another vurk-tool" + process;
    return program.empty() ? std::string() : program + process;
}

// A region of the journal: where, what the image held, what the save writes.
struct Span {
    uint64_t offset = 0;
    std::vector<uint8_t> before;
    std::vector<uint8_t> after;
};

std::vector<uint8_t> journalBytes(uint64_t imageSize, const std::vector<Span>& spans) {
    std::vector<uint8_t> out(kJournalMagic, kJournalMagic + 8);
    putLe64(out, imageSize);
    putLe32(out, static_cast<uint32_t>(spans.size()));
    for (const Span& s : spans) {
        putLe64(out, s.offset);
        putLe32(out, static_cast<uint32_t>(s.before.size()));
        out.insert(out.end(), s.before.begin(), s.before.end());
        out.insert(out.end(), s.after.begin(), s.after.end());
    }
    putLe64(out, checksum(out.data(), out.size()));
    return out;
}

enum class Journal { Torn, Whole, OtherImage };

// The spans of a whole journal for an image of `imageSize` bytes.
Journal parseJournal(const std::vector<uint8_t>& j, uint64_t imageSize, std::vector<Span>& spans) {
    if (j.size() < kJournalHead + kChecksumSize || std::memcmp(j.data(), kJournalMagic, 8) != 0) return Journal::Torn;
    const size_t body = j.size() - kChecksumSize;
    if (getLe64(j.data() + body) != checksum(j.data(), body)) return Journal::Torn;
    if (getLe64(j.data() + 8) != imageSize) return Journal::OtherImage;
    uint32_t count = readLe32(j.data() + 16);
    size_t at = kJournalHead;
    for (uint32_t i = 0; i < count; ++i) {
        if (body - at < kRegionHead) return Journal::OtherImage;
        Span s;
        s.offset = getLe64(j.data() + at);
        uint64_t len = readLe32(j.data() + at + 8);
        at += kRegionHead;
        if ((body - at) / 2 < len || s.offset > imageSize || len > imageSize - s.offset) return Journal::OtherImage;
        s.before.assign(j.data() + at, j.data() + at + len);
        s.after.assign(j.data() + at + len, j.data() + at + 2 * len);
        at += 2 * len;
        spans.push_back(std::move(s));
    }
    return at == body ? Journal::Whole : Journal::OtherImage;
}

}  // namespace

void setImageFaultHook(ImageFaultHook hook) { faultHook() = std::move(hook); }

ImageFile::~ImageFile() { close(); }

ImageFile::OpenResult ImageFile::open(const std::string& name, Access access) {
    close();
    error_.clear();
    note_.clear();
    display_ = name;
    path_ = nativePath(name);
    journal_ = path_ + ".journal";
    const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
    folder_ = (folder.empty() ? std::filesystem::path(".") : folder).string();

    // Non-blocking, so that a FIFO or device under the image's name cannot
    // hang the open; only regular files are taken.
    readOnly_ = access == Access::Read;
    int fd = ::open(path_.c_str(), (readOnly_ ? O_RDONLY : O_RDWR) | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && !readOnly_ && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        // A file that may not be written is still shown.
        readOnly_ = true;
        fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    if (fd < 0) return OpenResult::CannotOpen;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return OpenResult::CannotOpen;
    }
    // Only a writer locks: reading needs no lock, so it works while another holds the image.
    if (!readOnly_ && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        if (held) {
            const std::string holder = lockHolder(fd);
            error_ = display_ + " is open in " + (holder.empty() ? "another program" : holder);
        }
        ::close(fd);
        return held ? OpenResult::Locked : OpenResult::CannotOpen;
    }
    auto fail = [&](std::string text) {
        ::close(fd);
        error_ = std::move(text);
        return OpenResult::Failed;
    };
    if (st.st_size == 0) return fail(display_ + " is empty.");
    if (static_cast<uint64_t>(st.st_size) > kMaxSize) {
        return fail(display_ + " is " + std::to_string(st.st_size) +
                    " bytes long, too large for an image of the game (at most 64 MiB).");
    }
    fd_ = fd;
    if (!readAll(static_cast<size_t>(st.st_size)) || !recover(note_)) {
        std::string text = std::move(error_);
        close();
        error_ = std::move(text);
        return OpenResult::Failed;
    }
    return OpenResult::Ok;
}

bool ImageFile::readAll(size_t size) {
    std::vector<uint8_t> bytes(size);
    ImageFault f = faultAt(ImageStep::Read);
    int e = f.error;
    const size_t done = readFrom(fd_, bytes.data(), size, e);
    if (e != 0) {
        error_ = display_ + " could not be read: " + errnoText(e) + ".";
        return false;
    }
    if (done < size) {
        error_ = display_ + " could not be read: the file ended after " + std::to_string(done) + " of " +
                 std::to_string(size) + " bytes.";
        return false;
    }
    bytes_ = std::move(bytes);
    return true;
}

bool ImageFile::recover(std::string& note) {
    const std::string jname = display_ + ".journal";
    int jfd = ::open(journal_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (jfd < 0 && errno == ENOENT) return true;
    // Whatever stands under the journal's name and is no whole journal was
    // never acted on: the image is written only after its journal is complete.
    // A symbolic link there is not followed, and counts as such.
    std::vector<uint8_t> j;
    int readError = jfd < 0 && errno != ELOOP ? errno : 0;
    struct stat st {};
    // A journal larger than any save of this image writes is not its own: it is
    // judged by its size, unread.
    bool oversized = false;
    if (jfd >= 0 && fstat(jfd, &st) == 0 && S_ISREG(st.st_mode)) {
        oversized = static_cast<uint64_t>(st.st_size) > maxJournalSize(bytes_.size());
        if (!oversized) {
            j.resize(static_cast<size_t>(st.st_size));
            j.resize(readFrom(jfd, j.data(), j.size(), readError));
        }
    }
    if (jfd >= 0) ::close(jfd);
    if (readError != 0) {
        error_ = jname + ", left by an interrupted save, could not be read (" + errnoText(readError) + "); " +
                 display_ + " was not opened so that nothing is lost.";
        return false;
    }

    std::vector<Span> spans;
    Journal kind = oversized ? Journal::OtherImage : parseJournal(j, bytes_.size(), spans);
    // Every byte must hold its old or its new value; otherwise the journal
    // belongs to another copy of the image and is set aside unused.
    for (const Span& s : spans) {
        for (size_t i = 0; i < s.after.size() && kind == Journal::Whole; ++i) {
            uint8_t b = bytes_[s.offset + i];
            if (b != s.before[i] && b != s.after[i]) kind = Journal::OtherImage;
        }
    }
    if (readOnly_) {
        // Nothing is written: what the files hold is read as the finished save would leave it.
        if (kind != Journal::Whole) return true;
        for (const Span& s : spans)
            std::copy(s.after.begin(), s.after.end(), bytes_.begin() + static_cast<ptrdiff_t>(s.offset));
        note = jname + " holds a save that has not fully reached " + display_ + "; " + display_ +
               " is read as that save leaves it, and both files are left as they are.";
        return true;
    }
    if (kind == Journal::Torn) {
        if (::unlink(journal_.c_str()) != 0 && errno != ENOENT) {
            error_ = jname + ", left by an interrupted save, could not be removed: " + errnoText(errno) + ".";
            return false;
        }
        syncFolder(folder_);
        note = "The last save to " + display_ + " was interrupted before it changed anything; its incomplete " +
               "journal was removed and " + display_ + " is as it was before that save.";
        return true;
    }
    if (kind == Journal::OtherImage) {
        const std::string aside = journal_ + ".rejected";
        if (::rename(journal_.c_str(), aside.c_str()) != 0) {
            error_ = jname + " does not belong to " + display_ + " and could not be set aside: " + errnoText(errno) +
                     ".";
            return false;
        }
        note = jname +
               (oversized ? " is larger than any save of " : " holds an interrupted save that does not match ") +
               display_ + "; " + display_ + " was left as it is and the journal kept as " + jname + ".rejected.";
        return true;
    }
    int e = 0;
    for (const Span& s : spans) {
        if (e == 0) e = putBytes(fd_, s.after.data(), s.after.size(), static_cast<int64_t>(s.offset), ImageStep::ImageWrite);
    }
    if (e == 0) e = syncFile(fd_, ImageStep::ImageSync);
    if (e != 0) {
        error_ = display_ + " holds an interrupted save that could not be finished (" + errnoText(e) + "). " +
                 "Nothing is lost: " + jname + " is kept, and the save is finished when " + display_ +
                 " is next opened.";
        return false;
    }
    for (const Span& s : spans) std::copy(s.after.begin(), s.after.end(), bytes_.begin() + static_cast<ptrdiff_t>(s.offset));
    removeJournal(journal_, folder_);
    note = "The last save to " + display_ + " was interrupted; it has now been finished from " + jname + ".";
    return true;
}

bool ImageFile::save(const std::vector<ImageRegion>& regions, std::string* why,
                     const std::function<bool(std::string& why)>& beforeWriting) {
    auto fail = [why](std::string text) {
        if (why) *why = std::move(text);
        return false;
    };
    if (!isOpen()) return fail("No image is open.");
    // A journal that an earlier failed save of this session left is finished first.
    std::string note;
    if (!readOnly_ && !recover(note)) return fail(error_);
    // Overlapping or touching regions become one span, later regions winning;
    // each span is then cut down to the bytes that change.
    std::vector<size_t> order(regions.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const ImageRegion& r = regions[i];
        if (r.offset > bytes_.size() || r.bytes.size() > bytes_.size() - r.offset) {
            return fail("A region to save lies outside " + display_ + ".");
        }
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return regions[a].offset < regions[b].offset; });
    std::vector<Span> spans;
    uint64_t spanEnd = 0;
    for (size_t i : order) {
        const ImageRegion& r = regions[i];
        if (r.bytes.empty()) continue;
        uint64_t end = r.offset + r.bytes.size();
        if (spans.empty() || r.offset > spanEnd) {
            spans.push_back({r.offset, {}, {}});
            spanEnd = r.offset;
        }
        spanEnd = std::max(spanEnd, end);
        Span& s = spans.back();
        s.before.assign(bytes_.begin() + static_cast<ptrdiff_t>(s.offset), bytes_.begin() + static_cast<ptrdiff_t>(spanEnd));
    }
    for (Span& s : spans) {
        s.after = s.before;
        for (const ImageRegion& r : regions) {
            if (r.offset >= s.offset && r.offset < s.offset + s.after.size()) {
                std::copy(r.bytes.begin(), r.bytes.end(), s.after.begin() + static_cast<ptrdiff_t>(r.offset - s.offset));
            }
        }
        size_t first = 0, last = s.after.size();
        while (first < last && s.after[first] == s.before[first]) ++first;
        while (last > first && s.after[last - 1] == s.before[last - 1]) --last;
        s.offset += first;
        s.before = {s.before.begin() + static_cast<ptrdiff_t>(first), s.before.begin() + static_cast<ptrdiff_t>(last)};
        s.after = {s.after.begin() + static_cast<ptrdiff_t>(first), s.after.begin() + static_cast<ptrdiff_t>(last)};
    }
    std::erase_if(spans, [](const Span& s) { return s.after.empty(); });
    if (spans.empty()) return true;
    if (readOnly_) return fail(display_ + kReadOnlyText);
    if (std::string stopped; beforeWriting && !beforeWriting(stopped)) return fail(stopped);

    const std::string jname = display_ + ".journal";
    const std::vector<uint8_t> j = journalBytes(bytes_.size(), spans);
    int jfd = ::open(journal_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (jfd < 0) {
        return fail("The save journal " + jname + " could not be created (" + errnoText(errno) + "); " + display_ +
                    " is unchanged.");
    }
    // Written piece by piece: the head, each region, the checksum.
    int e = 0;
    size_t at = 0;
    auto piece = [&](size_t n) {
        if (e == 0) e = putBytes(jfd, j.data() + at, n, -1, ImageStep::JournalWrite);
        at += n;
    };
    piece(kJournalHead);
    for (const Span& s : spans) piece(kRegionHead + 2 * s.after.size());
    piece(kChecksumSize);
    if (e == 0) e = syncFile(jfd, ImageStep::JournalSync);
    ::close(jfd);
    if (e == 0) e = syncFolder(folder_);
    if (e != 0) {
        ::unlink(journal_.c_str());
        return fail("The save journal " + jname + " could not be written (" + errnoText(e) + "); " + display_ +
                    " is unchanged.");
    }

    for (const Span& s : spans) {
        if (e == 0) e = putBytes(fd_, s.after.data(), s.after.size(), static_cast<int64_t>(s.offset), ImageStep::ImageWrite);
    }
    if (e == 0) e = syncFile(fd_, ImageStep::ImageSync);
    if (e != 0) {
        // Put the old bytes back; if even that fails, the journal stays and
        // the next open or save finishes this save.
        int undo = 0;
        for (const Span& s : spans) {
            if (undo == 0) undo = putBytes(fd_, s.before.data(), s.before.size(), static_cast<int64_t>(s.offset), ImageStep::ImageWrite);
        }
        if (undo == 0) undo = syncFile(fd_, ImageStep::ImageSync);
        if (undo == 0 && removeJournal(journal_, folder_) == 0) {
            return fail(display_ + " could not be written (" + errnoText(e) + "); it is unchanged.");
        }
        return fail(display_ + " could not be written (" + errnoText(e) + "); the save is kept in " + jname +
                    " and will be finished when " + display_ + " is next opened or saved.");
    }
    // The save has reached the disk; a journal that cannot be removed is
    // replayed harmlessly by the next open.
    removeJournal(journal_, folder_);
    for (const Span& s : spans) std::copy(s.after.begin(), s.after.end(), bytes_.begin() + static_cast<ptrdiff_t>(s.offset));
    return true;
}

void ImageFile::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    readOnly_ = false;
    bytes_.clear();
    bytes_.shrink_to_fit();
}

}  // namespace vurk
