#pragma once
// The keyboard as a second pad. Keys are taken from SDL's key events as they enter the event queue (an
// event watch), so a key the window system sends and one a tool pushes take the same path. Each tick
// the pad state read from the controller gets the keyboard laid over it:
//   left stick W A S D, right stick the arrows, B Return / keypad Enter, A Backspace, X X,
//   right-stick press Space, left-stick press Left Shift, left trigger Q (fully pulled).
// By physical key position (scancodes), so the layout is the same on every keyboard map.
#include <SDL.h>

#include <cstdint>

#include "platform/input_devices.h"

namespace hc {

class KeyboardPad {
public:
    // One direction key is full deflection; two of one stick give the diagonal on the stick's circle.
    static constexpr std::int32_t kFull = 1000;
    static constexpr std::int32_t kDiagonal = 707;
    // A flick of the arrows is held back over this many reads (the one that sees its first key and
    // the ones after), so that two arrows pressed a tick or two apart make one diagonal flick.
    static constexpr int kFlickGatherReads = 3;

    KeyboardPad();
    ~KeyboardPad();
    KeyboardPad(const KeyboardPad&) = delete;
    KeyboardPad& operator=(const KeyboardPad&) = delete;

    // A key event or a focus change (the watch calls it; tests may too).
    void handle(const SDL_Event& event);
    // Down now, or pressed since the last apply: a tap between two ticks still counts once.
    bool held(SDL_Scancode key) const;
    // Lays this tick's keys over the pad's state, and starts the next tick's count of taps.
    void apply(JoyState& pad);
    // Every key up (the window lost the keyboard).
    void releaseAll();

private:
    bool down_[SDL_NUM_SCANCODES] = {};
    bool tapped_[SDL_NUM_SCANCODES] = {};
    std::uint8_t flickKeys_ = 0;  // the arrows gathered for the coming flick
    int flickReads_ = 0;          // reads the coming flick has been held back
    bool flickShown_ = false;     // the flick is out; it lasts until every arrow is up
    std::uint8_t shownKeys_ = 0;  // the arrows the stick showed at the last read

    std::uint8_t arrowsNow() const;
    std::uint8_t rightStickKeys();
    static int eventWatch(void* self, SDL_Event* event);
};

}  // namespace hc
