#pragma once
#include <memory>

#include "platform/input_devices.h"

namespace hc {

// Keyboard from SDL scancodes and the first attached controller (mapping database loaded first), taken
// whenever none is in use; the keyboard also plays as a second pad laid over it (keyboard_pad.h).
std::unique_ptr<InputDevices> createSdlInput();

}  // namespace hc
