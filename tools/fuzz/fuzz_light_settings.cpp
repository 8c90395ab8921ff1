// Feeds arbitrary bytes to the light settings reader, then dims the lights through a run's stages.
// Whatever the file holds, at most the table's six lights reach the device, every light set up points
// somewhere finite, and the table is given back.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/services.h"
#include "game/light_settings.h"
#include "platform/headless/headless_device.h"

namespace {

bool finite(const hc::ColourValue& c) {
    return std::isfinite(c.r) && std::isfinite(c.g) && std::isfinite(c.b) && std::isfinite(c.a);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/fuzz_light_settings_" + std::to_string(getpid());
    // A fresh device each time: the lights a file did not set must stay untouched.
    std::unique_ptr<hc::Device> device = hc::createHeadlessDevice();
    device->recording = false;
    hc::gDevice = device.get();

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    hc::LightSettings::lastDimmedStage = 0;
    hc::LightSettings::load(path);
    std::remove(path.c_str());
    if (!hc::LightSettings::table) std::abort();

    for (std::uint32_t k = hc::LightSettings::kLightCount; k < 16; ++k)
        if (device->lightEnabled(k)) std::abort();
    for (int k = 0; k < hc::LightSettings::kLightCount; ++k) {
        const hc::LightRecord& r = hc::LightSettings::table[k];
        if (r.enabled != (device->lightEnabled(static_cast<std::uint32_t>(k)) ? 1 : 0)) std::abort();
        if (r.name[sizeof r.name - 1] != '\0') std::abort();
        if (!r.enabled) continue;
        if (!finite(r.light.diffuse) || !finite(r.light.ambient) || !finite(r.light.specular)) std::abort();
        if (!std::isfinite(r.light.direction.x) || !std::isfinite(r.light.direction.y) ||
            !std::isfinite(r.light.direction.z))
            std::abort();
    }

    for (int stage = 10; stage <= 80; stage += 10) hc::LightSettings::dimForStage(stage);
    for (std::uint32_t k = hc::LightSettings::kLightCount; k < 16; ++k)
        if (device->lightEnabled(k)) std::abort();

    hc::LightSettings::release();
    if (hc::LightSettings::table) std::abort();
    hc::gDevice = nullptr;
    return 0;
}
