// The programs on the SDL back end as a player meets them: whole runs played on the keyboard alone
// (key events through SDL's queue), no sound device, no display, and the signals that end them.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/program/program_support.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using hc_test::quoted;
using hc_test::readText;

// A program started in the background with its own environment; its output goes to files.
class Child {
public:
    pid_t pid = -1;
    int status = -1;

    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (pid > 0 && !finished()) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
    }

    void start(const std::vector<std::string>& argv, const std::string& workdir, const std::vector<std::string>& setEnv,
               const std::vector<std::string>& unsetEnv, const fs::path& out, const fs::path& err) {
        pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (const auto& name : unsetEnv) unsetenv(name.c_str());
            for (const auto& pair : setEnv) putenv(const_cast<char*>(pair.c_str()));
            if (chdir(workdir.c_str()) != 0) _exit(127);
            int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(o, 1);
            dup2(e, 2);
            std::vector<char*> args;
            for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
    }

    bool finished() {
        if (status != -1) return true;
        int s = 0;
        if (waitpid(pid, &s, WNOHANG) == pid) {
            status = s;
            return true;
        }
        return false;
    }

    // Waits up to the limit; true when it ended meanwhile.
    bool waitFor(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (finished()) return true;
            std::this_thread::sleep_for(10ms);
        }
        return finished();
    }

    bool exitedCleanly() const { return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0; }
};

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return condition();
}

class KeyboardRun : public hc_test::RuntimeCopyTest {
protected:
    fs::path runtime() const { return dir / "runtime"; }

    // The driver on SDL (offscreen OpenGL, OpenAL's null output unless env says otherwise).
    std::string driveSdl(const std::string& options, const std::string& env = "") {
        std::string command = "cd " + quoted(dir.string()) + " && " + env + " " + quoted(HC_GAMEDRIVE) + " " + options +
                              " --workdir " + quoted(runtime().string()) + " >" + quoted((dir / "out").string()) + " 2>" +
                              quoted((dir / "err").string());
        int raw = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << readText(dir / "err");
        return readText(dir / "out");
    }
    std::string script(const std::string& name) const {
        return quoted((fs::path(std::getenv("HC_SOURCE_DIR")) / "tools/gamedrive/scripts" / name).string());
    }
    fs::path write(const std::string& name, const std::string& text) {
        fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }
};

TEST_F(KeyboardRun, StoryRunOnTheKeyboardClearsStageOne) {
    std::string out = driveSdl("--script " + script("keyboard_story_stage1.txt"));
    // The pad script's result, tick for tick: the cut, the unhurt clear and the bonus taken with Return.
    EXPECT_NE(out.find(R"("scene":"game","endless":0,"stage":2,"score":1580,"hitPoints":3,"enemiesLeft":2})"),
              std::string::npos)
        << out;
}

TEST_F(KeyboardRun, XHeldWithReturnStartsTheEndlessRun) {
    std::string out = driveSdl("--script " + script("keyboard_endless.txt"));
    EXPECT_NE(out.find(R"("scene":"game","endless":1,"stage":2,"score":1580,"hitPoints":3,"enemiesLeft":2})"),
              std::string::npos)
        << out;
}

TEST_F(KeyboardRun, SMovesTheTitleCursorToTheRanking) {
    std::string out = driveSdl("--script " + script("keyboard_title_ranking.txt"));
    EXPECT_NE(out.find(R"("exit":"script-end","scene":"ranking")"), std::string::npos) << out;
}

TEST_F(KeyboardRun, NameEntryOnTheKeyboardAfterADefeatOnStageFour) {
    std::string out = driveSdl("--script " + script("keyboard_stage4_name.txt"));
    EXPECT_NE(out.find(R"({"ticks":6301,"exit":"script-end","scene":"title","endless":0})"), std::string::npos) << out;
    std::string ranking = readText(rankingFile("ranking_date"));
    EXPECT_NE(ranking.find("-BLADE-4-4000-\n"), std::string::npos) << ranking;
}

// Escape still quits, from any scene, through the window's close.
TEST_F(KeyboardRun, EscapeQuits) {
    write("s.txt", "at 10 key Return tap\nat 300 key Escape tap\n");
    std::string out = driveSdl("--script s.txt --ticks 1000");
    EXPECT_NE(out.find(R"({"ticks":300,"exit":"quit-message","scene":"game")"), std::string::npos) << out;
}

// The pad pulled out with B and the stick held: the knight stops at once and the run goes on; the pad
// plugged in again is taken and its B, still held, counts as a new press.
TEST_F(KeyboardRun, DriverPadPulledOutMidRunAndPluggedInAgain) {
    write("s.txt",
          "at 10 tap B\n"
          "at 400 left 1000 0\n"
          "at 400 press B\n"
          "at 420 pad detach\n"
          "at 430 pad attach\n"
          "at 431 end\n");
    std::string out = driveSdl("--script s.txt");
    EXPECT_NE(out.find(R"("exit":"script-end","scene":"game")"), std::string::npos) << out;
    write("bad.txt", "at 1 key Nope down\n");
    std::string command = quoted(HC_GAMEDRIVE) + " --script " + quoted((dir / "bad.txt").string()) + " 2>" +
                          quoted((dir / "err").string());
    int raw = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(raw), 2);
    EXPECT_NE(readText(dir / "err").find("unknown key 'Nope'"), std::string::npos) << readText(dir / "err");
}

// No output opens (an OpenAL driver list with no working back end): one line says so, and the run
// plays on in silence, music keep-alive and all.
TEST_F(KeyboardRun, NoSoundDevicePlaysSilently) {
    write("s.txt", "at 10 key Return tap\nat 400 end\n");
    std::string out = driveSdl("--script s.txt", "ALSOFT_DRIVERS=no-such-backend");
    const std::string err = readText(dir / "err");
    EXPECT_NE(err.find("no sound"), std::string::npos) << err;
    EXPECT_EQ(err.find("DirectSound"), std::string::npos) << err;
    EXPECT_NE(out.find(R"({"ticks":400,"exit":"script-end","scene":"game")"), std::string::npos) << out;
}

// With nothing to show a window on, the program says so and ends at once.
TEST_F(KeyboardRun, NoDisplayEndsAtOnceWithTheWindowMessage) {
    Child game;
    game.start({HC_GAMEWIN}, runtime().string(), {"XDG_RUNTIME_DIR=" + dir.string(), "ALSOFT_DRIVERS=null"},
               {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}, dir / "out", dir / "err");
    ASSERT_TRUE(game.waitFor(20s)) << "still running without a display";
    EXPECT_TRUE(game.exitedCleanly());
    const std::string err = readText(dir / "err");
    EXPECT_NE(err.find("ウィンドウの設定の作成に失敗しました"), std::string::npos) << err;
    EXPECT_NE(err.find("SDL video"), std::string::npos) << err;
}

// In play, a signal ends the loop as closing the window does: the run's report names the quit message.
TEST_F(KeyboardRun, SignalInPlayEndsThroughTheLoop) {
    for (int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig == SIGTERM ? "SIGTERM" : "SIGINT");
        write("s.txt", "at 10 key Return tap\n");
        Child drive;
        drive.start({HC_GAMEDRIVE, "--script", (dir / "s.txt").string(), "--workdir", runtime().string()}, dir.string(),
                    {"ALSOFT_DRIVERS=null", "SDL_VIDEODRIVER=offscreen"}, {}, dir / "out", dir / "err");
        // The virtual clock runs flat out: well into the game after a few seconds.
        std::this_thread::sleep_for(4s);
        ASSERT_FALSE(drive.finished()) << readText(dir / "err");
        kill(drive.pid, sig);
        ASSERT_TRUE(drive.waitFor(20s));
        EXPECT_TRUE(drive.exitedCleanly()) << readText(dir / "err");
        const std::string out = readText(dir / "out");
        EXPECT_NE(out.find(R"("exit":"quit-message","scene":"game")"), std::string::npos) << out;
    }
    // The program itself, on the offscreen driver.
    Child game;
    game.start({HC_GAMEWIN}, runtime().string(),
               {"XDG_RUNTIME_DIR=" + dir.string(), "ALSOFT_DRIVERS=null", "SDL_VIDEODRIVER=offscreen"}, {}, dir / "out",
               dir / "err");
    std::this_thread::sleep_for(3s);
    ASSERT_FALSE(game.finished()) << readText(dir / "err");
    kill(game.pid, SIGTERM);
    ASSERT_TRUE(game.waitFor(10s));
    EXPECT_TRUE(game.exitedCleanly()) << readText(dir / "err");
}

// A second copy whose "already running" box is up ends on SIGTERM within a second. The box needs a
// display: a private X server.
TEST_F(KeyboardRun, SecondCopyWithItsBoxUpEndsOnSigterm) {
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) GTEST_SKIP() << "no Xvfb";
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t server = fork();
    ASSERT_GE(server, 0);
    if (server == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "1280x800x24",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    struct Reaper {
        pid_t pid;
        ~Reaper() {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    } reaper{server};
    ASSERT_FALSE(number.empty()) << "Xvfb gave no display";

    // The first copy's lock, held here.
    const fs::path lock = dir / "刃.lock";
    int fd = open(lock.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);

    Child second;
    second.start({HC_GAMEWIN}, runtime().string(),
                 {"XDG_RUNTIME_DIR=" + dir.string(), "DISPLAY=:" + number, "ALSOFT_DRIVERS=null"},
                 {"SDL_VIDEODRIVER", "WAYLAND_DISPLAY"}, dir / "out", dir / "err");
    ASSERT_TRUE(eventually([&] { return readText(dir / "err").find("多重起動はできません！") != std::string::npos; }, 20s))
        << readText(dir / "err");
    // The box is up and holds the program: it is still there a moment later.
    std::this_thread::sleep_for(1s);
    ASSERT_FALSE(second.finished()) << "ended without the box";
    kill(second.pid, SIGTERM);
    EXPECT_TRUE(second.waitFor(1000ms)) << "still up a second after SIGTERM";
    EXPECT_TRUE(second.exitedCleanly());
    close(fd);
}

}  // namespace
