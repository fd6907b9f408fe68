// An editor state with a level loaded from an image laid out by the test, its
// sheets made of self-describing pixels, and a recording shell.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/fake_shell.h"
#include "tests/support/workdir.h"
#include "tools/rom_builder.h"
#include "view/editor_state.h"

namespace vurk::test {

// 10 x 8 cells (cell i holds tile i) with one item, one victim, one monster
// on each list, the first player's start near the left edge, three bonus
// codes. Hit points: item (100, 100), victim 0 (300, 290), first start
// (40, 190), otm (200, 130), rsm (400, 130).
LevelContent editLevel();

class EditorFixture : public ::testing::Test {
public:  // scenario tables drive the fixture from outside
    // Lays `content` out as level `level` (and level 0 when it is another),
    // opens the image and loads the level with a client of clientW x clientH.
    void load(const LevelContent& content, int32_t clientW = 320, int32_t clientH = 256, uint32_t level = 0);
    // The level pixel (x, y) as the view shows it; the point must be visible.
    uint32_t canvasPixel(int32_t x, int32_t y) const;
    // Presses and releases each key in turn.
    void keys(std::initializer_list<int> list);
    // The view shows, from the view origin, exactly what a fresh draw of the
    // state shows.
    void expectViewIsFreshDraw();

    WorkDir dir;
    RomBuilder rom;
    EditorState s;
    FakeShell shell;
};

}  // namespace vurk::test
