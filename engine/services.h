#pragma once
// Process-wide services created at start-up and kept until the program ends.
#include <string>

#include "platform/device.h"
#include "platform/font.h"
#include "platform/sound_device.h"
#include "platform/sprite.h"

namespace hc {

extern Device* gDevice;
extern Sprite* gSprite;
extern Font* gFont;
extern SoundDevice* gSoundDevice;

// The game's error box: modal, error icon, caption "エラー" unless given.
void showError(const std::string& text, const std::string& caption = "エラー");

}  // namespace hc
