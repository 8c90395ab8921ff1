#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <cstdio>

#include "platform/headless/headless_device.h"
#include "platform/headless/headless_sound_device.h"

namespace hc {

std::uint32_t ManualClock::milliseconds() {
    // Wraps like the millisecond clock of the system does.
    return static_cast<std::uint32_t>(now / (countsPerSecond / 1000 > 0 ? countsPerSecond / 1000 : 1));
}

void ManualClock::waitUntil(std::int64_t deadline) {
    if (deadline > now) now = deadline;
}

void ManualClock::advanceSeconds(double seconds) {
    now += static_cast<std::int64_t>(seconds * static_cast<double>(countsPerSecond));
}

HeadlessPlatform::HeadlessPlatform(Clock* clock) : clock_(clock ? clock : &manualClock) {}

void HeadlessPlatform::scheduleMessage(std::int64_t at, const Message& message) {
    auto pos = std::upper_bound(incoming_.begin(), incoming_.end(), at,
                                [](std::int64_t t, const Scheduled& s) { return t < s.at; });
    incoming_.insert(pos, Scheduled{at, message});
}

bool HeadlessPlatform::registerWindowClass(const std::string& className) {
    if (failWindowClass) return false;
    windowClass = className;
    return true;
}

bool HeadlessPlatform::createWindow(const std::string& className, const std::string& title, int x, int y,
                                    int width, int height) {
    if (failWindow) return false;
    windowClass = className;
    windowTitle = title;
    windowX = x;
    windowY = y;
    windowWidth = width;
    windowHeight = height;
    windowCreated = true;
    return true;
}

bool HeadlessPlatform::peekMessage(Message& message) {
    if (!posted_.empty()) {
        message = posted_.front();
        posted_.pop_front();
        return true;
    }
    if (!incoming_.empty() && incoming_.front().at <= clock_->counter()) {
        message = incoming_.front().message;
        incoming_.erase(incoming_.begin());
        return true;
    }
    return false;
}

std::unique_ptr<Device> HeadlessPlatform::createDevice(const PresentConfig& config) {
    lastPresent = config;
    if (failDevice || !windowCreated) return nullptr;
    // A popup window has no frame of its own: its client area is the whole window.
    int width = config.backBufferWidth > 0 ? config.backBufferWidth : windowWidth;
    int height = config.backBufferHeight > 0 ? config.backBufferHeight : windowHeight;
    auto d = createHeadlessDevice(width, height);
    device = d.get();
    ++devicesCreated;
    return d;
}

std::unique_ptr<SoundDevice> HeadlessPlatform::createSoundDevice() {
    if (failSound) return nullptr;
    return createHeadlessSoundDevice(*clock_);
}

std::unique_ptr<InputDevices> HeadlessPlatform::createInput() {
    auto i = std::make_unique<ScriptedInput>();
    input = i.get();
    return i;
}

void HeadlessPlatform::messageBox(const std::string& text, const std::string& caption) {
    messageBoxes.push_back({text, caption});
    if (echoMessageBoxes) std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

}  // namespace hc
