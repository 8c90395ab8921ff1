#pragma once
#include <cstdint>

#include "game/enemy_hooks.h"

namespace hc {

class EnemyManager;

// Connects the player's combat step to the enemy manager that owns the current wave.
class EnemyManagerHooks : public EnemyHooks {
public:
    explicit EnemyManagerHooks(EnemyManager& owner) : manager(owner) {}

    std::int32_t enemyCount() const override;
    MeshEntry* enemyMesh(MeshIndex index) const override;
    void moveEnemies(EnemyBase* wave, float playerX, float playerY, float playerZ) override;
    bool enemyTakeHit(EnemyBase& enemy, const Vec3* playerPosition, std::int32_t damage, bool strong) override;
    bool enemyAttackTest(MeshEntry* playerBody, EnemyBase& enemy, Vec3 playerPosition) override;

    EnemyManager& manager;
};

}  // namespace hc
