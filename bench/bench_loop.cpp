// The main loop idling at 60 ticks a second on the real platform (SDL window, OpenGL, performance
// counter): tick-to-tick intervals and the CPU time the process takes meanwhile.
//   bench_loop [SECONDS] [SPIN_MS]     (defaults 10 and the platform's own spin window)
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/application.h"
#include "engine/frame_timer.h"
#include "platform/sdl/sdl_platform.h"

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class Timing : public hc::LoopObserver {
public:
    int ticks = 600;
    std::vector<std::int64_t> at;
    double cpuAtFirst = 0, cpuAtLast = 0;

    bool afterTick(hc::Application&, int tick) override {
        at.push_back(hc::gFrameTimer.previousCount);
        // The first ticks carry start-up work; measure from the tenth on.
        if (tick == 10) cpuAtFirst = cpuSeconds();
        if (tick == ticks + 10) cpuAtLast = cpuSeconds();
        return tick < ticks + 10;
    }
};

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    hc::SdlPlatform platform;
    platform.showMessageBoxes = false;
    Timing timing;
    timing.ticks = std::max(2, static_cast<int>(seconds * 60));
    if (argc > 2) static_cast<hc::SdlClock&>(platform.clock()).spinSeconds = std::atof(argv[2]) / 1000.0;
    hc::runProgram(platform, hc::windowedPresent(), "", &timing);
    if (timing.at.size() < static_cast<std::size_t>(timing.ticks + 10)) {
        std::fprintf(stderr, "bench_loop: the program ended after %zu ticks\n", timing.at.size());
        return 1;
    }
    double frequency = static_cast<double>(platform.clock().frequency());
    std::vector<double> ms;
    for (std::size_t i = 10; i < timing.at.size(); ++i)
        ms.push_back(static_cast<double>(timing.at[i] - timing.at[i - 1]) * 1000.0 / frequency);
    double sum = 0, sq = 0, low = 1e9, high = 0;
    int within = 0;
    const double target = 1000.0 / 60.0;
    for (double v : ms) {
        sum += v;
        sq += v * v;
        low = std::min(low, v);
        high = std::max(high, v);
        within += std::fabs(v - target) <= 1.0;
    }
    double mean = sum / static_cast<double>(ms.size());
    double deviation = std::sqrt(std::max(0.0, sq / static_cast<double>(ms.size()) - mean * mean));
    double wall = sum / 1000.0;
    double cpu = timing.cpuAtLast - timing.cpuAtFirst;
    std::printf("ticks %zu  interval mean %.3f ms  min %.3f  max %.3f  sd %.3f  within 1 ms of 16.667: %.1f %%\n",
                ms.size(), mean, low, high, deviation, 100.0 * within / static_cast<double>(ms.size()));
    std::printf("ticks per second %.2f  cpu %.3f s of %.3f s wall = %.1f %% of one core\n",
                static_cast<double>(ms.size()) / wall, cpu, wall, 100.0 * cpu / wall);
    return 0;
}
