#include "app/scene_manager.h"

#include <new>

#include "engine/camera.h"
#include "engine/services.h"
#include "scenes/game_scene.h"
#include "scenes/ranking_scene.h"
#include "scenes/ranking_view.h"
#include "scenes/title_scene.h"

namespace hc {

namespace {

constexpr Colour kClearColour = 0xFF101012u;

// Every drawn frame: clear, the scene's 3-D pass, the sprite bracket with its 2-D pass, present.
template <typename Pass3D, typename Pass2D>
void drawFrame(Pass3D pass3D, Pass2D pass2D) {
    gDevice->beginScene();
    gDevice->clear(CLEAR_TARGET | CLEAR_ZBUFFER, kClearColour, 1.0f, 0);
    pass3D();
    gSprite->begin(SPRITE_ALPHABLEND);
    pass2D();
    gSprite->end();
    gDevice->endScene();
    gDevice->present();
}

// Update table.

int titleInit(SceneManager& m) {
    m.titleScene = new (std::nothrow) TitleScene();
    if (!m.titleScene || !m.titleScene->init()) return 0;
    m.updateIndex = SceneManager::kTitleUpdate;
    return 1;
}

int titleUpdate(SceneManager& m) { return m.onTitleResult(m.titleScene->update()); }

int rankingInit(SceneManager& m) {
    m.rankingScene = new (std::nothrow) RankingScene();
    if (!m.rankingScene || !m.rankingScene->init(m.endlessMode)) return 0;
    m.updateIndex = SceneManager::kRankingUpdate;
    return 1;
}

int rankingUpdate(SceneManager& m) { return m.onRankingResult(m.rankingScene->update()); }

int gameInit(SceneManager& m) {
    m.gameScene = new (std::nothrow) GameScene();
    if (!m.gameScene || !m.gameScene->init(m.endlessMode)) return 0;
    m.updateIndex = SceneManager::kGameUpdate;
    return 1;
}

int gameUpdate(SceneManager& m) { return m.onGameResult(m.gameScene->update(m.endlessMode)); }

// Draw table. An "enter" entry draws nothing; a scene's draw entry follows sceneKind to the next one.

void titleEnter(SceneManager& m) { m.drawIndex = SceneManager::kTitleDraw; }

void titleDraw(SceneManager& m) {
    switch (m.sceneKind) {
    case SceneManager::kTitle:
        if (m.titleScene) {
            TitleScene& title = *m.titleScene;
            drawFrame([&] { title.drawBackground(); }, [&] { title.drawSprites(); });
        }
        break;
    case SceneManager::kRanking: m.drawIndex = SceneManager::kRankingEnter; break;
    case SceneManager::kGame: m.drawIndex = SceneManager::kGameEnter; break;
    default: break;
    }
}

// The ranking list: the panel, shortened by 96 pixels for each of the six row places left empty, at
// most six rows from the scroll position on, the arrows, the label, and the leaving fade.
void drawRankingList(RankingScene& ranking) {
    Texture* sheet = ranking.sheet.get();
    const float scroll = ranking.scroll;
    const int count = ranking.table.count();

    gSprite->setTransform(Matrix::identity());
    const int bottom = scroll + 6 < static_cast<float>(count)
                           ? 736
                           : static_cast<int>(736 - (scroll + 6 - static_cast<float>(count)) * 96);
    const Rect panel{0, 64, 1180, bottom};
    gSprite->draw(sheet, &panel, nullptr, nullptr, 0xFFFFFFFFu);

    const unsigned rows = static_cast<unsigned>(count);
    const int end = static_cast<int>(scroll) + 6;
    for (unsigned i = static_cast<unsigned>(scroll); i < rows && static_cast<int>(i) != end; ++i)
        drawRankingRow(sheet, scroll, ranking.table.records[i]);

    drawScrollArrows(sheet, ranking.arrowPhase, scroll, static_cast<float>(count));
    drawListLabel(sheet, ranking.showsNormalList);

    if (ranking.leaving) {
        ranking.fadeLevel += 3;
        gSprite->setTransform(Matrix::identity());
        // Held at opaque: a press on the tick the fade completes delays the leaving by one more frame.
        const Colour alpha = ranking.fadeLevel < 255 ? ranking.fadeLevel : 255;
        Texture* fade = ranking.fadeTexture ? ranking.fadeTexture->texture.get() : nullptr;
        gSprite->draw(fade, nullptr, nullptr, nullptr, (alpha << 24) | 0x00FFFFFFu);
    }
}

void rankingEnter(SceneManager& m) { m.drawIndex = SceneManager::kRankingDraw; }

void rankingDraw(SceneManager& m) {
    switch (m.sceneKind) {
    case SceneManager::kRanking:
        if (m.rankingScene) {
            RankingScene& ranking = *m.rankingScene;
            drawFrame([&] { ranking.drawBackdrop(); }, [&] { drawRankingList(ranking); });
        }
        break;
    case SceneManager::kTitle: m.drawIndex = SceneManager::kTitleEnter; break;
    default: break;
    }
}

void gameEnter(SceneManager& m) { m.drawIndex = SceneManager::kGameDraw; }

void gameDraw(SceneManager& m) {
    switch (m.sceneKind) {
    case SceneManager::kGame:
        if (m.gameScene) {
            GameScene& game = *m.gameScene;
            int endless = m.endlessMode;
            drawFrame(
                [&] {
                    gCamera.updateFrustum();
                    game.draw3D();
                },
                [&] { game.draw2D(endless); });
        }
        break;
    case SceneManager::kTitle: m.drawIndex = SceneManager::kTitleEnter; break;
    default: break;
    }
}

void deleteTitle(SceneManager& m) {
    m.titleScene->release();
    delete m.titleScene;
    m.titleScene = nullptr;
}

void deleteRanking(SceneManager& m) {
    m.rankingScene->release();
    delete m.rankingScene;
    m.rankingScene = nullptr;
}

void deleteGame(SceneManager& m) {
    m.gameScene->release();
    delete m.gameScene;
    m.gameScene = nullptr;
}

}  // namespace

SceneManager::SceneManager()
    : updateTable{titleInit, titleUpdate, rankingInit, rankingUpdate, gameInit, gameUpdate},
      drawTable{titleEnter, titleDraw, rankingEnter, rankingDraw, gameEnter, gameDraw} {}

SceneManager::~SceneManager() { releaseAll(); }

int SceneManager::update() { return updateTable[updateIndex](*this); }

void SceneManager::draw() { drawTable[drawIndex](*this); }

int SceneManager::onTitleResult(int result) {
    switch (result) {
    case TitleScene::kToRanking:
        updateIndex = kRankingInit;
        sceneKind = kRanking;
        endlessMode = titleScene->endlessMode;
        deleteTitle(*this);
        return 1;
    case TitleScene::kToGame:
        updateIndex = kGameInit;
        sceneKind = kGame;
        endlessMode = titleScene->endlessMode;
        deleteTitle(*this);
        return 1;
    case TitleScene::kQuit:
        updateIndex = kTitleInit;
        sceneKind = kTitle;
        deleteTitle(*this);
        return 0;
    default: return 1;
    }
}

int SceneManager::onRankingResult(int result) {
    if (result == 1) {
        updateIndex = kTitleInit;
        sceneKind = kTitle;
        deleteRanking(*this);
    }
    return 1;
}

int SceneManager::onGameResult(int result) {
    if (result == 1) {
        updateIndex = kTitleInit;
        sceneKind = kTitle;
        deleteGame(*this);
    }
    return 1;
}

void SceneManager::releaseAll() {
    if (titleScene) deleteTitle(*this);
    if (gameScene) deleteGame(*this);
    if (rankingScene) deleteRanking(*this);
}

}  // namespace hc
