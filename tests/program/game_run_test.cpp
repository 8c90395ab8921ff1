// Whole runs through the driver's game scripts on the headless back end: title, game, stage changes,
// the stage-3 event, defeat, the name entry written into the ranking, the credits and back to the title. The scripts' moves are timed against the shipped waves, so a change to
// the golems' behaviour shows up here first.
#include "tests/program/program_support.h"

namespace {

using hc_test::readText;

class GameRun : public hc_test::RuntimeCopyTest {
protected:
    std::string run(const std::string& script) { return runScript(script); }
};

TEST_F(GameRun, StoryRunClearsStageOneAndTheBonusComesWithTheRiseOfStageTwo) {
    std::string out = run("game_story_stage1.txt");
    // 80 for the cut, 500 for a wave cleared unhurt, 1000 for the clear confirmed with B.
    EXPECT_NE(out.find(R"("scene":"game","endless":0,"stage":2,"score":1580,"hitPoints":3,"enemiesLeft":2})"),
              std::string::npos)
        << out;
}

TEST_F(GameRun, DefeatOnStageTwoGoesStraightBackToTheTitle) {
    std::string out = run("game_defeat_stage2.txt");
    EXPECT_NE(out.find(R"({"ticks":2721,"exit":"script-end","scene":"title","endless":0})"), std::string::npos) << out;
}

TEST_F(GameRun, EndlessRunHasNoEventsAndGoesOnToStageTwo) {
    std::string out = run("game_endless.txt");
    EXPECT_NE(out.find(R"("scene":"game","endless":1,"stage":2,"score":1580,"hitPoints":3,"enemiesLeft":2})"),
              std::string::npos)
        << out;
}

TEST_F(GameRun, DefeatOnStageFourGoesThroughTheNameEntryAndTheCreditsBackToTheTitle) {
    std::string out = run("game_story_stage4_ending.txt");
    EXPECT_NE(out.find(R"({"ticks":6301,"exit":"script-end","scene":"title","endless":0})"), std::string::npos) << out;
    std::string ranking = readText(dir / "runtime/Resource_Blade/Ranking/ranking_date");
    EXPECT_NE(ranking.find("-BLADE-4-4000-\n"), std::string::npos) << ranking;
}

}  // namespace
