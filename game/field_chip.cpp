#include "game/field_chip.h"

#include <cstdlib>

namespace hc {

FieldChip::FieldChip() : spin(std::rand() % 360) {}

}  // namespace hc
