#include "game/hud.h"

#include <algorithm>

#include "platform/math3d.h"

namespace hc {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr std::uint32_t kLargestStageShown = 999;
constexpr float kFullGauge = 300.0f;
constexpr int kFullGaugePixels = 286;
constexpr std::int32_t kMostHeartsDrawn = 32;  // a bound for the row, far above any real hit points

const Rect kStagePlate{604, 0, 763, 177};
const Rect kStatusPanel{0, 355, 484, 465};
const Rect kHeart{338, 633, 375, 660};
const Rect kDial{0, 504, 207, 689};
const Rect kNeedle{208, 579, 304, 689};
const Rect kEventPanel{0, 177, 604, 355};
const Rect kPromptIcon{338, 595, 363, 620};
const Rect kClearBanner{0, 813, 855, 924};
const Rect kClearCaption{484, 358, 719, 395};
const Rect kButtonIcon{719, 358, 769, 411};
const Rect kDefeatBanner{0, 924, 789, 1024};
const Rect kDefeatToTitle{484, 395, 699, 432};
const Rect kDefeatToEntry{484, 432, 789, 469};

Rect largeDigit(std::uint32_t d) { return {static_cast<std::int32_t>(30 * d), 693, static_cast<std::int32_t>(30 * d + 30), 740}; }
Rect smallDigit(std::uint32_t d) { return {static_cast<std::int32_t>(20 * d), 740, static_cast<std::int32_t>(20 * d + 20), 769}; }
Rect scoreDigit(std::uint32_t d) { return {static_cast<std::int32_t>(16 * d), 769, static_cast<std::int32_t>(16 * d + 16), 791}; }

}  // namespace

void Hud::advanceBlink() {
    blink += 1;
    if (blink > 60) blink = 0;
}

void Hud::drawAt(const Rect& source, float x, float y) {
    Matrix at = matrixTranslation(x, y, 0.0f);
    drawSprite(sheet, &at, nullptr, &source);
}

void Hud::drawRotated(const Rect& source, float centreX, float centreY, float radians, float atX, float atY) {
    Matrix m = matrixMultiply(matrixTranslation(-centreX, -centreY, 0.0f), matrixRotationZ(radians));
    m = matrixMultiply(m, matrixTranslation(atX, atY, 0.0f));
    drawSprite(sheet, &m, nullptr, &source);
}

int Hud::stageDigitX(std::uint32_t stageNumber, int digit) {
    if (stageNumber < 10) return 100;
    if (stageNumber < 100) return 115 - 30 * digit;
    return 134 - 30 * digit;
}

void Hud::drawSmallNumber(std::uint32_t value, float onesX) {
    float x = onesX;
    do {
        drawAt(smallDigit(value % 10), x, 134.0f);
        value /= 10;
        x -= 13.0f;
    } while (value != 0);
}

void Hud::drawMain(std::uint32_t stageNumber, std::int32_t enemyTotal, std::int32_t enemiesLeft,
                   const CharacterBase& player, std::uint32_t gauge, float headingDegrees, std::int32_t score) {
    advanceBlink();
    drawAt(kStagePlate, 10.0f, 10.0f);

    const std::uint32_t shown = std::min(stageNumber, kLargestStageShown);
    std::uint32_t stage = shown;
    int digit = 0;
    do {
        drawAt(largeDigit(stage % 10), static_cast<float>(stageDigitX(shown, digit)), 58.0f);
        stage /= 10;
        ++digit;
    } while (stage != 0);

    drawSmallNumber(static_cast<std::uint32_t>(std::max(enemyTotal, 0)), 153.0f);
    drawSmallNumber(static_cast<std::uint32_t>(std::max(enemiesLeft, 0)), 106.0f);

    drawAt(kStatusPanel, 358.0f, 572.0f);
    const std::int32_t hearts = std::min(player.hitPoints, kMostHeartsDrawn);
    for (std::int32_t i = 0; i < hearts; ++i) drawAt(kHeart, 522.0f + 56.0f * static_cast<float>(i), 578.0f);

    int width = static_cast<int>(static_cast<float>(gauge) / kFullGauge * static_cast<float>(kFullGaugePixels));
    width = std::clamp(width, 0, kFullGaugePixels);
    drawAt(Rect{338, 677, 338 + width, 687}, 514.0f, 632.0f);

    std::uint32_t value = static_cast<std::uint32_t>(std::max(score, 0));
    float x = 844.0f;
    do {
        drawAt(scoreDigit(value % 10), x, 655.0f);
        value /= 10;
        x -= 16.0f;
    } while (value != 0);

    const float angle = headingDegrees * kDegreesToRadians;
    drawRotated(kDial, 103.5f, 92.5f, angle, 1155.5f, 578.5f);
    drawRotated(kNeedle, 47.0f, 45.0f, angle, 1157.0f, 579.0f);
}

void Hud::drawEventPanel() {
    drawAt(kEventPanel, 341.0f, 505.0f);
    advanceBlink();
    if (blinkShown()) drawRotated(kPromptIcon, 12.5f, 12.5f, blink * kDegreesToRadians, 895.5f, 627.5f);
}

void Hud::drawClear() {
    drawAt(kClearBanner, 255.0f, 287.0f);
    drawAt(kClearCaption, 733.0f, 426.0f);
    if (blinkShown()) drawAt(kButtonIcon, 972.0f, 410.0f);
}

void Hud::drawDefeat(bool early) {
    drawAt(kDefeatBanner, 255.0f, 287.0f);
    if (early) {
        drawAt(kDefeatToTitle, 733.0f, 426.0f);
    } else {
        drawAt(kDefeatToEntry, 643.0f, 426.0f);
    }
    if (blinkShown()) drawAt(kButtonIcon, 972.0f, 410.0f);
}

}  // namespace hc
