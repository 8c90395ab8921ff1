#pragma once
// The bot that plays through the same pad as a person: it picks the mode on the title, turns story
// pages, fights each wave, confirms cleared stages and defeats, and types its name at the end. It only
// reads the game (BotView) and decides the pad for the coming tick.
#include <cstdint>
#include <string>

#include "tools/gamedrive/bot_grid.h"
#include "tools/gamedrive/bot_view.h"
#include "tools/gamedrive/pad_feed.h"

namespace hc {

class BotPilot {
public:
    static constexpr const char* kDefaultName = "ROBOT";

    // Pad buttons as the game reads them.
    static constexpr PadButton kA = PadButton::A, kB = PadButton::B, kX = PadButton::X;
    static constexpr PadButton kCancel = PadButton::LeftStick, kThrust = PadButton::RightStick;
    static constexpr int kStartItem = 1;  // the title's cursor on "start"

    // name: five letters A-Z or spaces, entered at the end of a ranked run.
    BotPilot(bool endless, const std::string& name);

    PadPicture decide(const BotView& view, const BotGrid& grid);

    // Raw stick values that read, after the input's dead zone, as a full deflection toward the
    // heading (degrees: 0 up, which walks toward +z; 90 right, toward +x).
    static void stickToward(float heading, int deadZone, int& x, int& y);
    // The way from the knight to a point as a heading.
    static float headingTo(float fromX, float fromZ, float toX, float toZ);
    // a - b folded into -180..180.
    static float angleDiff(float a, float b);
    // Steps from the current letter to the wanted one, the short way round the 27 letters (+ right).
    static int letterSteps(int current, int wanted);

    // Tuning of the fight.
    static constexpr float kGolemReach = 1.6f;     // a golem this near is struck
    static constexpr float kObsidianReach = 3.0f;  // the obsidian, by the larger ground axis
    static constexpr float kGolemStand = 1.3f;     // where the knight means to stand to strike
    static constexpr float kObsidianStand = 2.4f;
    static constexpr float kTouchDistance = 1.0f;   // a golem this near can hurt
    static constexpr float kCloseDistance = 1.05f;  // nearer than this the knight steps back first
    static constexpr float kChaseDistance = 1.5f;   // mid-swing, a golem further off is followed
    static constexpr float kChargeMargin = 1.4f;    // a rush passing further off the knight misses
    static constexpr float kEvadeTicks = 45.0f;     // a blow this close in time is dodged
    static constexpr float kCancelTicks = 18.0f;    // ...leaving a swing for it when this close
    // How long a swing holds the knight (forward cut; sweeps and the turning cut; the thrust), and how
    // long he then needs to get off the line of a rush.
    static constexpr float kCutTicks = 28.0f;
    static constexpr float kSweepTicks = 45.0f;
    static constexpr float kThrustTicks = 41.0f;
    static constexpr float kSidestepTicks = 27.0f;
    // Ticks from a flick until its blade can land: the forward cut, the sweeps.
    static constexpr float kCutLands = 5.0f;
    static constexpr float kSweepLands = 18.0f;
    static constexpr float kThrustGauge = 70.0f;
    static constexpr float kDashLength = 1.5f;  // how far the paid thrust carries the knight
    static constexpr float kCancelCost = 30.0f;
    static constexpr float kFinisherNeed = 150.0f;   // in the gauge at the flick that queues the finisher
    static constexpr float kFinisherGauge = 175.0f;  // ...after the thrust before it took its 25    // the dash leaves enough for a cancel after it
    static constexpr int kStuckTicks = 45;
    static constexpr int kEscapeTicks = 40;      // how far ahead a dodge is judged
    static constexpr float kEscapeHold = 0.25f;  // a dodge is changed only for one this much safer
    static constexpr int kTitleWait = 30;        // ticks on the title before confirming
    // Before blocks drop the knight goes where they cannot wall him in with the stage's walls and the
    // blocks fallen before: this many ticks ahead, at most this many cells away, this far from walls.
    static constexpr int kShelterLead = 360;
    static constexpr int kShelterSteps = 16;
    static constexpr int kShelterClearance = 5;

    // What the fight did, for tuning and the report.
    int flicks = 0, thrusts = 0, finishers = 0, cancels = 0, evasions = 0;

private:
    struct Threat {
        int enemy = -1;            // index into the view's enemies, -1: none
        float time = 1e9f;         // ticks until it reaches the knight
        float dirX = 0, dirZ = 0;  // the line it comes along (or, on top of the knight, the way off it)
        bool crossing = false;     // get off the line sideways rather than along it
        float aimLeft = 0;         // ticks before an aiming golem rushes (0: it rushes already)
    };

    PadPicture onTitle(const BotView& view);
    PadPicture onGame(const BotView& view, const BotGrid& grid);
    PadPicture onNameEntry(const BotView& view);
    void fight(const BotView& view, const BotGrid& grid, PadPicture& pad);
    Threat worstThreat(const BotView& view) const;
    int chooseTarget(const BotView& view);
    float reach(const BotEnemy& enemy) const;
    void walkToward(const BotView& view, const BotGrid& grid, float x, float z, PadPicture& pad);
    // Where to stand to strike at a golem, clear of walls where that can be.
    BotGrid::Point standPoint(const BotView& view, const BotGrid& grid, const BotEnemy& target) const;
    // The heading nearest the wanted one that walks clear of the walls.
    float clearHeading(const BotView& view, const BotGrid& grid, float heading) const;
    // While dodging: the knight has not got anywhere for a while.
    bool evadeStuck(const BotView& view);
    void evade(const BotView& view, const BotGrid& grid, const Threat& threat, PadPicture& pad);
    // How well holding the stick this way gets the knight clear of the threat in a short while.
    float escapeScore(const BotView& view, const BotGrid& grid, const Threat& threat, float stick) const;
    bool flickToward(const BotView& view, float heading, PadPicture& pad);
    // Where to wait for the coming drop (kept until the walls change).
    BotGrid::Point shelter(const BotView& view, const BotGrid& grid);
    // A fresh press of the button now and then: held for one tick, then let go.
    bool tap(PadButton button, int every, PadPicture& pad);
    int enemiesNear(const BotView& view, float x, float z, float radius) const;
    unsigned dice();

    bool endless_;
    BotView::Screen screen_ = BotView::Screen::None;
    int screenSince_ = 0;
    bool evading_ = false;
    int evadeEnemy_ = -1;                        // wave index of the golem being dodged
    float evadeHeading_ = 0;                     // kept while dodging it, so the knight's facing settles and he runs
    float evadeAnchorX_ = 0, evadeAnchorZ_ = 0;  // where the knight was when last checked while dodging
    int evadeAnchorTick_ = 0;
    bool evadeMoved_ = true;
    int lastWalk_ = -10;
    std::string name_;
    int tick_ = 0;
    PadPicture last_;
    int lastPress_[10] = {-1000, -1000, -1000, -1000, -1000, -1000, -1000, -1000, -1000, -1000};
    int targetKey_ = -1;  // wave index of the golem being fought
    // Getting unstuck from a wall corner.
    float anchorX_ = 0, anchorZ_ = 0;
    int anchorTick_ = 0;
    int detourUntil_ = 0;
    float detourHeading_ = 0;
    unsigned dice_ = 1;
    bool finisherArmed_ = false;    // a thrust was started to chain the finisher
    std::uint64_t shelterKey_ = 0;  // the walls the shelter was chosen among
    BotGrid::Point shelter_;
};

}  // namespace hc
