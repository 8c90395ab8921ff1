#pragma once
#include <cstdint>

#include "game/character_base.h"

namespace hc {

// A wave enemy: a character with behaviour fields.
class EnemyBase : public CharacterBase {
public:
    std::int32_t kind = 0;        // 0 to 7: mesh, tint, speed, reach
    std::int32_t spawnGroup = 0;  // wave step at which the enemy enters
    std::int32_t active = 0;      // 1 once entered
    std::uint32_t fadeAlpha = 0;  // 255 while alive, counts down after death
    std::int32_t state = 0;       // behaviour state 0 to 3
    std::int32_t stateTimer = 0;  // frames spent in the state
    float knockHeading = 0;       // degrees, from the enemy to the player
    Vec3 target{0, 0, 0};         // point the enemy heads for
    std::uint32_t retargetCounter = 0;
    std::uint32_t avoidCounter = 0;  // 0 to 31
    std::uint32_t avoidPause = 0;    // counts to 81 while non-zero
    std::int32_t hitThisSwing = 0;   // the current blade swing already hit this enemy
    std::int32_t strongKnock = 0;    // the last hit asked for the strong knock-back
};

// Applies the frame's moves once the field has corrected the player's: the player always, enemies only
// while they have hit points. A kind-5 enemy's counter is held at 0.
void applyMoves(CharacterBase* player, EnemyBase* enemies, std::int32_t enemyCount);

}  // namespace hc
