#pragma once
// Keyboard and pad as the game reads them: a 256-byte key state indexed by the original key codes
// (bit 7 set while down) and a joystick state with axes in -1000..1000 (y down) and 128 buttons.
#include <cstdint>

namespace hc {

enum : std::uint8_t {
    DIK_ESCAPE = 0x01,
    DIK_1 = 0x02,
    DIK_2,
    DIK_3,
    DIK_4,
    DIK_5,
    DIK_6,
    DIK_7,
    DIK_8,
    DIK_9,
    DIK_0 = 0x0B,
    DIK_Q = 0x10,
    DIK_W = 0x11,
    DIK_E = 0x12,
    DIK_RETURN = 0x1C,
    DIK_A = 0x1E,
    DIK_S = 0x1F,
    DIK_D = 0x20,
    DIK_F = 0x21,
    DIK_Z = 0x2C,
    DIK_X = 0x2D,
    DIK_C = 0x2E,
    DIK_SPACE = 0x39,
    DIK_UP = 0xC8,
    DIK_LEFT = 0xCB,
    DIK_RIGHT = 0xCD,
    DIK_DOWN = 0xD0,
};

struct JoyState {
    std::int32_t lX = 0, lY = 0, lZ = 0;
    std::int32_t lRx = 0, lRy = 0, lRz = 0;
    std::int32_t rglSlider[2] = {};
    std::uint32_t rgdwPOV[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
    std::uint8_t rgbButtons[128] = {};  // bit 7 set while down
};

class InputDevices {
public:
    virtual ~InputDevices() = default;
    // False when the state could not be read this time (the caller re-acquires).
    virtual bool keyboardState(std::uint8_t keys[256]) = 0;
    virtual bool hasPad() = 0;  // a pad state is there to be read (the first controller at start-up)
    virtual bool padState(JoyState& state) = 0;
    virtual void acquire() {}
};

}  // namespace hc
