#include <gtest/gtest.h>

#include <memory>

#include "engine/services.h"
#include "game/blade_lights.h"
#include "platform/headless/headless_device.h"
#include "test_platform.h"

namespace hc {
namespace {

class BladeLightsTest : public ::testing::Test {
protected:
    test::ScopedTestPlatform scoped;
    std::unique_ptr<Device> device;

    void SetUp() override {
        device = createHeadlessDevice();
        gDevice = device.get();
    }
    void TearDown() override { gDevice = nullptr; }
};

TEST_F(BladeLightsTest, BladeTakesTheActiveLightsTheSettingsLeave) {
    struct Case {
        std::uint32_t maxActive;
        std::int32_t count;
    };
    const Case cases[] = {
        {16, 6}, {12, 6}, {11, 5}, {8, 2}, {7, 1}, {6, 0}, {4, 0},  // fewer than the settings' own lights: none to spare
    };
    for (const Case& c : cases) {
        device = createHeadlessDevice();
        gDevice = device.get();
        DeviceCaps caps;
        caps.maxActiveLights = c.maxActive;
        device->setCaps(caps);
        BladeLights lights;
        lights.init();
        EXPECT_EQ(lights.count, c.count) << c.maxActive;
        for (std::uint32_t i = 0; i < 9; ++i) {
            bool blade = i >= 7 && static_cast<std::int32_t>(i - 7) < c.count;
            EXPECT_EQ(device->lightEnabled(i), blade) << "light " << i << " with " << c.maxActive;
        }
        if (c.count > 0) {
            const Light& first = device->light(7);
            EXPECT_EQ(first.type, LightType::Point);
            EXPECT_FLOAT_EQ(first.range, 0.5f);
            EXPECT_FLOAT_EQ(first.attenuation1, 1.0f);
            EXPECT_FLOAT_EQ(first.specular.a, 0.2f);
        }
    }
    EXPECT_TRUE(scoped.platform.messages.empty());
}

TEST_F(BladeLightsTest, UnreadableCapabilitiesGiveAMessageAndNoLights) {
    device->setCaps(DeviceCaps{}, false);
    BladeLights lights;
    lights.init();
    EXPECT_EQ(lights.count, 0);
    EXPECT_FALSE(device->lightEnabled(7));
    ASSERT_EQ(scoped.platform.messages.size(), 1u);
    EXPECT_EQ(scoped.platform.messages[0].text,
              "デバイス情報の取得に失敗しました\n                刃用ライト情報を無効化してゲームを開始します");
    EXPECT_EQ(scoped.platform.messages[0].caption, "エラー");
}

TEST_F(BladeLightsTest, LightsFollowTheBladeAndGrowWithTheGauge) {
    BladeLights lights;
    lights.init();
    Vec3 points[6];
    for (int i = 0; i < 6; ++i) points[i] = Vec3{static_cast<float>(i), 1, 2};
    struct Case {
        float gauge;
        float range;
        float alpha;
    };
    const Case cases[] = {{300, 0.5f, 0.02f}, {150, 0.25f, 0.01f}, {0, 0, 0}, {-40, 0, -40.0f / 300 * 0.02f}};
    for (const Case& c : cases) {
        lights.update(c.gauge, points);
        for (std::uint32_t i = 0; i < 6; ++i) {
            const Light& light = device->light(7 + i);
            EXPECT_FLOAT_EQ(light.range, c.range) << c.gauge;
            EXPECT_FLOAT_EQ(light.diffuse.a, c.alpha) << c.gauge;
            EXPECT_FLOAT_EQ(light.position.x, static_cast<float>(i));
        }
    }
}

}  // namespace
}  // namespace hc
