// Value noise and fractal sums, hashed from integer lattice points so every run gives the same pictures.
#pragma once

#include <cstdint>

class Noise {
 public:
  static float hash2(int x, int y, uint32_t seed);
  static float hash3(int x, int y, int z, uint32_t seed);
  // Smooth value noise in [-1, 1].
  static float value2(float x, float y, uint32_t seed);
  static float value3(float x, float y, float z, uint32_t seed);
  // Value noise that repeats every `period` units in x and y.
  static float tiled2(float x, float y, int period, uint32_t seed);
  static float fbm2(float x, float y, int octaves, uint32_t seed);
  static float fbm3(float x, float y, float z, int octaves, uint32_t seed);
  static float tiledFbm2(float x, float y, int period, int octaves, uint32_t seed);
  // Distance to the nearest and second-nearest feature point of a repeating cell grid (cracks, cobbles).
  static void cells2(float x, float y, int period, uint32_t seed, float& nearest, float& second, int& cellId);
};
