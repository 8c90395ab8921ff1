#pragma once
#include <cstdint>
#include <memory>

#include "engine/pad_button.h"
#include "engine/sound_buffer.h"
#include "engine/texture_cache.h"
#include "platform/device.h"
#include "scenes/backdrop_stage.h"

namespace hc {

// The title screen: the logo and a three-item menu over the orbiting stage. A confirmed choice fades
// the screen to the fade picture, then update reports it (Result).
class TitleScene {
public:
    // Menu items by cursor value; the numbering is not the order on screen (start, ranking, quit).
    enum : int { kRankingItem = 0,
                 kStartItem = 1,
                 kQuitItem = 2 };
    // What update returns: stay on the title, or leave it for the ranking, the game or the end.
    enum Result : int { kStay = 0,
                        kToRanking = 1,
                        kToGame = 2,
                        kQuit = 3 };

    static constexpr const char* kFadePath = "Resource_Blade/end_secnのコピー.png";
    static constexpr const char* kSheetPath = "Resource_Blade/UI/CorvaneTitle_Chip.png";
    static constexpr const char* kMusicPath = "Resource_Blade/BGM/Tidewell/Op.wav";
    static constexpr const char* kSelectSoundPath = "Resource_Blade/SE/Harbor Tone Works/title_select_se.wav";
    static constexpr const char* kDecideSoundPath = "Resource_Blade/SE/Harbor Tone Works/title_se.wav";

    static constexpr float kStickBand = 500.0f;  // the stick is neutral from -500 to 500, both ends included
    static constexpr PadButton kConfirmButton = PadButton::B;
    static constexpr PadButton kEndlessButton = PadButton::X;

    BackdropStage backdrop;
    TextureEntry* titleSheet = nullptr;
    std::unique_ptr<Texture> fadeTexture;
    SoundBuffer* bgm = nullptr;
    SoundBuffer* selectSound = nullptr;
    SoundBuffer* decideSound = nullptr;
    int cursor = 0;
    int decided = 0;
    int fadeDone = 0;
    int stickLatched = 0;
    std::int16_t fadeLevel = 0;
    int endlessMode = 0;  // 1 when the choice was confirmed with pad button 2 held

    bool init();
    int update();
    void drawBackground();  // 3-D pass, between the clear and the sprite begin
    void drawSprites();     // 2-D pass, inside the sprite bracket
    void release();
};

// The closing fade: raises level by 3 and draws the whole texture in white with that alpha. True (and
// level back to 0) once the level reached 255, so from 0 it takes 85 draws, the last one opaque.
bool drawFade(Texture* texture, std::int16_t& level);

}  // namespace hc
