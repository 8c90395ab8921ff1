#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/sound_device.h"

namespace hc {

// One loaded WAV, shared by reference count between all holders of the same path.
class SoundBuffer {
public:
    char name[64] = {};
    std::unique_ptr<AudioBuffer> buffer;
    int referenceCount = 0;

    static bool load(std::string path, SoundBuffer*& out);
    static void release(SoundBuffer* handle);

    // The buffer operations the game uses.
    void play();       // play once from the current position
    void restart();    // stop, rewind, play
    void stop();       // pause; the position stays
    void keepAlive();  // restart music that has played to its end (position 0)
};

// Number of live entries (tests check that scenes give everything back).
std::size_t soundCacheSize();

}  // namespace hc
