#include "game/enemy_base.h"

namespace hc {

void applyMoves(CharacterBase* player, EnemyBase* enemies, std::int32_t enemyCount) {
    if (player) {
        player->transform.position = player->transform.position + player->move;
        player->move = Vec3{0, 0, 0};
    }
    if (!enemies) return;
    for (std::int32_t i = 0; i < enemyCount; ++i) {
        EnemyBase& e = enemies[i];
        if (e.hitPoints != 0) {
            e.transform.position = e.transform.position + e.move;
            e.move = Vec3{0, 0, 0};
        }
        if (e.kind == 5 && e.counter != 0) e.counter = 0;
    }
}

}  // namespace hc
