#include "platform/headless/scripted_input.h"

#include <cstring>

namespace hc {

bool ScriptedInput::keyboardState(std::uint8_t out[256]) {
    if (failNextRead) {
        failNextRead = false;
        return false;
    }
    std::memcpy(out, keys, 256);
    return true;
}

bool ScriptedInput::padState(JoyState& state) {
    if (!padAttached) return false;
    state = pad;
    return true;
}

}  // namespace hc
