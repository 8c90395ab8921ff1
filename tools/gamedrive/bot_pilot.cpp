#include "tools/gamedrive/bot_pilot.h"

#include <algorithm>
#include <cmath>

namespace hc {

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kDegrees = 180.0f / kPi;
constexpr int kLeftDeadZone = 200;  // what the input takes off each stick axis
constexpr int kRightDeadZone = 300;
constexpr int kLetters = 27;  // A..Z and the blank
constexpr int kBlankLetter = 26;

// Golem kinds by what they do to the knight.
constexpr int kStandingKind = 4;  // turns to face the knight, never moves
constexpr int kHarmlessKind = 6;
constexpr int kObsidianKind = 7;
constexpr int kFastKind = 1;
constexpr int kSlowKind = 2;
constexpr int kChargerKind = 5;      // always in the charge cycle
constexpr int kChargeAimTicks = 38;  // a charging golem stands and aims this long, then rushes

constexpr float kBodyRadius = 0.7f;    // ways are planned as far from wall faces
constexpr float kWalkSpeed = 0.052f;   // the knight's pace at full stick
constexpr float kStepRadius = 0.7f;    // walks keep the knight this far from wall faces: nearer, their collision throws him about
constexpr float kHalfWidth = 0.45f;    // the knight's body
constexpr float kProbeLength = 0.6f;   // how far ahead a walk is checked for walls
constexpr float kFinalStretch = 1.0f;  // nearer than this to its goal a walk goes straight

float chargeSpeed(int kind) {
    float c = kind == kFastKind ? 0.05f : kind == kSlowKind ? 0.016f
                                                            : 0.03f;
    return c * 1.15f;
}

float length(float x, float z) { return std::sqrt(x * x + z * z); }

}  // namespace

BotPilot::BotPilot(bool endless, const std::string& name) : endless_(endless), name_(name) {
    name_.resize(5, ' ');
}

void BotPilot::stickToward(float heading, int deadZone, int& x, int& y) {
    float s = std::sin(heading / kDegrees);
    float c = std::cos(heading / kDegrees);
    float m = std::max(std::fabs(s), std::fabs(c));
    float range = static_cast<float>(1000 - deadZone);
    // Scaled so that the larger axis is full; the dead zone is added back so that the game reads the
    // same direction the bot meant.
    auto raw = [&](float v) {
        float scaled = v / m * range;
        if (std::fabs(scaled) < 0.5f) return 0;
        float out = scaled + (scaled > 0 ? 1.0f : -1.0f) * static_cast<float>(deadZone);
        return static_cast<int>(std::lround(std::clamp(out, -1000.0f, 1000.0f)));
    };
    x = raw(s);
    y = raw(-c);  // stick up is negative
}

float BotPilot::headingTo(float fromX, float fromZ, float toX, float toZ) {
    return std::atan2(toX - fromX, toZ - fromZ) * kDegrees;
}

float BotPilot::angleDiff(float a, float b) {
    float d = std::remainder(a - b, 360.0f);
    return std::isfinite(d) ? d : 0.0f;
}

int BotPilot::letterSteps(int current, int wanted) {
    int forward = ((wanted - current) % kLetters + kLetters) % kLetters;
    return forward <= kLetters / 2 ? forward : forward - kLetters;
}

bool BotPilot::tap(PadButton which, int every, PadPicture& pad) {
    const int button = padIndex(which);
    if (last_.buttons[button]) {
        pad.buttons[button] = false;
        return false;
    }
    if (tick_ - lastPress_[button] < every) return false;
    pad.buttons[button] = true;
    lastPress_[button] = tick_;
    return true;
}

unsigned BotPilot::dice() {
    // A small linear congruential generator of the bot's own: the game's dice are left alone.
    dice_ = dice_ * 1103515245u + 12345u;
    return (dice_ >> 16) & 0x7FFFu;
}

PadPicture BotPilot::decide(const BotView& view, const BotGrid& grid) {
    ++tick_;
    if (view.screen != screen_) {
        screen_ = view.screen;
        screenSince_ = tick_;
    }
    PadPicture pad;
    switch (view.screen) {
    case BotView::Screen::Title: pad = onTitle(view); break;
    case BotView::Screen::Ranking: tap(kB, 20, pad); break;  // not where the bot means to be: leave
    case BotView::Screen::Game: pad = onGame(view, grid); break;
    case BotView::Screen::None: break;
    }
    last_ = pad;
    return pad;
}

PadPicture BotPilot::onTitle(const BotView& view) {
    PadPicture pad;
    // Endless is chosen by holding X while confirming "start".
    pad.buttons[padIndex(kX)] = endless_;
    if (view.titleDecided || tick_ - screenSince_ < kTitleWait) return pad;
    if (view.titleCursor != kStartItem) {
        // Up moves ranking -> start and quit -> ranking, one item per push of the stick.
        if (last_.leftY == 0) pad.leftY = -1000;
        return pad;
    }
    if (last_.leftY == 0) tap(kB, 20, pad);
    return pad;
}

PadPicture BotPilot::onGame(const BotView& view, const BotGrid& grid) {
    PadPicture pad;
    if (view.endingActive) {
        if (view.endingPhase == 0) return onNameEntry(view);
        tap(kB, 10, pad);  // the credits
        return pad;
    }
    // Story pages, a cleared stage and a defeat all wait for B.
    if (view.eventActive) {
        tap(kB, 8, pad);
        return pad;
    }
    if (view.result != BotView::kRunning) {
        if (!view.closing) tap(kB, 10, pad);
        return pad;
    }
    if (view.changing) return pad;
    fight(view, grid, pad);
    return pad;
}

PadPicture BotPilot::onNameEntry(const BotView& view) {
    PadPicture pad;
    if (view.nameWritten || view.filledSlots >= 5) return pad;
    char c = name_[static_cast<std::size_t>(view.filledSlots)];
    int wanted = c >= 'A' && c <= 'Z' ? c - 'A' : kBlankLetter;
    int steps = letterSteps(view.currentLetter, wanted);
    // Held, the stick steps the letter every few ticks; it is let go on the letter wanted, and B
    // confirms it.
    if (steps > 0)
        pad.leftX = 1000;
    else if (steps < 0)
        pad.leftX = -1000;
    else if (last_.leftX == 0)
        tap(kB, 4, pad);
    return pad;
}

float BotPilot::reach(const BotEnemy& enemy) const {
    // The obsidian is struck by ground distance alone, from well away.
    return enemy.kind == kObsidianKind ? kObsidianReach : kGolemReach;
}

int BotPilot::enemiesNear(const BotView& view, float x, float z, float radius) const {
    int n = 0;
    for (const BotEnemy& e : view.enemies)
        if (length(e.x - x, e.z - z) <= radius) ++n;
    return n;
}

BotPilot::Threat BotPilot::worstThreat(const BotView& view) const {
    Threat worst;
    for (std::size_t i = 0; i < view.enemies.size(); ++i) {
        const BotEnemy& e = view.enemies[i];
        if (e.kind >= kHarmlessKind || e.kind < 0 || e.state == 3) continue;
        float rx = view.x - e.x, rz = view.z - e.z;
        float d = length(rx, rz);
        bool rushing = e.state == 2 && e.stateTimer >= kChargeAimTicks && e.kind != kStandingKind;
        if (d < kTouchDistance) {
            // On top of the knight: off its line if it rushes, else straight away from it.
            Threat t;
            t.enemy = static_cast<int>(i);
            t.time = 0;
            if (rushing) {
                t.dirX = std::cos(e.knockHeading / kDegrees);
                t.dirZ = std::sin(e.knockHeading / kDegrees);
                t.crossing = true;
            } else {
                t.dirX = d > 1e-4f ? rx / d : 1.0f;
                t.dirZ = d > 1e-4f ? rz / d : 0.0f;
            }
            if (worst.time > 0 || d < length(view.x - view.enemies[static_cast<std::size_t>(worst.enemy)].x,
                                             view.z - view.enemies[static_cast<std::size_t>(worst.enemy)].z))
                worst = t;
            continue;
        }
        if (e.state != 2 || e.kind == kStandingKind) continue;
        float speed = chargeSpeed(e.kind);
        int rushEnd = (e.kind == kChargerKind ? 176 : 220) - 2 * (e.index % 6);
        float dirX, dirZ, along, perp, wait;
        if (!rushing) {
            // Still aiming: the rush will come straight at where the knight stands.
            dirX = rx / d;
            dirZ = rz / d;
            along = d;
            perp = 0;
            wait = static_cast<float>(kChargeAimTicks - e.stateTimer);
        } else {
            dirX = std::cos(e.knockHeading / kDegrees);
            dirZ = std::sin(e.knockHeading / kDegrees);
            along = rx * dirX + rz * dirZ;
            perp = std::fabs(rx * dirZ - rz * dirX);
            wait = 0;
        }
        if (along < -0.6f || perp > kChargeMargin) continue;
        float remaining = static_cast<float>(rushEnd - std::max(e.stateTimer, kChargeAimTicks)) * speed;
        if (along - kTouchDistance > remaining) continue;
        float time = wait + std::max(0.0f, along - kTouchDistance) / speed;
        if (time < worst.time) {
            worst.enemy = static_cast<int>(i);
            worst.time = time;
            worst.dirX = dirX;
            worst.dirZ = dirZ;
            worst.crossing = true;
            worst.aimLeft = wait;
        }
    }
    return worst;
}

int BotPilot::chooseTarget(const BotView& view) {
    int best = -1;
    float bestScore = 1e9f;
    for (std::size_t i = 0; i < view.enemies.size(); ++i) {
        const BotEnemy& e = view.enemies[i];
        float d = length(e.x - view.x, e.z - view.z);
        float score = d;
        // A golem that stands aiming is the easiest to reach, and stops its own charge when struck.
        if (e.state == 2 && e.stateTimer < kChargeAimTicks && e.kind != kStandingKind && d < 4.0f) score -= 1.5f;
        if (e.state == 3) score += 0.5f;           // flying back from the last blow
        if (e.index == targetKey_) score -= 0.7f;  // keep to one golem rather than dither
        if (score < bestScore) {
            bestScore = score;
            best = static_cast<int>(i);
        }
    }
    if (best >= 0) targetKey_ = view.enemies[static_cast<std::size_t>(best)].index;
    return best;
}

bool BotPilot::flickToward(const BotView& view, float heading, PadPicture& pad) {
    // One tick out, one tick back: the knight takes a flick once, and the stick must return first.
    if (view.flickLatch || last_.rightX != 0 || last_.rightY != 0) return false;
    stickToward(heading, kRightDeadZone, pad.rightX, pad.rightY);
    ++flicks;
    return true;
}

void BotPilot::walkToward(const BotView& view, const BotGrid& grid, float x, float z, PadPicture& pad) {
    BotGrid::Point way = grid.waypoint({view.x, view.z}, {x, z}, kBodyRadius);
    BotGrid::Cell at = BotGrid::cellOf(view.x, view.z);
    if (grid.blocked(at.x, at.z)) {
        // Pushed into a wall block: out by the nearest open cell from which the way goes on.
        BotGrid::Cell goal = BotGrid::cellOf(x, z);
        goal = grid.nearestFree(goal);
        float bestDistance = 1e9f;
        for (int dz = -1; dz <= 1; ++dz)
            for (int dx = -1; dx <= 1; ++dx) {
                BotGrid::Cell c{at.x + dx, at.z + dz};
                if (grid.blocked(c.x, c.z) || grid.path(c, goal).empty()) continue;
                float d = length(static_cast<float>(c.x) - view.x, static_cast<float>(c.z) - view.z);
                if (d < bestDistance) {
                    bestDistance = d;
                    way = {static_cast<float>(c.x), static_cast<float>(c.z)};
                }
            }
    }
    float wx = way.x - view.x, wz = way.z - view.z;
    float wl = length(wx, wz);
    if (wl > 1e-4f) {
        wx /= wl;
        wz /= wl;
    }
    // A push away from a golem within range, stronger the nearer it is.
    auto keepOff = [&](const BotEnemy& e, float range, float strength) {
        float ox = view.x - e.x, oz = view.z - e.z;
        float d = length(ox, oz);
        if (d > range || d < 1e-4f) return;
        float push = strength / (d * d);
        wx += ox / d * push;
        wz += oz / d * push;
    };
    // Give other golems a wide berth on the way: standing on one is what hurts. Not the one fought,
    // nor one standing where it stands: the walk means to come near them.
    const BotEnemy* target = nullptr;
    for (const BotEnemy& e : view.enemies)
        if (e.index == targetKey_) target = &e;
    for (const BotEnemy& e : view.enemies)
        if (e.kind != kObsidianKind && !(target && length(e.x - target->x, e.z - target->z) < 0.5f)) keepOff(e, 2.0f, 1.2f);
    // Nor stand where the next golems will appear.
    for (const BotEnemy& e : view.pending) keepOff(e, 1.5f, 0.8f);
    float heading = std::atan2(wx, wz) * kDegrees;

    // A body pressed into a corner does not move: step aside for a while.
    if (tick_ - lastWalk_ > 1) {
        anchorX_ = view.x;
        anchorZ_ = view.z;
        anchorTick_ = tick_;
    }
    lastWalk_ = tick_;
    if (tick_ - anchorTick_ >= kStuckTicks) {
        if (length(view.x - anchorX_, view.z - anchorZ_) < 0.15f) {
            // Still stuck: off some other way for a while. The walls throw a body about when it
            // presses them, so a fixed round of turns can loop for ever; the dice break the loop.
            detourHeading_ = heading + 60.0f + static_cast<float>(dice() % 240);
            detourUntil_ = tick_ + 20 + static_cast<int>(dice() % 40);
        }
        anchorX_ = view.x;
        anchorZ_ = view.z;
        anchorTick_ = tick_;
    }
    if (tick_ < detourUntil_) heading = detourHeading_;
    // The last stretch to a place chosen clear of the walls goes straight: keeping well off them there
    // would turn the knight away from a golem standing among fallen blocks.
    else if (length(x - view.x, z - view.z) < kFinalStretch && grid.clearLine({view.x, view.z}, {x, z}, kHalfWidth)) {
        stickToward(headingTo(view.x, view.z, x, z), kLeftDeadZone, pad.leftX, pad.leftY);
        return;
    }
    stickToward(clearHeading(view, grid, heading), kLeftDeadZone, pad.leftX, pad.leftY);
}

BotGrid::Point BotPilot::standPoint(const BotView& view, const BotGrid& grid, const BotEnemy& target) const {
    // Golems walk through walls and stand against them, even among fallen blocks; the knight comes at
    // one from a side where he keeps off the walls, so that their collision does not throw him about,
    // and closes in a little where the walls leave no other room within his reach.
    const float d = target.kind == kObsidianKind ? kObsidianStand : kGolemStand;
    const float r = reach(target);
    BotGrid::Point best{target.x, target.z};
    float bestScore = 1e9f;
    for (float distance : {d, (d + r) * 0.5f, r - 0.1f})
        for (int k = 0; k < 32; ++k) {
            float a = static_cast<float>(k) * 11.25f / kDegrees;
            BotGrid::Point p{target.x + std::sin(a) * distance, target.z + std::cos(a) * distance};
            float score = length(p.x - view.x, p.z - view.z) + (distance - d) * 2.0f;
            if (grid.penetration(p, kHalfWidth) > 0)
                score += 100.0f;
            else if (grid.penetration(p, kStepRadius) > 0)
                score += 4.0f;
            if (score < bestScore) {
                bestScore = score;
                best = p;
            }
        }
    return best;
}

float BotPilot::clearHeading(const BotView& view, const BotGrid& grid, float heading) const {
    // Pressing toward a wall lets the walls' collision throw the knight about and can lodge him in a
    // block: the nearest way that keeps well off them is taken instead, and only where there is none
    // (a golem standing against a wall) one that merely keeps his body out of them.
    static constexpr float kTurns[] = {0.0f, 30.0f, -30.0f, 60.0f, -60.0f, 90.0f, -90.0f, 120.0f, -120.0f, 180.0f};
    auto clear = [&](float h, float radius) {
        BotGrid::Point to{view.x + std::sin(h / kDegrees) * kProbeLength, view.z + std::cos(h / kDegrees) * kProbeLength};
        return grid.clearLine({view.x, view.z}, to, radius);
    };
    for (float turn : kTurns)
        if (std::fabs(turn) <= 60.0f && clear(heading + turn, kStepRadius)) return heading + turn;
    for (float turn : kTurns)
        if (std::fabs(turn) <= 60.0f && clear(heading + turn, kHalfWidth)) return heading + turn;
    for (float turn : kTurns)
        if (clear(heading + turn, kStepRadius)) return heading + turn;
    return heading;
}

float BotPilot::escapeScore(const BotView& view, const BotGrid& grid, const Threat& threat, float stick) const {
    const BotEnemy& e = view.enemies[static_cast<std::size_t>(threat.enemy)];
    // The knight walks along his facing, which turns toward the stick a fifth of the way each tick, and
    // slows the further the two differ: follow that for a while.
    float heading = view.heading, x = view.x, z = view.z;
    for (int t = 0; t < kEscapeTicks; ++t) {
        float d = angleDiff(stick, heading);
        heading = std::fabs(d) <= 0.5f ? stick : heading + d * 0.2f;
        float a = std::fabs(angleDiff(stick, heading));
        if (a >= 90.0f) continue;
        float step = kWalkSpeed * (1.0f - a / 90.0f);
        float nx = x + std::sin(heading / kDegrees) * step, nz = z + std::cos(heading / kDegrees) * step;
        if (!grid.clearLine({x, z}, {nx, nz}, kStepRadius)) break;
        x = nx;
        z = nz;
    }
    float score;
    if (threat.crossing) {
        float rx = x - e.x, rz = z - e.z;
        score = std::min(std::fabs(rx * threat.dirZ - rz * threat.dirX), 2.5f) * 10.0f;
    } else {
        score = std::min(length(x - e.x, z - e.z), 2.5f) * 10.0f;
    }
    // Not into the arms of another golem.
    for (const BotEnemy& o : view.enemies) {
        if (o.index == e.index || o.kind >= kHarmlessKind || o.state == 3) continue;
        float d = length(x - o.x, z - o.z);
        if (d < 1.4f) score -= (1.4f - d) * 20.0f;
    }
    return score;
}

bool BotPilot::evadeStuck(const BotView& view) {
    if (!evading_ || tick_ - evadeAnchorTick_ >= kStuckTicks) {
        evadeMoved_ = !evading_ || length(view.x - evadeAnchorX_, view.z - evadeAnchorZ_) >= 0.15f;
        evadeAnchorX_ = view.x;
        evadeAnchorZ_ = view.z;
        evadeAnchorTick_ = tick_;
    }
    return !evadeMoved_;
}

void BotPilot::evade(const BotView& view, const BotGrid& grid, const Threat& threat, PadPicture& pad) {
    const BotEnemy& e = view.enemies[static_cast<std::size_t>(threat.enemy)];
    float best = evadeHeading_;
    float bestScore = -1e9f;
    for (int k = 0; k < 16; ++k) {
        float stick = static_cast<float>(k) * 22.5f - 180.0f;
        float score = escapeScore(view, grid, threat, stick);
        // Keep to a way once chosen unless another is clearly better: dithering loses the speed.
        if (evading_ && evadeEnemy_ == e.index && std::fabs(angleDiff(stick, evadeHeading_)) < 25.0f) score += 2.0f;
        if (score > bestScore) {
            bestScore = score;
            best = stick;
        }
    }
    evadeEnemy_ = e.index;
    evadeHeading_ = best;
    stickToward(best, kLeftDeadZone, pad.leftX, pad.leftY);
}

BotGrid::Point BotPilot::shelter(const BotView& view, const BotGrid& grid) {
    if (shelterKey_ != view.fieldKey) {
        shelterKey_ = view.fieldKey;
        BotGrid::Cell c = grid.openest(BotGrid::cellOf(view.x, view.z), kShelterSteps, kShelterClearance);
        shelter_ = {static_cast<float>(c.x), static_cast<float>(c.z)};
    }
    return shelter_;
}

void BotPilot::fight(const BotView& view, const BotGrid& grid, PadPicture& pad) {
    if (view.hitPoints <= 0 || view.cameraMode == 4 || view.enemies.empty()) return;

    // The thrust runs: chain the finisher with the thrust button held and a flick at the golem.
    if (view.action == 5) {
        if ((view.phase == 1 || view.phase == 2) && finisherArmed_ && !view.queued && view.gauge >= kFinisherNeed) {
            int t = chooseTarget(view);
            const BotEnemy& e = view.enemies[static_cast<std::size_t>(t)];
            pad.buttons[padIndex(kThrust)] = true;
            if (flickToward(view, headingTo(view.x, view.z, e.x, e.z), pad)) {
                ++finishers;
                finisherArmed_ = false;
            }
        }
        return;
    }
    finisherArmed_ = false;

    bool free = view.action == 0 || (view.phase == 3 && !view.queued);
    Threat threat = worstThreat(view);
    if (threat.enemy >= 0 && threat.time < kEvadeTicks) {
        const BotEnemy& e = view.enemies[static_cast<std::size_t>(threat.enemy)];
        float d = length(e.x - view.x, e.z - view.z);
        // A golem within reach is stopped by a blow; otherwise get out of the way, leaving a swing
        // that has struck if the gauge pays for it.
        float toward = headingTo(view.x, view.z, e.x, e.z);
        // The blow must land before the rush starts (or, against a rush, before it arrives): the
        // forward cut strikes within a few ticks, the sweeps only after their wind-up.
        float lands = std::fabs(angleDiff(toward, view.heading)) <= 50.0f ? kCutLands : kSweepLands;
        float before = threat.aimLeft > 0 ? threat.aimLeft : threat.time;
        // A golem on top of the knight is struck too when getting away fails: a standing one never
        // leaves, and a wall behind the knight can hold him in its arms.
        const bool cornered = threat.time <= 0 && (e.kind == kStandingKind || evadeStuck(view));
        if (free && d <= reach(e) && (threat.time > 0 ? before >= lands : cornered)) {
            evading_ = false;
            flickToward(view, toward, pad);
            return;
        }
        // The gauge is kept for the finisher unless the blow would end the run.
        bool spare = view.hitPoints <= 1 ? view.gauge >= kCancelCost : view.gauge >= kCancelCost + kFinisherGauge;
        if (view.action != 0 && view.phase >= 2 && spare && threat.time < kCancelTicks) {
            if (tap(kCancel, 6, pad)) ++cancels;
        }
        if (!evading_) ++evasions;
        evade(view, grid, threat, pad);
        evading_ = true;
        return;
    }
    evading_ = false;

    // A blow on its way: no swing that would still hold the knight when it is time to step aside.
    auto threatenedFor = [&](float swingTicks) {
        return threat.enemy >= 0 && threat.time < swingTicks + kSidestepTicks;
    };

    // A sweep with golems all round: a flick the other way turns it into a spin.
    if ((view.action == 2 || view.action == 3) && (view.phase == 1 || view.phase == 2) && !view.queued &&
        enemiesNear(view, view.x, view.z, 2.5f) >= 2) {
        flickToward(view, view.heading, pad);
        return;
    }

    int t = chooseTarget(view);
    const BotEnemy& target = view.enemies[static_cast<std::size_t>(t)];
    float dx = target.x - view.x, dz = target.z - view.z;
    float dist = target.kind == kObsidianKind ? std::max(std::fabs(dx), std::fabs(dz)) : length(dx, dz);
    float toward = headingTo(view.x, view.z, target.x, target.z);
    float off = angleDiff(toward, view.heading);
    float r = reach(target);
    bool thrustReady = view.action == 0 && !view.flickLatch && last_.rightX == 0 && last_.rightY == 0;

    if (dist > r) {
        if (view.dropIn >= 0 && view.dropIn < kShelterLead) {
            BotGrid::Point s = shelter(view, grid);
            if (length(s.x - view.x, s.z - view.z) > 0.4f) walkToward(view, grid, s.x, s.z, pad);
            return;
        }
        // Close the last stretch with the thrust's dash when the gauge has it to spare.
        if (thrustReady && !threatenedFor(kThrustTicks) && view.gauge >= kThrustGauge && dist > kDashLength + kCloseDistance + 0.2f &&
            dist < kDashLength + r && std::fabs(off) < 12.0f &&
            grid.clearLine({view.x, view.z}, {target.x, target.z}, kBodyRadius)) {
            if (tap(kThrust, 2, pad)) {
                ++thrusts;
                finisherArmed_ = view.gauge >= kFinisherGauge && enemiesNear(view, target.x, target.z, 2.5f) >= 2;
            }
            return;
        }
        BotGrid::Point stand = standPoint(view, grid, target);
        walkToward(view, grid, stand.x, stand.z, pad);
        return;
    }

    if (free) {
        if (threat.enemy != t && threatenedFor(std::fabs(off) <= 50.0f ? kCutTicks : kSweepTicks)) {
            evade(view, grid, threat, pad);
            return;
        }
        if (dist < kCloseDistance && target.kind != kObsidianKind) {
            // Too near to swing at: step back first.
            walkToward(view, grid, view.x - dx, view.z - dz, pad);
            return;
        }
        // With golems crowding in and the gauge full enough: the thrust, then the finisher.
        if (thrustReady && view.gauge >= kFinisherGauge && enemiesNear(view, view.x, view.z, 3.0f) >= 2 &&
            std::fabs(off) < 30.0f) {
            if (tap(kThrust, 2, pad)) {
                ++thrusts;
                finisherArmed_ = true;
            }
            return;
        }
        flickToward(view, toward, pad);
        return;
    }
    // Mid-swing the body only slides: keep after a golem that drifts away.
    if (dist > kChaseDistance) stickToward(toward, kLeftDeadZone, pad.leftX, pad.leftY);
}

}  // namespace hc
