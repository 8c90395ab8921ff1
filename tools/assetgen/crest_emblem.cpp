#include "crest_emblem.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "ui_paint.h"

void drawCrestEmblem(Image& img, float cx, float cy, float s, const CrestWings& wings) {
  // A hollow heater shield, a blade through it and two swept wings of the crest.
  auto shield = [&](float px, float py, float grow) {
    std::vector<float> pts = {cx - 46 * s, cy - 52 * s, cx + 46 * s, cy - 52 * s, cx + 46 * s, cy - 4 * s,
                              cx + 30 * s, cy + 34 * s, cx, cy + 58 * s, cx - 30 * s, cy + 34 * s,
                              cx - 46 * s, cy - 4 * s};
    return sdf::polygon(px, py, pts) - grow;
  };
  int x0 = static_cast<int>(cx - 170 * s), x1 = static_cast<int>(cx + 170 * s);
  int y0 = static_cast<int>(cy - 80 * s), y1 = static_cast<int>(cy + 80 * s);
  if (!wings.clipped) {
    x0 = 0;
    y0 = 0;
    x1 = img.width;
    y1 = img.height;
  }
  // Wings: fans of feathers on both sides.
  for (int side : {-1, 1}) {
    for (int f = 0; f < 5; ++f) {
      float a = (-10.0f + wings.liftDegrees + f * 14.0f) * 3.14159265f / 180;
      float len = (150 - f * 18) * s * wings.length;
      float bx = cx + side * 40 * s, by = cy - 18 * s + f * 9 * s;
      float ex = bx + side * std::cos(a) * len, ey = by - std::sin(a) * len * wings.squash;
      auto feather = [=](float px, float py) { return sdf::segment(px, py, bx, by, ex, ey, (7.0f - f * 0.6f) * s); };
      img.fill(
          x0, y0, x1, y1, [&](float px, float py) { return feather(px, py) - 2.0f; },
          [](float, float, float) { return hexColour(0x000000, 0.9f); });
      img.fill(x0, y0, x1, y1, feather, [=](float px, float, float) {
        float t = std::fabs(px - bx) / std::max(1.0f, std::fabs(ex - bx));
        return mix(goldAt(0.2f), goldAt(0.55f), t);
      });
    }
  }
  img.fill(
      x0, y0, x1, y1, [&](float px, float py) { return shield(px, py, 3); },
      [](float, float, float) { return hexColour(0x000000, 0.95f); });
  img.fill(
      x0, y0, x1, y1, [&](float px, float py) { return shield(px, py, 0); }, [&](float, float py, float d) {
    // A gold rim and a hollow, dark field.
    if (d > -7 * s) return goldAt(clamp01((py - (cy - 52 * s)) / (110 * s)));
    return mix(hexColour(0x2a3a4a), hexColour(0x0a1014), clamp01((py - (cy - 52 * s)) / (110 * s))); });
  // Blade: pale and bright, from above the shield to its point.
  auto blade = [&](float px, float py) {
    std::vector<float> pts = {cx, cy - 78 * s, cx + 7 * s, cy - 62 * s, cx + 6 * s, cy + 44 * s, cx, cy + 54 * s,
                              cx - 6 * s, cy + 44 * s, cx - 7 * s, cy - 62 * s};
    return sdf::polygon(px, py, pts);
  };
  img.fill(
      x0, y0, x1, y1, [&](float px, float py) { return blade(px, py) - 2.0f; },
      [](float, float, float) { return hexColour(0x000000, 0.9f); });
  img.fill(x0, y0, x1, y1, blade, [&](float px, float, float) { return px < cx ? hexColour(0xffffff) : hexColour(0xc6dcf0); });
  // Cross-guard.
  img.fill(
      x0, y0, x1, y1,
      [&](float px, float py) { return sdf::roundRect(px, py, cx, cy - 40 * s, 26 * s, 4 * s, 3 * s) - 2.0f; },
      [](float, float, float) { return hexColour(0x000000, 0.9f); });
  img.fill(
      x0, y0, x1, y1, [&](float px, float py) { return sdf::roundRect(px, py, cx, cy - 40 * s, 26 * s, 4 * s, 3 * s); },
      [](float, float, float) { return goldAt(0.25f); });
}
