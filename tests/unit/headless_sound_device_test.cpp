#include "platform/headless/headless_sound_device.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_platform.h"

namespace hc {
namespace {

// 16-bit mono at 22050 Hz: 44100 bytes per second, 2-byte frames.
constexpr WaveFormat kMono16{1, 1, 22050, 44100, 2, 16};

class HeadlessSoundDeviceTest : public ::testing::Test {
protected:
    test::ManualClock clock;
    std::unique_ptr<SoundDevice> device = createHeadlessSoundDevice(clock);
    std::vector<std::uint8_t> oneSecond = std::vector<std::uint8_t>(44100);
    std::unique_ptr<AudioBuffer> buffer = device->createBuffer(kMono16, oneSecond.data(), 44100);
};

TEST_F(HeadlessSoundDeviceTest, PlayAdvancesWithTheClockInWholeFrames) {
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->currentPosition(), 0u);
    EXPECT_FALSE(buffer->playing());
    clock.advanceSeconds(1.0);  // time passes without play: nothing moves
    EXPECT_EQ(buffer->currentPosition(), 0u);
    buffer->play();
    clock.advanceSeconds(0.25);
    EXPECT_EQ(buffer->currentPosition(), 11024u);  // 11025 bytes, rounded down to a frame
    EXPECT_TRUE(buffer->playing());
}

TEST_F(HeadlessSoundDeviceTest, StopPausesAndPlayResumes) {
    buffer->play();
    clock.advanceSeconds(0.5);
    buffer->stop();
    EXPECT_EQ(buffer->currentPosition(), 22050u);
    EXPECT_FALSE(buffer->playing());
    clock.advanceSeconds(2.0);
    EXPECT_EQ(buffer->currentPosition(), 22050u);
    buffer->play();
    clock.advanceSeconds(0.25);
    EXPECT_EQ(buffer->currentPosition(), 33074u);
}

TEST_F(HeadlessSoundDeviceTest, PlayWhilePlayingDoesNotRestart) {
    buffer->play();
    clock.advanceSeconds(0.5);
    buffer->play();
    EXPECT_EQ(buffer->currentPosition(), 22050u);
}

TEST_F(HeadlessSoundDeviceTest, SettingThePositionRewindsOrSeeks) {
    buffer->play();
    clock.advanceSeconds(0.5);
    buffer->stop();
    buffer->setCurrentPosition(0);
    EXPECT_EQ(buffer->currentPosition(), 0u);
    buffer->play();
    clock.advanceSeconds(0.1);
    buffer->setCurrentPosition(1001);  // while playing: continues from the frame at 1000
    clock.advanceSeconds(0.1);
    EXPECT_EQ(buffer->currentPosition(), 5410u);
    buffer->setCurrentPosition(44100);  // past the end: refused
    EXPECT_EQ(buffer->currentPosition(), 5410u);
}

TEST_F(HeadlessSoundDeviceTest, PlayedToTheEndStopsAtZeroAndPlaysAgainFromTheStart) {
    buffer->setCurrentPosition(40000);
    buffer->play();
    clock.advanceSeconds(0.09);
    EXPECT_TRUE(buffer->playing());
    clock.advanceSeconds(0.01);  // 4410 bytes after 40000: past the end at 44100
    EXPECT_FALSE(buffer->playing());
    EXPECT_EQ(buffer->currentPosition(), 0u);
    clock.advanceSeconds(1.0);
    buffer->play();
    clock.advanceSeconds(0.5);
    EXPECT_EQ(buffer->currentPosition(), 22050u);
}

TEST_F(HeadlessSoundDeviceTest, UnplayableFormatsAndEmptyDataGiveNoBuffer) {
    struct Case {
        const char* name;
        WaveFormat format;
        std::uint32_t bytes;
    };
    const Case cases[] = {
        {"float samples", {3, 1, 22050, 88200, 4, 32}, 1000},
        {"24-bit", {1, 1, 22050, 66150, 3, 24}, 999},
        {"three channels", {1, 3, 22050, 132300, 6, 16}, 1200},
        {"no channels", {1, 0, 22050, 0, 0, 16}, 1000},
        {"zero rate", {1, 1, 0, 0, 2, 16}, 1000},
        {"block align disagrees", {1, 2, 22050, 44100, 2, 16}, 1000},
        {"byte rate disagrees", {1, 1, 22050, 1, 2, 16}, 1000},
        {"no data", kMono16, 0},
        {"less than one frame", kMono16, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(device->createBuffer(c.format, oneSecond.data(), c.bytes), nullptr) << c.name;
    EXPECT_NE(device->createBuffer({1, 2, 44100, 176400, 4, 16}, oneSecond.data(), 4), nullptr);
    EXPECT_NE(device->createBuffer({1, 1, 8000, 8000, 1, 8}, oneSecond.data(), 1), nullptr);
}

}  // namespace
}  // namespace hc
