// The levels of the demo image: 56 levels of varied sizes on every tileset,
// with items, victims and monsters of every kind and bonus lists of several
// lengths, all of them loadable.
#pragma once

#include <vector>

#include "tools/rom_builder.h"

namespace vurk::demo {

// Level 0 first. Every object and start point lies inside its level.
std::vector<LevelContent> demoLevels();

// A full-size image (bank $9F included) with the demo levels laid out.
RomBuilder demoImage();

}  // namespace vurk::demo
