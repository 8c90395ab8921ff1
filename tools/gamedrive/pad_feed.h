#pragma once
// Where the script's pad goes: an SDL virtual controller, or the headless scripted input; and its keys.
#include "engine/pad_button.h"

namespace hc {

struct PadPicture {
    bool buttons[kPadButtonCount] = {};                // by padIndex(PadButton)
    int leftX = 0, leftY = 0, rightX = 0, rightY = 0;  // -1000..1000, y down
    int triggers = 0;                                  // left trigger positive
};

class PadFeed {
public:
    virtual ~PadFeed() = default;
    // Makes the pad read as the picture from the coming tick's input read on.
    virtual void apply(const PadPicture& pad) = 0;
    // Pulls the pad out or plugs it in again; false where the feed cannot.
    virtual bool plug(bool attached) {
        (void)attached;
        return false;
    }
    // Sends a key (SDL scancode) down or up through the window system's path; false where it cannot.
    virtual bool key(int scancode, bool down) {
        (void)scancode;
        (void)down;
        return false;
    }
};

}  // namespace hc
