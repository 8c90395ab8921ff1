#pragma once
#include <cstdint>

#include "game/object_base.h"

namespace hc {

// One block, cylinder, half block or rock of the field.
class FieldChip : public ObjectBase {
public:
    char letter = 0;        // type letter as read from the stage file, 0 when none
    std::int32_t spin = 0;  // drives the chip's own animation speeds

    // Draws one random value for spin; copies keep the original's spin without drawing.
    FieldChip();
};

}  // namespace hc
