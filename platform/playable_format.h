#pragma once
#include <cstdint>

#include "platform/sound_device.h"

namespace hc {

// The sound buffers' common format rule: PCM, 8 or 16 bits, 1 or 2 channels, 100..200000 samples per
// second, with block align and average bytes per second consistent with those.
bool playableFormat(const WaveFormat& format);

// Bytes of whole sample frames in a data block of the given size.
std::uint32_t wholeFrameBytes(const WaveFormat& format, std::uint32_t bytes);

}  // namespace hc
