#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "game/action_controller.h"

namespace hc {
namespace {

// Drives a controller as the blade does, one step per frame, without sounds.
struct Driver {
    ActionController controller;
    float heading = 0;
    float gauge = 0;
    Vec3 movement;
    Vec3 totalMovement;
    float bodyPitch = 0;

    bool step() {
        bool running = controller.step(heading, 0.0f, movement, bodyPitch);
        if (!running) movement = Vec3{0, 0, 0};
        totalMovement.x += movement.x;
        totalMovement.z += movement.z;
        return running;
    }
    void request(std::int32_t type, std::int32_t marker = 0, float angle = 0) {
        controller.request(type, gauge, marker, angle);
    }
    // Steps until the controller is in the given phase of the given action (at most 200 frames).
    bool stepUntil(std::int32_t action, std::int32_t phase) {
        for (int i = 0; i < 200; ++i) {
            if (controller.action == action && controller.phase == phase) return true;
            step();
        }
        return false;
    }
    void runToIdle() {
        for (int i = 0; i < 400 && controller.running(); ++i) step();
    }
};

using PhaseFrames = std::array<int, 3>;

// Frames seen in wind-up, strike and recovery while `action` is current, counted after each step.
PhaseFrames countPhases(Driver& d, std::int32_t action) {
    PhaseFrames frames{};
    bool seen = false;
    for (int i = 0; i < 400; ++i) {
        d.step();
        if (d.controller.action == action) {
            seen = true;
            if (d.controller.phase >= 1 && d.controller.phase <= 3) ++frames[d.controller.phase - 1];
        } else if (seen) {
            break;
        }
    }
    return frames;
}

TEST(ActionController, PhaseLengthsOfTheRequestedActions) {
    // The request frame's own step already counts the wind-up's second frame, so a wind-up that ends
    // after counter N is seen for N - 1 frames; phases begun at counter 0 last one frame longer.
    struct Case {
        std::int32_t action;
        PhaseFrames frames;
    };
    const Case cases[] = {
        {1, {1, 9, 17}},
        {2, {11, 9, 17}},  // the wind-up ends when the yaw passes 90
        {3, {11, 9, 17}},  // ... or -108
        {4, {2, 9, 30}},
        {5, {9, 7, 25}},
    };
    for (const Case& c : cases) {
        Driver d;
        d.request(c.action);
        ASSERT_EQ(d.controller.action, c.action);
        EXPECT_EQ(countPhases(d, c.action), c.frames) << "action " << c.action;
        EXPECT_EQ(d.controller.action, 0) << "action " << c.action;
    }
}

TEST(ActionController, PhaseLengthsOfTheFollowUps) {
    Driver spin;
    spin.request(2);
    spin.step();
    spin.request(1);  // another direction during the wind-up
    EXPECT_EQ(countPhases(spin, 9), (PhaseFrames{4, 31, 22}));

    Driver finisher;
    finisher.gauge = 500;
    finisher.request(5);
    finisher.step();
    finisher.request(3, ActionController::kFinisherMarker, 0.0f);
    EXPECT_EQ(countPhases(finisher, 10), (PhaseFrames{16, 7, 9}));
    EXPECT_EQ(finisher.controller.action, 0);
}

TEST(ActionController, FlickInAnotherDirectionDuringASweepQueuesTheSpin) {
    for (std::int32_t sweep : {2, 3}) {
        for (std::int32_t during : {1, 2}) {
            Driver d;
            d.request(sweep);
            ASSERT_TRUE(d.stepUntil(sweep, during));
            d.request(sweep == 2 ? 3 : 1);
            EXPECT_EQ(d.controller.action, sweep) << "the flick itself starts nothing";
            EXPECT_TRUE(d.controller.flags & ActionController::kQueued);
            // The spin starts in the very frame the strike ends: the sweep never shows its recovery.
            ASSERT_TRUE(d.stepUntil(sweep, 2));
            while (d.controller.action == sweep && d.controller.phase == 2) d.step();
            EXPECT_EQ(d.controller.action, 9) << "sweep " << sweep << " during phase " << during;
            EXPECT_EQ(d.controller.phase, 1);
            EXPECT_EQ(d.controller.spinLeft, sweep == 2);
        }
    }
}

TEST(ActionController, TwoFlicksInTheSameDirectionDoNotSpin) {
    for (std::int32_t sweep : {2, 3}) {
        Driver d;
        d.request(sweep);
        d.step();
        d.request(sweep);
        ASSERT_TRUE(d.stepUntil(sweep, 2));
        d.request(sweep);
        EXPECT_FALSE(d.controller.flags & ActionController::kQueued);
        bool spun = false;
        for (int i = 0; i < 100 && d.controller.running(); ++i) {
            d.step();
            spun = spun || d.controller.action == 9;
        }
        EXPECT_FALSE(spun) << "sweep " << sweep;
    }
}

TEST(ActionController, FinisherNeeds150AndCosts200) {
    struct Case {
        float gaugeAtFlick;
        bool queued;
        float gaugeAfter;
    };
    const Case cases[] = {{160, true, -40}, {150, true, -50}, {149.5f, false, 149.5f}};
    for (const Case& c : cases) {
        Driver d;
        d.request(5);
        d.step();
        d.gauge = c.gaugeAtFlick;
        d.request(3, ActionController::kFinisherMarker, 30.0f);
        EXPECT_EQ(static_cast<bool>(d.controller.flags & ActionController::kQueued), c.queued) << c.gaugeAtFlick;
        EXPECT_FLOAT_EQ(d.gauge, c.gaugeAfter);
        EXPECT_EQ(d.controller.action, 5) << "the thrust goes on until its strike ends";
        if (c.queued) {
            EXPECT_FLOAT_EQ(d.controller.finisherHeading, 30.0f);
            ASSERT_TRUE(d.stepUntil(10, 1));
        }
    }
}

TEST(ActionController, ThrustDashesOnlyWhenPaidFor) {
    struct Case {
        float gauge;
        float dash;
        float gaugeAfter;
    };
    const Case cases[] = {{24.9f, 0.0f, 24.9f}, {25.0f, 1.5f, 0.0f}, {100.0f, 1.5f, 75.0f}};
    for (const Case& c : cases) {
        Driver d;
        d.heading = 90.0f;  // facing +x
        d.gauge = c.gauge;
        d.request(5);
        EXPECT_FLOAT_EQ(d.gauge, c.gaugeAfter);
        d.runToIdle();
        EXPECT_NEAR(d.totalMovement.x, c.dash, 1e-4f) << "gauge " << c.gauge;
        EXPECT_NEAR(d.totalMovement.z, 0.0f, 1e-4f);
    }
}

TEST(ActionController, CancelCosts30OnlyPastTheWindUp) {
    struct Case {
        std::int32_t phase;
        float gauge;
        bool cancelled;
        float gaugeAfter;
    };
    const Case cases[] = {
        {1, 100, false, 100},  // the wind-up cannot be cancelled
        {2, 100, true, 70},
        {2, 29, false, 29},  // not enough gauge
        {3, 30, true, 0},
    };
    for (const Case& c : cases) {
        Driver d;
        d.request(1);
        ASSERT_TRUE(d.stepUntil(1, c.phase));
        d.gauge = c.gauge;
        d.request(0);
        EXPECT_EQ(!d.controller.running(), c.cancelled) << "phase " << c.phase << " gauge " << c.gauge;
        EXPECT_FLOAT_EQ(d.gauge, c.gaugeAfter);
        if (c.cancelled) {
            EXPECT_EQ(d.controller.phase, 0);
            EXPECT_EQ(d.controller.history[0], 0) << "a cancel enters the history";
        }
    }
}

TEST(ActionController, CancelDuringASweepThatCannotPayQueuesTheSpin) {
    Driver d;
    d.request(2);
    d.step();
    d.gauge = 100;
    d.request(0);  // wind-up: no cancel, but the spin is queued
    EXPECT_TRUE(d.controller.flags & ActionController::kQueued);
    EXPECT_FLOAT_EQ(d.gauge, 100);
}

TEST(ActionController, RepeatDuringRecoveryIsRefusedExceptForTheForwardCut) {
    struct Case {
        std::int32_t action;
        bool restarts;
    };
    const Case cases[] = {{1, true}, {2, false}, {3, false}, {4, false}, {5, false}};
    for (const Case& c : cases) {
        Driver d;
        d.gauge = 100;
        d.request(c.action);
        ASSERT_TRUE(d.stepUntil(c.action, 3));
        float gaugeBefore = d.gauge;
        d.request(c.action);
        EXPECT_EQ(d.controller.phase == 1, c.restarts) << "action " << c.action;
        EXPECT_FLOAT_EQ(d.gauge, gaugeBefore) << "a refused thrust takes no gauge";
    }
    // Another action starts at once during the recovery.
    Driver d;
    d.request(2);
    ASSERT_TRUE(d.stepUntil(2, 3));
    d.request(3);
    EXPECT_EQ(d.controller.action, 3);
    EXPECT_EQ(d.controller.phase, 1);
}

TEST(ActionController, SpinReturnsTheHeadingItStartedWith) {
    for (std::int32_t sweep : {2, 3}) {
        Driver d;
        d.heading = 37.5f;
        d.request(sweep);
        d.step();
        d.request(1);
        ASSERT_TRUE(d.stepUntil(9, 2));
        float before = 0;
        // Half way through the strike the body has turned well away from where it started.
        for (int i = 0; i < 15; ++i) d.step();
        before = d.heading;
        EXPECT_GT(std::fabs(before - 37.5f), 90.0f);
        d.runToIdle();
        EXPECT_NEAR(d.heading, 37.5f, 1e-3f) << "sweep " << sweep;
    }
}

TEST(ActionController, IdlePoseEasesHomeAndBookkeepingResets) {
    Driver d;
    d.request(2);
    d.runToIdle();
    EXPECT_LT(d.controller.poseYaw, -50.0f);
    EXPECT_GT(d.controller.poseElevation, 30.0f);
    for (int i = 0; i < 40; ++i) d.step();
    EXPECT_EQ(d.controller.poseYaw, 0.0f);
    EXPECT_EQ(d.controller.poseElevation, 0.0f);
    EXPECT_EQ(d.controller.poseOffset.x, 0.0f);
    EXPECT_EQ(d.controller.history[0], 2);
    for (int i = 0; i < 41; ++i) d.step();
    EXPECT_EQ(d.controller.history[0], 0);
}

}  // namespace
}  // namespace hc
