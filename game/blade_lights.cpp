#include "game/blade_lights.h"

#include <algorithm>

#include "engine/services.h"

namespace hc {

void BladeLights::init() {
    count = 0;
    if (!gDevice || !gDevice->capsAvailable()) {
        showError("デバイス情報の取得に失敗しました\n                刃用ライト情報を無効化してゲームを開始します");
        return;
    }
    // The blade takes what the light settings leave of the device's active lights. A device with
    // fewer than the settings' own lights has none to spare.
    std::uint32_t active = gDevice->caps().maxActiveLights;
    std::uint32_t spare = active > kReservedLights ? active - kReservedLights : 0;
    count = static_cast<std::int32_t>(std::min<std::uint32_t>(spare, kMaxLights));
    for (std::int32_t i = 0; i < count; ++i) {
        Light& light = lights[static_cast<std::size_t>(i)];
        light = Light{};
        light.type = LightType::Point;
        light.diffuse = ColourValue{0.02f, 0.02f, 0.02f, 0.02f};
        light.specular = ColourValue{0.25f, 0.25f, 0.25f, 0.2f};
        light.ambient = ColourValue{};
        light.position = Vec3{0, 0, 0};
        light.range = 0.5f;
        light.attenuation0 = 0.0f;
        light.attenuation1 = 1.0f;
        light.attenuation2 = 0.0f;
        gDevice->setLight(kFirstIndex + static_cast<std::uint32_t>(i), light);
        gDevice->lightEnable(kFirstIndex + static_cast<std::uint32_t>(i), true);
    }
}

void BladeLights::release() { count = 0; }

void BladeLights::update(float gauge, const Vec3* samplePoints) {
    if (!gDevice) return;
    float strength = gauge / 300.0f;
    for (std::int32_t i = 0; i < count; ++i) {
        Light& light = lights[static_cast<std::size_t>(i)];
        std::uint32_t index = kFirstIndex + static_cast<std::uint32_t>(i);
        // A gauge spent below 0 puts the lights out rather than giving them a negative reach.
        light.range = std::max(0.0f, strength * 0.5f);
        light.diffuse.a = strength * 0.02f;
        gDevice->setLight(index, light);
        light.position = samplePoints[i];
        gDevice->setLight(index, light);
    }
}

}  // namespace hc
