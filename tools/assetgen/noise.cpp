#include "noise.h"

#include <cmath>

namespace {

uint32_t mix(uint32_t h) {
  h ^= h >> 16;
  h *= 0x7feb352dU;
  h ^= h >> 15;
  h *= 0x846ca68bU;
  h ^= h >> 16;
  return h;
}

float fade(float t) { return t * t * (3.0f - 2.0f * t); }

int wrap(int v, int period) {
  int r = v % period;
  return r < 0 ? r + period : r;
}

}  // namespace

float Noise::hash2(int x, int y, uint32_t seed) {
  uint32_t h = mix(static_cast<uint32_t>(x) * 0x8da6b343U ^ mix(static_cast<uint32_t>(y) * 0xd8163841U ^ seed));
  return static_cast<float>(h & 0xFFFFFF) / static_cast<float>(0x800000) - 1.0f;
}

float Noise::hash3(int x, int y, int z, uint32_t seed) {
  return hash2(x, static_cast<int>(mix(static_cast<uint32_t>(y) ^ (static_cast<uint32_t>(z) * 0xcb1ab31fU))), seed);
}

float Noise::value2(float x, float y, uint32_t seed) {
  int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
  float fx = fade(x - ix), fy = fade(y - iy);
  float a = hash2(ix, iy, seed), b = hash2(ix + 1, iy, seed);
  float c = hash2(ix, iy + 1, seed), d = hash2(ix + 1, iy + 1, seed);
  return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

float Noise::value3(float x, float y, float z, uint32_t seed) {
  int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y)), iz = static_cast<int>(std::floor(z));
  float fx = fade(x - ix), fy = fade(y - iy), fz = fade(z - iz);
  float v[2];
  for (int k = 0; k < 2; ++k) {
    float a = hash3(ix, iy, iz + k, seed), b = hash3(ix + 1, iy, iz + k, seed);
    float c = hash3(ix, iy + 1, iz + k, seed), d = hash3(ix + 1, iy + 1, iz + k, seed);
    float ab = a + (b - a) * fx, cd = c + (d - c) * fx;
    v[k] = ab + (cd - ab) * fy;
  }
  return v[0] + (v[1] - v[0]) * fz;
}

float Noise::tiled2(float x, float y, int period, uint32_t seed) {
  int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
  float fx = fade(x - ix), fy = fade(y - iy);
  int x0 = wrap(ix, period), x1 = wrap(ix + 1, period), y0 = wrap(iy, period), y1 = wrap(iy + 1, period);
  float a = hash2(x0, y0, seed), b = hash2(x1, y0, seed), c = hash2(x0, y1, seed), d = hash2(x1, y1, seed);
  float ab = a + (b - a) * fx, cd = c + (d - c) * fx;
  return ab + (cd - ab) * fy;
}

float Noise::fbm2(float x, float y, int octaves, uint32_t seed) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * value2(x, y, seed + static_cast<uint32_t>(i) * 101u);
    norm += amp;
    x *= 2.03f;
    y *= 2.03f;
    amp *= 0.5f;
  }
  return sum / norm;
}

float Noise::fbm3(float x, float y, float z, int octaves, uint32_t seed) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * value3(x, y, z, seed + static_cast<uint32_t>(i) * 101u);
    norm += amp;
    x *= 2.03f;
    y *= 2.03f;
    z *= 2.03f;
    amp *= 0.5f;
  }
  return sum / norm;
}

float Noise::tiledFbm2(float x, float y, int period, int octaves, uint32_t seed) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * tiled2(x, y, period, seed + static_cast<uint32_t>(i) * 101u);
    norm += amp;
    x *= 2;
    y *= 2;
    period *= 2;
    amp *= 0.5f;
  }
  return sum / norm;
}

void Noise::cells2(float x, float y, int period, uint32_t seed, float& nearest, float& second, int& cellId) {
  int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
  nearest = 1e9f;
  second = 1e9f;
  cellId = 0;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      int cx = ix + dx, cy = iy + dy;
      int wx = wrap(cx, period), wy = wrap(cy, period);
      float px = cx + 0.5f + 0.4f * hash2(wx, wy, seed);
      float py = cy + 0.5f + 0.4f * hash2(wx, wy, seed + 7u);
      float d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
      if (d < nearest) {
        second = nearest;
        nearest = d;
        cellId = wx + wy * period;
      } else if (d < second) {
        second = d;
      }
    }
  }
}
