// The map view on levels of 16 x 16 to 128 x 128 cells with 0 to 500 objects
// in each list, in a 1600 x 1000 view: level switch (load and first paint,
// with the tile sheet seen before and never seen), a drag step with its
// paint, a button release, a keypad tile step, a mode change, the item flash,
// and the editor's peak memory on each level size. Every time is the median of
// several rounds in milliseconds, with the 10th and 90th percentiles, and its
// ratio to copying the whole 1600 x 1000 view once, measured in the same run.
//
//   vurk-bench-view            the whole table
//   vurk-bench-view --peak N   (internal) peak memory of one N x N level
#include <sys/resource.h>

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/handlers.h"
#include "png/png_decoder.h"
#include "tools/demo_sheets.h"
#include "tools/rom_builder.h"
#include "view/game_tables.h"
#include "view/level_loader.h"
#include "view/map_canvas.h"

using namespace vurk;

namespace {

constexpr int32_t kViewW = 1600, kViewH = 1000;
constexpr int kRounds = 21;

class QuietShell : public Shell {
public:
    BoxAnswer messageBox(const std::string& text, const std::string&, BoxButtons, BoxOwner) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        return BoxAnswer::Ok;
    }
};

struct Size {
    uint16_t w, h;
};
constexpr Size kSizes[] = {{16, 16}, {40, 30}, {64, 64}, {128, 128}};

// A level of w x h cells with `count` records in each object list, spread at
// random over the map.
LevelContent benchLevel(Size size, size_t count) {
    std::mt19937 rng(size.w * 1000u + static_cast<unsigned>(count));
    auto coord = [&](uint16_t cells, int32_t low) {
        return static_cast<uint16_t>(std::uniform_int_distribution<int32_t>(low, cells * kCellSize - 1)(rng));
    };
    LevelContent c;
    c.width = size.w;
    c.height = size.h;
    c.start1X = c.start1Y = 200;
    for (size_t i = 0; i < count; ++i) {
        // The coordinates are drawn in this order: item x, item y, otm x, ...
        const uint16_t itemX = coord(size.w, 1), itemY = coord(size.h, 0);
        c.items.push_back(makeItem(itemX, itemY, static_cast<uint8_t>(2 * (i % kItemNames.size()))));
        const uint16_t otmX = coord(size.w, 0), otmY = coord(size.h, 0);
        c.otm.push_back(makeOtm(otmX, otmY, MonsterSpriteTable[i % MonsterSpriteTable.size()].code, 0,
                                static_cast<uint16_t>(i)));
        const uint16_t rsmX = coord(size.w, 0), rsmY = coord(size.h, 0);
        c.rsm.push_back(makeRsm(rsmX, rsmY, MonsterSpriteTable[(i * 7) % MonsterSpriteTable.size()].code,
                                static_cast<uint8_t>(20 + i % 100)));
    }
    for (int i = 0; i < kVictimCount; ++i) {
        c.victims[i].x = coord(size.w, 0);
        c.victims[i].y = coord(size.h, 0);
        c.victims[i].number = static_cast<uint16_t>(i * 37);
        c.victims[i].code = VictimSpriteTable[2 + i % 11].code;
    }
    return c;
}

// Writes the image, with the level twice (levels 0 and 1), and the sheets
// into the current folder.
bool makeWorkspace(Size size, size_t count) {
    RomBuilder rom(0x100200);
    const LevelContent c = benchLevel(size, count);
    rom.addLevel(0, c);
    rom.addLevel(1, c);
    if (!rom.save("vurk.smc")) return false;
    QDir().mkpath("tiles");
    bool ok = demo::itemSheet().save("tiles/items.png") && demo::victimSheet().save("tiles/victims.png") &&
              demo::monsterSheet().save("tiles/monsters.png");
    for (int n = 0; n < 5; ++n) ok = ok && demo::tileSheet(n).save(QString::asprintf("tiles/tiles%02d.png", n));
    return ok;
}

struct Editor {
    EditorState s;
    QuietShell shell;
    bool open() {
        if (openRomImage(s.rom) != RomOpenResult::Ok) return false;
        loadSpriteSheets(s, shell);
        s.clientW = kViewW;
        s.clientH = kViewH;
        return loadLevel(s, shell, 0);
    }
};

struct Stats {
    double median, low, high;
};

Stats measure(const std::function<void()>& setup, const std::function<void()>& op) {
    std::vector<double> ms;
    for (int i = 0; i < kRounds; ++i) {
        setup();
        const auto start = std::chrono::steady_clock::now();
        op();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() / 10], ms[ms.size() * 9 / 10]};
}

// Client coordinates of a level point, with the view scrolled to show it.
uint16_t clientX(const EditorState& s, int32_t x) { return static_cast<uint16_t>(x - s.viewX); }
uint16_t clientY(const EditorState& s, int32_t y) { return static_cast<uint16_t>(y - s.viewY); }

long peakKib() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// One level size in a child process: its peak is the editor's, on that level.
int runPeak(uint16_t side) {
    QTemporaryDir dir(QDir::tempPath() + "/vurk-bench-XXXXXX");
    if (!QDir::setCurrent(dir.path()) || !makeWorkspace({side, side}, 500)) return 1;
    Editor e;
    if (!e.open()) return 1;
    loadLevel(e.s, e.shell, 1);
    for (int key : {kKeyI, kKeyI, kKeyV, kKeyM, kKey2, kKeyB}) onKeyUp(e.s, e.shell, key);
    for (int32_t pos = 0; pos < side * kCellSize; pos += 700) {
        onScroll(e.s, e.shell, ScrollBar::Horizontal, kScrollThumbTrack, pos, 0);
        onScroll(e.s, e.shell, ScrollBar::Vertical, kScrollThumbTrack, pos, 0);
    }
    std::printf("%ld\n", peakKib());
    return 0;
}

long childPeak(uint16_t side) {
    const std::string cmd = QCoreApplication::applicationFilePath().toStdString() + " --peak " + std::to_string(side);
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    long kib = -1;
    if (std::fscanf(p, "%ld", &kib) != 1) kib = -1;
    pclose(p);
    return kib;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--peak") == 0) return runPeak(static_cast<uint16_t>(std::atoi(argv[2])));

    // The peer: one copy of the whole view.
    std::vector<uint32_t> from(size_t{kViewW} * kViewH, 0x123456), to(from.size());
    const Stats copy = measure([] {}, [&] { std::memcpy(to.data(), from.data(), from.size() * 4); });
    std::printf("view copy (peer): %.3f ms; times below in ms, median [p10 p90] (ratio to the peer)\n", copy.median);
    {
        // What a sheet never seen costs: decoding it, and converting it once.
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/tiles00.png").toStdString();
        if (!demo::tileSheet(0).save(QString::fromStdString(path))) return 1;
        QuietShell shell;
        std::unique_ptr<Bitmap> decoded;
        const Stats decode = measure([] {}, [&] { decoded = LoadPngBitmap(path, shell); });
        const Stats convert = measure([] {}, [&] {
            auto sheet = Bitmap::create(decoded->width(), decoded->height(), decoded->biBitCount);
            std::memcpy(sheet->bits(), decoded->bits(), decoded->byteSize());
            sheet = Bitmap::toDrawingFormat(std::move(sheet));
        });
        std::printf("tile sheet: decode %.2f ms, conversion to 32 bits (with a copy of the decoded sheet) %.2f ms\n\n",
                    decode.median, convert.median);
    }
    std::printf("%-8s %5s  %-24s %-24s %-24s %-24s %-24s %-24s %-24s\n", "level", "objs", "switch, sheet seen",
                "switch, sheet new", "drag step", "release (rsm)", "tile step", "mode change", "flash");

    const QString home = QDir::currentPath();
    for (Size size : kSizes) {
        for (size_t count : {0, 50, 200, 500}) {
            QTemporaryDir dir;
            struct Back {
                QString path;
                ~Back() { QDir::setCurrent(path); }
            } back{home};
            if (!QDir::setCurrent(dir.path()) || !makeWorkspace(size, count)) return 1;
            Editor e;
            if (!e.open()) return 1;
            EditorState& s = e.s;
            QuietShell& sh = e.shell;
            int next = 1;
            const Stats seen = measure([] {}, [&] { loadLevel(s, sh, static_cast<uint32_t>(next)), next ^= 1; });
            const Stats fresh = measure([&] { s.tileSheets.clear(); },
                                        [&] { loadLevel(s, sh, static_cast<uint32_t>(next)), next ^= 1; });

            // A drag of an item back and forth across the view, one jump a step.
            onKeyUp(s, sh, kKeyI);
            Stats drag{0, 0, 0}, release{0, 0, 0};
            if (count > 0) {
                ItemRecord& item = s.items[0];
                item.x = static_cast<uint16_t>(s.viewX + 300);
                item.y = static_cast<uint16_t>(s.viewY + 300);
                presentMap(s, sh);
                onLeftButtonDown(s, sh, clientX(s, item.x), clientY(s, item.y), kMkLButton);
                int step = 0;
                drag = measure([] {}, [&] {
                    const int32_t x = (step & 1) ? 300 : 1200, y = (step & 1) ? 300 : 800;
                    ++step;
                    onMouseMove(s, sh, static_cast<uint16_t>(x), static_cast<uint16_t>(y), kMkLButton);
                });
                onLeftButtonUp(s, sh);
                // Releasing an rsm monster in Monster mode 2: every circle comes back.
                onKeyUp(s, sh, kKeyM);
                onKeyUp(s, sh, kKey2);
                RsmRecord& m = s.rsm[0];
                m.x = static_cast<uint16_t>(s.viewX + 500);
                m.y = static_cast<uint16_t>(s.viewY + 500);
                presentMap(s, sh);
                release = measure(
                    [&] {
                        onLeftButtonDown(s, sh, clientX(s, m.x), clientY(s, m.y - 5), kMkLButton);
                        onMouseMove(s, sh, clientX(s, m.x + 40), clientY(s, m.y - 5), kMkLButton);
                    },
                    [&] { onLeftButtonUp(s, sh); });
                onKeyUp(s, sh, kKey1);
            }
            onKeyUp(s, sh, kKeyB);
            const Stats tile = measure([] {}, [&] { onKeyDown(s, sh, kKeyPadAdd); });
            int mode = 0;
            const Stats modes = measure([] {}, [&] { onKeyUp(s, sh, (mode++ & 1) ? kKeyB : kKeyM); });
            onKeyUp(s, sh, kKeyI);
            const Stats flash = measure([&] { onHighlightTimer(s, sh); }, [&] { onKeyUp(s, sh, kKeyI); });

            char name[16];
            std::snprintf(name, sizeof name, "%ux%u", s.mapWidth, s.mapHeight);
            std::printf("%-8s %5zu ", name, count);
            for (const Stats& st : {seen, fresh, drag, release, tile, modes, flash}) {
                char cell[64];
                std::snprintf(cell, sizeof cell, "%.2f [%.2f %.2f] (%.1f)", st.median, st.low, st.high,
                              st.median / copy.median);
                std::printf(" %-24s", cell);
            }
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    std::printf("\npeak memory of the editor, 500 objects in each list:");
    for (uint16_t side : {uint16_t{16}, uint16_t{64}, uint16_t{128}})
        std::printf("  %ux%u %.1f MiB", side, side, static_cast<double>(childPeak(side)) / 1024.0);
    std::printf("\n");
    return 0;
}
