// Little-endian field types for packed records.
//
// Records move between the image, memory and side files by whole byte copies,
// so every field is stored as raw bytes and converted on access. A record made
// of these types has alignment 1 and no padding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vurk {

inline uint16_t readLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t readLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void writeLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void writeLe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// Most significant byte first, as PNG files store their numbers.
inline void writeBe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

struct Le16 {
    uint8_t b[2];
    operator uint16_t() const { return readLe16(b); }
    Le16& operator=(uint16_t v) {
        writeLe16(b, v);
        return *this;
    }
};

struct Le32 {
    uint8_t b[4];
    operator uint32_t() const { return readLe32(b); }
    Le32& operator=(uint32_t v) {
        writeLe32(b, v);
        return *this;
    }
};

static_assert(sizeof(Le16) == 2 && alignof(Le16) == 1);
static_assert(sizeof(Le32) == 4 && alignof(Le32) == 1);

}  // namespace vurk
