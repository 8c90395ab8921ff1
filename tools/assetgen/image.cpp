#include "image.h"

#include <cstdint>
#include <cstdio>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

void Image::draw(const Image& src, int dx, int dy, float opacity) {
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x) blend(dx + x, dy + y, src.at(x, y), opacity);
}

void Image::copyRegion(const Image& src, int sx, int sy, int w, int h, int dx, int dy) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (src.inside(sx + x, sy + y) && inside(dx + x, dy + y)) at(dx + x, dy + y) = src.at(sx + x, sy + y);
}

void Image::clearRegion(int x0, int y0, int x1, int y1) {
  for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
    for (int x = std::max(0, x0); x < std::min(width, x1); ++x) at(x, y) = {};
}

Mask Image::alphaMask() const {
  Mask m;
  m.width = width;
  m.height = height;
  m.a.resize(pixels.size());
  for (size_t i = 0; i < pixels.size(); ++i) m.a[i] = pixels[i].a;
  return m;
}

namespace {
uint8_t toByte(float v) { return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f)); }
}  // namespace

bool Image::savePng(const std::string& path) const {
  std::vector<uint8_t> data(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < pixels.size(); ++i) {
    const Rgba& p = pixels[i];
    uint8_t a = toByte(p.a);
    uint8_t r = a ? toByte(p.r) : 0, g = a ? toByte(p.g) : 0, b = a ? toByte(p.b) : 0;
    if (a == 255 && r == 0 && g == 255 && b == 0) g = 254;
    data[i * 4 + 0] = r;
    data[i * 4 + 1] = g;
    data[i * 4 + 2] = b;
    data[i * 4 + 3] = a;
  }
  stbi_write_png_compression_level = 6;
  return stbi_write_png(path.c_str(), width, height, 4, data.data(), width * 4) != 0;
}

float sdf::polygon(float px, float py, const std::vector<float>& xy) {
  size_t n = xy.size() / 2;
  float d = 1e9f;
  bool in = false;
  for (size_t i = 0, j = n - 1; i < n; j = i++) {
    float ax = xy[j * 2], ay = xy[j * 2 + 1], bx = xy[i * 2], by = xy[i * 2 + 1];
    float ex = bx - ax, ey = by - ay, wx = px - ax, wy = py - ay;
    float h = clamp01((wx * ex + wy * ey) / (ex * ex + ey * ey));
    float dx = wx - ex * h, dy = wy - ey * h;
    d = std::min(d, dx * dx + dy * dy);
    if (((ay > py) != (by > py)) && (px < (bx - ax) * (py - ay) / (by - ay) + ax)) in = !in;
  }
  float s = std::sqrt(d);
  return in ? -s : s;
}
