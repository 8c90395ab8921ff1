#pragma once
// Shared by the engine service tests: a scratch folder, file writing, and a platform that keeps the
// error boxes it is asked to show.
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/services.h"
#include "platform/headless/headless_device.h"
#include "platform/platform.h"

namespace hc::testing {

class ScratchDir {
public:
    ScratchDir() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("hc_engine_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string path() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

    std::string write(const std::string& name, const std::string& contents) const {
        std::filesystem::path p = path_ / name;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary);
        out << contents;
        return p.string();
    }

private:
    std::filesystem::path path_;
};

class MessageRecorder : public Platform {
public:
    struct Box {
        std::string text, caption;
    };
    std::vector<Box> boxes;

    void messageBox(const std::string& text, const std::string& caption) override { boxes.push_back({text, caption}); }

    Clock& clock() override { return clock_; }
    Rect desktopRect() override { return {0, 0, 1920, 1080}; }
    bool createWindow(const std::string&, const std::string&, int, int, int, int) override { return true; }
    void showWindow() override {}
    bool peekMessage(Message&) override { return false; }
    void postMessage(const Message&) override {}
    std::unique_ptr<Device> createDevice(const PresentConfig&) override { return createHeadlessDevice(); }
    std::unique_ptr<SoundDevice> createSoundDevice() override { return nullptr; }
    std::unique_ptr<InputDevices> createInput() override { return nullptr; }

private:
    struct StillClock : Clock {
        std::int64_t counter() override { return 0; }
        std::int64_t frequency() override { return 1000; }
        std::uint32_t milliseconds() override { return 0; }
    } clock_;
};

// Installs a headless device and the message recorder as the process-wide services for one test.
class ServiceScope {
public:
    MessageRecorder platform;
    std::unique_ptr<Device> device = createHeadlessDevice();

    ServiceScope() {
        setPlatform(&platform);
        gDevice = device.get();
    }
    ~ServiceScope() {
        gDevice = nullptr;
        setPlatform(nullptr);
    }
};

}  // namespace hc::testing
