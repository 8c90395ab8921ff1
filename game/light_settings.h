#pragma once
#include <string>

#include "platform/device_types.h"

namespace hc {

// One light of the settings file.
struct LightRecord {
    Light light;
    Vec3 rotation;  // degrees about x, y, z
    int enabled = 0;
    char name[8] = {};  // seven bytes from the file plus a terminator
};

// Up to six directional lights read once at start-up, dimmed on late stages.
class LightSettings {
public:
    static constexpr int kLightCount = 6;
    static LightRecord* table;  // kLightCount records, null before load and after release
    static int lastDimmedStage;

    static void load(const std::string& path = "Resource_Blade/LightDate.txt");
    static void dimForStage(int stage);
    static void release();
};

}  // namespace hc
