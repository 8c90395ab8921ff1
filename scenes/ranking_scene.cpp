#include "scenes/ranking_scene.h"

#include <algorithm>

#include "engine/input_state.h"
#include "engine/services.h"
#include "platform/image.h"

namespace hc {

namespace {
constexpr Colour kColourKey = 0xFF00FF00u;
constexpr int kSheetWidth = 1920;
constexpr int kSheetHeight = 1080;
}  // namespace

bool RankingScene::init(int endlessMode) {
    if (!backdrop.init()) return false;
    sheet = createTextureFromFile(*gDevice, kSheetPath, kSheetWidth, kSheetHeight, kColourKey);
    if (!sheet) {
        showError("テクスチャの読み込みに失敗しました");
        return false;
    }
    if (!TextureCache::load(fadeTexture, kFadePath)) return false;
    showsNormalList = endlessMode ? 0 : 1;
    if (!table.read(endlessMode ? kEndlessListPath : kNormalListPath)) return false;
    repeatTimer = 0;
    return SoundBuffer::load(kMusicPath, bgm) && SoundBuffer::load(kSelectSoundPath, selectSound) &&
           SoundBuffer::load(kDecideSoundPath, decideSound);
}

int RankingScene::update() {
    backdrop.update();
    bgm->keepAlive();

    // Sounds here are never rewound: stop, then play on from where they are.
    if (gInput.padHit(kLeaveButton)) {
        decideSound->stop();
        decideSound->play();
        leaving = 1;
        return 0;
    }

    if (repeatTimer > kRepeatTicks) {
        const float y = gInput.leftStickY;
        if (y < -kStickBand) {
            selectSound->stop();
            selectSound->play();
            scroll = std::max(scroll - kPageRows, 0.0f);
            repeatTimer = 0;
        }
        if (y > kStickBand) {
            // The sound plays even on the last page, where the list cannot move.
            selectSound->stop();
            selectSound->play();
            if (static_cast<float>(table.count() - kPageRows) >= scroll + 1) scroll += kPageRows;
            repeatTimer = 0;
        }
    } else {
        repeatTimer += 1;
    }

    arrowPhase += 1;
    if (arrowPhase >= kArrowCycle) arrowPhase = 0;

    return fadeLevel >= 255 ? 1 : 0;
}

void RankingScene::drawBackdrop() { backdrop.draw(); }

void RankingScene::release() {
    table.release();
    TextureCache::release(fadeTexture);
    fadeTexture = nullptr;
    SoundBuffer::release(decideSound);
    SoundBuffer::release(selectSound);
    SoundBuffer::release(bgm);
    decideSound = selectSound = bgm = nullptr;
    sheet.reset();
    backdrop.release();
}

}  // namespace hc
