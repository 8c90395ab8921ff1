#pragma once
// The real platform: an SDL window with an OpenGL device, OpenAL sound, SDL keyboard and controller.
// SIGINT and SIGTERM end the program: through the loop as a close of the window, or at once while an
// error box is up.
#include <signal.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "platform/platform.h"

struct SDL_Window;

namespace hc {

// The performance counter. Waiting sleeps while the deadline is more than spinSeconds away; inside that
// window it takes short naps until spinOnlySeconds remain, and leaves the very end to the caller's
// polling. That keeps the tick on time without holding a core.
class SdlClock : public Clock {
public:
    SdlClock();
    std::int64_t counter() override;
    std::int64_t frequency() override { return frequency_; }
    std::uint32_t milliseconds() override;
    void waitUntil(std::int64_t deadline) override;

    double spinSeconds = 0.002;
    double spinOnlySeconds = 0.0002;
    double napSeconds = 0.0001;

private:
    std::int64_t frequency_;
};

class SdlPlatform : public Platform {
public:
    SdlPlatform();
    ~SdlPlatform() override;
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;

    // Replaces the clock (the driver's virtual clock); null restores the performance counter.
    void setClock(Clock* clock) { clock_ = clock ? clock : &sdlClock_; }
    // Off: error boxes go to standard error only (tools that run without anyone watching).
    bool showMessageBoxes = true;
    // Off: the window is never shown, and presenting skips the swap and its wait for vertical sync
    // (the driver: its frames are only read back).
    bool showsWindow = true;

    // Set when no sound output could be opened and the game runs on a silent device.
    bool silentSound = false;

    SDL_Window* window() const { return window_; }

    Clock& clock() override { return *clock_; }
    bool registerWindowClass(const std::string& className) override;
    Rect desktopRect() override;
    bool createWindow(const std::string& className, const std::string& title, int x, int y, int width,
                      int height) override;
    void showWindow() override;
    bool peekMessage(Message& message) override;
    void postMessage(const Message& message) override { posted_.push_back(message); }
    std::unique_ptr<Device> createDevice(const PresentConfig& config) override;
    std::unique_ptr<SoundDevice> createSoundDevice() override;
    SoundDeviceFailure soundDeviceFailure() const override { return soundFailure_; }
    std::unique_ptr<InputDevices> createInput() override;
    void messageBox(const std::string& text, const std::string& caption) override;

private:
    SdlClock sdlClock_;
    Clock* clock_;
    SDL_Window* window_ = nullptr;
    bool video_ = false;
    bool controllers_ = false;
    bool noDisplay_ = false;
    SoundDeviceFailure soundFailure_ = SoundDeviceFailure::None;
    std::deque<Message> posted_;
    bool stopTaken_ = false;  // the signal's close has been handed to the loop
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};

}  // namespace hc
