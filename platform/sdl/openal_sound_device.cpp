#include "platform/sdl/openal_sound_device.h"

namespace hc {

// Placeholder until the OpenAL back end lands: no device.
std::unique_ptr<SoundDevice> createOpenAlSoundDevice() { return nullptr; }

}  // namespace hc
