#pragma once
#include <cstdint>

namespace hc {

// Tick pacing at 60 ticks a second on the performance counter. Lateness is never made up.
class FrameTimer {
public:
    std::int64_t previousCount = 0;
    std::int64_t currentCount = 0;
    double frequency = 0;
    std::int64_t interval = 0;
    int tickDue = 0;
    float lastTickSeconds = 0;

    void reset();
    void poll();
};

extern FrameTimer gFrameTimer;

}  // namespace hc
