#pragma once
// The platform of unit tests and tools: no window system, a clock the caller controls, messages the
// caller schedules, the recording device, silent sound and scripted input. Failures can be injected.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/scripted_input.h"
#include "platform/platform.h"

namespace hc {

// A clock that only moves when told to. A loop waiting for its next tick jumps straight to it, since
// nothing else would ever move the time on.
class ManualClock : public Clock {
public:
    std::int64_t now = 0;
    std::int64_t countsPerSecond = 1000000;

    std::int64_t counter() override { return now; }
    std::int64_t frequency() override { return countsPerSecond; }
    std::uint32_t milliseconds() override;
    void waitUntil(std::int64_t deadline) override;

    void advanceSeconds(double seconds);
    void advanceCounts(std::int64_t counts) { now += counts; }
};

// The driver's clock: time advances only by whole ticks, so the program runs as fast as the machine
// allows and two runs of one script see the same times. Every wait of the loop ends exactly on the
// tick it waits for; the millisecond clock moves with it.
class VirtualClock : public ManualClock {
public:
    static constexpr std::int64_t kFrequency = 6000000;  // a whole number of counts per tick and per ms
    VirtualClock() { countsPerSecond = kFrequency; }
};

class HeadlessPlatform : public Platform {
public:
    // Uses the given clock, or its own ManualClock when none is given.
    explicit HeadlessPlatform(Clock* clock = nullptr);

    ManualClock manualClock;

    // What the program did.
    struct Shown {
        std::string text;
        std::string caption;
    };
    std::vector<Shown> messageBoxes;
    std::string windowClass;
    std::string windowTitle;
    int windowX = 0, windowY = 0, windowWidth = 0, windowHeight = 0;
    bool windowCreated = false;
    bool windowShown = false;
    int devicesCreated = 0;
    PresentConfig lastPresent;
    ScriptedInput* input = nullptr;  // the last input created (owned by the program)
    Device* device = nullptr;        // the last device created (owned by the program)
    bool echoMessageBoxes = false;   // also write boxes to standard error

    // What the platform offers.
    Rect desktop{0, 0, 1920, 1080};
    bool failWindowClass = false;
    bool failWindow = false;
    bool failDevice = false;
    bool failSound = false;
    SoundDeviceFailure soundFailure = SoundDeviceFailure::Device;  // the reason failSound gives

    // Messages arriving from outside, each taken once the clock has reached its time.
    void scheduleMessage(std::int64_t at, const Message& message);

    Clock& clock() override { return *clock_; }
    bool registerWindowClass(const std::string& className) override;
    Rect desktopRect() override { return desktop; }
    bool createWindow(const std::string& className, const std::string& title, int x, int y, int width,
                      int height) override;
    void showWindow() override { windowShown = windowCreated; }
    bool peekMessage(Message& message) override;
    void postMessage(const Message& message) override { posted_.push_back(message); }
    std::unique_ptr<Device> createDevice(const PresentConfig& config) override;
    std::unique_ptr<SoundDevice> createSoundDevice() override;
    SoundDeviceFailure soundDeviceFailure() const override { return soundFailure; }
    std::unique_ptr<InputDevices> createInput() override;
    void messageBox(const std::string& text, const std::string& caption) override;

private:
    struct Scheduled {
        std::int64_t at;
        Message message;
    };
    Clock* clock_;
    std::deque<Message> posted_;
    std::vector<Scheduled> incoming_;  // ordered by time
};

// Installs a platform for the lifetime of the object (tests).
class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform& p) { setPlatform(&p); }
    ~ScopedPlatform() { setPlatform(nullptr); }
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;
};

}  // namespace hc
