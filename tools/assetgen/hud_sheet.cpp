// "UI/CorvanChip.png": every picture of the in-game overlay, each on the rectangle the HUD reads.
#include <cmath>
#include <string>

#include "generators.h"
#include "ui_paint.h"

namespace {

struct Rect {
  int l, t, r, b;
  float w() const { return static_cast<float>(r - l); }
  float h() const { return static_cast<float>(b - t); }
};

// Rectangles of the sheet (left, top, right, bottom).
constexpr Rect kStagePlate{604, 0, 763, 177};
constexpr Rect kEventPanel{0, 177, 604, 355};
constexpr Rect kStatusPanel{0, 355, 484, 465};
constexpr Rect kDial{0, 504, 207, 689};
constexpr Rect kNeedle{208, 579, 304, 689};
constexpr Rect kPrompt{338, 595, 363, 620};
constexpr Rect kHeart{338, 633, 375, 660};
constexpr Rect kGauge{338, 677, 624, 687};
constexpr Rect kClearBanner{0, 813, 855, 924};
constexpr Rect kDefeatBanner{0, 924, 789, 1024};
constexpr Rect kCaptionNext{484, 358, 719, 395};
constexpr Rect kCaptionTitle{484, 395, 699, 432};
constexpr Rect kCaptionRanking{484, 432, 789, 469};
constexpr Rect kButton{719, 358, 769, 411};

std::vector<float> heartOutline(float cx, float cy, float scale) {
  std::vector<float> xy;
  for (int i = 0; i < 72; ++i) {
    float t = 2 * 3.14159265f * i / 72;
    float s = std::sin(t);
    float x = 16 * s * s * s;
    float y = 13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t);
    xy.push_back(cx + x * scale);
    xy.push_back(cy - y * scale);
  }
  return xy;
}

void drawHeart(Image& img, float cx, float cy, float scale, bool filled) {
  std::vector<float> poly = heartOutline(cx, cy, scale);
  int x0 = static_cast<int>(cx - 18 * scale) - 3, x1 = static_cast<int>(cx + 18 * scale) + 4;
  int y0 = static_cast<int>(cy - 14 * scale) - 3, y1 = static_cast<int>(cy + 19 * scale) + 4;
  auto d = [&](float px, float py) { return sdf::polygon(px, py, poly); };
  img.fill(
      x0, y0, x1, y1, [&](float px, float py) { return d(px, py) - 1.5f; },
      [](float, float, float) { return hexColour(0x1a0606, 0.95f); });
  if (!filled) {
    // An empty socket: dark glass with a gold edge.
    img.fill(x0, y0, x1, y1, d, [](float, float, float) { return hexColour(0x2a1c1c, 0.75f); });
    img.fill(
        x0, y0, x1, y1, [&](float px, float py) { return std::fabs(d(px, py) + 1.0f) - 0.8f; },
        [](float, float, float) { return withAlpha(goldAt(0.55f), 0.8f); });
    return;
  }
  float top = cy - 13 * scale, bottom = cy + 17 * scale;
  img.fill(x0, y0, x1, y1, d, [&](float px, float py, float dist) {
    float t = clamp01((py - top) / (bottom - top));
    Rgba c = mix(hexColour(0xff5a52), hexColour(0x9c0f16), t);
    // Rim light near the edge and a glint on the upper left lobe.
    c = scaled(c, 1.0f - 0.25f * clamp01(1.0f + dist / 3.0f));
    float gx = px - (cx - 7 * scale), gy = py - (cy - 6 * scale);
    float glint = clamp01(1.0f - std::sqrt(gx * gx * 1.6f + gy * gy) / (4.2f * scale));
    return mix(c, hexColour(0xffffff), glint * 0.85f);
  });
}

// Great helm with crest: the knight's emblem in the status medallion.
float helmSdf(float px, float py, float cx, float cy, float s) {
  float dome = sdf::roundRect(px, py, cx, cy + 2 * s, 13 * s, 15 * s, 9 * s);
  float slit = sdf::rect(px, py, cx - 10 * s, cy - 1.5f * s, cx + 10 * s, cy + 1.5f * s);
  float nose = sdf::rect(px, py, cx - 1.6f * s, cy - 1.5f * s, cx + 1.6f * s, cy + 8 * s);
  float helm = std::max(dome, -std::min(slit, 1e9f));
  helm = std::min(helm, std::max(nose, dome));
  return helm;
}

void drawStagePlate(Image& img, TextRenderer& text, const Rect& r) {
  // The frame runs close to the plate's sides: the game sets the enemy total's ones digit at x 143 of
  // the plate, and its right edge has to stay clear of the border.
  float x0 = r.l + 1.5f, y0 = r.t + 3, x1 = r.r - 1.5f, y1 = r.b - 3;
  darkPanel(img, x0, y0, x1, y1, 10, 0.8f);
  goldFrame(img, x0, y0, x1, y1, 10, 2.5f);
  Lettering label = letter(text, Face::Sans, 20, "STAGE", 3);
  drawCentred(img, label, r.l + r.w() * 0.5f, r.t + 24, goldText(1.5f, 2));
  goldRule(img, r.l + 22, r.r - 22, r.t + 40, 1.5f);
  // Recess behind the big digits (drawn by the game from x 64 to 154, y 48 to 95 of the plate).
  darkPanel(img, r.l + 60, r.t + 46, r.l + 152, r.t + 100, 6, 0.7f);
  // Crest shield beside the digits.
  float scx = r.l + 33, scy = r.t + 72;
  std::vector<float> shield = {scx - 19, scy - 22, scx + 19, scy - 22, scx + 19, scy + 2, scx, scy + 24, scx - 19, scy + 2};
  img.fill(
      r.l, r.t, r.r, r.b, [&](float px, float py) { return sdf::polygon(px, py, shield) - 1.5f; },
      [](float, float, float) { return hexColour(0x140c04, 0.95f); });
  img.fill(
      r.l, r.t, r.r, r.b, [&](float px, float py) { return sdf::polygon(px, py, shield); },
      [&](float, float py, float d) {
        Rgba c = goldAt(clamp01((py - (scy - 22)) / 46));
        return d > -3.0f ? c : mix(hexColour(0x26324f), hexColour(0x121828), clamp01((py - scy + 22) / 46));
      });
  // A sword down the shield.
  img.fill(
      r.l, r.t, r.r, r.b, [&](float px, float py) { return sdf::segment(px, py, scx, scy - 16, scx, scy + 14, 1.6f); },
      [](float, float, float) { return hexColour(0xdfeaff); });
  img.fill(
      r.l, r.t, r.r, r.b, [&](float px, float py) { return sdf::segment(px, py, scx - 8, scy - 8, scx + 8, scy - 8, 1.6f); },
      [](float, float, float) { return goldAt(0.2f); });
  // Enemy counter row: label, and a slash between the two numbers the game draws (the count left ends
  // near x 106 of the plate, a two-digit total starts near x 131).
  Lettering enemy = letter(text, Face::Sans, 13, "ENEMY", 1.5f);
  drawLettering(img, enemy, r.l + 12, r.t + 133, goldText(1.2f, 1.5f));
  img.fill(
      r.l + 112, r.t + 122, r.l + 136, r.t + 158,
      [&](float px, float py) { return sdf::segment(px, py, r.l + 123.0f, r.t + 128, r.l + 114.0f, r.t + 151, 1.8f); },
      [](float, float, float) { return goldAt(0.3f); });
  goldRule(img, r.l + 16, r.r - 16, r.t + 116, 1.2f, false);
}

// Each digit is painted on its own cell-sized canvas so that nothing spills into a neighbour, centred
// on centreX of the cell.
void drawDigits(Image& img, TextRenderer& text, Face face, int size, int top, int cellW, int cellH, float centreX,
                const TextStyle& st) {
  for (int d = 0; d < 10; ++d) {
    Image cell(cellW, cellH);
    Lettering l = letter(text, face, size, std::to_string(d), 0, "0");
    drawCentred(cell, l, centreX, cellH * 0.5f, st);
    img.copyRegion(cell, 0, 0, cellW, cellH, d * cellW, top);
  }
}

// Paints one picture on a canvas of its rectangle's size and copies it in, so every picture stays
// inside its own rectangle.
template <class F>
void paintInto(Image& sheet, const Rect& r, F draw) {
  Image canvas(r.r - r.l, r.b - r.t);
  draw(canvas, Rect{0, 0, r.r - r.l, r.b - r.t});
  sheet.copyRegion(canvas, 0, 0, canvas.width, canvas.height, r.l, r.t);
}

void drawStatusPanel(Image& img, TextRenderer& text, const Rect& r) {
  float x0 = r.l + 4, y0 = r.t + 3, y1 = r.b - 3;
  // Body and frame run out past the right end and fade away under the score, whose last digit the
  // game sets beyond the panel: no border crosses the digits.
  Image body(img.width, img.height);
  const float openEnd = r.r + 30.0f, fadeFrom = r.r - 40.0f;
  darkPanel(body, x0 + 40, y0 + 2, openEnd, y1 - 2, 12, 0.8f);
  goldFrame(body, x0 + 40, y0 + 2, openEnd, y1 - 2, 12, 2.5f);
  for (int y = 0; y < body.height; ++y)
    for (int x = 0; x < body.width; ++x) {
      float fade = 1.0f - smoothstep(fadeFrom, static_cast<float>(r.r), x + 0.5f);
      body.at(x, y).a *= fade;
    }
  img.draw(body, 0, 0);
  // Medallion with the knight's helm.
  float mcx = r.l + 54, mcy = r.t + 55;
  img.fill(
      r.l, r.t, r.l + 110, r.b, [&](float px, float py) { return sdf::circle(px, py, mcx, mcy, 50); },
      [&](float, float py, float) { return mix(hexColour(0x2b3550), hexColour(0x0d111b), clamp01((py - r.t) / 110)); });
  img.fill(
      r.l, r.t, r.l + 110, r.b,
      [&](float px, float py) { return std::fabs(sdf::circle(px, py, mcx, mcy, 47)) - 3.5f; },
      [&](float, float py, float) { return goldAt(clamp01((py - r.t - 5) / 100)); });
  float s = 1.9f;
  img.fill(
      r.l, r.t, r.l + 110, r.b, [&](float px, float py) { return helmSdf(px, py, mcx, mcy + 2, s) - 1.5f; },
      [](float, float, float) { return hexColour(0x0a0d14, 0.9f); });
  img.fill(
      r.l, r.t, r.l + 110, r.b, [&](float px, float py) { return helmSdf(px, py, mcx, mcy + 2, s); },
      [&](float, float py, float) { return paleAt(clamp01((py - (mcy - 28)) / 60)); });
  // Crest plume.
  std::vector<float> plume = {mcx - 3, mcy - 26, mcx + 2, mcy - 40, mcx + 16, mcy - 38, mcx + 24, mcy - 28, mcx + 4, mcy - 24};
  img.fill(
      r.l, r.t, r.l + 110, r.b, [&](float px, float py) { return sdf::polygon(px, py, plume); },
      [](float, float, float) { return goldAt(0.25f); });
  // Visor glow.
  img.fill(
      r.l, r.t, r.l + 110, r.b,
      [&](float px, float py) { return sdf::rect(px, py, mcx - 10 * s + 2, mcy + 2 - 1.5f * s, mcx + 10 * s - 2, mcy + 2 + 1.5f * s); },
      [](float, float, float) { return hexColour(0x7fd4ff); });

  // Heart sockets behind the hearts the game draws at x 164 + 56 i, y 6 (37 × 27).
  for (int i = 0; i < 3; ++i) drawHeart(img, r.l + 164 + 56 * i + 18.5f, r.t + 6 + 11.5f, 0.92f, false);
  Lettering hp = letter(text, Face::Sans, 16, "HP", 1);
  drawRightAligned(img, hp, r.l + 154, r.t + 20, goldText(1.5f, 2));
  // Gauge track (the bar is drawn at x 156, y 60, up to 286 long and 10 high).
  darkPanel(img, r.l + 152, r.t + 56, r.l + 446, r.t + 74, 5, 0.9f);
  goldFrame(img, r.l + 151, r.t + 55, r.l + 447, r.t + 75, 5, 1.5f);
  for (int k = 1; k < 4; ++k) {
    float x = r.l + 156 + 286.0f * k / 4;
    img.fill(
        static_cast<int>(x) - 2, r.t + 56, static_cast<int>(x) + 3, r.t + 75,
        [&](float px, float py) { return sdf::segment(px, py, x, r.t + 57, x, r.t + 73, 0.6f); },
        [](float, float, float) { return hexColour(0x6a5a3a, 0.7f); });
  }
  Lettering skill = letter(text, Face::Sans, 14, "SKILL", 1);
  drawRightAligned(img, skill, r.l + 146, r.t + 65, goldText(1.3f, 2));
  // Score label; the digits run from about x 390 to 502 of the panel at y 83 to 105.
  Lettering score = letter(text, Face::Sans, 15, "SCORE", 1.5f);
  drawLettering(img, score, r.l + 156, r.t + 87, goldText(1.3f, 2));
  goldRule(img, r.l + 222, r.l + 372, r.t + 94, 1.2f, false);
}

void drawGauge(Image& img, const Rect& r) {
  for (int y = r.t; y < r.b; ++y) {
    for (int x = r.l; x < r.r; ++x) {
      float t = (x - r.l + 0.5f) / r.w();
      float v = (y - r.t + 0.5f) / r.h();
      Rgba c = mix(hexColour(0x1f4fb8), hexColour(0x56d6ff), clamp01(t * 1.3f));
      c = mix(c, hexColour(0xf4fbff), clamp01((t - 0.75f) * 4.0f) * 0.85f);
      // Glassy: a bright upper half, a darker lower edge.
      float shade = v < 0.45f ? 1.25f - v * 0.4f : 1.05f - (v - 0.45f) * 0.6f;
      c = scaled(c, shade);
      c.r = std::min(c.r, 1.0f);
      c.g = std::min(c.g, 1.0f);
      c.b = std::min(c.b, 1.0f);
      c.a = 1;
      img.at(x, y) = c;
    }
  }
}

void drawDial(Image& img, const Rect& r) {
  float cx = r.l + 103.5f, cy = r.t + 92.5f;
  img.fill(
      r.l, r.t, r.r, r.b, [&](float px, float py) { return sdf::circle(px, py, cx, cy, 88); },
      [&](float px, float py, float) {
        float d = std::sqrt((px - cx) * (px - cx) + (py - cy) * (py - cy)) / 88;
        return withAlpha(mix(hexColour(0x1f2740), hexColour(0x080a10), d), 0.72f);
      });
  // Outer gold ring and an inner hairline.
  img.fill(
      r.l, r.t, r.r, r.b, [&](float px, float py) { return std::fabs(sdf::circle(px, py, cx, cy, 86)) - 3.2f; },
      [&](float, float py, float) { return goldAt(clamp01((py - r.t) / r.h())); });
  img.fill(
      r.l, r.t, r.r, r.b, [&](float px, float py) { return std::fabs(sdf::circle(px, py, cx, cy, 64)) - 0.8f; },
      [](float, float, float) { return withAlpha(goldAt(0.5f), 0.7f); });
  // Ticks every 15 degrees, longer every 45.
  for (int k = 0; k < 24; ++k) {
    float a = k * 15.0f * 3.14159265f / 180;
    float inner = (k % 6 == 0) ? 68 : (k % 3 == 0 ? 72 : 76);
    float ax = cx + std::sin(a) * inner, ay = cy - std::cos(a) * inner;
    float bx = cx + std::sin(a) * 81, by = cy - std::cos(a) * 81;
    float w = (k % 3 == 0) ? 1.4f : 0.8f;
    img.fill(
        r.l, r.t, r.r, r.b, [&](float px, float py) { return sdf::segment(px, py, ax, ay, bx, by, w); },
        [](float, float, float) { return withAlpha(goldAt(0.35f), 0.9f); });
  }
  // Four-pointed star; the forward point is long and bright.
  for (int k = 0; k < 4; ++k) {
    float a = k * 90.0f * 3.14159265f / 180;
    float len = k == 0 ? 60 : 40;
    float dx = std::sin(a), dy = -std::cos(a), nx = -dy, ny = dx;
    std::vector<float> tri = {cx + dx * len, cy + dy * len, cx + nx * 9, cy + ny * 9, cx - nx * 9, cy - ny * 9};
    img.fill(
        r.l, r.t, r.r, r.b, [&](float px, float py) { return sdf::polygon(px, py, tri); },
        [&](float px, float py, float) {
          float side = (px - cx) * nx + (py - cy) * ny;
          Rgba c = k == 0 ? goldAt(0.1f) : hexColour(0x8c9bb5);
          return scaled(c, side > 0 ? 1.0f : 0.7f);
        });
  }
}

void drawNeedle(Image& img, const Rect& r) {
  float px0 = r.l + 47.0f, py0 = r.t + 45.0f;  // the pivot the game turns it about
  std::vector<float> blade = {px0, py0 - 41, px0 + 7, py0 - 6, px0 + 4, py0 + 22, px0, py0 + 30, px0 - 4, py0 + 22, px0 - 7, py0 - 6};
  img.fill(
      r.l, r.t, r.r, r.b, [&](float x, float y) { return sdf::polygon(x, y, blade) - 1.2f; },
      [](float, float, float) { return hexColour(0x05070c, 0.9f); });
  img.fill(
      r.l, r.t, r.r, r.b, [&](float x, float y) { return sdf::polygon(x, y, blade); }, [&](float x, float y, float) {
    bool front = y < py0;
    Rgba c = front ? mix(hexColour(0xf4fbff), hexColour(0x7fd0ff), clamp01((y - (py0 - 41)) / 41)) : hexColour(0x51607c);
    return scaled(c, x < px0 ? 1.0f : 0.78f); });
  img.fill(
      r.l, r.t, r.r, r.b, [&](float x, float y) { return sdf::circle(x, y, px0, py0, 7); },
      [&](float, float y, float) { return goldAt(clamp01((y - py0 + 7) / 14)); });
  img.fill(
      r.l, r.t, r.r, r.b, [&](float x, float y) { return sdf::circle(x, y, px0, py0, 2.5f); },
      [](float, float, float) { return hexColour(0x20140a); });
}

void drawPrompt(Image& img, const Rect& r) {
  float cx = r.l + 12.5f, cy = r.t + 12.5f;
  auto star = [&](float x, float y) {
    float dx = std::fabs(x - cx), dy = std::fabs(y - cy);
    // Four-pointed sparkle: a concave diamond.
    float d = std::pow(dx / 10.5f, 0.6f) + std::pow(dy / 10.5f, 0.6f) - 1.0f;
    return d * 5.0f;
  };
  img.fill(
      r.l, r.t, r.r, r.b, [&](float x, float y) { return star(x, y) - 1.3f; },
      [](float, float, float) { return hexColour(0x2a1808, 0.85f); });
  img.fill(r.l, r.t, r.r, r.b, star, [&](float x, float y, float) {
    float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) / 10;
    return mix(hexColour(0xffffff), goldAt(0.4f), clamp01(d));
  });
}

void drawEventPanel(Image& img, const Rect& r) {
  darkPanel(img, r.l + 4, r.t + 10, r.r - 4, r.b - 4, 14, 0.84f);
  goldFrame(img, r.l + 4, r.t + 10, r.r - 4, r.b - 4, 14, 3);
  // Inner hairline and corner diamonds.
  img.fill(
      r.l, r.t, r.r, r.b,
      [&](float x, float y) {
        return std::fabs(sdf::roundRect(x, y, r.l + r.w() / 2, r.t + 7 + r.h() / 2, r.w() / 2 - 13, r.h() / 2 - 16, 8)) - 0.6f;
      },
      [](float, float, float) { return withAlpha(goldAt(0.5f), 0.45f); });
  for (float x : {r.l + 12.0f, r.r - 12.0f})
    for (float y : {r.t + 18.0f, r.b - 12.0f}) diamond(img, x, y, 5, 5, goldAt(0.2f), hexColour(0x140c04));
  // Prompt row: the game writes its "next" prompt at x 459 and turns a sparkle at 554.
  goldRule(img, r.l + 300, r.l + 440, r.t + 124, 1.2f, false);
}

void drawBanner(Image& img, TextRenderer& text, const Rect& r, const std::string& word, bool defeat) {
  // A band that fades out to both ends, ornamental rules and the word.
  float cy = r.t + r.h() * 0.5f;
  for (int y = r.t; y < r.b; ++y) {
    for (int x = r.l; x < r.r; ++x) {
      float u = (x - r.l + 0.5f) / r.w(), v = (y - r.t + 0.5f) / r.h();
      float edge = std::min(u, 1 - u) * 5.0f;
      float band = 1.0f - std::pow(std::fabs(v - 0.5f) * 2.0f, 3.0f);
      float a = clamp01(edge) * clamp01(band) * 0.78f;
      Rgba c = defeat ? mix(hexColour(0x2a0607), hexColour(0x0b0204), std::fabs(v - 0.5f) * 2)
                      : mix(hexColour(0x1c2236), hexColour(0x07090f), std::fabs(v - 0.5f) * 2);
      img.blend(x, y, withAlpha(c, a), 1);
    }
  }
  float ruleInset = r.w() * 0.1f;
  if (defeat) {
    img.fill(
        r.l, r.t, r.r, r.b,
        [&](float x, float y) { return sdf::segment(x, y, r.l + ruleInset, r.t + 9.0f, r.r - ruleInset, r.t + 9.0f, 1.0f); },
        [](float, float, float) { return hexColour(0x9c2a22, 0.9f); });
    img.fill(
        r.l, r.t, r.r, r.b,
        [&](float x, float y) { return sdf::segment(x, y, r.l + ruleInset, r.b - 9.0f, r.r - ruleInset, r.b - 9.0f, 1.0f); },
        [](float, float, float) { return hexColour(0x9c2a22, 0.9f); });
  } else {
    goldRule(img, r.l + ruleInset, r.r - ruleInset, r.t + 10.0f, 2.0f);
    goldRule(img, r.l + ruleInset, r.r - ruleInset, r.b - 10.0f, 2.0f);
  }
  int size = text.fitSize(Face::Serif, 74, word, static_cast<int>(r.w() * 0.8f));
  Lettering l = letter(text, Face::Serif, size, word, size * 0.12f);
  TextStyle st = defeat ? goldText(3, 5) : goldText(3, 5);
  if (defeat) {
    st.gradient = crimsonAt;
    st.outlineColour = hexColour(0x140202);
  } else {
    st.glowRadius = 10;
    st.glowColour = hexColour(0xffc860, 0.35f);
  }
  drawCentred(img, l, r.l + r.w() * 0.5f, cy, st);
}

void drawCaption(Image& img, TextRenderer& text, const Rect& r, const std::string& words) {
  float x0 = r.l + 2, y0 = r.t + 2, x1 = r.r - 2, y1 = r.b - 2;
  darkPanel(img, x0, y0, x1, y1, (y1 - y0) / 2, 0.6f);
  int size = text.fitSize(Face::Gothic, 22, words, static_cast<int>(r.w()) - 26);
  Lettering l = letter(text, Face::Gothic, size, words, 0, "ボ");
  // IPA P Gothic has no bold: a hair of dilation thickens the strokes.
  l.mask = l.mask.dilated(0.35f);
  l.ink = inkBounds(l.mask);
  TextStyle st = paleText(1.6f, 2);
  // Re-measure the reference box in the dilated mask.
  Lettering ref = letter(text, Face::Gothic, size, "ボ");
  int pad = (l.mask.height - ref.mask.height) / 2;
  l.capTop = ref.capTop + pad;
  l.capBottom = ref.capBottom + pad;
  drawCentred(img, l, r.l + r.w() * 0.5f, r.t + r.h() * 0.5f, st);
}

void drawButtonB(Image& img, TextRenderer& text, const Rect& r) {
  float cx = r.l + 25.0f, cy = r.t + 25.0f;
  // Drop shadow, rim, face.
  Mask disc = shapeMask(50, 53, [&](float x, float y) { return sdf::circle(x, y, 25, 25, 21); });
  softShadow(img, disc, r.l + 1, r.t + 3, 2, hexColour(0x000000, 0.6f));
  img.fill(
      r.l, r.t, r.r, r.b, [&](float x, float y) { return sdf::circle(x, y, cx, cy, 22.5f); },
      [](float, float, float) { return hexColour(0x2a0a08); });
  img.fill(
      r.l, r.t, r.r, r.b, [&](float x, float y) { return sdf::circle(x, y, cx, cy, 20.5f); }, [&](float x, float y, float) {
    float dx = x - (cx - 6), dy = y - (cy - 8);
    float l = clamp01(1.0f - std::sqrt(dx * dx + dy * dy) / 26.0f);
    return mix(hexColour(0xa8161a), hexColour(0xff6a5c), l); });
  // Glossy highlight on the upper half.
  img.fill(
      r.l, r.t, r.r, r.b,
      [&](float x, float y) { return std::max(sdf::circle(x, y, cx, cy, 18), sdf::circle(x, y, cx, cy + 14, 22) * -1.0f); },
      [](float, float, float) { return hexColour(0xffffff, 0.22f); });
  Lettering b = letter(text, Face::Sans, 28, "B");
  drawCentred(img, b, cx, cy + 0.5f, paleText(1.5f, 1));
}

}  // namespace

void makeHudSheet(OutputTree& out, TextRenderer& text) {
  Image img(1024, 1024);
  paintInto(img, kStagePlate, [&](Image& c, const Rect& r) { drawStagePlate(c, text, r); });
  paintInto(img, kEventPanel, [&](Image& c, const Rect& r) { drawEventPanel(c, r); });
  paintInto(img, kStatusPanel, [&](Image& c, const Rect& r) { drawStatusPanel(c, text, r); });
  paintInto(img, kDial, [&](Image& c, const Rect& r) { drawDial(c, r); });
  paintInto(img, kNeedle, [&](Image& c, const Rect& r) { drawNeedle(c, r); });
  paintInto(img, kPrompt, [&](Image& c, const Rect& r) { drawPrompt(c, r); });
  paintInto(img, kHeart, [&](Image& c, const Rect& r) { drawHeart(c, r.l + 18.5f, r.t + 10.5f, 0.92f, true); });
  paintInto(img, kGauge, [&](Image& c, const Rect& r) { drawGauge(c, r); });
  // Digits: large for the stage number, small for the enemy counts and the score's. The enemy counts
  // step 13 pixels in 20-pixel cells, so their digits are narrow and sit in the left of the cell: the
  // total's ones digit then ends inside the stage plate's frame. The score's ones digit lies past the
  // status panel's end, so each score digit carries a dark halo of its own.
  drawDigits(img, text, Face::Serif, 44, 693, 30, 47, 15, goldText(2, 2));
  drawDigits(img, text, Face::Sans, 18, 740, 20, 29, 5.6f, goldText(1.2f, 0));
  TextStyle scoreStyle = paleText(1.5f, 0);
  scoreStyle.glowRadius = 3;
  scoreStyle.glowColour = hexColour(0x05070c, 0.85f);
  drawDigits(img, text, Face::Sans, 20, 769, 16, 22, 8, scoreStyle);
  paintInto(img, kClearBanner, [&](Image& c, const Rect& r) { drawBanner(c, text, r, "STAGE CLEAR", false); });
  paintInto(img, kDefeatBanner, [&](Image& c, const Rect& r) { drawBanner(c, text, r, "DEFEATED", true); });
  paintInto(img, kCaptionNext, [&](Image& c, const Rect& r) { drawCaption(c, text, r, "Bボタンで次のステージへ"); });
  paintInto(img, kCaptionTitle, [&](Image& c, const Rect& r) { drawCaption(c, text, r, "Bボタンでタイトルへ"); });
  paintInto(img, kCaptionRanking, [&](Image& c, const Rect& r) { drawCaption(c, text, r, "Bボタンでランキング登録へ"); });
  paintInto(img, kButton, [&](Image& c, const Rect& r) { drawButtonB(c, text, r); });
  out.image("UI/CorvanChip.png", img);
}
