#include "wav_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {
void put32(std::vector<unsigned char>& d, uint32_t v) {
  for (int i = 0; i < 4; ++i) d.push_back(static_cast<unsigned char>((v >> (8 * i)) & 255));
}
void put16(std::vector<unsigned char>& d, uint16_t v) {
  d.push_back(static_cast<unsigned char>(v & 255));
  d.push_back(static_cast<unsigned char>(v >> 8));
}
}  // namespace

std::vector<unsigned char> WavWriter::encode(const std::vector<float>& frames, int channels, int rate, float gain) {
  const uint32_t tail = 44;
  const uint32_t dataBytes = static_cast<uint32_t>(frames.size() * 2) + tail;
  std::vector<unsigned char> d;
  d.reserve(44 + dataBytes);
  d.insert(d.end(), {'R', 'I', 'F', 'F'});
  put32(d, 36 + dataBytes);
  d.insert(d.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(d, 16);
  put16(d, 1);
  put16(d, static_cast<uint16_t>(channels));
  put32(d, static_cast<uint32_t>(rate));
  put32(d, static_cast<uint32_t>(rate * channels * 2));
  put16(d, static_cast<uint16_t>(channels * 2));
  put16(d, 16);
  d.insert(d.end(), {'d', 'a', 't', 'a'});
  put32(d, dataBytes);
  for (float s : frames) {
    float v = std::max(-1.0f, std::min(1.0f, s * gain));
    put16(d, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767.0f))));
  }
  for (uint32_t i = 0; i < tail; ++i) d.push_back(0);
  return d;
}
