// "UI/CorvaneTitle_Chip.png": the logo and the three menu items, highlighted and plain.
// The title draws this sheet keeping only green and alpha, so every picture carries its shape in
// the green channel (light gold and white have high green; outlines and shadows have none).
#include <cmath>

#include "crest_emblem.h"
#include "generators.h"
#include "ui_paint.h"

namespace {

void drawLogo(Image& img, TextRenderer& text) {
  const float w = 892, h = 307;
  Image logo(static_cast<int>(w), static_cast<int>(h));
  // A soft dark cloud behind everything keeps the title readable over the stage.
  Mask cloud = shapeMask(static_cast<int>(w), static_cast<int>(h), [&](float x, float y) {
    float dx = (x - w / 2) / (w * 0.42f), dy = (y - h * 0.56f) / (h * 0.36f);
    return (std::sqrt(dx * dx + dy * dy) - 1.0f) * 60.0f;
  });
  softShadow(logo, cloud, 0, 0, 14, hexColour(0x000000, 0.55f));
  drawCrestEmblem(logo, w / 2, 78, 0.95f);
  int size = 112;
  while (size > 40 && text.measure(Face::Serif, size, "HOLLOW CREST") + size * 0.08f * 11 > 830) --size;
  Lettering title = letter(text, Face::Serif, size, "HOLLOW CREST", size * 0.08f);
  TextStyle st = goldText(4, 8);
  st.shadowColour = hexColour(0x000000, 0.85f);
  st.glowRadius = 14;
  st.glowColour = hexColour(0xffe6a0, 0.28f);
  drawCentred(logo, title, w / 2, 196, st);
  goldRule(logo, 150, 742, 262, 2.2f);
  Lettering tag = letter(text, Face::Sans, 22, "THE BLADE AGAINST THE STONE", 6);
  drawCentred(logo, tag, w / 2, 286, paleText(2, 3));
  img.copyRegion(logo, 0, 0, logo.width, logo.height, 0, 0);
}

void drawItem(Image& img, TextRenderer& text, int x, int y, const std::string& word, bool lit) {
  Image item(241, 47);
  if (lit) {
    // A glowing band and sparks on both sides of the word.
    for (int py = 0; py < 47; ++py)
      for (int px = 0; px < 241; ++px) {
        float u = (px + 0.5f) / 241.0f, v = (py + 0.5f) / 47.0f;
        float a = clamp01(std::min(u, 1 - u) * 4.0f) * (1.0f - std::pow(std::fabs(v - 0.5f) * 2.0f, 2.0f));
        item.blend(px, py, hexColour(0x6a5a2a, 0.55f), a);
      }
    goldRule(item, 16, 225, 44, 1.2f, false);
    diamond(item, 22, 23.5f, 6, 7, hexColour(0xffffff), hexColour(0x000000, 0.9f));
    diamond(item, 219, 23.5f, 6, 7, hexColour(0xffffff), hexColour(0x000000, 0.9f));
  }
  Lettering l = letter(text, Face::Serif, 30, word, 4);
  TextStyle st = lit ? paleText(2.5f, 3) : goldText(2, 3);
  if (lit) {
    st.glowRadius = 6;
    st.glowColour = hexColour(0xffffff, 0.45f);
  } else {
    // Plain items stay darker so the lit one stands out in green alone.
    st.gradient = [](float t) { return scaled(goldAt(t), 0.62f); };
  }
  drawCentred(item, l, 120.5f, 23.5f, st);
  img.copyRegion(item, 0, 0, 241, 47, x, y);
}

}  // namespace

void makeTitleSheet(OutputTree& out, TextRenderer& text) {
  Image img(1024, 512);
  drawLogo(img, text);
  const char* words[3] = {"START", "RANKING", "QUIT"};  // rows 307, 354, 401
  for (int i = 0; i < 3; ++i) {
    drawItem(img, text, 0, 307 + 47 * i, words[i], true);
    drawItem(img, text, 241, 307 + 47 * i, words[i], false);
  }
  out.image("UI/CorvaneTitle_Chip.png", img);
}
