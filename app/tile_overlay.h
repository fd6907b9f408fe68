// What the tile tools show over the map view without drawing into the canvas:
// the selection's outline, the stamp being placed, and the object find showed.
#pragma once

#include "view/editor_state.h"

class QPainter;

namespace vurk {

// Paints in the map view's client coordinates; the level point (viewX, viewY)
// is the client's top-left.
void paintTileOverlay(QPainter& p, const EditorState& s);

}  // namespace vurk
