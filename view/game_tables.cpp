#include "view/game_tables.h"

namespace vurk {

const VictimSprite* findVictimSprite(uint32_t code) {
    for (const VictimSprite& row : VictimSpriteTable) {
        if (row.code == code) return &row;
    }
    return nullptr;
}

MonsterGeometry monsterGeometry(uint32_t code, int32_t list) {
    for (const MonsterSprite& row : MonsterSpriteTable) {
        if (row.code == code) return list == 0 ? row.otm : row.rsm;
    }
    return kDefaultMonster;
}

}  // namespace vurk
