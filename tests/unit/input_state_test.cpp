#include "engine/input_state.h"

#include <gtest/gtest.h>

#include "platform/headless/scripted_input.h"
#include "test_platform.h"

namespace hc {
namespace {

// Scripted devices whose pad read can fail and which count the re-acquire requests.
class FlakyInput : public ScriptedInput {
public:
    bool padReadFails = false;
    int acquires = 0;
    bool padState(JoyState& state) override {
        if (padReadFails) return false;
        return ScriptedInput::padState(state);
    }
    void acquire() override { ++acquires; }
};

class InputStateTest : public ::testing::Test {
protected:
    test::ScopedTestPlatform platform;
    FlakyInput devices;
    InputState input;

    void SetUp() override { ASSERT_TRUE(input.create(&devices)); }
    void press(int button) { devices.pad.rgbButtons[button] = 0x80; }
    void lift(int button) { devices.pad.rgbButtons[button] = 0; }
};

TEST_F(InputStateTest, AxesPassThroughTheirDeadZones) {
    struct Case {
        const char* name;
        std::int32_t JoyState::*axis;
        float InputState::*field;
        std::int32_t value;
        float expected;
    };
    const Case cases[] = {
        {"lX inside", &JoyState::lX, &InputState::leftStickX, 150, 0.0f},
        {"lX at edge", &JoyState::lX, &InputState::leftStickX, 200, 0.0f},
        {"lX just past", &JoyState::lX, &InputState::leftStickX, 201, 1.0f},
        {"lX full", &JoyState::lX, &InputState::leftStickX, 1000, 800.0f},
        {"lX full negative", &JoyState::lX, &InputState::leftStickX, -1000, -800.0f},
        {"lY negative edge", &JoyState::lY, &InputState::leftStickY, -200, 0.0f},
        {"lY full", &JoyState::lY, &InputState::leftStickY, 1000, 800.0f},
        {"lRx inside", &JoyState::lRx, &InputState::rightStickX, 300, 0.0f},
        {"lRx full", &JoyState::lRx, &InputState::rightStickX, 1000, 700.0f},
        {"lRy full negative", &JoyState::lRy, &InputState::rightStickY, -1000, -700.0f},
        {"lZ negative", &JoyState::lZ, &InputState::zAxis, -1000, 0.0f},
        {"lZ at threshold", &JoyState::lZ, &InputState::zAxis, 100, 0.0f},
        {"lZ full", &JoyState::lZ, &InputState::zAxis, 1000, 900.0f},
    };
    for (const Case& c : cases) {
        devices.pad = JoyState{};
        devices.pad.*c.axis = c.value;
        input.update();
        EXPECT_EQ(input.*c.field, c.expected) << c.name;
    }
}

TEST_F(InputStateTest, PressedBitLastsOneTickPerPress) {
    press(1);
    input.update();
    EXPECT_TRUE(input.padHit(PadButton::B));
    EXPECT_TRUE(input.padDown(PadButton::B));
    input.update();
    EXPECT_FALSE(input.padHit(PadButton::B));
    EXPECT_TRUE(input.padDown(PadButton::B));
    lift(1);
    input.update();
    EXPECT_FALSE(input.padDown(PadButton::B));
    EXPECT_EQ(input.padPressed, 0u);
    press(1);
    input.update();
    EXPECT_TRUE(input.padHit(PadButton::B));
}

TEST_F(InputStateTest, OnlyTheFirstTenButtonsCount) {
    press(9);
    press(10);
    press(127);
    input.update();
    EXPECT_EQ(input.padHeld, 1u << 9);
    EXPECT_EQ(input.padPressed, 1u << 9);
}

TEST_F(InputStateTest, KeysFollowTheKeyTable) {
    devices.keys[DIK_UP] = 0x80;
    devices.keys[DIK_9] = 0x80;
    devices.keys[DIK_0] = 0x80;
    devices.keys[DIK_ESCAPE] = 0x80;  // not in the table
    devices.keys[DIK_SPACE] = 0x7F;   // only bit 7 means down
    input.update();
    EXPECT_EQ(input.keyHeld, (1u << 0) | (1u << 16) | (1u << 25));
    EXPECT_EQ(input.keyPressed, input.keyHeld);
    input.update();
    EXPECT_EQ(input.keyPressed, 0u);
}

TEST_F(InputStateTest, FailedKeyboardReadKeepsLastStateAndReacquires) {
    devices.keys[DIK_Z] = 0x80;
    input.update();
    devices.keys[DIK_Z] = 0;
    devices.failNextRead = true;
    input.update();
    EXPECT_EQ(devices.acquires, 1);
    EXPECT_EQ(input.keyHeld, 1u << 13);
    EXPECT_EQ(input.keyPressed, 0u);  // still held, not pressed again
    input.update();
    EXPECT_EQ(devices.acquires, 1);
    EXPECT_EQ(input.keyHeld, 0u);
}

TEST_F(InputStateTest, FailedPadReadKeepsLastStateAndReacquires) {
    press(2);
    devices.pad.lX = 1000;
    input.update();
    lift(2);
    devices.pad.lX = 0;
    devices.padReadFails = true;
    input.update();
    input.update();
    EXPECT_EQ(devices.acquires, 2);
    EXPECT_TRUE(input.padDown(PadButton::X));
    EXPECT_FALSE(input.padHit(PadButton::X));
    EXPECT_EQ(input.leftStickX, 800.0f);
    devices.padReadFails = false;
    input.update();
    EXPECT_FALSE(input.padDown(PadButton::X));
    EXPECT_EQ(input.leftStickX, 0.0f);
}

TEST_F(InputStateTest, WithoutAPadOnlyTheKeyboardIsRead) {
    FlakyInput noPad;
    noPad.padAttached = false;
    noPad.pad.lX = 1000;
    noPad.pad.rgbButtons[1] = 0x80;
    InputState state;
    ASSERT_TRUE(state.create(&noPad));
    EXPECT_FALSE(state.padPresent);
    state.update();
    EXPECT_EQ(state.padHeld, 0u);
    EXPECT_EQ(state.leftStickX, 0.0f);
    EXPECT_EQ(noPad.acquires, 0);
}

TEST(InputStateCreate, MissingBackEndReportsAndFails) {
    test::ScopedTestPlatform platform;
    InputState state;
    EXPECT_FALSE(state.create(nullptr));
    ASSERT_EQ(platform.platform.messages.size(), 1u);
    EXPECT_EQ(platform.platform.messages[0].text, "DirectInput8Createの作成に失敗しました");
    EXPECT_EQ(platform.platform.messages[0].caption, "エラー");
    state.update();  // nothing to read, nothing happens
    EXPECT_EQ(state.keyHeld, 0u);
}

}  // namespace
}  // namespace hc
