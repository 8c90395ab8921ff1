// Whole runs played by the driver's bot through the virtual pad, headless: the story to its ending,
// an endless run to its defeat, and a story run without help. Each ends on the title again with the
// name entered into the mode's ranking file.
#include <string>

#include "tests/program/program_support.h"

namespace {

using hc_test::jsonNumber;
using hc_test::jsonString;
using hc_test::readText;

// Far more ticks than any of these runs needs; a bot that gets stuck ends on the limit and fails.
const std::string kTickLimit = " --ticks 900000";

class BotRun : public hc_test::RuntimeCopyTest {};

TEST_F(BotRun, StoryWithTheKnightKeptUpGoesThroughAllThirtyStagesToTheEndingAndTheRanking) {
    const std::string before = readText(rankingFile("ranking_date"));
    const std::string out = drive("--bot story --invincible --seed 1" + kTickLimit);
    EXPECT_EQ(jsonString(out, "exit"), "bot-done") << out;
    EXPECT_EQ(jsonString(out, "scene"), "title") << out;
    EXPECT_EQ(jsonNumber(out, "endless"), 0) << out;
    // The Cathedral's obsidian cut down is the thirtieth clear; the ending follows it.
    EXPECT_EQ(jsonNumber(out, "stagesCleared"), 30) << out;
    EXPECT_EQ(jsonNumber(out, "furthestStage"), 30) << out;
    // The story's own pages: the opening, the second knight on stage 3, the Cathedral.
    EXPECT_EQ(jsonString(out, "eventStages"), "1 3 30") << out;

    const std::string line = jsonString(out, "ranking");
    const std::string ranking = readText(rankingFile("ranking_date"));
    EXPECT_NE(line.find("-ROBOT-30-" + std::to_string(jsonNumber(out, "runScore")) + "-"), std::string::npos) << out;
    EXPECT_NE(ranking.find(line + "\n"), std::string::npos) << ranking;
    EXPECT_NE(ranking, before);
    EXPECT_EQ(readText(rankingFile("inf_ranking_date")).find("ROBOT"), std::string::npos);
}

TEST_F(BotRun, EndlessKeptUpToStageFiveEndsByDefeatLaterWithItsLineInTheEndlessRanking) {
    const std::string storyBefore = readText(rankingFile("ranking_date"));
    const std::string out = drive("--bot endless --invincible-until 5 --seed 1" + kTickLimit);
    EXPECT_EQ(jsonString(out, "exit"), "bot-done") << out;
    EXPECT_EQ(jsonNumber(out, "endless"), 1) << out;
    EXPECT_GT(jsonNumber(out, "furthestStage"), 5) << out;
    EXPECT_EQ(jsonNumber(out, "stagesCleared"), jsonNumber(out, "furthestStage") - 1) << out;

    const std::string line = jsonString(out, "ranking");
    EXPECT_NE(line.find("-ROBOT-" + std::to_string(jsonNumber(out, "furthestStage")) + "-"), std::string::npos) << out;
    EXPECT_NE(readText(rankingFile("inf_ranking_date")).find(line + "\n"), std::string::npos);
    EXPECT_EQ(readText(rankingFile("ranking_date")), storyBefore);
}

TEST_F(BotRun, StoryWithoutHelpClearsAtLeastTheFirstThreeStages) {
    const std::string out = drive("--bot story --seed 1" + kTickLimit);
    EXPECT_EQ(jsonString(out, "exit"), "bot-done") << out;
    EXPECT_GE(jsonNumber(out, "stagesCleared"), 3) << out;
    EXPECT_EQ(jsonNumber(out, "furthestStage"), jsonNumber(out, "stagesCleared") + 1) << out;
}

}  // namespace
