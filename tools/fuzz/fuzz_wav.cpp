// Fuzz target for the WAV reader: the input becomes a file that SoundBuffer::load reads through the
// headless sound device. A load either succeeds and is released, or fails with the game's message;
// either way the cache must end empty.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/services.h"
#include "engine/sound_buffer.h"
#include "platform/headless/headless_sound_device.h"
#include "platform/platform.h"

namespace {

class StillClock : public hc::Clock {
public:
    std::int64_t counter() override { return 0; }
    std::int64_t frequency() override { return 1000000; }
    std::uint32_t milliseconds() override { return 0; }
};

// Only what loading a sound touches: the clock and the message box, which goes to standard error.
class FuzzPlatform : public hc::Platform {
public:
    StillClock stillClock;
    hc::Clock& clock() override { return stillClock; }
    hc::Rect desktopRect() override { return hc::Rect{0, 0, 1280, 720}; }
    bool createWindow(const std::string&, const std::string&, int, int, int, int) override { return false; }
    void showWindow() override {}
    bool peekMessage(hc::Message&) override { return false; }
    void postMessage(const hc::Message&) override {}
    std::unique_ptr<hc::Device> createDevice(const hc::PresentConfig&) override { return nullptr; }
    std::unique_ptr<hc::SoundDevice> createSoundDevice() override { return hc::createHeadlessSoundDevice(stillClock); }
    std::unique_ptr<hc::InputDevices> createInput() override { return nullptr; }
    void messageBox(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
};

struct Harness {
    FuzzPlatform platform;
    std::unique_ptr<hc::SoundDevice> sound;
    std::string path;

    Harness() {
        hc::setPlatform(&platform);
        sound = platform.createSoundDevice();
        hc::gSoundDevice = sound.get();
        char name[] = "/tmp/hc_fuzz_wav_XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) std::abort();
        close(fd);
        path = name;
    }
    ~Harness() { unlink(path.c_str()); }
};

Harness& harness() {
    static Harness h;
    return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Harness& h = harness();
    std::FILE* file = std::fopen(h.path.c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    hc::SoundBuffer* sound = nullptr;
    if (hc::SoundBuffer::load(h.path, sound)) {
        if (!sound || !sound->buffer) std::abort();
        sound->keepAlive();
        sound->restart();
        sound->stop();
        hc::SoundBuffer::release(sound);
    } else if (sound) {
        std::abort();  // a failed load hands nothing back
    }
    if (hc::soundCacheSize() != 0) std::abort();
    return 0;
}
