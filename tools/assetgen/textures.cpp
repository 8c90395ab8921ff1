#include "textures.h"

#include <cmath>

#include "noise.h"
#include "vec.h"

namespace {

// One chiselled block face in [0, 1]²; `variant` changes the pattern and the cracks.
Rgba stoneFace(float x, float y, int variant) {
  uint32_t seed = 1000u + static_cast<uint32_t>(variant) * 77u;
  float px = x * 256.0f, py = y * 256.0f;
  float n1 = Noise::fbm2(px / 48.0f, py / 48.0f, 4, seed);
  float n2 = Noise::fbm2(px / 9.0f, py / 9.0f, 3, seed + 5);
  float speck = Noise::hash2(static_cast<int>(px), static_cast<int>(py), seed + 9) * 0.5f + 0.5f;
  Rgba base = hexColour(0x4c4f57);
  Rgba warm = hexColour(0x585349);
  Rgba c = mix(base, warm, clamp01(0.5f + n1 * 0.8f));
  float shade = 1.0f + n1 * 0.14f + n2 * 0.09f + (speck > 0.93f ? 0.10f : 0.0f) - (speck < 0.05f ? 0.12f : 0.0f);
  c = scaled(c, shade);

  // Edges: a dark joint right at the border, then a bright chamfer catching the light.
  float e = std::min(std::min(x, 1 - x), std::min(y, 1 - y));
  float joint = 1.0f - smoothstep(0.0f, 0.018f, e);
  float chamfer = smoothstep(0.018f, 0.03f, e) * (1.0f - smoothstep(0.045f, 0.07f, e));
  bool upperLeft = (x < y) ? (x < 1 - y) : (y < 1 - x);  // light comes from the top-left
  c = scaled(c, 1.0f + chamfer * (upperLeft ? 0.28f : -0.18f));
  c = mix(c, hexColour(0x15161a), joint * 0.85f);

  // The floor slab carries a worn inset square; wall faces carry a horizontal course line.
  if (variant == 0) {
    float inset = std::fabs(std::max(std::fabs(x - 0.5f), std::fabs(y - 0.5f)) - 0.33f);
    float groove = 1.0f - smoothstep(0.004f, 0.012f, inset);
    float wear = 0.6f + 0.4f * clamp01(0.5f + Noise::fbm2(px / 20.0f, py / 20.0f, 2, seed + 31));
    c = mix(c, hexColour(0x26272c), groove * 0.55f * wear);
    float lip = (1.0f - smoothstep(0.012f, 0.02f, inset)) * (inset > 0.004f ? 1.0f : 0.0f);
    c = scaled(c, 1.0f + lip * 0.06f);
  } else if (variant == 2) {
    float course = std::fabs(y - 0.5f);
    c = mix(c, hexColour(0x1c1d22), (1.0f - smoothstep(0.006f, 0.014f, course)) * 0.7f);
  }

  // Cracks: the borders between random cells, kept only where a mask allows.
  float nearest, second;
  int cell;
  Noise::cells2(px / 40.0f, py / 40.0f, 1000, seed + 17, nearest, second, cell);
  float crackMask = smoothstep(0.15f, 0.45f, Noise::fbm2(px / 70.0f, py / 70.0f, 2, seed + 23));
  float crack = (1.0f - smoothstep(0.0f, 0.035f, second - nearest)) * crackMask * smoothstep(0.05f, 0.1f, e);
  c = mix(c, hexColour(0x121215), crack * 0.8f);
  c.a = 1;
  return c;
}

}  // namespace

Image makeStoneAtlas() {
  Image img(512, 512);
  for (int y = 0; y < 512; ++y) {
    for (int x = 0; x < 512; ++x) {
      int variant = (x / 256) + 2 * (y / 256);
      float fx = ((x % 256) + 0.5f) / 256.0f, fy = ((y % 256) + 0.5f) / 256.0f;
      img.at(x, y) = stoneFace(fx, fy, variant);
    }
  }
  return img;
}

Image makeGolemRock(unsigned seed, Rgba dark, Rgba light, Rgba glow, float glowAmount) {
  const int S = 256;
  Image img(S, S);
  for (int y = 0; y < S; ++y) {
    for (int x = 0; x < S; ++x) {
      float fx = x + 0.5f, fy = y + 0.5f;
      float n = Noise::tiledFbm2(fx / 64.0f, fy / 64.0f, S / 64, 5, seed);
      float fine = Noise::tiledFbm2(fx / 8.0f, fy / 8.0f, S / 8, 3, seed + 3);
      float grain = Noise::hash2(x, y, seed + 4);
      float nearest, second;
      int cell;
      Noise::cells2(fx / (S / 4.0f), fy / (S / 4.0f), 4, seed + 5, nearest, second, cell);
      // Broad plates of rock, each with its own shade, and cracks between some of them.
      float plate = Noise::hash2(cell, 3, seed) * 0.1f;
      float crackMask = smoothstep(-0.05f, 0.25f, Noise::tiledFbm2(fx / 32.0f, fy / 32.0f, S / 32, 2, seed + 7));
      float crack = (1.0f - smoothstep(0.0f, 0.05f, second - nearest)) * crackMask;
      Rgba c = mix(dark, light, clamp01(0.5f + n * 1.1f + plate));
      c = scaled(c, 1.0f + fine * 0.14f + (grain > 0.9f ? 0.08f : 0.0f));
      c = mix(c, scaled(dark, 0.45f), crack * 0.7f);
      // Glowing veins deep in the widest cracks.
      if (glowAmount > 0) {
        float vein = (1.0f - smoothstep(0.0f, 0.025f, second - nearest)) * crackMask *
                     smoothstep(0.1f, 0.4f, Noise::tiledFbm2(fx / 64.0f, fy / 64.0f, S / 64, 2, seed + 9) + 0.2f);
        c = mix(c, glow, clamp01(vein * glowAmount));
      }
      c.a = 1;
      img.at(x, y) = c;
    }
  }
  return img;
}

Image makeObsidian() {
  const int S = 256;
  Image img(S, S);
  for (int y = 0; y < S; ++y) {
    for (int x = 0; x < S; ++x) {
      float fx = x + 0.5f, fy = y + 0.5f;
      float n = Noise::tiledFbm2(fx / 64.0f, fy / 64.0f, S / 64, 4, 4242);
      // Conchoidal sheen: soft bands that curve with the noise.
      float band = std::sin((fy / S * 4.0f + n * 1.8f) * 2 * kPi) * 0.5f + 0.5f;
      Rgba c = mix(hexColour(0x0e0b18), hexColour(0x3a2c5c), clamp01(band * band * 0.8f + n * 0.4f));
      float nearest, second;
      int cell;
      Noise::cells2(fx / 64.0f, fy / 64.0f, 4, 4243, nearest, second, cell);
      float mask = smoothstep(0.05f, 0.3f, Noise::tiledFbm2(fx / 32.0f, fy / 32.0f, S / 32, 2, 4244));
      float vein = (1.0f - smoothstep(0.0f, 0.03f, second - nearest)) * mask;
      c = mix(c, hexColour(0xb47cff), vein * 0.85f);
      c.a = 1;
      img.at(x, y) = c;
    }
  }
  return img;
}
