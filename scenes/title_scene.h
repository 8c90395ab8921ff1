#pragma once

namespace hc {

// The title screen: menu over the orbiting stage. Result codes of update: 0 stay, 1 ranking, 2 game,
// 3 end the program.
class TitleScene {
public:
    int endlessMode = 0;  // 1 when the choice was confirmed with pad button 2 held

    bool init();
    int update();
    void drawBackground();  // 3-D pass, between the clear and the sprite begin
    void drawSprites();     // 2-D pass, inside the sprite bracket
    void release();
};

}  // namespace hc
