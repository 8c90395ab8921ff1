#pragma once
#include <memory>
#include <string>

#include "app/loop_observer.h"
#include "app/scene_manager.h"
#include "platform/platform.h"

namespace hc {

class Font;
class Sprite;

// The two presentations: full screen with a 1280x720 back buffer, or the window's own client size.
PresentConfig fullScreenPresent();
PresentConfig windowedPresent();

// The program: start-up of the window and the shared services in a fixed order, the 60-tick loop
// through the scene manager, and the teardown in a fixed order. Runs on any platform.
class Application {
public:
    enum class ExitReason { None,
                            StartFailed,
                            QuitMessage,
                            SceneEnded,
                            QuitHold,
                            Stopped };

    Application(Platform& platform, const PresentConfig& present);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    Platform& platform;
    PresentConfig present;
    bool window = false;  // the game window exists
    int windowWidth = 0;
    int windowHeight = 0;
    SceneManager scenes;

    // The process-wide services (the engine reaches them through its global pointers).
    std::unique_ptr<Device> device;
    std::unique_ptr<Sprite> sprite;
    std::unique_ptr<InputDevices> inputDevices;
    std::unique_ptr<SoundDevice> soundDevice;
    std::unique_ptr<Font> font;
    int fontCreated = 0;

    LoopObserver* observer = nullptr;
    int ticksRun = 0;
    ExitReason exitReason = ExitReason::None;
    bool started = false;  // init ran and shutdown has not yet

    bool init();
    int run();
    // Safe after a partial init; does nothing when init never ran or shutdown already did.
    void shutdown();
    // Handles one window message as the window procedure does.
    void wndProc(const Message& message);
};

// The program's entry: refuses a second copy (empty lock name: no lock), then init, run and shutdown,
// with the given platform installed as the process-wide one meanwhile. Returns the exit status, 0 in
// every case.
int runProgram(Platform& platform, const PresentConfig& present, const std::string& instanceLockName,
               LoopObserver* observer = nullptr);

const char* exitReasonName(Application::ExitReason reason);

}  // namespace hc
