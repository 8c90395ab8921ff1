#pragma once
// Shared by the tests of the story events, the remarks window, the name entry and the ending: a
// working folder that looks like the shipped data tree but has its own text and ranking files, the
// services those classes draw and play with, and a font that keeps what it was asked to draw.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/frame_timer.h"
#include "engine/input_state.h"
#include "engine/services.h"
#include "platform/font.h"
#include "platform/headless/headless_device.h"
#include "platform/headless/headless_sound_device.h"
#include "platform/sprite.h"
#include "tests/support/service_guard.h"
#include "tests/unit/test_platform.h"

namespace hc::events_test {

namespace fs = std::filesystem;

// A temporary folder holding "Resource_Blade/" whose folders link to the built data tree, except
// Event/ and Ranking/: there the pictures are linked and the text files are the test's own. The
// process works inside it while the object lives.
class DataTree {
public:
    DataTree() {
        const char* runtime = std::getenv("HC_RUNTIME_DIR");
        if (!runtime) return;
        const fs::path source = fs::path(runtime) / "Resource_Blade";
        if (!fs::is_directory(source)) return;
        static int counter = 0;
        root_ = fs::temp_directory_path() /
                ("hc_events_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        const fs::path target = root_ / "Resource_Blade";
        fs::create_directories(target);
        for (const fs::directory_entry& entry : fs::directory_iterator(source)) {
            const std::string name = entry.path().filename().string();
            if (name == "Event" || name == "Ranking") {
                fs::create_directories(target / name);
                for (const fs::directory_entry& inner : fs::directory_iterator(entry.path()))
                    if (inner.path().extension() == ".png")
                        fs::create_symlink(inner.path(), target / name / inner.path().filename());
            } else {
                fs::create_symlink(entry.path(), target / name);
            }
        }
        saved_ = fs::current_path();
        fs::current_path(root_);
        ready_ = true;
    }
    ~DataTree() {
        if (!ready_) return;
        fs::current_path(saved_);
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    DataTree(const DataTree&) = delete;
    DataTree& operator=(const DataTree&) = delete;

    bool ready() const { return ready_; }
    // The shipped file of that name (relative to Resource_Blade/), for copying into the tree.
    static std::string shipped(const std::string& relative) {
        return (fs::path(std::getenv("HC_RUNTIME_DIR")) / "Resource_Blade" / relative).string();
    }

    // Writes bytes to a path relative to the working folder.
    static void write(const std::string& relative, const std::string& bytes) {
        std::ofstream out(relative, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    static std::string read(const std::string& relative) {
        std::ifstream in(relative, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    fs::path root_;
    fs::path saved_;
    bool ready_ = false;
};

// Keeps every text draw with the sprite transform in force at the time.
class RecordingFont : public Font {
public:
    struct Call {
        std::string text;
        Rect rect;
        std::uint32_t format;
        Colour colour;
        Matrix transform;
    };
    std::vector<Call> calls;
    int drawText(Sprite* sprite, const char* text, int count, Rect* rect, std::uint32_t format,
                 Colour colour) override {
        const std::string s = count < 0 ? std::string(text) : std::string(text, static_cast<std::size_t>(count));
        calls.push_back({s, *rect, format, colour, sprite ? sprite->transform() : Matrix::identity()});
        return 16;
    }
    int measure(const char*, int) override { return 0; }
};

// The process-wide services of a running game, headless: device (recording), sprite, font, sound,
// cleared input and frame timer.
class Services {
public:
    RecordingFont font;
    testsupport::ServiceGuard guard{{.font = &font}};
    test::TestPlatform& platform = guard.platform;
    std::unique_ptr<Device>& device = guard.device;
    std::unique_ptr<Sprite>& sprite = guard.sprite;
    std::unique_ptr<SoundDevice>& sound = guard.sound;

    // Starts recording a 2-D pass: clears what was recorded before and opens the sprite bracket.
    void beginSprites() {
        device->calls.clear();
        device->recording = true;
        font.calls.clear();
        sprite->begin(SPRITE_ALPHABLEND);
    }
    // Closes the bracket and gives the screen-space draws made inside it.
    std::vector<ScreenDraw> endSprites() {
        sprite->end();
        device->recording = false;
        return screenDraws(device->calls);
    }
    // Starts recording 3-D draws.
    void beginWorld() {
        device->calls.clear();
        device->recording = true;
    }
    std::vector<DeviceCall> endWorld() {
        device->recording = false;
        return worldDraws(device->calls);
    }

    // One tick's input: only the given pad buttons newly pressed, the stick at x.
    static void press(std::uint32_t padButtons, float stickX = 0) {
        gInput.padPressed = padButtons;
        gInput.padHeld = padButtons;
        gInput.leftStickX = stickX;
    }
};

}  // namespace hc::events_test

#define HC_REQUIRE_DATA_TREE(tree) \
    if (!(tree).ready()) GTEST_SKIP() << "HC_RUNTIME_DIR does not hold the built data tree"
