#pragma once
#include <memory>

#include "platform/sound_device.h"

namespace hc {

// Which part of the sound output could not be had.
enum class OpenAlFailure { None, Device, Context };

// OpenAL Soft device and context on the default output; null when either cannot be had, with the
// reason in *failure when given.
std::unique_ptr<SoundDevice> createOpenAlSoundDevice(OpenAlFailure* failure = nullptr);

}  // namespace hc
