#include "scenes/ending_sequence.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/mesh_cache.h"
#include "engine/sound_buffer.h"
#include "engine/texture_cache.h"
#include "tests/unit/events_test_support.h"

namespace hc {
namespace {

using events_test::DataTree;
using events_test::Services;

class EndingSequenceTest : public ::testing::Test {
protected:
    DataTree tree;
    Services services;
    EndingSequence ending;

    void SetUp() override {
        HC_REQUIRE_DATA_TREE(tree);
        DataTree::write(RankingEntry::kNormalPath, "1-AAAAA-9-500-\n");
        DataTree::write(RankingEntry::kEndlessPath, "");
    }
    void TearDown() override {
        ending.release();
        EXPECT_EQ(TextureCache::size(), 0u);
        EXPECT_EQ(MeshCache::size(), 0u);
        EXPECT_EQ(soundCacheSize(), 0u);
    }

    // What the game scene does when a run ends at stage 12 with 700 points.
    void start() {
        ASSERT_TRUE(ending.init(0));
        ending.active = 1;
        ending.entry.ownRecord.position = 6;
        ending.entry.ownRecord.stage = 12;
        ending.entry.ownRecord.score = 700;
    }
    // One tick of the game: update, then the 2-D pass; gives the update's result.
    int tick(std::uint32_t buttons = 0) {
        Services::press(buttons);
        const int r = ending.update();
        Services::press(0);
        services.beginSprites();
        ending.draw();
        lastDraws = services.endSprites();
        return r;
    }
    // Types AAAAA and lets the name entry fade out: the ending is then on the credits.
    void throughNameEntry() {
        for (int i = 0; i < 5; ++i) EXPECT_EQ(tick(padBit(PadButton::B)), 1);
        int ticks = 0;
        while (ending.phase == 0 && ++ticks < 200) EXPECT_EQ(tick(), 1);
        ASSERT_EQ(ending.phase, 1);
    }
    bool promptShown() const {
        for (const ScreenDraw& d : lastDraws)
            if (d.source.left == 719 && d.source.top == 358 && d.screen.left == 1160 && d.screen.top == 592)
                return true;
        return false;
    }
    std::vector<ScreenDraw> lastDraws;
};

TEST_F(EndingSequenceTest, TheNameEntryComesFirstAndWritesTheFile) {
    start();
    EXPECT_EQ(ending.phase, 0);
    EXPECT_EQ(ending.creditPicture->width, 1280);
    EXPECT_EQ(ending.creditPicture->height, 720);
    throughNameEntry();
    EXPECT_EQ(DataTree::read(RankingEntry::kNormalPath), "1-AAAAA-12-700-\n2-AAAAA-9-500-\n");
    EXPECT_EQ(ending.entry.done, 1);
}

TEST_F(EndingSequenceTest, TheCreditsShowTheirPictureCaptionAndBlinkingPrompt) {
    start();
    throughNameEntry();
    // The tick that switched to the credits drew them with the counter still 0.
    ASSERT_GE(lastDraws.size(), 2u);
    EXPECT_EQ(lastDraws[0].texture, ending.creditPicture.get());
    EXPECT_EQ(lastDraws[0].screen.left, 0);
    EXPECT_EQ(lastDraws[0].screen.top, 0);
    EXPECT_EQ(lastDraws[0].screen.right, 1280);
    EXPECT_EQ(lastDraws[0].screen.bottom, 720);
    EXPECT_EQ(lastDraws[1].texture, ending.chipSheet->texture.get());
    EXPECT_EQ(lastDraws[1].source.left, 484);
    EXPECT_EQ(lastDraws[1].source.top, 395);
    EXPECT_EQ(lastDraws[1].screen.left, 930);
    EXPECT_EQ(lastDraws[1].screen.top, 600);
    EXPECT_FALSE(promptShown());

    // Counter 1 ... 30 hidden, 31 ... 60 shown, then 0 hidden again: a period of 61 ticks.
    for (int counter = 1; counter <= 122; ++counter) {
        SCOPED_TRACE(counter);
        EXPECT_EQ(tick(), 1);
        const int expected = counter % 61;
        EXPECT_EQ(ending.blinkCounter, expected);
        EXPECT_EQ(promptShown(), expected > 30);
    }
}

TEST_F(EndingSequenceTest, BFadesOutAndASecondPressChangesNothing) {
    start();
    throughNameEntry();
    tick();
    EXPECT_EQ(ending.closingRequested, 0);
    int frames = 0;
    EXPECT_EQ(tick(padBit(PadButton::B)), 1);
    ++frames;
    while (!ending.finished && frames < 200) {
        ASSERT_EQ(lastDraws.back().texture, ending.fadeTexture->texture.get());
        EXPECT_EQ(lastDraws.back().colour >> 24, static_cast<Colour>(3 * frames));
        EXPECT_EQ(tick(frames == 40 ? padBit(PadButton::B) : 0), 1);
        ++frames;
    }
    EXPECT_EQ(frames, 85);  // 3, 6, ... 255
    EXPECT_EQ(ending.fadeLevel, 0);
    Services::press(0);
    EXPECT_EQ(ending.update(), 0);  // finished: once
    EXPECT_EQ(ending.phase, 2);
    EXPECT_EQ(ending.update(), 1);
    services.beginSprites();
    ending.draw();
    EXPECT_TRUE(services.endSprites().empty());
}

TEST_F(EndingSequenceTest, TheMusicIsPlayedOnEveryTickAndStartsAgainAfterItsEnd) {
    start();
    AudioBuffer& music = *ending.bgm->buffer;
    EXPECT_FALSE(music.playing());
    tick();
    EXPECT_TRUE(music.playing());
    services.platform.manualClock.advanceSeconds(1);
    const std::uint32_t position = music.currentPosition();
    EXPECT_GT(position, 0u);
    tick();
    EXPECT_GE(music.currentPosition(), position);  // it plays on, not from the start
    services.platform.manualClock.advanceSeconds(3600);
    EXPECT_FALSE(music.playing());
    tick();
    EXPECT_TRUE(music.playing());
}

TEST_F(EndingSequenceTest, AMissingCreditPictureFailsWithAMessageNamingIt) {
    std::filesystem::remove("Resource_Blade/UI");
    std::filesystem::create_directory("Resource_Blade/UI");
    std::filesystem::create_symlink(DataTree::shipped("UI/CorvanChip.png"), "Resource_Blade/UI/CorvanChip.png");
    EndingSequence failing;
    EXPECT_FALSE(failing.init(0));
    ASSERT_EQ(services.platform.messages.size(), 1u);
    EXPECT_NE(services.platform.messages[0].text.find("Credit_Title.png"), std::string::npos);
    failing.release();
}

}  // namespace
}  // namespace hc
