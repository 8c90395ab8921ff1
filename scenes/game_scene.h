#pragma once
#include <cstdint>

#include "engine/pad_button.h"
#include "game/enemy_manager.h"
#include "game/field.h"
#include "game/hud.h"
#include "game/player.h"
#include "scenes/ending_sequence.h"
#include "scenes/scenario_event.h"

namespace hc {

class SoundBuffer;

// One run of the game, from the first stage to the knight's defeat or the end of the last stage,
// followed by the ending. Each tick it decides who may act: a story event that freezes the knight, the
// combat step, the change between two stages, the clear bonus, the defeat and the hand-over to the
// ending. update returns 1 when the run is over (back to the title), 0 to stay.
class GameScene {
public:
    static constexpr PadButton kConfirmButton = PadButton::B;  // go on after a clear or a defeat
    static constexpr PadButton kRemarkSkipButton = PadButton::RightStick;
    // The ending's name entry shows the run's own record in the sixth row.
    static constexpr std::int32_t kOwnRecordPosition = 6;
    // A defeat from this stage on goes through the ending; earlier ones straight back to the title.
    static constexpr std::uint32_t kFirstRankedStage = 4;
    static constexpr std::uint32_t kLastStoryStage = 30;

    Field field;
    Player player;
    EnemyManager enemies;
    Hud hud;
    ScenarioEvent scenario;
    EndingSequence ending;
    std::int32_t score = 0;
    SoundBuffer* bgm = nullptr;

    GameScene();
    ~GameScene();
    GameScene(const GameScene&) = delete;
    GameScene& operator=(const GameScene&) = delete;

    bool init(int endlessMode);
    int update(int endlessMode);
    void draw3D();
    void draw2D(int endlessMode);
    void release();

    // Points added when B confirms a cleared stage.
    static std::int32_t clearBonus(int endlessMode, std::uint32_t stageNumber);
    // The score after adding delta: never below 0, and held at the largest value rather than wrapping.
    static std::int32_t addToScore(std::int32_t current, std::int64_t delta);

private:
    // The clear handling of a tick; returns true when the tick ends there.
    bool handleClear(int endlessMode);
    // One frame of the stage change; on arrival the next wave and the start cell.
    void stepStageChange(int endlessMode, bool clearFinished);
    // The combat step of a tick in its four cases; returns true when the tick ends there.
    bool combat(int endlessMode, std::int32_t& delta);
    void startEnding();
    void stepRemarks(int endlessMode);
};

}  // namespace hc
