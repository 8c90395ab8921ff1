#include "scenes/ranking_scene.h"

namespace hc {

// The screen itself is not built yet: the ranking loads nothing, draws nothing and stays.

bool RankingScene::init(int endlessMode) {
    (void)endlessMode;
    return true;
}

int RankingScene::update() { return 0; }

void RankingScene::drawBackdrop() {}

void RankingScene::drawList() {}

void RankingScene::release() {}

}  // namespace hc
