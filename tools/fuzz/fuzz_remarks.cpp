// Feeds arbitrary bytes to the remarks reader, then keeps the knight idle and skips through every
// remark with B, drawing each tick: records stay terminated inside their 128 bytes and the index
// never leaves the lines read.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "engine/input_state.h"
#include "engine/services.h"
#include "platform/font.h"
#include "platform/headless/headless_device.h"
#include "platform/headless/headless_platform.h"
#include "scenes/mutter_window.h"

namespace {

class CheckingFont : public hc::Font {
public:
    int drawText(hc::Sprite*, const char* text, int count, hc::Rect*, std::uint32_t, hc::Colour) override {
        if (count != -1 || strnlen(text, hc::MutterWindow::kRecordBytes) >= hc::MutterWindow::kRecordBytes)
            std::abort();
        ++drawn;
        return 16;
    }
    int measure(const char*, int) override { return 0; }
    int drawn = 0;
};

CheckingFont& setUpServices() {
    // The window picture is not in the working folder: its load fails into a collected message.
    static hc::HeadlessPlatform platform;
    platform.messageBoxes.clear();
    hc::setPlatform(&platform);
    static std::unique_ptr<hc::Device> device = hc::createHeadlessDevice();
    static hc::Sprite sprite(*device);
    static CheckingFont font;
    hc::gDevice = device.get();
    hc::gSprite = &sprite;
    hc::gFont = &font;
    return font;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckingFont& font = setUpServices();
    static const std::string path = "/tmp/fuzz_remarks_" + std::to_string(getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    hc::MutterWindow window;
    if (!window.init(path)) std::abort();
    std::remove(path.c_str());
    if (window.count != static_cast<int>(window.lines.size()) - 1) std::abort();

    // Open the window, then skip through every remark and a little more.
    const int skips = window.count < 0 ? 2 : (window.count < 300 ? window.count + 2 : 300);
    font.drawn = 0;
    for (int tick = 0; tick < 121 + skips; ++tick) {
        hc::gInput.padPressed = tick > 121 ? hc::padBit(hc::PadButton::B) : 0;
        window.update(1);
        if (window.index < 0 || window.index > (window.count > 0 ? window.count : 0)) std::abort();
        window.draw();
    }
    if ((window.count > 0) != (font.drawn > 0)) std::abort();
    window.release();
    hc::gInput.padPressed = 0;
    return 0;
}
