#include "platform/sdl/sdl_platform.h"

#include <SDL.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

#include "platform/headless/headless_sound_device.h"
#include "platform/sdl/gl_device.h"
#include "platform/sdl/openal_sound_device.h"
#include "platform/sdl/sdl_input.h"

namespace hc {

namespace {

// Window, keyboard and mouse events are the loop's messages; controller, joystick, audio-device and
// other events are not (the pad is polled).
std::optional<Message> toMessage(const SDL_Event& event) {
    Message m;
    switch (event.type) {
    case SDL_QUIT: m.kind = Message::Kind::Quit; return m;
    case SDL_WINDOWEVENT:
        m.kind = event.window.event == SDL_WINDOWEVENT_CLOSE ? Message::Kind::Close : Message::Kind::Window;
        return m;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        m.kind = event.type == SDL_KEYDOWN ? Message::Kind::KeyDown : Message::Kind::KeyUp;
        m.virtualKey = event.key.keysym.sym == SDLK_ESCAPE ? VK_ESCAPE : static_cast<std::uint32_t>(event.key.keysym.sym);
        return m;
    case SDL_TEXTEDITING:
    case SDL_TEXTINPUT:
    case SDL_KEYMAPCHANGED: m.kind = Message::Kind::Other; return m;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL: m.kind = Message::Kind::Mouse; return m;
    default: return std::nullopt;
    }
}

// The video drivers that open no display: chosen by name they serve tests and tools; taken by SDL
// because nothing else would start, they would only hide the window.
bool headlessVideoDriver(const char* driver) {
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

// Error boxes need a display; the offscreen and dummy drivers have none to show them on.
bool displayAvailable() { return !headlessVideoDriver(SDL_getenv("SDL_VIDEODRIVER")); }

// SIGINT and SIGTERM. The loop takes the first one as a close of the window; while an error box is up,
// which holds the loop, or when an earlier signal is still waiting for the loop, the process ends at once.
volatile sig_atomic_t gStopSignal = 0;
volatile sig_atomic_t gBoxShown = 0;

extern "C" void onStopSignal(int) {
    if (gBoxShown || gStopSignal) _exit(0);
    gStopSignal = 1;
}

}  // namespace

SdlClock::SdlClock() : frequency_(static_cast<std::int64_t>(SDL_GetPerformanceFrequency())) {}

std::int64_t SdlClock::counter() { return static_cast<std::int64_t>(SDL_GetPerformanceCounter()); }

std::uint32_t SdlClock::milliseconds() { return SDL_GetTicks(); }

void SdlClock::waitUntil(std::int64_t deadline) {
    auto counts = [this](double seconds) { return static_cast<std::int64_t>(seconds * static_cast<double>(frequency_)); };
    auto sleepCounts = [this](std::int64_t c) {
        std::this_thread::sleep_for(
            std::chrono::nanoseconds(static_cast<std::int64_t>(static_cast<double>(c) * 1e9 / static_cast<double>(frequency_))));
    };
    std::int64_t remaining = deadline - counter();
    if (remaining > counts(spinSeconds)) {
        // Far off: one sleep up to the start of the spin window.
        sleepCounts(remaining - counts(spinSeconds));
    } else if (remaining > counts(spinOnlySeconds)) {
        // Close: short naps, each well inside the timing the tick needs, so the window costs little CPU.
        sleepCounts(counts(napSeconds));
    }
    // Last stretch: return at once and let the caller spin on its polls.
}

SdlPlatform::SdlPlatform() : clock_(&sdlClock_) {
    // Closing the window is a message the program answers itself; SDL must not add a quit of its own.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_APP_NAME, "HOLLOW CREST");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // The signals are ours (below): SDL's own handlers would only queue a quit that a shown box never reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    gStopSignal = 0;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousInt_);
    sigaction(SIGTERM, &action, &previousTerm_);
    if (SDL_Init(SDL_INIT_EVENTS) != 0) std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
}

SdlPlatform::~SdlPlatform() {
    if (window_) SDL_DestroyWindow(window_);
    SDL_Quit();
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
}

bool SdlPlatform::registerWindowClass(const std::string& className) {
    if (video_) return true;
    // X11 takes the class from the environment when the video subsystem starts.
    SDL_setenv("SDL_VIDEO_X11_WMCLASS", className.c_str(), 1);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL video: %s\n", SDL_GetError());
        noDisplay_ = true;
        return false;
    }
    // Nothing to show a window on (no X server, no Wayland compositor): SDL fell back to a driver
    // that draws nowhere. Said and refused, unless that driver was asked for by name.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (headlessVideoDriver(driver) && !headlessVideoDriver(SDL_getenv("SDL_VIDEODRIVER"))) {
        std::fprintf(stderr,
                     "SDL video: no display to open a window on (DISPLAY and WAYLAND_DISPLAY reach none; "
                     "only the \"%s\" driver started)\n",
                     driver);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        noDisplay_ = true;
        return false;
    }
    video_ = true;
    return true;
}

Rect SdlPlatform::desktopRect() {
    SDL_Rect bounds{0, 0, 0, 0};
    if (!video_ || SDL_GetDisplayBounds(0, &bounds) != 0) return Rect{};
    return Rect{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
}

bool SdlPlatform::createWindow(const std::string& className, const std::string& title, int x, int y, int width,
                               int height) {
    if (!video_ && !registerWindowClass(className)) return false;
    if (window_) return false;
    setGlWindowAttributes();
    window_ = SDL_CreateWindow(title.c_str(), x, y, width, height,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS);
    if (!window_) {
        std::fprintf(stderr, "SDL window: %s\n", SDL_GetError());
        return false;
    }
    // The game reads no text; key presses stay single messages.
    SDL_StopTextInput();
    return true;
}

void SdlPlatform::showWindow() {
    if (!window_ || !showsWindow) return;
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
}

bool SdlPlatform::peekMessage(Message& message) {
    if (gStopSignal && !stopTaken_) {
        // A signal ends the program the way closing its window does.
        stopTaken_ = true;
        message = Message{Message::Kind::Close};
        return true;
    }
    if (!posted_.empty()) {
        message = posted_.front();
        posted_.pop_front();
        return true;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (auto m = toMessage(event)) {
            message = *m;
            return true;
        }
    }
    return false;
}

std::unique_ptr<Device> SdlPlatform::createDevice(const PresentConfig& config) {
    if (!window_) return nullptr;
    if (config.fullscreen) {
        // Cover the display even where no window manager applies the full-screen state.
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window_), &bounds) == 0) {
            SDL_SetWindowPosition(window_, bounds.x, bounds.y);
            SDL_SetWindowSize(window_, bounds.w, bounds.h);
        }
        if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
            std::fprintf(stderr, "SDL full screen: %s\n", SDL_GetError());
            return nullptr;
        }
    }
    auto device = createGlDevice(window_, config);
    if (!device) std::fprintf(stderr, "OpenGL: %s\n", SDL_GetError());
    return device;
}

std::unique_ptr<SoundDevice> SdlPlatform::createSoundDevice() {
    std::string why;
    auto device = createOpenAlSoundDevice(&soundFailure_, &why);
    if (device || soundFailure_ != SoundDeviceFailure::Device) return device;
    // No output at all (no sound server, no card, a refused device): the game plays on in silence on
    // buffers that keep time as real ones do.
    std::fprintf(stderr, "HOLLOW CREST: no sound: %s; the game plays without sound\n", why.c_str());
    std::fflush(stderr);
    soundFailure_ = SoundDeviceFailure::None;
    silentSound = true;
    return createHeadlessSoundDevice(clock());
}

std::unique_ptr<InputDevices> SdlPlatform::createInput() {
    if (!controllers_) {
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
            std::fprintf(stderr, "SDL controllers: %s\n", SDL_GetError());
        } else {
            controllers_ = true;
        }
    }
    return createSdlInput();
}

void SdlPlatform::messageBox(const std::string& text, const std::string& caption) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    if (!showMessageBoxes || noDisplay_ || !displayAvailable()) return;
    // Modal: the program waits here as it would for any error box. Fails quietly without a display.
    gBoxShown = 1;
    if (gStopSignal) _exit(0);  // a signal came before the box: nothing is waiting for the loop
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr);
    gBoxShown = 0;
}

}  // namespace hc
