#include "platform/playable_format.h"

namespace hc {

bool playableFormat(const WaveFormat& format) {
    if (format.formatTag != 1) return false;
    if (format.channels != 1 && format.channels != 2) return false;
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) return false;
    if (format.samplesPerSecond < 100 || format.samplesPerSecond > 200000) return false;
    const std::uint32_t frame = format.channels * (format.bitsPerSample / 8u);
    return format.blockAlign == frame && format.averageBytesPerSecond == format.samplesPerSecond * frame;
}

std::uint32_t wholeFrameBytes(const WaveFormat& format, std::uint32_t bytes) {
    if (format.blockAlign == 0) return 0;
    return bytes - bytes % format.blockAlign;
}

}  // namespace hc
