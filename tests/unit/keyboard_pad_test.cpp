// The keyboard as a second pad, fed the way the window system feeds it: key events pushed into SDL's
// event queue, read by the SDL input back end.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "platform/sdl/keyboard_pad.h"
#include "platform/sdl/sdl_input.h"

namespace hc {
namespace {

constexpr std::uint8_t kDown = 0x80;

class KeyboardPadTest : public ::testing::Test {
protected:
    std::unique_ptr<InputDevices> input;
    int virtualIndex = -1;

    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER | SDL_INIT_JOYSTICK), 0) << SDL_GetError();
        if (SDL_NumJoysticks() != 0) GTEST_SKIP() << "a joystick is attached to this machine";
        input = createSdlInput();
        ASSERT_NE(input, nullptr);
    }
    void TearDown() override {
        input.reset();
        if (virtualIndex >= 0) SDL_JoystickDetachVirtual(virtualIndex);
        SDL_Quit();
    }

    static void send(SDL_Scancode key, bool down, bool repeat = false) {
        SDL_Event event;
        SDL_zero(event);
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat ? 1 : 0;
        event.key.keysym.scancode = key;
        event.key.keysym.sym = SDL_GetKeyFromScancode(key);
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
    static void press(std::initializer_list<SDL_Scancode> keys) {
        for (SDL_Scancode k : keys) send(k, true);
    }
    static void lift(std::initializer_list<SDL_Scancode> keys) {
        for (SDL_Scancode k : keys) send(k, false);
    }
    // One tick's read, as InputState::update makes it.
    JoyState read() {
        std::uint8_t keys[256];
        EXPECT_TRUE(input->keyboardState(keys));
        JoyState state;
        EXPECT_TRUE(input->padState(state));
        return state;
    }
};

TEST_F(KeyboardPadTest, KeysFillThePadFields) {
    struct Case {
        const char* name;
        std::vector<SDL_Scancode> keys;
        std::int32_t lX, lY, lRx, lRy, lZ;
        std::vector<int> buttons;
    };
    constexpr std::int32_t F = KeyboardPad::kFull, H = KeyboardPad::kDiagonal;
    const Case cases[] = {
        {"W", {SDL_SCANCODE_W}, 0, -F, 0, 0, 0, {}},
        {"S", {SDL_SCANCODE_S}, 0, F, 0, 0, 0, {}},
        {"A", {SDL_SCANCODE_A}, -F, 0, 0, 0, 0, {}},
        {"D", {SDL_SCANCODE_D}, F, 0, 0, 0, 0, {}},
        {"W D diagonal", {SDL_SCANCODE_W, SDL_SCANCODE_D}, H, -H, 0, 0, 0, {}},
        {"S A diagonal", {SDL_SCANCODE_S, SDL_SCANCODE_A}, -H, H, 0, 0, 0, {}},
        {"W S cancel", {SDL_SCANCODE_W, SDL_SCANCODE_S}, 0, 0, 0, 0, 0, {}},
        {"A D cancel, W stays", {SDL_SCANCODE_A, SDL_SCANCODE_D, SDL_SCANCODE_W}, 0, -F, 0, 0, 0, {}},
        {"Up", {SDL_SCANCODE_UP}, 0, 0, 0, -F, 0, {}},
        {"Left", {SDL_SCANCODE_LEFT}, 0, 0, -F, 0, 0, {}},
        {"Right Down diagonal", {SDL_SCANCODE_RIGHT, SDL_SCANCODE_DOWN}, 0, 0, H, H, 0, {}},
        {"Left Right cancel", {SDL_SCANCODE_LEFT, SDL_SCANCODE_RIGHT}, 0, 0, 0, 0, 0, {}},
        {"Return", {SDL_SCANCODE_RETURN}, 0, 0, 0, 0, 0, {1}},
        {"keypad Enter", {SDL_SCANCODE_KP_ENTER}, 0, 0, 0, 0, 0, {1}},
        {"Backspace", {SDL_SCANCODE_BACKSPACE}, 0, 0, 0, 0, 0, {0}},
        {"X", {SDL_SCANCODE_X}, 0, 0, 0, 0, 0, {2}},
        {"Space", {SDL_SCANCODE_SPACE}, 0, 0, 0, 0, 0, {9}},
        {"Left Shift", {SDL_SCANCODE_LSHIFT}, 0, 0, 0, 0, 0, {8}},
        {"Q", {SDL_SCANCODE_Q}, 0, 0, 0, 0, F, {}},
        {"keys outside the layout", {SDL_SCANCODE_E, SDL_SCANCODE_RSHIFT, SDL_SCANCODE_Z}, 0, 0, 0, 0, 0, {}},
        {"Space with an arrow", {SDL_SCANCODE_SPACE, SDL_SCANCODE_DOWN}, 0, 0, 0, F, 0, {9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (SDL_Scancode k : c.keys) send(k, true);
        JoyState first = read();
        // Sticks of the left hand, buttons and the trigger answer at once.
        EXPECT_EQ(first.lX, c.lX);
        EXPECT_EQ(first.lY, c.lY);
        EXPECT_EQ(first.lZ, c.lZ);
        for (int b = 0; b < 16; ++b) {
            const bool expected = std::find(c.buttons.begin(), c.buttons.end(), b) != c.buttons.end();
            EXPECT_EQ(first.rgbButtons[b], expected ? kDown : 0) << "button " << b;
        }
        // The arrows once the flick is out.
        JoyState state = first;
        for (int i = 1; i < KeyboardPad::kFlickGatherReads; ++i) state = read();
        EXPECT_EQ(state.lRx, c.lRx);
        EXPECT_EQ(state.lRy, c.lRy);
        EXPECT_EQ(state.lX, c.lX);
        for (SDL_Scancode k : c.keys) send(k, false);
        JoyState after = read();
        EXPECT_EQ(after.lX, 0);
        EXPECT_EQ(after.lY, 0);
        EXPECT_EQ(after.lRx, 0);
        EXPECT_EQ(after.lRy, 0);
        EXPECT_EQ(after.lZ, 0);
        for (int b = 0; b < 16; ++b) EXPECT_EQ(after.rgbButtons[b], 0) << "button " << b;
    }
}

// Up then Left a tick later is one up-left flick: the stick stays centred until the diagonal is
// complete, so the game never sees the straight flick that would latch first.
TEST_F(KeyboardPadTest, TwoArrowsATickApartMakeOneDiagonalFlick) {
    press({SDL_SCANCODE_UP});
    EXPECT_EQ(read().lRy, 0);
    press({SDL_SCANCODE_LEFT});
    JoyState state = read();
    EXPECT_EQ(state.lRx, -KeyboardPad::kDiagonal);
    EXPECT_EQ(state.lRy, -KeyboardPad::kDiagonal);
    state = read();
    EXPECT_EQ(state.lRx, -KeyboardPad::kDiagonal);
    lift({SDL_SCANCODE_UP, SDL_SCANCODE_LEFT});
    state = read();
    EXPECT_EQ(state.lRx, 0);
    EXPECT_EQ(state.lRy, 0);

    // The second arrow on the last read of the hold still joins.
    press({SDL_SCANCODE_RIGHT});
    EXPECT_EQ(read().lRx, 0);
    EXPECT_EQ(read().lRx, 0);
    press({SDL_SCANCODE_DOWN});
    state = read();
    EXPECT_EQ(state.lRx, KeyboardPad::kDiagonal);
    EXPECT_EQ(state.lRy, KeyboardPad::kDiagonal);
    lift({SDL_SCANCODE_RIGHT, SDL_SCANCODE_DOWN});
    read();

    // One arrow alone comes out after the hold, and the stick returns to the centre when it is let go.
    press({SDL_SCANCODE_DOWN});
    EXPECT_EQ(read().lRy, 0);
    EXPECT_EQ(read().lRy, 0);
    EXPECT_EQ(read().lRy, KeyboardPad::kFull);
    EXPECT_EQ(read().lRy, KeyboardPad::kFull);
    press({SDL_SCANCODE_LEFT});  // a second arrow later on slides the stick, as on a pad
    EXPECT_EQ(read().lRx, -KeyboardPad::kDiagonal);
    lift({SDL_SCANCODE_DOWN, SDL_SCANCODE_LEFT});
    EXPECT_EQ(read().lRy, 0);
}

// An arrow let go and another pressed between two reads: the stick passes the centre, which frees the
// next flick, and the new arrow is gathered as a new flick.
TEST_F(KeyboardPadTest, AnArrowSwappedBetweenReadsIsANewFlick) {
    press({SDL_SCANCODE_LEFT});
    for (int i = 0; i < KeyboardPad::kFlickGatherReads; ++i) read();
    ASSERT_EQ(read().lRx, -KeyboardPad::kFull);
    lift({SDL_SCANCODE_LEFT});
    press({SDL_SCANCODE_RIGHT});
    JoyState state = read();
    EXPECT_EQ(state.lRx, 0);
    EXPECT_EQ(read().lRx, 0);
    EXPECT_EQ(read().lRx, KeyboardPad::kFull);
}

// A key down and up between two reads (a quick tap, a synthetic event) is down for one read; an arrow
// tapped that way still makes its flick once the hold is over.
TEST_F(KeyboardPadTest, ATapBetweenTwoReadsCountsForOne) {
    send(SDL_SCANCODE_RETURN, true);
    send(SDL_SCANCODE_RETURN, false);
    send(SDL_SCANCODE_D, true);
    send(SDL_SCANCODE_D, false);
    send(SDL_SCANCODE_UP, true);
    send(SDL_SCANCODE_UP, false);
    std::uint8_t keys[256];
    ASSERT_TRUE(input->keyboardState(keys));
    EXPECT_EQ(keys[DIK_RETURN], kDown);  // the key table sees the tap too
    JoyState state;
    ASSERT_TRUE(input->padState(state));
    EXPECT_EQ(state.rgbButtons[1], kDown);
    EXPECT_EQ(state.lX, KeyboardPad::kFull);
    EXPECT_EQ(state.lRy, 0);
    state = read();
    EXPECT_EQ(state.rgbButtons[1], 0);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(read().lRy, -KeyboardPad::kFull);
    EXPECT_EQ(read().lRy, 0);
}

TEST_F(KeyboardPadTest, KeyRepeatIsNoNewPress) {
    send(SDL_SCANCODE_RETURN, true);
    EXPECT_EQ(read().rgbButtons[1], kDown);
    send(SDL_SCANCODE_RETURN, false);
    EXPECT_EQ(read().rgbButtons[1], 0);
    send(SDL_SCANCODE_RETURN, true, true);  // a repeat with no press before it: nothing
    EXPECT_EQ(read().rgbButtons[1], 0);
}

TEST_F(KeyboardPadTest, LosingTheFocusLetsEveryKeyGo) {
    press({SDL_SCANCODE_D, SDL_SCANCODE_SPACE});
    ASSERT_EQ(read().lX, KeyboardPad::kFull);
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    JoyState state = read();
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.rgbButtons[9], 0);
}

// A key's stick wins while one of its keys is down, the pad's stick otherwise; a button is down when
// either holds it.
TEST_F(KeyboardPadTest, KeyboardAndPadPlayTogether) {
    input.reset();
    virtualIndex = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                             SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(virtualIndex, 0) << SDL_GetError();
    SDL_Joystick* pad = SDL_JoystickOpen(virtualIndex);
    input = createSdlInput();
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, -16384);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 16384);
    SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, 32767);
    SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_A, 1);
    JoyState state = read();
    EXPECT_EQ(state.lX, -500);
    EXPECT_EQ(state.lY, 500);
    EXPECT_EQ(state.lRx, 1000);
    press({SDL_SCANCODE_W, SDL_SCANCODE_RETURN});
    state = read();
    EXPECT_EQ(state.lX, 0);  // the keys' stick: W alone, the pad's x is not mixed in
    EXPECT_EQ(state.lY, -KeyboardPad::kFull);
    EXPECT_EQ(state.lRx, 1000);
    EXPECT_EQ(state.rgbButtons[0], kDown);
    EXPECT_EQ(state.rgbButtons[1], kDown);
    lift({SDL_SCANCODE_W, SDL_SCANCODE_RETURN});
    state = read();
    EXPECT_EQ(state.lX, -500);
    EXPECT_EQ(state.lY, 500);
    EXPECT_EQ(state.rgbButtons[1], 0);
    SDL_JoystickClose(pad);
}

}  // namespace
}  // namespace hc
