#include "game/light_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>

#include "engine_test_support.h"

namespace hc {
namespace {

using testing::ScratchDir;

// Twelve numbers per light: diffuse, ambient, specular, rotation.
std::string lightBlock(const std::string& name, const std::string& numbers) {
    return "//" + name + "\n{\n" + numbers + "}\n";
}

class LightSettingsTest : public ::testing::Test {
protected:
    std::unique_ptr<Device> device = createHeadlessDevice();
    ScratchDir dir;

    void SetUp() override {
        gDevice = device.get();
        LightSettings::lastDimmedStage = 0;
    }
    void TearDown() override {
        LightSettings::release();
        LightSettings::lastDimmedStage = 0;
        gDevice = nullptr;
    }

    void load(const std::string& contents) { LightSettings::load(dir.write("LightDate.txt", contents)); }

    std::set<std::uint32_t> touchedLights() const {
        std::set<std::uint32_t> indices;
        for (const DeviceCall& call : device->calls)
            if (call.kind == CallKind::SetLight || call.kind == CallKind::LightEnable) indices.insert(call.a);
        return indices;
    }
};

TEST_F(LightSettingsTest, MissingFileGivesSixDefaultLightsAlongOneOneOne) {
    LightSettings::load(dir.file("none.txt"));
    ASSERT_NE(LightSettings::table, nullptr);
    for (int k = 0; k < LightSettings::kLightCount; ++k) {
        const LightRecord& r = LightSettings::table[k];
        const float level = k == 1 ? 0.2f : 0.35f;
        EXPECT_EQ(r.enabled, 1);
        EXPECT_EQ(r.light.type, LightType::Directional);
        EXPECT_FLOAT_EQ(r.light.diffuse.r, level);
        EXPECT_FLOAT_EQ(r.light.diffuse.b, level);
        EXPECT_FLOAT_EQ(r.light.diffuse.a, 1.0f);
        EXPECT_FLOAT_EQ(r.light.specular.g, 1.0f);
        EXPECT_FLOAT_EQ(r.light.ambient.b, 1.0f);
        EXPECT_FLOAT_EQ(r.light.direction.x, 1.0f);
        EXPECT_FLOAT_EQ(r.light.direction.y, 1.0f);
        EXPECT_FLOAT_EQ(r.light.direction.z, 1.0f);
        EXPECT_EQ(std::string(r.name), "light" + std::to_string(k + 1));
        EXPECT_TRUE(device->lightEnabled(static_cast<std::uint32_t>(k)));
        EXPECT_FLOAT_EQ(device->light(static_cast<std::uint32_t>(k)).diffuse.g, level);
    }
}

TEST_F(LightSettingsTest, TwentyFourNumbersGiveTwoLightsInFileOrder) {
    load(lightBlock("lightA", "0.35,0.35,0.35,\n1,1,1,\n1.25,0.5,0,\n0,90,0\n") +
         lightBlock("lightB", "0.1,0.2,0.3,\n0.4,0.5,0.6,\n0.7,0.8,0.9,\n90,0,90,\n"));
    const LightRecord* t = LightSettings::table;
    ASSERT_NE(t, nullptr);
    // 0.35, 1 and 1.25 read as written.
    EXPECT_FLOAT_EQ(t[0].light.diffuse.r, 0.35f);
    EXPECT_FLOAT_EQ(t[0].light.ambient.g, 1.0f);
    EXPECT_FLOAT_EQ(t[0].light.specular.r, 1.25f);
    EXPECT_FLOAT_EQ(t[0].light.specular.g, 0.5f);
    EXPECT_FLOAT_EQ(t[0].rotation.y, 90.0f);
    EXPECT_FLOAT_EQ(t[1].light.diffuse.g, 0.2f);
    EXPECT_FLOAT_EQ(t[1].light.ambient.b, 0.6f);
    EXPECT_FLOAT_EQ(t[1].light.specular.b, 0.9f);
    EXPECT_EQ(std::string(t[0].name), "lightA\n");
    EXPECT_EQ(std::string(t[1].name), "lightB\n");

    // Direction: (1,1,1) turned by Rz * Ry * Rx, that is about z first.
    EXPECT_NEAR(t[0].light.direction.x, 1.0f, 1e-5f);
    EXPECT_NEAR(t[0].light.direction.y, 1.0f, 1e-5f);
    EXPECT_NEAR(t[0].light.direction.z, -1.0f, 1e-5f);
    EXPECT_NEAR(t[1].light.direction.x, -1.0f, 1e-5f);
    EXPECT_NEAR(t[1].light.direction.y, -1.0f, 1e-5f);
    EXPECT_NEAR(t[1].light.direction.z, 1.0f, 1e-5f);

    for (int k = 2; k < LightSettings::kLightCount; ++k) EXPECT_EQ(t[k].enabled, 0);
    EXPECT_EQ(touchedLights(), (std::set<std::uint32_t>{0, 1}));
}

TEST_F(LightSettingsTest, NumbersAfterABraceOnTheSameLineAreIgnored) {
    load("//light1\n{ 9,9,9,\n0.5,0.5,0.5,}9,9,\n1,1,1,\n1,1,1,\n0,0,0,\n}\n");
    ASSERT_NE(LightSettings::table, nullptr);
    const LightRecord& r = LightSettings::table[0];
    EXPECT_FLOAT_EQ(r.light.diffuse.r, 0.5f);
    EXPECT_FLOAT_EQ(r.light.specular.b, 1.0f);
    EXPECT_EQ(LightSettings::table[1].enabled, 0);
}

TEST_F(LightSettingsTest, AFileWithoutNumbersSetsUpNoLight) {
    load("//light1\n{\n}\n\n");
    ASSERT_NE(LightSettings::table, nullptr);
    for (int k = 0; k < LightSettings::kLightCount; ++k) EXPECT_EQ(LightSettings::table[k].enabled, 0);
    EXPECT_TRUE(touchedLights().empty());
}

TEST_F(LightSettingsTest, MalformedFilesNeverReachBeyondSixLights) {
    std::string many;
    for (int light = 0; light < 10; ++light) many += lightBlock("light" + std::to_string(light), "1,1,1,1,1,1,1,1,1,0,0,0,\n");
    std::string garbage(5000, '7');  // one long run of digits split by the line buffer
    const char binary[] = "\x01\xff{\x00}//abcdefghijklmnop\n1,2,3";
    const std::string cases[] = {
        many,
        garbage + "\n" + many,
        "-1,abc,0.5.5,1 2,//\n//\n/",
        std::string(binary, sizeof binary - 1),
        "1,1,1,1,1,1,1,1,1,0,0,0,1,1,1",  // an incomplete last group, no final line break
        "0.35 , 1 ,\r\n1.25,\r\n",
    };
    for (const std::string& contents : cases) {
        device->calls.clear();
        load(contents);
        ASSERT_NE(LightSettings::table, nullptr);
        for (std::uint32_t index : touchedLights()) EXPECT_LT(index, 6u);
        for (int k = 0; k < LightSettings::kLightCount; ++k) {
            EXPECT_TRUE(LightSettings::table[k].enabled == 0 || LightSettings::table[k].enabled == 1);
            EXPECT_TRUE(std::isfinite(LightSettings::table[k].light.diffuse.r));
        }
    }
    // The last case: blanks around numbers and Windows line ends still read.
    EXPECT_FLOAT_EQ(LightSettings::table[0].light.diffuse.r, 0.35f);
    EXPECT_FLOAT_EQ(LightSettings::table[0].light.diffuse.g, 1.0f);
    EXPECT_FLOAT_EQ(LightSettings::table[0].light.diffuse.b, 1.25f);

    load(many);
    EXPECT_EQ(touchedLights().size(), 6u);
    for (int k = 0; k < LightSettings::kLightCount; ++k) EXPECT_EQ(LightSettings::table[k].enabled, 1);
}

TEST_F(LightSettingsTest, TheShippedFileGivesItsNamedLights) {
    const char* source = std::getenv("HC_SOURCE_DIR");
    if (!source) GTEST_SKIP() << "HC_SOURCE_DIR not set";
    LightSettings::load(std::string(source) + "/content/LightDate.txt");
    ASSERT_NE(LightSettings::table, nullptr);
    ASSERT_EQ(LightSettings::table[0].enabled, 1) << "the file was not read";
    int lights = 0;
    for (int k = 0; k < LightSettings::kLightCount; ++k) {
        const LightRecord& r = LightSettings::table[k];
        if (!r.enabled) continue;
        ++lights;
        EXPECT_NE(r.name[0], '\0') << "light " << k << " has no name";
        EXPECT_GT(r.light.diffuse.r + r.light.diffuse.g + r.light.diffuse.b, 0.0f) << "light " << k;
    }
    EXPECT_EQ(touchedLights().size(), static_cast<std::size_t>(lights));
}

TEST_F(LightSettingsTest, DimsOncePerMultipleOfTenUpToSixty) {
    LightSettings::load(dir.file("none.txt"));
    auto diffuse = [](int k) { return LightSettings::table[k].light.diffuse.r; };

    LightSettings::dimForStage(10);
    EXPECT_NEAR(diffuse(0), 0.345f, 1e-6f);
    EXPECT_NEAR(diffuse(1), 0.195f, 1e-6f);
    EXPECT_NEAR(device->light(0).diffuse.g, 0.345f, 1e-6f);

    // Every tick of stage 10, and stage 10 of the next run, dim no further.
    LightSettings::dimForStage(10);
    LightSettings::dimForStage(10);
    EXPECT_NEAR(diffuse(0), 0.345f, 1e-6f);

    LightSettings::dimForStage(20);
    EXPECT_NEAR(diffuse(0), 0.34f, 1e-6f);
    LightSettings::dimForStage(70);
    LightSettings::dimForStage(80);
    EXPECT_NEAR(diffuse(0), 0.34f, 1e-6f);
    EXPECT_EQ(LightSettings::lastDimmedStage, 20);
    // A new run at stage 10 after stage 20 dims again: only a repeat of the last stage is skipped.
    LightSettings::dimForStage(10);
    EXPECT_NEAR(diffuse(0), 0.335f, 1e-6f);
}

}  // namespace
}  // namespace hc
