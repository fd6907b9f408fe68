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
        c.rsm.push_back(makeRsm(static_cast<uint16_t>(64 + 40 * i), 100, 0x82EF36, static_cast<uint8_t>(30 + i),
                                static_cast<uint8_t>(10 + i)));
    }
    for (int i = 0; i < kVictimCount; ++i) {
        c.victims[i].x = static_cast<uint16_t>(20 + 25 * i);
        c.victims[i].y = 150;
        c.victims[i].unknown4 = static_cast<uint16_t>(0xAA00 + i);
        c.victims[i].number = static_cast<uint16_t>(i + 1);
        c.victims[i].code = 0x839699;
    }
    for (int i = 0; i < 2; ++i) {
        c.otm.push_back(makeOtm(static_cast<uint16_t>(200 + 10 * i), 60, 0x82EF36, static_cast<uint16_t>(i),
                                static_cast<uint16_t>(0x30 + i)));
    }
    for (int i = 0; i < 3; ++i) {
        c.items.push_back(makeItem(static_cast<uint16_t>(32 + 64 * i), 96, static_cast<uint8_t>(2 * i)));
    }
    c.bonus = {4, 10, 32};
    return c;
}

void loadFromImage(LevelState& s, uint32_t level) {
    if (!s.rom.isOpen()) {
        ASSERT_EQ(openRomImage(s.rom), RomOpenResult::Ok);
    }
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
