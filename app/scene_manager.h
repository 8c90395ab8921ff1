#pragma once

namespace hc {

class GameScene;
class RankingScene;
class TitleScene;

// Which scene exists and runs: two tables of callbacks, one for the update half of a tick and one for
// the draw half, each selected by an index that the callbacks themselves change. A scene is created by
// an init entry of the update table and deleted by the update entry that leaves it, so a change of
// scene costs two ticks without a drawn frame.
class SceneManager {
public:
    using UpdateCallback = int (*)(SceneManager&);  // 0 ends the program
    using DrawCallback = void (*)(SceneManager&);
    static constexpr int kTableSize = 6;

    enum SceneKind : int { kTitle = 0,
                           kRanking = 1,
                           kGame = 2 };  // values of sceneKind
    // Entries of the update table, the values of updateIndex.
    enum UpdateEntry : int {
        kTitleInit = 0,
        kTitleUpdate = 1,
        kRankingInit = 2,
        kRankingUpdate = 3,
        kGameInit = 4,
        kGameUpdate = 5,
    };
    // Entries of the draw table, the values of drawIndex.
    enum DrawEntry : int {
        kTitleEnter = 0,
        kTitleDraw = 1,
        kRankingEnter = 2,
        kRankingDraw = 3,
        kGameEnter = 4,
        kGameDraw = 5,
    };

    GameScene* gameScene = nullptr;
    TitleScene* titleScene = nullptr;
    RankingScene* rankingScene = nullptr;
    int sceneKind = kTitle;
    int updateIndex = kTitleInit;
    int drawIndex = kTitleEnter;
    int endlessMode = 0;  // set when the title is left
    int quitHoldCounter = 0;
    UpdateCallback updateTable[kTableSize];
    DrawCallback drawTable[kTableSize];

    SceneManager();
    ~SceneManager();
    SceneManager(const SceneManager&) = delete;
    SceneManager& operator=(const SceneManager&) = delete;

    int update();
    void draw();
    // Releases and deletes every scene that exists, in the order title, game, ranking.
    void releaseAll();

    // What the update callbacks do with the results of the scenes' updates.
    int onTitleResult(int result);
    int onRankingResult(int result);
    int onGameResult(int result);
};

}  // namespace hc
