// The game's own costs, measured through the real program (start-up, loop, scene manager, scenes):
//   startup      start of the process to the first title frame, on SDL with OpenGL and OpenAL
//   title-gl     tick and frame times at the title on OpenGL
//   stage29      story stage 29 with its wave on the field under continuous attack (finisher included),
//                on the headless back end: update cost per tick, draw pass through the recording device,
//                game-scene init
//   stage29-gl   the same on OpenGL: tick and frame times, game-scene init
//   story-run    a whole invincible story run by the driver's bot: ticks per second
// Each runs in a process of its own (so start-up is cold and peak memory is its own) and prints figures;
// nothing is asserted. Run with SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null where there is no display.
// Timed calls print wall time and the process's CPU time: on a busy machine the wall time's tail is
// mostly other programs running meanwhile, which the CPU time leaves out (on OpenGL it counts the
// rasteriser's threads as well).
//   bench_game [MODE]... [--ticks N] [--seed N]  (from the runtime folder, which holds Resource_Blade/;
//                                                 --seed is the story run's, 1 by default)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/scene_manager.h"
#include "engine/services.h"
#include "game/action_controller.h"
#include "game/enemy_base.h"
#include "platform/device.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl/sdl_platform.h"
#include "scenes/game_scene.h"
#include "tools/gamedrive/scripted_pad.h"
#include "tools/gamedrive/virtual_pad.h"

namespace {

using Steady = std::chrono::steady_clock;

std::int64_t monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double cpuNowMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double msBetween(Steady::time_point a, Steady::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double peakResidentMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Wall and CPU time of each timed call. The CPU clock is read outside the wall interval, so its own
// cost lands in the CPU figures only.
struct Samples {
    std::vector<double> ms;
    std::vector<double> cpuMs;

    void add(double wall, double cpu) {
        ms.push_back(wall);
        cpuMs.push_back(cpu);
    }
    void print(const char* what) const {
        if (ms.empty()) {
            std::printf("  %-34s no samples\n", what);
            return;
        }
        printLine(what, ms);
        printLine("  (CPU time)", cpuMs);
    }

private:
    static void printLine(const char* what, std::vector<double> s) {
        std::sort(s.begin(), s.end());
        double sum = 0;
        for (double v : s) sum += v;
        auto at = [&](double q) { return s[std::min(s.size() - 1, static_cast<std::size_t>(q * static_cast<double>(s.size())))]; };
        std::printf("  %-34s median %7.3f ms  p99 %7.3f  max %7.3f  mean %7.3f  (%zu)\n", what, at(0.5), at(0.99),
                    s.back(), sum / static_cast<double>(s.size()), s.size());
    }
};

// One timed stretch: the CPU clock outside, the wall clock inside.
struct Stopwatch {
    double cpu0 = cpuNowMs();
    Steady::time_point t0 = Steady::now();

    void stop(Samples& into) const {
        const auto t1 = Steady::now();
        const double cpu1 = cpuNowMs();
        into.add(msBetween(t0, t1), cpu1 - cpu0);
    }
};

// Timing wrappers around the scene manager's callbacks: each table entry is called through its own
// wrapper, which times the original while measuring is on. Entry 4 of the update table is the game
// scene's creation and init.
hc::SceneManager::UpdateCallback gUpdate[hc::SceneManager::kTableSize];
hc::SceneManager::DrawCallback gDraw[hc::SceneManager::kTableSize];
Samples gUpdateMs[hc::SceneManager::kTableSize];
Samples gDrawMs[hc::SceneManager::kTableSize];
bool gMeasuring = false;

template <int I>
int timedUpdate(hc::SceneManager& m) {
    const Stopwatch watch;
    int r = gUpdate[I](m);
    if (gMeasuring || I == 4) watch.stop(gUpdateMs[I]);
    return r;
}

template <int I>
void timedDraw(hc::SceneManager& m) {
    const Stopwatch watch;
    gDraw[I](m);
    if (gMeasuring) watch.stop(gDrawMs[I]);
}

template <int... I>
void wrapTables(hc::SceneManager& m, std::integer_sequence<int, I...>) {
    ((gUpdate[I] = m.updateTable[I], m.updateTable[I] = timedUpdate<I>), ...);
    ((gDraw[I] = m.drawTable[I], m.drawTable[I] = timedDraw<I>), ...);
}

void wrapTables(hc::SceneManager& m) { wrapTables(m, std::make_integer_sequence<int, hc::SceneManager::kTableSize>{}); }

// --- start-up ------------------------------------------------------------------------------------------

class FirstTitleFrame : public hc::LoopObserver {
public:
    std::int64_t startNs = 0;
    double mainToFrameMs = -1, startToFrameMs = -1;
    Steady::time_point mainAt = Steady::now();

    bool afterTick(hc::Application& app, int) override {
        // The title's first frame is drawn by the first tick that finds the title already created.
        if (app.scenes.titleScene && hc::gDevice && app.scenes.drawIndex == hc::SceneManager::kTitleDraw && mainToFrameMs < 0 &&
            app.ticksRun >= 2) {
            mainToFrameMs = msBetween(mainAt, Steady::now());
            startToFrameMs = static_cast<double>(monotonicNs() - startNs) / 1e6;
            return false;
        }
        return true;
    }
};

int startup(std::int64_t startNs) {
    FirstTitleFrame observer;
    observer.startNs = startNs;
    hc::SdlPlatform platform;
    platform.showMessageBoxes = false;
    hc::runProgram(platform, hc::windowedPresent(), "", &observer);
    if (observer.startToFrameMs < 0) {
        std::printf("startup: the title never drew a frame\n");
        return 1;
    }
    std::printf("startup (SDL, OpenGL, OpenAL; real clock, so two tick waits of 16.7 ms are included)\n");
    std::printf("  process start to first title frame  %8.1f ms\n", observer.startToFrameMs);
    std::printf("  main() to first title frame         %8.1f ms\n", observer.mainToFrameMs);
    std::printf("  peak resident memory                %8.1f MB\n", peakResidentMb());
    return 0;
}

// --- the title on OpenGL -------------------------------------------------------------------------------

class TickTimer : public hc::LoopObserver {
public:
    int ticks = 600;
    int warmUp = 10;
    Samples tickMs;
    Stopwatch before;

    void beforeTick(hc::Application& app, int tick) override {
        if (tick == 1) wrapTables(app.scenes);
        gMeasuring = tick > warmUp;
        before = Stopwatch();
    }
    bool afterTick(hc::Application&, int tick) override {
        if (gMeasuring) before.stop(tickMs);
        return tick < warmUp + ticks;
    }
};

int titleGl(int ticks) {
    hc::VirtualClock clock;
    hc::SdlPlatform platform;
    platform.setClock(&clock);
    platform.showMessageBoxes = false;
    TickTimer timer;
    timer.ticks = ticks;
    hc::runProgram(platform, hc::windowedPresent(), "", &timer);
    std::printf("title on OpenGL (virtual clock, %d ticks)\n", ticks);
    timer.tickMs.print("whole tick");
    gUpdateMs[1].print("title update");
    gDrawMs[1].print("title frame (draw and present)");
    std::printf("  peak resident memory                %8.1f MB\n", peakResidentMb());
    return 0;
}

// --- story stage 29 ------------------------------------------------------------------------------------

// Starts a story run, pages through the opening, jumps to stage 29 through the game's own stage change
// and then attacks without pause: cuts, sweeps, the turning cut, the thrust and the finisher in turn,
// with the gauge kept full for the finisher. The knight is kept alive and the golems are healed, so the
// whole wave stays on the field; that is outside the measured calls.
class Stage29 : public hc::LoopObserver {
public:
    hc::PadFeed* pad = nullptr;
    int measureTicks = 3600;
    bool clearCalls = false;  // the recording device: one frame's calls at a time
    Samples tickMs;
    int measured = 0;
    long activeSum = 0;
    int finishers = 0;
    long hits = 0;
    int attackingTicks = 0;
    int actionsSeen[16] = {};
    std::string failure;

    void beforeTick(hc::Application& app, int tick) override {
        if (tick == 1) {
            wrapTables(app.scenes);
            // Straight to the game, as "start" on the title would.
            app.scenes.updateIndex = hc::SceneManager::kGameInit;
            app.scenes.sceneKind = hc::SceneManager::kGame;
            app.scenes.drawIndex = hc::SceneManager::kGameEnter;
        }
        if (clearCalls && hc::gDevice) hc::gDevice->calls.clear();
        hc::PadPicture p;
        hc::GameScene* game = app.scenes.gameScene;
        gMeasuring = false;
        if (game) step(*game, tick, p);
        pad->apply(p);
        before = Stopwatch();
    }

    bool afterTick(hc::Application& app, int tick) override {
        if (gMeasuring) {
            before.stop(tickMs);
            ++measured;
            hc::GameScene* game = app.scenes.gameScene;
            for (int i = 0; game && i < game->enemies.enemyCount; ++i) activeSum += game->player.enemies[i].active != 0;
            if (game) {
                const std::int32_t action = game->player.blade.controller.action;
                attackingTicks += action != 0;
                if (action >= 0 && action < 16 && action != lastAction_) ++actionsSeen[action];
                lastAction_ = action;
                if (std::getenv("BENCH_DEBUG") && measured % 300 == 0) {
                    const hc::Vec3 k = game->player.character->transform.position;
                    float nearest = 1e9f;
                    int states[4] = {};
                    for (int i = 0; i < game->enemies.enemyCount; ++i) {
                        const hc::EnemyBase& e = game->player.enemies[i];
                        const float dx = e.transform.position.x - k.x, dz = e.transform.position.z - k.z;
                        nearest = std::min(nearest, std::sqrt(dx * dx + dz * dz));
                        if (e.state >= 0 && e.state < 4) ++states[e.state];
                    }
                    std::printf("    tick %d knight (%.1f %.1f) nearest %.2f states %d %d %d %d result %d hp %d\n", measured, k.x,
                                k.z, nearest, states[0], states[1], states[2], states[3], game->player.result,
                                game->player.character->hitPoints);
                }
            }
        }
        if (tick > 20000) failure = "stage 29 was never reached";
        return measured < measureTicks && failure.empty();
    }

private:
    enum class Phase { Opening,
                       Jump,
                       Arriving,
                       Fighting };
    Phase phase_ = Phase::Opening;
    std::int32_t lastAction_ = 0;
    Stopwatch before;
    int phaseTick_ = 0;

    void step(hc::GameScene& game, int tick, hc::PadPicture& p) {
        ++phaseTick_;
        switch (phase_) {
        case Phase::Opening:
            // The opening event's pages, one press at a time.
            if (game.scenario.active == 1) {
                p.buttons[1] = phaseTick_ % 12 == 0;
            } else {
                phase_ = Phase::Jump;
                phaseTick_ = 0;
            }
            break;
        case Phase::Jump:
            if (phaseTick_ == 1) {
                // Stage 28 is cleared; its bonus and change lead to stage 29.
                game.field.stageNumber = 28;
                game.field.currentSlot = game.field.orderedSlot(27);
                game.field.nextSlot = game.field.orderedSlot(28);
                game.player.enemiesLeft = 0;
            } else if (phaseTick_ == 3) {
                p.buttons[1] = true;
            } else if (phaseTick_ > 3) {
                phase_ = Phase::Arriving;
            }
            break;
        case Phase::Arriving:
            if (!game.field.changing && game.field.stageNumber == 29) {
                phase_ = Phase::Fighting;
                phaseTick_ = 0;
                std::printf("  stage %u, wave of %d golems\n", game.field.stageNumber, game.enemies.enemyCount);
            }
            break;
        case Phase::Fighting: fight(game, p); break;
        }
        (void)tick;
    }

    // The cycle of attacks: four flicks (forward cut, left and right sweep, turning cut), the thrust,
    // and the thrust followed by the finisher. The next one starts as soon as the knight is idle.
    int attack_ = -1;
    int attackTick_ = 0;
    bool finisherAsked_ = false;

    void fight(hc::GameScene& game, hc::PadPicture& p) {
        // Count the blows of the last tick, then keep the wave whole and the knight standing.
        game.enemies.spawnCounter = 1000;
        for (int i = 0; i < game.enemies.enemyCount; ++i) {
            hc::EnemyBase& e = game.player.enemies[i];
            if (e.hitPoints > 0 && e.hitPoints < 3) {
                if (phaseTick_ > 61) hits += 3 - e.hitPoints;
                e.hitPoints = 3;
            }
        }
        game.player.enemiesLeft = game.enemies.enemyCount;
        if (game.player.character) game.player.character->hitPoints = 3;

        const hc::ActionController& controller = game.player.blade.controller;
        if (controller.action == 0 && attackTick_ > 8) {
            attack_ = (attack_ + 1) % 6;
            attackTick_ = 0;
            finisherAsked_ = false;
        }
        ++attackTick_;
        const float heading = game.player.heading;
        auto aim = [&](float offset) {
            const float a = (heading + offset) * 0.017453292f;
            p.rightX = static_cast<int>(std::sin(a) * 1000.0f);
            p.rightY = static_cast<int>(-std::cos(a) * 1000.0f);
        };
        const bool flick = attackTick_ <= 3;
        switch (attack_) {
        case 0:
            if (flick) aim(0);
            break;  // forward cut
        case 1:
            if (flick) aim(-90);
            break;  // left sweep
        case 2:
            if (flick) aim(90);
            break;  // right sweep
        case 3:
            if (flick) aim(180);
            break;                                       // turning cut
        case 4: p.buttons[9] = attackTick_ <= 2; break;  // thrust: the right stick pressed, centred
        default:                                         // thrust, then the finisher flicked during its strike
            if (attackTick_ == 1) game.player.gauge = 300;
            p.buttons[9] = true;
            if (controller.action == hc::ActionController::kThrust && controller.phase >= 1 && !finisherAsked_) {
                aim(0);
                if (++finisherFlick_ >= 3) {
                    finisherAsked_ = true;
                    finisherFlick_ = 0;
                    ++finishers;
                }
            }
            if (controller.action == hc::ActionController::kFinisher) p.buttons[9] = false;
            break;
        }
        // A slow walk in a circle keeps the golems coming from all sides.
        p.leftX = static_cast<int>(std::sin(phaseTick_ * 0.02f) * 300.0f);
        p.leftY = static_cast<int>(std::cos(phaseTick_ * 0.02f) * 300.0f);
        gMeasuring = phaseTick_ > 60;
    }
    int finisherFlick_ = 0;
};

int stage29(bool gl, int ticks) {
    Stage29 run;
    run.measureTicks = ticks;
    hc::VirtualClock clock;
    if (gl) {
        hc::SdlPlatform platform;
        platform.setClock(&clock);
        platform.showMessageBoxes = false;
        hc::VirtualPad pad;
        if (!pad.attach()) {
            std::printf("stage29-gl: no virtual pad\n");
            return 1;
        }
        run.pad = &pad;
        hc::runProgram(platform, hc::windowedPresent(), "", &run);
    } else {
        hc::HeadlessPlatform platform(&clock);
        platform.echoMessageBoxes = true;
        hc::ScriptedPad pad(platform);
        run.pad = &pad;
        run.clearCalls = true;
        hc::runProgram(platform, hc::windowedPresent(), "", &run);
    }
    if (!run.failure.empty() || run.measured == 0) {
        std::printf("stage29: %s\n", run.failure.empty() ? "nothing measured" : run.failure.c_str());
        return 1;
    }
    std::printf("story stage 29 %s (%d ticks, %.1f golems active on average, %d finishers)\n",
                gl ? "on OpenGL" : "headless, recording device", run.measured,
                static_cast<double>(run.activeSum) / run.measured, run.finishers);
    std::printf("  knight attacking on %d of the ticks; actions started by kind:", run.attackingTicks);
    for (int a = 1; a < 16; ++a)
        if (run.actionsSeen[a]) std::printf(" %d:%d", a, run.actionsSeen[a]);
    std::printf("; blows landed %ld\n", run.hits);
    gUpdateMs[4].print("game-scene creation and init");
    run.tickMs.print("whole tick");
    gUpdateMs[5].print("game update");
    gDrawMs[5].print(gl ? "game frame (draw and present)" : "game draw pass (recorded)");
    std::printf("  peak resident memory                %8.1f MB\n", peakResidentMb());
    return 0;
}

// --- a whole story run by the bot ---------------------------------------------------------------------

// The driver as a program of its own, headless: its bot plays a story run with the knight unhurt from
// the title through all thirty stages, the name entry and the credits. The run writes its name into the
// ranking, so it plays in a copy of the runtime folder; a bot that gets stuck ends on the tick limit.
constexpr const char* kStoryTickLimit = "900000";

int storyRun(int seed) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path dir = fs::temp_directory_path(ec) / ("bench-game-" + std::to_string(getpid()));
    fs::remove_all(dir, ec);
    fs::create_directories(dir / "Resource_Blade", ec);
    if (!ec) fs::copy("Resource_Blade", dir / "Resource_Blade", fs::copy_options::recursive, ec);
    if (ec) {
        std::printf("story-run: cannot copy Resource_Blade to %s: %s\n", dir.c_str(), ec.message().c_str());
        fs::remove_all(dir, ec);
        return 1;
    }
    const std::string seedText = std::to_string(seed);

    int pipeFds[2];
    if (pipe(pipeFds) != 0) return 1;
    const auto start = Steady::now();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        close(pipeFds[1]);
        execl(HC_GAMEDRIVE, HC_GAMEDRIVE, "--headless", "--workdir", dir.c_str(), "--bot", "story", "--invincible",
              "--seed", seedText.c_str(), "--ticks", kStoryTickLimit, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    const double seconds = msBetween(start, Steady::now()) / 1000.0;
    fs::remove_all(dir, ec);
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    const double cpuSeconds = static_cast<double>(children.ru_utime.tv_sec + children.ru_stime.tv_sec) +
                              static_cast<double>(children.ru_utime.tv_usec + children.ru_stime.tv_usec) / 1e6;
    std::printf("a whole invincible story run by the driver's bot, headless, seed %d\n", seed);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::printf("  the driver ended with status %d: %s\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                    report.c_str());
        return 1;
    }
    std::printf("  report %s", report.c_str());
    if (report.find("\"exit\":\"bot-done\"") == std::string::npos) {
        std::printf("  the bot did not finish the run\n");
        return 1;
    }
    const std::size_t at = report.find("\"ticks\":");
    const long ticks = at == std::string::npos ? 0 : std::strtol(report.c_str() + at + 8, nullptr, 10);
    const double gameSeconds = static_cast<double>(ticks) / 60.0;
    std::printf("  %ld ticks (%.1f minutes of play)\n", ticks, gameSeconds / 60.0);
    std::printf("  wall %8.2f s: %6.0f ticks per second, %6.1f times real time\n", seconds,
                static_cast<double>(ticks) / seconds, gameSeconds / seconds);
    std::printf("  CPU  %8.2f s: %6.0f ticks per second, %6.1f times real time\n", cpuSeconds,
                static_cast<double>(ticks) / cpuSeconds, gameSeconds / cpuSeconds);
    std::printf("  peak resident memory of the driver  %8.1f MB\n", static_cast<double>(children.ru_maxrss) / 1024.0);
    return 0;
}

// --- driver --------------------------------------------------------------------------------------------

const char* const kModes[] = {"startup", "title-gl", "stage29", "stage29-gl", "story-run"};

int runMode(const std::string& mode, std::int64_t startNs, int ticks, int seed) {
    if (mode == "startup") return startup(startNs);
    if (mode == "title-gl") return titleGl(ticks > 0 ? ticks : 600);
    if (mode == "stage29") return stage29(false, ticks > 0 ? ticks : 3600);
    if (mode == "stage29-gl") return stage29(true, ticks > 0 ? ticks : 600);
    if (mode == "story-run") return storyRun(seed);
    std::fprintf(stderr, "bench_game: unknown mode %s\n", mode.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> modes;
    std::string child;
    std::int64_t startNs = 0;
    int ticks = 0;
    int seed = 1;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--child" && i + 2 < argc) {
            child = argv[++i];
            startNs = std::strtoll(argv[++i], nullptr, 10);
        } else if (arg == "--ticks" && i + 1 < argc) {
            ticks = std::atoi(argv[++i]);
        } else if (arg == "--seed" && i + 1 < argc) {
            seed = std::atoi(argv[++i]);
        } else {
            modes.push_back(arg);
        }
    }
    if (!child.empty()) return runMode(child, startNs, ticks, seed);
    if (modes.empty()) modes.assign(std::begin(kModes), std::end(kModes));

    // Each mode in a fresh process of this program.
    int failures = 0;
    for (const auto& mode : modes) {
        std::fflush(stdout);
        const std::string start = std::to_string(monotonicNs());
        const std::string tickText = std::to_string(ticks);
        const std::string seedText = std::to_string(seed);
        pid_t pid = fork();
        if (pid == 0) {
            execl("/proc/self/exe", argv[0], "--child", mode.c_str(), start.c_str(), "--ticks", tickText.c_str(),
                  "--seed", seedText.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::printf("%s: failed\n", mode.c_str());
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
