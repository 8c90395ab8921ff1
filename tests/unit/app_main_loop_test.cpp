// The main loop's pacing, messages and quit hold, on the real start-up with a manual clock.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app_harness.h"
#include "engine/pad_button.h"

namespace hc::test {
namespace {

TEST(AppMainLoop, TicksComeOneIntervalApartWhenNothingElseHappens) {
    ProgramHarness h;
    h.observer.stopAfter = 5;
    EXPECT_EQ(h.run(), 0);
    ASSERT_EQ(h.observer.ticks.size(), 5u);
    // 1 000 000 counts a second: 16 666 counts a tick, the remainder dropped.
    EXPECT_EQ(h.interval(), 16666);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(h.observer.ticks[i].at, ProgramHarness::kStart + (i + 1) * 16666);
    EXPECT_FLOAT_EQ(h.observer.ticks[4].lastTickSeconds, 16666 / 1e6f);
}

TEST(AppMainLoop, TickDueInAPassThatTakesAMessageIsLost) {
    ProgramHarness h;
    const std::int64_t i = h.interval();
    // A mouse move arrives exactly when the third tick falls due.
    h.platform.scheduleMessage(ProgramHarness::kStart + 3 * i, Message{Message::Kind::Mouse});
    h.observer.stopAfter = 4;
    h.run();
    ASSERT_EQ(h.observer.ticks.size(), 4u);
    const std::int64_t s = ProgramHarness::kStart;
    EXPECT_EQ(h.observer.ticks[0].at, s + i);
    EXPECT_EQ(h.observer.ticks[1].at, s + 2 * i);
    // Not made up: the next tick comes one interval after the lost one.
    EXPECT_EQ(h.observer.ticks[2].at, s + 4 * i);
    EXPECT_EQ(h.observer.ticks[3].at, s + 5 * i);
    // The lost tick was still taken: the next one measures from it.
    EXPECT_FLOAT_EQ(h.observer.ticks[2].lastTickSeconds, static_cast<float>(i / 1e6));
}

TEST(AppMainLoop, AfterALongStallExactlyOneTickRunsAndItCarriesTheStall) {
    ProgramHarness h;
    const std::int64_t i = h.interval();
    h.observer.after = [&](Application&, int tick) {
        if (tick == 3) h.platform.manualClock.advanceSeconds(1.0);
    };
    h.observer.stopAfter = 5;
    h.run();
    ASSERT_EQ(h.observer.ticks.size(), 5u);
    const std::int64_t stalled = ProgramHarness::kStart + 3 * i + 1000000;
    EXPECT_EQ(h.observer.ticks[3].at, stalled);
    EXPECT_FLOAT_EQ(h.observer.ticks[3].lastTickSeconds, 1.0f);
    EXPECT_EQ(h.observer.ticks[4].at, stalled + i);
    EXPECT_FLOAT_EQ(h.observer.ticks[4].lastTickSeconds, static_cast<float>(i / 1e6));
}

struct MessageCase {
    const char* name;
    Message message;
    bool ends;
};

TEST(AppMainLoop, EscapeAndClosingTheWindowEndTheProgramAtTheNextPasses) {
    const MessageCase cases[] = {
        {"escape", Message{Message::Kind::KeyDown, VK_ESCAPE}, true},
        {"close", Message{Message::Kind::Close}, true},
        {"other key", Message{Message::Kind::KeyDown, 'A'}, false},
        {"escape released", Message{Message::Kind::KeyUp, VK_ESCAPE}, false},
    };
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramHarness h;
        h.platform.scheduleMessage(ProgramHarness::kStart + 3 * h.interval(), c.message);
        h.observer.stopAfter = 10;
        EXPECT_EQ(h.run(), 0);
        if (c.ends) {
            // The third tick is lost to the key; the close and the quit it leads to end the loop before
            // another tick runs.
            EXPECT_EQ(h.observer.ticks.size(), 2u);
            EXPECT_EQ(h.observer.exitReason, Application::ExitReason::QuitMessage);
        } else {
            EXPECT_EQ(h.observer.ticks.size(), 10u);
        }
    }
}

TEST(AppMainLoop, QuitMessageLeavesTheScenesToShutdown) {
    ProgramHarness h;
    h.platform.scheduleMessage(ProgramHarness::kStart + 3 * h.interval(), Message{Message::Kind::Quit});
    h.run();
    EXPECT_EQ(h.observer.exitReason, Application::ExitReason::QuitMessage);
    EXPECT_TRUE(h.observer.titleAtEnd);  // released by shutdown, not by the loop
    EXPECT_EQ(gDevice, nullptr);
}

struct HoldCase {
    const char* name;
    std::vector<std::pair<int, int>> held;  // [first, last] ticks with pad button 6 down
    int endsAtTick;                         // 0: still running at tick 150
};

TEST(AppMainLoop, HoldingPadButtonSixForSixtyTicksQuits) {
    const HoldCase cases[] = {
        {"59 ticks", {{1, 59}}, 0},
        {"60 ticks", {{1, 60}}, 60},
        {"60 ticks from later on", {{31, 90}}, 90},
        {"broken hold", {{1, 40}, {42, 81}}, 0},
    };
    for (const HoldCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramHarness h;
        h.observer.before = [&](Application&, int tick) {
            bool down = false;
            for (auto [first, last] : c.held) down |= tick >= first && tick <= last;
            h.platform.input->pad.rgbButtons[padIndex(PadButton::Back)] = down ? 0x80 : 0;
        };
        h.observer.stopAfter = 150;
        EXPECT_EQ(h.run(), 0);
        if (c.endsAtTick) {
            EXPECT_EQ(h.observer.exitReason, Application::ExitReason::QuitHold);
            EXPECT_EQ(h.observer.ticksRun, c.endsAtTick);
            // The quitting tick still draws (the first tick of the program draws none), then the
            // scenes are released.
            EXPECT_EQ(h.observer.framesAtEnd, c.endsAtTick - 1);
            EXPECT_FALSE(h.observer.titleAtEnd);
        } else {
            EXPECT_EQ(h.observer.exitReason, Application::ExitReason::Stopped);
            EXPECT_EQ(h.observer.ticksRun, 150);
        }
    }
}

}  // namespace
}  // namespace hc::test
