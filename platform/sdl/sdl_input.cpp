#include "platform/sdl/sdl_input.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sdl/keyboard_pad.h"

namespace hc {

namespace {

struct KeyMapping {
    std::uint8_t code;
    SDL_Scancode scancode;
};

// The keys the game's key table reads, plus Escape.
constexpr KeyMapping kKeyMappings[] = {
    {DIK_ESCAPE, SDL_SCANCODE_ESCAPE},
    {DIK_UP, SDL_SCANCODE_UP},
    {DIK_DOWN, SDL_SCANCODE_DOWN},
    {DIK_RIGHT, SDL_SCANCODE_RIGHT},
    {DIK_LEFT, SDL_SCANCODE_LEFT},
    {DIK_SPACE, SDL_SCANCODE_SPACE},
    {DIK_RETURN, SDL_SCANCODE_RETURN},
    {DIK_Q, SDL_SCANCODE_Q},
    {DIK_W, SDL_SCANCODE_W},
    {DIK_E, SDL_SCANCODE_E},
    {DIK_A, SDL_SCANCODE_A},
    {DIK_S, SDL_SCANCODE_S},
    {DIK_D, SDL_SCANCODE_D},
    {DIK_F, SDL_SCANCODE_F},
    {DIK_Z, SDL_SCANCODE_Z},
    {DIK_X, SDL_SCANCODE_X},
    {DIK_C, SDL_SCANCODE_C},
    {DIK_0, SDL_SCANCODE_0},
    {DIK_1, SDL_SCANCODE_1},
    {DIK_2, SDL_SCANCODE_2},
    {DIK_3, SDL_SCANCODE_3},
    {DIK_4, SDL_SCANCODE_4},
    {DIK_5, SDL_SCANCODE_5},
    {DIK_6, SDL_SCANCODE_6},
    {DIK_7, SDL_SCANCODE_7},
    {DIK_8, SDL_SCANCODE_8},
    {DIK_9, SDL_SCANCODE_9},
};

// Button order of an Xbox-style pad as the game numbers its buttons.
constexpr SDL_GameControllerButton kPadButtons[] = {
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

constexpr std::uint8_t kDown = 0x80;
constexpr std::uint32_t kPovCentred = 0xFFFFFFFFu;

// SDL's -32768..32767 onto -1000..1000, linearly over the whole range as a ranged axis reads.
std::int32_t scaleAxis(Sint16 value) {
    return static_cast<std::int32_t>(std::lround((value + 32768) * 2000.0 / 65535.0)) - 1000;
}

// Both triggers on one axis: left pushes it up, right pushes it down.
std::int32_t combineTriggers(Sint16 left, Sint16 right) {
    const int difference = static_cast<int>(left) - static_cast<int>(right);
    const int clamped = difference < -32767 ? -32767 : (difference > 32767 ? 32767 : difference);
    return static_cast<std::int32_t>(std::lround(clamped * 1000.0 / 32767.0));
}

// Point-of-view value in hundredths of a degree clockwise from up; centred is all ones.
std::uint32_t povFromDirections(bool up, bool right, bool down, bool left) {
    if (up && right) return 4500;
    if (right && down) return 13500;
    if (down && left) return 22500;
    if (left && up) return 31500;
    if (up) return 0;
    if (right) return 9000;
    if (down) return 18000;
    if (left) return 27000;
    return kPovCentred;
}

std::uint32_t povFromHat(Uint8 hat) {
    return povFromDirections(hat & SDL_HAT_UP, hat & SDL_HAT_RIGHT, hat & SDL_HAT_DOWN, hat & SDL_HAT_LEFT);
}

// A mapping database beside the program or in the working directory extends SDL's built-in one.
void loadMappings() {
    const char* name = "gamecontrollerdb.txt";
    if (char* base = SDL_GetBasePath()) {
        const std::string path = std::string(base) + name;
        SDL_free(base);
        if (SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb")) {
            SDL_RWclose(file);
            SDL_GameControllerAddMappingsFromFile(path.c_str());
        }
    }
    if (SDL_RWops* file = SDL_RWFromFile(name, "rb")) {
        SDL_RWclose(file);
        SDL_GameControllerAddMappingsFromFile(name);
    }
}

class SdlInput : public InputDevices {
public:
    SdlInput() {
        loadMappings();
        takePad();
    }

    ~SdlInput() override {
        close();
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }

    SdlInput(const SdlInput&) = delete;
    SdlInput& operator=(const SdlInput&) = delete;

    bool keyboardState(std::uint8_t keys[256]) override {
        int count = 0;
        const Uint8* state = SDL_GetKeyboardState(&count);
        if (!state) return false;
        std::memset(keys, 0, 256);
        for (const KeyMapping& k : kKeyMappings)
            if ((k.scancode < count && state[k.scancode]) || keyboard_.held(k.scancode)) keys[k.code] = kDown;
        return true;
    }

    // The keyboard is a pad that is always there.
    bool hasPad() override { return true; }

    bool padState(JoyState& out) override {
        // The main loop drains only window, keyboard and mouse events; the pad is pumped here, and
        // pads plugged in or pulled out are found by the same update.
        SDL_GameControllerUpdate();
        // A pad pulled out reads released and centred from this read on, until one is plugged in.
        if (joystick_ && !SDL_JoystickGetAttached(joystick_)) close();
        if (!joystick_) takePad();
        JoyState state{};
        if (controller_)
            readController(state);
        else if (joystick_)
            readJoystick(state);
        keyboard_.apply(state);
        out = state;
        return true;
    }

    // Whether a controller is in use now (beside the keyboard).
    bool controllerOpen() const { return joystick_ != nullptr; }

private:
    SDL_GameController* controller_ = nullptr;
    SDL_Joystick* joystick_ = nullptr;
    KeyboardPad keyboard_;
    std::vector<SDL_JoystickID> refused_;  // attached joysticks that would not open: not tried again

    // The first attached joystick, where a virtual one (a scripted driver's) comes before physical ones
    // so that a scripted run does not depend on what else is plugged in.
    void takePad() {
        const int count = SDL_NumJoysticks();
        for (int pass = 0; pass < 2 && !joystick_; ++pass) {
            for (int i = 0; i < count && !joystick_; ++i) {
                if ((pass == 0) != (SDL_JoystickIsVirtual(i) == SDL_TRUE)) continue;
                const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(i);
                if (id < 0 || std::find(refused_.begin(), refused_.end(), id) != refused_.end()) continue;
                if (!open(i)) refused_.push_back(id);
            }
        }
    }

    bool open(int index) {
        if (SDL_IsGameController(index)) {
            controller_ = SDL_GameControllerOpen(index);
            if (controller_) joystick_ = SDL_GameControllerGetJoystick(controller_);
        }
        if (!joystick_) joystick_ = SDL_JoystickOpen(index);
        return joystick_ != nullptr;
    }

    void close() {
        if (controller_)
            SDL_GameControllerClose(controller_);
        else if (joystick_)
            SDL_JoystickClose(joystick_);
        controller_ = nullptr;
        joystick_ = nullptr;
    }

    void readController(JoyState& state) {
        auto axis = [this](SDL_GameControllerAxis a) { return SDL_GameControllerGetAxis(controller_, a); };
        auto button = [this](SDL_GameControllerButton b) { return SDL_GameControllerGetButton(controller_, b) != 0; };
        state.lX = scaleAxis(axis(SDL_CONTROLLER_AXIS_LEFTX));
        state.lY = scaleAxis(axis(SDL_CONTROLLER_AXIS_LEFTY));
        state.lRx = scaleAxis(axis(SDL_CONTROLLER_AXIS_RIGHTX));
        state.lRy = scaleAxis(axis(SDL_CONTROLLER_AXIS_RIGHTY));
        state.lZ = combineTriggers(axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT), axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT));
        for (std::size_t i = 0; i < std::size(kPadButtons); ++i)
            state.rgbButtons[i] = button(kPadButtons[i]) ? kDown : 0;
        state.rgdwPOV[0] = povFromDirections(button(SDL_CONTROLLER_BUTTON_DPAD_UP), button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT),
                                             button(SDL_CONTROLLER_BUTTON_DPAD_DOWN), button(SDL_CONTROLLER_BUTTON_DPAD_LEFT));
    }

    // No mapping: axes, buttons and hats in the joystick's own order.
    void readJoystick(JoyState& state) {
        std::int32_t* axes[] = {&state.lX, &state.lY, &state.lZ, &state.lRx,
                                &state.lRy, &state.lRz, &state.rglSlider[0], &state.rglSlider[1]};
        const int axisCount = SDL_JoystickNumAxes(joystick_);
        for (int i = 0; i < axisCount && i < static_cast<int>(std::size(axes)); ++i)
            *axes[i] = scaleAxis(SDL_JoystickGetAxis(joystick_, i));
        const int buttonCount = SDL_JoystickNumButtons(joystick_);
        for (int i = 0; i < buttonCount && i < static_cast<int>(std::size(state.rgbButtons)); ++i)
            state.rgbButtons[i] = SDL_JoystickGetButton(joystick_, i) ? kDown : 0;
        const int hatCount = SDL_JoystickNumHats(joystick_);
        for (int i = 0; i < hatCount && i < static_cast<int>(std::size(state.rgdwPOV)); ++i)
            state.rgdwPOV[i] = povFromHat(SDL_JoystickGetHat(joystick_, i));
    }
};

}  // namespace

std::unique_ptr<InputDevices> createSdlInput() {
    // The pad is read whether or not the window has focus, as a background input device is.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return nullptr;
    // The pad is polled: no controller events to pile up in a queue that the loop does not read.
    SDL_GameControllerEventState(SDL_IGNORE);
    SDL_JoystickEventState(SDL_IGNORE);
    return std::make_unique<SdlInput>();
}

}  // namespace hc
