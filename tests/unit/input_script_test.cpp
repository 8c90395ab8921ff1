// The driver's input script reader.
#include <gtest/gtest.h>

#include "tools/gamedrive/input_script.h"

namespace hc {
namespace {

using Kind = InputScript::Kind;

TEST(InputScript, ReadsEveryActionInTickOrder) {
    InputScript s;
    std::string error;
    ASSERT_TRUE(s.parse(
        "# a run\n"
        "at 30 left -1000 1000   # held\n"
        "at 10 press BACK\n"
        "\n"
        "at 20 tap RS\n"
        "at 25 triggers -250\n"
        "at 40 shot frames/one shot.png\n"
        "at 50 end\n",
        "s", error))
        << error;
    ASSERT_EQ(s.actions.size(), 7u);
    EXPECT_EQ(s.actions[0].tick, 10);
    EXPECT_EQ(s.actions[0].kind, Kind::Press);
    EXPECT_EQ(s.actions[0].button, 6);
    EXPECT_EQ(s.actions[1].kind, Kind::Press);
    EXPECT_EQ(s.actions[1].button, 9);
    EXPECT_EQ(s.actions[2].tick, 21);  // the tap lets go on the next tick
    EXPECT_EQ(s.actions[2].kind, Kind::Release);
    EXPECT_EQ(s.actions[3].x, -250);
    EXPECT_EQ(s.actions[4].kind, Kind::Left);
    EXPECT_EQ(s.actions[4].x, -1000);
    EXPECT_EQ(s.actions[4].y, 1000);
    EXPECT_EQ(s.actions[5].file, "frames/one shot.png");
    EXPECT_EQ(s.actions[6].kind, Kind::End);
}

TEST(InputScript, ATapsReleaseComesBeforeWhatTheScriptSaysForTheNextTick) {
    InputScript s;
    std::string error;
    ASSERT_TRUE(s.parse("at 5 press A\nat 4 tap A\n", "s", error)) << error;
    ASSERT_EQ(s.actions.size(), 3u);
    EXPECT_EQ(s.actions[1].kind, Kind::Release);
    EXPECT_EQ(s.actions[2].kind, Kind::Press);  // A stays down from tick 5
    EXPECT_EQ(s.actions[2].tick, 5);
}

TEST(InputScript, ButtonNamesFollowThePadIndices) {
    const char* names[] = {"A", "B", "X", "Y", "LB", "RB", "BACK", "START", "LS", "RS"};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(InputScript::buttonIndex(names[i]), i);
    EXPECT_EQ(InputScript::buttonIndex("a"), -1);
    EXPECT_EQ(InputScript::buttonIndex("GUIDE"), -1);
}

TEST(InputScript, MalformedLinesAreRejectedWithTheirLineNumber) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"press A", "s:1: expected 'at TICK ACTION'"},
        {"at", "s:1: missing tick"},
        {"\nat 0 press A", "s:2: tick must be a whole number from 1"},
        {"at -3 press A", "tick must be"},
        {"at 1x press A", "tick must be"},
        {"at 99999999999 press A", "tick must be"},
        {"at 2147483647 tap A", "tick must be"},
        {"at 5", "missing action"},
        {"at 5 jump", "unknown action 'jump'"},
        {"at 5 press", "press takes one button"},
        {"at 5 press A B", "press takes one button"},
        {"at 5 press Q", "unknown button 'Q'"},
        {"at 5 left 1", "left takes X and Y"},
        {"at 5 right 0 1001", "stick values"},
        {"at 5 left 0.5 0", "stick values"},
        {"at 5 triggers", "triggers takes one value"},
        {"at 5 triggers -1001", "trigger value"},
        {"at 5 shot", "shot needs a file name"},
        {"at 5 shot   # only a comment", "shot needs a file name"},
        {"at 5 end now", "end takes nothing"},
        {"at 5 key W", "key takes a key name and down, up or tap"},
        {"at 5 key W press", "key takes down, up or tap, got 'press'"},
        {"at 5 key Nokey down", "unknown key 'Nokey'"},
        {"at 5 pad", "pad takes detach or attach"},
        {"at 5 pad unplug", "pad takes detach or attach"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        InputScript s;
        std::string error;
        EXPECT_FALSE(s.parse(c.text, "s", error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

// Keys by SDL scancode name, spaces and all; a tap goes down and up on its own tick.
TEST(InputScript, KeysAndThePadsPlug) {
    InputScript s;
    std::string error;
    ASSERT_TRUE(s.parse(
        "at 3 key Left Shift down\n"
        "at 4 key Return tap\n"
        "at 5 key up up\n"
        "at 6 pad detach\n"
        "at 7 pad attach\n",
        "s", error))
        << error;
    ASSERT_EQ(s.actions.size(), 6u);
    EXPECT_EQ(s.actions[0].kind, Kind::KeyDown);
    EXPECT_EQ(s.actions[0].key, 225);  // SDL_SCANCODE_LSHIFT
    EXPECT_EQ(s.actions[1].kind, Kind::KeyDown);
    EXPECT_EQ(s.actions[1].key, 40);  // SDL_SCANCODE_RETURN
    EXPECT_EQ(s.actions[2].kind, Kind::KeyUp);
    EXPECT_EQ(s.actions[2].tick, 4);
    EXPECT_EQ(s.actions[3].kind, Kind::KeyUp);
    EXPECT_EQ(s.actions[3].key, 82);  // SDL_SCANCODE_UP, names read in any case
    EXPECT_EQ(s.actions[4].kind, Kind::PadDetach);
    EXPECT_EQ(s.actions[5].kind, Kind::PadAttach);
    EXPECT_TRUE(s.needsSdl());
    InputScript pad;
    ASSERT_TRUE(pad.parse("at 1 tap B\n", "s", error));
    EXPECT_FALSE(pad.needsSdl());
}

TEST(InputScript, AMissingFileIsAnError) {
    InputScript s;
    std::string error;
    EXPECT_FALSE(s.load("/nonexistent/script.txt", error));
    EXPECT_NE(error.find("cannot be read"), std::string::npos);
}

}  // namespace
}  // namespace hc
