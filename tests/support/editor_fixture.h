// An editor state with a level loaded from an image laid out by the test, its
// sheets made of self-describing pixels, and a recording shell.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/fake_shell.h"
#include "tests/support/workdir.h"
#include "tools/rom_builder.h"
#include "view/editor_state.h"

namespace vurk::test {

class EditorFixture : public ::testing::Test {
protected:
    // Lays `content` out as level `level` (and level 0 when it is another),
    // opens the image and loads the level with a client of clientW x clientH.
    void load(const LevelContent& content, int32_t clientW = 320, int32_t clientH = 256, uint32_t level = 0);
    uint32_t canvasPixel(int32_t x, int32_t y) const;

    WorkDir dir;
    RomBuilder rom;
    EditorState s;
    FakeShell shell;
};

}  // namespace vurk::test
