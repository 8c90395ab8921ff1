#include "platform/sdl/openal_sound_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

namespace hc {
namespace {

using namespace std::chrono_literals;

// 16-bit mono at 22050 Hz: 44100 bytes per second.
constexpr WaveFormat kMono16{1, 1, 22050, 44100, 2, 16};

// OpenAL's null output mixes in real time on its own thread, so these tests wait for conditions
// (with a generous limit) instead of expecting exact positions.
bool eventually(const std::function<bool()>& condition) {
    const auto limit = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < limit) {
        if (condition()) return true;
        std::this_thread::sleep_for(5ms);
    }
    return condition();
}

class OpenAlSoundDeviceTest : public ::testing::Test {
protected:
    std::unique_ptr<SoundDevice> device;
    std::vector<std::uint8_t> samples = std::vector<std::uint8_t>(44100 * 2);  // two seconds of silence

    void SetUp() override {
        setenv("ALSOFT_DRIVERS", "null", 0);
        device = createOpenAlSoundDevice();
        if (!device) GTEST_SKIP() << "no OpenAL output here";
    }
    std::unique_ptr<AudioBuffer> make(std::uint32_t bytes) {
        auto b = device->createBuffer(kMono16, samples.data(), bytes);
        EXPECT_NE(b, nullptr);
        return b;
    }
};

TEST_F(OpenAlSoundDeviceTest, RefusesWhatItCannotPlay) {
    EXPECT_EQ(device->createBuffer({3, 1, 22050, 88200, 4, 32}, samples.data(), 1000), nullptr);
    EXPECT_EQ(device->createBuffer({1, 1, 22050, 66150, 3, 24}, samples.data(), 999), nullptr);
    EXPECT_EQ(device->createBuffer(kMono16, samples.data(), 0), nullptr);
    EXPECT_EQ(device->createBuffer(kMono16, samples.data(), 1), nullptr);
    EXPECT_NE(device->createBuffer({1, 2, 8000, 16000, 2, 8}, samples.data(), 3), nullptr);
}

TEST_F(OpenAlSoundDeviceTest, PlaysFromTheSetPositionWithoutRestarting) {
    auto buffer = make(88200);
    EXPECT_EQ(buffer->currentPosition(), 0u);
    EXPECT_FALSE(buffer->playing());
    buffer->setCurrentPosition(44101);
    EXPECT_EQ(buffer->currentPosition(), 44100u);
    buffer->play();
    EXPECT_TRUE(buffer->playing());
    ASSERT_TRUE(eventually([&] { return buffer->currentPosition() > 44100; }));
    buffer->play();  // already playing: carries on rather than starting over
    EXPECT_GT(buffer->currentPosition(), 44100u);
    buffer->setCurrentPosition(88200);  // past the end: refused
    EXPECT_GT(buffer->currentPosition(), 44100u);
}

TEST_F(OpenAlSoundDeviceTest, StopKeepsThePositionAndZeroRewinds) {
    auto buffer = make(88200);
    buffer->play();
    ASSERT_TRUE(eventually([&] { return buffer->currentPosition() > 8000; }));
    buffer->stop();
    EXPECT_FALSE(buffer->playing());
    const std::uint32_t paused = buffer->currentPosition();
    EXPECT_GT(paused, 0u);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(buffer->currentPosition(), paused);
    buffer->setCurrentPosition(0);
    EXPECT_EQ(buffer->currentPosition(), 0u);
    buffer->play();
    EXPECT_TRUE(buffer->playing());
    EXPECT_LT(buffer->currentPosition(), paused);
}

TEST_F(OpenAlSoundDeviceTest, PlayedToTheEndReportsZeroAndPlaysAgain) {
    auto buffer = make(2205);  // 50 ms
    buffer->play();
    ASSERT_TRUE(eventually([&] { return !buffer->playing(); }));
    EXPECT_EQ(buffer->currentPosition(), 0u);
    buffer->play();
    EXPECT_TRUE(buffer->playing());
    ASSERT_TRUE(eventually([&] { return !buffer->playing(); }));
    EXPECT_EQ(buffer->currentPosition(), 0u);
}

TEST_F(OpenAlSoundDeviceTest, BuffersMayOutliveTheDeviceObject) {
    auto buffer = make(4410);
    device.reset();
    buffer->play();
    EXPECT_TRUE(buffer->playing());
}

}  // namespace
}  // namespace hc
