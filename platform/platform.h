#pragma once
// The operating-system side the game needs: one window and its messages, message boxes, the clock,
// and the factories of the device, sound and input back ends. Two implementations: SDL (the real
// programs and drawing tests) and headless (unit tests and tools).
#include <cstdint>
#include <memory>
#include <string>

#include "platform/device.h"
#include "platform/input_devices.h"
#include "platform/sound_device.h"

namespace hc {

// Window messages the loop sees. Controller events are not messages: the pad is polled.
struct Message {
    enum class Kind { Quit,
                      Close,
                      KeyDown,
                      KeyUp,
                      Mouse,
                      Window,
                      Other };
    Kind kind = Kind::Other;
    std::uint32_t virtualKey = 0;  // KeyDown/KeyUp: 27 for Escape
};
constexpr std::uint32_t VK_ESCAPE = 27;

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t counter() = 0;    // performance counter
    virtual std::int64_t frequency() = 0;  // counts per second
    virtual std::uint32_t milliseconds() = 0;
    // Called by the loop while no tick is due: a real clock sleeps when the deadline is far enough.
    virtual void waitUntil(std::int64_t deadline) { (void)deadline; }
};

class Platform {
public:
    virtual ~Platform() = default;

    virtual Clock& clock() = 0;

    // Frame metrics of a dialog frame (horizontal, vertical): 3 and 3.
    virtual int dialogFrameX() const { return 3; }
    virtual int dialogFrameY() const { return 3; }
    // Prepares windows of the named class (the X11 WM_CLASS on SDL). False on failure.
    virtual bool registerWindowClass(const std::string& className) {
        (void)className;
        return true;
    }
    virtual Rect desktopRect() = 0;
    // Creates the borderless window (not shown). False on failure.
    virtual bool createWindow(const std::string& className, const std::string& title, int x, int y, int width,
                              int height) = 0;
    virtual void showWindow() = 0;
    // Takes one message if any; false when none is waiting.
    virtual bool peekMessage(Message& message) = 0;
    virtual void postMessage(const Message& message) = 0;

    // The device on the window with the configuration's presentation; null on failure.
    virtual std::unique_ptr<Device> createDevice(const PresentConfig& config) = 0;
    // Null when no sound device and context can be had.
    virtual std::unique_ptr<SoundDevice> createSoundDevice() = 0;
    // Why the last createSoundDevice gave null: no output device, or none of its contexts.
    virtual SoundDeviceFailure soundDeviceFailure() const { return SoundDeviceFailure::Device; }
    virtual std::unique_ptr<InputDevices> createInput() = 0;

    // Shows a modal error box (UTF-8 texts) and writes it to standard error.
    virtual void messageBox(const std::string& text, const std::string& caption) = 0;
};

// The process-wide platform, set by the program's entry (or a test) before anything runs.
Platform& platform();
void setPlatform(Platform* p);
bool hasPlatform();

// Single-instance lock: true when this process now holds the named lock, false when another does.
bool acquireInstanceLock(const std::string& name);
// The file that carries the lock of that name.
std::string instanceLockPath(const std::string& name);

}  // namespace hc
