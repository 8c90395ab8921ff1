// Whole runs through the driver's game scripts on the headless back end: title, game, stage changes,
// the stage-3 event, defeat, the name entry written into the ranking, the credits and back to the title. The scripts' moves are timed against the shipped waves, so a change to
// the golems' behaviour shows up here first.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class GameRun : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override {
        if (!std::getenv("HC_SOURCE_DIR") || !std::getenv("HC_RUNTIME_DIR"))
            GTEST_SKIP() << "HC_SOURCE_DIR and HC_RUNTIME_DIR are needed";
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / ("hc-game-run-" + std::to_string(getpid()) + "-" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "runtime");
        // A private copy of the data: the runs may rewrite ranking files.
        fs::copy(fs::path(std::getenv("HC_RUNTIME_DIR")) / "Resource_Blade", dir / "runtime" / "Resource_Blade",
                 fs::copy_options::recursive);
    }
    void TearDown() override {
        if (!dir.empty() && !HasFailure()) fs::remove_all(dir);
    }

    // The driver's JSON line for one of the shipped scripts.
    std::string run(const std::string& script) {
        fs::path path = fs::path(std::getenv("HC_SOURCE_DIR")) / "tools/gamedrive/scripts" / script;
        std::string command = "cd " + quoted(dir.string()) + " && " + quoted(HC_GAMEDRIVE) + " --headless --script " +
                              quoted(path.string()) + " --workdir " + quoted((dir / "runtime").string()) + " >" +
                              quoted((dir / "out").string()) + " 2>" + quoted((dir / "err").string());
        int raw = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << readText(dir / "err");
        return readText(dir / "out");
    }
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
