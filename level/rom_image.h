// The game image "vurk.smc" and the game's address arithmetic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/image_file.h"

namespace vurk {

inline constexpr const char* kRomFileName = "vurk.smc";
inline constexpr uint32_t kLevelCount = 56;
inline constexpr uint32_t kLevelTableOffset = 0xF8202;
// File offset of bank $9F address 0 (the bank's data start at 0x8000 = 0xF8200).
inline constexpr uint32_t kBank9FBase = 0xF0200;
// One past the last byte that bank-$9F data can occupy.
inline constexpr uint32_t kBank9FEnd = 0x100200;

// The image as read at open; it changes only when a save has reached the file.
struct RomImage {
    ImageFile file;
    // An image read into memory to be looked at only (another image, a restore
    // point): not locked and never saved.
    std::unique_ptr<uint8_t[]> held;
    size_t heldSize = 0;
    const uint8_t* base() const { return file.isOpen() ? file.data() : held.get(); }
    size_t size() const { return file.isOpen() ? file.size() : heldSize; }
    bool isOpen() const { return file.isOpen() || held; }
    // True when [offset, offset + length) lies inside the file.
    bool contains(uint64_t offset, uint64_t length) const {
        return offset <= size() && length <= size() - offset;
    }
};

// A bank-$9F pointer as a file offset.
inline uint32_t shortPointerOffset(uint16_t p) { return p + kBank9FBase; }

// A long pointer (address low, address high, bank, 0) as a file offset,
// in 32-bit unsigned arithmetic: bank $80 address $8000 is offset 0x200.
inline uint32_t longPointerOffset(uint32_t p) {
    uint32_t bankWord = p >> 16;
    return p - (bankWord << 15) - 0x407E00u;
}

// The file offset of a level's header, from the level table; none when the
// level number is out of range or the table entry lies outside the file.
std::optional<uint32_t> levelHeaderOffset(const RomImage& rom, uint32_t level);

// CannotOpen: missing or not a file ("Could not find vurk.smc"). Locked: held
// by another editor or tool, which rom.file.errorText() names. Failed:
// rom.file.errorText() says why (empty, too large, unreadable).
enum class RomOpenResult { Ok, CannotOpen, Locked, Failed };

// Opens "vurk.smc" and reads it whole (see ImageFile::open): for writing it is
// locked against other editors, and an interrupted save is finished or
// discarded first (rom.file.recoveryNote() then says which); an image that
// may not be written, or one opened for reading, is not locked and never saved.
RomOpenResult openRomImage(RomImage& rom, const std::string& name = kRomFileName,
                           ImageFile::Access access = ImageFile::Access::Write);
// Holds a copy of image bytes for reading; the levels load from it as from vurk.smc.
void holdRomImage(RomImage& rom, const std::vector<uint8_t>& bytes);
// Writes the regions into the image as one crash-safe save (see ImageFile::save).
bool saveRegions(RomImage& rom, const std::vector<ImageRegion>& regions, std::string* why);
void closeRomImage(RomImage& rom);

}  // namespace vurk
