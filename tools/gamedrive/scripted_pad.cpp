#include "tools/gamedrive/scripted_pad.h"

namespace hc {

void ScriptedPad::apply(const PadPicture& pad) {
    ScriptedInput* input = platform_.input;
    if (!input) return;
    for (int i = 0; i < kPadButtonCount; ++i) input->pad.rgbButtons[i] = pad.buttons[i] ? 0x80 : 0;
    input->pad.lX = pad.leftX;
    input->pad.lY = pad.leftY;
    input->pad.lRx = pad.rightX;
    input->pad.lRy = pad.rightY;
    input->pad.lZ = pad.triggers;
}

}  // namespace hc
