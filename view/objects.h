// The level's objects on the map canvas: drawing them from their sprite sheets,
// finding the one under a point, and moving them.
//
// Items are placed by their centre; victims, start points and monsters by their
// foot point, the middle of the sprite's bottom edge. A sprite w x h with foot
// (x, y) has its top-left corner at (x - (w >> 1), y - h).
#pragma once

#include <cstdint>

#include "view/editor_state.h"
#include "view/game_tables.h"
#include "view/map_draw.h"

namespace vurk {

// Where a record's picture lies in its sheet. The mask, where there is one,
// lies at (maskX, srcY). A sprite of no size draws nothing and is never hit.
struct SpriteSource {
    int32_t srcX = 0;
    int32_t srcY = 0;
    int32_t maskX = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool masked = true;
};

// A victim code that no row names is shown as a red frame of this size with its
// label, so that it can be seen, dragged and given a kind in the dialog.
inline constexpr int32_t kUnknownVictimWidth = 16;
inline constexpr int32_t kUnknownVictimHeight = 32;

// The sprite of victim slot `code`; `known` is false for the frame above.
SpriteSource victimSprite(uint32_t code, bool* known = nullptr);

// The sprite of record `index` of the current monster list; none for an index
// past the list.
SpriteSource monsterSprite(const EditorState& s, size_t index);
// The sprite of a monster of `list` with this code; `data` is the otm record's
// data field (it picks a picture of the rect table).
SpriteSource monsterSpriteFor(int32_t list, uint32_t code, uint32_t data);

// Draws, inside the painter's clip: every item; the victims with their number
// labels, then the two start points; the current monster list, with radius
// circles in Monster mode on the rsm list while nothing is dragged; and, while
// the item flash lasts in Item mode, a yellow hatched box over each item.
void drawObjectsIn(EditorState& s, MapPainter& painter);

// The level pixels a record's drawing can cover (the circle only when
// `circle`); the view repaints them when the record changes.
LevelRect itemBounds(const ItemRecord& item);
LevelRect victimBounds(const VictimRecord& victim);
LevelRect otmBounds(const OtmRecord& m);
LevelRect rsmBounds(const RsmRecord& m, bool circle);
// Whether radius circles show now.
bool circlesShown(const EditorState& s);

// The first record, in index order, whose box holds the level point; -1 when
// none does.
int32_t hitTestItem(const EditorState& s, uint16_t x, uint16_t y);
int32_t hitTestVictim(const EditorState& s, uint16_t x, uint16_t y);
int32_t hitTestMonster(const EditorState& s, uint16_t x, uint16_t y);

// Store the position; the view repaints what changed when it is next shown.
// While objectGrabbed is set, victims and monsters take (x, y) as the sprite's middle and store the
// foot half a sprite lower. The held point (an item's centre, a sprite's middle)
// is kept on the map, so the object can always be grabbed again, and an item's
// x stays at least 1 (x = 0 would end the item list). (x, y) is a level point
// mod 65536, read relative to the view origin. A move while nothing is grabbed
// that passes the record's own position leaves it as it is. An index out of
// range does nothing.
void moveItem(EditorState& s, int32_t index, int32_t x, int32_t y);
void moveVictim(EditorState& s, int32_t index, int32_t x, int32_t y);
void moveMonster(EditorState& s, int32_t index, int32_t x, int32_t y);

}  // namespace vurk
