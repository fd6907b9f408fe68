#include "tests/support/level_fixture.h"

namespace vurk::test {

LevelContent sampleLevel() {
    LevelContent c;
    c.width = 5;
    c.height = 3;
    for (uint16_t i = 0; i < 15; ++i) c.map.push_back(static_cast<uint16_t>(0x0100 * i + 16 * i + 1));
    c.tileset = 0x9AC000;
    c.bgPalette = 0x9D1234;
    c.music = 7;
    c.start1X = 120;
    c.start1Y = 180;
    c.start2X = 160;
    c.start2Y = 190;
    for (int i = 0; i < 2; ++i) {
        RsmRecord r{};
        r.delay = static_cast<uint8_t>(10 + i);
        r.x = static_cast<uint16_t>(64 + 40 * i);
        r.y = 100;
        r.radius = static_cast<uint8_t>(30 + i);
        r.code = 0x82EF36;
        c.rsm.push_back(r);
    }
    for (int i = 0; i < kVictimCount; ++i) {
        c.victims[i].x = static_cast<uint16_t>(20 + 25 * i);
        c.victims[i].y = 150;
        c.victims[i].unknown4 = static_cast<uint16_t>(0xAA00 + i);
        c.victims[i].number = static_cast<uint16_t>(i + 1);
        c.victims[i].code = 0x839699;
    }
    for (int i = 0; i < 2; ++i) {
        OtmRecord o{};
        o.x = static_cast<uint16_t>(200 + 10 * i);
        o.y = 60;
        o.data = static_cast<uint16_t>(i);
        o.number = static_cast<uint16_t>(0x30 + i);
        o.code = 0x82EF36;
        c.otm.push_back(o);
    }
    for (int i = 0; i < 3; ++i) {
        ItemRecord it{};
        it.x = static_cast<uint16_t>(32 + 64 * i);
        it.y = 96;
        it.type = static_cast<uint8_t>(2 * i);
        c.items.push_back(it);
    }
    c.bonus = {4, 10, 32};
    return c;
}

void loadFromImage(LevelState& s, uint32_t level) {
    if (!s.rom.isOpen()) ASSERT_EQ(openRomImage(s.rom), RomOpenResult::Ok);
    std::string why;
    ASSERT_TRUE(loadLevelData(s, level, why)) << why;
}

void LevelFixture::openImage() {
    ASSERT_TRUE(rom.save("vurk.smc"));
    ASSERT_EQ(openRomImage(state.rom), RomOpenResult::Ok);
}

void LevelFixture::openAndLoad(uint32_t level) {
    openImage();
    loadFromImage(state, level);
}

}  // namespace vurk::test
