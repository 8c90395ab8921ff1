// "Event/つぶやきウィンドウ.png" (1024 × 1024): five speech windows of growing width, one per
// 96-pixel row, and the blinking marker. The window is drawn at y 440, its text at y 480 and the
// marker at y 488, so the bubble is centred on row y 48; each width ends just past its marker.
#include <cmath>

#include "generators.h"
#include "ui_paint.h"

namespace {

void drawWindow(Image& img, int top, float width) {
  Image cell(1024, 96);
  float x0 = 6, x1 = width, y0 = 20, y1 = 80;
  // Tail pointing up toward the knight, near the left end.
  std::vector<float> tail = {40, y0 + 4, 70, y0 + 4, 44, 4};
  auto shape = [&](float px, float py) {
    float body = sdf::roundRect(px, py, (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2, 18);
    return std::min(body, sdf::polygon(px, py, tail));
  };
  Mask m = shapeMask(1024, 96, shape);
  softShadow(cell, m, 0, 3, 3, hexColour(0x000000, 0.5f));
  cell.fill(
      0, 0, 1024, 96, [&](float px, float py) { return shape(px, py) - 1.0f; },
      [](float, float, float) { return hexColour(0x140c04, 0.9f); });
  cell.fill(0, 0, 1024, 96, shape, [&](float, float py, float d) {
    if (d > -2.2f) return goldAt(clamp01((py - y0) / (y1 - y0)));
    return withAlpha(mix(hexColour(0x222a3e), hexColour(0x0b0e16), clamp01((py - y0) / (y1 - y0))), 0.86f);
  });
  img.copyRegion(cell, 0, 0, 1024, 96, 0, top);
}

void drawMarker(Image& img) {
  Image cell(24, 24);
  std::vector<float> tri = {4, 6, 20, 6, 12, 19};
  cell.fill(
      0, 0, 24, 24, [&](float px, float py) { return sdf::polygon(px, py, tri) - 1.5f; },
      [](float, float, float) { return hexColour(0x140c04, 0.9f); });
  cell.fill(
      0, 0, 24, 24, [&](float px, float py) { return sdf::polygon(px, py, tri); },
      [](float, float py, float) { return goldAt(clamp01((py - 6) / 13)); });
  img.copyRegion(cell, 0, 0, 24, 24, 20, 500);
}

}  // namespace

void makeMutterSheet(OutputTree& out, TextRenderer&) {
  Image img(1024, 1024);
  // Rows from the widest (top) to the narrowest; marker positions relative to each window's x.
  const float markerX[5] = {973, 725, 565, 459, 329};
  for (int i = 0; i < 5; ++i) drawWindow(img, 96 * i, std::min(1018.0f, markerX[i] + 18 + 26));
  drawMarker(img);
  out.image("Event/つぶやきウィンドウ.png", img);
}
