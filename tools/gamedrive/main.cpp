// gamedrive: runs the windowed program's start-up, loop, scene manager and scenes with a virtual clock
// (a tick on every wait, so it runs as fast as the machine allows and repeats itself exactly), a pad fed
// from an input script, and screenshots of the back buffer after a tick's draw.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl/sdl_platform.h"
#include "tools/gamedrive/bot_drive.h"
#include "tools/gamedrive/drive_observer.h"
#include "tools/gamedrive/input_script.h"
#include "tools/gamedrive/scripted_pad.h"
#include "tools/gamedrive/virtual_pad.h"

namespace {

constexpr const char* kUsage =
    "usage: gamedrive [--script FILE] [--ticks N] [--shot TICK:FILE]... [--headless] [--workdir DIR]\n"
    "                 [--bot story|endless] [--invincible | --invincible-until N] [--seed N] [--bot-log FILE]\n"
    "  --script FILE     input script (at T press|release|tap BUTTON, left|right X Y, triggers Z, shot FILE, end,\n"
    "                    key NAME down|up|tap, pad detach|attach)\n"
    "  --ticks N         end the run after tick N\n"
    "  --shot TICK:FILE  save the back buffer as PNG after that tick's draw (repeatable)\n"
    "  --headless        recording device, silent sound and scripted input instead of SDL and OpenGL\n"
    "  --workdir DIR     run in DIR, the folder that holds Resource_Blade/\n"
    "  --bot MODE        play one run by itself through the pad (story or endless) and end on the title\n"
    "  --invincible      with --bot: keep the knight's hit points up\n"
    "  --invincible-until N  with --bot: only up to stage N\n"
    "  --seed N          start the virtual clock at N milliseconds (the game seeds its dice from it)\n"
    "  --bot-log FILE    with --bot: a line per tick of play with what the bot saw and did\n";

struct Options {
    std::string script;
    int ticks = 0;
    std::vector<std::pair<int, std::string>> shots;
    bool headless = false;
    std::string workdir;
    bool bot = false;
    bool botEndless = false;
    int invincibleUntil = 0;
    long long seed = 0;
    std::string botLog;
};

int usageError(const std::string& what) {
    std::fprintf(stderr, "gamedrive: %s\n%s", what.c_str(), kUsage);
    return 2;
}

bool parseTick(const std::string& s, int& out) {
    if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos || s.size() > 10) return false;
    long long v = std::strtoll(s.c_str(), nullptr, 10);
    if (v < 1 || v > INT_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    auto p = std::filesystem::absolute(path, ec);
    return ec ? path : p.string();
}

int drive(hc::Platform& platform, hc::PadFeed& pad, const hc::InputScript& script, const Options& options) {
    std::unique_ptr<hc::DriveObserver> observer;
    if (options.bot) {
        hc::BotDrive::Options bot;
        bot.endless = options.botEndless;
        bot.invincibleUntil = options.invincibleUntil;
        bot.logPath = options.botLog;
        observer = std::make_unique<hc::BotDrive>(script, pad, options.ticks, bot);
    } else {
        observer = std::make_unique<hc::DriveObserver>(script, pad, options.ticks);
    }
    for (const auto& shot : options.shots) observer->addShot(shot.first, shot.second);
    hc::runProgram(platform, hc::windowedPresent(), "", observer.get());
    std::printf("%s\n", observer->report.json().c_str());
    std::fflush(stdout);
    for (const auto& failure : observer->failures) std::fprintf(stderr, "gamedrive: %s\n", failure.c_str());
    if (!observer->failures.empty() || observer->exitName == "start-failed") return 1;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--script") {
            if (!value(options.script)) return usageError("--script needs a file");
        } else if (arg == "--ticks") {
            if (!value(v) || !parseTick(v, options.ticks)) return usageError("--ticks needs a whole number from 1");
        } else if (arg == "--shot") {
            std::size_t colon;
            int tick = 0;
            if (!value(v) || (colon = v.find(':')) == std::string::npos || !parseTick(v.substr(0, colon), tick) ||
                colon + 1 >= v.size())
                return usageError("--shot needs TICK:FILE");
            options.shots.emplace_back(tick, absolutePath(v.substr(colon + 1)));
        } else if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--workdir") {
            if (!value(options.workdir)) return usageError("--workdir needs a folder");
        } else if (arg == "--bot") {
            if (!value(v) || (v != "story" && v != "endless")) return usageError("--bot needs story or endless");
            options.bot = true;
            options.botEndless = v == "endless";
        } else if (arg == "--invincible") {
            options.invincibleUntil = INT_MAX;
        } else if (arg == "--invincible-until") {
            if (!value(v) || !parseTick(v, options.invincibleUntil)) return usageError("--invincible-until needs a stage number from 1");
        } else if (arg == "--bot-log") {
            if (!value(options.botLog)) return usageError("--bot-log needs a file");
            options.botLog = absolutePath(options.botLog);
        } else if (arg == "--seed") {
            int seed = 0;
            if (!value(v) || !(v == "0" || parseTick(v, seed))) return usageError("--seed needs a whole number from 0");
            options.seed = seed;
        } else if (arg == "--help" || arg == "-h") {
            std::printf("%s", kUsage);
            return 0;
        } else {
            return usageError("unknown option '" + arg + "'");
        }
    }

    if ((options.invincibleUntil > 0 || !options.botLog.empty()) && !options.bot)
        return usageError("--invincible, --invincible-until and --bot-log need --bot");

    hc::InputScript script;
    if (!options.script.empty()) {
        std::string error;
        if (!script.load(options.script, error)) {
            std::fprintf(stderr, "gamedrive: %s\n", error.c_str());
            return 2;
        }
        if (options.headless && script.needsSdl()) {
            std::fprintf(stderr, "gamedrive: %s: key and pad actions need the SDL back end (leave out --headless)\n",
                         options.script.c_str());
            return 2;
        }
        // Shot files are named from where the driver was started, like --shot.
        for (auto& action : script.actions)
            if (action.kind == hc::InputScript::Kind::Shot) action.file = absolutePath(action.file);
    }
    if (!options.workdir.empty() && chdir(options.workdir.c_str()) != 0) {
        std::fprintf(stderr, "gamedrive: cannot enter %s\n", options.workdir.c_str());
        return 2;
    }

    hc::VirtualClock clock;
    clock.now = options.seed * (hc::VirtualClock::kFrequency / 1000);
    if (options.headless) {
        hc::HeadlessPlatform platform(&clock);
        platform.echoMessageBoxes = true;
        hc::ScriptedPad pad(platform);
        return drive(platform, pad, script, options);
    }
    hc::SdlPlatform platform;
    platform.setClock(&clock);
    platform.showMessageBoxes = false;  // nobody is there to close them
    platform.showsWindow = false;       // nor to watch frames that come faster than any display
    hc::VirtualPad pad;
    if (!pad.attach()) return 1;
    return drive(platform, pad, script, options);
}
