#include "ui_paint.h"

#include <algorithm>
#include <cmath>

InkBox inkBounds(const Mask& m, float threshold) {
  InkBox b{m.width, m.height, 0, 0};
  for (int y = 0; y < m.height; ++y)
    for (int x = 0; x < m.width; ++x)
      if (m.a[static_cast<size_t>(y) * m.width + x] > threshold) {
        b.x0 = std::min(b.x0, x);
        b.y0 = std::min(b.y0, y);
        b.x1 = std::max(b.x1, x + 1);
        b.y1 = std::max(b.y1, y + 1);
      }
  if (b.x1 <= b.x0) b = {};
  return b;
}

namespace {
Rgba stops(float t, const std::vector<std::pair<float, Rgba>>& s) {
  if (t <= s.front().first) return s.front().second;
  for (size_t i = 1; i < s.size(); ++i)
    if (t <= s[i].first) return mix(s[i - 1].second, s[i].second, (t - s[i - 1].first) / (s[i].first - s[i - 1].first));
  return s.back().second;
}
}  // namespace

Rgba goldAt(float t) {
  return stops(t, {{0.0f, hexColour(0xfff3c4)},
                   {0.42f, hexColour(0xf2c35a)},
                   {0.5f, hexColour(0xb9812a)},
                   {0.62f, hexColour(0xd79c3c)},
                   {1.0f, hexColour(0xffe09a)}});
}

Rgba paleAt(float t) {
  return stops(t, {{0.0f, hexColour(0xffffff)}, {0.5f, hexColour(0xe3ecf6)}, {0.52f, hexColour(0xb7c6d8)}, {1.0f, hexColour(0xdfe8f2)}});
}

Rgba crimsonAt(float t) {
  return stops(t, {{0.0f, hexColour(0xff9a8a)}, {0.45f, hexColour(0xd8362a)}, {0.55f, hexColour(0x8e1410)}, {1.0f, hexColour(0xc0281e)}});
}

TextStyle goldText(float outline, float shadow) {
  TextStyle s;
  s.gradient = goldAt;
  s.outline = outline;
  s.outlineColour = hexColour(0x1e1206);
  s.shadowBlur = shadow;
  s.shadowDx = 0;
  s.shadowDy = static_cast<int>(std::lround(shadow * 0.6f));
  return s;
}

TextStyle paleText(float outline, float shadow) {
  TextStyle s = goldText(outline, shadow);
  s.gradient = paleAt;
  s.outlineColour = hexColour(0x0b0f18);
  return s;
}

Lettering letter(TextRenderer& text, Face face, int size, const std::string& utf8, float tracking,
                 const char* reference) {
  Lettering l;
  l.mask = text.render(face, size, utf8, tracking);
  l.ink = inkBounds(l.mask);
  InkBox ref = inkBounds(text.render(face, size, reference));
  l.capTop = ref.y0;
  l.capBottom = ref.y1;
  return l;
}

void drawLettering(Image& img, const Lettering& l, float x, float y, const TextStyle& style) {
  if (l.ink.width() <= 0) return;
  // Integer placement keeps glyph edges crisp.
  int ox = static_cast<int>(std::lround(x)) - l.ink.x0;
  int oy = static_cast<int>(std::lround(y)) - l.capTop;
  float top = static_cast<float>(oy + l.capTop), bottom = static_cast<float>(oy + l.capBottom);
  int margin = static_cast<int>(std::ceil(style.outline)) + 1;
  if (style.glowRadius > 0) {
    int r = static_cast<int>(std::ceil(style.glowRadius));
    Mask g = l.mask.blurred(r);
    int m = r * 2;
    img.fillMask(g, ox - m, oy - m, style.glowColour);
  }
  Mask outlined = style.outline > 0 ? l.mask.dilated(style.outline) : l.mask.padded(margin);
  int om = (outlined.width - l.mask.width) / 2;
  if (style.shadowBlur > 0) {
    int r = static_cast<int>(std::ceil(style.shadowBlur));
    Mask sh = outlined.blurred(r);
    int m = r * 2;
    img.fillMask(sh, ox - om - m + style.shadowDx, oy - om - m + style.shadowDy, style.shadowColour);
  }
  if (style.outline > 0) img.fillMask(outlined, ox - om, oy - om, style.outlineColour);
  auto grad = style.gradient ? style.gradient : goldAt;
  img.fillMask(l.mask, ox, oy, [&](float, float py) {
    if (style.fill) return style.fill(0, py);
    return grad(clamp01((py - top) / std::max(1.0f, bottom - top)));
  });
}

void drawCentred(Image& img, const Lettering& l, float cx, float cy, const TextStyle& style) {
  float capH = static_cast<float>(l.capBottom - l.capTop);
  drawLettering(img, l, cx - l.ink.width() * 0.5f, cy - capH * 0.5f, style);
}

void drawRightAligned(Image& img, const Lettering& l, float right, float cy, const TextStyle& style) {
  float capH = static_cast<float>(l.capBottom - l.capTop);
  drawLettering(img, l, right - l.ink.width(), cy - capH * 0.5f, style);
}

void darkPanel(Image& img, float x0, float y0, float x1, float y1, float radius, float alpha) {
  float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, hw = (x1 - x0) / 2, hh = (y1 - y0) / 2;
  img.fill(
      static_cast<int>(x0) - 1, static_cast<int>(y0) - 1, static_cast<int>(x1) + 2, static_cast<int>(y1) + 2,
      [=](float px, float py) { return sdf::roundRect(px, py, cx, cy, hw, hh, radius); },
      [=](float, float py, float) {
        float t = (py - y0) / std::max(1.0f, y1 - y0);
        Rgba c = mix(hexColour(0x1b2030), hexColour(0x0a0c12), t);
        return withAlpha(c, alpha);
      });
}

void goldFrame(Image& img, float x0, float y0, float x1, float y1, float radius, float width) {
  float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, hw = (x1 - x0) / 2, hh = (y1 - y0) / 2;
  auto ring = [=](float px, float py) {
    float d = sdf::roundRect(px, py, cx, cy, hw, hh, radius);
    return std::fabs(d + width * 0.5f) - width * 0.5f;
  };
  // A thin dark line around the gold keeps it readable on light backgrounds.
  img.fill(
      static_cast<int>(x0) - 2, static_cast<int>(y0) - 2, static_cast<int>(x1) + 3, static_cast<int>(y1) + 3,
      [=](float px, float py) { return ring(px, py) - 1.0f; },
      [](float, float, float) { return hexColour(0x140c04, 0.85f); });
  img.fill(static_cast<int>(x0) - 1, static_cast<int>(y0) - 1, static_cast<int>(x1) + 2, static_cast<int>(y1) + 2, ring,
           [=](float px, float py, float) {
             // Bevel: the lit side faces up-left.
             float t = clamp01((py - y0) / std::max(1.0f, y1 - y0));
             Rgba c = goldAt(0.15f + t * 0.7f);
             float d = sdf::roundRect(px, py, cx, cy, hw, hh, radius);
             float across = clamp01(-d / std::max(1.0f, width));  // 0 outer edge, 1 inner edge
             return scaled(c, 1.1f - 0.35f * across);
           });
}

void diamond(Image& img, float cx, float cy, float rx, float ry, Rgba fill, Rgba edge) {
  auto d = [=](float px, float py) { return (std::fabs(px - cx) / rx + std::fabs(py - cy) / ry - 1.0f) * std::min(rx, ry) * 0.7f; };
  img.fill(
      static_cast<int>(cx - rx) - 2, static_cast<int>(cy - ry) - 2, static_cast<int>(cx + rx) + 3,
      static_cast<int>(cy + ry) + 3, [&](float px, float py) { return d(px, py) - 1.0f; },
      [=](float, float, float) { return edge; });
  img.fill(static_cast<int>(cx - rx) - 1, static_cast<int>(cy - ry) - 1, static_cast<int>(cx + rx) + 2,
           static_cast<int>(cy + ry) + 2, d, [=](float, float py, float) {
             return scaled(fill, 1.15f - 0.3f * clamp01((py - (cy - ry)) / (2 * ry)));
           });
}

void goldRule(Image& img, float x0, float x1, float y, float thickness, bool diamondEnds) {
  img.fill(
      static_cast<int>(x0) - 1, static_cast<int>(y - thickness) - 2, static_cast<int>(x1) + 2,
      static_cast<int>(y + thickness) + 3,
      [=](float px, float py) { return sdf::segment(px, py, x0, y, x1, y, thickness * 0.5f + 0.8f); },
      [](float, float, float) { return hexColour(0x140c04, 0.8f); });
  img.fill(
      static_cast<int>(x0) - 1, static_cast<int>(y - thickness) - 2, static_cast<int>(x1) + 2,
      static_cast<int>(y + thickness) + 3,
      [=](float px, float py) { return sdf::segment(px, py, x0, y, x1, y, thickness * 0.5f); },
      [=](float px, float, float) {
        float t = (px - x0) / std::max(1.0f, x1 - x0);
        float fade = std::min(1.0f, std::min(t, 1 - t) * 8.0f);
        return withAlpha(goldAt(0.3f), 0.35f + 0.65f * fade);
      });
  if (diamondEnds) {
    diamond(img, x0, y, thickness * 2.2f, thickness * 2.2f, goldAt(0.2f), hexColour(0x140c04, 0.9f));
    diamond(img, x1, y, thickness * 2.2f, thickness * 2.2f, goldAt(0.2f), hexColour(0x140c04, 0.9f));
  }
}

Mask shapeMask(int w, int h, const std::function<float(float, float)>& f) {
  Mask m;
  m.width = w;
  m.height = h;
  m.a.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) m.a[static_cast<size_t>(y) * w + x] = clamp01(0.5f - f(x + 0.5f, y + 0.5f));
  return m;
}

void softShadow(Image& img, const Mask& shape, int x, int y, int blur, Rgba colour) {
  Mask b = shape.blurred(blur);
  img.fillMask(b, x - blur * 2, y - blur * 2, colour);
}
