// Start-up and shutdown of the program: the window, the device's render state, the failures and
// their messages, the single-instance lock.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/application.h"
#include "app_harness.h"
#include "engine/services.h"

namespace hc::test {
namespace {

TEST(AppStartUp, WindowIsTheFramedSizeCentredOnTheDesktopAndShownLast) {
    struct Case {
        Rect desktop;
        int x, y;
    };
    // 1286 x 729: the dialog frame (3) twice across, and twice plus the vertical one (3) down.
    const Case cases[] = {{{0, 0, 1920, 1080}, 317, 176}, {{0, 0, 1366, 768}, 40, 20}, {{0, 0, 1280, 720}, -3, -4}, {{0, 0, 1367, 769}, 40, 20}};
    for (const Case& c : cases) {
        ProgramHarness h;
        h.platform.desktop = c.desktop;
        bool shownBeforeLoop = false;
        h.observer.before = [&](Application&, int) { shownBeforeLoop = h.platform.windowShown; };
        h.observer.stopAfter = 1;
        h.run();
        EXPECT_EQ(h.platform.windowClass, "HOLLOW CREST");
        EXPECT_EQ(h.platform.windowTitle, "HOLLOW CREST");
        EXPECT_EQ(h.platform.windowWidth, 1286);
        EXPECT_EQ(h.platform.windowHeight, 729);
        EXPECT_EQ(h.platform.windowX, c.x);
        EXPECT_EQ(h.platform.windowY, c.y);
        EXPECT_TRUE(shownBeforeLoop);
        EXPECT_TRUE(h.platform.messageBoxes.empty());
    }
}

TEST(AppStartUp, BackBufferFollowsThePresentation) {
    struct Case {
        const char* name;
        PresentConfig present;
        int width, height;
    };
    const Case cases[] = {{"windowed", windowedPresent(), 1286, 729}, {"full screen", fullScreenPresent(), 1280, 720}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramHarness h;
        int width = 0, height = 0;
        h.observer.before = [&](Application&, int) {
            width = gDevice->backBufferWidth();
            height = gDevice->backBufferHeight();
        };
        h.observer.stopAfter = 1;
        h.run(c.present);
        EXPECT_EQ(h.platform.lastPresent.fullscreen, c.present.fullscreen);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
    }
}

TEST(AppStartUp, RenderStatesAreSetInOrderAfterTheDeviceIsCreated) {
    HeadlessPlatform platform;
    ScopedPlatform scoped(platform);
    Application app(platform, windowedPresent());
    app.windowWidth = 1286;
    app.windowHeight = 729;
    ASSERT_TRUE(app.init());
    std::vector<std::pair<RenderState, std::uint32_t>> states;
    for (const DeviceCall& c : gDevice->calls)
        if (c.kind == CallKind::SetRenderState) states.emplace_back(static_cast<RenderState>(c.a), c.value);
    const std::vector<std::pair<RenderState, std::uint32_t>> expected = {
        {RenderState::Lighting, 0},
        {RenderState::ZEnable, ZB_TRUE},
        {RenderState::ZWriteEnable, 1},
        {RenderState::ShadeMode, SHADE_GOURAUD},
        {RenderState::FillMode, FILL_SOLID},
        {RenderState::CullMode, CULL_CCW},
        {RenderState::AlphaBlendEnable, 1},
        {RenderState::SrcBlend, BLEND_SRCALPHA},
        {RenderState::DestBlend, BLEND_INVSRCALPHA},
        {RenderState::FogEnable, 0},
        {RenderState::FogTableMode, FOG_LINEAR},
        {RenderState::FogColor, 0xFF202020u},
        {RenderState::FogEnable, 1},
        {RenderState::FogStart, floatBits(1.0f)},
        {RenderState::FogEnd, floatBits(51.0f)},
    };
    ASSERT_GE(states.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(states[i].first, expected[i].first);
        EXPECT_EQ(states[i].second, expected[i].second);
    }
    // Nothing later in start-up undoes the fog or the blending.
    EXPECT_EQ(gDevice->renderState(RenderState::FogEnable), 1u);
    EXPECT_EQ(gDevice->renderState(RenderState::AlphaBlendEnable), 1u);
    app.shutdown();
    EXPECT_EQ(gDevice, nullptr);
    EXPECT_EQ(gSprite, nullptr);
    EXPECT_EQ(gFont, nullptr);
    EXPECT_EQ(gSoundDevice, nullptr);
}

struct FailureCase {
    const char* name;
    bool HeadlessPlatform::*flag;
    const char* text;
    const char* caption;
    SoundDeviceFailure soundFailure = SoundDeviceFailure::Device;
};

TEST(AppStartUp, EachFailureShowsItsMessageAndTheProgramStillExitsCleanly) {
    const FailureCase cases[] = {
        {"window class", &HeadlessPlatform::failWindowClass, "ウィンドウの設定の作成に失敗しました", "エラー"},
        {"window", &HeadlessPlatform::failWindow, "ウィンドウの設定の作成に失敗しました", "エラー"},
        {"device", &HeadlessPlatform::failDevice, "Direct3DDeviceの作成に失敗しました", "エラー"},
        {"sound device", &HeadlessPlatform::failSound, "DirectSoundCreate8に失敗しました", "エラー-DirectSound-"},
        {"sound context", &HeadlessPlatform::failSound, "協調レベルの設定に失敗しました", "エラー-DirectSound-",
         SoundDeviceFailure::Context},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramHarness h;
        h.platform.*c.flag = true;
        h.platform.soundFailure = c.soundFailure;
        EXPECT_EQ(h.run(), 0);
        ASSERT_EQ(h.platform.messageBoxes.size(), 1u);
        EXPECT_EQ(h.platform.messageBoxes[0].text, c.text);
        EXPECT_EQ(h.platform.messageBoxes[0].caption, c.caption);
        EXPECT_EQ(h.observer.exitReason, Application::ExitReason::StartFailed);
        EXPECT_EQ(h.observer.ticksRun, 0);
        EXPECT_FALSE(h.platform.windowShown);
        // Shutdown ran over the partial start-up.
        EXPECT_EQ(gDevice, nullptr);
        EXPECT_EQ(gSprite, nullptr);
    }
}

// Holds a lock file the way another running copy would.
class OtherCopy {
public:
    explicit OtherCopy(const std::string& name) {
        fd_ = open(instanceLockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        held = fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) == 0;
    }
    ~OtherCopy() {
        if (fd_ >= 0) close(fd_);
    }
    bool held = false;

private:
    int fd_ = -1;
};

std::string uniqueLockName(const char* what) {
    return std::string("刃-test-") + what + "-" + std::to_string(getpid());
}

TEST(AppStartUp, SecondCopyIsRefusedBeforeAnythingIsCreated) {
    std::string name = uniqueLockName("second");
    OtherCopy other(name);
    ASSERT_TRUE(other.held);
    ProgramHarness h;
    EXPECT_EQ(runProgram(h.platform, windowedPresent(), name, &h.observer), 0);
    ASSERT_EQ(h.platform.messageBoxes.size(), 1u);
    EXPECT_EQ(h.platform.messageBoxes[0].text, "多重起動はできません！");
    EXPECT_EQ(h.platform.messageBoxes[0].caption, "エラー");
    EXPECT_FALSE(h.platform.windowCreated);
    EXPECT_EQ(h.platform.devicesCreated, 0);
    EXPECT_FALSE(h.observer.finishedCalled);
    unlink(instanceLockPath(name).c_str());
}

TEST(AppStartUp, FirstCopyTakesTheLockAndKeepsIt) {
    std::string name = uniqueLockName("first");
    ProgramHarness h;
    h.observer.stopAfter = 1;
    runProgram(h.platform, windowedPresent(), name, &h.observer);
    EXPECT_TRUE(h.platform.messageBoxes.empty());
    EXPECT_EQ(h.observer.ticksRun, 1);
    // Held for the rest of the process: another copy is refused, this one may ask again.
    EXPECT_FALSE(OtherCopy(name).held);
    EXPECT_TRUE(acquireInstanceLock(name));
    unlink(instanceLockPath(name).c_str());
}

}  // namespace
}  // namespace hc::test
