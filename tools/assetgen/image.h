// An RGBA picture in floats with anti-aliased shape filling, masks and PNG output.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "mask.h"

struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;
};

inline Rgba rgb(float r, float g, float b, float a = 1.0f) { return {r, g, b, a}; }
inline Rgba hexColour(unsigned rgbValue, float a = 1.0f) {
  return {((rgbValue >> 16) & 255) / 255.0f, ((rgbValue >> 8) & 255) / 255.0f, (rgbValue & 255) / 255.0f, a};
}
inline Rgba mix(Rgba x, Rgba y, float t) {
  return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}
inline Rgba scaled(Rgba c, float s) { return {c.r * s, c.g * s, c.b * s, c.a}; }
inline Rgba withAlpha(Rgba c, float a) { return {c.r, c.g, c.b, a}; }
inline float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float smoothstep(float e0, float e1, float x) {
  float t = clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

class Image {
 public:
  int width = 0, height = 0;
  std::vector<Rgba> pixels;

  Image() = default;
  Image(int w, int h, Rgba fill = {}) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}

  Rgba& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  const Rgba& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

  // Source-over blending of a straight-alpha colour with extra coverage.
  void blend(int x, int y, Rgba c, float coverage) {
    if (!inside(x, y)) return;
    float sa = clamp01(c.a * coverage);
    if (sa <= 0) return;
    Rgba& d = at(x, y);
    float oa = sa + d.a * (1 - sa);
    if (oa <= 1e-6f) {
      d = {};
      return;
    }
    d.r = (c.r * sa + d.r * d.a * (1 - sa)) / oa;
    d.g = (c.g * sa + d.g * d.a * (1 - sa)) / oa;
    d.b = (c.b * sa + d.b * d.a * (1 - sa)) / oa;
    d.a = oa;
  }

  // Fills the area where sdf(x, y) < 0 inside [x0, x1) × [y0, y1); paint(x, y, d) gives the colour.
  // Pixel centres are at +0.5; coverage comes from the distance, so edges are smooth.
  template <class Sdf, class Paint>
  void fill(int x0, int y0, int x1, int y1, Sdf sdf, Paint paint) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width);
    y1 = std::min(y1, height);
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        float px = x + 0.5f, py = y + 0.5f;
        float d = sdf(px, py);
        float cov = clamp01(0.5f - d);
        if (cov <= 0) continue;
        blend(x, y, paint(px, py, d), cov);
      }
    }
  }

  // Paints through a mask placed with its top-left corner at (dx, dy).
  template <class Paint>
  void fillMask(const Mask& m, int dx, int dy, Paint paint) {
    for (int y = 0; y < m.height; ++y) {
      for (int x = 0; x < m.width; ++x) {
        float cov = m.a[static_cast<size_t>(y) * m.width + x];
        if (cov <= 0) continue;
        blend(dx + x, dy + y, paint(static_cast<float>(dx + x) + 0.5f, static_cast<float>(dy + y) + 0.5f), cov);
      }
    }
  }
  void fillMask(const Mask& m, int dx, int dy, Rgba c) {
    fillMask(m, dx, dy, [c](float, float) { return c; });
  }

  void draw(const Image& src, int dx, int dy, float opacity = 1.0f);
  // Copies a region verbatim (no blending).
  void copyRegion(const Image& src, int sx, int sy, int w, int h, int dx, int dy);
  void clearRegion(int x0, int y0, int x1, int y1);

  // Returns the alpha of this image as a mask.
  Mask alphaMask() const;

  // Writes an 8-bit RGBA PNG. Opaque pure green is the games's transparency key, so an opaque pixel
  // that rounds to exactly (0, 255, 0) is nudged to keep it visible.
  bool savePng(const std::string& path) const;
};

// Signed distance helpers (negative inside).
namespace sdf {
inline float roundRect(float px, float py, float cx, float cy, float hw, float hh, float r) {
  float qx = std::fabs(px - cx) - hw + r, qy = std::fabs(py - cy) - hh + r;
  float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
}
inline float rect(float px, float py, float x0, float y0, float x1, float y1) {
  return roundRect(px, py, (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2, 0);
}
inline float circle(float px, float py, float cx, float cy, float r) {
  return std::sqrt((px - cx) * (px - cx) + (py - cy) * (py - cy)) - r;
}
inline float segment(float px, float py, float ax, float ay, float bx, float by, float r) {
  float pax = px - ax, pay = py - ay, bax = bx - ax, bay = by - ay;
  float h = clamp01((pax * bax + pay * bay) / (bax * bax + bay * bay));
  float dx = pax - bax * h, dy = pay - bay * h;
  return std::sqrt(dx * dx + dy * dy) - r;
}
// Polygon with vertices (x, y) pairs.
float polygon(float px, float py, const std::vector<float>& xy);
}  // namespace sdf
