#include "scenes/game_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "engine/input_state.h"
#include "engine/services.h"
#include "engine/sound_buffer.h"
#include "engine/texture_cache.h"
#include "game/enemy_base.h"
#include "game/light_settings.h"

namespace hc {

namespace {

constexpr const char* kHudSheetPath = "Resource_Blade/UI/CorvanChip.png";
constexpr const char* kMusicPath = "Resource_Blade/BGM/Q BLEND HALL/road.wav";
constexpr float kRadiansToDegrees = 57.29578f;
constexpr std::int32_t kStrikePhase = 2;

bool cleared(std::int32_t result) { return (result & Player::kWaveCleared) != 0; }
bool defeated(std::int32_t result) { return (result & Player::kPlayerDead) != 0; }

}  // namespace

GameScene::GameScene() = default;

GameScene::~GameScene() = default;

std::int32_t GameScene::clearBonus(int endlessMode, std::uint32_t stageNumber) {
    if (endlessMode) return stageNumber % 10 == 0 ? 2000 : 1000;
    if (stageNumber == 10 || stageNumber == 20) return 2000;
    if (stageNumber == kLastStoryStage) return 5000;
    return 1000;
}

std::int32_t GameScene::addToScore(std::int32_t current, std::int64_t delta) {
    const std::int64_t sum = static_cast<std::int64_t>(current) + delta;
    if (sum <= 0) return 0;
    return static_cast<std::int32_t>(std::min<std::int64_t>(sum, std::numeric_limits<std::int32_t>::max()));
}

bool GameScene::init(int endlessMode) {
    if (!field.load()) return false;
    const Vec3 start = field.startPosition[field.currentSlot];
    if (!player.init(start.x, start.y, start.z)) return false;
    player.lastAction = 0;
    player.enemyHooks = &enemies.hooks;
    if (!enemies.load(&player.enemies, field.currentSlot, endlessMode != 0)) return false;
    player.enemiesLeft = enemies.enemyCount;
    if (!TextureCache::load(hud.sheet, kHudSheetPath)) return false;
    hud.blink = 0;
    if (!scenario.init(endlessMode)) return false;
    if (!ending.init(endlessMode)) return false;
    if (!SoundBuffer::load(kMusicPath, bgm)) return false;
    score = 0;
    // The music is left for the first update to start.
    gDevice->setRenderState(RenderState::Lighting, 1);
    return true;
}

int GameScene::update(int endlessMode) {
    if (field.stageNumber % 10 == 0) LightSettings::dimForStage(static_cast<int>(field.stageNumber));

    if (ending.active) {
        if (ending.update() != 0) return 0;
        if (bgm) bgm->stop();
        return 1;
    }

    // Starts the music on the first tick and again whenever it has played to its end.
    if (bgm) bgm->keepAlive();

    if (cleared(player.result) && handleClear(endlessMode)) return 0;

    std::int32_t delta = 0;
    if (combat(endlessMode, delta)) return 0;

    score = addToScore(score, delta);

    CharacterBase& knight = *player.character;
    knight.move = field.collideWalls(player.bodyMesh, knight.move, player.worldMatrix());

    stepRemarks(endlessMode);

    applyMoves(player.character.get(), player.enemies, enemies.enemyCount);

    if (player.result != Player::kRunning) field.dropsAllowed = false;
    field.updateDrops(endlessMode != 0, player.worldMatrix());

    if (player.result == Player::kPlayerDead) {
        field.dropsAllowed = false;
        if (gInput.padHit(kConfirmButton)) scenario.closingRequested = 1;
        if (scenario.closingDone) {
            if (bgm) bgm->stop();
            if (field.stageNumber >= kFirstRankedStage) {
                startEnding();
                return 0;
            }
            return 1;
        }
    }
    return 0;
}

bool GameScene::handleClear(int endlessMode) {
    if (!endlessMode) {
        const int r = scenario.update(static_cast<int>(field.stageNumber), 0);
        if (r == 1) {
            // The event of this cleared stage: it begins once the running strike is over.
            player.combatStep(true);
            if (player.blade.controller.phase != kStrikePhase && scenario.finished == 0) {
                const Vec3 place = field.probeAhead(player.worldMatrix());
                if (!scenario.knightPosition) scenario.knightPosition = std::make_unique<Vec3>(place);
                scenario.active = 1;
                player.cameraMode =
                    field.stageNumber == kLastStoryStage ? Player::kFinalEventView : Player::kEventView;
                player.blade.handOnly = 1;
            }
            if (scenario.active == 1 || scenario.finished != 1) return true;
        } else if (field.stageNumber == kLastStoryStage) {
            if (bgm) bgm->stop();
            startEnding();
            return true;
        }
    }

    if (field.changing) {
        stepStageChange(endlessMode, true);
    } else if (gInput.padHit(kConfirmButton)) {
        score = addToScore(score, clearBonus(endlessMode, field.stageNumber));
        stepStageChange(endlessMode, false);
    }
    return false;
}

void GameScene::stepStageChange(int endlessMode, bool clearFinished) {
    field.updateStageChange(endlessMode != 0, player.worldMatrix());
    if (field.changing) return;
    enemies.buildWave(&player.enemies, field.stageNumber, field.currentSlot);
    player.enemiesLeft = enemies.enemyCount;
    player.character->transform.position = field.startPosition[field.currentSlot];
    if (clearFinished) scenario.finished = 0;
    // The story event showed the empty hand; the new stage is fought with the blade again.
    player.blade.handOnly = 0;
}

bool GameScene::combat(int endlessMode, std::int32_t& delta) {
    delta = 0;
    if (!endlessMode) {
        if (scenario.active == 1) {
            if (scenario.update(static_cast<int>(field.stageNumber), 1) == 1) {
                player.combatStep(true);
                field.dropsAllowed = false;
                return true;
            }
            return false;
        }
        delta = player.combatStep(field.changing);
        return false;
    }
    if (scenario.endlessHold || scenario.fading) {
        // The opening fade of an endless run holds the knight.
        player.combatStep(true);
        if (scenario.fading) scenario.endlessHold = 0;
        return true;
    }
    delta = player.combatStep(field.changing);
    scenario.active = 0;
    return false;
}

void GameScene::stepRemarks(int endlessMode) {
    const Vec3 move = player.character->move;
    const bool still = move.x == 0.0f && move.y == 0.0f && move.z == 0.0f;
    const bool finalStage = field.stageNumber == kLastStoryStage && !endlessMode;
    const bool idle = still && player.result == Player::kRunning && !finalStage && !gInput.padHit(kRemarkSkipButton);
    scenario.mutter.update(idle ? 1 : 0);
}

void GameScene::startEnding() {
    ending.active = 1;
    RankingRecord& own = ending.entry.ownRecord;
    own.position = kOwnRecordPosition;
    std::memset(own.name, 0, 5);
    own.stage = static_cast<std::int32_t>(field.stageNumber);
    own.score = score;
}

void GameScene::draw3D() {
    if (ending.active) {
        if (ending.phase == 0) ending.entry.backdrop.draw();
        return;
    }
    field.draw();

    if (scenario.active == 1 && field.stageNumber != 1 && scenario.knightPosition) {
        // Face the second knight while it speaks.
        const Matrix world = player.worldMatrix();
        const Vec3& k = *scenario.knightPosition;
        player.heading = std::atan2(k.x - world.m[3][0], k.z - world.m[3][2]) * kRadiansToDegrees;
    }

    gDevice->setRenderState(RenderState::SpecularEnable, 1);
    enemies.drawEnemies(player.enemies);
    player.draw();
    gDevice->setRenderState(RenderState::SpecularEnable, 0);

    scenario.drawKnight(player.worldMatrix());
}

void GameScene::draw2D(int endlessMode) {
    // The sheets carry their own colours; the draw colour tints nothing here.
    gDevice->setTextureStageState(0, TextureStageState::ColorOp, TOP_SELECTARG1);
    gDevice->setTextureStageState(0, TextureStageState::ColorArg1, TA_TEXTURE);

    if (ending.active) {
        ending.draw();
        return;
    }

    const std::uint32_t stage = field.stageNumber;
    if (!endlessMode && scenario.active == 1) {
        bool fadeOnly = false;
        if (stage == 1) {
            fadeOnly = scenario.fadeScreen(2) != 0;
        } else if (stage == kLastStoryStage) {
            if (scenario.finalFadeOut) {
                scenario.fadeScreen(1);
                fadeOnly = true;
            } else {
                fadeOnly = scenario.fadeScreen(2) != 0;
            }
        } else if (!scenario.closingRequested) {
            scenario.fadeStarted = 0;
        }
        if (!fadeOnly) {
            hud.drawEventPanel();
            scenario.drawText();
        }
        return;
    }
    if (endlessMode) {
        if (stage == 1) {
            if (scenario.fadeScreen(2) != 0) return;
        } else if (!scenario.closingRequested) {
            scenario.fadeStarted = 0;
        }
    }

    hud.drawMain(stage, enemies.enemyCount, player.enemiesLeft, *player.character,
                 static_cast<std::uint32_t>(std::max(player.gauge, 0.0f)), player.heading, score);
    scenario.mutter.draw();
    if (cleared(player.result) && (endlessMode || stage != kLastStoryStage)) hud.drawClear();
    if (defeated(player.result)) hud.drawDefeat(stage < kFirstRankedStage);
    if (scenario.closingRequested) scenario.closingDone = scenario.drawClosingFade() ? 1 : 0;
}

void GameScene::release() {
    if (gDevice) gDevice->setRenderState(RenderState::Lighting, 0);
    SoundBuffer::release(bgm);
    bgm = nullptr;
    ending.release();
    scenario.release();
    TextureCache::release(hud.sheet);
    hud.sheet = nullptr;
    enemies.release(&player.enemies);
    player.enemyHooks = nullptr;
    player.release();
    field.release();
}

}  // namespace hc
