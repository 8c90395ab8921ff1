#include "platform/sdl/sdl_input.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/input_state.h"

namespace hc {
namespace {

class SdlInputTest : public ::testing::Test {
protected:
    int virtualIndex = -1;

    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER | SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    }
    void TearDown() override {
        if (virtualIndex >= 0) SDL_JoystickDetachVirtual(virtualIndex);
        SDL_Quit();
    }

    // An Xbox-like pad as the driver tool attaches it: SDL's controller axes and buttons in SDL's order.
    SDL_Joystick* attachXboxLikePad() {
        virtualIndex = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                 SDL_CONTROLLER_BUTTON_MAX, 0);
        EXPECT_GE(virtualIndex, 0) << SDL_GetError();
        return SDL_JoystickOpen(virtualIndex);  // our own handle, to set the virtual state
    }
};

TEST_F(SdlInputTest, VirtualPadIsTheFirstControllerWithXboxButtonOrder) {
    SDL_Joystick* pad = attachXboxLikePad();
    ASSERT_NE(pad, nullptr);
    auto input = createSdlInput();
    ASSERT_NE(input, nullptr);
    ASSERT_TRUE(input->hasPad());

    const SDL_GameControllerButton order[] = {
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
    for (int i = 0; i < 10; ++i) {
        SDL_JoystickSetVirtualButton(pad, order[i], 1);
        JoyState state;
        ASSERT_TRUE(input->padState(state));
        for (int b = 0; b < 16; ++b) EXPECT_EQ(state.rgbButtons[b], b == i ? 0x80 : 0) << "pressed " << i;
        SDL_JoystickSetVirtualButton(pad, order[i], 0);
    }
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 1);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN, 1);
    JoyState state;
    ASSERT_TRUE(input->padState(state));
    EXPECT_EQ(state.rgdwPOV[0], 13500u);
    SDL_JoystickClose(pad);
}

TEST_F(SdlInputTest, SticksAndTriggersScaleToTheThousandRange) {
    SDL_Joystick* pad = attachXboxLikePad();
    auto input = createSdlInput();
    struct Case {
        const char* name;
        Sint16 leftX, leftY, rightX, rightY, leftTrigger, rightTrigger;
        std::int32_t lX, lY, lRx, lRy, lZ;
    };
    // Raw trigger axes of a virtual pad run from -32768 (released) to 32767 (pulled).
    constexpr Sint16 off = -32768, full = 32767;
    const Case cases[] = {
        {"centred", 0, 0, 0, 0, off, off, 0, 0, 0, 0, 0},
        {"left stick right and down", 32767, 32767, 0, 0, off, off, 1000, 1000, 0, 0, 0},
        {"left stick left and up", -32768, -32768, 0, 0, off, off, -1000, -1000, 0, 0, 0},
        {"right stick half", 0, 0, 16384, -16384, off, off, 0, 0, 500, -500, 0},
        {"left trigger", 0, 0, 0, 0, full, off, 0, 0, 0, 0, 1000},
        {"left trigger half", 0, 0, 0, 0, 0, off, 0, 0, 0, 0, 500},
        {"right trigger", 0, 0, 0, 0, off, full, 0, 0, 0, 0, -1000},
        {"both triggers", 0, 0, 0, 0, full, full, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, c.leftX);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, c.leftY);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, c.rightX);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTY, c.rightY);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT, c.leftTrigger);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, c.rightTrigger);
        JoyState state;
        ASSERT_TRUE(input->padState(state)) << c.name;
        EXPECT_EQ(state.lX, c.lX) << c.name;
        EXPECT_EQ(state.lY, c.lY) << c.name;
        EXPECT_EQ(state.lRx, c.lRx) << c.name;
        EXPECT_EQ(state.lRy, c.lRy) << c.name;
        EXPECT_EQ(state.lZ, c.lZ) << c.name;
    }
    // Polling leaves nothing in the event queue for a loop that reads only window events.
    SDL_PumpEvents();
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_JOYAXISMOTION, SDL_CONTROLLERSENSORUPDATE), 0);
    SDL_JoystickClose(pad);
}

// A window without keyboard focus (the driver tool's offscreen window) must not blind the pad.
TEST_F(SdlInputTest, PadIsReadWithoutWindowFocus) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("input", 0, 0, 64, 64, SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    ASSERT_EQ(SDL_GetKeyboardFocus(), nullptr);
    SDL_Joystick* pad = attachXboxLikePad();
    auto input = createSdlInput();
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_B, 1);
    JoyState state;
    ASSERT_TRUE(input->padState(state));
    EXPECT_EQ(state.rgbButtons[1], 0x80);
    SDL_JoystickClose(pad);
    SDL_DestroyWindow(window);
}

TEST_F(SdlInputTest, UnmappedJoystickUsesRawIndices) {
    virtualIndex = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 4, 12, 1);
    ASSERT_GE(virtualIndex, 0) << SDL_GetError();
    ASSERT_FALSE(SDL_IsGameController(virtualIndex));
    SDL_Joystick* stick = SDL_JoystickOpen(virtualIndex);
    auto input = createSdlInput();
    ASSERT_TRUE(input->hasPad());
    SDL_JoystickSetVirtualButton(stick, 11, 1);
    SDL_JoystickSetVirtualAxis(stick, 2, 32767);
    SDL_JoystickSetVirtualAxis(stick, 3, -32768);
    SDL_JoystickSetVirtualHat(stick, 0, SDL_HAT_LEFT);
    JoyState state;
    ASSERT_TRUE(input->padState(state));
    EXPECT_EQ(state.rgbButtons[11], 0x80);
    EXPECT_EQ(state.rgbButtons[0], 0);
    EXPECT_EQ(state.lZ, 1000);
    EXPECT_EQ(state.lRx, -1000);
    EXPECT_EQ(state.rgdwPOV[0], 27000u);
    SDL_JoystickClose(stick);
}

// Pulled out with a stick pushed and a button held: released and centred on the very next read, not
// held for good; a pad plugged in again is taken without being asked for.
TEST_F(SdlInputTest, PadPulledOutReadsCentredAndOnePluggedInIsTaken) {
    SDL_Joystick* pad = attachXboxLikePad();
    auto input = createSdlInput();
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_B, 1);
    JoyState state;
    ASSERT_TRUE(input->padState(state));
    ASSERT_EQ(state.lX, 1000);
    ASSERT_EQ(state.rgbButtons[1], 0x80);
    SDL_JoystickClose(pad);
    ASSERT_EQ(SDL_JoystickDetachVirtual(virtualIndex), 0);
    virtualIndex = -1;
    ASSERT_TRUE(input->padState(state));
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.rgbButtons[1], 0);
    EXPECT_TRUE(input->hasPad());

    pad = attachXboxLikePad();
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_START, 1);
    ASSERT_TRUE(input->padState(state));
    EXPECT_EQ(state.rgbButtons[7], 0x80);
    SDL_JoystickClose(pad);
}

// The same through the game's input state: the held bit drops on the tick after the pull.
TEST_F(SdlInputTest, InputStateSeesAPulledPadLetGoOnTheNextTick) {
    SDL_Joystick* pad = attachXboxLikePad();
    auto devices = createSdlInput();
    InputState input;
    ASSERT_TRUE(input.create(devices.get()));
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, -32768);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_RIGHTSTICK, 1);
    input.update();
    EXPECT_TRUE(input.padDown(PadButton::RightStick));
    EXPECT_EQ(input.rightStickX, -700.0f);
    SDL_JoystickClose(pad);
    SDL_JoystickDetachVirtual(virtualIndex);
    virtualIndex = -1;
    input.update();
    EXPECT_FALSE(input.padDown(PadButton::RightStick));
    EXPECT_EQ(input.rightStickX, 0.0f);
    pad = attachXboxLikePad();
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_RIGHTSTICK, 1);
    input.update();
    EXPECT_TRUE(input.padHit(PadButton::RightStick));
    SDL_JoystickClose(pad);
    input.release();
}

TEST_F(SdlInputTest, PadPluggedInAfterStartUpIsTaken) {
    if (SDL_NumJoysticks() != 0) GTEST_SKIP() << "a joystick is attached to this machine";
    auto input = createSdlInput();
    JoyState state;
    ASSERT_TRUE(input->padState(state));  // the keyboard alone: a pad at rest
    EXPECT_EQ(state.rgbButtons[1], 0);
    SDL_Joystick* pad = attachXboxLikePad();
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_B, 1);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, -32768);
    ASSERT_TRUE(input->padState(state));
    EXPECT_EQ(state.rgbButtons[1], 0x80);
    EXPECT_EQ(state.lY, -1000);
    SDL_JoystickClose(pad);
}

TEST_F(SdlInputTest, NoJoystickLeavesTheKeyboardAsThePad) {
    if (SDL_NumJoysticks() != 0) GTEST_SKIP() << "a joystick is attached to this machine";
    auto input = createSdlInput();
    ASSERT_NE(input, nullptr);
    EXPECT_TRUE(input->hasPad());
    JoyState state;
    state.lX = 55;
    ASSERT_TRUE(input->padState(state));
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lZ, 0);
    for (int b = 0; b < 128; ++b) EXPECT_EQ(state.rgbButtons[b], 0) << b;
}

TEST_F(SdlInputTest, KeyboardFillsTheOriginalKeyCodes) {
    auto input = createSdlInput();
    // SDL's own key state array, written directly: no window delivers key events here.
    int count = 0;
    auto* sdlKeys = const_cast<Uint8*>(SDL_GetKeyboardState(&count));
    const SDL_Scancode down[] = {SDL_SCANCODE_UP, SDL_SCANCODE_0, SDL_SCANCODE_1, SDL_SCANCODE_RETURN, SDL_SCANCODE_P};
    for (SDL_Scancode s : down) sdlKeys[s] = 1;
    std::uint8_t keys[256];
    ASSERT_TRUE(input->keyboardState(keys));
    for (SDL_Scancode s : down) sdlKeys[s] = 0;
    for (int code = 0; code < 256; ++code) {
        const bool expected = code == DIK_UP || code == DIK_0 || code == DIK_1 || code == DIK_RETURN;
        EXPECT_EQ(keys[code], expected ? 0x80 : 0) << "key code " << code;
    }
}

}  // namespace
}  // namespace hc
