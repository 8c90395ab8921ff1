// Deterministic pseudo-random numbers and lattice noise; the output must not depend on the C library.
#pragma once

#include <cstdint>

class Random {
 public:
  explicit Random(uint64_t seed) : state(seed ^ 0x9E3779B97F4A7C15ull) {}

  uint64_t next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  float uniform() { return static_cast<float>(next() >> 40) / static_cast<float>(1ull << 24); }
  float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }
  int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }

  uint64_t state;
};
