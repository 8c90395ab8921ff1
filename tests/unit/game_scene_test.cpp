// One run of the game on the shipped data: clear bonus, score, the stage change, dimming, music, the
// defeat and the hand-over to the ending.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>

#include "engine/camera.h"
#include "engine/input_state.h"
#include "engine/mesh_cache.h"
#include "engine/services.h"
#include "engine/sound_buffer.h"
#include "engine/texture_cache.h"
#include "game/light_settings.h"
#include "platform/headless/headless_device.h"
#include "platform/headless/headless_sound_device.h"
#include "platform/sprite.h"
#include "scenes/game_scene.h"
#include "test_platform.h"
#include "tests/support/working_folder.h"

namespace hc {
namespace {

constexpr std::uint32_t kB = padBit(GameScene::kConfirmButton);

TEST(GameSceneBonus, ClearBonusByModeAndStage) {
    struct Case {
        int endless;
        std::uint32_t stage;
        std::int32_t bonus;
    };
    const Case cases[] = {
        {0, 1, 1000},
        {0, 9, 1000},
        {0, 10, 2000},
        {0, 20, 2000},
        {0, 30, 5000},
        {0, 40, 1000},
        {0, 11, 1000},
        {1, 1, 1000},
        {1, 10, 2000},
        {1, 30, 2000},
        {1, 40, 2000},
        {1, 70, 2000},
        {1, 29, 1000},
        {1, 31, 1000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GameScene::clearBonus(c.endless, c.stage), c.bonus) << "endless " << c.endless << " stage " << c.stage;
}

TEST(GameSceneBonus, ScoreStaysWithinZeroAndTheLargestValue) {
    struct Case {
        std::int32_t score;
        std::int64_t delta;
        std::int32_t expected;
    };
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const Case cases[] = {
        {0, -5, 0},
        {100, -100, 0},
        {100, -250, 0},
        {100, -99, 1},
        {100, 80, 180},
        {kMax - 10, 5000, kMax},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GameScene::addToScore(c.score, c.delta), c.expected) << c.score << " + " << c.delta;
}

class GameSceneTest : public ::testing::Test {
protected:
    test::ScopedTestPlatform scoped;
    std::unique_ptr<Device> device;
    std::unique_ptr<Sprite> sprite;
    std::unique_ptr<SoundDevice> sound;
    std::unique_ptr<testsupport::WorkingFolder> inRuntime;
    std::unique_ptr<GameScene> scene;

    void SetUp() override {
        const char* runtime = std::getenv("HC_RUNTIME_DIR");
        if (!runtime) GTEST_SKIP() << "HC_RUNTIME_DIR not set";
        inRuntime = std::make_unique<testsupport::WorkingFolder>(runtime);
        device = createHeadlessDevice();
        device->recording = false;
        gDevice = device.get();
        sprite = std::make_unique<Sprite>(*device);
        gSprite = sprite.get();
        sound = createHeadlessSoundDevice(scoped.platform.manualClock);
        gSoundDevice = sound.get();
        gCamera.init();
        gInput = InputState{};
        LightSettings::lastDimmedStage = 0;
        LightSettings::load("no such light file");
    }
    void TearDown() override {
        if (scene) scene->release();
        scene.reset();
        LightSettings::release();
        LightSettings::lastDimmedStage = 0;
        gInput = InputState{};
        gSoundDevice = nullptr;
        gSprite = nullptr;
        gDevice = nullptr;
        inRuntime.reset();
    }

    void start(int endless) {
        scene = std::make_unique<GameScene>();
        ASSERT_TRUE(scene->init(endless));
        ASSERT_TRUE(scoped.platform.messages.empty()) << scoped.platform.messages.front().text;
    }
    // A story run with the opening event over.
    void startPlaying() {
        start(0);
        scene->scenario.active = 0;
    }
    // One tick as the program runs it: the update, then the 2-D pass inside the sprite bracket.
    int tick(int endless, std::uint32_t held = 0, std::uint32_t pressed = 0) {
        gInput.padHeld = held;
        gInput.padPressed = pressed;
        int result = scene->update(endless);
        gSprite->begin(SPRITE_ALPHABLEND);
        scene->draw2D(endless);
        gSprite->end();
        scoped.platform.manualClock.advanceSeconds(1.0 / 60.0);
        return result;
    }
    void clearTheWave() {
        scene->player.enemiesLeft = 0;
        tick(0);
        ASSERT_EQ(scene->player.result, Player::kWaveCleared);
    }
};

TEST_F(GameSceneTest, BOnAClearedStageAddsTheBonusOnceAndTheNextStageRises) {
    startPlaying();
    clearTheWave();
    EXPECT_EQ(scene->score, 0) << "waiting for B";
    EXPECT_FALSE(scene->field.changing);

    tick(0, kB, kB);
    EXPECT_EQ(scene->score, 1000);
    EXPECT_TRUE(scene->field.changing);
    // Held B and fresh presses while the change runs add nothing.
    for (int i = 0; i < 40; ++i) tick(0, kB, i % 10 == 0 ? kB : 0);
    EXPECT_EQ(scene->score, 1000);
    EXPECT_TRUE(scene->field.changing);
    for (int i = 0; i < 200 && scene->field.changing; ++i) tick(0, kB, 0);
    ASSERT_FALSE(scene->field.changing);

    EXPECT_EQ(scene->field.stageNumber, 2u);
    EXPECT_EQ(scene->player.enemiesLeft, scene->enemies.enemyCount);
    EXPECT_GT(scene->player.enemiesLeft, 0);
    const Vec3 start = scene->field.startPosition[scene->field.currentSlot];
    const Vec3 at = scene->player.character->transform.position;
    EXPECT_NEAR(at.x, start.x, 0.2f);
    EXPECT_NEAR(at.z, start.z, 0.2f);
    tick(0, kB, kB);
    EXPECT_EQ(scene->score, 1000) << "the new stage is not cleared";
    EXPECT_EQ(scene->player.result, Player::kRunning);
}

TEST_F(GameSceneTest, DimmingRunsOnEveryTickOfStagesTenTwentyAndThirtyButDimsOncePerStage) {
    startPlaying();
    struct Case {
        std::uint32_t stage;
        bool dims;
    };
    const Case cases[] = {{10, true}, {11, false}, {20, true}, {25, false}, {30, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stage);
        scene->field.stageNumber = c.stage;
        const float before = LightSettings::table[0].light.diffuse.r;
        tick(0);
        tick(0);
        const float once = c.dims ? before - 0.005f : before;
        EXPECT_NEAR(LightSettings::table[0].light.diffuse.r, once, 1e-6f) << "dimmed at most once";
        // Forgetting the last dimming shows that the call comes on every tick of the stage.
        LightSettings::lastDimmedStage = 0;
        tick(0);
        EXPECT_NEAR(LightSettings::table[0].light.diffuse.r, c.dims ? once - 0.005f : once, 1e-6f);
        LightSettings::lastDimmedStage = static_cast<int>(c.stage);
    }
}

TEST_F(GameSceneTest, MusicStartsWithTheFirstUpdateAndAgainAfterItEnds) {
    startPlaying();
    ASSERT_NE(scene->bgm, nullptr);
    AudioBuffer& music = *scene->bgm->buffer;
    EXPECT_FALSE(music.playing()) << "init leaves the music to the first update";
    tick(0);
    EXPECT_TRUE(music.playing());
    tick(0);
    const std::uint32_t position = music.currentPosition();
    EXPECT_GT(position, 0u);
    tick(0);
    EXPECT_GT(music.currentPosition(), position) << "playing on, not restarted";

    scoped.platform.manualClock.advanceSeconds(3600);
    ASSERT_FALSE(music.playing()) << "played to its end";
    ASSERT_EQ(music.currentPosition(), 0u);
    tick(0);
    EXPECT_TRUE(music.playing()) << "started again";
}

struct DefeatCase {
    std::uint32_t stage;
    bool toTitle;
};

TEST_F(GameSceneTest, DefeatGoesToTheTitleBeforeStageFourAndToTheEndingFromThere) {
    const DefeatCase cases[] = {{1, true}, {3, true}, {4, false}, {12, false}};
    for (const DefeatCase& c : cases) {
        SCOPED_TRACE(c.stage);
        startPlaying();
        scene->field.stageNumber = c.stage;
        scene->score = 4321;
        scene->player.character->hitPoints = 0;
        for (int i = 0; i < 30; ++i) ASSERT_EQ(tick(0), 0) << "waiting for B";
        EXPECT_EQ(scene->player.result, Player::kPlayerDead);
        EXPECT_EQ(scene->scenario.closingRequested, 0);

        tick(0, kB, kB);
        EXPECT_EQ(scene->scenario.closingRequested, 1);
        int result = 0;
        int ticks = 0;
        while (result == 0 && !scene->ending.active && ticks < 200) {
            result = tick(0);
            ++ticks;
        }
        EXPECT_GE(ticks, 80) << "the closing fade runs first";
        EXPECT_FALSE(scene->bgm->buffer->playing());
        if (c.toTitle) {
            EXPECT_EQ(result, 1);
            EXPECT_FALSE(scene->ending.active);
        } else {
            EXPECT_EQ(result, 0);
            ASSERT_TRUE(scene->ending.active);
            const RankingRecord& own = scene->ending.entry.ownRecord;
            EXPECT_EQ(own.position, 6);
            EXPECT_EQ(own.name[0], 0);
            EXPECT_EQ(own.stage, static_cast<std::int32_t>(c.stage));
            EXPECT_EQ(own.score, 4321);
        }
        scene->release();
        scene.reset();
    }
}

TEST_F(GameSceneTest, TheStageThreeEventPlacesTheKnightAndTheNextStageGivesTheBladeBack) {
    startPlaying();
    scene->field.stageNumber = 3;
    scene->scenario.topLine = 33;  // the opening event's pages have been read
    clearTheWave();
    tick(0);
    EXPECT_EQ(scene->scenario.active, 1);
    ASSERT_TRUE(scene->scenario.knightPosition);
    EXPECT_EQ(scene->player.blade.handOnly, 1);
    EXPECT_EQ(scene->player.cameraMode, Player::kEventView);
    tick(0, kB, kB);
    EXPECT_EQ(scene->score, 0) << "B turns pages during the event, it adds no bonus";

    for (int i = 0; i < 40 && scene->scenario.active; ++i) {
        tick(0, kB, kB);
        tick(0);
    }
    ASSERT_EQ(scene->scenario.active, 0);
    EXPECT_EQ(scene->scenario.finished, 1);
    EXPECT_FALSE(scene->scenario.knightPosition);

    tick(0, kB, kB);
    EXPECT_EQ(scene->score, 1000);
    for (int i = 0; i < 200 && scene->field.changing; ++i) tick(0);
    EXPECT_EQ(scene->field.stageNumber, 4u);
    EXPECT_EQ(scene->scenario.finished, 0);
    EXPECT_EQ(scene->player.blade.handOnly, 0);
}

TEST_F(GameSceneTest, MissingDataFailsTheStartAndReleaseStillGivesEverythingBack) {
    auto empty = std::filesystem::temp_directory_path() / "hollowcrest_game_scene_test_empty";
    std::filesystem::create_directories(empty);
    testsupport::WorkingFolder inEmpty(empty);
    scene = std::make_unique<GameScene>();
    EXPECT_FALSE(scene->init(0));
    EXPECT_FALSE(scoped.platform.messages.empty()) << "the loader reports what is missing";
    scene->release();
    scene.reset();
    EXPECT_EQ(MeshCache::size(), 0u);
    EXPECT_EQ(TextureCache::size(), 0u);
    EXPECT_EQ(soundCacheSize(), 0u);
}

TEST_F(GameSceneTest, ReleaseGivesEveryMeshTextureAndSoundBack) {
    start(1);
    for (int i = 0; i < 5; ++i) tick(1);
    scene->release();
    scene.reset();
    EXPECT_EQ(MeshCache::size(), 0u);
    EXPECT_EQ(TextureCache::size(), 0u);
    EXPECT_EQ(soundCacheSize(), 0u);
}

}  // namespace
}  // namespace hc
