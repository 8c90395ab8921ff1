#pragma once

namespace hc {

class Application;

// Watches the main loop from outside (the driver: scripted input, screenshots, a tick limit). The
// programs run without one.
class LoopObserver {
public:
    virtual ~LoopObserver() = default;
    // Before the tick's input is read; tick counts from 1.
    virtual void beforeTick(Application& app, int tick) {
        (void)app;
        (void)tick;
    }
    // After the tick's draw and quit hold; false ends the loop.
    virtual bool afterTick(Application& app, int tick) {
        (void)app;
        (void)tick;
        return true;
    }
    // Once, after the loop (or a failed start-up) and before shutdown.
    virtual void finished(Application& app) { (void)app; }
};

}  // namespace hc
