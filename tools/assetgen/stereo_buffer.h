// Two channels of float samples that voices and effects add into.
#pragma once

#include <cstddef>
#include <vector>

class StereoBuffer {
 public:
  StereoBuffer(size_t frames, int sampleRate) : left(frames, 0.0f), right(frames, 0.0f), rate(sampleRate) {}
  size_t frames() const { return left.size(); }
  // Adds a mono sample at frame i with equal-power pan (-1 left … 1 right); frames past the end are dropped.
  void add(size_t i, float v, float pan) {
    if (i >= left.size()) return;
    left[i] += v * panLeft(pan);
    right[i] += v * panRight(pan);
  }
  static float panLeft(float pan);
  static float panRight(float pan);
  float peak() const;
  std::vector<float> interleaved(size_t from, size_t count) const;
  std::vector<float> mono(size_t from, size_t count) const;

  std::vector<float> left, right;
  int rate;
};
