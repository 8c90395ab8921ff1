#include "tools/gamedrive/bot_drive.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "app/application.h"
#include "scenes/game_scene.h"

namespace hc {

namespace {

constexpr int kFullHitPoints = 3;

}  // namespace

BotDrive::BotDrive(const InputScript& script, PadFeed& pad, int tickLimit, const Options& options)
    : DriveObserver(script, pad, tickLimit), pilot(options.endless, options.name), pad_(pad), options_(options) {
    if (!options.logPath.empty()) {
        log_ = std::fopen(options.logPath.c_str(), "w");
        if (!log_) failures.push_back("cannot write the bot's log " + options.logPath);
    }
}

BotDrive::~BotDrive() {
    if (log_) std::fclose(log_);
}

void BotDrive::log(const Application& app, int tick, const PadPicture& pad) {
    if (!log_ || view.screen != BotView::Screen::Game) return;
    if (view.fieldKey != loggedKey_) {
        // The whole wall map once per stage, rows from +z down.
        loggedKey_ = view.fieldKey;
        std::fprintf(log_, "%d map x %d..%d z %d..%d\n", tick, grid.minX(), grid.maxX(), grid.minZ(), grid.maxZ());
        for (int z = grid.maxZ(); z >= grid.minZ() && !grid.empty(); --z) {
            std::fprintf(log_, "%4d ", z);
            for (int x = grid.minX(); x <= grid.maxX(); ++x) std::fputc(grid.blocked(x, z) ? '#' : '.', log_);
            std::fputc('\n', log_);
        }
    }
    std::fprintf(log_, "%d stage %d hp %d result %d knight %.2f %.2f heading %.0f gauge %.0f action %d/%d pad L %d %d R %d %d",
                 tick, view.stage, view.hitPoints, view.result, view.x, view.z, view.heading, view.gauge, view.action,
                 view.phase, pad.leftX, pad.leftY, pad.rightX, pad.rightY);
    for (int b = 0; b < 10; ++b)
        if (pad.buttons[b]) std::fprintf(log_, " %s", InputScript::buttonName(b));
    // The walls round the knight, rows from +z down, K where he stands.
    BotGrid::Cell at = BotGrid::cellOf(view.x, view.z);
    std::fprintf(log_, " walls ");
    for (int z = at.z + 2; z >= at.z - 2; --z) {
        for (int x = at.x - 2; x <= at.x + 2; ++x)
            std::fputc(grid.blocked(x, z) ? '#' : (x == at.x && z == at.z ? 'K' : '.'), log_);
        if (z > at.z - 2) std::fputc('/', log_);
    }
    // A knight thrown further than a walk goes in a tick: the walls that may have done it.
    if (std::fabs(view.x - lastX_) + std::fabs(view.z - lastZ_) > 0.2f && app.scenes.gameScene && !view.changing) {
        const Field& field = app.scenes.gameScene->field;
        std::fprintf(log_, " thrown from %.2f %.2f by", lastX_, lastZ_);
        const std::size_t end = std::min(field.chips.size(), static_cast<std::size_t>(std::max(0, field.chipCount)));
        for (std::size_t i = static_cast<std::size_t>(std::max(0, field.floorCount[field.currentSlot])); i < end; ++i) {
            const Matrix& w = field.chips[i].world;
            if (std::fabs(w.m[3][0] - lastX_) < 1.2f && std::fabs(w.m[3][2] - lastZ_) < 1.2f)
                std::fprintf(log_, " %c(%.2f %.2f %.2f)", field.chips[i].letter ? field.chips[i].letter : '?', w.m[3][0],
                             w.m[3][1], w.m[3][2]);
        }
    }
    lastX_ = view.x;
    lastZ_ = view.z;
    std::fprintf(log_, " |");
    for (const BotEnemy& e : view.enemies)
        std::fprintf(log_, " #%d kind %d state %d/%d hp %d at %.2f %.2f", e.index, e.kind, e.state, e.stateTimer,
                     e.hitPoints, e.x, e.z);
    std::fprintf(log_, "\n");
}

void BotDrive::beforeTick(Application& app, int tick) {
    DriveObserver::beforeTick(app, tick);
    GameScene* game = app.scenes.gameScene;
    if (game && game->player.character && options_.invincibleUntil > 0 &&
        game->field.stageNumber <= static_cast<std::uint32_t>(options_.invincibleUntil)) {
        // The one change the bot makes to the game: a knight still standing is healed in full.
        CharacterBase& knight = *game->player.character;
        if (knight.hitPoints > 0) knight.hitPoints = kFullHitPoints;
    }
    readBotView(app, view, grid, gridKey_);
    PadPicture pad = pilot.decide(view, grid);
    log(app, tick, pad);
    pad_.apply(pad);
}

bool BotDrive::afterTick(Application& app, int tick) {
    follow(app);
    if (!DriveObserver::afterTick(app, tick)) return false;
    if (played && app.scenes.sceneKind == SceneManager::kTitle && app.scenes.titleScene) {
        if (++titleTicks_ >= kTitleTicksAfterRun) {
            exitName = "bot-done";
            return false;
        }
    }
    return true;
}

void BotDrive::follow(Application& app) {
    const GameScene* game = app.scenes.gameScene;
    if (!game) return;
    played = true;
    const int stage = static_cast<int>(game->field.stageNumber);
    furthestStage = std::max(furthestStage, stage);
    runScore = game->score;
    // An endless run's opening fade holds the knight with the scenario marked active; it shows no page.
    if (!app.scenes.endlessMode && game->scenario.active && stage != lastEventStage_) {
        lastEventStage_ = stage;
        eventStages += (eventStages.empty() ? "" : " ") + std::to_string(stage);
    }
    if ((game->player.result & Player::kWaveCleared) && stage > lastClearedStage_) {
        lastClearedStage_ = stage;
        ++stagesCleared;
    }
    const RankingEntry& entry = game->ending.entry;
    if (entry.written && rankingLine.empty()) {
        std::string name(entry.ownRecord.name, strnlen(entry.ownRecord.name, 5));
        rankingLine = findRankingLine(RankingEntry::rankingPath(app.scenes.endlessMode), name,
                                      entry.ownRecord.stage, entry.ownRecord.score);
    }
}

std::string BotDrive::findRankingLine(const std::string& path, const std::string& name, int stage, int score) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    const std::string tail = "-" + name + "-" + std::to_string(stage) + "-" + std::to_string(score) + "-";
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        std::size_t dash = line.find('-');
        if (dash != std::string::npos && line.compare(dash, std::string::npos, tail) == 0) return line;
    }
    return "";
}

void BotDrive::finished(Application& app) {
    DriveObserver::finished(app);
    report.add("stagesCleared", stagesCleared);
    report.add("furthestStage", furthestStage);
    report.add("runScore", runScore);
    report.add("ranking", rankingLine);
    report.add("eventStages", eventStages);
    report.add("botFlicks", pilot.flicks);
    report.add("botThrusts", pilot.thrusts);
    report.add("botFinishers", pilot.finishers);
    report.add("botCancels", pilot.cancels);
    report.add("botEvasions", pilot.evasions);
}

}  // namespace hc
