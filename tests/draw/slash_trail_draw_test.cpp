// The slash trail on the OpenGL device: faint by its vertex alpha, not the opaque white that an empty
// texture stage reads as.
#include <algorithm>

#include "draw_fixture.h"
#include "engine/services.h"
#include "game/slash_trail.h"

namespace hc::drawtest {
namespace {

class SlashTrailDraw : public DrawTest {
protected:
    void SetUp() override {
        DrawTest::SetUp();
        gDevice = device.get();
        useCamera();
        device->setRenderState(RenderState::AlphaBlendEnable, 1);
        device->setRenderState(RenderState::SrcBlend, BLEND_SRCALPHA);
        device->setRenderState(RenderState::DestBlend, BLEND_INVSRCALPHA);
        device->setRenderState(RenderState::Lighting, 1);
    }
    void TearDown() override {
        trail.release();
        gDevice = nullptr;
        DrawTest::TearDown();
    }

    SlashTrail trail;
};

TEST_F(SlashTrailDraw, TheTrailIsFaintAndLeavesTheStageAsItFoundIt) {
    ASSERT_TRUE(trail.init());
    // Last frame's edge on the right, this frame's on the left: a 2 x 2 quad three units ahead.
    trail.push(Vec3{1, 1, 3}, Vec3{1, -1, 3});
    trail.push(Vec3{-1, 1, 3}, Vec3{-1, -1, 3});
    clearFrame();
    trail.draw();
    read("slash_trail");

    // The quad covers about x 520 ... 760, y 240 ... 480.
    int brightest = 0;
    for (int y = 250; y < 470; y += 4)
        for (int x = 530; x < 750; x += 4) brightest = std::max(brightest, static_cast<int>((at(x, y) >> 16) & 0xFF));
    EXPECT_GT(brightest, 0x20) << "the trail shows";
    EXPECT_LT(brightest, 0xA0) << "the trail is faint, not opaque white";
    EXPECT_TRUE(closeTo(at(100, 100), kBackground, 1)) << hex(at(100, 100));

    EXPECT_EQ(device->textureStageState(0, TextureStageState::ColorOp), static_cast<std::uint32_t>(TOP_MODULATE));
    EXPECT_EQ(device->textureStageState(0, TextureStageState::ColorArg1), static_cast<std::uint32_t>(TA_TEXTURE));
    EXPECT_EQ(device->textureStageState(0, TextureStageState::AlphaOp), static_cast<std::uint32_t>(TOP_SELECTARG1));
    EXPECT_EQ(device->textureStageState(0, TextureStageState::AlphaArg1), static_cast<std::uint32_t>(TA_TEXTURE));
}

}  // namespace
}  // namespace hc::drawtest
