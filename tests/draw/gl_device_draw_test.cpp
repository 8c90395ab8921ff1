// The fixed-function semantics the game's look depends on, checked on read-back pixels.
#include <cstring>

#include "draw_fixture.h"

namespace hc::drawtest {
namespace {

class GlDeviceDraw : public DrawTest {
protected:
    void SetUp() override {
        DrawTest::SetUp();
        useCamera();
        device->setRenderState(RenderState::CullMode, CULL_CCW);
        device->setRenderState(RenderState::AlphaBlendEnable, 1);
        device->setRenderState(RenderState::SrcBlend, BLEND_SRCALPHA);
        device->setRenderState(RenderState::DestBlend, BLEND_INVSRCALPHA);
    }

    void whiteMaterial() {
        Material m;
        m.diffuse = {1, 1, 1, 1};
        device->setMaterial(m);
    }

    Light directional(Vec3 direction, float level) {
        Light l;
        l.type = LightType::Directional;
        l.diffuse = {level, level, level, 1};
        l.direction = direction;
        return l;
    }
};

TEST_F(GlDeviceDraw, LinearFogOnViewDepth) {
    device->setRenderState(RenderState::Lighting, 0);
    device->setRenderState(RenderState::FogEnable, 1);
    device->setRenderState(RenderState::FogTableMode, FOG_LINEAR);
    device->setRenderState(RenderState::FogStart, floatBits(1.0f));
    device->setRenderState(RenderState::FogEnd, floatBits(51.0f));
    device->setRenderState(RenderState::FogColor, 0xFF202020);
    struct Case {
        float depth;
        int x;  // screen column of the square's centre
        Colour expected;
    };
    // White squares at three depths, each a fixed size on screen: (end - d)/(end - start) of white.
    const Case cases[] = {{0.5f, 320, 0xFFFFFFFF}, {26.0f, 640, 0xFF8F8F8F}, {60.0f, 960, 0xFF202020}};
    clearFrame();
    for (const Case& c : cases) {
        float ndcX = (c.x - 640.0f) / 640.0f;
        // x on screen = x / (z * aspect) with this projection, so place and size the square by depth.
        float aspect = 1280.0f / 720.0f;
        Matrix world = scaleTranslate(c.depth * 0.1f, ndcX * c.depth * aspect, 0, c.depth);
        drawSquare(world);
    }
    read("fog");
    for (const Case& c : cases) EXPECT_TRUE(closeTo(at(c.x, 360), c.expected, 2)) << c.depth << ": " << hex(at(c.x, 360));
    // Fog needs FOGENABLE.
    device->setRenderState(RenderState::FogEnable, 0);
    clearFrame();
    drawSquare(scaleTranslate(6.0f, 0, 0, 60.0f));
    read();
    EXPECT_EQ(at(640, 360), 0xFFFFFFFFu);
}

TEST_F(GlDeviceDraw, LightsOnAFace) {
    device->setRenderState(RenderState::Lighting, 1);
    whiteMaterial();
    struct Case {
        const char* name;
        Light light;
        float scale;   // world scaling of the square (normals are not renormalised)
        int expected;  // grey level at the centre
    };
    Light pointNear;
    pointNear.type = LightType::Point;
    pointNear.diffuse = {1, 1, 1, 1};
    pointNear.position = {0, 0, 2};  // 2 in front of the square at z = 4
    pointNear.range = 3;
    pointNear.attenuation1 = 1;  // 1 / d
    Light pointFar = pointNear;
    pointFar.range = 1.9f;
    Light pointConstant = pointNear;
    pointConstant.attenuation0 = 0.25f;  // 1 / (0.25 + 0.5 d)
    pointConstant.attenuation1 = 0.5f;
    const Case cases[] = {
        {"straight on", directional({0, 0, 1}, 1.0f), 1, 255},
        {"direction not unit length", directional({0, 0, 5}, 0.5f), 1, 128},
        {"at 45 degrees", directional({0, -3, 3}, 1.0f), 1, 180},
        {"from behind", directional({0, 0, -1}, 1.0f), 1, 0},
        {"scaled mesh, normals shrink", directional({0, 0, 1}, 1.0f), 2, 128},
        {"point light inside range", pointNear, 1, 128},
        {"point light beyond range", pointFar, 1, 0},
        {"point light, constant and linear", pointConstant, 1, 204},
    };
    for (const Case& c : cases) {
        device->setLight(0, c.light);
        device->lightEnable(0, true);
        clearFrame(0xFF000000);
        drawSquare(scaleTranslate(c.scale, 0, 0, 4));
        read();
        Colour expected = 0xFF000000u | (Colour(c.expected) << 16) | (Colour(c.expected) << 8) | Colour(c.expected);
        EXPECT_TRUE(closeTo(at(640, 360), expected, 2)) << c.name << ": " << hex(at(640, 360));
    }
}

TEST_F(GlDeviceDraw, AmbientSumsLightAmbientAndGlobalAmbient) {
    device->setRenderState(RenderState::Lighting, 1);
    Material m;
    m.ambient = {1, 0.5f, 0, 1};
    m.emissive = {0, 0, 0.25f, 0};
    device->setMaterial(m);
    Light l = directional({0, 0, -1}, 0);  // lights the back: only its ambient counts
    l.ambient = {0.25f, 0.25f, 0.25f, 1};
    device->setLight(3, l);
    device->lightEnable(3, true);
    device->setRenderState(RenderState::Ambient, 0xFF404040);  // 0.25
    clearFrame(0xFF000000);
    drawSquare(scaleTranslate(1, 0, 0, 4));
    read();
    EXPECT_TRUE(closeTo(at(640, 360), 0xFF804040, 2)) << hex(at(640, 360));
}

TEST_F(GlDeviceDraw, SpecularOnlyWithSpecularEnable) {
    device->setRenderState(RenderState::Lighting, 1);
    Material m;
    m.diffuse = {0, 0, 0, 1};
    m.specular = {1, 1, 1, 1};
    m.power = 50;
    device->setMaterial(m);
    Light l = directional({0, 0, 1}, 0);
    l.specular = {1, 1, 1, 1};
    device->setLight(0, l);
    device->lightEnable(0, true);
    for (int enable = 0; enable < 2; ++enable) {
        device->setRenderState(RenderState::SpecularEnable, static_cast<std::uint32_t>(enable));
        clearFrame(0xFF000000);
        drawSquare(scaleTranslate(1, 0, 0, 4));
        read(enable ? "specular_on" : "specular_off");
        // The local viewer puts the highlight where the view ray meets the light's mirror direction.
        Colour centre = at(640, 360), edge = at(640 + 80, 360);
        if (enable) {
            EXPECT_TRUE(closeTo(centre, 0xFFFFFFFF, 2)) << hex(centre);
            EXPECT_LT(edge & 0xFF, 0xF0u) << hex(edge);
            EXPECT_GT(edge & 0xFF, 0x10u) << hex(edge);
        } else {
            EXPECT_EQ(centre, 0xFF000000u) << hex(centre);
        }
    }
}

// The stage states of the mesh draws: plain, alpha through TFACTOR, flat colour through TFACTOR.
TEST_F(GlDeviceDraw, UntexturedSubsetsAndTextureFactorStages) {
    device->setRenderState(RenderState::Lighting, 1);
    Material red;
    red.diffuse = {1, 0, 0, 1};
    device->setMaterial(red);
    device->setLight(0, directional({0, 0, 1}, 1.0f));
    device->lightEnable(0, true);
    device->setTexture(0, nullptr);

    clearFrame(0xFF000000);
    drawSquare(scaleTranslate(1, 0, 0, 4));
    read("untextured");
    EXPECT_TRUE(closeTo(at(640, 360), 0xFFFF0000, 1)) << "material colour: " << hex(at(640, 360));

    // Alpha 96 against white: texture alpha times the factor's alpha.
    auto white = solidTexture(4, 4, 0xFFFFFFFF);
    Material whiteMaterial;
    whiteMaterial.diffuse = {1, 1, 1, 1};
    device->setMaterial(whiteMaterial);
    for (Texture* texture : {static_cast<Texture*>(white.get()), static_cast<Texture*>(nullptr)}) {
        device->setTexture(0, texture);
        device->setRenderState(RenderState::TextureFactor, 96u << 24);
        device->setTextureStageState(0, TextureStageState::AlphaOp, TOP_MODULATE);
        device->setTextureStageState(0, TextureStageState::AlphaArg1, TA_TEXTURE);
        device->setTextureStageState(0, TextureStageState::AlphaArg2, TA_TFACTOR);
        clearFrame(0xFF000000);
        drawSquare(scaleTranslate(1, 0, 0, 4));
        device->setTextureStageState(0, TextureStageState::AlphaOp, TOP_SELECTARG1);
        device->setTextureStageState(0, TextureStageState::AlphaArg2, TA_DIFFUSE);
        read("alpha96");
        EXPECT_TRUE(closeTo(at(640, 360), 0xFF606060, 1)) << (texture ? "textured " : "untextured ") << hex(at(640, 360));
    }

    // Flat red: the factor replaces texture colour and alpha and tints the lit colour.
    device->setTexture(0, white.get());
    device->setRenderState(RenderState::TextureFactor, 0xFFFF0000);
    device->setTextureStageState(0, TextureStageState::ColorArg1, TA_TFACTOR);
    device->setTextureStageState(0, TextureStageState::AlphaArg1, TA_TFACTOR);
    clearFrame(0xFF000000);
    drawSquare(scaleTranslate(1, 0, 0, 4));
    read("flat_red");
    EXPECT_TRUE(closeTo(at(640, 360), 0xFFFF0000, 1)) << hex(at(640, 360));
    // Half-lit: the factor modulates the lit colour.
    device->setLight(0, directional({0, 0, 1}, 0.5f));
    clearFrame(0xFF000000);
    drawSquare(scaleTranslate(1, 0, 0, 4));
    read();
    EXPECT_TRUE(closeTo(at(640, 360), 0xFF800000, 2)) << hex(at(640, 360));
}

TEST_F(GlDeviceDraw, CullsCounterClockwiseFacesOnly) {
    device->setRenderState(RenderState::Lighting, 0);
    const VertexPositionColour clockwise[3] = {{-1, 1, 4, 0xFFFFFFFF}, {1, 1, 4, 0xFFFFFFFF}, {-1, -1, 4, 0xFFFFFFFF}};
    const VertexPositionColour counter[3] = {clockwise[0], clockwise[2], clockwise[1]};
    struct Case {
        std::uint32_t cull;
        bool clockwiseShown, counterShown;
    };
    const Case cases[] = {{CULL_CCW, true, false}, {CULL_CW, false, true}, {CULL_NONE, true, true}};
    device->setVertexFormat(VertexFormat::PositionColour);
    device->setTransform(TransformType::World, Matrix::identity());
    for (const Case& c : cases) {
        device->setRenderState(RenderState::CullMode, c.cull);
        for (int order = 0; order < 2; ++order) {
            clearFrame(0xFF000000);
            device->drawPrimitiveUP(PrimitiveType::TriangleList, 1, order == 0 ? clockwise : counter,
                                    sizeof(VertexPositionColour));
            read();
            bool shown = at(600, 340) == 0xFFFFFFFFu;
            EXPECT_EQ(shown, order == 0 ? c.clockwiseShown : c.counterShown) << "cull " << c.cull << " order " << order;
        }
    }
}

TEST_F(GlDeviceDraw, DepthRunsZeroToOneAndNearerWins) {
    device->setRenderState(RenderState::Lighting, 0);
    device->setVertexFormat(VertexFormat::PositionColour);
    auto square = [&](float z, Colour colour) {
        const VertexPositionColour v[4] = {{-z, z, z, colour}, {z, z, z, colour}, {-z, -z, z, colour}, {z, -z, z, colour}};
        device->drawPrimitiveUP(PrimitiveType::TriangleStrip, 2, v, sizeof v[0]);
    };
    for (int nearFirst = 0; nearFirst < 2; ++nearFirst) {
        clearFrame(0xFF000000);
        if (nearFirst) {
            square(0.2f, 0xFFFF0000);  // just beyond the near plane at 0.1
            square(900.0f, 0xFF0000FF);
        } else {
            square(900.0f, 0xFF0000FF);
            square(0.2f, 0xFFFF0000);
        }
        read();
        EXPECT_EQ(at(640, 360), 0xFFFF0000u) << "near first " << nearFirst;
    }
    // Beyond the far plane nothing is drawn.
    clearFrame(0xFF000000);
    square(1100.0f, 0xFF0000FF);
    read();
    EXPECT_EQ(at(640, 360), 0xFF000000u);
}

// A depth clear holds for the frame's depth-tested draws, whatever was drawn without the test before them,
// and clears to the value it was given.
TEST_F(GlDeviceDraw, DepthClearReachesLaterDepthTestedDraws) {
    device->setRenderState(RenderState::Lighting, 0);
    device->setRenderState(RenderState::CullMode, CULL_NONE);
    auto square = [&](float z, Colour colour) {
        const VertexPositionColour v[4] = {{-z, z, z, colour}, {z, z, z, colour}, {-z, -z, z, colour}, {z, -z, z, colour}};
        device->setVertexFormat(VertexFormat::PositionColour);
        device->drawPrimitiveUP(PrimitiveType::TriangleStrip, 2, v, sizeof v[0]);
    };
    auto screenQuad = [&]() {
        const VertexScreenColourTex v[4] = {{-0.5f, -0.5f, 0, 1, 0xFF00FF00, 0, 0}, {9.5f, -0.5f, 0, 1, 0xFF00FF00, 0, 0}, {-0.5f, 9.5f, 0, 1, 0xFF00FF00, 0, 0}, {9.5f, 9.5f, 0, 1, 0xFF00FF00, 0, 0}};
        device->setVertexFormat(VertexFormat::ScreenColourTex);
        device->drawPrimitiveUP(PrimitiveType::TriangleStrip, 2, v, sizeof v[0]);
    };
    // Fill the depth buffer with a near square.
    clearFrame(0xFF000000);
    square(0.2f, 0xFFFF0000);
    // Next frame: a draw without the depth test, then a far square that only a cleared depth lets through.
    clearFrame(0xFF000000);
    device->setRenderState(RenderState::ZEnable, ZB_FALSE);
    screenQuad();
    device->setRenderState(RenderState::ZEnable, ZB_TRUE);
    square(900.0f, 0xFF0000FF);
    read();
    EXPECT_EQ(at(5, 5), 0xFF00FF00u);
    EXPECT_EQ(at(640, 360), 0xFF0000FFu) << hex(at(640, 360));
    // Cleared to 0, depth lets nothing farther through.
    device->clear(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000, 0.0f, 0);
    square(900.0f, 0xFF0000FF);
    read();
    EXPECT_EQ(at(640, 360), 0xFF000000u) << hex(at(640, 360));
}

// Indexed draws from device buffers, as meshes and the blade trail use them.
TEST_F(GlDeviceDraw, IndexedDrawsFromBuffers) {
    device->setRenderState(RenderState::Lighting, 0);
    device->setRenderState(RenderState::CullMode, CULL_NONE);
    auto vertices = device->createVertexBuffer(6 * sizeof(VertexPositionColour));
    auto indices = device->createIndexBuffer(4);
    // Two vertices of padding, then a square: the base vertex skips them.
    const VertexPositionColour v[6] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {-1, 1, 4, 0xFF00FF00}, {1, 1, 4, 0xFF00FF00}, {-1, -1, 4, 0xFF00FF00}, {1, -1, 4, 0x8000FF00}};
    std::memcpy(vertices->lock(), v, sizeof v);
    vertices->unlock();
    const std::uint16_t idx[4] = {0, 1, 2, 3};
    std::memcpy(indices->lock(), idx, sizeof idx);
    indices->unlock();
    device->setVertexFormat(VertexFormat::PositionColour);
    device->setStreamSource(vertices.get(), sizeof(VertexPositionColour));
    device->setIndices(indices.get());
    clearFrame(0xFF000000);
    device->drawIndexedPrimitive(PrimitiveType::TriangleStrip, 2, 0, 2);
    read("indexed");
    EXPECT_EQ(at(600, 300), 0xFF00FF00u) << hex(at(600, 300));
    // By default alpha comes from the texture (opaque white when there is none), not the vertex.
    EXPECT_EQ(at(725, 445), 0xFF00FF00u) << hex(at(725, 445));
    // With the vertex alpha selected, the translucent corner blends against black.
    device->setTextureStageState(0, TextureStageState::AlphaArg1, TA_DIFFUSE);
    clearFrame(0xFF000000);
    device->drawIndexedPrimitive(PrimitiveType::TriangleStrip, 2, 0, 2);
    read();
    Colour corner = at(725, 445);
    EXPECT_GT((corner >> 8) & 0xFF, 0x60u) << hex(corner);
    EXPECT_LT((corner >> 8) & 0xFF, 0xC0u) << hex(corner);
    device->setTextureStageState(0, TextureStageState::AlphaArg1, TA_TEXTURE);
    // Out-of-range draws are refused, not read past the buffers.
    clearFrame(0xFF000000);
    device->drawIndexedPrimitive(PrimitiveType::TriangleStrip, 3, 0, 2);
    device->drawIndexedPrimitive(PrimitiveType::TriangleStrip, 0, 2, 2);
    read();
    EXPECT_EQ(at(600, 300), 0xFF000000u);
}

// Screen vertices are back-buffer pixels: the windowed buffer, a few pixels larger than the 1280x720
// layout, shows the 2-D one to one and leaves its right and bottom edge to the 3-D scene.
TEST_F(GlDeviceDraw, ScreenSpaceIsBackBufferPixelsOneToOne) {
    open(1286, 729, PresentConfig{});
    ASSERT_EQ(device->backBufferWidth(), 1286);
    ASSERT_EQ(device->backBufferHeight(), 729);
    clearFrame(0xFF000000);
    // The 3-D scene: a green square filling the view.
    useCamera();
    device->setRenderState(RenderState::Lighting, 0);
    device->setRenderState(RenderState::CullMode, CULL_NONE);
    auto green = solidTexture(2, 2, 0xFF00FF40);
    device->setTexture(0, green.get());
    drawSquare(scaleTranslate(20.0f, 0, 0, 4));
    // A one-pixel sprite at the layout's last pixel.
    device->setRenderState(RenderState::ZEnable, 0);
    auto white = solidTexture(2, 2, 0xFFFFFFFF);
    device->setTexture(0, white.get());
    const VertexScreenColourTex v[4] = {{1278.5f, 718.5f, 0, 1, 0xFFFFFFFF, 0, 0}, {1279.5f, 718.5f, 0, 1, 0xFFFFFFFF, 1, 0}, {1278.5f, 719.5f, 0, 1, 0xFFFFFFFF, 0, 1}, {1279.5f, 719.5f, 0, 1, 0xFFFFFFFF, 1, 1}};
    device->setVertexFormat(VertexFormat::ScreenColourTex);
    device->drawPrimitiveUP(PrimitiveType::TriangleStrip, 2, v, sizeof v[0]);
    read("windowed_one_to_one");
    EXPECT_EQ(at(1279, 719), 0xFFFFFFFFu) << hex(at(1279, 719));
    for (auto [x, y] : {std::pair{1278, 719}, {1279, 718}, {1280, 719}, {1279, 720}, {1285, 728}, {0, 0}})
        EXPECT_EQ(at(x, y), 0xFF00FF40u) << x << "," << y << ": " << hex(at(x, y));
    // A frame kept at present reads back after the swap, until the next frame starts.
    device->keepPresentedFrame = true;
    device->present();
    read();
    EXPECT_EQ(at(1279, 719), 0xFFFFFFFFu);
    clearFrame(0xFF0000FF);
    read();
    EXPECT_EQ(at(1279, 719), 0xFF0000FFu);
    // Without it the swapped back buffer holds nothing to vouch for.
    device->keepPresentedFrame = false;
    device->present();
    EXPECT_FALSE(device->readBackBuffer(frame));
}

// Frames nobody will look at may go undrawn: reads of them fail, and state set meanwhile reaches the next
// drawn frame.
TEST_F(GlDeviceDraw, UndrawnFramesLeaveTheNextOneWhole) {
    device->setRenderState(RenderState::CullMode, CULL_NONE);
    device->setRenderState(RenderState::ZEnable, 0);
    device->setVertexFormat(VertexFormat::ScreenColourTex);
    const VertexScreenColourTex v[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 0, 0}, {99.5f, -0.5f, 0, 1, 0xFFFFFFFF, 1, 0}, {-0.5f, 99.5f, 0, 1, 0xFFFFFFFF, 0, 1}, {99.5f, 99.5f, 0, 1, 0xFFFFFFFF, 1, 1}};
    auto white = solidTexture(2, 2, 0xFFFFFFFF);
    auto red = solidTexture(2, 2, 0xFFFF0000);
    device->setTexture(0, white.get());
    clearFrame(0xFF000000);
    device->drawPrimitiveUP(PrimitiveType::TriangleStrip, 2, v, sizeof v[0]);
    device->present();

    device->drawFrames = false;
    device->setTexture(0, red.get());
    clearFrame(0xFF000000);
    device->drawPrimitiveUP(PrimitiveType::TriangleStrip, 2, v, sizeof v[0]);
    EXPECT_FALSE(device->readBackBuffer(frame));
    device->keepPresentedFrame = true;
    device->present();
    EXPECT_FALSE(device->readBackBuffer(frame));

    device->drawFrames = true;
    clearFrame(0xFF000000);
    device->drawPrimitiveUP(PrimitiveType::TriangleStrip, 2, v, sizeof v[0]);
    read();
    EXPECT_EQ(at(50, 50), 0xFFFF0000u) << hex(at(50, 50));
    EXPECT_EQ(at(150, 50), 0xFF000000u) << hex(at(150, 50));
}

// Full screen: the back buffer stays 1280x720 whatever the window, and is scaled only when presented.
TEST_F(GlDeviceDraw, FullScreenBackBufferKeepsItsSize) {
    open(1600, 1000, PresentConfig{true, 1280, 720});
    ASSERT_EQ(device->backBufferWidth(), 1280);
    ASSERT_EQ(device->backBufferHeight(), 720);
    device->setRenderState(RenderState::ZEnable, 0);
    device->setRenderState(RenderState::CullMode, CULL_NONE);
    const VertexScreenColourTex v[4] = {{1279.5f, 719.5f, 0, 1, 0xFFFF0000, 0, 0}, {1270.5f, 719.5f, 0, 1, 0xFFFF0000, 0, 0}, {1279.5f, 710.5f, 0, 1, 0xFFFF0000, 0, 0}, {1270.5f, 710.5f, 0, 1, 0xFFFF0000, 0, 0}};
    device->setVertexFormat(VertexFormat::ScreenColourTex);
    clearFrame(0xFF000000);
    device->drawPrimitiveUP(PrimitiveType::TriangleStrip, 2, v, sizeof v[0]);
    device->present();
    read();
    ASSERT_EQ(frame.size(), 1280u * 720u);
    EXPECT_EQ(at(1279, 719), 0xFFFF0000u);
    EXPECT_EQ(at(1271, 711), 0xFFFF0000u);
    EXPECT_EQ(at(1270, 719), 0xFF000000u);
    EXPECT_EQ(at(1279, 710), 0xFF000000u);

    // Scaling onto the window hands the device its own state back: the next frame samples the game's
    // texture with point filtering and blends by alpha.
    const Colour texels[4] = {0xFFFF0000, 0xFF0000FF, 0x80FFFFFF, 0xFF000000};
    auto checker = device->createTexture(2, 2, texels);
    device->setTexture(0, checker.get());
    device->setRenderState(RenderState::AlphaBlendEnable, 1);
    device->setRenderState(RenderState::SrcBlend, BLEND_SRCALPHA);
    device->setRenderState(RenderState::DestBlend, BLEND_INVSRCALPHA);
    const VertexScreenColourTex quad[4] = {{99.5f, 99.5f, 0, 1, 0xFFFFFFFF, 0, 0}, {299.5f, 99.5f, 0, 1, 0xFFFFFFFF, 1, 0}, {99.5f, 299.5f, 0, 1, 0xFFFFFFFF, 0, 1}, {299.5f, 299.5f, 0, 1, 0xFFFFFFFF, 1, 1}};
    clearFrame(0xFF000000);
    device->drawPrimitiveUP(PrimitiveType::TriangleStrip, 2, quad, sizeof quad[0]);
    read("full_screen_second_frame");
    EXPECT_EQ(at(198, 150), 0xFFFF0000u) << hex(at(198, 150));
    EXPECT_EQ(at(201, 150), 0xFF0000FFu) << hex(at(201, 150));
    EXPECT_TRUE(closeTo(at(150, 250), 0xFF808080u, 2)) << hex(at(150, 250));
}

}  // namespace
}  // namespace hc::drawtest
