#include "scenes/scenario_event.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/mesh_cache.h"
#include "engine/texture_cache.h"
#include "tests/unit/events_test_support.h"

namespace hc {
namespace {

using events_test::DataTree;
using events_test::Services;

// Lines "L0\n", "L1\n", ... so that every drawn line tells where it came from.
std::string numberedScript(int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += "L" + std::to_string(i) + "\n";
    return s;
}

class ScenarioEventTest : public ::testing::Test {
protected:
    DataTree tree;
    Services services;
    ScenarioEvent event;

    void SetUp() override { HC_REQUIRE_DATA_TREE(tree); }
    void TearDown() override {
        event.release();
        EXPECT_EQ(TextureCache::size(), 0u);
        EXPECT_EQ(MeshCache::size(), 0u);
    }

    void load(const std::string& script, int endlessMode = 0) {
        DataTree::write(ScenarioEvent::kScriptPath, script);
        ASSERT_TRUE(event.init(endlessMode));
    }
    // One tick of the event, with or without a fresh B.
    int tick(int stage, int phase, bool pressB = false) {
        Services::press(pressB ? padBit(PadButton::B) : 0);
        const int r = event.update(stage, phase);
        Services::press(0);
        return r;
    }
    // The texts of one drawText call, prompt last.
    std::vector<events_test::RecordingFont::Call> page() {
        services.beginSprites();
        event.drawText();
        services.endSprites();
        return services.font.calls;
    }
    std::vector<std::string> pageLines() {
        std::vector<std::string> texts;
        auto calls = page();
        for (std::size_t i = 0; i + 1 < calls.size(); ++i) texts.push_back(calls[i].text);
        return texts;
    }
    // Presses through the running event of a stage until it ends; returns the number of presses.
    int pressThrough(int stage, int phase) {
        int presses = 0;
        while (tick(stage, phase, true) == 1) {
            ++presses;
            if (presses > 100) break;
        }
        return presses;
    }
};

TEST_F(ScenarioEventTest, InitReadsTheScriptAndStartsTheOpeningEvent) {
    DataTree::write("Resource_Blade/Event/つぶやき.txt", "heading\nremark\n");
    for (int endless : {0, 1}) {
        SCOPED_TRACE(endless);
        event.release();
        event = ScenarioEvent{};
        load("first\nsecond\n", endless);
        EXPECT_EQ(event.lineCount, 2u);
        EXPECT_STREQ(event.lines[1].text, "second\n");
        EXPECT_EQ(event.active, 1);
        EXPECT_EQ(event.endlessHold, endless);
        EXPECT_NE(event.fadeTexture, nullptr);
        EXPECT_NE(event.handMesh, nullptr);
        EXPECT_NE(event.mutter.windowSheet, nullptr);  // the remarks are loaded with the story
    }
}

TEST_F(ScenarioEventTest, AMissingScriptFailsWithAMessageNamingIt) {
    ScenarioEvent missing;
    EXPECT_FALSE(missing.init(0));
    ASSERT_EQ(services.platform.messages.size(), 1u);
    EXPECT_NE(services.platform.messages[0].text.find("シナリオ改.txt"), std::string::npos);
    EXPECT_EQ(services.platform.messages[0].caption, "エラー");
    missing.release();
}

TEST_F(ScenarioEventTest, EachEventShowsItsOwnRangeOfLinesThreeAtATime) {
    load(numberedScript(132));
    EXPECT_EQ(pageLines(), (std::vector<std::string>{"L0\n", "L1\n", "L2\n"}));
    EXPECT_EQ(tick(1, 1), 1);
    EXPECT_EQ(tick(1, 1, true), 1);
    EXPECT_EQ(pageLines(), (std::vector<std::string>{"L3\n", "L4\n", "L5\n"}));
    EXPECT_EQ(pressThrough(1, 1), 10);  // 11 pages, the end seen on the update after the last press
    EXPECT_EQ(event.topLine, 33u);
    EXPECT_EQ(event.finished, 1);
    EXPECT_EQ(event.active, 0);
    EXPECT_EQ(event.knightVisible, 0);  // the opening has no second knight

    // Stage 3 cleared: pending until the game scene starts it.
    event.finished = 0;
    EXPECT_EQ(tick(3, 0, true), 1);
    EXPECT_EQ(event.topLine, 33u);
    event.active = 1;
    event.knightPosition = std::make_unique<Vec3>(Vec3{1, 0, 2});
    EXPECT_EQ(tick(3, 0), 1);
    EXPECT_EQ(event.knightVisible, 1);
    EXPECT_EQ(pageLines(), (std::vector<std::string>{"L33\n", "L34\n", "L35\n"}));
    EXPECT_EQ(pressThrough(3, 0), 13);
    EXPECT_EQ(event.topLine, 72u);
    EXPECT_EQ(event.knightVisible, 0);
    EXPECT_EQ(event.knightPosition, nullptr);
    EXPECT_EQ(event.finished, 1);
}

TEST_F(ScenarioEventTest, TheLastEventEndsOnlyAfterItsFadeOut) {
    load(numberedScript(132));
    event.topLine = 129;
    event.active = 1;
    EXPECT_EQ(pageLines(), (std::vector<std::string>{"L129\n", "L130\n", "L131\n"}));
    event.fadeStarted = 1;
    EXPECT_EQ(tick(30, 0, true), 1);
    EXPECT_EQ(event.topLine, 132u);
    EXPECT_EQ(tick(30, 0), 1);
    EXPECT_EQ(event.finalFadeOut, 1);
    EXPECT_EQ(event.fadeStarted, 0);  // the fade-out starts from its first level
    int frames = 0;
    while (event.fadeScreen(1) != 0) {
        ++frames;
        EXPECT_EQ(tick(30, 0, true), 1);
        EXPECT_EQ(event.topLine, 132u);  // presses while fading turn nothing
    }
    EXPECT_EQ(frames, 84);  // 3, 6, ... 252 still fading; 255 ends it
    EXPECT_EQ(event.active, 1);
    EXPECT_EQ(tick(30, 0), 0);
    EXPECT_EQ(event.finished, 1);
    EXPECT_EQ(event.active, 0);
}

TEST_F(ScenarioEventTest, CallsOfTheWrongPhaseChangeNothing) {
    load(numberedScript(132));
    EXPECT_EQ(tick(1, 0, true), 0);
    EXPECT_EQ(tick(3, 1, true), 0);
    EXPECT_EQ(tick(30, 1, true), 0);
    EXPECT_EQ(event.topLine, 0u);
    EXPECT_EQ(event.active, 1);
    EXPECT_EQ(event.knightVisible, 0);
}

TEST_F(ScenarioEventTest, OtherStagesEndAnyEventAndNeverTurnAPage) {
    load(numberedScript(132));
    for (int stage : {-1, 0, 2, 4, 10, 29, 31, 100}) {
        for (int phase : {0, 1}) {
            SCOPED_TRACE(stage * 10 + phase);
            event.active = 1;
            event.fadeLevel = 120;
            EXPECT_EQ(tick(stage, phase, true), 0);
            EXPECT_EQ(event.active, 0);
            EXPECT_EQ(event.fadeLevel, 0);
            EXPECT_EQ(event.topLine, 0u);
            EXPECT_EQ(event.finished, 0);
        }
    }
}

TEST_F(ScenarioEventTest, APressDuringAFadeDoesNotTurnThePage) {
    load(numberedScript(132));
    EXPECT_EQ(event.fadeScreen(2), 1);
    EXPECT_EQ(event.fading, 1);
    EXPECT_EQ(tick(1, 1, true), 1);
    EXPECT_EQ(event.topLine, 0u);
    while (event.fadeScreen(2) != 0) {
    }
    EXPECT_EQ(tick(1, 1, true), 1);
    EXPECT_EQ(event.topLine, 3u);
    // Holding B is not a fresh press.
    gInput.padHeld = padBit(PadButton::B);
    EXPECT_EQ(event.update(1, 1), 1);
    EXPECT_EQ(event.topLine, 3u);
}

TEST_F(ScenarioEventTest, AScriptShorterThanAPageShowsWhatItHasAndKeepsItsPageCount) {
    struct Case {
        const char* script;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"", {}},
        {"only\n", {"only\n"}},
        {"one\ntwo", {"one\n", "two"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        event.release();
        event = ScenarioEvent{};
        load(c.script);
        auto calls = page();
        ASSERT_EQ(calls.size(), c.shown.size() + 1);
        for (std::size_t i = 0; i < c.shown.size(); ++i) {
            EXPECT_EQ(calls[i].text, c.shown[i]);
            EXPECT_EQ(calls[i].rect.top, static_cast<int>(18 * i));
        }
        EXPECT_EQ(pressThrough(1, 1), 11);  // the range is fixed, whatever the script holds
        EXPECT_EQ(event.finished, 1);
        EXPECT_EQ(pageLines(), std::vector<std::string>{});  // past the script: only the prompt
    }
}

TEST_F(ScenarioEventTest, AFinLineEndsThePagesDrawingButNotThePaging) {
    load("a\nFin\nc\nFinal words\nx\ny\n");
    EXPECT_EQ(pageLines(), (std::vector<std::string>{"a\n", "Fin\n"}));
    EXPECT_EQ(tick(1, 1, true), 1);
    EXPECT_EQ(event.topLine, 3u);
    EXPECT_EQ(pageLines(), std::vector<std::string>{"Final words\n"});  // a page that begins with it
}

TEST_F(ScenarioEventTest, TextAndPromptAreRedAtTheirPlaces) {
    load(numberedScript(3));
    auto calls = page();
    ASSERT_EQ(calls.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(calls[i].rect.left, 0);
        EXPECT_EQ(calls[i].rect.top, static_cast<int>(18 * i));
        EXPECT_EQ(calls[i].rect.right, 1280);
        EXPECT_EQ(calls[i].rect.bottom, 720);
        EXPECT_EQ(calls[i].format, static_cast<std::uint32_t>(DT_WORDBREAK));
        EXPECT_EQ(calls[i].colour, 0xFFFF0000u);
        EXPECT_FLOAT_EQ(calls[i].transform.m[0][0], 1.15f);
        EXPECT_FLOAT_EQ(calls[i].transform.m[1][1], 1.15f);
        EXPECT_FLOAT_EQ(calls[i].transform.m[3][0], 378.0f);
        EXPECT_FLOAT_EQ(calls[i].transform.m[3][1], 546.0f);
    }
    const auto& prompt = calls[3];
    EXPECT_EQ(sjisToUtf8(prompt.text), "Bボタンで次へ");
    EXPECT_EQ(prompt.rect.top, 0);
    EXPECT_EQ(prompt.colour, 0xFFFF0000u);
    EXPECT_FLOAT_EQ(prompt.transform.m[0][0], 0.6f);
    EXPECT_FLOAT_EQ(prompt.transform.m[3][0], 800.0f);
    EXPECT_FLOAT_EQ(prompt.transform.m[3][1], 620.0f);
}

TEST_F(ScenarioEventTest, ALineLongerThanARecordShiftsTheLaterEventsByOne) {
    std::string script;
    for (int i = 0; i < 132; ++i) script += i == 5 ? std::string(199, 'x') + "\n" : "L" + std::to_string(i) + "\n";
    load(script);
    EXPECT_EQ(event.lineCount, 133u);
    for (const ScenarioEvent::Record& r : event.lines) EXPECT_LT(strnlen(r.text, sizeof r.text), sizeof r.text);
    pressThrough(1, 1);
    event.active = 1;
    EXPECT_EQ(pageLines(), (std::vector<std::string>{"L32\n", "L33\n", "L34\n"}));
}

TEST_F(ScenarioEventTest, ScreenFadesStepByThreeBetweenTheirEnds) {
    load("a\n");
    struct Case {
        int kind;
        int first;
        int last;
        int step;
    };
    for (const Case& c : {Case{1, 3, 255, 3}, Case{2, 252, 0, -3}}) {
        SCOPED_TRACE(c.kind);
        event.fadeScreen(0);
        EXPECT_EQ(event.fadeStarted, 0);
        int expected = c.first;
        for (;;) {
            services.beginSprites();
            const int r = event.fadeScreen(c.kind);
            auto draws = services.endSprites();
            EXPECT_EQ(event.fadeLevel, expected);
            ASSERT_EQ(draws.size(), 1u);
            EXPECT_EQ(draws[0].colour, (static_cast<Colour>(expected) << 24) | 0x00FFFFFFu);
            EXPECT_EQ(draws[0].screen.left, 0);
            EXPECT_EQ(draws[0].screen.top, 0);
            EXPECT_GE(draws[0].screen.right, 1280);
            EXPECT_GE(draws[0].screen.bottom, 720);
            const bool between = expected != c.last;
            EXPECT_EQ(r, between ? 1 : 0);
            EXPECT_EQ(event.fading, between ? 1 : 0);
            if (!between) break;
            expected += c.step;
        }
        // Once at its end a fade stays there until it is reset.
        EXPECT_EQ(event.fadeScreen(c.kind), 0);
        EXPECT_EQ(event.fadeLevel, c.last);
    }
    services.beginSprites();
    EXPECT_EQ(event.fadeScreen(3), 0);
    EXPECT_TRUE(services.endSprites().empty());
}

TEST_F(ScenarioEventTest, TheClosingFadeIsDoneOnTheFrameAfterItReachesOpaque) {
    load("a\n");
    for (int frame = 1; frame <= 85; ++frame) {
        services.beginSprites();
        EXPECT_FALSE(event.drawClosingFade());
        auto draws = services.endSprites();
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0].colour >> 24, static_cast<Colour>(3 * frame));
    }
    EXPECT_TRUE(event.drawClosingFade());
    EXPECT_EQ(event.closingLevel, 255);
}

TEST_F(ScenarioEventTest, TheSecondKnightFacesThePlayer) {
    load("a\n");
    Matrix player = Matrix::identity();
    services.beginWorld();
    event.drawKnight(player);
    EXPECT_TRUE(services.endWorld().empty());  // neither visible nor placed

    event.knightVisible = 1;
    services.beginWorld();
    event.drawKnight(player);
    EXPECT_TRUE(services.endWorld().empty());  // visible but not placed

    const std::size_t bodyDraws =
        event.footRightMesh->materialCount + event.footLeftMesh->materialCount + event.bodyMesh->materialCount;
    const std::size_t handDraws = event.handMesh->materialCount;
    struct Case {
        Vec3 knight;
        Vec3 player;
    };
    const Case cases[] = {
        {{0, 0, 0}, {5, 0, 0}}, {{0, 0, 0}, {0, 0, 5}}, {{2, 1, 3}, {-4, 0, -3}}, {{10, 0, 10}, {10, 0, 4}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.player.x * 100 + c.player.z);
        event.knightPosition = std::make_unique<Vec3>(c.knight);
        player = matrixTranslation(c.player.x, 7, c.player.z);
        services.beginWorld();
        event.drawKnight(player);
        auto draws = services.endWorld();
        ASSERT_EQ(draws.size(), bodyDraws + handDraws);
        const Matrix& body = draws[0].world;
        for (std::size_t i = 1; i < bodyDraws; ++i) EXPECT_EQ(std::memcmp(&draws[i].world, &body, sizeof body), 0);
        EXPECT_FLOAT_EQ(body.m[3][0], c.knight.x);
        EXPECT_FLOAT_EQ(body.m[3][1], c.knight.y);
        EXPECT_FLOAT_EQ(body.m[3][2], c.knight.z);
        // The body's forward axis (+z) points at the player.
        const float dx = c.player.x - c.knight.x, dz = c.player.z - c.knight.z;
        const float length = std::sqrt(dx * dx + dz * dz);
        EXPECT_NEAR(body.m[2][0], dx / length, 1e-4);
        EXPECT_NEAR(body.m[2][1], 0.0f, 1e-4);
        EXPECT_NEAR(body.m[2][2], dz / length, 1e-4);
        // The hand at a fixed height, 0.24 to the knight's right side.
        const Matrix& hand = draws[bodyDraws].world;
        EXPECT_FLOAT_EQ(hand.m[3][1], 0.57f);
        const float hx = hand.m[3][0] - c.knight.x, hz = hand.m[3][2] - c.knight.z;
        EXPECT_NEAR(std::sqrt(hx * hx + hz * hz), 0.24f, 1e-4);
        EXPECT_NEAR(hx * dx + hz * dz, 0.0f, 1e-4);            // beside the body, not in front
        EXPECT_NEAR(hx * dz - hz * dx, 0.24f * length, 1e-3);  // on its right
    }
}

TEST_F(ScenarioEventTest, ReleaseGivesBackTheKnightAndEverythingLoaded) {
    load(numberedScript(10));
    event.knightPosition = std::make_unique<Vec3>(Vec3{1, 2, 3});
    event.release();
    EXPECT_EQ(event.knightPosition, nullptr);
    EXPECT_EQ(event.lineCount, 0u);
    EXPECT_EQ(TextureCache::size(), 0u);
    EXPECT_EQ(MeshCache::size(), 0u);
}

}  // namespace
}  // namespace hc
