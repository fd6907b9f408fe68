// The status bar's text: the level, and what lies under the pointer in the map
// view or in the tile picker.
#pragma once

#include <cstdint>
#include <string>

#include "view/editor_state.h"

namespace vurk {

// Where the pointer is, as the windows last saw it.
struct PointerSpot {
    enum class Over { Nothing, Map, Picker } over = Over::Nothing;
    int32_t x = 0, y = 0;  // a level point over the map
    uint8_t tile = 0;      // the tile over the picker
};

// "Cell 3, 4: tile 0x2A (42)" for a level point inside the map, with the
// object there in the object modes ("Item #2: Key at 100, 100"); empty
// outside the map. The hit test is the one a click makes, without grabbing.
std::string pointerText(const EditorState& s, int32_t x, int32_t y);

// The level's own status ("Level 2 - 40 x 30 - modified") and then what the
// pointer is over, separated by "  |  ".
std::string statusBarText(const EditorState& s, const PointerSpot& pointer);

}  // namespace vurk
