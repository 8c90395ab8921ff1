// Sprites and text on the OpenGL device, checked on read-back pixels.
#include <filesystem>

#include "draw_fixture.h"
#include "platform/font.h"
#include "platform/sprite.h"

namespace hc::drawtest {
namespace {

Matrix scaleTranslate2D(float s, float x, float y) {
    Matrix m = Matrix::identity();
    m.m[0][0] = m.m[1][1] = s;
    m.m[3][0] = x;
    m.m[3][1] = y;
    return m;
}

class SpriteDraw : public DrawTest {
protected:
    void SetUp() override {
        DrawTest::SetUp();
        // The game's start-up state.
        device->setRenderState(RenderState::AlphaBlendEnable, 1);
        device->setRenderState(RenderState::SrcBlend, BLEND_SRCALPHA);
        device->setRenderState(RenderState::DestBlend, BLEND_INVSRCALPHA);
        device->setRenderState(RenderState::FogEnable, 1);
        device->setSamplerState(0, SamplerState::MinFilter, TEXF_LINEAR);
        device->setSamplerState(0, SamplerState::MagFilter, TEXF_LINEAR);
        device->setSamplerState(0, SamplerState::AddressU, TADDRESS_BORDER);
        device->setSamplerState(0, SamplerState::AddressV, TADDRESS_BORDER);
        sprite = std::make_unique<Sprite>(*device);
    }
    void TearDown() override {
        sprite.reset();
        DrawTest::TearDown();
    }
    std::unique_ptr<Sprite> sprite;
};

TEST_F(SpriteDraw, RectangleAtIntegerCoordinatesCoversExactlyItsPixels) {
    auto texture = solidTexture(32, 36, 0xFFFFFFFF);
    clearFrame();
    sprite->begin(SPRITE_ALPHABLEND);
    sprite->setTransform(scaleTranslate2D(1, 100, 200));
    sprite->draw(texture.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
    sprite->end();
    read("sprite_rect");
    int covered = 0;
    for (int y = 190; y < 246; ++y)
        for (int x = 90; x < 142; ++x) {
            bool inside = x >= 100 && x < 132 && y >= 200 && y < 236;
            Colour expected = inside ? 0xFFFFFFFF : kBackground;
            if (at(x, y) != expected) ADD_FAILURE() << x << "," << y << ": " << hex(at(x, y));
            covered += inside;
        }
    EXPECT_EQ(covered, 32 * 36);
}

TEST_F(SpriteDraw, DrawColourModulatesTheTexture) {
    auto white = solidTexture(8, 8, 0xFFFFFFFF);
    struct Case {
        Colour colour, expected;
    };
    // The green helper colour keeps only green and alpha; the fade colour blends by its alpha.
    const Case cases[] = {{0xFFFFFFFF, 0xFFFFFFFF}, {0xFF00FF00, 0xFF00FF00}, {0x80FFFFFF, 0xFF878788}, {0x00FFFFFF, kBackground}};
    clearFrame();
    sprite->begin(SPRITE_ALPHABLEND);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        sprite->setTransform(scaleTranslate2D(1, 100.0f + 20.0f * i, 100));
        sprite->draw(white.get(), nullptr, nullptr, nullptr, cases[i].colour);
    }
    sprite->end();
    read("modulation");
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        Colour c = at(104 + 20 * static_cast<int>(i), 104);
        EXPECT_TRUE(closeTo(c, cases[i].expected, 1)) << hex(cases[i].colour) << ": " << hex(c);
    }
}

// The title sets MIRROR inside the bracket for its sprites; End puts the start-up BORDER back.
TEST_F(SpriteDraw, AddressingSetInsideTheBracketAppliesToItsSprites) {
    // Left half red, right half blue; the source is twice the texture's width.
    std::vector<Colour> pixels(16);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) pixels[y * 4 + x] = x < 2 ? 0xFFFF0000 : 0xFF0000FF;
    auto texture = device->createTexture(4, 4, pixels.data());
    const Colour R = 0xFFFF0000, B = 0xFF0000FF, G = kBackground;
    struct Case {
        std::uint32_t address;
        Colour expected[4];  // the four half-texture columns of the drawn source
    };
    const Case cases[] = {
        {TADDRESS_BORDER, {R, B, G, G}},
        {TADDRESS_MIRROR, {R, B, B, R}},
        {TADDRESS_WRAP, {R, B, R, B}},
        {TADDRESS_CLAMP, {R, B, B, B}},
    };
    const Rect source{0, 0, 8, 4};
    for (const Case& c : cases) {
        clearFrame();
        sprite->begin(SPRITE_ALPHABLEND);
        device->setSamplerState(0, SamplerState::AddressU, c.address);
        device->setSamplerState(0, SamplerState::AddressV, c.address);
        sprite->setTransform(scaleTranslate2D(16, 100, 100));
        sprite->draw(texture.get(), &source, nullptr, nullptr, 0xFFFFFFFF);
        sprite->end();
        read("address_" + std::to_string(c.address));
        for (int k = 0; k < 4; ++k) {
            Colour p = at(100 + 16 + 32 * k, 132);
            EXPECT_EQ(p, c.expected[k]) << "address " << c.address << " column " << k << ": " << hex(p);
        }
        EXPECT_EQ(device->samplerState(0, SamplerState::AddressU), TADDRESS_BORDER);
    }
}

TEST_F(SpriteDraw, ColourKeyedPixelsShowWhatIsBehind) {
    auto folder = std::filesystem::temp_directory_path() / "hc_sprite_draw_key";
    std::filesystem::create_directories(folder);
    std::string path = (folder / "key.png").string();
    // Opaque pure green, half-transparent green, red, nearly green.
    ASSERT_TRUE(writePng(path, 4, 1, {0xFF00FF00, 0x8000FF00, 0xFFFF0000, 0xFF00FE00}));
    auto texture = createTextureFromFile(*device, path, 0, 0, 0xFF00FF00);
    std::filesystem::remove_all(folder);
    ASSERT_NE(texture, nullptr);
    clearFrame(0xFF0000FF);
    sprite->begin(SPRITE_ALPHABLEND);
    sprite->setTransform(scaleTranslate2D(32, 0, 0));
    sprite->draw(texture.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
    sprite->end();
    read("colour_key");
    // Linear filtering at the texel centres mixes in at most a sixty-fourth of a neighbour.
    EXPECT_TRUE(closeTo(at(16, 16), 0xFF0000FF, 5)) << hex(at(16, 16));
    EXPECT_TRUE(closeTo(at(48, 16), 0xFF008080, 5)) << hex(at(48, 16));
    EXPECT_TRUE(closeTo(at(80, 16), 0xFFFF0000, 5)) << hex(at(80, 16));
    EXPECT_TRUE(closeTo(at(112, 16), 0xFF00FE00, 5)) << hex(at(112, 16));
}

TEST_F(SpriteDraw, ShiftJisPromptIsDrawnAsText) {
    auto font = Font::create(*device, 0, 900, "MS ゴシック");
    ASSERT_NE(font, nullptr);
    const char prompt[] = "B\x83\x7B\x83\x5E\x83\x93\x82\xC5\x8E\x9F\x82\xD6";  // Bボタンで次へ
    const int width = font->measure(prompt, -1);
    clearFrame(0xFF000000);
    sprite->begin(SPRITE_ALPHABLEND);
    Rect rect{100, 100, 1280, 720};
    int height = font->drawText(sprite.get(), prompt, -1, &rect, DT_WORDBREAK, 0xFFFF0000);
    sprite->end();
    read("prompt");
    int inside = 0, outside = 0, strong = 0;
    std::vector<int> columns(static_cast<std::size_t>(width), 0);
    for (int y = 80; y < 140; ++y)
        for (int x = 80; x < 100 + width + 40; ++x) {
            Colour c = at(x, y);
            if (c == 0xFF000000u) continue;
            bool inBox = x >= 100 && x < 100 + width && y >= 100 && y < 100 + height + 1;
            (inBox ? inside : outside) += 1;
            EXPECT_EQ(c & 0x0000FFFF, 0u) << "text is red only: " << hex(c);
            if (((c >> 16) & 0xFF) > 0xC0) ++strong;
            if (inBox) columns[static_cast<std::size_t>(x - 100)] = 1;
        }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(inside, 7 * 30);
    EXPECT_GT(strong, 7 * 15);
    // Ink spreads over the whole run of seven characters, not one clump.
    int firstInk = -1, lastInk = -1;
    for (int x = 0; x < width; ++x)
        if (columns[static_cast<std::size_t>(x)]) {
            if (firstInk < 0) firstInk = x;
            lastInk = x;
        }
    EXPECT_LT(firstInk, 4);
    EXPECT_GT(lastInk, width - 6);
    // Each character cell holds ink.
    const int cell = (width - 8) / 6;  // "B" is half width
    for (int k = 0; k < 6; ++k) {
        int ink = 0;
        for (int x = 8 + k * cell; x < 8 + (k + 1) * cell; ++x) ink += columns[static_cast<std::size_t>(x)];
        EXPECT_GT(ink, cell / 3) << "character " << k + 1;
    }
}

}  // namespace
}  // namespace hc::drawtest
