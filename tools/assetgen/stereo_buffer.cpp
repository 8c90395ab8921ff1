#include "stereo_buffer.h"

#include <algorithm>
#include <cmath>

float StereoBuffer::panLeft(float pan) { return static_cast<float>(std::cos((pan + 1) * 0.25 * 3.14159265358979)); }
float StereoBuffer::panRight(float pan) { return static_cast<float>(std::sin((pan + 1) * 0.25 * 3.14159265358979)); }

float StereoBuffer::peak() const {
  float p = 0;
  for (size_t i = 0; i < left.size(); ++i) p = std::max({p, std::fabs(left[i]), std::fabs(right[i])});
  return p;
}

std::vector<float> StereoBuffer::interleaved(size_t from, size_t count) const {
  std::vector<float> r;
  r.reserve(count * 2);
  for (size_t i = from; i < from + count && i < left.size(); ++i) {
    r.push_back(left[i]);
    r.push_back(right[i]);
  }
  return r;
}

std::vector<float> StereoBuffer::mono(size_t from, size_t count) const {
  std::vector<float> r;
  r.reserve(count);
  for (size_t i = from; i < from + count && i < left.size(); ++i) r.push_back((left[i] + right[i]) * 0.7071f);
  return r;
}
