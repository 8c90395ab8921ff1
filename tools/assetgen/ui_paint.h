// The interface look shared by every sheet: dark translucent panels, warm gold frames and lettering
// with gradient fill, outline and shadow.
#pragma once

#include <functional>
#include <string>

#include "image.h"
#include "text_renderer.h"

struct InkBox {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // [x0, x1) × [y0, y1); empty when x1 <= x0
  int width() const { return x1 - x0; }
  int height() const { return y1 - y0; }
};
InkBox inkBounds(const Mask& m, float threshold = 0.02f);

using Paint = std::function<Rgba(float x, float y)>;

struct TextStyle {
  Paint fill;  // colour at a pixel, given t = 0 at the top of the reference letters and 1 at their bottom
  std::function<Rgba(float t)> gradient;
  float outline = 0;
  Rgba outlineColour = {0.05f, 0.04f, 0.03f, 1};
  float shadowBlur = 0;
  int shadowDx = 0, shadowDy = 0;
  Rgba shadowColour = {0, 0, 0, 0.7f};
  float glowRadius = 0;
  Rgba glowColour = {1, 0.8f, 0.4f, 0.5f};
};

// Gradients.
Rgba goldAt(float t);
Rgba paleAt(float t);     // white to cool steel
Rgba crimsonAt(float t);  // defeat lettering

TextStyle goldText(float outline = 2, float shadow = 3);
TextStyle paleText(float outline = 2, float shadow = 3);

// Lettering placed by its ink: (x, y) is where the top-left of the reference capital box goes.
struct Lettering {
  Mask mask;                      // full line box as rendered
  InkBox ink;                     // this text's ink
  int capTop = 0, capBottom = 0;  // reference capitals ("H" or "0") inside the line box
};
Lettering letter(TextRenderer& text, Face face, int size, const std::string& utf8, float tracking = 0,
                 const char* reference = "H");

// Draws lettering with its reference capital box's top-left at (x, y) plus the ink's own x offset
// removed, so x is the left edge of the ink.
void drawLettering(Image& img, const Lettering& l, float x, float y, const TextStyle& style);
// Centred in a box horizontally by ink and vertically by the reference capitals.
void drawCentred(Image& img, const Lettering& l, float cx, float cy, const TextStyle& style);
void drawRightAligned(Image& img, const Lettering& l, float right, float cy, const TextStyle& style);

// Panels and frames.
void darkPanel(Image& img, float x0, float y0, float x1, float y1, float radius, float alpha = 0.82f);
void goldFrame(Image& img, float x0, float y0, float x1, float y1, float radius, float width);
void goldRule(Image& img, float x0, float x1, float y, float thickness, bool diamondEnds = true);
void diamond(Image& img, float cx, float cy, float rx, float ry, Rgba fill, Rgba edge);

// A soft dark halo (blurred shape) behind something.
void softShadow(Image& img, const Mask& shape, int x, int y, int blur, Rgba colour);
Mask shapeMask(int w, int h, const std::function<float(float, float)>& sdf);
