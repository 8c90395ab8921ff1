#pragma once
#include <cstdint>

#include "platform/math3d.h"

namespace hc {

class SoundBuffer;

// Runs the knight's attacks: one action at a time through wind-up (phase 1), strike (2) and recovery
// (3), posing the blade every frame, pushing the body, and chaining a queued follow-up into the next.
class ActionController {
public:
    static constexpr int kHandlerCount = 13;  // action numbers 0..12; 1-5, 9 and 10 exist
    static constexpr int kHistoryLength = 5;
    static constexpr std::uint32_t kHolding = 1u;  // flags bit 0: an action holds the controller
    static constexpr std::uint32_t kQueued = 2u;   // flags bit 1: a follow-up is queued

    static constexpr std::int32_t kForwardCut = 1;
    static constexpr std::int32_t kLeftSweep = 2;
    static constexpr std::int32_t kRightSweep = 3;
    static constexpr std::int32_t kTurningCut = 4;
    static constexpr std::int32_t kThrust = 5;
    static constexpr std::int32_t kSpin = 9;
    static constexpr std::int32_t kFinisher = 10;
    static constexpr std::int32_t kFinisherMarker = 5;

    static constexpr float kCancelCost = 30.0f;
    static constexpr float kThrustCharge = 25.0f;
    static constexpr float kFinisherNeed = 150.0f;
    static constexpr float kFinisherCost = 200.0f;

    // One frame of an action: may turn the heading and adds the body's movement.
    using Handler = bool (ActionController::*)(float& heading, Vec3& movement, float& bodyPitch);

    SoundBuffer* swingSound = nullptr;
    SoundBuffer* impactSound = nullptr;
    Handler handlers[kHandlerCount] = {};
    std::int32_t action = 0;
    std::int32_t queued = 0;
    std::int32_t phase = 0;
    std::uint32_t flags = 0;
    bool charged = false;
    std::int32_t history[kHistoryLength] = {};  // newest first; a cancel pushes 0
    float poseYaw = 0;                          // degrees, added to the body heading
    float poseElevation = 0;                    // degrees: 0 blade up, 90 level forward, 270 back over the head
    Vec3 poseOffset{0, 0, 0};                   // subtracted from the hand point
    Vec3 hitScale{1, 1, 1};
    float strikeStartElevation = 0;
    float strikeYawTarget = 0;
    Vec3 dashVector{0, 0, 0};
    float spinTurn = 0;
    bool spinLeft = false;
    float finisherHeading = 0;
    std::uint32_t counter = 0;      // frames in the current phase
    std::uint32_t stepCounter = 0;  // frames of the strike's forward step
    float height = 0;               // the body's y, pulled back toward 0

    ActionController();

    bool init();
    void release();

    // Type 1..10 asks for an action, type 0 for a cancel. A refused request changes nothing. The
    // marker and angle come only with the finisher's flick.
    void request(std::int32_t type, float& gauge, std::int32_t marker = 0, float angle = 0.0f);
    // Once a frame: steps the running action or eases the idle pose. Writes the body's movement of this
    // frame; the heading is turned by spins and the finisher. False in the frame an action ends.
    bool step(float& heading, float bodyHeight, Vec3& movement, float& bodyPitch);
    // The cancel without gauge test or cost, for the knight's death: cuts off an action past its wind-up.
    void cutOff();

    bool running() const { return action != 0; }

private:
    void start(std::int32_t type);
    void pushHistory(std::int32_t type);
    void endStrike();
    void beginPhase(std::int32_t next, std::uint32_t startCounter);
    void strikeStep(float amount, float directionDegrees, Vec3& movement);
    void idle(Vec3& movement);
    void sinkHeight(float fraction, float snap, Vec3& movement);

    bool forwardCut(float& heading, Vec3& movement, float& bodyPitch);
    bool leftSweep(float& heading, Vec3& movement, float& bodyPitch);
    bool rightSweep(float& heading, Vec3& movement, float& bodyPitch);
    bool turningCut(float& heading, Vec3& movement, float& bodyPitch);
    bool thrust(float& heading, Vec3& movement, float& bodyPitch);
    bool spin(float& heading, Vec3& movement, float& bodyPitch);
    bool finisher(float& heading, Vec3& movement, float& bodyPitch);
};

}  // namespace hc
