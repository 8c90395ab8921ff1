#pragma once
// Shared pieces of the front-end scene tests: the services on the headless back end (the files are in
// front_end_files.h).
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/camera.h"
#include "engine/input_state.h"
#include "engine/mesh_cache.h"
#include "engine/services.h"
#include "engine/sound_buffer.h"
#include "engine/texture_cache.h"
#include "front_end_files.h"
#include "platform/headless/headless_device.h"
#include "platform/headless/headless_sound_device.h"
#include "platform/sprite.h"
#include "test_platform.h"
#include "tests/support/service_guard.h"

namespace hc::frontend {

// The process-wide services a scene uses, on the headless back end, torn down afterwards. Tests that
// load files also get a scratch working folder.
class FrontEndServices : public ::testing::Test {
protected:
    testsupport::ServiceGuard services{{.input = false, .camera = true}};  // input: clearInput below
    test::ScopedTestPlatform& scopedPlatform = services.scope;
    std::unique_ptr<Device>& device = services.device;
    std::unique_ptr<Sprite>& sprite = services.sprite;
    std::unique_ptr<SoundDevice>& sound = services.sound;

    FrontEndServices() {
        clearInput();
        device->recording = true;
    }
    ~FrontEndServices() override { clearInput(); }

    static void clearInput() {
        gInput.padHeld = gInput.padPressed = 0;
        gInput.keyHeld = gInput.keyPressed = 0;
        gInput.leftStickX = gInput.leftStickY = 0;
        gInput.rightStickX = gInput.rightStickY = 0;
        gInput.zAxis = 0;
    }

    // Input of one tick: the stick's y and the pad buttons held; a button counts as newly pressed when
    // it was not held in the tick before.
    void setInput(float stickY, std::uint32_t held) {
        gInput.leftStickY = stickY;
        gInput.padPressed = held & ~gInput.padHeld;
        gInput.padHeld = held;
    }

    std::vector<test::Shown>& messages() { return scopedPlatform.platform.messages; }

    void advanceSeconds(double seconds) { scopedPlatform.platform.manualClock.advanceSeconds(seconds); }

    // Everything the scenes load is given back.
    static void expectCachesEmpty() {
        EXPECT_EQ(TextureCache::size(), 0u);
        EXPECT_EQ(MeshCache::size(), 0u);
        EXPECT_EQ(soundCacheSize(), 0u);
    }

    // Sprite pass of one frame: what the draw function drew between sprite begin and end.
    template <typename Draw>
    std::vector<ScreenDraw> spritePass(Draw draw) {
        device->calls.clear();
        sprite->begin(SPRITE_ALPHABLEND);
        draw();
        sprite->end();
        return screenDraws(device->calls);
    }
};

}  // namespace hc::frontend
