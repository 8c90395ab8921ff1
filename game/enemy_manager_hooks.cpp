#include "game/enemy_manager_hooks.h"

#include "game/enemy_manager.h"

namespace hc {

std::int32_t EnemyManagerHooks::enemyCount() const { return manager.enemyCount; }

MeshEntry* EnemyManagerHooks::enemyMesh(MeshIndex index) const { return manager.enemyMesh(index); }

void EnemyManagerHooks::moveEnemies(EnemyBase* wave, float playerX, float playerY, float playerZ) {
    manager.moveEnemies(wave, playerX, playerY, playerZ);
}

bool EnemyManagerHooks::enemyTakeHit(EnemyBase& enemy, const Vec3* playerPosition, std::int32_t damage,
                                     bool strong) {
    return manager.enemyTakeHit(enemy, playerPosition, damage, strong);
}

bool EnemyManagerHooks::enemyAttackTest(MeshEntry* playerBody, EnemyBase& enemy, Vec3 playerPosition) {
    return manager.enemyAttackTest(playerBody, enemy, playerPosition);
}

}  // namespace hc
