#include "engine/services.h"

#include "platform/platform.h"

namespace hc {

Device* gDevice = nullptr;
Sprite* gSprite = nullptr;
Font* gFont = nullptr;
SoundDevice* gSoundDevice = nullptr;

void showError(const std::string& text, const std::string& caption) { platform().messageBox(text, caption); }

}  // namespace hc
