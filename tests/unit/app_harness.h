#pragma once
// Runs the real program start-up and loop on the headless platform with a manual clock, watching each
// tick from outside.
#include <functional>
#include <vector>

#include "app/application.h"
#include "engine/frame_timer.h"
#include "engine/services.h"
#include "front_end_files.h"
#include "platform/headless/headless_platform.h"

namespace hc::test {

struct TickRecord {
    std::int64_t at;  // the counter value the tick was taken at
    float lastTickSeconds;
    int frames;  // frames presented so far
};

// Frames presented so far on a recording device.
inline int presents(const Device& device) {
    int n = 0;
    for (const DeviceCall& c : device.calls) n += c.kind == CallKind::Present;
    return n;
}

class RecordingObserver : public LoopObserver {
public:
    std::vector<TickRecord> ticks;
    int stopAfter = 0;  // 0: never stop from here
    std::function<void(Application&, int)> before;
    std::function<void(Application&, int)> after;
    // What the loop left behind, seen just before shutdown.
    bool finishedCalled = false;
    Application::ExitReason exitReason = Application::ExitReason::None;
    int ticksRun = 0;
    int framesAtEnd = 0;
    bool titleAtEnd = false;

    void beforeTick(Application& app, int tick) override {
        if (before) before(app, tick);
    }
    bool afterTick(Application& app, int tick) override {
        ticks.push_back({gFrameTimer.previousCount, gFrameTimer.lastTickSeconds, presents(*gDevice)});
        if (after) after(app, tick);
        return stopAfter == 0 || tick < stopAfter;
    }
    void finished(Application& app) override {
        finishedCalled = true;
        exitReason = app.exitReason;
        ticksRun = app.ticksRun;
        framesAtEnd = gDevice ? presents(*gDevice) : 0;
        titleAtEnd = app.scenes.titleScene != nullptr;
    }
};

class ProgramHarness {
public:
    static constexpr std::int64_t kStart = 5000000;  // any moment will do; not zero

    HeadlessPlatform platform;
    ScopedPlatform scoped{platform};
    RecordingObserver observer;
    frontend::ScratchDir dir;  // the working folder, holding what the title loads

    ProgramHarness() {
        platform.manualClock.now = kStart;
        frontend::writeFrontEndFiles();
    }

    std::int64_t interval() const { return platform.manualClock.countsPerSecond / 60; }

    // The whole entry: lock (none here), start-up, loop, shutdown.
    int run(const PresentConfig& present = windowedPresent()) {
        return runProgram(platform, present, "", &observer);
    }
};

}  // namespace hc::test
