// Every scene gives back all it loaded: after a scene's release the texture, mesh and sound caches
// hold nothing, whatever the scene went through meanwhile.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/application.h"
#include "app/scene_manager.h"
#include "engine/input_state.h"
#include "engine/mesh_cache.h"
#include "engine/services.h"
#include "engine/sound_buffer.h"
#include "engine/texture_cache.h"
#include "platform/headless/headless_platform.h"

namespace hc {
namespace {

class InFolder {
public:
    explicit InFolder(const std::filesystem::path& path) : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~InFolder() { std::filesystem::current_path(saved_); }

private:
    std::filesystem::path saved_;
};

struct CacheSizes {
    std::size_t textures = TextureCache::size();
    std::size_t meshes = MeshCache::size();
    std::size_t sounds = soundCacheSize();
};

void expectEmpty(const char* when) {
    CacheSizes s;
    EXPECT_EQ(s.textures, 0u) << when;
    EXPECT_EQ(s.meshes, 0u) << when;
    EXPECT_EQ(s.sounds, 0u) << when;
}

// The program's services on the headless back end, started in the runtime folder.
class SceneReleaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* runtime = std::getenv("HC_RUNTIME_DIR");
        if (!runtime) GTEST_SKIP() << "HC_RUNTIME_DIR not set";
        folder_ = std::make_unique<InFolder>(runtime);
        scoped_ = std::make_unique<ScopedPlatform>(platform);
        app_ = std::make_unique<Application>(platform, windowedPresent());
        app_->windowWidth = 1286;
        app_->windowHeight = 729;
        ASSERT_TRUE(app_->init());
        gDevice->recording = false;  // hundreds of frames; nothing reads the log
        expectEmpty("after start-up");
    }
    void TearDown() override {
        if (app_) {
            app_->shutdown();
            expectEmpty("after shutdown");
        }
        app_.reset();
        scoped_.reset();
        folder_.reset();
    }

    // Creates the scene through the scene manager's own entries and runs it for some ticks: the left
    // stick walks in a square, the right stick flicks every so often, and B is tapped now and then when
    // asked for. Then the scene is released as the program releases it.
    void play(int sceneKind, int endless, int ticks, bool pressB) {
        SceneManager& scenes = app_->scenes;
        const int entry = sceneKind == SceneManager::kTitle ? 0 : sceneKind == SceneManager::kRanking ? 2
                                                                                                      : 4;
        scenes.sceneKind = sceneKind;
        scenes.updateIndex = entry;
        scenes.drawIndex = entry;
        scenes.endlessMode = endless;
        JoyState& pad = platform.input->pad;
        for (int t = 0; t < ticks; ++t) {
            pad = JoyState{};
            const int side = (t / 40) % 4;
            pad.lX = side == 0 ? 800 : side == 2 ? -800
                                                 : 0;
            pad.lY = side == 1 ? 800 : side == 3 ? -800
                                                 : 0;
            if (t % 30 < 3) pad.lRx = (t / 30) % 2 ? 1000 : -1000;
            if (pressB && t % 45 == 0) pad.rgbButtons[padIndex(PadButton::B)] = 0x80;
            gInput.update();
            ASSERT_NE(scenes.update(), 0) << "the scene ended the program at tick " << t;
            scenes.draw();
            ASSERT_EQ(scenes.sceneKind, sceneKind) << "the scene was left at tick " << t;
            if (t == 1) {
                CacheSizes held;
                EXPECT_GT(held.textures + held.meshes + held.sounds, 0u) << "the scene loaded nothing";
            }
        }
        scenes.releaseAll();
    }

    HeadlessPlatform platform;

private:
    std::unique_ptr<InFolder> folder_;
    std::unique_ptr<ScopedPlatform> scoped_;
    std::unique_ptr<Application> app_;
};

TEST_F(SceneReleaseTest, TitleGivesEverythingBack) {
    for (int round = 0; round < 2; ++round) {
        play(SceneManager::kTitle, 0, 240, false);
        expectEmpty("after the title's release");
    }
}

TEST_F(SceneReleaseTest, RankingGivesEverythingBackInBothModes) {
    for (int endless = 0; endless < 2; ++endless) {
        SCOPED_TRACE(endless ? "endless" : "story");
        play(SceneManager::kRanking, endless, 240, false);
        expectEmpty("after the ranking's release");
    }
}

TEST_F(SceneReleaseTest, GameGivesEverythingBackInBothModes) {
    for (int endless = 0; endless < 2; ++endless) {
        SCOPED_TRACE(endless ? "endless" : "story");
        play(SceneManager::kGame, endless, 900, true);
        expectEmpty("after the game's release");
    }
}

}  // namespace
}  // namespace hc
