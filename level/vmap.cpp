#include <cstdio>
#include <cstring>

#include "level/level_state.h"
#include "platform/files.h"

namespace vurk {

namespace {

// The 76-byte header of a VMAP file.
struct VmapHeader {
    uint8_t magic[4];
    Le32 levelComplement;
    Le16 itemCount;
    Le16 victimCount;
    Le16 rsmCount;
    Le16 otmCount;
    LevelHeader header;
};
static_assert(sizeof(VmapHeader) == 76);

constexpr uint8_t kMagic[4] = {'V', 'M', 'A', 'P'};

}  // namespace

std::string vmapPath(uint32_t level) {
    char name[32];
    std::snprintf(name, sizeof name, ".\\maps\\level%-2.2u.vmap", level);
    return name;
}

bool writeVmap(LevelState& s, Shell& shell, std::string* why) {
    if (!s.levelLoaded) return false;
    const std::string path = nativePath(vmapPath(s.currentLevel));
    // The file and its temporary files stay inside the workspace.
    const std::string link = linkOnPath(path.substr(0, path.rfind('/')));
    FileWriter file;
    if (!link.empty() || !file.create(path)) {
        if (why && !link.empty()) *why = link + " is a link; nothing was written";
        shell.messageBox(kVmapCreateText, kErrorCaption);
        return false;
    }
    VmapHeader vh{};
    vh.header = s.header;
    vh.levelComplement = ~s.currentLevel;
    vh.itemCount = static_cast<uint16_t>(s.items.size());
    vh.rsmCount = static_cast<uint16_t>(s.rsm.size());
    vh.otmCount = static_cast<uint16_t>(s.otm.size());
    std::memcpy(vh.magic, kMagic, 4);
    vh.victimCount = kVictimCount;
    vh.header.start1X = s.victims[kStart1Record].x;
    vh.header.start1Y = s.victims[kStart1Record].y;
    vh.header.start2X = s.victims[kStart2Record].x;
    vh.header.start2Y = s.victims[kStart2Record].y;

    file.write(&vh, sizeof vh);
    file.write(s.rsm.data(), s.rsm.size() * sizeof(RsmRecord));
    file.write(s.victims.data(), kVictimCount * sizeof(VictimRecord));
    file.write(s.otm.data(), s.otm.size() * sizeof(OtmRecord));
    file.write(s.items.data(), s.items.size() * sizeof(ItemRecord));
    file.write(s.mapBuffer.data(), s.mapSize);
    if (!file.commit()) {
        shell.messageBox(kVmapWriteText, kErrorCaption);
        return false;
    }
    return true;
}

bool readVmapData(LevelState& s, Shell& shell, const std::string& path, std::string* why) {
    auto refuse = [&](const std::string& reason) {
        if (why) *why = reason;
        shell.messageBox(kVmapBadText, kErrorCaption);
        return false;
    };
    if (!s.levelLoaded) return false;
    // The magic and the level number come first, so that a file of another
    // level says so whatever its size.
    const auto otherFile = [&s](const std::vector<uint8_t>& start) -> std::string {
        if (std::memcmp(start.data(), kMagic, 4) != 0) return "not a VMAP file";
        if (const uint32_t level = ~readLe32(start.data() + 4); level != s.currentLevel) {
            return "belongs to level " + std::to_string(level) + ", not level " + std::to_string(s.currentLevel);
        }
        return {};
    };
    const std::string name = path.empty() ? vmapPath(s.currentLevel) : path;
    // A file that fits the level holds exactly the header, the lists and the
    // map; of a larger one only the start is read, to say whose it is.
    const size_t rsmBytes = s.rsm.size() * sizeof(RsmRecord);
    const size_t victimBytes = kVictimCount * sizeof(VictimRecord);
    const size_t otmBytes = s.otm.size() * sizeof(OtmRecord);
    const size_t itemBytes = s.items.size() * sizeof(ItemRecord);
    const size_t fileBytes = sizeof(VmapHeader) + rsmBytes + victimBytes + otmBytes + itemBytes + s.mapSize;
    std::vector<uint8_t> bytes;
    switch (readWholeFile(name, bytes, fileBytes)) {
    case ReadResult::Ok:
        break;
    case ReadResult::TooLarge: {
        std::vector<uint8_t> start;
        if (readFileStart(name, start, 8) == ReadResult::Ok && start.size() == 8) {
            if (std::string other = otherFile(start); !other.empty()) return refuse(other);
        }
        return refuse("longer than the " + std::to_string(fileBytes) + " bytes of this level's file");
    }
    case ReadResult::Missing:
    case ReadResult::Unreadable:
        shell.messageBox(kVmapMissingText, kErrorCaption);
        return false;
    }

    auto count = [](size_t n, const char* what) { return std::to_string(n) + " " + what; };
    const std::string cutShort = "ends after " + std::to_string(bytes.size()) + " of " + std::to_string(fileBytes) +
                                 " bytes";
    VmapHeader vh{};
    if (bytes.size() < sizeof vh) return refuse(cutShort);
    std::memcpy(&vh, bytes.data(), sizeof vh);
    if (std::string other = otherFile(bytes); !other.empty()) return refuse(other);
    if (uint64_t{vh.header.width} * vh.header.height * 2 != s.mapSize) {
        return refuse("holds a " + std::to_string(vh.header.width) + " x " + std::to_string(vh.header.height) +
                      " map, not " + std::to_string(s.mapWidth) + " x " + std::to_string(s.mapHeight));
    }
    if (vh.itemCount != s.items.size() || vh.victimCount != kVictimCount || vh.rsmCount != s.rsm.size() ||
        vh.otmCount != s.otm.size()) {
        return refuse("holds " + count(vh.itemCount, "items") + ", " + count(vh.victimCount, "victims") + ", " +
                      count(vh.otmCount, "otm") + " and " + count(vh.rsmCount, "rsm") + ", the level " +
                      count(s.items.size(), "items") + ", " + count(kVictimCount, "victims") + ", " +
                      count(s.otm.size(), "otm") + " and " + count(s.rsm.size(), "rsm"));
    }
    // With the counts equal to the level's, the size the header promises is
    // fileBytes: a file cut short is refused too, rather than taken in part.
    if (bytes.size() != fileBytes) return refuse(cutShort);

    // An item at x = 0 would end the item list at the next save: refused, so
    // that the level keeps its items and the file stays importable once fixed.
    std::vector<ItemRecord> items(s.items.size());
    const uint8_t* fileItems = bytes.data() + sizeof vh + rsmBytes + victimBytes + otmBytes;
    if (itemBytes > 0) std::memcpy(items.data(), fileItems, itemBytes);
    if (int i = firstItemAtZeroX(items); i >= 0) {
        shell.messageBox("Item " + std::to_string(i + 1) + " of " + std::to_string(items.size()) + " in " +
                             vmapPath(s.currentLevel) +
                             " is at x = 0, which would end the level's item list there and lose the items "
                             "after it. Nothing was read.",
                         kErrorCaption);
        return false;
    }

    const uint8_t* p = bytes.data() + sizeof vh;
    auto take = [&p](void* dest, size_t n) {
        if (n > 0) std::memcpy(dest, p, n);
        p += n;
    };
    take(s.rsm.data(), rsmBytes);
    take(s.victims.data(), victimBytes);
    take(s.otm.data(), otmBytes);
    take(s.items.data(), itemBytes);
    take(s.mapBuffer.data(), s.mapSize);
    s.victims[kStart1Record].x = vh.header.start1X;
    s.victims[kStart1Record].y = vh.header.start1Y;
    s.victims[kStart2Record].x = vh.header.start2X;
    s.victims[kStart2Record].y = vh.header.start2Y;
    return true;
}

}  // namespace vurk
