#include "tools/gamedrive/virtual_pad.h"

#include <SDL.h>

#include <cstdio>

namespace hc {

namespace {

// PadButton order to SDL controller buttons.
constexpr SDL_GameControllerButton kButtons[kPadButtonCount] = {
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
};

constexpr Uint16 kVendor = 0x4843;  // our own ids, so the program can be told to see this pad only
constexpr Uint16 kProduct = 0x0001;

Sint16 axisValue(int v) { return static_cast<Sint16>(v * 32767 / 1000); }

// A controller trigger spans the whole raw range: -32768 released, 32767 fully pressed.
Sint16 triggerValue(int v) { return static_cast<Sint16>(-32768 + v * 65535 / 1000); }

}  // namespace

VirtualPad::~VirtualPad() { detach(); }

void VirtualPad::detach() {
    if (!joystick_) return;
    // The device index moves as joysticks come and go; the instance id does not.
    const SDL_JoystickID id = SDL_JoystickInstanceID(joystick_);
    SDL_JoystickClose(joystick_);
    joystick_ = nullptr;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == id) {
            SDL_JoystickDetachVirtual(i);
            break;
        }
    }
}

bool VirtualPad::plug(bool attached) {
    if (!attached) {
        detach();
        return true;
    }
    return joystick_ || attach();
}

bool VirtualPad::key(int scancode, bool down) {
    SDL_Event event;
    SDL_zero(event);
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
    event.key.keysym.sym = SDL_GetKeyFromScancode(event.key.keysym.scancode);
    event.key.timestamp = SDL_GetTicks();
    return SDL_PushEvent(&event) == 1;
}

bool VirtualPad::attach() {
    if (!ready_) {
        char only[32];
        std::snprintf(only, sizeof only, "0x%04x/0x%04x", kVendor, kProduct);
        SDL_SetHint(SDL_HINT_GAMECONTROLLER_IGNORE_DEVICES_EXCEPT, only);
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
            std::fprintf(stderr, "gamedrive: SDL joystick: %s\n", SDL_GetError());
            return false;
        }
        ready_ = true;
    }
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.vendor_id = kVendor;
    desc.product_id = kProduct;
    desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
    desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
    desc.name = "gamedrive pad";
    const int deviceIndex = SDL_JoystickAttachVirtualEx(&desc);
    if (deviceIndex < 0) {
        std::fprintf(stderr, "gamedrive: virtual pad: %s\n", SDL_GetError());
        return false;
    }
    joystick_ = SDL_JoystickOpen(deviceIndex);
    if (!joystick_) {
        std::fprintf(stderr, "gamedrive: virtual pad: %s\n", SDL_GetError());
        SDL_JoystickDetachVirtual(deviceIndex);
        return false;
    }
    // Raw zero on a trigger reads half pressed: start from a pad at rest.
    apply(PadPicture{});
    return true;
}

void VirtualPad::apply(const PadPicture& pad) {
    if (!joystick_) return;
    for (int i = 0; i < kPadButtonCount; ++i) SDL_JoystickSetVirtualButton(joystick_, kButtons[i], pad.buttons[i] ? 1 : 0);
    SDL_JoystickSetVirtualAxis(joystick_, SDL_CONTROLLER_AXIS_LEFTX, axisValue(pad.leftX));
    SDL_JoystickSetVirtualAxis(joystick_, SDL_CONTROLLER_AXIS_LEFTY, axisValue(pad.leftY));
    SDL_JoystickSetVirtualAxis(joystick_, SDL_CONTROLLER_AXIS_RIGHTX, axisValue(pad.rightX));
    SDL_JoystickSetVirtualAxis(joystick_, SDL_CONTROLLER_AXIS_RIGHTY, axisValue(pad.rightY));
    SDL_JoystickSetVirtualAxis(joystick_, SDL_CONTROLLER_AXIS_TRIGGERLEFT, triggerValue(pad.triggers > 0 ? pad.triggers : 0));
    SDL_JoystickSetVirtualAxis(joystick_, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, triggerValue(pad.triggers < 0 ? -pad.triggers : 0));
    // The values reach the controller state when SDL next updates its joysticks; do it now so the
    // coming tick reads them.
    SDL_JoystickUpdate();
}

}  // namespace hc
