#include "app/application.h"

#include <new>

#include "app/create_device.h"
#include "engine/camera.h"
#include "engine/frame_timer.h"
#include "engine/input_state.h"
#include "engine/services.h"
#include "engine/texture_cache.h"
#include "game/light_settings.h"
#include "platform/font.h"
#include "platform/sprite.h"

namespace hc {

namespace {

constexpr const char* kWindowName = "HOLLOW CREST";
constexpr PadButton kQuitButton = PadButton::Back;
constexpr int kQuitHoldTicks = 60;

}  // namespace

PresentConfig fullScreenPresent() { return PresentConfig{true, 1280, 720}; }

PresentConfig windowedPresent() { return PresentConfig{false, 0, 0}; }

Application::Application(Platform& p, const PresentConfig& presentIn) : platform(p), present(presentIn) {}

Application::~Application() { shutdown(); }

bool Application::init() {
    started = true;
    if (!platform.registerWindowClass(kWindowName)) {
        showError("ウィンドウの設定の作成に失敗しました");
        return false;
    }
    Rect desktop = platform.desktopRect();
    int x = desktop.right / 2 - windowWidth / 2;
    int y = desktop.bottom / 2 - windowHeight / 2;
    if (!platform.createWindow(kWindowName, kWindowName, x, y, windowWidth, windowHeight)) {
        showError("ウィンドウの設定の作成に失敗しました");
        return false;
    }
    window = true;

    device = createDevice(platform, present);
    if (!device) return false;
    gDevice = device.get();

    gDevice->setRenderState(RenderState::FogEnable, 1);
    gDevice->setRenderState(RenderState::FogStart, floatBits(1.0f));
    gDevice->setRenderState(RenderState::FogEnd, floatBits(51.0f));

    sprite.reset(new (std::nothrow) Sprite(*gDevice));
    if (!sprite) {
        showError("Spriteの作成に失敗しました");
        return false;
    }
    gSprite = sprite.get();

    TextureCache::setUpSampling();

    inputDevices = platform.createInput();
    if (!gInput.create(inputDevices.get())) return false;

    soundDevice = platform.createSoundDevice();
    if (!soundDevice) {
        // No output device at all, or a device that would not give a context to play in.
        if (platform.soundDeviceFailure() == SoundDeviceFailure::Context) {
            showError("協調レベルの設定に失敗しました", "エラー-DirectSound-");
        } else {
            showError("DirectSoundCreate8に失敗しました", "エラー-DirectSound-");
        }
        return false;
    }
    gSoundDevice = soundDevice.get();

    font = Font::create(*gDevice, 0, 900, "MS ゴシック");
    if (!font) return false;
    fontCreated = 1;
    gFont = font.get();

    gCamera.init();
    LightSettings::load();
    gFrameTimer.reset();
    platform.showWindow();
    return true;
}

int Application::run() {
    Clock& clock = platform.clock();
    gFrameTimer.reset();
    for (;;) {
        gFrameTimer.poll();
        Message message;
        if (platform.peekMessage(message)) {
            if (message.kind == Message::Kind::Quit) {
                exitReason = ExitReason::QuitMessage;
                return 0;
            }
            // A tick found due in this pass is lost: the next poll measures from it.
            wndProc(message);
            continue;
        }
        if (!gFrameTimer.tickDue) {
            clock.waitUntil(gFrameTimer.previousCount + gFrameTimer.interval);
            continue;
        }

        ++ticksRun;
        if (observer) observer->beforeTick(*this, ticksRun);
        gInput.update();
        if (scenes.update() == 0) {
            scenes.releaseAll();
            exitReason = ExitReason::SceneEnded;
            return 0;
        }
        scenes.draw();
        if (gInput.padDown(kQuitButton)) {
            if (++scenes.quitHoldCounter >= kQuitHoldTicks) {
                scenes.releaseAll();
                exitReason = ExitReason::QuitHold;
                return 0;
            }
        } else {
            scenes.quitHoldCounter = 0;
        }
        if (observer && !observer->afterTick(*this, ticksRun)) {
            exitReason = ExitReason::Stopped;
            return 0;
        }
    }
}

void Application::wndProc(const Message& message) {
    switch (message.kind) {
    case Message::Kind::Close: platform.postMessage(Message{Message::Kind::Quit}); break;
    case Message::Kind::KeyDown:
        if (message.virtualKey == VK_ESCAPE) platform.postMessage(Message{Message::Kind::Close});
        break;
    default: break;
    }
}

void Application::shutdown() {
    if (!started) return;
    started = false;
    scenes.releaseAll();
    LightSettings::release();
    if (fontCreated == 1) {
        gFont = nullptr;
        font.reset();
        fontCreated = 0;
    }
    gInput.release();
    inputDevices.reset();
    gSprite = nullptr;
    sprite.reset();
    gDevice = nullptr;
    device.reset();
    // The sound device goes last: every buffer the scenes held was given back with them.
    gSoundDevice = nullptr;
    soundDevice.reset();
}

int runProgram(Platform& platform, const PresentConfig& present, const std::string& instanceLockName,
               LoopObserver* observer) {
    // Everything below reaches the platform through the process-wide pointer as well.
    Platform* previous = hasPlatform() ? &hc::platform() : nullptr;
    setPlatform(&platform);
    if (!instanceLockName.empty() && !acquireInstanceLock(instanceLockName)) {
        platform.messageBox("多重起動はできません！", "エラー");
        setPlatform(previous);
        return 0;
    }
    {
        Application app(platform, present);
        app.observer = observer;
        // The frame metric of a dialog frame twice across, and the vertical one once on the height.
        app.windowWidth = 1280 + 2 * platform.dialogFrameX();
        app.windowHeight = 720 + 2 * platform.dialogFrameX() + platform.dialogFrameY();
        if (app.init()) {
            app.run();
        } else {
            app.exitReason = Application::ExitReason::StartFailed;
        }
        if (observer) observer->finished(app);
        app.shutdown();
    }
    setPlatform(previous);
    return 0;
}

const char* exitReasonName(Application::ExitReason reason) {
    switch (reason) {
    case Application::ExitReason::None: return "none";
    case Application::ExitReason::StartFailed: return "start-failed";
    case Application::ExitReason::QuitMessage: return "quit-message";
    case Application::ExitReason::SceneEnded: return "scene-ended";
    case Application::ExitReason::QuitHold: return "quit-hold";
    case Application::ExitReason::Stopped: return "stopped";
    }
    return "none";
}

}  // namespace hc
