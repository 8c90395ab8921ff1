#pragma once
// Sound buffers with the secondary-buffer model the game relies on: a buffer plays once from its
// position; stop keeps the position (a pause); setting the position rewinds; a buffer that has played
// to its end stops and reports position 0.
#include <cstdint>
#include <memory>

namespace hc {

struct WaveFormat {
    std::uint16_t formatTag = 0;  // 1: PCM
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSecond = 0;
    std::uint32_t averageBytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
};

class AudioBuffer {
public:
    virtual ~AudioBuffer() = default;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual void setCurrentPosition(std::uint32_t bytes) = 0;
    virtual std::uint32_t currentPosition() = 0;  // play cursor in bytes
    virtual bool playing() = 0;
};

// Why no sound device could be had: no output device, or no context on the one that opened.
enum class SoundDeviceFailure { None,
                                Device,
                                Context };

class SoundDevice {
public:
    virtual ~SoundDevice() = default;
    // Null when the format cannot be played (not 8/16-bit PCM, 1 or 2 channels) or bytes is 0.
    virtual std::unique_ptr<AudioBuffer> createBuffer(const WaveFormat& format, const std::uint8_t* data,
                                                      std::uint32_t bytes) = 0;
};

}  // namespace hc
