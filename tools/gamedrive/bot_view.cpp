#include "tools/gamedrive/bot_view.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/application.h"
#include "scenes/game_scene.h"
#include "scenes/title_scene.h"
#include "tools/gamedrive/bot_grid.h"

namespace hc {

namespace {

// Wall chips that stop the knight: the solid letters, from a little above his feet downward.
bool solid(const FieldChip& chip, float knightY) {
    if (chip.letter != 'A' && chip.letter != 'B') return false;
    return chip.world.m[3][1] - knightY < 1.2f;
}

void buildGrid(const Field& field, float knightY, BotGrid& grid) {
    const std::int32_t slot = std::clamp<std::int32_t>(field.currentSlot, 0, Field::kSlotCount - 1);
    const std::size_t count = std::min<std::size_t>(field.chips.size(), static_cast<std::size_t>(std::max(0, field.chipCount)));
    const std::size_t floors = std::min<std::size_t>(count, static_cast<std::size_t>(std::max(0, field.floorCount[slot])));
    int minX = std::numeric_limits<int>::max(), minZ = minX;
    int maxX = std::numeric_limits<int>::min(), maxZ = maxX;
    for (std::size_t i = 0; i < floors; ++i) {
        BotGrid::Cell c = BotGrid::cellOf(field.chips[i].world.m[3][0], field.chips[i].world.m[3][2]);
        minX = std::min(minX, c.x);
        minZ = std::min(minZ, c.z);
        maxX = std::max(maxX, c.x);
        maxZ = std::max(maxZ, c.z);
    }
    if (floors == 0) {
        grid.clear();
        return;
    }
    grid.reset(minX, minZ, maxX, maxZ);
    for (std::size_t i = floors; i < count; ++i) {
        const FieldChip& chip = field.chips[i];
        if (!solid(chip, knightY)) continue;
        BotGrid::Cell c = BotGrid::cellOf(chip.world.m[3][0], chip.world.m[3][2]);
        grid.block(c.x, c.z);
    }
}

void readGame(const GameScene& game, BotView& view, BotGrid& grid, std::uint64_t& gridKey) {
    const Player& player = game.player;
    view.stage = static_cast<int>(game.field.stageNumber);
    view.result = player.result;
    view.score = game.score;
    view.changing = game.field.changing;
    view.eventActive = game.scenario.active != 0;
    view.eventFading = game.scenario.fading != 0;
    view.closing = game.scenario.closingRequested != 0;
    view.endingActive = game.ending.active != 0;
    view.endingPhase = game.ending.phase;

    const RankingEntry& entry = game.ending.entry;
    view.currentLetter = entry.currentLetter;
    view.filledSlots = 0;
    for (const auto& slot : entry.slots)
        if (slot.filled) ++view.filledSlots;
    view.nameWritten = entry.written != 0;

    if (player.character) {
        const Vec3 p = player.character->transform.position;
        view.x = p.x;
        view.y = p.y;
        view.z = p.z;
        view.hitPoints = player.character->hitPoints;
    }
    view.heading = player.heading;
    view.gauge = player.gauge;
    view.cameraMode = player.cameraMode;
    const ActionController& controller = player.blade.controller;
    view.action = controller.action;
    view.phase = controller.phase;
    view.queued = (controller.flags & ActionController::kQueued) != 0;
    view.flickLatch = player.flickLatch;
    view.enemiesLeft = player.enemiesLeft;

    view.enemies.clear();
    view.pending.clear();
    if (player.enemies) {
        const std::int32_t n = std::max(0, game.enemies.enemyCount);
        for (std::int32_t i = 0; i < n; ++i) {
            const EnemyBase& e = player.enemies[i];
            if (e.hitPoints <= 0) continue;
            BotEnemy b;
            b.index = i;
            b.kind = e.kind;
            b.state = e.state;
            b.stateTimer = e.stateTimer;
            b.hitPoints = e.hitPoints;
            b.x = e.transform.position.x;
            b.z = e.transform.position.z;
            b.knockHeading = e.knockHeading;
            (e.active ? view.enemies : view.pending).push_back(b);
        }
    }

    const Field& field = game.field;
    view.dropIn = -1;
    const bool dropsHere = field.stageNumber != 1 && (view.endless || field.stageNumber != 30);
    if (field.dropsLeft > 0 && dropsHere && !field.falling && !field.changing)
        view.dropIn = std::max(0, field.dropWait() - field.dropTimer);
    view.fieldKey = (static_cast<std::uint64_t>(field.stageNumber) << 40) ^
                    (static_cast<std::uint64_t>(static_cast<std::uint32_t>(field.chipCount)) << 8) ^
                    (field.changing ? 1u : 0u);
    if (view.fieldKey != gridKey) {
        gridKey = view.fieldKey;
        buildGrid(field, view.y, grid);
    }
}

}  // namespace

void readBotView(const Application& app, BotView& view, BotGrid& grid, std::uint64_t& gridKey) {
    const SceneManager& scenes = app.scenes;
    view.endless = scenes.endlessMode != 0;
    view.screen = BotView::Screen::None;
    if (scenes.sceneKind == SceneManager::kTitle && scenes.titleScene) {
        view.screen = BotView::Screen::Title;
        view.titleCursor = scenes.titleScene->cursor;
        view.titleDecided = scenes.titleScene->decided != 0;
    } else if (scenes.sceneKind == SceneManager::kRanking && scenes.rankingScene) {
        view.screen = BotView::Screen::Ranking;
    } else if (scenes.sceneKind == SceneManager::kGame && scenes.gameScene) {
        view.screen = BotView::Screen::Game;
        readGame(*scenes.gameScene, view, grid, gridKey);
    }
}

}  // namespace hc
