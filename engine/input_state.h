#pragma once
#include <cstdint>

#include "engine/pad_button.h"
#include "platform/input_devices.h"

namespace hc {

// Key code of each bit of keyHeld/keyPressed.
inline constexpr int kKeyCount = 26;
inline constexpr std::uint8_t kKeyCodes[kKeyCount] = {
    DIK_UP,
    DIK_DOWN,
    DIK_RIGHT,
    DIK_LEFT,
    DIK_SPACE,
    DIK_RETURN,
    DIK_Q,
    DIK_W,
    DIK_E,
    DIK_A,
    DIK_S,
    DIK_D,
    DIK_F,
    DIK_Z,
    DIK_X,
    DIK_C,
    DIK_0,
    DIK_1,
    DIK_2,
    DIK_3,
    DIK_4,
    DIK_5,
    DIK_6,
    DIK_7,
    DIK_8,
    DIK_9,
};

// Keyboard and pad state of one tick: held and newly pressed bit sets, dead-zoned axes.
class InputState {
public:
    std::uint8_t keyboardBuffer[256] = {};
    JoyState padBuffer{};
    std::uint32_t keyHeld = 0;  // 26 bits, see kKeyCodes
    std::uint32_t keyPressed = 0;
    std::uint32_t padHeld = 0;  // 10 bits, rgbButtons[0..9]
    std::uint32_t padPressed = 0;
    float leftStickX = 0, leftStickY = 0;
    float rightStickX = 0, rightStickY = 0;
    float zAxis = 0;
    bool padPresent = false;
    InputDevices* devices = nullptr;  // owned by the program's start-up

    bool create(InputDevices* devicesIn);
    void update();
    void release();

    bool padDown(PadButton button) const { return (padHeld & padBit(button)) != 0; }
    bool padHit(PadButton button) const { return (padPressed & padBit(button)) != 0; }
};

extern InputState gInput;

}  // namespace hc
