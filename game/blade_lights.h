#pragma once
#include <array>
#include <cstdint>

#include "platform/device_types.h"

namespace hc {

// Small point lights along the blade on device lights 7 and up; their reach shows the skill gauge.
class BladeLights {
public:
    static constexpr int kMaxLights = 6;
    static constexpr std::uint32_t kFirstIndex = 7;
    // The light settings use the device lights below the blade's.
    static constexpr std::uint32_t kReservedLights = 6;

    std::array<Light, kMaxLights> lights{};
    std::int32_t count = 0;

    // Never fails: without readable capabilities the game runs without blade lights.
    void init();
    void release();
    // Light i follows sample point i; range and glow grow with the gauge.
    void update(float gauge, const Vec3* samplePoints);
};

}  // namespace hc
