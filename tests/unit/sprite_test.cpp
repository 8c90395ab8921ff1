#include "platform/sprite.h"

#include <gtest/gtest.h>

#include <array>

#include "platform/headless/headless_device.h"

namespace hc {
namespace {

Matrix scaleTranslate(float s, float x, float y) {
    Matrix m = Matrix::identity();
    m.m[0][0] = m.m[1][1] = s;
    m.m[3][0] = x;
    m.m[3][1] = y;
    return m;
}

class SpriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        device = createHeadlessDevice();
        // The state the game has when its 2-D pass begins.
        device->setRenderState(RenderState::Lighting, 1);
        device->setRenderState(RenderState::FogEnable, 1);
        device->setRenderState(RenderState::CullMode, CULL_CCW);
        device->setRenderState(RenderState::ZEnable, ZB_TRUE);
        device->setRenderState(RenderState::TextureFactor, 0xFF000000);
        device->setSamplerState(0, SamplerState::AddressU, TADDRESS_BORDER);
        device->setSamplerState(0, SamplerState::AddressV, TADDRESS_BORDER);
        device->setSamplerState(0, SamplerState::MinFilter, TEXF_LINEAR);
        device->setSamplerState(0, SamplerState::MagFilter, TEXF_LINEAR);
        std::vector<Colour> pixels(32 * 36, 0xFFFFFFFF);
        texture = device->createTexture(32, 36, pixels.data());
        device->setTexture(0, texture.get());
    }
    std::unique_ptr<Device> device;
    std::unique_ptr<Texture> texture;
};

TEST_F(SpriteTest, BeginSetsTheSpriteStates) {
    Sprite sprite(*device);
    ASSERT_TRUE(sprite.begin(SPRITE_ALPHABLEND));
    EXPECT_FALSE(sprite.begin(SPRITE_ALPHABLEND));  // no nesting
    struct Expect {
        RenderState state;
        std::uint32_t value;
    };
    const Expect states[] = {
        {RenderState::AlphaBlendEnable, 1},
        {RenderState::SrcBlend, BLEND_SRCALPHA},
        {RenderState::DestBlend, BLEND_INVSRCALPHA},
        {RenderState::AlphaTestEnable, 1},
        {RenderState::AlphaFunc, CMP_GREATER},
        {RenderState::AlphaRef, 0},
        {RenderState::CullMode, CULL_NONE},
        {RenderState::Lighting, 0},
        {RenderState::FogEnable, 0},
        {RenderState::ZEnable, ZB_FALSE},
    };
    for (const Expect& e : states) EXPECT_EQ(device->renderState(e.state), e.value) << static_cast<int>(e.state);
    EXPECT_EQ(device->textureStageState(0, TextureStageState::ColorOp), TOP_MODULATE);
    EXPECT_EQ(device->textureStageState(0, TextureStageState::ColorArg1), TA_TEXTURE);
    EXPECT_EQ(device->textureStageState(0, TextureStageState::ColorArg2), TA_DIFFUSE);
    EXPECT_EQ(device->textureStageState(0, TextureStageState::AlphaOp), TOP_MODULATE);
    EXPECT_EQ(device->textureStageState(0, TextureStageState::AlphaArg1), TA_TEXTURE);
    EXPECT_EQ(device->textureStageState(0, TextureStageState::AlphaArg2), TA_DIFFUSE);
    EXPECT_EQ(device->samplerState(0, SamplerState::AddressU), TADDRESS_CLAMP);
    EXPECT_EQ(device->samplerState(0, SamplerState::AddressV), TADDRESS_CLAMP);
    EXPECT_EQ(device->samplerState(0, SamplerState::MinFilter), TEXF_LINEAR);
    sprite.end();
}

TEST_F(SpriteTest, StateSetInsideTheBracketDoesNotSurviveEnd) {
    Sprite sprite(*device);
    std::vector<std::uint32_t> renderBefore, stageBefore, samplerBefore;
    for (int i = 0; i < kRenderStateCount; ++i) renderBefore.push_back(device->renderState(static_cast<RenderState>(i)));
    for (int i = 0; i < kTextureStageStateCount; ++i)
        stageBefore.push_back(device->textureStageState(0, static_cast<TextureStageState>(i)));
    for (int i = 0; i < kSamplerStateCount; ++i)
        samplerBefore.push_back(device->samplerState(0, static_cast<SamplerState>(i)));

    ASSERT_TRUE(sprite.begin(SPRITE_ALPHABLEND));
    device->setSamplerState(0, SamplerState::AddressU, TADDRESS_MIRROR);
    device->setSamplerState(0, SamplerState::AddressV, TADDRESS_MIRROR);
    device->setRenderState(RenderState::TextureFactor, 0x12345678);
    device->setTextureStageState(0, TextureStageState::ColorArg1, TA_TFACTOR);
    device->setRenderState(RenderState::FogEnable, 1);
    device->recording = true;
    device->calls.clear();
    sprite.draw(texture.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
    // The draw happened with the bracket's own changes in force.
    EXPECT_EQ(device->samplerState(0, SamplerState::AddressU), TADDRESS_MIRROR);
    device->setTexture(0, nullptr);
    sprite.end();

    for (int i = 0; i < kRenderStateCount; ++i)
        EXPECT_EQ(device->renderState(static_cast<RenderState>(i)), renderBefore[i]) << "render state " << i;
    for (int i = 0; i < kTextureStageStateCount; ++i)
        EXPECT_EQ(device->textureStageState(0, static_cast<TextureStageState>(i)), stageBefore[i]) << "stage " << i;
    for (int i = 0; i < kSamplerStateCount; ++i)
        EXPECT_EQ(device->samplerState(0, static_cast<SamplerState>(i)), samplerBefore[i]) << "sampler " << i;
    EXPECT_EQ(device->texture(0), texture.get());
    // A second bracket starts from the restored state again.
    ASSERT_TRUE(sprite.begin(SPRITE_ALPHABLEND));
    EXPECT_EQ(device->samplerState(0, SamplerState::AddressU), TADDRESS_CLAMP);
    sprite.end();
    EXPECT_EQ(device->samplerState(0, SamplerState::AddressU), TADDRESS_BORDER);
}

TEST_F(SpriteTest, DrawPlacesTheSourceRectangle) {
    struct Case {
        const char* name;
        Matrix transform;
        const Rect* source;
        const Vec3* centre;
        const Vec3* position;
        Rect screen, texels;
    };
    const Rect part{8, 4, 24, 20};
    const Rect outside{-64, 0, -32, 36};
    const Vec3 centre{8, 8, 0};
    const Vec3 position{10, 20, 0};
    const Case cases[] = {
        {"whole texture at the origin", Matrix::identity(), nullptr, nullptr, nullptr, {0, 0, 32, 36}, {0, 0, 32, 36}},
        {"translated", scaleTranslate(1, 100, 200), nullptr, nullptr, nullptr, {100, 200, 132, 236}, {0, 0, 32, 36}},
        {"part with centre", scaleTranslate(1, 50, 60), &part, &centre, nullptr, {42, 52, 58, 68}, {8, 4, 24, 20}},
        {"position then scale", scaleTranslate(2, 0, 0), nullptr, nullptr, &position, {20, 40, 84, 112}, {0, 0, 32, 36}},
        {"outside the texture", Matrix::identity(), &outside, nullptr, nullptr, {0, 0, 32, 36}, {-64, 0, -32, 36}},
    };
    Sprite sprite(*device);
    ASSERT_TRUE(sprite.begin(SPRITE_ALPHABLEND));
    for (const Case& c : cases) {
        device->calls.clear();
        sprite.setTransform(c.transform);
        sprite.draw(texture.get(), c.source, c.centre, c.position, 0xFF00FF00);
        auto draws = screenDraws(device->calls);
        ASSERT_EQ(draws.size(), 1u) << c.name;
        EXPECT_EQ(draws[0].texture, texture.get());
        EXPECT_EQ(draws[0].colour, 0xFF00FF00u);
        const Rect& s = draws[0].screen;
        EXPECT_EQ((std::array{s.left, s.top, s.right, s.bottom}),
                  (std::array{c.screen.left, c.screen.top, c.screen.right, c.screen.bottom}))
            << c.name;
        const Rect& t = draws[0].source;
        EXPECT_EQ((std::array{t.left, t.top, t.right, t.bottom}),
                  (std::array{c.texels.left, c.texels.top, c.texels.right, c.texels.bottom}))
            << c.name;
    }
    device->calls.clear();
    sprite.draw(nullptr, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    EXPECT_TRUE(screenDraws(device->calls).empty());
    sprite.end();
}

}  // namespace
}  // namespace hc
