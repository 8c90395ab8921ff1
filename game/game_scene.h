#pragma once

namespace hc {

// One run of the game. update returns 1 when the run is over (back to the title), 0 to stay.
class GameScene {
public:
    GameScene();
    ~GameScene();
    GameScene(const GameScene&) = delete;
    GameScene& operator=(const GameScene&) = delete;

    bool init(int endlessMode);
    int update(int endlessMode);
    void draw3D();
    void draw2D(int endlessMode);
    void release();
};

}  // namespace hc
