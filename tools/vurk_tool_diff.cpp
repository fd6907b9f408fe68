// vurk-tool diff: what differs between two images, restore points or VMAP
// files, level by level; and the level comparison that `backups` uses too.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>

#include "platform/files.h"
#include "tools/tool_commands.h"
#include "view/level_loader.h"
#include "view/map_canvas.h"
#include "view/map_draw.h"

namespace vurk::tool {

namespace {

// A field of a packed record: name, byte offset, width (1, 2 or 4 bytes: a
// number; any other width: raw bytes), and whether it reads best in hex.
struct Field {
    const char* name;
    size_t offset;
    size_t width;
    bool hex;
};

#define VURK_FIELD(T, f, hex) Field{#f, offsetof(T, f), sizeof(T::f), hex}

const Field kHeaderFields[] = {
    VURK_FIELD(LevelHeader, tileset, true),      VURK_FIELD(LevelHeader, mapPointer, true),
    VURK_FIELD(LevelHeader, tilesetData1, true), VURK_FIELD(LevelHeader, tilesetData2, true),
    VURK_FIELD(LevelHeader, bgPalette, true),    VURK_FIELD(LevelHeader, unknown20, true),
    VURK_FIELD(LevelHeader, rsmList, true),      VURK_FIELD(LevelHeader, victimBlock, true),
    VURK_FIELD(LevelHeader, itemList, true),     VURK_FIELD(LevelHeader, width, false),
    VURK_FIELD(LevelHeader, height, false),      VURK_FIELD(LevelHeader, tilesetVariant, true),
    VURK_FIELD(LevelHeader, unknown40, true),    VURK_FIELD(LevelHeader, start1X, false),
    VURK_FIELD(LevelHeader, start1Y, false),     VURK_FIELD(LevelHeader, start2X, false),
    VURK_FIELD(LevelHeader, start2Y, false),     VURK_FIELD(LevelHeader, music, false),
    VURK_FIELD(LevelHeader, unknown52, true),    VURK_FIELD(LevelHeader, bonusList, true),
};
static_assert(sizeof kHeaderFields / sizeof kHeaderFields[0] == 20);

// The fields of each object record besides its position.
const Field kItemFields[] = {VURK_FIELD(ItemRecord, type, false)};
const Field kVictimFields[] = {VURK_FIELD(VictimRecord, unknown4, true), VURK_FIELD(VictimRecord, number, false),
                               VURK_FIELD(VictimRecord, code, true)};
const Field kOtmFields[] = {VURK_FIELD(OtmRecord, data, false), VURK_FIELD(OtmRecord, number, true),
                            VURK_FIELD(OtmRecord, code, true)};
const Field kRsmFields[] = {VURK_FIELD(RsmRecord, delay, false), VURK_FIELD(RsmRecord, radius, false),
                            VURK_FIELD(RsmRecord, code, true)};

#undef VURK_FIELD

std::string fieldText(const uint8_t* record, const Field& f) {
    const uint8_t* p = record + f.offset;
    uint32_t v = 0;
    switch (f.width) {
    case 1:
        v = p[0];
        break;
    case 2:
        v = readLe16(p);
        break;
    case 4:
        v = readLe32(p);
        break;
    default: {
        std::string bytes;
        char b[4];
        for (size_t i = 0; i < f.width; ++i) {
            std::snprintf(b, sizeof b, "%s%02x", i ? " " : "", p[i]);
            bytes += b;
        }
        return bytes;
    }
    }
    char text[16];
    std::snprintf(text, sizeof text, f.hex ? (f.width == 4 ? "0x%06x" : "0x%04x") : "%u", v);
    return text;
}

// "name a -> b" for every field that differs, joined with "; ".
template <size_t N>
std::string changedFields(const uint8_t* a, const uint8_t* b, const Field (&fields)[N]) {
    std::string out;
    for (const Field& f : fields) {
        if (std::memcmp(a + f.offset, b + f.offset, f.width) == 0) continue;
        out += (out.empty() ? "" : "; ") + std::string(f.name) + " " + fieldText(a, f) + " -> " + fieldText(b, f);
    }
    return out;
}

template <size_t N>
std::string recordText(const uint8_t* r, size_t xAt, const Field (&fields)[N]) {
    std::string out = "at (" + std::to_string(readLe16(r + xAt)) + "," + std::to_string(readLe16(r + xAt + 2)) + ")";
    for (const Field& f : fields) out += ", " + std::string(f.name) + " " + fieldText(r, f);
    return out;
}

// Object lists compared record by record: added, removed, moved and changed.
template <typename Record, size_t N>
void compareList(const char* kind, const Record* a, size_t na, const Record* b, size_t nb, size_t xAt,
                 const Field (&fields)[N], std::vector<std::string>& out) {
    for (size_t i = 0; i < std::max(na, nb); ++i) {
        const std::string head = std::string(kind) + " " + std::to_string(i) + ": ";
        // An empty list's records may lie at no address: no pointer past its count.
        const auto* ra = i < na ? reinterpret_cast<const uint8_t*>(a + i) : nullptr;
        const auto* rb = i < nb ? reinterpret_cast<const uint8_t*>(b + i) : nullptr;
        if (i >= na) {
            out.push_back(head + "added " + recordText(rb, xAt, fields));
            continue;
        }
        if (i >= nb) {
            out.push_back(head + "removed " + recordText(ra, xAt, fields));
            continue;
        }
        std::string line;
        if (std::memcmp(ra + xAt, rb + xAt, 4) != 0) {
            line = "moved (" + std::to_string(readLe16(ra + xAt)) + "," + std::to_string(readLe16(ra + xAt + 2)) +
                   ") -> (" + std::to_string(readLe16(rb + xAt)) + "," + std::to_string(readLe16(rb + xAt + 2)) + ")";
        }
        const std::string changed = changedFields(ra, rb, fields);
        if (!changed.empty()) line += (line.empty() ? "" : "; ") + changed;
        if (!line.empty()) out.push_back(head + line);
    }
}

std::string bonusText(const std::vector<uint16_t>& bonus) {
    std::string out;
    for (uint16_t code : bonus) {
        if (!out.empty()) out += ' ';
        out += std::to_string(code);
    }
    return out.empty() ? "(none)" : out;
}

// The header as a save would write it: with the start points of the records.
LevelHeader savedHeader(const LevelState& s) {
    LevelHeader h = s.header;
    h.start1X = s.victims[kStart1Record].x;
    h.start1Y = s.victims[kStart1Record].y;
    h.start2X = s.victims[kStart2Record].x;
    h.start2Y = s.victims[kStart2Record].y;
    return h;
}

bool isVmap(const std::vector<uint8_t>& bytes) { return bytes.size() >= 8 && std::memcmp(bytes.data(), "VMAP", 4) == 0; }

// One side of a diff: an image (or restore point) held in memory, or a VMAP
// file laid over the same level of a base image.
struct Side {
    std::string name;
    std::vector<uint8_t> file;
    bool vmap = false;
    uint32_t vmapLevel = 0;
    LevelState state;
};

}  // namespace

std::vector<std::string> levelDifferences(const LevelState& a, const LevelState& b,
                                          std::vector<std::pair<uint32_t, uint32_t>>* cells) {
    std::vector<std::string> out;
    const LevelHeader ha = savedHeader(a), hb = savedHeader(b);
    const std::string header = changedFields(reinterpret_cast<const uint8_t*>(&ha),
                                             reinterpret_cast<const uint8_t*>(&hb), kHeaderFields);
    if (!header.empty()) out.push_back("header: " + header);

    for (uint32_t y = 0; y < std::min(a.mapHeight, b.mapHeight); ++y) {
        for (uint32_t x = 0; x < std::min(a.mapWidth, b.mapWidth); ++x) {
            const uint16_t va = readLe16(a.mapBuffer.data() + 2 * (y * a.mapWidth + x));
            const uint16_t vb = readLe16(b.mapBuffer.data() + 2 * (y * b.mapWidth + x));
            if (va == vb) continue;
            char line[64];
            std::snprintf(line, sizeof line, "cell (%u,%u): 0x%04x -> 0x%04x", x, y, va, vb);
            out.push_back(line);
            if (cells) cells->emplace_back(x, y);
        }
    }
    compareList("item", a.items.data(), a.items.size(), b.items.data(), b.items.size(), 0, kItemFields, out);
    compareList("victim", a.victims.data(), kVictimCount, b.victims.data(), kVictimCount, 0, kVictimFields, out);
    compareList("otm", a.otm.data(), a.otm.size(), b.otm.data(), b.otm.size(), 0, kOtmFields, out);
    compareList("rsm", a.rsm.data(), a.rsm.size(), b.rsm.data(), b.rsm.size(), offsetof(RsmRecord, x), kRsmFields,
                out);
    if (a.bonus != b.bonus) out.push_back("bonus list: " + bonusText(a.bonus) + " -> " + bonusText(b.bonus));
    return out;
}

bool compareLevel(LevelState& a, LevelState& b, uint32_t level, std::vector<std::string>& out,
                  std::vector<std::pair<uint32_t, uint32_t>>* cells, const std::string& nameA,
                  const std::string& nameB) {
    std::string whyA, whyB;
    const bool okA = loadLevelData(a, level, whyA), okB = loadLevelData(b, level, whyB);
    out.clear();
    if (okA && okB) {
        out = levelDifferences(a, b, cells);
    } else if (whyA != whyB) {
        {
            out.push_back(nameA + (okA ? ": loads" : ": refused: " + whyA));
            out.push_back(nameB + (okB ? ": loads" : ": refused: " + whyB));
        }
    }
    return out.empty();
}

namespace {

// Reads a side's file and, for a VMAP, its level. False: an error was printed.
bool readSide(Side& side) {
    if (!readImageBytes(side.name, side.file)) {
        std::cerr << "Error: could not read " << side.name << "\n";
        return false;
    }
    side.vmap = isVmap(side.file);
    if (side.vmap) {
        side.vmapLevel = ~readLe32(side.file.data() + 4);
        if (side.vmapLevel >= kLevelCount) {
            std::cerr << "Error: " << side.name << ": " << kVmapBadText << "\n";
            return false;
        }
    }
    return true;
}

// Marks the bytes that level `level`, as `s` holds it, owns in its image; none
// when the level was refused there.
void markLevel(const LevelState& s, uint32_t level, std::vector<bool>& owned) {
    if (!s.levelLoaded || s.currentLevel != level) return;
    for (const ImageSpan& span : levelSpans(s)) std::fill_n(owned.begin() + span.offset, span.size, true);
}

std::string headerOffsetText(std::optional<uint32_t> offset) {
    if (!offset) return "none";
    char text[16];
    std::snprintf(text, sizeof text, "0x%06x", *offset);
    return text;
}

// Prints what differs between two whole images besides their levels: the
// level table's header offsets, and the bytes that no level owns on either
// side (`owned`, as markLevel left it). Returns true when anything does.
bool printOutsideLevels(const Side& a, const Side& b, std::vector<bool>& owned) {
    bool differ = false;
    for (uint32_t level = 0; level < kLevelCount; ++level) {
        const std::optional<uint32_t> from = levelHeaderOffset(a.state.rom, level);
        const std::optional<uint32_t> to = levelHeaderOffset(b.state.rom, level);
        if (from == to) continue;
        std::cout << "level table: level " << level << "'s header " << headerOffsetText(from) << " -> "
                  << headerOffsetText(to) << "\n";
        differ = true;
    }
    const size_t common = std::min(a.file.size(), b.file.size());
    std::fill(owned.begin() + std::min<size_t>(owned.size(), kLevelTableOffset),
              owned.begin() + std::min<size_t>(owned.size(), kLevelTableOffset + 2 * kLevelCount), true);
    size_t count = std::max(a.file.size(), b.file.size()) - common;
    for (size_t i = 0; i < common; ++i) count += !owned[i] && a.file[i] != b.file[i];
    if (count > 0) {
        std::cout << "outside the levels: " << count << " bytes differ\n";
        differ = true;
    }
    return differ;
}

// Loads level `level` of the side, a VMAP over its base image. False: an
// error was printed.
bool loadVmapSide(Side& side, uint32_t level, ConsoleShell& shell) {
    std::string why;
    if (!loadLevelData(side.state, level, why)) {
        std::cerr << "Error: " << why << "\n";
        return false;
    }
    return readVmapData(side.state, shell, side.name, &shell.detail);
}

// Draws level `level` of the second side as `render` does and outlines the
// changed cells. False: an error was printed.
bool renderDiff(const std::vector<uint8_t>& image, const Side& side, uint32_t level,
                const std::vector<std::pair<uint32_t, uint32_t>>& cells, const std::string& out) {
    EditorState s;
    ConsoleShell shell;
    holdRomImage(s.rom, image);
    s.editMode = kModeItem;  // every object, no cell marker
    loadSpriteSheets(s, shell);
    if (!loadLevel(s, shell, level) || (side.vmap && !readVmapData(s, shell, side.name, &shell.detail))) return false;
    if (shell.boxesShown > 0) return false;
    // Each band outlines the changed cells it shows.
    return writeLevelPng(s, out, [&](Bitmap& band, int32_t top) {
        MapPainter p(band, 0, top, {0, top, band.width(), top + band.height()});
        for (auto [x, y] : cells) {
            const int32_t px = static_cast<int32_t>(x) * kCellSize, py = static_cast<int32_t>(y) * kCellSize;
            for (int32_t i = 0; i < 3; ++i) p.frame({px + i, py + i, px + kCellSize - i, py + kCellSize - i}, 0xFF00FF);
        }
    });
}

int runDiff(const std::vector<std::string>& args) {
    constexpr int kError = 2;
    std::vector<std::string> names;
    std::string png;
    bool haveLevel = false;
    uint32_t only = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--level" && i + 1 < args.size()) {
            if (!parseLevelNumber(args[++i], only)) return kError;
            haveLevel = true;
        } else if (args[i] == "--png" && i + 1 < args.size()) {
            png = args[++i];
        } else if (args[i].rfind("--", 0) == 0) {
            std::cerr << "Error: unknown option " << args[i] << "\n";
            return kError;
        } else {
            names.push_back(args[i]);
        }
    }
    if (names.size() != 2) {
        std::cerr << "Error: give two files: images, restore points or VMAP files\n";
        return kError;
    }
    Side a, b;
    a.name = names[0];
    b.name = names[1];
    if (!readSide(a) || !readSide(b)) return kError;

    // A VMAP is compared on its own level, over the other side's image (or
    // vurk.smc when both are VMAP files).
    for (const Side* v : {&a, &b}) {
        if (!v->vmap) continue;
        if (haveLevel && only != v->vmapLevel) {
            std::cerr << "Error: " << v->name << " holds level " << v->vmapLevel << ", not level " << only << "\n";
            return kError;
        }
        haveLevel = true;
        only = v->vmapLevel;
    }
    if (!png.empty() && !haveLevel) {
        std::cerr << "Error: --png draws one level: give --level N too\n";
        return kError;
    }
    std::vector<uint8_t> base;
    if (a.vmap && b.vmap && !readImageBytes(kRomFileName, base)) {
        std::cerr << "Error: Could not find vurk.smc\n";
        return kError;
    }
    const std::vector<uint8_t>& imageA = a.vmap ? (b.vmap ? base : b.file) : a.file;
    const std::vector<uint8_t>& imageB = b.vmap ? (a.vmap ? base : a.file) : b.file;
    holdRomImage(a.state.rom, imageA);
    holdRomImage(b.state.rom, imageB);

    ConsoleShell shell;
    bool differ = false;
    std::vector<std::pair<uint32_t, uint32_t>> cells;
    std::vector<bool> owned(haveLevel ? 0 : std::max(a.file.size(), b.file.size()));
    for (uint32_t level = haveLevel ? only : 0; level < (haveLevel ? only + 1 : kLevelCount); ++level) {
        std::vector<std::string> lines;
        if (a.vmap || b.vmap) {
            if ((a.vmap ? !loadVmapSide(a, level, shell) : false) || (b.vmap ? !loadVmapSide(b, level, shell) : false))
                return kError;
            std::string why;
            if (!a.vmap && !loadLevelData(a.state, level, why)) {
                std::cerr << "Error: " << a.name << ": " << why << "\n";
                return kError;
            }
            if (!b.vmap && !loadLevelData(b.state, level, why)) {
                std::cerr << "Error: " << b.name << ": " << why << "\n";
                return kError;
            }
            lines = levelDifferences(a.state, b.state, &cells);
        } else {
            compareLevel(a.state, b.state, level, lines, &cells, a.name, b.name);
            if (!haveLevel) {
                markLevel(a.state, level, owned);
                markLevel(b.state, level, owned);
            }
        }
        if (lines.empty()) continue;
        differ = true;
        std::cout << "level " << level << "\n";
        for (const std::string& line : lines) std::cout << "  " << line << "\n";
    }
    if (!haveLevel && printOutsideLevels(a, b, owned)) differ = true;
    if (!png.empty() && !renderDiff(imageB, b, only, cells, png)) return kError;
    return differ ? 1 : 0;
}

[[maybe_unused]] const bool registered =
    registerCommand({"diff", "A B [--level N] [--png OUT.png]", runDiff});

}  // namespace

}  // namespace vurk::tool
