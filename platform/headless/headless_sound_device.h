#pragma once
#include <memory>

#include "platform/platform.h"

namespace hc {

// Silent buffers whose play cursor advances with the given clock.
std::unique_ptr<SoundDevice> createHeadlessSoundDevice(Clock& clock);

}  // namespace hc
