#include "scenes/ending_sequence.h"

#include <cstdio>

#include "engine/input_state.h"
#include "engine/services.h"
#include "platform/image.h"

namespace hc {

namespace {

constexpr Colour kWhite = 0xFFFFFFFFu;
constexpr Colour kColourKey = 0xFF00FF00u;
constexpr int kBlinkPeriod = 60;  // the counter runs 0 ... 60
constexpr int kBlinkShown = 30;   // the prompt shows while the counter is above this
constexpr int kFadeStep = 3;

}  // namespace

bool EndingSequence::init(int endlessMode) {
    if (gDevice) creditPicture = createTextureFromFile(*gDevice, kCreditPath, 1280, 720, kColourKey);
    if (!TextureCache::load(chipSheet, "Resource_Blade/UI/CorvanChip.png")) return false;
    if (!creditPicture) {
        char message[256];
        std::snprintf(message, sizeof message, "テクスチャの読み込みに失敗しました\nファイル名 \"%s\"", kCreditPath);
        showError(message);
        return false;
    }
    if (!entry.init(endlessMode)) return false;
    if (!SoundBuffer::load("Resource_Blade/BGM/Lullow/Ranking.wav", bgm)) return false;
    if (!TextureCache::load(fadeTexture, "Resource_Blade/end_secnのコピー.png")) return false;
    return true;
}

int EndingSequence::update() {
    // Stopped and played each tick: it plays on, and starts again once it has played to its end.
    if (bgm) {
        bgm->stop();
        bgm->play();
    }
    switch (phase) {
    case 0:
        if (entry.update() == 0) phase = 1;
        return 1;
    case 1:
        if (gInput.padHit(PadButton::B)) closingRequested = 1;
        blinkCounter += 1;
        if (blinkCounter > kBlinkPeriod) blinkCounter = 0;
        if (finished) {
            phase = 2;
            return 0;
        }
        return 1;
    default:
        return 1;
    }
}

void EndingSequence::draw() {
    if (!gSprite) return;
    if (phase == 0) {
        entry.draw(fadeTexture);
        return;
    }
    if (phase != 1) return;

    gSprite->setTransform(Matrix::identity());
    gSprite->draw(creditPicture.get(), nullptr, nullptr, nullptr, kWhite);

    const Matrix captionAt = matrixTranslation(930, 600, 0);
    const Rect caption{484, 395, 699, 432};
    drawSprite(chipSheet, &captionAt, nullptr, &caption);

    if (blinkCounter > kBlinkShown) {
        const Matrix promptAt = matrixTranslation(1160, 592, 0);
        const Rect prompt{719, 358, 769, 411};
        drawSprite(chipSheet, &promptAt, nullptr, &prompt);
    }

    if (closingRequested) {
        fadeLevel += kFadeStep;
        if (fadeTexture) {
            gSprite->setTransform(Matrix::identity());
            gSprite->draw(fadeTexture->texture.get(), nullptr, nullptr, nullptr,
                          (static_cast<Colour>(fadeLevel) << 24) | 0x00FFFFFFu);
        }
        if (fadeLevel > 254) {
            fadeLevel = 0;
            finished = 1;
        }
    }
}

void EndingSequence::release() {
    TextureCache::release(fadeTexture);
    fadeTexture = nullptr;
    if (bgm) bgm->stop();
    SoundBuffer::release(bgm);
    bgm = nullptr;
    entry.release();
    TextureCache::release(chipSheet);
    chipSheet = nullptr;
    creditPicture.reset();
}

}  // namespace hc
