#include "scenes/mutter_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/texture_cache.h"
#include "tests/unit/events_test_support.h"

namespace hc {
namespace {

using events_test::DataTree;
using events_test::Services;

const char* const kRemarks = "Resource_Blade/Event/つぶやき.txt";

// A remark of exactly n bytes, its line break included.
std::string remarkOf(int bytes) { return std::string(static_cast<std::size_t>(bytes - 1), 'a') + "\n"; }

class MutterWindowTest : public ::testing::Test {
protected:
    DataTree tree;
    Services services;
    MutterWindow window;

    void SetUp() override { HC_REQUIRE_DATA_TREE(tree); }
    void TearDown() override {
        window.release();
        EXPECT_EQ(TextureCache::size(), 0u);
    }

    void load(const std::string& contents) {
        DataTree::write(kRemarks, contents);
        ASSERT_TRUE(window.init());
    }
    // n ticks of standing still; the last one with the given buttons newly pressed.
    void idle(int ticks, std::uint32_t lastButtons = 0) {
        for (int i = 0; i < ticks; ++i) {
            Services::press(i == ticks - 1 ? lastButtons : 0);
            window.update(1);
        }
        Services::press(0);
    }
    struct Drawn {
        std::vector<ScreenDraw> sprites;
        std::vector<events_test::RecordingFont::Call> texts;
    };
    Drawn draw() {
        services.beginSprites();
        window.draw();
        Drawn d;
        d.sprites = services.endSprites();
        d.texts = services.font.calls;
        return d;
    }
    // The remark on screen, or "" when nothing is drawn.
    std::string shown() {
        Drawn d = draw();
        return d.texts.empty() ? "" : d.texts.back().text;
    }
};

TEST_F(MutterWindowTest, OpensOnThe121stIdleTickAndTurnsEvery240Ticks) {
    load("heading\none\ntwo\nthree\n");
    EXPECT_EQ(window.count, 3);
    idle(120);
    EXPECT_EQ(window.visible, 0);
    EXPECT_EQ(shown(), "");
    idle(1);
    EXPECT_EQ(window.visible, 1);
    EXPECT_EQ(shown(), "one\n");
    idle(239);  // timer 360: still the first remark
    EXPECT_EQ(shown(), "one\n");
    idle(1);
    EXPECT_EQ(window.timer, 120);
    EXPECT_EQ(shown(), "two\n");
    // Later remarks count on from 120, so they stay one tick longer: timer 120 ... 360.
    idle(240);
    EXPECT_EQ(shown(), "two\n");
    idle(1);
    EXPECT_EQ(shown(), "three\n");
    idle(241);
    EXPECT_EQ(shown(), "one\n");  // wraps past the heading
}

TEST_F(MutterWindowTest, MovingHidesTheWindowAndTheNextOpeningShowsTheNextRemark) {
    load("heading\none\ntwo\nthree\n");
    idle(121);
    EXPECT_EQ(shown(), "one\n");
    window.update(0);
    EXPECT_EQ(window.visible, 0);
    EXPECT_EQ(window.timer, 0);
    EXPECT_EQ(window.shownOnce, 0);
    EXPECT_EQ(shown(), "");
    idle(120);
    EXPECT_EQ(shown(), "");
    idle(1);
    EXPECT_EQ(shown(), "two\n");  // the index carries on, it is never reset
}

TEST_F(MutterWindowTest, TheButtonSkipsAndRestartsTheRemarksPeriod) {
    struct Case {
        const char* name;
        int pressTick;  // idle tick on which B is newly pressed
        int indexAfter;
        int timerAfter;
    };
    const Case cases[] = {
        {"while counting the press does nothing", 60, 0, 60},
        {"on the opening tick it advances twice", 121, 2, 120},
        {"while shown it skips and restarts", 200, 2, 120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.release();
        window = MutterWindow{};
        load("heading\none\ntwo\nthree\n");
        idle(c.pressTick, padBit(PadButton::B));
        EXPECT_EQ(window.index, c.indexAfter);
        EXPECT_EQ(window.timer, c.timerAfter);
    }
    // After a skip the remark stays its full 240 ticks again.
    idle(240);
    EXPECT_EQ(window.index, 2);
    idle(1);
    EXPECT_EQ(window.index, 3);
}

TEST_F(MutterWindowTest, ThreeLinesCycleThroughTheSecondAndThirdOnly) {
    load("heading\nsecond\nthird\n");
    idle(121);
    std::vector<std::string> seen{shown()};
    for (int i = 0; i < 3; ++i) {
        idle(i == 0 ? 240 : 241);
        seen.push_back(shown());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"second\n", "third\n", "second\n", "third\n"}));
}

TEST_F(MutterWindowTest, FilesWithoutRemarksNeverDrawTheWindow) {
    struct Case {
        const char* name;
        const char* contents;  // null: no file
        bool sheetLoaded;
    };
    const Case cases[] = {
        {"one line", "heading only\n", true},
        {"empty file", "", true},
        {"no file", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.release();
        window = MutterWindow{};
        std::filesystem::remove(kRemarks);
        if (c.contents) DataTree::write(kRemarks, c.contents);
        ASSERT_TRUE(window.init());
        EXPECT_EQ(window.windowSheet != nullptr, c.sheetLoaded);
        for (int i = 0; i < 3; ++i) {
            idle(241, i == 1 ? padBit(PadButton::B) : 0);
            Drawn d = draw();
            EXPECT_TRUE(d.sprites.empty());
            EXPECT_TRUE(d.texts.empty());
        }
    }
}

TEST_F(MutterWindowTest, TheWindowWidthFollowsTheRemarksByteLength) {
    struct Case {
        int bytes;  // line break included
        int sourceTop;
        int windowX;
        int markerX;
    };
    const Case cases[] = {
        {2, 384, 418, 747},
        {39, 384, 418, 747},
        {40, 288, 370, 829},
        {59, 288, 370, 829},
        {60, 192, 322, 887},
        {74, 192, 322, 887},
        {75, 96, 274, 999},
        {99, 96, 274, 999},
        {100, 0, 130, 1103},
        {127, 0, 130, 1103},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        window.release();
        window = MutterWindow{};
        load("heading\n" + remarkOf(c.bytes));
        idle(150);  // timer 150: the marker is on
        Drawn d = draw();
        ASSERT_EQ(d.sprites.size(), 2u);
        const ScreenDraw& frame = d.sprites[0];
        EXPECT_EQ(frame.texture, window.windowSheet->texture.get());
        EXPECT_EQ(frame.source.left, 0);
        EXPECT_EQ(frame.source.top, c.sourceTop);
        EXPECT_EQ(frame.source.right, 1024);
        EXPECT_EQ(frame.source.bottom, c.sourceTop + 96);
        EXPECT_EQ(frame.screen.left, c.windowX);
        EXPECT_EQ(frame.screen.top, 440);
        const ScreenDraw& marker = d.sprites[1];
        EXPECT_EQ(marker.source.left, 20);
        EXPECT_EQ(marker.source.top, 500);
        EXPECT_EQ(marker.source.right, 44);
        EXPECT_EQ(marker.source.bottom, 524);
        EXPECT_EQ(marker.screen.left, c.markerX);
        EXPECT_EQ(marker.screen.top, 488);
        EXPECT_EQ(marker.screen.right - marker.screen.left, 18);  // 24 pixels at 0.75
        ASSERT_EQ(d.texts.size(), 1u);
        const auto& text = d.texts[0];
        EXPECT_EQ(text.text, remarkOf(c.bytes));
        EXPECT_EQ(text.rect.left, 0);
        EXPECT_EQ(text.rect.top, 0);
        EXPECT_EQ(text.rect.right, 1280);
        EXPECT_EQ(text.rect.bottom, 720);
        EXPECT_EQ(text.format, static_cast<std::uint32_t>(DT_WORDBREAK));
        EXPECT_EQ(text.colour, 0xFFFF0000u);
        EXPECT_FLOAT_EQ(text.transform.m[0][0], 0.85f);
        EXPECT_FLOAT_EQ(text.transform.m[1][1], 0.85f);
        EXPECT_FLOAT_EQ(text.transform.m[3][0], c.windowX + 42.5f);
        EXPECT_FLOAT_EQ(text.transform.m[3][1], 480.0f);
    }
}

TEST_F(MutterWindowTest, TheMarkerBlinksWithAThirtyTickHalfPeriod) {
    load("heading\none\n");
    struct Case {
        int timer;
        bool marker;
    };
    const Case cases[] = {{121, false}, {149, false}, {150, true}, {179, true}, {180, false}, {210, true}, {359, true}, {360, false}};
    int ticks = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.timer);
        idle(c.timer - ticks);
        ticks = c.timer;
        ASSERT_EQ(window.timer, c.timer);
        EXPECT_EQ(draw().sprites.size(), c.marker ? 2u : 1u);
    }
}

TEST_F(MutterWindowTest, ALineLongerThanARecordBecomesTwoBoundedRemarks) {
    load("heading\n" + std::string(199, 'b') + "\nshort\n");
    ASSERT_EQ(window.count, 3);
    for (const MutterWindow::Record& r : window.lines) EXPECT_LT(strnlen(r.text, sizeof r.text), sizeof r.text);
    idle(121);
    EXPECT_EQ(shown(), std::string(127, 'b'));
    idle(240);
    EXPECT_EQ(shown(), std::string(72, 'b') + "\n");
    idle(241);
    EXPECT_EQ(shown(), "short\n");
}

TEST_F(MutterWindowTest, ACrLfBreakCountsAsOneByteAsInTextMode) {
    load("heading\r\n" + std::string(38, 'c') + "\r\n");
    idle(121);
    Drawn d = draw();
    ASSERT_EQ(d.texts.size(), 1u);
    EXPECT_EQ(d.texts[0].text, std::string(38, 'c') + "\n");
    EXPECT_EQ(d.sprites[0].source.top, 384);  // 39 bytes: the narrowest window
}

}  // namespace
}  // namespace hc
