#include "game/action_controller.h"

#include <cmath>

#include "engine/sound_buffer.h"

namespace hc {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;

float sinDeg(float degrees) { return std::sin(degrees * kDegreesToRadians); }
float cosDeg(float degrees) { return std::cos(degrees * kDegreesToRadians); }

// Moves v the fraction f of its distance toward target.
void ease(float& v, float target, float f) { v -= (v - target) * f; }

void easeOffset(Vec3& offset, Vec3 target, float f) {
    ease(offset.x, target.x, f);
    ease(offset.y, target.y, f);
    ease(offset.z, target.z, f);
}

// Turns both the spin's running angle and the heading toward the spin target.
void turnSpin(float& spinTurn, float& heading, float target, float f) {
    float before = spinTurn;
    ease(spinTurn, target, f);
    heading += spinTurn - before;
}

}  // namespace

ActionController::ActionController() {
    handlers[kForwardCut] = &ActionController::forwardCut;
    handlers[kLeftSweep] = &ActionController::leftSweep;
    handlers[kRightSweep] = &ActionController::rightSweep;
    handlers[kTurningCut] = &ActionController::turningCut;
    handlers[kThrust] = &ActionController::thrust;
    handlers[kSpin] = &ActionController::spin;
    handlers[kFinisher] = &ActionController::finisher;
}

bool ActionController::init() {
    if (!SoundBuffer::load("Resource_Blade/SE/Harbor Tone Works/slash.wav", swingSound)) return false;
    if (!SoundBuffer::load("Resource_Blade/SE/Morrowbell/Slams.wav", impactSound)) return false;
    action = queued = phase = 0;
    flags = 0;
    charged = false;
    for (auto& h : history) h = 0;
    poseYaw = poseElevation = 0;
    poseOffset = Vec3{0, 0, 0};
    hitScale = Vec3{1, 1, 1};
    dashVector = Vec3{0, 0, 0};
    spinTurn = 0;
    counter = stepCounter = 0;
    height = 0;
    return true;
}

void ActionController::release() {
    SoundBuffer::release(swingSound);
    swingSound = nullptr;
    SoundBuffer::release(impactSound);
    impactSound = nullptr;
}

void ActionController::pushHistory(std::int32_t type) {
    for (int i = kHistoryLength - 1; i > 0; --i) history[i] = history[i - 1];
    history[0] = type;
}

void ActionController::cutOff() {
    if (action == 0 || phase < 2) return;
    phase = 0;
    counter = 1;
    pushHistory(0);
    action = 0;
    flags = 0;
    // A finisher cut off in its strike must not leave its long reach behind.
    hitScale = Vec3{1, 1, 1};
    if (swingSound) swingSound->stop();
}

void ActionController::request(std::int32_t type, float& gauge, std::int32_t marker, float angle) {
    if (type == 0 && action != 0 && phase >= 2 && gauge >= kCancelCost) {
        cutOff();
        gauge -= kCancelCost;
    }

    bool strikeUnderWay = phase == 1 || phase == 2;
    if (flags & kQueued) {
        if (strikeUnderWay) return;
    } else if (marker == 0) {
        // A flick in another direction during a sweep turns it into a spin when its strike ends.
        if ((action == kLeftSweep || action == kRightSweep) && strikeUnderWay && type != action) {
            queued = kSpin;
            flags |= kQueued;
        }
    } else if (marker == kFinisherMarker) {
        if (action == kThrust && strikeUnderWay && gauge >= kFinisherNeed) {
            queued = kFinisher;
            flags |= kQueued;
            finisherHeading = angle;
            gauge -= kFinisherCost;  // may go below 0; regeneration refills from there
        }
    }

    if (type == 0) return;
    if ((flags & kHolding) && !((flags & kQueued) && phase >= 3)) return;
    if (type < 0 || type >= kHandlerCount || !handlers[type]) return;

    switch (type) {
    case kForwardCut:
        strikeStartElevation = poseElevation;
        strikeYawTarget = -0.5f * poseYaw;
        break;
    case kLeftSweep:
    case kRightSweep:
        if (type == action || action == kTurningCut) return;
        break;
    case kTurningCut:
        if (type == action) return;
        break;
    case kThrust:
        if (type == action) return;
        dashVector = Vec3{0, 0, 0};
        if (gauge >= kThrustCharge) {
            charged = true;
            gauge -= kThrustCharge;
        } else {
            charged = false;
        }
        break;
    case kSpin:
        spinTurn = 0;
        spinLeft = history[0] == kLeftSweep;
        break;
    default:
        break;
    }
    start(type);
}

void ActionController::start(std::int32_t type) {
    pushHistory(type);
    action = type;
    phase = 1;
    flags = kHolding;
    counter = 1;
    stepCounter = 1;
    hitScale = Vec3{1, 1, 1};
}

void ActionController::beginPhase(std::int32_t next, std::uint32_t startCounter) {
    phase = next;
    counter = startCounter;
}

// Every strike ends here: a queued follow-up starts at once, otherwise the recovery is open to new
// requests.
void ActionController::endStrike() {
    bool followUp = (flags & kQueued) != 0;
    phase = 3;
    flags = 0;
    if (followUp) {
        // The follow-up was paid for when it was queued; it needs no gauge of its own.
        float unused = 0;
        request(queued, unused);
        return;
    }
    counter = 1;
}

void ActionController::strikeStep(float amount, float directionDegrees, Vec3& movement) {
    if (stepCounter > 5) return;
    movement.x += sinDeg(directionDegrees) * amount;
    movement.z += cosDeg(directionDegrees) * amount;
    ++stepCounter;
}

void ActionController::sinkHeight(float fraction, float snap, Vec3& movement) {
    float drop = height * fraction;
    if (std::fabs(height) < snap) drop = height;
    height -= drop;
    movement.y -= drop;
}

bool ActionController::step(float& heading, float bodyHeight, Vec3& movement, float& bodyPitch) {
    height = bodyHeight;
    movement = Vec3{0, 0, 0};
    bool stillRunning = true;
    if (phase != 0) {
        if (phase == 2 && counter < 2 && swingSound) swingSound->restart();
        ++counter;
        Handler handler = (action > 0 && action < kHandlerCount) ? handlers[action] : nullptr;
        if (!handler || !(this->*handler)(heading, movement, bodyPitch)) {
            phase = 0;
            counter = 1;
            action = 0;
            stillRunning = false;
        }
    } else {
        idle(movement);
    }
    sinkHeight(static_cast<float>(counter) / 40.0f, 0.1f, movement);
    return stillRunning;
}

void ActionController::idle(Vec3& movement) {
    if (counter == 0) {
        flags = 0;
        poseYaw = poseElevation = 0;
        poseOffset = Vec3{0, 0, 0};
        for (auto& h : history) h = 0;
        return;
    }
    if (counter < 40) {
        float f = static_cast<float>(counter) / 40.0f;
        ease(poseYaw, 0, f);
        if (std::fabs(poseYaw) < 0.05f) poseYaw = 0;
        ease(poseElevation, 0, f);
        if (std::fabs(poseElevation) < 0.05f) poseElevation = 0;
        ease(poseOffset.x, 0, f);
        ease(poseOffset.z, 0, f);
        if (std::fabs(poseOffset.z) < 0.01f) poseOffset.x = poseOffset.z = 0;
        ease(poseOffset.y, 0, f);
        if (std::fabs(poseOffset.y) < 0.01f) poseOffset.y = 0;
        sinkHeight(2.0f * f, 0.02f, movement);
    }
    if (++counter >= 80) counter = 0;
}

// Forward cut: a short wind-up, a vertical cut with a small step forward.
bool ActionController::forwardCut(float& heading, Vec3& movement, float&) {
    float c = static_cast<float>(counter);
    switch (phase) {
    case 1:
        if (counter > 2) beginPhase(2, 1);
        return true;
    case 2: {
        if (counter > 9) {
            endStrike();
            return true;
        }
        float f = c / 10.0f;
        float startYaw = -2.0f * strikeYawTarget;
        ease(poseYaw, -std::fabs(strikeYawTarget), f);
        if (strikeStartElevation < 47.5f) {
            ease(poseElevation, 95.0f + 0.25f * startYaw, f);
            ease(poseOffset.y, 0.3f, f);
        } else {
            ease(poseElevation, 0.25f * startYaw, f);
            ease(poseOffset.y, -0.3f, f);
        }
        poseOffset.x = 0.18f * sinDeg(heading + 10.0f) * f;
        poseOffset.z = 0.18f * cosDeg(heading + 10.0f) * f;
        strikeStep(0.1f, heading, movement);
        return true;
    }
    default:
        return counter <= 17;
    }
}

// Left sweep: the blade swings out to the left, then across to the right with a side step.
bool ActionController::leftSweep(float& heading, Vec3& movement, float&) {
    float c = static_cast<float>(counter);
    switch (phase) {
    case 1: {
        float f = c / 40.0f;
        ease(poseYaw, 100.0f, f);
        ease(poseElevation, 90.0f, f * 0.7f);
        easeOffset(poseOffset, Vec3{0, 0, 0}, f * 0.5f);
        if (poseYaw >= 90.0f || counter >= 40) beginPhase(2, 1);
        return true;
    }
    case 2: {
        if (counter > 9) {
            endStrike();
            return true;
        }
        float f = c / 10.0f;
        ease(poseYaw, -115.0f, f);
        ease(poseElevation, 90.0f, c / 40.0f);
        poseOffset.x = (0.6f * sinDeg(heading + 10.0f) - 0.9f * sinDeg(heading - 12.0f)) * f;
        poseOffset.z = (0.6f * cosDeg(heading + 10.0f) - 0.9f * cosDeg(heading - 12.0f)) * f;
        strikeStep(0.1f, heading - 90.0f, movement);
        return true;
    }
    default:
        return counter <= 17;
    }
}

// Right sweep: swings out to the right, then across to the left with a side step. Its numbers are its
// own, not the left sweep's mirrored (wind-up yaw -120 against 100, strike yaw 95 against -115).
bool ActionController::rightSweep(float& heading, Vec3& movement, float&) {
    float c = static_cast<float>(counter);
    switch (phase) {
    case 1: {
        float f = c / 40.0f;
        ease(poseYaw, -120.0f, f);
        ease(poseElevation, 90.0f, f * 0.7f);
        ease(poseOffset.x, 0.6f * (sinDeg(heading + 10.0f) - sinDeg(heading - 10.0f)) * f, f);
        ease(poseOffset.z, 0.6f * (cosDeg(heading + 10.0f) - cosDeg(heading - 10.0f)) * f, f);
        if (poseYaw <= -108.0f || counter >= 40) beginPhase(2, 1);
        return true;
    }
    case 2: {
        if (counter > 9) {
            endStrike();
            return true;
        }
        float f = c / 10.0f;
        ease(poseYaw, 95.0f, f);
        ease(poseElevation, 90.0f, c / 40.0f);
        poseOffset.x = (0.6f * sinDeg(heading + 10.0f) - 0.9f * sinDeg(heading + 12.0f)) * f;
        poseOffset.z = (0.6f * cosDeg(heading + 10.0f) - 0.9f * cosDeg(heading + 12.0f)) * f;
        strikeStep(0.1f, heading + 90.0f, movement);
        return true;
    }
    default:
        return counter <= 17;
    }
}

// Turning cut: the blade goes back over the head and cuts behind the knight.
bool ActionController::turningCut(float& heading, Vec3& movement, float&) {
    float c = static_cast<float>(counter);
    switch (phase) {
    case 1:
        if (counter > 3) {
            beginPhase(2, 1);
            return true;
        }
        ease(poseElevation, 270.0f, c * 0.25f);
        ease(poseYaw, 0.0f, c * 0.25f);
        return true;
    case 2: {
        if (counter > 9) {
            endStrike();
            return true;
        }
        poseElevation = 270.0f;
        poseYaw = 0.0f;
        ease(poseOffset.y, 0.0f, c / 40.0f);
        float f = c * 0.1f * c / 40.0f;
        ease(poseOffset.x, 0.6f * sinDeg(heading + 10.0f) - 0.62f * sinDeg(heading - 205.0f), f);
        ease(poseOffset.z, 0.6f * cosDeg(heading + 10.0f) - 0.62f * cosDeg(heading - 205.0f), f);
        strikeStep(0.05f, heading - 180.0f, movement);
        return true;
    }
    default:
        if (counter > 30) return false;
        if (counter >= 10) {
            float k = c / 21.7f;
            poseElevation -= poseElevation * k;
            poseOffset = poseOffset - poseOffset * k;
        }
        return true;
    }
}

// Thrust: the blade is drawn back, then driven forward; paid for, the body dashes with it.
bool ActionController::thrust(float& heading, Vec3& movement, float&) {
    float c = static_cast<float>(counter);
    switch (phase) {
    case 1: {
        if (counter > 10) {
            poseOffset.x *= -0.5f;
            poseOffset.z *= -0.5f;
            beginPhase(2, 0);
            return true;
        }
        float f = c / 11.0f;
        ease(poseYaw, 0.0f, f);
        ease(poseElevation, 90.0f, f);
        ease(poseOffset.x, -0.6f * sinDeg(heading - 190.0f), f);
        ease(poseOffset.z, -0.6f * cosDeg(heading - 190.0f), f);
        ease(poseOffset.y, 0.2f, f);
        if (charged && dashVector.x == 0.0f && dashVector.z == 0.0f)
            dashVector = Vec3{0.6f * sinDeg(heading), 0.0f, 0.6f * cosDeg(heading)};
        return true;
    }
    case 2:
        if (counter > 6) {
            endStrike();
            return true;
        }
        poseYaw = 0.0f;
        poseElevation = 90.0f;
        if (charged) movement = movement + dashVector * ((6.0f - c) / 6.0f);
        return true;
    default:
        return counter <= 25;
    }
}

// Spin: a full turn of the body with the blade held out; the body faces as before at the end.
bool ActionController::spin(float& heading, Vec3&, float&) {
    float c = static_cast<float>(counter);
    float sign = spinLeft ? 1.0f : -1.0f;
    switch (phase) {
    case 1: {
        if (counter > 4) {
            poseYaw = 50.0f * sign;
            heading += 20.0f * sign - spinTurn;
            spinTurn = 20.0f * sign;
            beginPhase(2, 0);
            return true;
        }
        float f = c / 5.0f;
        ease(poseYaw, 50.0f * sign, f);
        ease(poseElevation, 90.0f, f);
        easeOffset(poseOffset, Vec3{0, 0, 0}, f);
        turnSpin(spinTurn, heading, 20.0f * sign, f);
        return true;
    }
    case 2: {
        if (counter > 30) {
            heading += 360.0f * sign - spinTurn;
            spinTurn = 360.0f * sign;
            poseYaw = std::remainder(poseYaw, 360.0f);
            endStrike();
            return true;
        }
        float f = c / 30.0f;
        poseElevation = 90.0f;
        ease(poseYaw, 400.0f * sign, f);
        easeOffset(poseOffset, Vec3{0, 0, 0}, f);
        turnSpin(spinTurn, heading, 360.0f * sign, f);
        return true;
    }
    default:
        if (counter > 22) {
            heading -= spinTurn;
            spinTurn = 0;
            return false;
        }
        easeOffset(poseOffset, Vec3{0, 0, 0}, c / 22.0f);
        return true;
    }
}

// Finisher: the knight turns to the flick, raises the blade high and brings it down with a long reach.
bool ActionController::finisher(float& heading, Vec3&, float&) {
    float c = static_cast<float>(counter);
    switch (phase) {
    case 1:
        if (counter >= 4 && counter <= 8) {
            float f = (c - 3.0f) / 6.0f;
            ease(poseYaw, -152.0f, f);
            ease(poseElevation, 125.0f, f);
            ease(poseOffset.x, 0.32f * sinDeg(heading + 60.0f), f);
            ease(poseOffset.z, 0.32f * cosDeg(heading + 60.0f), f);
            ease(poseOffset.y, 0.0f, f);
            ease(heading, finisherHeading, f);
        }
        if (c - 3.0f >= 13.8f) {
            poseYaw = -152.0f;
            poseElevation = 125.0f;
            beginPhase(2, 0);
        }
        return true;
    case 2: {
        if (counter > 6) {
            hitScale = Vec3{1, 1, 1};
            poseYaw = 135.0f;
            poseElevation = 62.0f;
            endStrike();
            counter = 0;
            return true;
        }
        hitScale = Vec3{2.4f, 2.4f, 2.4f};
        float f = c / 6.0f;
        ease(poseYaw, 135.0f, f);
        ease(poseElevation, 62.0f, f);
        ease(poseOffset.x, 0.72f * sinDeg(heading - 32.0f), f);
        ease(poseOffset.z, 0.72f * cosDeg(heading - 32.0f), f);
        return true;
    }
    default:
        if (counter > 8) {
            flags = 0;
            return false;
        }
        return true;
    }
}

}  // namespace hc
