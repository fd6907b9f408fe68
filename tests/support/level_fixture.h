// A working directory holding an image laid out by the tests, opened the way
// the editor opens it.
#pragma once

#include <gtest/gtest.h>

#include "level/level_state.h"
#include "tests/support/workdir.h"
#include "tools/rom_builder.h"

namespace vurk::test {

// A level with some of everything: 5 x 3 cells, two rsm, two otm, three items,
// three bonus codes, victims with numbers and codes.
LevelContent sampleLevel();

// Opens the image into `s` unless it is open, then loads the level; fails the
// test when either is refused.
void loadFromImage(LevelState& s, uint32_t level);

class LevelFixture : public ::testing::Test {
protected:
    // Writes the builder's image to "vurk.smc" and opens it into `state`.
    void openImage();
    // openImage, then loads the level; fails the test when it is refused.
    void openAndLoad(uint32_t level);
    std::vector<uint8_t> imageOnDisk() const { return readFileBytes(dir.path() / "vurk.smc"); }

    WorkDir dir;
    RomBuilder rom;
    LevelState state;
};

}  // namespace vurk::test
