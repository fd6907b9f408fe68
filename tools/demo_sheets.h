// The pictures of the demo workspace: five tile sheets and the three sprite
// sheets, our own simple drawings laid out at the places the sprite tables name.
//
// Masked figures follow the map canvas's convention: the mask is white where
// the tiles show through and black under the figure, the picture black where
// the tiles show through. Items and the two player starts are opaque squares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <QImage>

namespace vurk::demo {

inline constexpr int kTileSheetSide = 1024;

// Tile sheet 0 to 4: 256 tiles of 64 x 64 pixels, each showing its index in
// hex on its tileset's pattern and colours.
QImage tileSheet(int sheet);

QImage itemSheet();
QImage victimSheet();
QImage monsterSheet();

// The rows of MonsterSpriteTable whose picture the monster sheet holds in the
// column of a list (0 = otm at x 0, 1 = rsm at x 96). Pictures of the two
// lists' rows overlap in the table, so each column holds only the rows that
// fit: the otm column is filled from the first row down (after the default
// picture), the rsm column from the last row up; a row whose picture or mask
// would overlap one already placed is left out, unless it names exactly the
// same rectangle, whose picture it then shares.
std::vector<size_t> monsterRowsInColumn(int32_t list);

// The MonsterRectTable entries that are not absent.
std::vector<size_t> presentRectEntries();

}  // namespace vurk::demo
