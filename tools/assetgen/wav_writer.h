// Canonical PCM WAV: RIFF header, a 16-byte fmt chunk at offset 12, the data chunk header at 36,
// samples from 44. The game drops the last 44 bytes of the data, so 44 bytes of silence close it.
#pragma once

#include <vector>

class WavWriter {
 public:
  // `frames` holds interleaved samples in [-1, 1]; they are scaled by `gain` and clipped.
  static std::vector<unsigned char> encode(const std::vector<float>& frames, int channels, int rate, float gain = 1.0f);
};
