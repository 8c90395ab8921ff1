#pragma once
#include <memory>

#include "engine/sound_buffer.h"
#include "engine/texture_cache.h"
#include "platform/device.h"
#include "scenes/ranking_entry.h"

namespace hc {

// The close of a run that earned a ranking place: the name entry, then the still credits screen with
// its blinking prompt, left with B through a fade to the full-screen picture. Lives in the game scene,
// which updates and draws only this once it has set active.
class EndingSequence {
public:
    static constexpr const char* kCreditPath = "Resource_Blade/UI/Credit_Title.png";

    std::unique_ptr<Texture> creditPicture;
    TextureEntry* chipSheet = nullptr;  // caption and prompt pictures
    int finished = 0;                   // the closing fade is complete
    int closingRequested = 0;
    int fadeLevel = 0;
    int blinkCounter = 0;  // 0 ... 60; the prompt shows above 30
    RankingEntry entry;
    int phase = 0;   // 0 name entry, 1 credits, 2 finished
    int active = 0;  // set by the game scene when the run ends
    SoundBuffer* bgm = nullptr;
    TextureEntry* fadeTexture = nullptr;

    bool init(int endlessMode);
    // 1 while the ending runs, 0 on the tick it is finished.
    int update();
    // 2-D pass. In phase 0 the game scene's 3-D pass draws entry.backdrop.
    void draw();
    void release();
};

}  // namespace hc
