#include "platform/font.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/headless/headless_device.h"

namespace hc {
namespace {

// "Bボタンで次へ" in CP932.
const char kPrompt[] = "B\x83\x7B\x83\x5E\x83\x93\x82\xC5\x8E\x9F\x82\xD6";

TEST(SjisConversion, UsesTheWindowsCodePage) {
    struct Case {
        std::string sjis, utf8;
    };
    const Case cases[] = {
        {kPrompt, "Bボタンで次へ"},
        {"\x5C", "\\"},                // a backslash, not a yen sign
        {"\x81\x60", "\xEF\xBD\x9E"},  // FULLWIDTH TILDE, the code page's wave dash
        {"\x81\x7C", "\xEF\xBC\x8D"},  // FULLWIDTH HYPHEN-MINUS
        {"\x87\x40", "①"},             // NEC special row
        {"\xB1", "ｱ"},                 // half-width katakana
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sjisToUtf8(c.sjis), c.utf8) << c.utf8;
        EXPECT_EQ(utf8ToSjis(c.utf8), c.sjis) << c.utf8;
    }
}

TEST(SjisConversion, SkipsWhatCannotBeConverted) {
    EXPECT_EQ(sjisToUtf8("A\xFF"
                         "B"),
              "AB");                      // not a CP932 byte
    EXPECT_EQ(sjisToUtf8("A\x82"), "A");  // lead byte cut off at the end
    EXPECT_EQ(utf8ToSjis("A\xF0\x9F\x98\x80"
                         "B"),
              "AB");  // no such character in the code page
    EXPECT_EQ(utf8ToSjis("A\xE3\x81"
                         "B"),
              "AB");  // broken UTF-8
}

class FontTest : public ::testing::Test {
protected:
    void SetUp() override {
        device = createHeadlessDevice();
        font = Font::create(*device, 0, 900, "MS ゴシック");
        ASSERT_NE(font, nullptr) << "no Japanese face found through fontconfig";
        sprite = std::make_unique<Sprite>(*device);
        device->calls.clear();
    }

    // Draws through the sprite and returns the glyph quads.
    std::vector<ScreenDraw> draw(const std::string& sjis, Rect rect, std::uint32_t format, int* height = nullptr) {
        device->calls.clear();
        sprite->begin(SPRITE_ALPHABLEND);
        int h = font->drawText(sprite.get(), sjis.c_str(), -1, &rect, format, 0xFFFF0000);
        sprite->end();
        if (height) *height = h;
        return screenDraws(device->calls);
    }

    // Glyph quads by line top.
    static std::map<int, std::vector<ScreenDraw>> byLine(const std::vector<ScreenDraw>& draws) {
        std::map<int, std::vector<ScreenDraw>> lines;
        for (const ScreenDraw& d : draws) lines[d.screen.top].push_back(d);
        return lines;
    }

    std::unique_ptr<Device> device;
    std::unique_ptr<Font> font;
    std::unique_ptr<Sprite> sprite;
};

TEST_F(FontTest, DrawsOneQuadPerVisibleCharacterOnALine) {
    int height = 0;
    auto draws = draw(kPrompt, {100, 50, 1280, 720}, DT_WORDBREAK, &height);
    ASSERT_EQ(draws.size(), 7u);
    EXPECT_GE(height, 14);
    EXPECT_LE(height, 18);
    int lastLeft = 0;
    for (const ScreenDraw& d : draws) {
        EXPECT_EQ(d.colour, 0xFFFF0000u);
        EXPECT_EQ(d.screen.top, 50);
        EXPECT_GT(d.screen.left, lastLeft);
        EXPECT_LE(d.screen.bottom - d.screen.top, 18);
        lastLeft = d.screen.left;
    }
    EXPECT_EQ(draws[0].screen.left, 100);
    // Japanese characters are full width, about one em each.
    int width = font->measure(kPrompt, -1);
    EXPECT_GE(width, 6 * 15 + 7);
    EXPECT_LE(width, 6 * 18 + 10);
    // Without a sprite of the caller's, the font brackets its own and leaves the state as it was.
    device->setRenderState(RenderState::Lighting, 1);
    Rect rect{0, 0, 1280, 720};
    device->calls.clear();
    font->drawText(nullptr, kPrompt, -1, &rect, 0, 0xFFFFFFFF);
    EXPECT_EQ(screenDraws(device->calls).size(), 7u);
    EXPECT_EQ(device->renderState(RenderState::Lighting), 1u);
}

TEST_F(FontTest, WordBreakWrapsJapaneseBetweenAnyCharacters) {
    // Twenty characters of kana with no spaces in a rectangle about five characters wide.
    std::string text;
    for (int i = 0; i < 10; ++i) text += "\x82\xA0\x82\xA2";  // あい
    const int em = font->measure("\x82\xA0", -1);
    const Rect rect{10, 0, 10 + em * 5 + em / 2, 720};
    int height = 0;
    auto lines = byLine(draw(text, rect, DT_WORDBREAK, &height));
    ASSERT_EQ(lines.size(), 4u);
    for (const auto& [top, glyphs] : lines) {
        EXPECT_EQ(glyphs.size(), 5u) << "line at " << top;
        EXPECT_EQ(glyphs.front().screen.left, rect.left);
        for (const ScreenDraw& g : glyphs) EXPECT_LE(g.screen.right, rect.right);
    }
    Rect one{0, 0, 1280, 720};
    const int lineHeight = font->drawText(sprite.get(), "a", -1, &one, DT_CALCRECT, 0xFFFFFFFF);
    EXPECT_EQ(height, 4 * lineHeight);
    EXPECT_EQ(std::next(lines.begin())->first - lines.begin()->first, lineHeight);
    // Without DT_WORDBREAK the text stays on one line and is clipped at the right edge.
    auto single = byLine(draw(text, rect, 0));
    ASSERT_EQ(single.size(), 1u);
    for (const ScreenDraw& g : single.begin()->second) EXPECT_LE(g.screen.right, rect.right);
    // DT_NOCLIP lets it run on.
    auto unclipped = draw(text, rect, DT_NOCLIP);
    EXPECT_EQ(unclipped.size(), 20u);
    EXPECT_GT(unclipped.back().screen.right, rect.right);
}

TEST_F(FontTest, WordBreakKeepsLatinWordsWholeAndHonoursNewlines) {
    const int upTo = font->measure("aaa bbb", -1);
    const Rect rect{0, 0, upTo + 2, 720};
    auto lines = byLine(draw("aaa bbb ccc", rect, DT_WORDBREAK));
    ASSERT_EQ(lines.size(), 2u);
    auto second = std::next(lines.begin())->second;
    ASSERT_EQ(second.size(), 3u);  // "ccc", the space before it dropped
    EXPECT_EQ(second.front().screen.left, 0);

    auto broken = byLine(draw("ab\ncd", {0, 0, 1280, 720}, 0));
    ASSERT_EQ(broken.size(), 2u);
    for (const auto& [top, glyphs] : broken) EXPECT_EQ(glyphs.size(), 2u);
}

TEST_F(FontTest, CalcRectMeasuresWithoutDrawing) {
    Rect rect{20, 30, 1280, 720};
    device->calls.clear();
    int height = font->drawText(sprite.get(), kPrompt, -1, &rect, DT_WORDBREAK | DT_CALCRECT, 0xFFFFFFFF);
    EXPECT_TRUE(screenDraws(device->calls).empty());
    EXPECT_EQ(rect.left, 20);
    EXPECT_EQ(rect.right, 20 + font->measure(kPrompt, -1));
    EXPECT_EQ(rect.bottom, 30 + height);
    Rect empty{0, 0, 100, 100};
    EXPECT_EQ(font->drawText(sprite.get(), "", -1, &empty, DT_WORDBREAK, 0xFFFFFFFF), 0);
    EXPECT_EQ(font->drawText(sprite.get(), kPrompt, 0, &empty, DT_WORDBREAK, 0xFFFFFFFF), 0);
}

TEST_F(FontTest, ClipsAtTheRectangle) {
    Rect one{0, 0, 1280, 720};
    const int lineHeight = font->drawText(sprite.get(), "a", -1, &one, DT_CALCRECT, 0xFFFFFFFF);
    // The second line starts at the rectangle's bottom and is not drawn; glyphs reaching below are cut.
    auto draws = draw("gj\ncd", {0, 0, 1280, lineHeight}, 0);
    std::set<int> tops;
    for (const ScreenDraw& d : draws) {
        tops.insert(d.screen.top);
        EXPECT_LE(d.screen.bottom, lineHeight);
    }
    EXPECT_EQ(tops.size(), 1u);
    EXPECT_EQ(draws.size(), 2u);
    // A line partly inside shows its upper part.
    auto partial = draw("ab\ncd", {0, 0, 1280, lineHeight + 5}, 0);
    ASSERT_EQ(partial.size(), 4u);
    EXPECT_EQ(partial[2].screen.bottom, lineHeight + 5);
}

}  // namespace
}  // namespace hc
