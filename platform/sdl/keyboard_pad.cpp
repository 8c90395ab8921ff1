#include "platform/sdl/keyboard_pad.h"

#include <cstring>

namespace hc {

namespace {

constexpr std::uint8_t kDown = 0x80;

// Direction bits of a stick's four keys.
constexpr std::uint8_t kUp = 1, kDownward = 2, kLeft = 4, kRight = 8;

struct StickKeys {
    SDL_Scancode up, down, left, right;
};
constexpr StickKeys kLeftStickKeys{SDL_SCANCODE_W, SDL_SCANCODE_S, SDL_SCANCODE_A, SDL_SCANCODE_D};
constexpr StickKeys kRightStickKeys{SDL_SCANCODE_UP, SDL_SCANCODE_DOWN, SDL_SCANCODE_LEFT, SDL_SCANCODE_RIGHT};

struct ButtonKey {
    int button;
    SDL_Scancode key;
};
constexpr ButtonKey kButtonKeys[] = {
    {1, SDL_SCANCODE_RETURN},
    {1, SDL_SCANCODE_KP_ENTER},
    {0, SDL_SCANCODE_BACKSPACE},
    {2, SDL_SCANCODE_X},
    {9, SDL_SCANCODE_SPACE},
    {8, SDL_SCANCODE_LSHIFT},
};
constexpr SDL_Scancode kZoomKey = SDL_SCANCODE_Q;

// The stick position of a set of direction keys, y down; opposite keys cancel.
void stickFrom(std::uint8_t keys, std::int32_t& x, std::int32_t& y) {
    const int dx = ((keys & kRight) ? 1 : 0) - ((keys & kLeft) ? 1 : 0);
    const int dy = ((keys & kDownward) ? 1 : 0) - ((keys & kUp) ? 1 : 0);
    const std::int32_t reach = dx != 0 && dy != 0 ? KeyboardPad::kDiagonal : KeyboardPad::kFull;
    x = dx * reach;
    y = dy * reach;
}

bool isDiagonal(std::uint8_t keys) { return (keys & (kUp | kDownward)) != 0 && (keys & (kLeft | kRight)) != 0; }

}  // namespace

KeyboardPad::KeyboardPad() { SDL_AddEventWatch(&KeyboardPad::eventWatch, this); }

KeyboardPad::~KeyboardPad() { SDL_DelEventWatch(&KeyboardPad::eventWatch, this); }

int KeyboardPad::eventWatch(void* self, SDL_Event* event) {
    static_cast<KeyboardPad*>(self)->handle(*event);
    return 1;
}

void KeyboardPad::handle(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const SDL_Scancode key = event.key.keysym.scancode;
        if (key <= SDL_SCANCODE_UNKNOWN || key >= SDL_NUM_SCANCODES) return;
        if (event.type == SDL_KEYUP) {
            down_[key] = false;
        } else if (!event.key.repeat) {  // the window system's key repeat is no new press
            down_[key] = true;
            tapped_[key] = true;
        }
        break;
    }
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) releaseAll();
        break;
    default: break;
    }
}

bool KeyboardPad::held(SDL_Scancode key) const {
    return key > SDL_SCANCODE_UNKNOWN && key < SDL_NUM_SCANCODES && (down_[key] || tapped_[key]);
}

void KeyboardPad::releaseAll() {
    std::memset(down_, 0, sizeof down_);
    std::memset(tapped_, 0, sizeof tapped_);
    flickKeys_ = 0;
    flickReads_ = 0;
}

std::uint8_t KeyboardPad::arrowsNow() const {
    const StickKeys& k = kRightStickKeys;
    return static_cast<std::uint8_t>((held(k.up) ? kUp : 0) | (held(k.down) ? kDownward : 0) |
                                     (held(k.left) ? kLeft : 0) | (held(k.right) ? kRight : 0));
}

// The arrows the right stick shows this read; 0xFF while the arrows leave the pad's stick alone.
std::uint8_t KeyboardPad::rightStickKeys() {
    constexpr std::uint8_t kNone = 0xFF;
    const std::uint8_t now = arrowsNow();
    if (flickShown_) {
        if (now == 0) {
            flickShown_ = false;
            return kNone;
        }
        // One arrow let go and another pressed between two reads: the stick passes the centre on its
        // way, so the new key is a new flick rather than a slide along the rim.
        if ((shownKeys_ & ~now) != 0 && (now & ~shownKeys_) != 0) {
            flickShown_ = false;
            flickKeys_ = static_cast<std::uint8_t>(now & ~shownKeys_);
            flickReads_ = 1;
            return 0;
        }
        shownKeys_ = now;
        return now;
    }
    if (now == 0 && flickReads_ == 0) return kNone;
    flickKeys_ |= now;
    ++flickReads_;
    if (!isDiagonal(flickKeys_) && flickReads_ < kFlickGatherReads) return 0;  // held back, centred meanwhile
    // Out with everything gathered, also a tap that is already over: it shows for this one read.
    const std::uint8_t keys = flickKeys_;
    flickShown_ = true;
    shownKeys_ = keys;
    flickKeys_ = 0;
    flickReads_ = 0;
    return keys;
}

void KeyboardPad::apply(JoyState& pad) {
    const StickKeys& l = kLeftStickKeys;
    const std::uint8_t leftKeys = static_cast<std::uint8_t>((held(l.up) ? kUp : 0) | (held(l.down) ? kDownward : 0) |
                                                            (held(l.left) ? kLeft : 0) | (held(l.right) ? kRight : 0));
    if (leftKeys != 0) stickFrom(leftKeys, pad.lX, pad.lY);
    const std::uint8_t rightKeys = rightStickKeys();
    if (rightKeys != 0xFF) stickFrom(rightKeys, pad.lRx, pad.lRy);
    for (const ButtonKey& b : kButtonKeys)
        if (held(b.key)) pad.rgbButtons[b.button] = kDown;
    if (held(kZoomKey)) pad.lZ = kFull;
    std::memset(tapped_, 0, sizeof tapped_);
}

}  // namespace hc
