#include "engine/texture_cache.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine_test_support.h"
#include "platform/font.h"
#include "platform/image.h"

namespace hc {
namespace {

using testing::ScratchDir;
using testing::ServiceScope;

constexpr Colour kGreen = 0xFF00FF00u;

// A 3 x 3 picture: a pure-green key pixel, a half-transparent green pixel and grey elsewhere.
std::string writePicture(const ScratchDir& dir, const std::string& name, int width = 3, int height = 3) {
    std::vector<Colour> pixels(static_cast<std::size_t>(width * height), 0xFF808080u);
    pixels[0] = kGreen;
    pixels[1] = 0x8000FF00u;
    std::string path = dir.file(name);
    EXPECT_TRUE(writePng(path, width, height, pixels));
    return path;
}

class TextureCacheTest : public ::testing::Test {
protected:
    ServiceScope services;
    ScratchDir dir;

    void TearDown() override { EXPECT_EQ(TextureCache::size(), 0u) << "a test left textures loaded"; }
};

TEST_F(TextureCacheTest, SamplingIsLinearWithBorderAddressing) {
    EXPECT_TRUE(TextureCache::setUpSampling());
    EXPECT_EQ(gDevice->samplerState(0, SamplerState::MinFilter), TEXF_LINEAR);
    EXPECT_EQ(gDevice->samplerState(0, SamplerState::MagFilter), TEXF_LINEAR);
    EXPECT_EQ(gDevice->samplerState(0, SamplerState::AddressU), TADDRESS_BORDER);
    EXPECT_EQ(gDevice->samplerState(0, SamplerState::AddressV), TADDRESS_BORDER);
    EXPECT_EQ(gDevice->samplerState(0, SamplerState::MipFilter), TEXF_NONE);
}

TEST_F(TextureCacheTest, OnePathIsLoadedOnceAndFreedByItsLastRelease) {
    std::string path = writePicture(dir, "sheet.png");
    TextureEntry* first = nullptr;
    TextureEntry* second = nullptr;
    ASSERT_TRUE(TextureCache::load(first, path));
    ASSERT_TRUE(TextureCache::load(second, path));
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->referenceCount, 2);
    EXPECT_STREQ(first->name, path.c_str());
    EXPECT_EQ(TextureCache::size(), 1u);

    // While loaded, the file is not read again.
    writePicture(dir, "sheet.png", 5, 5);
    TextureCache::release(second);
    EXPECT_EQ(first->referenceCount, 1);
    EXPECT_EQ(TextureCache::size(), 1u);
    TextureCache::release(first);
    EXPECT_EQ(TextureCache::size(), 0u);

    // Forgotten: the next load reads the new file.
    TextureEntry* third = nullptr;
    ASSERT_TRUE(TextureCache::load(third, path));
    EXPECT_EQ(third->referenceCount, 1);
    EXPECT_EQ(third->texture->width, 8);
    TextureCache::release(third);
    TextureCache::release(nullptr);
    EXPECT_TRUE(services.platform.messages.empty());
}

TEST_F(TextureCacheTest, LoadsAtPowerOfTwoSizesWithGreenAsTheKey) {
    TextureEntry* entry = nullptr;
    ASSERT_TRUE(TextureCache::load(entry, writePicture(dir, "keyed.png")));
    ASSERT_EQ(entry->texture->width, 4);
    ASSERT_EQ(entry->texture->height, 4);
    EXPECT_EQ(entry->texture->pixels[0], 0x00000000u);
    EXPECT_EQ(entry->texture->pixels.back() >> 24, 0xFFu);
    TextureCache::release(entry);
}

TEST_F(TextureCacheTest, DifferentSpellingsOfOneFileAreDifferentEntries) {
    std::string path = writePicture(dir, "sheet.png");
    std::string other = dir.path() + "/./sheet.png";
    TextureEntry* a = nullptr;
    TextureEntry* b = nullptr;
    ASSERT_TRUE(TextureCache::load(a, path));
    ASSERT_TRUE(TextureCache::load(b, other));
    EXPECT_NE(a, b);
    EXPECT_EQ(a->referenceCount, 1);
    EXPECT_EQ(b->referenceCount, 1);
    EXPECT_EQ(TextureCache::size(), 2u);
    TextureCache::release(a);
    TextureCache::release(b);
}

TEST_F(TextureCacheTest, AMissingOrBrokenFileShowsTheMessageAndLeavesNoEntry) {
    dir.write("broken.png", "\x89PNG\r\n\x1a\n not really");
    for (const std::string& path : {dir.file("missing.png"), dir.file("broken.png")}) {
        services.platform.messages.clear();
        TextureEntry* entry = reinterpret_cast<TextureEntry*>(0x1);
        EXPECT_FALSE(TextureCache::load(entry, path));
        EXPECT_EQ(entry, nullptr);
        ASSERT_EQ(services.platform.messages.size(), 1u);
        EXPECT_EQ(services.platform.messages[0].text, "テクスチャの読み込みに失敗しました");
        EXPECT_EQ(services.platform.messages[0].caption, "エラー");
        EXPECT_EQ(TextureCache::size(), 0u);
    }
}

TEST_F(TextureCacheTest, PathsLongerThanTheNameAreStillForgottenOnRelease) {
    std::string longName(80, 'n');
    std::string path = writePicture(dir, longName + ".png");
    TextureEntry* entry = nullptr;
    ASSERT_TRUE(TextureCache::load(entry, path));
    EXPECT_EQ(std::strlen(entry->name), 63u);
    TextureCache::release(entry);
    EXPECT_EQ(TextureCache::size(), 0u);
    ASSERT_TRUE(TextureCache::load(entry, path));
    EXPECT_EQ(entry->referenceCount, 1);
    TextureCache::release(entry);
}

class RecordingFont : public Font {
public:
    struct Call {
        Sprite* sprite;
        std::string text;
        int count;
        Rect rect;
        std::uint32_t format;
        Colour colour;
    };
    std::vector<Call> calls;
    int drawText(Sprite* sprite, const char* text, int count, Rect* rect, std::uint32_t format, Colour colour) override {
        calls.push_back({sprite, text, count, *rect, format, colour});
        return 16;
    }
    int measure(const char*, int) override { return 0; }
};

TEST_F(TextureCacheTest, SpritesAreDrawnInOpaqueGreenAtTheGivenTransform) {
    Sprite sprite(*gDevice);
    gSprite = &sprite;
    TextureEntry* entry = nullptr;
    ASSERT_TRUE(TextureCache::load(entry, writePicture(dir, "sheet.png")));

    Matrix placed = matrixTranslation(100, 200, 0);
    sprite.setTransform(placed);
    gDevice->setTransform(TransformType::World, matrixTranslation(5, 5, 5));
    gDevice->calls.clear();
    drawSprite(nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(gDevice->calls.empty());
    EXPECT_EQ(sprite.transform().m[3][0], 100.0f);

    sprite.begin(SPRITE_ALPHABLEND);
    drawSprite(entry, nullptr, nullptr, nullptr);
    EXPECT_EQ(sprite.transform().m[3][0], 0.0f);  // no transform given: identity
    EXPECT_EQ(gDevice->transform(TransformType::World).m[3][0], 0.0f);
    drawSprite(entry, &placed, nullptr, nullptr);
    EXPECT_EQ(sprite.transform().m[3][1], 200.0f);
    sprite.end();

    int greenDraws = 0;
    for (const DeviceCall& call : gDevice->calls)
        if (call.kind == CallKind::DrawPrimitiveUP && call.colour == kGreen && call.texture == entry->texture.get())
            ++greenDraws;
    EXPECT_EQ(greenDraws, 2);
    TextureCache::release(entry);
    gSprite = nullptr;
}

TEST_F(TextureCacheTest, TextIsRedFromTheLeftEdgeWrappedAtTheScreenWidth) {
    RecordingFont font;
    Sprite sprite(*gDevice);
    gFont = &font;
    gSprite = &sprite;
    drawText(412.75f, "abc");
    ASSERT_EQ(font.calls.size(), 1u);
    const RecordingFont::Call& call = font.calls[0];
    EXPECT_EQ(call.sprite, &sprite);
    EXPECT_EQ(call.text, "abc");
    EXPECT_EQ(call.count, -1);
    EXPECT_EQ(call.rect.left, 0);
    EXPECT_EQ(call.rect.top, 412);
    EXPECT_EQ(call.rect.right, 1280);
    EXPECT_EQ(call.rect.bottom, 720);
    EXPECT_EQ(call.format, static_cast<std::uint32_t>(DT_WORDBREAK));
    EXPECT_EQ(call.colour, 0xFFFF0000u);
    gFont = nullptr;
    gSprite = nullptr;
}

}  // namespace
}  // namespace hc
