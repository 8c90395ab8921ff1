// The title: its cursor and the stick latch, confirmation and the endless button, the 85-draw fade and
// the result codes, its sounds, and where its pictures go.
#include "scenes/title_scene.h"

#include "front_end_test_support.h"

namespace hc {
namespace {

constexpr std::uint32_t kB = padBit(PadButton::B);
constexpr std::uint32_t kX = padBit(PadButton::X);
constexpr float kUp = -800;
constexpr float kDown = 800;

class TitleSceneTest : public frontend::FrontEndServices {
protected:
    frontend::ScratchDir dir;
    TitleScene title;

    void SetUp() override {
        frontend::writeFrontEndFiles();
        ASSERT_TRUE(title.init());
    }
    void TearDown() override {
        title.release();
        expectCachesEmpty();
    }

    int tick(float stickY = 0, std::uint32_t held = 0) {
        setInput(stickY, held);
        return title.update();
    }
    // One deflection of the stick and its return to the middle.
    void flick(float stickY) {
        tick(stickY);
        tick(0);
    }
    std::vector<ScreenDraw> frame() {
        return spritePass([&] { title.drawSprites(); });
    }
};

class TitleSceneInitTest : public frontend::FrontEndServices {
protected:
    frontend::ScratchDir dir;
};

TEST_F(TitleSceneInitTest, EachMissingFileFailsInitWithAMessageAndReleaseGivesEverythingBack) {
    const char* files[] = {
        "Resource_Blade/end_secnのコピー.png",
        "Resource_Blade/UI/CorvaneTitle_Chip.png",
        "Resource_Blade/BGM/Tidewell/Op.wav",
        "Resource_Blade/SE/Harbor Tone Works/title_select_se.wav",
        "Resource_Blade/SE/Harbor Tone Works/title_se.wav",
        "Resource_Blade/CSV/Wall_3.csv",
        "Resource_Blade/FieldObject/rockbox.x",
    };
    for (const char* file : files) {
        SCOPED_TRACE(file);
        frontend::writeFrontEndFiles();
        std::filesystem::remove(file);
        messages().clear();
        TitleScene title;
        EXPECT_FALSE(title.init());
        EXPECT_FALSE(messages().empty());
        title.release();
        expectCachesEmpty();
    }
}

TEST_F(TitleSceneTest, InitStartsOnStartWithEndlessOffAndAResetCamera) {
    EXPECT_EQ(title.cursor, TitleScene::kStartItem);
    EXPECT_EQ(title.endlessMode, 0);
    EXPECT_EQ(title.decided, 0);
    EXPECT_FLOAT_EQ(gCamera.eye.z, -1);
    EXPECT_FLOAT_EQ(gCamera.eye.y, 0);
    EXPECT_FLOAT_EQ(gCamera.orbitTarget.z, -1);
    EXPECT_EQ(gCamera.orbitDistance, 0);
}

TEST_F(TitleSceneTest, TheFadePictureIsScreenSizedWithoutTransparency) {
    ASSERT_TRUE(title.fadeTexture);
    EXPECT_EQ(title.fadeTexture->width, 1280);
    EXPECT_EQ(title.fadeTexture->height, 720);
    std::size_t seeThrough = 0;
    for (Colour c : title.fadeTexture->pixels) seeThrough += (c >> 24) != 0xFF;
    EXPECT_EQ(seeThrough, 0u);
    // The keyed corner is black, the rest keeps its grey.
    EXPECT_EQ(title.fadeTexture->pixels[0], 0xFF000000u);
    EXPECT_EQ(title.fadeTexture->pixels[720 / 2 * 1280 + 1280 / 2], 0xFFC0C0C0u);
}

TEST_F(TitleSceneTest, OneDeflectionMovesTheCursorOneItemWrappingAtBothEnds) {
    struct Case {
        int from;
        float stick;
        int to;
    };
    // On screen: start (1) on top, ranking (0) in the middle, quit (2) at the bottom.
    const Case cases[] = {
        {1, kUp, 2},
        {0, kUp, 1},
        {2, kUp, 0},
        {1, kDown, 0},
        {0, kDown, 2},
        {2, kDown, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " " << c.stick);
        title.cursor = c.from;
        flick(c.stick);
        EXPECT_EQ(title.cursor, c.to);
    }
}

TEST_F(TitleSceneTest, AHeldStickMovesOnceUntilItComesBackInsideTheBandEndsIncluded) {
    for (int i = 0; i < 30; ++i) tick(kUp);
    EXPECT_EQ(title.cursor, TitleScene::kQuitItem);
    tick(kDown);  // straight to the other side without the middle: still latched
    EXPECT_EQ(title.cursor, TitleScene::kQuitItem);
    tick(-500);  // the band's edge counts as the middle
    tick(-501);
    EXPECT_EQ(title.cursor, TitleScene::kRankingItem);
    tick(500);
    tick(501);
    EXPECT_EQ(title.cursor, TitleScene::kQuitItem);
    tick(-500.5f);  // outside the band, but the latch is still set from the last move
    EXPECT_EQ(title.cursor, TitleScene::kQuitItem);
}

TEST_F(TitleSceneTest, EveryMovePlaysTheSelectSound) {
    tick(0);
    EXPECT_FALSE(title.selectSound->buffer->playing());
    tick(kDown);
    EXPECT_TRUE(title.selectSound->buffer->playing());
    advanceSeconds(1);  // the sound has ended
    tick(kDown);
    EXPECT_FALSE(title.selectSound->buffer->playing());
    tick(0);
    tick(kUp);
    EXPECT_TRUE(title.selectSound->buffer->playing());
}

TEST_F(TitleSceneTest, ConfirmationTakesANewPressOfBAndTheEndlessButtonHeldAtThatMoment) {
    struct Case {
        const char* name;
        std::uint32_t heldBefore;          // buttons already held when the title starts
        std::vector<std::uint32_t> ticks;  // buttons held, one entry per tick
        int decided;
        int endless;
    };
    const Case cases[] = {
        {"B alone", 0, {kB}, 1, 0},
        {"X held long before B", 0, {kX, kX, kX, kX | kB}, 1, 1},
        {"X and B in the same tick", 0, {kX | kB}, 1, 1},
        {"X after the confirmation", 0, {kB, kB | kX, kX}, 1, 0},
        {"X alone", 0, {kX, kX}, 0, 0},
        {"B held since before the title", kB, {kB, kB}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TitleScene other;
        ASSERT_TRUE(other.init());
        gInput.padHeld = c.heldBefore;
        for (std::uint32_t held : c.ticks) {
            setInput(0, held);
            other.update();
        }
        EXPECT_EQ(other.decided, c.decided);
        EXPECT_EQ(other.endlessMode, c.endless);
        other.release();
        clearInput();
    }
}

TEST_F(TitleSceneTest, AMoveAndAConfirmationInOneTickChooseTheItemMovedTo) {
    tick(kDown, kB);
    EXPECT_EQ(title.cursor, TitleScene::kRankingItem);
    EXPECT_EQ(title.decided, 1);
    int result = 0;
    for (int i = 0; i < 85 && result == 0; ++i) {
        frame();
        result = tick();
    }
    EXPECT_EQ(result, 1);
}

TEST_F(TitleSceneTest, AfterTheConfirmationTheStickAndButtonsChangeNothing) {
    tick(0, kB);
    tick(kUp, 0);
    tick(0, kX);
    tick(kDown, kB | kX);
    EXPECT_EQ(title.cursor, TitleScene::kStartItem);
    EXPECT_EQ(title.endlessMode, 0);
}

TEST_F(TitleSceneTest, KeyboardKeysDoNothing) {
    for (int i = 0; i < 4; ++i) {
        gInput.keyHeld = gInput.keyPressed = (1u << kKeyCount) - 1;
        title.update();
        gInput.keyPressed = 0;
        title.update();
    }
    EXPECT_EQ(title.cursor, TitleScene::kStartItem);
    EXPECT_EQ(title.decided, 0);
}

TEST_F(TitleSceneTest, TheFadeTakes85DrawsAndTheNextUpdateReportsTheChoice) {
    struct Case {
        int cursor;
        int result;
    };
    const Case cases[] = {{TitleScene::kStartItem, TitleScene::kToGame}, {TitleScene::kRankingItem, TitleScene::kToRanking}, {TitleScene::kQuitItem, TitleScene::kQuit}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cursor);
        TitleScene other;
        ASSERT_TRUE(other.init());
        other.cursor = c.cursor;
        setInput(0, kB);
        EXPECT_EQ(other.update(), 0);
        for (int draw = 1; draw <= 85; ++draw) {
            const std::vector<ScreenDraw> drawn = spritePass([&] { other.drawSprites(); });
            ASSERT_FALSE(drawn.empty());
            const ScreenDraw& fade = drawn.back();
            const Colour alpha = static_cast<Colour>(3 * draw);
            EXPECT_EQ(fade.colour, (alpha << 24) | 0x00FFFFFFu) << draw;
            EXPECT_EQ(fade.texture, other.fadeTexture.get());
            EXPECT_EQ(fade.screen.left, 0);
            EXPECT_EQ(fade.screen.top, 0);
            EXPECT_EQ(fade.screen.right, 1280);
            EXPECT_EQ(fade.screen.bottom, 720);
            EXPECT_EQ(other.fadeDone, draw == 85 ? 1 : 0);
            setInput(0, 0);
            EXPECT_EQ(other.update(), draw == 85 ? c.result : 0) << draw;
        }
        other.release();
        clearInput();
    }
}

TEST_F(TitleSceneTest, DrawFadeStepsByThreeAndWrapsToZeroAtTheEnd) {
    std::int16_t level = 0;
    int draws = 0;
    spritePass([&] {
        while (!drawFade(title.fadeTexture.get(), level)) ++draws;
    });
    EXPECT_EQ(draws + 1, 85);
    EXPECT_EQ(level, 0);
    level = 253;  // a level that steps past 255 still ends the fade
    EXPECT_TRUE(drawFade(title.fadeTexture.get(), level));
}

TEST_F(TitleSceneTest, NoFadeIsDrawnBeforeTheConfirmation) {
    for (const ScreenDraw& d : frame()) EXPECT_NE(d.texture, title.fadeTexture.get());
}

TEST_F(TitleSceneTest, TheDecideSoundIsKeptPlayingThroughTheFade) {
    tick(0, kB);
    SoundBuffer* decide = title.decideSound;
    EXPECT_TRUE(decide->buffer->playing());
    advanceSeconds(0.5);  // longer than the sound
    EXPECT_FALSE(decide->buffer->playing());
    EXPECT_EQ(decide->buffer->currentPosition(), 0u);
    tick();
    EXPECT_TRUE(decide->buffer->playing());
    advanceSeconds(0.1);
    const std::uint32_t at = decide->buffer->currentPosition();
    EXPECT_GT(at, 0u);
    tick();  // stopped and played on: not rewound
    EXPECT_GE(decide->buffer->currentPosition(), at);
}

TEST_F(TitleSceneTest, TheMusicStartsOnTheFirstTickAndStartsAgainWhenItHasEnded) {
    EXPECT_FALSE(title.bgm->buffer->playing());
    tick();
    EXPECT_TRUE(title.bgm->buffer->playing());
    advanceSeconds(0.5);
    tick();
    EXPECT_GT(title.bgm->buffer->currentPosition(), 0u);  // running on, not restarted
    advanceSeconds(1);
    EXPECT_FALSE(title.bgm->buffer->playing());
    tick();
    EXPECT_TRUE(title.bgm->buffer->playing());
}

TEST_F(TitleSceneTest, TheLogoAndTheItemsComeFromTheirRectangles) {
    struct Item {
        Rect source;
        int x, y;
    };
    const Item logo{{0, 0, 892, 307}, 198, 100};
    struct Case {
        int cursor;
        std::vector<Item> items;  // after the logo, in drawing order
    };
    const Case cases[] = {
        {1, {{{0, 307, 241, 354}, 526, 439}, {{241, 354, 482, 401}, 528, 495}, {{241, 401, 482, 448}, 528, 551}}},
        {0, {{{0, 354, 241, 401}, 526, 495}, {{241, 307, 482, 354}, 528, 439}, {{241, 401, 482, 448}, 528, 551}}},
        {2, {{{0, 401, 241, 448}, 522, 551}, {{241, 307, 482, 354}, 528, 439}, {{241, 354, 482, 401}, 528, 495}}},
        // A cursor outside the menu highlights nothing and shows all three plain items.
        {7, {{{241, 307, 482, 354}, 528, 439}, {{241, 354, 482, 401}, 528, 495}, {{241, 401, 482, 448}, 528, 551}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cursor);
        title.cursor = c.cursor;
        const std::vector<ScreenDraw> drawn = frame();
        std::vector<Item> expected{logo};
        expected.insert(expected.end(), c.items.begin(), c.items.end());
        ASSERT_EQ(drawn.size(), expected.size());
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(drawn[i].texture, title.titleSheet->texture.get());
            EXPECT_EQ(drawn[i].source.left, expected[i].source.left);
            EXPECT_EQ(drawn[i].source.top, expected[i].source.top);
            EXPECT_EQ(drawn[i].source.right, expected[i].source.right);
            EXPECT_EQ(drawn[i].source.bottom, expected[i].source.bottom);
            EXPECT_EQ(drawn[i].screen.left, expected[i].x);
            EXPECT_EQ(drawn[i].screen.top, expected[i].y);
            EXPECT_EQ(drawn[i].colour, 0xFF00FF00u);  // the sheet keeps only green and alpha
        }
    }
}

TEST_F(TitleSceneTest, MirrorAddressingIsSetInsideTheSpriteBracketAndTheTransformLeftAtIdentity) {
    device->setSamplerState(0, SamplerState::AddressU, TADDRESS_BORDER);
    device->setSamplerState(0, SamplerState::AddressV, TADDRESS_BORDER);
    device->calls.clear();
    sprite->begin(SPRITE_ALPHABLEND);
    title.drawSprites();
    EXPECT_EQ(device->samplerState(0, SamplerState::AddressU), TADDRESS_MIRROR);
    EXPECT_EQ(device->samplerState(0, SamplerState::AddressV), TADDRESS_MIRROR);
    const Matrix& t = sprite->transform();
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(t.m[i][j], i == j ? 1.0f : 0.0f);
    sprite->end();
    EXPECT_EQ(device->samplerState(0, SamplerState::AddressU), TADDRESS_BORDER);

    // The mirror states come before the first picture.
    std::size_t firstDraw = device->calls.size(), lastMirror = 0;
    for (std::size_t i = 0; i < device->calls.size(); ++i) {
        const DeviceCall& c = device->calls[i];
        if (c.kind == CallKind::DrawPrimitiveUP && firstDraw == device->calls.size()) firstDraw = i;
        if (c.kind == CallKind::SetSamplerState && c.value == TADDRESS_MIRROR) lastMirror = i;
    }
    EXPECT_LT(lastMirror, firstDraw);
}

}  // namespace
}  // namespace hc
