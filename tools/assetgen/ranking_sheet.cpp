// "Ranking/ranking_chip.png" (1920 × 1080): letter and digit cells, the list panel, scroll and
// letter arrows, the list labels and the name-entry badges, each on the rectangle the screens read.
#include <cmath>
#include <string>

#include "generators.h"
#include "ui_paint.h"

namespace {

// Rows of the list start at screen y 132 + 94 i; the panel is drawn from sheet y 64 at screen y 0.
constexpr int kPanelTop = 64;
constexpr int kPanelBottom = 736;
constexpr int kPanelRight = 1180;

void drawGlyphCells(Image& img, TextRenderer& text) {
  // Letters A to ^ in 32 × 36 cells on row 0; cell 26 ('[') shows the blank letter as an underline.
  for (int c = 0; c < 30; ++c) {
    Image cell(32, 36);
    if (c == 26) {
      cell.fill(
          0, 0, 32, 36, [](float x, float y) { return sdf::segment(x, y, 7, 30, 25, 30, 1.6f); },
          [](float, float, float) { return goldAt(0.3f); });
    } else {
      std::string ch(1, static_cast<char>('A' + c));
      Lettering l = letter(text, Face::Serif, 33, ch);
      drawCentred(cell, l, 16, 18, paleText(1.8f, 0));
    }
    img.copyRegion(cell, 0, 0, 32, 36, 32 * c, 0);
  }
  // Digits in 32 × 28 cells on row 36.
  for (int d = 0; d < 10; ++d) {
    Image cell(32, 28);
    Lettering l = letter(text, Face::Serif, 34, std::to_string(d), 0, "0");
    drawCentred(cell, l, 16, 14, goldText(1.8f, 0));
    img.copyRegion(cell, 0, 0, 32, 28, 32 * d, 36);
  }
}

void drawListPanel(Image& img, TextRenderer& text) {
  Image panel(kPanelRight, kPanelBottom - kPanelTop);
  // Screen coordinates from here on: the panel is drawn at the screen's origin.
  darkPanel(panel, 8, 8, kPanelRight - 8, 96 - 6, 12, 0.85f);
  goldFrame(panel, 8, 8, kPanelRight - 8, 96 - 6, 12, 2.5f);
  Lettering title = letter(text, Face::Serif, 40, "RANKING", 4);
  drawLettering(panel, title, 30, 32, goldText(2.5f, 4));
  goldRule(panel, 500, kPanelRight - 40, 48, 1.6f);
  // The list area: headings, six row bands, separators.
  darkPanel(panel, 8, 96, kPanelRight - 8, kPanelBottom - kPanelTop - 4, 12, 0.72f);
  goldFrame(panel, 8, 96, kPanelRight - 8, kPanelBottom - kPanelTop - 4, 12, 2);
  TextStyle head = goldText(1.4f, 2);
  Lettering rank = letter(text, Face::Sans, 17, "RANK", 2);
  Lettering name = letter(text, Face::Sans, 17, "NAME", 2);
  Lettering stage = letter(text, Face::Sans, 17, "STAGE", 2);
  Lettering score = letter(text, Face::Sans, 17, "SCORE", 2);
  // A number's ones digit is drawn with its left edge on the column's anchor (220, 751, 1072), so the
  // headings end one digit cell to the right of it.
  drawRightAligned(panel, rank, 220 + 32, 114, head);
  drawLettering(panel, name, 352, 114 - (name.capBottom - name.capTop) / 2.0f, head);
  drawRightAligned(panel, stage, 751 + 32, 114, head);
  drawRightAligned(panel, score, 1072 + 32, 114, head);
  for (int i = 0; i < 6; ++i) {
    float y = 132.0f + 94 * i;
    // A faint band behind each row and a gold hairline below it.
    panel.fill(
        20, static_cast<int>(y) - 10, kPanelRight - 20, static_cast<int>(y) + 48,
        [&](float px, float py) { return sdf::roundRect(px, py, kPanelRight / 2.0f, y + 18, kPanelRight / 2.0f - 24, 27, 8); },
        [&](float, float, float) { return hexColour(i % 2 ? 0x2a3247 : 0x323b52, 0.45f); });
    if (i < 5) goldRule(panel, 60, kPanelRight - 60, y + 64, 1.0f, false);
  }
  img.copyRegion(panel, 0, 0, panel.width, panel.height, 0, kPanelTop);
}

void drawScrollArrow(Image& img, int x, int y, bool up) {
  Image cell(64, 96);
  float cx = 32, tip = up ? 14.0f : 82.0f, base = up ? 56.0f : 40.0f;
  std::vector<float> tri = {cx, tip, cx + 24, base, cx + 9, base, cx + 9, up ? 80.0f : 16.0f,
                            cx - 9, up ? 80.0f : 16.0f, cx - 9, base, cx - 24, base};
  cell.fill(
      0, 0, 64, 96, [&](float px, float py) { return sdf::polygon(px, py, tri) - 2.5f; },
      [](float, float, float) { return hexColour(0x140c04, 0.9f); });
  cell.fill(
      0, 0, 64, 96, [&](float px, float py) { return sdf::polygon(px, py, tri); },
      [&](float, float py, float) { return goldAt(clamp01(py / 96.0f)); });
  img.copyRegion(cell, 0, 0, 64, 96, x, y);
}

// Letter-picker arrows: the left one sits left of the letter, the right one's point sits in the
// right end of its cell, just past the letter's right edge.
void drawPickArrow(Image& img, int x, int y, bool right) {
  Image cell(64, 64);
  std::vector<float> tri = right ? std::vector<float>{57, 22, 63, 32, 57, 42}
                                 : std::vector<float>{60, 20, 48, 32, 60, 44};
  cell.fill(
      0, 0, 64, 64, [&](float px, float py) { return sdf::polygon(px, py, tri) - 1.5f; },
      [](float, float, float) { return hexColour(0x140c04, 0.9f); });
  cell.fill(
      0, 0, 64, 64, [&](float px, float py) { return sdf::polygon(px, py, tri); },
      [](float, float, float) { return goldAt(0.2f); });
  img.copyRegion(cell, 0, 0, 64, 64, x, y);
}

void drawBadge(Image& img, TextRenderer& text, int x, int y, int w, int h, const std::string& l1, const std::string& l2) {
  Image cell(w, h);
  darkPanel(cell, 3, 3, w - 3.0f, h - 3.0f, 8, 0.9f);
  goldFrame(cell, 3, 3, w - 3.0f, h - 3.0f, 8, 2);
  if (l2.empty()) {
    Lettering a = letter(text, Face::Serif, 26, l1, 3);
    drawCentred(cell, a, w / 2.0f, h / 2.0f, goldText(1.8f, 2));
  } else {
    Lettering a = letter(text, Face::Sans, 17, l1, 2);
    Lettering b = letter(text, Face::Sans, 17, l2, 2);
    drawCentred(cell, a, w / 2.0f, h * 0.34f, goldText(1.5f, 2));
    drawCentred(cell, b, w / 2.0f, h * 0.68f, goldText(1.5f, 2));
  }
  img.copyRegion(cell, 0, 0, w, h, x, y);
}

void drawListLabel(Image& img, TextRenderer& text, int y, const std::string& word, bool endless) {
  Image cell(194, 47);
  darkPanel(cell, 2, 2, 192, 45, 10, 0.9f);
  goldFrame(cell, 2, 2, 192, 45, 10, 2);
  Lettering l = letter(text, Face::Serif, 25, word, 3);
  TextStyle st = endless ? paleText(1.8f, 2) : goldText(1.8f, 2);
  if (endless) {
    st.glowRadius = 5;
    st.glowColour = hexColour(0x7fd4ff, 0.5f);
  }
  drawCentred(cell, l, 97, 23.5f, st);
  img.copyRegion(cell, 0, 0, 194, 47, 608, y);
}

}  // namespace

void makeRankingSheet(OutputTree& out, TextRenderer& text) {
  Image img(1920, 1080);
  drawGlyphCells(img, text);
  drawListPanel(img, text);
  drawScrollArrow(img, 0, 736, true);
  drawScrollArrow(img, 64, 736, false);
  drawBadge(img, text, 224, 736, 128, 64, "YOU", "");
  drawPickArrow(img, 352, 736, false);
  drawPickArrow(img, 416, 736, true);
  drawBadge(img, text, 480, 736, 128, 64, "NAME", "ENTRY");
  drawListLabel(img, text, 736, "STORY", false);
  drawListLabel(img, text, 793, "ENDLESS", true);
  out.image("Ranking/ranking_chip.png", img);
}
