#pragma once
#include <memory>

#include "platform/input_devices.h"

namespace hc {

// Keyboard from SDL scancodes and the first attached controller (mapping database loaded first).
std::unique_ptr<InputDevices> createSdlInput();

}  // namespace hc
