// The image file: read into memory whole, and changed only by journaled saves.
// Opened for writing, it is locked against other editors for the whole session;
// opened for reading (or when the file cannot be written), it is not locked and
// every save is refused.
//
// A save writes a journal beside the image ("<image>.journal": the regions'
// offsets, old and new bytes, and a checksum), flushes it and the folder, writes
// the regions, flushes the image and removes the journal. The next open for
// writing (or save) finishes a save whose journal is whole and discards a torn
// journal, which was never acted on; an open for reading takes a whole
// journal's new bytes in memory and leaves the files alone. No file access goes
// through a mapping, so a failing disk gives an error text, never a signal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vurk {

// What a save into an image opened for reading only says, after the image's name.
inline constexpr const char* kReadOnlyText = " is read-only; nothing was written";

// Bytes to put at an offset of the image.
struct ImageRegion {
    uint64_t offset = 0;
    std::vector<uint8_t> bytes;
};

class ImageFile {
public:
    enum class OpenResult { Ok, CannotOpen, Locked, Failed };
    enum class Access { Write, Read };
    // Larger files are refused before anything is read.
    static constexpr uint64_t kMaxSize = 64u << 20;

    ImageFile() = default;
    ImageFile(const ImageFile&) = delete;
    ImageFile& operator=(const ImageFile&) = delete;
    ~ImageFile();

    // CannotOpen: missing, not a regular file or not openable. Locked: held
    // by another editor or tool; errorText() names the holder ("vurk.smc is
    // open in VURK-Edit"). Failed: opened but empty, too large, unreadable, or
    // an interrupted save could not be finished; errorText() says why. Never
    // blocks. On Ok, recoveryNote() says what was done about an interrupted
    // save (empty when there was none). A file that may not be written (its
    // mode, an immutable file, a read-only file system) opens for reading.
    OpenResult open(const std::string& name, Access access = Access::Write);
    bool isOpen() const { return fd_ >= 0; }
    // Opened for reading only: saves are refused.
    bool readOnly() const { return readOnly_; }
    const uint8_t* data() const { return bytes_.data(); }
    size_t size() const { return bytes_.size(); }
    const std::string& errorText() const { return error_; }
    const std::string& recoveryNote() const { return note_; }
    const std::string& journalPath() const { return journal_; }

    // Writes the regions as one save. Regions must lie inside the file; bytes
    // that equal the image are not rewritten, and a save that changes no byte
    // writes nothing. On success the bytes in memory take the new values; on
    // failure they stay as they were, `why` says what went wrong and whether
    // the file is unchanged. `beforeWriting`, when given, is called once the
    // save is known to change bytes and before anything is written; when it
    // returns false (with its reason) the save stops there.
    bool save(const std::vector<ImageRegion>& regions, std::string* why,
              const std::function<bool(std::string& why)>& beforeWriting = {});

    // Closes the file, which also releases the lock.
    void close();

private:
    bool readAll(size_t size);
    // Finishes or discards what an interrupted save left; false (with
    // errorText) when a whole journal could not be applied.
    bool recover(std::string& note);
    int fd_ = -1;
    bool readOnly_ = false;
    std::string display_;  // the name as given, for messages
    std::string path_;
    std::string journal_;
    std::string folder_;
    std::vector<uint8_t> bytes_;
    std::string error_;
    std::string note_;
};

// Fault injection for tests: called before every step of reading or saving the
// image. The answer can make the step fail with an errno, or do half of it and
// end the process at once (as a kill would).
enum class ImageStep { Read, JournalWrite, JournalSync, FolderSync, ImageWrite, ImageSync, JournalRemove };
struct ImageFault {
    int error = 0;      // nonzero: the step fails with this errno
    bool stop = false;  // the step is half done, then the process ends (status 86)
};
using ImageFaultHook = std::function<ImageFault(ImageStep)>;
void setImageFaultHook(ImageFaultHook hook);

}  // namespace vurk
