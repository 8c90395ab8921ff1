#pragma once
#include <memory>

#include "platform/sound_device.h"

namespace hc {

// OpenAL Soft device and context on the default output; null when either cannot be had, with the
// reason in *failure when given.
std::unique_ptr<SoundDevice> createOpenAlSoundDevice(SoundDeviceFailure* failure = nullptr);

}  // namespace hc
