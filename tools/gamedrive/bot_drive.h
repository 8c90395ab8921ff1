#pragma once
// The driver with the bot at the pad: each tick the bot reads the game and sets the pad for the coming
// tick. It follows one run from the title to the title again, keeps count of the stages cleared and
// the furthest stage, finds the ranking line its name entry wrote, and ends the program once the title
// is back. A script still adds screenshots and an end; its pad lines give way to the bot.
#include <cstdio>
#include <string>

#include "tools/gamedrive/bot_grid.h"
#include "tools/gamedrive/bot_pilot.h"
#include "tools/gamedrive/bot_view.h"
#include "tools/gamedrive/drive_observer.h"

namespace hc {

class BotDrive : public DriveObserver {
public:
    struct Options {
        bool endless = false;
        std::string name = BotPilot::kDefaultName;
        // The knight's hit points are restored on every stage up to this one (0: never).
        int invincibleUntil = 0;
        // A line per tick of play with what the bot saw and did (empty: none).
        std::string logPath;
    };
    static constexpr int kTitleTicksAfterRun = 10;  // the title is seen this long before the end

    BotDrive(const InputScript& script, PadFeed& pad, int tickLimit, const Options& options);
    ~BotDrive() override;
    BotDrive(const BotDrive&) = delete;
    BotDrive& operator=(const BotDrive&) = delete;

    void beforeTick(Application& app, int tick) override;
    bool afterTick(Application& app, int tick) override;
    void finished(Application& app) override;

    BotPilot pilot;
    BotView view;
    BotGrid grid;

    // The run's figures.
    bool played = false;  // a game scene was reached
    int stagesCleared = 0;
    int furthestStage = 0;
    int runScore = 0;
    std::string rankingLine;  // the line the name entry added to the ranking file
    std::string eventStages;  // the stages on which a story event was shown, in order

private:
    void follow(Application& app);
    void log(const Application& app, int tick, const PadPicture& pad);
    // The line of the mode's ranking file that holds this name, stage and score.
    static std::string findRankingLine(const std::string& path, const std::string& name, int stage, int score);

    PadFeed& pad_;
    std::FILE* log_ = nullptr;
    float lastX_ = 0, lastZ_ = 0;
    Options options_;
    std::uint64_t gridKey_ = 0;
    std::uint64_t loggedKey_ = 0;
    int lastClearedStage_ = 0;
    int lastEventStage_ = 0;
    int titleTicks_ = 0;
};

}  // namespace hc
