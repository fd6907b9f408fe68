// The program's own PNG writer: 8-bit RGB pictures handed over band by band,
// so that a picture far larger than memory can be written a few rows at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/bitmap.h"
#include "platform/files.h"

namespace vurk {

class Deflater;

// Writes one PNG file: create, the rows of the picture in order through any
// number of addRows calls, then commit. The file appears only at a commit that
// succeeds; a failed commit, or a writer dropped before it, leaves nothing.
class PngRowWriter {
public:
    PngRowWriter();
    PngRowWriter(const PngRowWriter&) = delete;
    PngRowWriter& operator=(const PngRowWriter&) = delete;
    ~PngRowWriter();

    // Starts a picture of width x height pixels; false when the file cannot be
    // created or the size is not positive.
    bool create(const std::string& path, uint32_t width, uint32_t height);
    // The next rows of the picture: every row of `band`, a 32-bit bitmap as
    // wide as the picture. A band of another width, or rows past the height,
    // make the commit fail.
    void addRows(const Bitmap& band);
    // Ends the file and puts it in place; false when any step failed or the
    // rows given do not fill the picture.
    bool commit();

private:
    void writeChunk(const char* type, const uint8_t* data, size_t size);
    void flushImageData(bool all);

    std::optional<FileWriter> file_;  // dropped, with its temporary file, when the picture fails
    std::unique_ptr<Deflater> deflater_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    uint32_t rows_ = 0;
    bool failed_ = true;
};

}  // namespace vurk
