// A single-channel coverage map (lettering, shapes used as stencils and shadows).
#pragma once

#include <cstddef>
#include <vector>

struct Mask {
  int width = 0, height = 0;
  std::vector<float> a;
  float at(int x, int y) const {
    return (x < 0 || y < 0 || x >= width || y >= height) ? 0.0f : a[static_cast<size_t>(y) * width + x];
  }
  // Grows the coverage by `radius` pixels (a round max filter) into a new mask with a margin.
  Mask dilated(float radius) const;
  Mask blurred(int radius) const;
  Mask padded(int margin) const;
};
