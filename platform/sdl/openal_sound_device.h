#pragma once
#include <memory>
#include <string>

#include "platform/sound_device.h"

namespace hc {

// OpenAL Soft device and context on the default output; null when either cannot be had, with the
// reason in *failure and in words in *why when given.
std::unique_ptr<SoundDevice> createOpenAlSoundDevice(SoundDeviceFailure* failure = nullptr, std::string* why = nullptr);

}  // namespace hc
