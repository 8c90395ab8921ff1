#include "engine/services.h"

#include <cstdio>

#include "platform/platform.h"

namespace hc {

Device* gDevice = nullptr;
Sprite* gSprite = nullptr;
Font* gFont = nullptr;
SoundDevice* gSoundDevice = nullptr;

void showError(const std::string& text, const std::string& caption) {
    if (hasPlatform()) {
        platform().messageBox(text, caption);
        return;
    }
    // Tools and tests without a window still report the failure.
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

}  // namespace hc
