#pragma once
#include <memory>

#include "platform/sound_device.h"

namespace hc {

// OpenAL Soft device and context on the default output; null when either cannot be had.
std::unique_ptr<SoundDevice> createOpenAlSoundDevice();

}  // namespace hc
