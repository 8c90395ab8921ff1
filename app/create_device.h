#pragma once
#include <memory>

#include "platform/platform.h"

namespace hc {

// Creates the device on the game window with the configuration's presentation and sets the render
// state every scene assumes. Reports its own failure; null then.
std::unique_ptr<Device> createDevice(Platform& platform, const PresentConfig& present);

}  // namespace hc
