#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "game/field_chip.h"

namespace hc {

// The backdrop's reader of a stage file: one chip per height of each cell, placed without the game's
// lift. On success chips and count receive the chips in file order and start, when given, the start
// cell's position. When the file cannot be read it shows its message, returns false and touches no
// output.
bool readFieldInfo(const std::string& path, std::vector<FieldChip>& chips, std::uint32_t& count, Vec3* start);

}  // namespace hc
