#include <gtest/gtest.h>

#include <vector>

#include "game/hud.h"
#include "platform/headless/headless_device.h"
#include "tests/unit/engine_test_support.h"

namespace hc {
namespace {

// Draws through a real sprite on the headless device and reads back where each sheet rectangle went.
class HudTest : public ::testing::Test {
protected:
    testing::ServiceScope services;
    Sprite sprite{*services.device};
    TextureEntry sheet;
    Hud hud;
    CharacterBase player;

    void SetUp() override {
        gSprite = &sprite;
        sheet.texture = services.device->createTexture(1024, 1024, nullptr);
        hud.sheet = &sheet;
        player.hitPoints = 3;
    }
    void TearDown() override { gSprite = nullptr; }

    template <typename Draw>
    std::vector<ScreenDraw> drawn(Draw draw) {
        services.device->calls.clear();
        sprite.begin(SPRITE_ALPHABLEND);
        draw();
        sprite.end();
        return screenDraws(services.device->calls);
    }

    std::vector<ScreenDraw> main(std::uint32_t stage, std::int32_t total, std::int32_t left, std::uint32_t gauge) {
        return drawn([&] { hud.drawMain(stage, total, left, player, gauge, 0.0f, 0); });
    }

    // Screen x of every draw whose source lies in the given sheet row.
    static std::vector<int> xsInRow(const std::vector<ScreenDraw>& draws, int top) {
        std::vector<int> xs;
        for (const ScreenDraw& d : draws)
            if (d.source.top == top) xs.push_back(d.screen.left);
        return xs;
    }
};

TEST_F(HudTest, StageDigitsSitOnTheirAnchors) {
    struct Case {
        std::uint32_t stage;
        std::vector<int> xs;       // ones digit first
        std::vector<int> sourceX;  // the digits' cells
    };
    const Case cases[] = {
        {7, {100}, {210}},
        {12, {115, 85}, {60, 30}},
        {30, {115, 85}, {0, 90}},
        {250, {134, 104, 74}, {0, 150, 60}},
        {4321, {134, 104, 74}, {270, 270, 270}},  // shown as 999
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stage);
        std::vector<ScreenDraw> draws = main(c.stage, 1, 1, 0);
        std::vector<int> xs, sources;
        for (const ScreenDraw& d : draws) {
            if (d.source.top != 693) continue;
            xs.push_back(d.screen.left);
            sources.push_back(d.source.left);
            EXPECT_EQ(d.screen.top, 58);
        }
        EXPECT_EQ(xs, c.xs);
        EXPECT_EQ(sources, c.sourceX);
    }
}

TEST_F(HudTest, EnemyCountsOverlapTheirCells) {
    std::vector<ScreenDraw> draws = main(1, 12, 5, 0);
    // enemyTotal 12: the 2 at 153, the 1 thirteen pixels left; enemiesLeft 5 at 106.
    EXPECT_EQ(xsInRow(draws, 740), (std::vector<int>{153, 140, 106}));
}

TEST_F(HudTest, GaugeBarLengthAndHearts) {
    struct Case {
        std::uint32_t gauge;
        int width;
    };
    for (const Case& c : {Case{150, 143}, Case{299, 285}, Case{300, 286}, Case{0, 0}}) {
        SCOPED_TRACE(c.gauge);
        std::vector<ScreenDraw> draws = main(1, 1, 1, c.gauge);
        int width = -1;
        for (const ScreenDraw& d : draws)
            if (d.source.top == 677) width = d.source.right - d.source.left;
        if (c.width == 0) {
            EXPECT_LE(width, 0);  // an empty bar shows nothing
        } else {
            EXPECT_EQ(width, c.width);
        }
    }
    EXPECT_EQ(xsInRow(main(1, 1, 1, 0), 633), (std::vector<int>{522, 578, 634}));
    player.hitPoints = 0;
    EXPECT_TRUE(xsInRow(main(1, 1, 1, 0), 633).empty());
}

TEST_F(HudTest, PromptsShowForThirtyOfEverySixtyOneFrames) {
    int shown = 0;
    for (int frame = 0; frame < 61; ++frame) {
        std::vector<ScreenDraw> draws = drawn([&] { hud.drawEventPanel(); });
        if (!xsInRow(draws, 595).empty()) ++shown;
    }
    EXPECT_EQ(shown, 30);
    hud.blink = 31;
    EXPECT_EQ(xsInRow(drawn([&] { hud.drawClear(); }), 358), (std::vector<int>{733, 972}));
    hud.blink = 30;
    EXPECT_EQ(xsInRow(drawn([&] { hud.drawClear(); }), 358), (std::vector<int>{733}));
}

TEST_F(HudTest, DefeatCaptionTellsWhereTheRunGoes) {
    hud.blink = 0;
    EXPECT_EQ(xsInRow(drawn([&] { hud.drawDefeat(true); }), 395), (std::vector<int>{733}));
    EXPECT_EQ(xsInRow(drawn([&] { hud.drawDefeat(false); }), 432), (std::vector<int>{643}));
}

}  // namespace
}  // namespace hc
