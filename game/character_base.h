#pragma once
#include <cstdint>

#include "game/object_base.h"
#include "game/transform.h"

namespace hc {

// The player's record and the base of every enemy.
class CharacterBase : public ObjectBase {
public:
    Vec3 move{0, 0, 0};  // displacement to apply this frame
    Transform transform;
    std::uint32_t counter = 0;  // invincibility (player) or hurt and attack pause (enemy)
    std::int32_t hitPoints = 0;
};

}  // namespace hc
