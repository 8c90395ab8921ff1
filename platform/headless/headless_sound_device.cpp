#include "platform/headless/headless_sound_device.h"

#include "platform/playable_format.h"

namespace hc {

namespace {

// Keeps no samples: only the play cursor, which moves at the format's byte rate on the clock.
class HeadlessAudioBuffer : public AudioBuffer {
public:
    HeadlessAudioBuffer(Clock& clock, const WaveFormat& format, std::uint32_t bytes)
        : clock_(clock), size_(bytes), bytesPerSecond_(format.averageBytesPerSecond), blockAlign_(format.blockAlign) {}

    void play() override {
        settle();
        if (playing_) return;
        playing_ = true;
        startCounter_ = clock_.counter();
    }

    void stop() override {
        settle();
        if (!playing_) return;
        position_ = cursor();
        playing_ = false;
    }

    void setCurrentPosition(std::uint32_t bytes) override {
        if (bytes >= size_) return;  // outside the buffer: refused, nothing changes
        settle();
        position_ = bytes - bytes % blockAlign_;
        startCounter_ = clock_.counter();
    }

    std::uint32_t currentPosition() override {
        settle();
        return playing_ ? cursor() : position_;
    }

    bool playing() override {
        settle();
        return playing_;
    }

private:
    Clock& clock_;
    std::uint32_t size_;
    std::uint32_t bytesPerSecond_;
    std::uint16_t blockAlign_;
    bool playing_ = false;
    std::uint32_t position_ = 0;  // while playing: the cursor at startCounter_
    std::int64_t startCounter_ = 0;

    // Bytes played since startCounter_, exact in integers: whole seconds and the remainder apart.
    std::uint64_t elapsedBytes() {
        const std::int64_t frequency = clock_.frequency();
        const std::int64_t elapsed = clock_.counter() - startCounter_;
        if (frequency <= 0 || elapsed <= 0) return 0;
        const auto seconds = static_cast<std::uint64_t>(elapsed / frequency);
        const auto rest = static_cast<std::uint64_t>(elapsed % frequency);
        return seconds * bytesPerSecond_ + rest * bytesPerSecond_ / static_cast<std::uint64_t>(frequency);
    }

    std::uint32_t cursor() {
        const std::uint64_t at = position_ + elapsedBytes();
        return static_cast<std::uint32_t>(at - at % blockAlign_);
    }

    // A buffer that has reached its end stops and rewinds to 0.
    void settle() {
        if (playing_ && position_ + elapsedBytes() >= size_) {
            playing_ = false;
            position_ = 0;
        }
    }
};

class HeadlessSoundDevice : public SoundDevice {
public:
    explicit HeadlessSoundDevice(Clock& clock) : clock_(clock) {}

    std::unique_ptr<AudioBuffer> createBuffer(const WaveFormat& format, const std::uint8_t*,
                                              std::uint32_t bytes) override {
        if (!playableFormat(format)) return nullptr;
        const std::uint32_t size = wholeFrameBytes(format, bytes);
        if (size == 0) return nullptr;
        return std::make_unique<HeadlessAudioBuffer>(clock_, format, size);
    }

private:
    Clock& clock_;
};

}  // namespace

std::unique_ptr<SoundDevice> createHeadlessSoundDevice(Clock& clock) {
    return std::make_unique<HeadlessSoundDevice>(clock);
}

}  // namespace hc
