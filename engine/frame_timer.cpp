#include "engine/frame_timer.h"

#include "platform/platform.h"

namespace hc {

FrameTimer gFrameTimer;

void FrameTimer::reset() {
    Clock& clock = platform().clock();
    currentCount = clock.counter();
    previousCount = currentCount;
    std::int64_t countsPerSecond = clock.frequency();
    frequency = static_cast<double>(countsPerSecond);
    interval = countsPerSecond / 60;
    poll();
}

void FrameTimer::poll() {
    currentCount = platform().clock().counter();
    if (currentCount < previousCount + interval) {
        tickDue = 0;
        return;
    }
    // The next tick is measured from now: lateness is never made up.
    lastTickSeconds = static_cast<float>(static_cast<double>(currentCount - previousCount) / frequency);
    previousCount = currentCount;
    tickDue = 1;
}

}  // namespace hc
