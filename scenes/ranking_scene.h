#pragma once

namespace hc {

// The ranking screen: the list of one ranking file over the orbiting stage. update returns 1 to
// leave for the title, 0 to stay.
class RankingScene {
public:
    bool init(int endlessMode);
    int update();
    void drawBackdrop();  // 3-D pass
    void drawList();      // 2-D pass, inside the sprite bracket
    void release();
};

}  // namespace hc
