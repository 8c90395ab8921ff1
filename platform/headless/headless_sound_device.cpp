#include "platform/headless/headless_sound_device.h"

namespace hc {

// Placeholder until the headless sound back end lands.
std::unique_ptr<SoundDevice> createHeadlessSoundDevice(Clock&) { return nullptr; }

}  // namespace hc
