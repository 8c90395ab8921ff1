// Feeds arbitrary bytes to the story script reader, then plays all three events through with B and
// draws every page: records stay terminated inside their 128 bytes, every page loop ends, and no line
// is read past what the file held.
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
#include "scenes/scenario_event.h"

namespace {

// Checks that every text it is given ends inside a record.
class CheckingFont : public hc::Font {
public:
    int drawText(hc::Sprite*, const char* text, int count, hc::Rect*, std::uint32_t, hc::Colour) override {
        if (count != -1 || strnlen(text, hc::ScenarioEvent::kRecordBytes) >= hc::ScenarioEvent::kRecordBytes)
            std::abort();
        return 16;
    }
    int measure(const char*, int) override { return 0; }
};

void setUpServices() {
    static std::unique_ptr<hc::Device> device = hc::createHeadlessDevice();
    static hc::Sprite sprite(*device);
    static CheckingFont font;
    hc::gDevice = device.get();
    hc::gSprite = &sprite;
    hc::gFont = &font;
}

// Presses B once a tick until the event of the stage ends; the last one with its 85-frame fade.
void playThrough(hc::ScenarioEvent& event, int stage, int phase) {
    event.active = 1;
    for (int tick = 0;; ++tick) {
        if (tick > 200) std::abort();
        event.drawText();
        if (stage == 30 && event.finalFadeOut) event.fadeScreen(1);
        hc::gInput.padPressed = hc::padBit(hc::PadButton::B);
        if (event.update(stage, phase) == 0) break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    setUpServices();
    static const std::string path = "/tmp/fuzz_script_" + std::to_string(getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    hc::ScenarioEvent event;
    if (!event.readScript(path)) std::abort();
    std::remove(path.c_str());
    if (event.lineCount != event.lines.size()) std::abort();
    for (const hc::ScenarioEvent::Record& r : event.lines)
        if (strnlen(r.text, sizeof r.text) >= sizeof r.text) std::abort();

    playThrough(event, 1, 1);
    playThrough(event, 3, 0);
    playThrough(event, 30, 0);
    // A press on the tick the last page ends may still count before the fade-out begins.
    if (event.topLine < 132 || event.topLine > 135 || event.finished != 1) std::abort();
    event.release();
    hc::gInput.padPressed = 0;
    return 0;
}
