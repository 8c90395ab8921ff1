#pragma once
#include <memory>
#include <string>

#include "engine/sound_buffer.h"
#include "engine/texture_cache.h"
#include "platform/device.h"
#include "scenes/backdrop_stage.h"
#include "scenes/ranking_table.h"

namespace hc {

// The name entry at the end of a run that earned a ranking place: the top five of the mode's list with
// the run's own stage and score in a sixth row, where the player types five letters with the pad (the
// stick changes the letter, B confirms it, A takes the last one back). The fifth confirm writes the
// entry into the ranking file and fades to the full-screen picture.
class RankingEntry {
public:
    static constexpr int kSlotCount = 5;
    static constexpr int kBlank = 26;  // the letter after Z, stored as a space
    static constexpr const char* kSheetPath = "Resource_Blade/Ranking/ranking_chip.png";
    static constexpr const char* kNormalPath = "Resource_Blade/Ranking/ranking_date";
    static constexpr const char* kEndlessPath = "Resource_Blade/Ranking/inf_ranking_date";

    struct Slot {
        int letter = kBlank;  // 0 ... 26 while typing; the character code once committed
        int filled = 0;
    };

    std::unique_ptr<Texture> sheet;
    SoundBuffer* selectSound = nullptr;  // a letter confirmed or taken back
    SoundBuffer* letterSound = nullptr;  // the letter changed
    Slot slots[kSlotCount];
    int currentLetter = 0;  // under the cursor
    int cursorSlot = 1;     // 1 ... 5; 6 only in the tick of the commit
    float repeatTimer = 0;  // ticks since the last letter change
    RankingTable table;
    RankingRecord ownRecord;  // filled by the game scene when the ending starts
    BackdropStage backdrop;
    float arrowOffset = 0;  // 0 ... 14
    int done = 0;           // the closing fade is complete
    int written = 0;        // the name is committed and the file written
    unsigned int fadeLevel = 0;
    int endlessMode = 0;

    bool init(int endlessModeIn);
    // 1 while running, 0 once done.
    int update();
    void draw(TextureEntry* fadeTexture);  // 2-D pass
    void release();

    static const char* rankingPath(int endless) { return endless ? kEndlessPath : kNormalPath; }

private:
    int firstOpenSlot() const;  // index of the first slot not filled, -1 when all are
    void commit();
    void drawCell(const Rect& source, float x, float y);
    void drawNumber(int value, float right, float y);
    void drawStoredRow(const RankingRecord& record);
};

}  // namespace hc
