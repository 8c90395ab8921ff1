#pragma once
#include <cstdint>

namespace hc {

// The ten pad buttons the game reads, by their index in the pad state (rgbButtons) and their bit in
// InputState's bit sets: the numbering a DirectInput driver gives an Xbox-style pad.
enum class PadButton : int {
    A = 0,
    B = 1,
    X = 2,
    Y = 3,
    LeftShoulder = 4,
    RightShoulder = 5,
    Back = 6,
    Start = 7,
    LeftStick = 8,   // left-stick press
    RightStick = 9,  // right-stick press
};
inline constexpr int kPadButtonCount = 10;  // rgbButtons[0..9]; higher buttons are ignored

constexpr int padIndex(PadButton button) { return static_cast<int>(button); }
// The button's bit in padHeld and padPressed.
constexpr std::uint32_t padBit(PadButton button) { return 1u << padIndex(button); }

}  // namespace hc
