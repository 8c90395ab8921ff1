// The scene manager's tables: which scene exists, when frames are drawn, and the frame bracket.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/scene_manager.h"
#include "engine/services.h"
#include "platform/headless/headless_device.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/headless_sound_device.h"
#include "platform/sprite.h"
#include "scenes/game_scene.h"
#include "scenes/ranking_scene.h"
#include "scenes/title_scene.h"
#include "tests/support/working_folder.h"

namespace hc {
namespace {

class AppSceneManager : public ::testing::Test {
protected:
    HeadlessPlatform platform;
    ScopedPlatform scoped{platform};
    // The game scene loads the whole shipped data tree, so the scenes run in the runtime folder.
    std::optional<testsupport::WorkingFolder> folder;
    std::unique_ptr<Device> device = createHeadlessDevice();
    std::unique_ptr<Sprite> sprite = std::make_unique<Sprite>(*device);
    std::unique_ptr<SoundDevice> sound = createHeadlessSoundDevice(platform.manualClock);
    std::unique_ptr<SceneManager> manager = std::make_unique<SceneManager>();

    AppSceneManager() {
        if (const char* runtime = std::getenv("HC_RUNTIME_DIR")) folder.emplace(runtime);
        gDevice = device.get();
        gSprite = sprite.get();
        gSoundDevice = sound.get();
    }
    ~AppSceneManager() override {
        manager.reset();
        gSoundDevice = nullptr;
        gSprite = nullptr;
        gDevice = nullptr;
    }

    void SetUp() override {
        if (!folder) GTEST_SKIP() << "HC_RUNTIME_DIR not set";
    }

    void restart() {
        manager.reset();
        manager = std::make_unique<SceneManager>();
    }

    int frames() const {
        int n = 0;
        for (const DeviceCall& c : device->calls) n += c.kind == CallKind::Present;
        return n;
    }

    // One tick of the loop: the update callback, then (unless it ends the program) the draw callback.
    // Returns whether a frame was drawn.
    bool tick() {
        int before = frames();
        if (manager->update() == 0) return false;
        manager->draw();
        return frames() > before;
    }
    // A tick whose scene update gave the result through the manager's own handling of it.
    bool tickWith(int (SceneManager::*handle)(int), int result, int* returned = nullptr) {
        int before = frames();
        int r = ((*manager).*handle)(result);
        if (returned) *returned = r;
        if (r == 0) return false;
        manager->draw();
        return frames() > before;
    }
};

TEST_F(AppSceneManager, TheProgramOpensWithTitleInitThenItsFirstFrame) {
    EXPECT_FALSE(tick());  // title init, title enter
    EXPECT_NE(manager->titleScene, nullptr);
    EXPECT_EQ(manager->updateIndex, 1);
    EXPECT_EQ(manager->drawIndex, 1);
    EXPECT_TRUE(tick());  // title update, title draw
    EXPECT_TRUE(tick());
}

struct ChangeCase {
    const char* name;
    int titleResult;
    int sceneKind;
    int updateIndexAfterInit;
    int drawIndexAfterEnter;
};

TEST_F(AppSceneManager, LeavingTheTitleCostsTwoTicksWithoutAFrame) {
    const ChangeCase cases[] = {
        {"to the ranking", 1, SceneManager::kRanking, 3, 3},
        {"to the game", 2, SceneManager::kGame, 5, 5},
    };
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        tick();
        tick();
        manager->titleScene->endlessMode = 1;
        EXPECT_FALSE(tickWith(&SceneManager::onTitleResult, c.titleResult));  // tick n
        EXPECT_EQ(manager->titleScene, nullptr);
        EXPECT_EQ(manager->sceneKind, c.sceneKind);
        EXPECT_EQ(manager->endlessMode, 1);
        EXPECT_FALSE(tick());  // n + 1: the new scene's init and enter
        EXPECT_EQ(manager->updateIndex, c.updateIndexAfterInit);
        EXPECT_EQ(manager->drawIndex, c.drawIndexAfterEnter);
        EXPECT_TRUE(c.titleResult == 1 ? manager->rankingScene != nullptr : manager->gameScene != nullptr);
        EXPECT_TRUE(tick());  // n + 2: its first frame
    }
}

TEST_F(AppSceneManager, LeavingTheGameOrTheRankingReturnsToAFreshTitleTwoTicksLater) {
    struct Back {
        const char* name;
        int titleResult;
        int (SceneManager::*leave)(int);
    };
    const Back cases[] = {
        {"game", 2, &SceneManager::onGameResult},
        {"ranking", 1, &SceneManager::onRankingResult},
    };
    for (const Back& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        tick();
        tick();
        manager->titleScene->endlessMode = 1;
        tickWith(&SceneManager::onTitleResult, c.titleResult);
        tick();
        tick();
        EXPECT_TRUE(tickWith(c.leave, 0));  // staying draws as usual
        int returned = -1;
        EXPECT_FALSE(tickWith(c.leave, 1, &returned));
        EXPECT_EQ(returned, 1);
        EXPECT_EQ(manager->gameScene, nullptr);
        EXPECT_EQ(manager->rankingScene, nullptr);
        EXPECT_EQ(manager->sceneKind, SceneManager::kTitle);
        EXPECT_FALSE(tick());
        EXPECT_NE(manager->titleScene, nullptr);
        EXPECT_EQ(manager->titleScene->endlessMode, 0);
        EXPECT_EQ(manager->endlessMode, 1);  // kept until the title is left again
        EXPECT_TRUE(tick());
    }
}

TEST_F(AppSceneManager, TitleResultThreeEndsTheProgramWithoutAnotherFrame) {
    tick();
    tick();
    int framesBefore = frames();
    int returned = -1;
    EXPECT_FALSE(tickWith(&SceneManager::onTitleResult, 3, &returned));
    EXPECT_EQ(returned, 0);
    EXPECT_EQ(frames(), framesBefore);
    EXPECT_EQ(manager->titleScene, nullptr);
    EXPECT_EQ(manager->updateIndex, 0);
}

TEST_F(AppSceneManager, OtherTitleResultsStay) {
    tick();
    for (int result : {0, 4, -1}) {
        int returned = -1;
        EXPECT_TRUE(tickWith(&SceneManager::onTitleResult, result, &returned));
        EXPECT_EQ(returned, 1);
        EXPECT_NE(manager->titleScene, nullptr);
    }
}

TEST_F(AppSceneManager, ReleaseAllTwiceIsHarmless) {
    tick();
    tick();
    tickWith(&SceneManager::onTitleResult, 2);
    tick();
    ASSERT_NE(manager->gameScene, nullptr);
    manager->releaseAll();
    EXPECT_EQ(manager->gameScene, nullptr);
    EXPECT_EQ(manager->titleScene, nullptr);
    EXPECT_EQ(manager->rankingScene, nullptr);
    manager->releaseAll();
    EXPECT_EQ(manager->gameScene, nullptr);
}

TEST_F(AppSceneManager, EveryFrameIsBracketedAndClearedToTheBackgroundColour) {
    tick();
    device->calls.clear();
    ASSERT_TRUE(tick());
    // The update before the frame moves the camera; the frame itself starts at BeginScene.
    const auto calls = lastFrame(device->calls);
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls.front().kind, CallKind::BeginScene);
    EXPECT_EQ(calls[1].kind, CallKind::Clear);
    EXPECT_EQ(calls[1].a, CLEAR_TARGET | CLEAR_ZBUFFER);
    EXPECT_EQ(calls[1].colour, 0xFF101012u);
    EXPECT_EQ(calls[calls.size() - 2].kind, CallKind::EndScene);
    EXPECT_EQ(calls.back().kind, CallKind::Present);
    std::vector<Colour> pixels;
    ASSERT_TRUE(device->readBackBuffer(pixels));
    EXPECT_EQ(pixels.front(), 0xFF101012u);
}

}  // namespace
}  // namespace hc
