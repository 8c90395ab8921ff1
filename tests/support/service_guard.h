#pragma once
// The process-wide services of a running game for one test, on the headless back end, and their undoing.
#include <memory>

#include "engine/camera.h"
#include "engine/frame_timer.h"
#include "engine/input_state.h"
#include "engine/services.h"
#include "platform/headless/headless_device.h"
#include "platform/headless/headless_sound_device.h"
#include "platform/sprite.h"
#include "tests/unit/test_platform.h"

namespace hc::testsupport {

// Installs the test platform (a manual clock; error boxes are collected) and a recording device as
// gDevice, and wires what the wiring asks for: the sprite, a font, the silent sound device on the
// platform's clock, cleared input and frame timer, the camera's fixed projection. Whatever it set is
// cleared again when it goes.
struct ServiceWiring {
    bool sprite = true;
    bool sound = true;
    Font* font = nullptr;
    bool input = true;    // gInput and gFrameTimer start and end cleared
    bool camera = false;  // gCamera.init()
};

class ServiceGuard {
public:
    using Wiring = ServiceWiring;
    static Wiring deviceOnly() { return Wiring{.sprite = false, .sound = false, .input = false}; }

    test::ScopedTestPlatform scope;
    test::TestPlatform& platform = scope.platform;
    std::unique_ptr<Device> device = createHeadlessDevice();
    std::unique_ptr<Sprite> sprite;
    std::unique_ptr<SoundDevice> sound;

    explicit ServiceGuard(Wiring wiring = {}) : wiring_(wiring) {
        gDevice = device.get();
        if (wiring_.sprite) {
            sprite = std::make_unique<Sprite>(*device);
            gSprite = sprite.get();
        }
        if (wiring_.font) gFont = wiring_.font;
        if (wiring_.sound) {
            sound = createHeadlessSoundDevice(platform.manualClock);
            gSoundDevice = sound.get();
        }
        if (wiring_.input) clearInputAndTimer();
        if (wiring_.camera) gCamera.init();
    }
    ~ServiceGuard() {
        if (wiring_.input) clearInputAndTimer();
        if (wiring_.sound) gSoundDevice = nullptr;
        if (wiring_.font) gFont = nullptr;
        if (wiring_.sprite) gSprite = nullptr;
        gDevice = nullptr;
    }
    ServiceGuard(const ServiceGuard&) = delete;
    ServiceGuard& operator=(const ServiceGuard&) = delete;

private:
    static void clearInputAndTimer() {
        gInput = InputState{};
        gFrameTimer = FrameTimer{};
    }
    Wiring wiring_;
};

}  // namespace hc::testsupport
