#pragma once
// Where the script's pad goes: an SDL virtual controller, or the headless scripted input.
#include "engine/pad_button.h"

namespace hc {

struct PadPicture {
    bool buttons[kPadButtonCount] = {};  // by padIndex(PadButton)
    int leftX = 0, leftY = 0, rightX = 0, rightY = 0;  // -1000..1000, y down
    int triggers = 0;                                  // left trigger positive
};

class PadFeed {
public:
    virtual ~PadFeed() = default;
    // Makes the pad read as the picture from the coming tick's input read on.
    virtual void apply(const PadPicture& pad) = 0;
};

}  // namespace hc
