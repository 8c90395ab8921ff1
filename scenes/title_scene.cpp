#include "scenes/title_scene.h"

namespace hc {

// The screen itself is not built yet: the title loads nothing, draws nothing and stays.

bool TitleScene::init() { return true; }

int TitleScene::update() { return 0; }

void TitleScene::drawBackground() {}

void TitleScene::drawSprites() {}

void TitleScene::release() {}

}  // namespace hc
