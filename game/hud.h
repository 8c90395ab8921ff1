#pragma once
#include <cstdint>

#include "engine/texture_cache.h"
#include "game/character_base.h"

namespace hc {

// The in-game overlay, every piece one rectangle of the interface sheet.
class Hud {
public:
    TextureEntry* sheet = nullptr;  // loaded and released by the game scene
    float blink = 0;                // 0 ... 60; blinking pieces show while above 30

    void drawMain(std::uint32_t stageNumber, std::int32_t enemyTotal, std::int32_t enemiesLeft,
                  const CharacterBase& player, std::uint32_t gauge, float headingDegrees, std::int32_t score);
    void drawEventPanel();
    void drawClear();
    void drawDefeat(bool early);

    // Screen x of each digit drawn for a number, ones digit first (exposed for the layout tests).
    static int stageDigitX(std::uint32_t stageNumber, int digit);

private:
    void advanceBlink();
    bool blinkShown() const { return blink > 30; }
    void drawAt(const Rect& source, float x, float y);
    void drawRotated(const Rect& source, float centreX, float centreY, float radians, float atX, float atY);
    void drawSmallNumber(std::uint32_t value, float onesX);
};

}  // namespace hc
