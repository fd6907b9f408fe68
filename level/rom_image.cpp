#include "level/rom_image.h"

#include <algorithm>

#include "platform/bytes.h"

namespace vurk {

std::optional<uint32_t> levelHeaderOffset(const RomImage& rom, uint32_t level) {
    if (level >= kLevelCount) return std::nullopt;
    uint32_t entry = kLevelTableOffset + 2 * level;
    if (!rom.contains(entry, 2)) return std::nullopt;
    return readLe16(rom.base() + entry) + kBank9FBase;
}

RomOpenResult openRomImage(RomImage& rom, const std::string& name, ImageFile::Access access) {
    switch (rom.file.open(name, access)) {
    case ImageFile::OpenResult::Ok:
        return RomOpenResult::Ok;
    case ImageFile::OpenResult::Failed:
        return RomOpenResult::Failed;
    case ImageFile::OpenResult::Locked:
        return RomOpenResult::Locked;
    case ImageFile::OpenResult::CannotOpen:
        break;
    }
    return RomOpenResult::CannotOpen;
}

void holdRomImage(RomImage& rom, const std::vector<uint8_t>& bytes) {
    rom.file.close();
    rom.held = std::make_unique<uint8_t[]>(bytes.size() + 1);  // never null, even for no bytes
    if (!bytes.empty()) std::copy(bytes.begin(), bytes.end(), rom.held.get());
    rom.heldSize = bytes.size();
}

bool saveRegions(RomImage& rom, const std::vector<ImageRegion>& regions, std::string* why) {
    return rom.file.save(regions, why);
}

void closeRomImage(RomImage& rom) { rom.file.close(); }

}  // namespace vurk
