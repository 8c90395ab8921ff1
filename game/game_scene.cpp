#include "game/game_scene.h"

namespace hc {

// The run itself is not built yet: the game scene loads nothing, draws nothing and stays.

GameScene::GameScene() = default;

GameScene::~GameScene() = default;

bool GameScene::init(int endlessMode) {
    (void)endlessMode;
    return true;
}

int GameScene::update(int endlessMode) {
    (void)endlessMode;
    return 0;
}

void GameScene::draw3D() {}

void GameScene::draw2D(int endlessMode) { (void)endlessMode; }

void GameScene::release() {}

}  // namespace hc
