// vurk-fuzz-seeds FOLDER: the seed corpora of the fuzz targets, made with the
// program's own code from the demo workspace's image and pictures:
//   png/       the sprite sheets, and corners of the tile sheets in every
//              format Qt's PNG writer makes;
//   level/     the demo image's bank-$9F data, whole and cut after the last
//              byte its levels use (what level_fuzz puts after the fixed
//              start of the image);
//   vmap/      every demo level's VMAP file, as Ctrl+S writes it;
//   settings/  vurk.ini files written by the editor's exit, one per option set;
//   inflate/   zlib streams of a tile sheet's rows at every compression level,
//              behind the inflate target's 4 bytes of raw size and chunk cuts;
//   journal/   journals of one and of overlapping regions, sealed by the target
//              or left torn;
//   restore/   the demo image's bank-$9F data as a restore point, whole and of
//              one level, unchanged and with an item moved;
//   diff/      two images of that data, one with an item moved, and a VMAP file;
//   tiles/     tool parameters for several levels over that data.
#include <filesystem>
#include <iostream>
#include <string>

#include <QGuiApplication>
#include <QByteArray>
#include <QImage>

#include "app/settings.h"
#include "fuzz/fuzz_support.h"
#include "level/level_state.h"
#include "platform/files.h"
#include "tools/demo_levels.h"
#include "tools/demo_sheets.h"

using namespace vurk;
namespace fs = std::filesystem;

namespace {

void savePng(const QImage& image, const fs::path& path) {
    if (!image.save(QString::fromStdString(path.string()), "PNG")) fuzz::fail("cannot write %s", path.c_str());
}

void pngSeeds(const fs::path& out) {
    savePng(demo::itemSheet(), out / "items.png");
    savePng(demo::victimSheet(), out / "victims.png");
    savePng(demo::monsterSheet(), out / "monsters.png");
    const struct {
        QImage::Format format;
        const char* name;
    } formats[] = {
        {QImage::Format_Mono, "mono"},           {QImage::Format_Indexed8, "palette8"},
        {QImage::Format_Grayscale8, "grey8"},    {QImage::Format_Grayscale16, "grey16"},
        {QImage::Format_RGB888, "rgb8"},         {QImage::Format_ARGB32, "rgba8"},
        {QImage::Format_RGBX64, "rgb16"},        {QImage::Format_RGBA64, "rgba16"},
    };
    for (int sheet = 0; sheet < 5; ++sheet) {
        // A corner of two tiles by one and a half, so rows are not whole bytes.
        const QImage corner = demo::tileSheet(sheet).copy(0, 0, 37, 23);
        const auto& f = formats[sheet % 8];
        const auto& g = formats[(sheet + 5) % 8];
        for (const auto* each : {&f, &g}) {
            QImage converted = corner.convertToFormat(each->format, Qt::ThresholdDither);
            savePng(converted, out / ("tiles0" + std::to_string(sheet) + "-" + each->name + ".png"));
        }
    }
}

void levelAndVmapSeeds(const fs::path& level, const fs::path& vmap, const fs::path& work) {
    const std::vector<uint8_t> image = demo::demoImage().image;
    const size_t tail = kBank9FBase + 0x8000;
    fuzz::writeFile((level / "bank9F").string(), image.data() + tail, image.size() - tail);
    size_t used = image.size();
    while (used > tail && image[used - 1] == image.back()) --used;
    fuzz::writeFile((level / "bank9F-cut").string(), image.data() + tail, used - tail);

    // The VMAP files are written where the editor writes them, then moved.
    fs::create_directories(work / "maps");
    fs::current_path(work);
    fuzz::writeFile(kRomFileName, image);
    LevelState s;
    if (openRomImage(s.rom) != RomOpenResult::Ok) fuzz::fail("the demo image does not open");
    fuzz::CountingShell shell;
    for (uint32_t n = 0; n < kLevelCount; ++n) {
        std::string why;
        if (!loadLevelData(s, n, why)) fuzz::fail("demo level %u refused: %s", n, why.c_str());
        if (!writeVmap(s, shell)) fuzz::fail("cannot write the VMAP file of level %u", n);
        const fs::path name = nativePath(vmapPath(n));
        fs::rename(name, vmap / name.filename());
    }
}

void settingsSeeds(const fs::path& out) {
    for (uint32_t options = 0; options < 16; ++options) {
        WindowAtExit w{static_cast<int32_t>(options * 40) - 100, 30, 700, 650, options == 5, options == 9};
        int32_t level = static_cast<int32_t>(options * 4);
        const fs::path file = out / ("vurk-" + std::to_string(options) + ".ini");
        // Half of them start with another program's section, with CRLF lines.
        if (options % 2) {
            const std::string other = "; kept as it is\r\n[Recent]\r\nfile=C:\\games\\vurk.smc\r\n\r\n";
            fuzz::writeFile(file.string(), reinterpret_cast<const uint8_t*>(other.data()), other.size());
        }
        writeExitSettings(w, options, level, file.string());
    }
}

void inflateSeeds(const fs::path& out) {
    // 4096 bytes: raw size field 4095 (+1), no scaling, no chunk cuts.
    const QImage sheet = demo::tileSheet(0).copy(0, 0, 32, 32).convertToFormat(QImage::Format_RGB32);
    const QByteArray raw(reinterpret_cast<const char*>(sheet.constBits()), 4096);
    for (int level = 0; level <= 9; ++level) {
        // qCompress puts a 4-byte length before the zlib stream.
        const QByteArray z = qCompress(raw, level).mid(4);
        std::vector<uint8_t> seed = {0xFF, 0x0F, 0, 0};
        seed.insert(seed.end(), z.begin(), z.end());
        fuzz::writeFile((out / ("level" + std::to_string(level))).string(), seed.data(), seed.size());
    }
}

void journalSeeds(const fs::path& out) {
    // The journal target's image holds byte i * 7 + (i >> 8) at offset i.
    const auto imageByte = [](size_t i) { return static_cast<uint8_t>(i * 7 + (i >> 8)); };
    const auto journal = [&](bool sealed, const std::vector<std::pair<uint32_t, uint32_t>>& regions) {
        std::vector<uint8_t> j = {sealed ? uint8_t{1} : uint8_t{0}, 'V', 'U', 'R', 'K', 'J', 'N', 'L', '1'};
        j.resize(j.size() + 8);  // the image size, filled in by the target when sealed
        const auto put32 = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i) j.push_back(static_cast<uint8_t>(v >> (8 * i)));
        };
        put32(static_cast<uint32_t>(regions.size()));
        for (const auto& [offset, length] : regions) {
            put32(offset), put32(0), put32(length);
            for (uint32_t i = 0; i < length; ++i) j.push_back(imageByte(offset + i));
            for (uint32_t i = 0; i < length; ++i) j.push_back(static_cast<uint8_t>(0xA5 ^ i));
        }
        return j;
    };
    const struct {
        const char* name;
        bool sealed;
        std::vector<std::pair<uint32_t, uint32_t>> regions;
    } seeds[] = {{"none", true, {}},
                 {"one", true, {{100, 16}}},
                 {"two", true, {{0, 8}, {4088, 8}}},
                 {"overlapping", true, {{200, 32}, {216, 32}}},
                 {"torn", false, {{100, 16}}}};
    for (const auto& seed : seeds) fuzz::writeFile((out / seed.name).string(), journal(seed.sealed, seed.regions));
}

// The demo image's bank-$9F data, cut after the last byte its levels use, and
// the same with level 1's first item moved one pixel.
std::pair<std::vector<uint8_t>, std::vector<uint8_t>> demoTails() {
    const std::vector<uint8_t>& image = fuzz::demoImageBytes();
    size_t used = image.size();
    while (used > fuzz::kTailStart && image[used - 1] == image.back()) --used;
    std::vector<uint8_t> tail(image.begin() + fuzz::kTailStart, image.begin() + static_cast<ptrdiff_t>(used));
    std::vector<uint8_t> moved = tail;
    LevelState s;
    holdRomImage(s.rom, image);
    std::string why;
    if (!loadLevelData(s, 1, why) || s.items.empty()) fuzz::fail("demo level 1 has no item to move");
    ++moved[s.regions.items - fuzz::kTailStart];  // the item's x, low byte
    return {tail, moved};
}

void restoreDiffAndTileSeeds(const fs::path& restore, const fs::path& diff, const fs::path& tiles,
                             const fs::path& vmap) {
    const auto [tail, moved] = demoTails();
    const auto behind = [](std::vector<uint8_t> head, const std::vector<uint8_t>& rest) {
        head.insert(head.end(), rest.begin(), rest.end());
        return head;
    };
    for (const uint8_t level : {uint8_t{0}, uint8_t{1}, uint8_t{2}, uint8_t{5}}) {
        for (const uint8_t oneLevel : {uint8_t{0}, uint8_t{1}}) {
            const std::string name = "level" + std::to_string(level) + (oneLevel ? "-level" : "-whole");
            fuzz::writeFile((restore / name).string(), behind({level, oneLevel}, moved));
            fuzz::writeFile((restore / (name + "-same")).string(), behind({level, oneLevel}, tail));
        }
        // Fill and replace over a 3 x 2 corner, flood from cell 1,1, paste at 2,0.
        fuzz::writeFile((tiles / ("level" + std::to_string(level))).string(),
                        behind({level, 0, 0, 3, 2, 0x21, 0x05, 1, 1, 2, 0, 1}, tail));
    }
    const auto part = [](const std::vector<uint8_t>& bytes) {
        std::vector<uint8_t> p = {static_cast<uint8_t>(bytes.size()), static_cast<uint8_t>(bytes.size() >> 8)};
        p.insert(p.end(), bytes.begin(), bytes.end());
        return p;
    };
    const std::vector<uint8_t> pair = behind(part(tail), part(moved));
    fuzz::writeFile((diff / "moved").string(), pair);
    fuzz::writeFile((diff / "moved-vmap").string(), behind(pair, fuzz::readFile((vmap / "level01.vmap").string())));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: vurk-fuzz-seeds FOLDER\n";
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // the sheets draw text

    const fs::path out = fs::absolute(argv[1]);
    for (const char* sub :
         {"png", "level", "vmap", "settings", "inflate", "journal", "restore", "diff", "tiles", "work"})
        fs::create_directories(out / sub);
    pngSeeds(out / "png");
    settingsSeeds(out / "settings");
    inflateSeeds(out / "inflate");
    levelAndVmapSeeds(out / "level", out / "vmap", out / "work");
    journalSeeds(out / "journal");
    restoreDiffAndTileSeeds(out / "restore", out / "diff", out / "tiles", out / "vmap");
    fs::current_path(out);
    fs::remove_all(out / "work");
    return 0;
}
