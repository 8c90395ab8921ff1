#pragma once
// Runs the script against the loop: pad changes before a tick's input read, screenshots after its
// draw, the end of the run after a tick limit or the script's end.
#include <map>
#include <string>
#include <vector>

#include "app/loop_observer.h"
#include "tools/gamedrive/input_script.h"
#include "tools/gamedrive/pad_feed.h"
#include "tools/gamedrive/run_report.h"

namespace hc {

class DriveObserver : public LoopObserver {
public:
    DriveObserver(const InputScript& script, PadFeed& pad, int tickLimit);

    // Screenshots besides the script's own.
    void addShot(int tick, const std::string& file);

    void beforeTick(Application& app, int tick) override;
    bool afterTick(Application& app, int tick) override;
    void finished(Application& app) override;

    std::string exitName;               // why the run ended
    RunReport report;                   // filled when the run has finished
    std::vector<std::string> failures;  // shots that could not be taken or written

private:
    bool takeShot(const std::string& file);

    const InputScript& script_;
    PadFeed& pad_;
    int tickLimit_;         // 0: none
    std::size_t next_ = 0;  // next script action
    PadPicture picture_;
    std::multimap<int, std::string> shots_;
    bool endRequested_ = false;
    int lastTick_ = 0;
    RunReport lastGame_;  // the game's figures after the last tick that had a game
    bool hadGame_ = false;
};

}  // namespace hc
