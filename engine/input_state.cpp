#include "engine/input_state.h"

#include <cstring>

#include "engine/services.h"

namespace hc {

InputState gInput;

namespace {

constexpr std::int32_t kLeftStickDeadZone = 200;
constexpr std::int32_t kRightStickDeadZone = 300;
constexpr std::uint8_t kDownBit = 0x80;

// A pressed bit lives for exactly the tick in which its input went down.
template <typename IsDown>
void updateBits(int count, IsDown isDown, std::uint32_t& held, std::uint32_t& pressed) {
    pressed = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t bit = 1u << i;
        if (isDown(i)) {
            if (!(held & bit)) {
                held |= bit;
                pressed |= bit;
            }
        } else {
            held &= ~bit;
        }
    }
}

float deadZone(std::int32_t value, std::int32_t zone) {
    if (value > zone) return static_cast<float>(value - zone);
    if (value < -zone) return static_cast<float>(value + zone);
    return 0.0f;
}

}  // namespace

bool InputState::create(InputDevices* devicesIn) {
    // The back end could not be opened at all: the one start-up failure that exists here.
    if (!devicesIn) {
        showError("DirectInput8Createの作成に失敗しました");
        return false;
    }
    devices = devicesIn;
    padPresent = devices->hasPad();
    return true;
}

void InputState::update() {
    if (!devices) return;

    // A failed read keeps last tick's buffer and asks the device back for the next one.
    std::uint8_t keys[256];
    if (devices->keyboardState(keys))
        std::memcpy(keyboardBuffer, keys, sizeof keyboardBuffer);
    else
        devices->acquire();
    updateBits(
        kKeyCount, [this](int i) { return (keyboardBuffer[kKeyCodes[i]] & kDownBit) != 0; }, keyHeld,
        keyPressed);

    if (!padPresent) return;

    JoyState pad;
    if (devices->padState(pad))
        padBuffer = pad;
    else
        devices->acquire();
    updateBits(
        kPadButtonCount, [this](int i) { return (padBuffer.rgbButtons[i] & kDownBit) != 0; }, padHeld,
        padPressed);

    leftStickX = deadZone(padBuffer.lX, kLeftStickDeadZone);
    leftStickY = deadZone(padBuffer.lY, kLeftStickDeadZone);
    rightStickX = deadZone(padBuffer.lRx, kRightStickDeadZone);
    rightStickY = deadZone(padBuffer.lRy, kRightStickDeadZone);
    zAxis = padBuffer.lZ > 100 ? static_cast<float>(padBuffer.lZ - 100) : 0.0f;
}

void InputState::release() {
    devices = nullptr;
    padPresent = false;
}

}  // namespace hc
