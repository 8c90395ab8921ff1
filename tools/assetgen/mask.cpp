#include "mask.h"

#include <algorithm>
#include <cmath>

namespace {
float clampUnit(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
}  // namespace

Mask Mask::padded(int margin) const {
  Mask r;
  r.width = width + 2 * margin;
  r.height = height + 2 * margin;
  r.a.assign(static_cast<size_t>(r.width) * r.height, 0.0f);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) r.a[static_cast<size_t>(y + margin) * r.width + x + margin] = at(x, y);
  return r;
}

Mask Mask::dilated(float radius) const {
  int m = static_cast<int>(std::ceil(radius)) + 1;
  Mask src = padded(m);
  Mask r = src;
  for (int y = 0; y < r.height; ++y) {
    for (int x = 0; x < r.width; ++x) {
      float best = 0;
      for (int dy = -m; dy <= m; ++dy) {
        for (int dx = -m; dx <= m; ++dx) {
          float d = std::sqrt(static_cast<float>(dx * dx + dy * dy));
          float w = clampUnit(radius + 0.5f - d);
          if (w <= 0) continue;
          float v = src.at(x + dx, y + dy) * w;
          if (v > best) best = v;
        }
      }
      r.a[static_cast<size_t>(y) * r.width + x] = best;
    }
  }
  return r;
}

Mask Mask::blurred(int radius) const {
  Mask cur = padded(radius * 2);
  for (int pass = 0; pass < 3; ++pass) {
    Mask tmp = cur;
    for (int y = 0; y < cur.height; ++y) {
      float sum = 0;
      for (int x = -radius; x <= radius; ++x) sum += cur.at(x, y);
      for (int x = 0; x < cur.width; ++x) {
        tmp.a[static_cast<size_t>(y) * cur.width + x] = sum / (2 * radius + 1);
        sum += cur.at(x + radius + 1, y) - cur.at(x - radius, y);
      }
    }
    for (int x = 0; x < cur.width; ++x) {
      float sum = 0;
      for (int y = -radius; y <= radius; ++y) sum += tmp.at(x, y);
      for (int y = 0; y < cur.height; ++y) {
        cur.a[static_cast<size_t>(y) * cur.width + x] = sum / (2 * radius + 1);
        sum += tmp.at(x, y + radius + 1) - tmp.at(x, y - radius);
      }
    }
  }
  return cur;
}
