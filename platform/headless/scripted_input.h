#pragma once
#include <cstdint>

#include "platform/input_devices.h"

namespace hc {

// Keyboard and pad whose states the test or tool sets directly.
class ScriptedInput : public InputDevices {
public:
    std::uint8_t keys[256] = {};
    JoyState pad{};
    bool padAttached = true;
    bool failNextRead = false;  // the next read reports failure once

    bool keyboardState(std::uint8_t out[256]) override;
    bool hasPad() override { return padAttached; }
    bool padState(JoyState& state) override;
};

}  // namespace hc
