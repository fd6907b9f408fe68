// The one-bit-at-a-time inflater, kept as the oracle for the decoder's fast
// one: the two must give the same bytes and the same outcome for every input.
#pragma once

#include "png/png_internal.h"

namespace vurk::test {

// Same contract as inflateImageData: fills rawData (rawSize bytes) exactly,
// returns 1, or 0 with lastError 0x2000.
int referenceInflateImageData(PngDecoder& d);

}  // namespace vurk::test

#include <cstddef>
#include <string>

namespace vurk::test {

// Reads the PNG file in memory and inflates its image data with both
// inflaters into buffers of the raw data size. True when they agree on the
// outcome, the code and, on success, every byte; `why` says how they differ.
// Files that cannot be read, or whose raw data exceeds maxRaw bytes, agree
// trivially.
bool inflatersAgree(const uint8_t* file, size_t size, std::string* why, uint32_t maxRaw = 1u << 24);

}  // namespace vurk::test
