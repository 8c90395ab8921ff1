#pragma once
// A platform for unit tests: a manual clock, no window, and message boxes collected instead of shown.
#include <string>
#include <vector>

#include "platform/headless/headless_sound_device.h"
#include "platform/headless/scripted_input.h"
#include "platform/platform.h"

namespace hc::test {

class ManualClock : public Clock {
public:
    std::int64_t now = 0;
    std::int64_t countsPerSecond = 1000000;
    std::int64_t counter() override { return now; }
    std::int64_t frequency() override { return countsPerSecond; }
    std::uint32_t milliseconds() override { return static_cast<std::uint32_t>(now * 1000 / countsPerSecond); }
    void advanceSeconds(double seconds) { now += static_cast<std::int64_t>(seconds * countsPerSecond); }
};

struct Shown {
    std::string text;
    std::string caption;
};

class TestPlatform : public Platform {
public:
    ManualClock manualClock;
    std::vector<Shown> messages;

    Clock& clock() override { return manualClock; }
    Rect desktopRect() override { return Rect{0, 0, 1920, 1080}; }
    bool createWindow(const std::string&, const std::string&, int, int, int, int) override { return true; }
    void showWindow() override {}
    bool peekMessage(Message&) override { return false; }
    void postMessage(const Message&) override {}
    std::unique_ptr<Device> createDevice(const PresentConfig&) override { return nullptr; }
    std::unique_ptr<SoundDevice> createSoundDevice() override { return createHeadlessSoundDevice(manualClock); }
    std::unique_ptr<InputDevices> createInput() override { return std::make_unique<ScriptedInput>(); }
    void messageBox(const std::string& text, const std::string& caption) override {
        messages.push_back({text, caption});
    }
};

// Installs a TestPlatform for the lifetime of the object.
class ScopedTestPlatform {
public:
    TestPlatform platform;
    ScopedTestPlatform() { setPlatform(&platform); }
    ~ScopedTestPlatform() { setPlatform(nullptr); }
    ScopedTestPlatform(const ScopedTestPlatform&) = delete;
    ScopedTestPlatform& operator=(const ScopedTestPlatform&) = delete;
};

}  // namespace hc::test
