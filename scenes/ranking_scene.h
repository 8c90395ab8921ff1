#pragma once
#include <memory>

#include "engine/pad_button.h"
#include "engine/sound_buffer.h"
#include "engine/texture_cache.h"
#include "platform/device.h"
#include "scenes/backdrop_stage.h"
#include "scenes/ranking_table.h"

namespace hc {

// The ranking screen: the entries of one ranking file, six rows a page, over the orbiting stage; pad
// button 1 leaves through a fade. The list itself is drawn by the scene manager's 2-D pass from these
// fields. update returns 1 to leave for the title, 0 to stay.
class RankingScene {
public:
    static constexpr const char* kSheetPath = "Resource_Blade/Ranking/ranking_chip.png";
    static constexpr const char* kFadePath = "Resource_Blade/end_secnのコピー.png";
    static constexpr const char* kMusicPath = "Resource_Blade/BGM/Lullow/Ranking.wav";
    static constexpr const char* kSelectSoundPath = "Resource_Blade/SE/Harbor Tone Works/title_select_se.wav";
    static constexpr const char* kDecideSoundPath = "Resource_Blade/SE/Harbor Tone Works/title_se.wav";
    static constexpr const char* kNormalListPath = "Resource_Blade/Ranking/ranking_date";
    static constexpr const char* kEndlessListPath = "Resource_Blade/Ranking/inf_ranking_date";

    static constexpr int kPageRows = 6;
    static constexpr float kRepeatTicks = 12;  // a held stick steps once the timer is past this
    static constexpr float kStickBand = 500.0f;
    static constexpr float kArrowCycle = 45;
    static constexpr PadButton kLeaveButton = PadButton::B;

    std::unique_ptr<Texture> sheet;
    TextureEntry* fadeTexture = nullptr;
    SoundBuffer* bgm = nullptr;
    SoundBuffer* selectSound = nullptr;
    SoundBuffer* decideSound = nullptr;
    RankingTable table;
    float scroll = 0;       // first row shown, a multiple of 6
    float repeatTimer = 0;  // ticks since the last scroll step
    BackdropStage backdrop;
    int leaving = 0;
    unsigned int fadeLevel = 0;  // raised by the 2-D pass while leaving
    int showsNormalList = 0;
    float arrowPhase = 0;  // 0 ... 44

    bool init(int endlessMode);
    int update();
    void drawBackdrop();  // 3-D pass
    void release();
};

}  // namespace hc
