#pragma once
#include <cstdint>
#include <memory>

#include "game/enemy_base.h"

namespace hc {

// The approach walk of the enemies through a crowd: each walks along its heading and eases around the
// other enemies on the field, so that golems converging on the knight do not walk into each other. It
// remembers, per enemy of the wave, the heading it walked and the side it passes a blocker on.
class EnemySteering {
public:
    // Only enemies this close are looked at.
    static constexpr float kLookRadius = 1.5f;
    // Closer than this to a probe, the pair is pushed apart...
    static constexpr float kPushRadius = 0.72f;
    static constexpr float kPushFactor = 0.92f;
    // ...closer than this, the walker turns away from the enemy in its path...
    static constexpr float kBlockRadius = 0.88f;
    // ...by the wider turn when the blocker is closer than this.
    static constexpr float kCloseRadius = 0.78f;
    static constexpr float kTurn = 90.0f;
    static constexpr float kWideTurn = 100.0f;
    static constexpr float kSlightTurn = 15.0f;
    // Full widths of the forward cones in which an enemy blocks the path, and the way out of it.
    static constexpr float kBlockCone = 125.0f;
    static constexpr float kExitCone = 130.0f;
    // Side probes sit this far to the left and right of the walker.
    static constexpr float kSideProbe = 0.3f;
    static constexpr std::uint32_t kAvoidCycle = 32;  // avoidCounter runs 0..31
    static constexpr std::uint32_t kAvoidPause = 81;  // avoidPause runs 1..81
    // Fraction of the way to a new walking direction that a golem turns each frame.
    static constexpr float kTurnEase = 0.2f;

    // Forgets the memory (a new wave).
    void reset();
    // Once a frame before the walkers move; a wave of another size starts a fresh memory.
    void beginFrame(std::int32_t count);
    // Sets the move of enemy `index` for this frame. `speed` is its walking step; `mayTurn` lets the
    // steering turn its heading (otherwise only the push acts and the step stays along the heading).
    void approach(EnemyBase* wave, std::int32_t count, std::int32_t index, float speed, bool mayTurn);

private:
    struct Track {
        float heading = 0;        // the heading walked
        float side = 0;           // -1 or 1 while passing a blocker, else 0
        std::uint32_t frame = 0;  // the frame it was walked in
    };
    std::unique_ptr<Track[]> tracks_;
    std::int32_t trackCount_ = 0;
    std::uint32_t frame_ = 1;  // fresh tracks (frame 0) were never walked the frame before
};

}  // namespace hc
