// The bot's decisions from what it sees: sticks that read as meant after the dead zone, the title, the
// name entry, and the fight's walk, flick and dodge.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/gamedrive/bot_pilot.h"

namespace hc {
namespace {

constexpr float kDegrees = 57.2957795f;

// What the input makes of a raw axis value.
float deadZoned(int v, int zone) { return v > zone ? float(v - zone) : v < -zone ? float(v + zone)
                                                                                 : 0.0f; }

TEST(BotPilot, SticksReadAsTheMeantHeadingAfterTheDeadZone) {
    for (int zone : {200, 300}) {
        for (float heading : {0.0f, 30.0f, 45.0f, 90.0f, 100.0f, 179.0f, -60.0f, -135.0f}) {
            int x = 0, y = 0;
            BotPilot::stickToward(heading, zone, x, y);
            EXPECT_LE(std::abs(x), 1000);
            EXPECT_LE(std::abs(y), 1000);
            float gx = deadZoned(x, zone), gy = deadZoned(y, zone);
            float read = std::atan2(gx, -gy) * kDegrees;
            EXPECT_NEAR(BotPilot::angleDiff(read, heading), 0.0f, 0.3f) << heading << " zone " << zone;
            EXPECT_NEAR(std::max(std::fabs(gx), std::fabs(gy)), float(1000 - zone), 1.0f);
        }
    }
}

TEST(BotPilot, LetterStepsTakeTheShortWayRoundTheBlank) {
    struct Case {
        int from, to, steps;
    } cases[] = {
        {0, 0, 0},
        {0, 1, 1},
        {0, 17, -10},
        {25, 0, 2},
        {26, 0, 1},
        {0, 26, -1},
        {5, 18, 13},
        {5, 19, -13},
    };
    for (const Case& c : cases) EXPECT_EQ(BotPilot::letterSteps(c.from, c.to), c.steps) << c.from << "->" << c.to;
}

BotView titleView(int cursor) {
    BotView v;
    v.screen = BotView::Screen::Title;
    v.titleCursor = cursor;
    return v;
}

TEST(BotPilot, OnTheTitleEndlessHoldsXAndConfirmsStartOnce) {
    BotPilot bot(true, "ROBOT");
    BotGrid grid;
    int presses = 0;
    bool xHeldAtPress = false;
    bool wasDown = false;
    for (int t = 0; t < 60; ++t) {
        PadPicture p = bot.decide(titleView(BotPilot::kStartItem), grid);
        if (p.buttons[padIndex(BotPilot::kB)] && !wasDown) {
            ++presses;
            xHeldAtPress = p.buttons[padIndex(BotPilot::kX)];
        }
        wasDown = p.buttons[padIndex(BotPilot::kB)];
    }
    EXPECT_GE(presses, 1);
    EXPECT_LE(presses, 2);
    EXPECT_TRUE(xHeldAtPress);

    BotPilot story(false, "ROBOT");
    for (int t = 0; t < 60; ++t) EXPECT_FALSE(story.decide(titleView(BotPilot::kStartItem), grid).buttons[padIndex(BotPilot::kX)]);
}

TEST(BotPilot, OnTheTitleTheCursorIsBroughtToStartBeforeConfirming) {
    BotPilot bot(false, "ROBOT");
    BotGrid grid;
    bool pushedUp = false;
    for (int t = 0; t < 60; ++t) {
        PadPicture p = bot.decide(titleView(0), grid);  // left on "ranking"
        EXPECT_FALSE(p.buttons[padIndex(BotPilot::kB)]);
        if (p.leftY < -500) pushedUp = true;
    }
    EXPECT_TRUE(pushedUp);
}

// The name entry as the player meets it: the held stick steps the letter once every 14 ticks, B takes
// the letter under the cursor and starts the next slot at A.
TEST(BotPilot, TypesItsNameWithTheStickAndB) {
    BotPilot bot(false, "RO BZ");
    BotGrid grid;
    BotView v;
    v.screen = BotView::Screen::Game;
    v.endingActive = true;
    v.endingPhase = 0;
    std::string typed;
    int repeat = 0;
    bool bDown = false;
    for (int t = 0; t < 2000 && typed.size() < 5; ++t) {
        PadPicture p = bot.decide(v, grid);
        EXPECT_FALSE(p.buttons[padIndex(BotPilot::kA)]);  // A would take a letter back
        if (repeat > 12 && std::abs(p.leftX) > 500) {
            v.currentLetter = (v.currentLetter + (p.leftX > 0 ? 1 : 26)) % 27;
            repeat = 0;
        } else if (repeat <= 12) {
            ++repeat;
        }
        if (p.buttons[padIndex(BotPilot::kB)] && !bDown) {
            typed += v.currentLetter == 26 ? ' ' : char('A' + v.currentLetter);
            v.filledSlots = int(typed.size());
            v.currentLetter = 0;
        }
        bDown = p.buttons[padIndex(BotPilot::kB)];
    }
    EXPECT_EQ(typed, "RO BZ");
}

BotView fightView() {
    BotView v;
    v.screen = BotView::Screen::Game;
    v.stage = 2;
    v.hitPoints = 3;
    v.x = 5;
    v.z = 5;
    v.heading = 0;  // facing +z
    return v;
}

BotEnemy golem(int index, float x, float z, int state = 1) {
    BotEnemy e;
    e.index = index;
    e.kind = 0;
    e.state = state;
    e.hitPoints = 3;
    e.x = x;
    e.z = z;
    return e;
}

float stickHeading(int x, int y, int zone) { return std::atan2(deadZoned(x, zone), -deadZoned(y, zone)) * kDegrees; }

TEST(BotPilot, WalksTowardAFarGolemAndFlicksAtANearOne) {
    BotGrid grid;
    BotView v = fightView();
    v.enemies = {golem(0, 9, 9)};
    BotPilot bot(false, "ROBOT");
    PadPicture walk = bot.decide(v, grid);
    EXPECT_NEAR(stickHeading(walk.leftX, walk.leftY, 200), 45.0f, 1.0f);
    EXPECT_EQ(walk.rightX, 0);
    EXPECT_EQ(walk.rightY, 0);

    v.enemies = {golem(0, 5.9f, 6.0f)};
    PadPicture flick = bot.decide(v, grid);
    ASSERT_TRUE(flick.rightX != 0 || flick.rightY != 0);
    EXPECT_NEAR(stickHeading(flick.rightX, flick.rightY, 300), std::atan2(0.9f, 1.0f) * kDegrees, 1.0f);
    // The stick goes back to the centre before the next flick, and none comes while a swing holds.
    PadPicture back = bot.decide(v, grid);
    EXPECT_EQ(back.rightX, 0);
    EXPECT_EQ(back.rightY, 0);
    v.action = 1;
    v.phase = 2;
    PadPicture busy = bot.decide(v, grid);
    EXPECT_EQ(busy.rightX, 0);
    EXPECT_EQ(busy.rightY, 0);
}

TEST(BotPilot, StepsOffTheLineOfARushAndCancelsASwingForIt) {
    BotGrid grid;
    BotView v = fightView();
    // A golem 1.5 units west, rushing east along z = 5 straight at the knight, and one in front to fight.
    BotEnemy rush = golem(1, 3.5f, 5.0f, 2);
    rush.stateTimer = 60;
    rush.knockHeading = 0;  // along +x
    v.enemies = {golem(0, 5.0f, 9.0f), rush};
    v.action = 1;
    v.phase = 2;
    // The gauge is spent on a cancel when the blow would end the run, or when the finisher's share
    // stays; otherwise it is kept and the swing runs out.
    struct Case {
        int hitPoints;
        float gauge;
        bool cancels;
    };
    for (const Case& c : {Case{1, 40, true}, Case{3, 210, true}, Case{3, 40, false}, Case{1, 10, false}}) {
        SCOPED_TRACE(testing::Message() << "hit points " << c.hitPoints << ", gauge " << c.gauge);
        v.hitPoints = c.hitPoints;
        v.gauge = c.gauge;
        BotPilot bot(false, "ROBOT");
        PadPicture p = bot.decide(v, grid);
        EXPECT_EQ(p.buttons[padIndex(BotPilot::kCancel)], c.cancels);
        if (!c.cancels) continue;
        float h = stickHeading(p.leftX, p.leftY, 200);
        EXPECT_NEAR(std::fabs(BotPilot::angleDiff(h, 90.0f)), 90.0f, 1.0f);  // across the rush, not along it
    }
}

TEST(BotPilot, AGolemThatRushesPastTheKnightIsNoThreat) {
    BotGrid grid;
    BotView v = fightView();
    BotEnemy rush = golem(1, 2.0f, 8.0f, 2);  // rushing east along z = 8, three units off the knight
    rush.stateTimer = 60;
    rush.knockHeading = 0;
    v.enemies = {golem(0, 5.0f, 6.4f), rush};
    BotPilot bot(false, "ROBOT");
    PadPicture p = bot.decide(v, grid);
    EXPECT_TRUE(p.rightX != 0 || p.rightY != 0);  // it goes on fighting the golem in front
}

TEST(BotPilot, AGolemOnTopOfACorneredKnightIsStruckInsteadOfDodgedForEver) {
    // The knight with his back to a wall row below him, a golem right in front.
    BotGrid grid;
    grid.reset(0, 0, 10, 10);
    for (int x = 0; x <= 10; ++x) grid.block(x, 4);
    BotView v = fightView();
    v.z = 4.77f;
    BotEnemy standing = golem(0, 5.0f, 5.6f, 2);
    standing.kind = 4;  // turns to face the knight, never moves
    v.enemies = {standing};
    BotPilot bot(false, "ROBOT");
    PadPicture p = bot.decide(v, grid);
    EXPECT_TRUE(p.rightX != 0 || p.rightY != 0) << "a standing golem never leaves: strike it";

    // A walking golem on top of him is dodged first, and struck once dodging gets him nowhere.
    BotEnemy walker = golem(0, 5.0f, 5.6f, 1);
    v.enemies = {walker};
    BotPilot dodger(false, "ROBOT");
    bool struck = false;
    int ticks = 0;
    for (; ticks < 200 && !struck; ++ticks) {
        PadPicture d = dodger.decide(v, grid);
        struck = d.rightX != 0 || d.rightY != 0;
        if (ticks == 0) {
            EXPECT_FALSE(struck) << "first it tries to get away";
        }
    }
    EXPECT_TRUE(struck);
}

TEST(BotPilot, WaitsForBOnClearedStagesEventsAndDefeatsButNotInTheFight) {
    BotGrid grid;
    struct Case {
        const char* what;
        int result;
        bool event;
        bool expectB;
    } cases[] = {
        {"cleared", BotView::kCleared, false, true},
        {"defeated", BotView::kDefeated, false, true},
        {"story page", BotView::kRunning, true, true},
        {"fight", BotView::kRunning, false, false},
    };
    for (const Case& c : cases) {
        BotPilot bot(false, "ROBOT");
        BotView v = fightView();
        v.enemies = {golem(0, 9, 9)};
        v.result = c.result;
        v.eventActive = c.event;
        bool pressed = false;
        for (int t = 0; t < 30; ++t) pressed = pressed || bot.decide(v, grid).buttons[padIndex(BotPilot::kB)];
        EXPECT_EQ(pressed, c.expectB) << c.what;
    }
}

}  // namespace
}  // namespace hc
