#pragma once
#include "tools/gamedrive/pad_feed.h"

struct _SDL_Joystick;

namespace hc {

// An SDL virtual joystick with the game-controller layout, so SDL's controller mapping applies to it as
// to any Xbox-style pad. Attach it before the program opens its first controller.
class VirtualPad : public PadFeed {
public:
    VirtualPad() = default;
    ~VirtualPad() override;
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    bool attach();
    void apply(const PadPicture& pad) override;
    bool plug(bool attached) override;
    bool key(int scancode, bool down) override;

private:
    _SDL_Joystick* joystick_ = nullptr;
    bool ready_ = false;  // the joystick subsystem is up with this pad's hint

    void detach();
};

}  // namespace hc
