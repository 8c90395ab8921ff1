#pragma once
// What the player's combat step needs from the enemies of the current wave. The enemy manager
// implements it; while no one is attached the wave is empty.
#include <cstdint>

#include "platform/math3d.h"

namespace hc {

class EnemyBase;
class MeshEntry;

class EnemyHooks {
public:
    // Meshes of the wave's enemies, in the manager's order.
    enum MeshIndex : std::int32_t { kGolem1 = 0,
                                    kGolem2 = 1,
                                    kGolem3 = 2,
                                    kObsidian = 3 };

    virtual ~EnemyHooks() = default;
    // Number of records in the current wave array (the array itself is the player's `enemies`).
    virtual std::int32_t enemyCount() const = 0;
    virtual MeshEntry* enemyMesh(MeshIndex index) const = 0;
    // The enemies' spawning and movement of this frame.
    virtual void moveEnemies(EnemyBase* wave, float playerX, float playerY, float playerZ) = 0;
    // A blade hit with its damage and knock-back; false when this swing already hit the enemy.
    virtual bool enemyTakeHit(EnemyBase& enemy, const Vec3* playerPosition, std::int32_t damage, bool strong) = 0;
    // The enemy's attack against the player's body; true when it hits.
    virtual bool enemyAttackTest(MeshEntry* playerBody, EnemyBase& enemy, Vec3 playerPosition) = 0;
};

}  // namespace hc
