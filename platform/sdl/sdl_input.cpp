#include "platform/sdl/sdl_input.h"

#include "platform/headless/scripted_input.h"

namespace hc {

// Placeholder until the SDL input back end lands: nothing attached.
std::unique_ptr<InputDevices> createSdlInput() {
    auto input = std::make_unique<ScriptedInput>();
    input->padAttached = false;
    return input;
}

}  // namespace hc
