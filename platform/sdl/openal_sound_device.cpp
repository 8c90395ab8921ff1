#include "platform/sdl/openal_sound_device.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <cstdlib>

#include "platform/playable_format.h"

namespace hc {

namespace {

// The device and context; buffers hold a share so that they never outlive them.
class AlContext {
public:
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;

    AlContext() = default;
    AlContext(const AlContext&) = delete;
    AlContext& operator=(const AlContext&) = delete;
    ~AlContext() {
        if (context) {
            if (alcGetCurrentContext() == context) alcMakeContextCurrent(nullptr);
            alcDestroyContext(context);
        }
        if (device) alcCloseDevice(device);
    }

    void makeCurrent() const {
        if (alcGetCurrentContext() != context) alcMakeContextCurrent(context);
    }
};

// One buffer played by its own source. OpenAL restarts a playing source on play and rewinds a
// stopped one, so play and stop are mapped onto resume and pause, and a position set while the
// source is idle is kept here until the next play.
class OpenAlBuffer : public AudioBuffer {
public:
    OpenAlBuffer(std::shared_ptr<AlContext> context, ALuint buffer, ALuint source, std::uint32_t size,
                 std::uint16_t blockAlign)
        : context_(std::move(context)), buffer_(buffer), source_(source), size_(size), blockAlign_(blockAlign) {}

    OpenAlBuffer(const OpenAlBuffer&) = delete;
    OpenAlBuffer& operator=(const OpenAlBuffer&) = delete;
    ~OpenAlBuffer() override {
        context_->makeCurrent();
        alSourceStop(source_);
        alSourcei(source_, AL_BUFFER, 0);
        alDeleteSources(1, &source_);
        alDeleteBuffers(1, &buffer_);
    }

    void play() override {
        context_->makeCurrent();
        const ALint s = state();
        if (s == AL_PLAYING) return;
        if (s != AL_PAUSED) {
            alSourcei(source_, AL_BYTE_OFFSET, static_cast<ALint>(idlePosition_));
            idlePosition_ = 0;
        }
        alSourcePlay(source_);
    }

    void stop() override {
        context_->makeCurrent();
        if (state() == AL_PLAYING) alSourcePause(source_);
    }

    void setCurrentPosition(std::uint32_t bytes) override {
        if (bytes >= size_) return;  // outside the buffer: refused, nothing changes
        context_->makeCurrent();
        const std::uint32_t position = bytes - bytes % blockAlign_;
        if (active(state())) {
            alSourcei(source_, AL_BYTE_OFFSET, static_cast<ALint>(position));
            if (active(state())) return;
        }
        idlePosition_ = position;  // idle, or it ran out meanwhile
    }

    std::uint32_t currentPosition() override {
        context_->makeCurrent();
        if (!active(state())) return idlePosition_;
        ALint offset = 0;
        alGetSourcei(source_, AL_BYTE_OFFSET, &offset);
        if (offset < 0) return 0;
        const auto position = static_cast<std::uint32_t>(offset);
        return position - position % blockAlign_;
    }

    bool playing() override {
        context_->makeCurrent();
        return state() == AL_PLAYING;
    }

private:
    std::shared_ptr<AlContext> context_;
    ALuint buffer_;
    ALuint source_;
    std::uint32_t size_;
    std::uint16_t blockAlign_;
    std::uint32_t idlePosition_ = 0;  // where the next play starts while stopped at the end or unplayed

    ALint state() const {
        ALint s = AL_STOPPED;
        alGetSourcei(source_, AL_SOURCE_STATE, &s);
        return s;
    }
    static bool active(ALint s) { return s == AL_PLAYING || s == AL_PAUSED; }
};

ALenum alFormat(const WaveFormat& format) {
    if (format.channels == 1) return format.bitsPerSample == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
    return format.bitsPerSample == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

class OpenAlSoundDevice : public SoundDevice {
public:
    explicit OpenAlSoundDevice(std::shared_ptr<AlContext> context) : context_(std::move(context)) {}

    std::unique_ptr<AudioBuffer> createBuffer(const WaveFormat& format, const std::uint8_t* data,
                                              std::uint32_t bytes) override {
        if (!playableFormat(format) || !data) return nullptr;
        const std::uint32_t size = wholeFrameBytes(format, bytes);
        if (size == 0) return nullptr;
        context_->makeCurrent();
        alGetError();

        ALuint buffer = 0;
        alGenBuffers(1, &buffer);
        if (alGetError() != AL_NO_ERROR) return nullptr;
        alBufferData(buffer, alFormat(format), data, static_cast<ALsizei>(size),
                     static_cast<ALsizei>(format.samplesPerSecond));
        if (alGetError() != AL_NO_ERROR) {
            alDeleteBuffers(1, &buffer);
            return nullptr;
        }

        ALuint source = 0;
        alGenSources(1, &source);
        if (alGetError() != AL_NO_ERROR) {
            alDeleteBuffers(1, &buffer);
            return nullptr;
        }
        // Heard as it is: at the listener, no distance fading, never looping.
        alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
        alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
        alSourcei(source, AL_LOOPING, AL_FALSE);
        alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));
        if (alGetError() != AL_NO_ERROR) {
            alDeleteSources(1, &source);
            alDeleteBuffers(1, &buffer);
            return nullptr;
        }
        return std::make_unique<OpenAlBuffer>(context_, buffer, source, size, format.blockAlign);
    }

private:
    std::shared_ptr<AlContext> context_;
};

// Why the default output would not open, as far as OpenAL tells: its device name and error, and the
// back-end list when one was set.
std::string openFailure() {
    const ALCenum error = alcGetError(nullptr);
    const ALCchar* name = alcGetString(nullptr, ALC_DEFAULT_DEVICE_SPECIFIER);
    std::string why = "OpenAL found no output it could open (no sound server or card within reach";
    if (name && *name) why += std::string(", device \"") + name + "\"";
    if (const ALCchar* text = error != ALC_NO_ERROR ? alcGetString(nullptr, error) : nullptr)
        why += std::string(", error \"") + text + "\"";
    if (const char* drivers = std::getenv("ALSOFT_DRIVERS")) why += std::string(", ALSOFT_DRIVERS=") + drivers;
    return why + ")";
}

}  // namespace

std::unique_ptr<SoundDevice> createOpenAlSoundDevice(SoundDeviceFailure* failure, std::string* why) {
    auto fail = [failure](SoundDeviceFailure reason) -> std::unique_ptr<SoundDevice> {
        if (failure) *failure = reason;
        return nullptr;
    };
    auto context = std::make_shared<AlContext>();
    context->device = alcOpenDevice(nullptr);
    if (!context->device) {
        if (why) *why = openFailure();
        return fail(SoundDeviceFailure::Device);
    }
    context->context = alcCreateContext(context->device, nullptr);
    if (!context->context || !alcMakeContextCurrent(context->context)) return fail(SoundDeviceFailure::Context);
    if (failure) *failure = SoundDeviceFailure::None;
    return std::make_unique<OpenAlSoundDevice>(std::move(context));
}

}  // namespace hc
