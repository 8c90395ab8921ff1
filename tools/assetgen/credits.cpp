// "UI/Credit_Title.png", the credits screen, and "end_secnのコピー.png", the picture every fade ends on.
#include <cmath>
#include <string>

#include "generators.h"
#include "knight_models.h"
#include "noise.h"
#include "rasteriser.h"
#include "ui_paint.h"

namespace {

Image backdrop(int w, int h, float vignette) {
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      float n = Noise::fbm2(x / 180.0f, y / 180.0f, 4, 901);
      float dx = (x - w * 0.5f) / (w * 0.5f), dy = (y - h * 0.5f) / (h * 0.5f);
      float v = 1.0f - vignette * clamp01((dx * dx + dy * dy) * 0.5f);
      Rgba c = mix(hexColour(0x0b0d14), hexColour(0x1a2030), clamp01(0.45f + n * 0.9f));
      c = scaled(c, v);
      c.a = 1;
      img.at(x, y) = c;
    }
  return img;
}

// The knight at rest with the blade raised, rendered at twice the size and filtered down.
Image knightPortrait(int w, int h) {
  const int S = 2;
  Rasteriser r(w * S, h * S, Rgba{0, 0, 0, 0});
  r.lights = {{normalize({0.7f, -0.5f, -0.6f}), {0.55f, 0.52f, 0.48f}},
              {normalize({-0.8f, -0.1f, 0.5f}), {0.3f, 0.4f, 0.62f}}};
  r.lookAt({1.2f, 1.25f, 3.0f}, {0, 0.86f, 0}, 34);
  Transform body = Transform::rotationY(-180 + 20);
  MeshBuilder b = knightBodyMesh(), lf = knightBootMesh(0.12f), rf = knightBootMesh(-0.12f), hand = knightBladeHandMesh();
  r.draw(b, {}, body);
  r.draw(lf, {}, body);
  r.draw(rf, {}, body);
  float heading = 20;
  Vec3 handPoint{0.42f * std::sin(radians(heading + 10)), 1.0f, 0.42f * std::cos(radians(heading + 10))};
  Transform pose = Transform::rotationZ(90).then(Transform::rotationX(-90)).then(Transform::rotationY(heading)).then(Transform::translation(handPoint));
  r.draw(hand, {}, pose);
  Image out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Rgba sum{};
      for (int sy = 0; sy < S; ++sy)
        for (int sx = 0; sx < S; ++sx) {
          Rgba p = r.colour.at(x * S + sx, y * S + sy);
          sum.r += p.r * p.a;
          sum.g += p.g * p.a;
          sum.b += p.b * p.a;
          sum.a += p.a;
        }
      if (sum.a > 0) out.at(x, y) = {sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / (S * S)};
    }
  return out;
}

struct Section {
  const char* heading;
  std::vector<std::string> lines;
};

}  // namespace

void makeCredits(OutputTree& out, TextRenderer& text) {
  const int W = 1280, H = 720;
  Image img = backdrop(W, H, 0.6f);
  // A pale halo behind the knight and the glow of the blade.
  Mask halo = shapeMask(W, H, [](float x, float y) { return sdf::circle(x, y, 300, 330, 190); });
  softShadow(img, halo, 0, 0, 40, hexColour(0x3c5680, 0.35f));
  Image knight = knightPortrait(440, 640);
  Mask silhouette = knight.alphaMask();
  softShadow(img, silhouette, 80, 60, 10, hexColour(0x8ac8ff, 0.25f));
  img.draw(knight, 80, 60);
  goldFrame(img, 14, 14, W - 14.0f, H - 14.0f, 16, 3);

  Lettering title = letter(text, Face::Serif, 64, "HOLLOW CREST", 6);
  TextStyle st = goldText(3, 6);
  st.glowRadius = 10;
  st.glowColour = hexColour(0xffd070, 0.3f);
  const float colX = 820;
  drawCentred(img, title, colX, 70, st);
  goldRule(img, colX - 230, colX + 230, 112, 1.8f);

  const std::vector<Section> sections = {
      {"THE KNIGHT", {"A pale knight of the Hollow Crest", "and the golems of the deep stone"}},
      {"MADE BY", {"The Hollow Crest team:", "design, programming, art and sound"}},
      {"BUILT WITH", {"SDL2 · SDL2_ttf · FreeType · HarfBuzz", "OpenGL through libepoxy · OpenAL Soft", "stb_image · fontconfig", "GCC · CMake · Ninja · GoogleTest"}},
      {"LETTERING", {"Linux Libertine and Linux Biolinum", "IPA Gothic · DejaVu Sans"}},
  };
  float y = 142;
  for (const Section& s : sections) {
    Lettering head = letter(text, Face::Sans, 19, s.heading, 4);
    drawCentred(img, head, colX, y, goldText(1.5f, 2));
    y += 28;
    for (const std::string& line : s.lines) {
      Lettering l = letter(text, Face::SerifPlain, 21, line, 0.5f);
      drawCentred(img, l, colX, y, paleText(1.2f, 2));
      y += 26;
    }
    y += 14;
  }
  Lettering thanks = letter(text, Face::Serif, 30, "THANK YOU FOR PLAYING", 3);
  drawCentred(img, thanks, 680, 650, goldText(2, 4));
  // The bottom right stays clear: the ending draws its caption at (930, 600) and the button at (1160, 592).
  for (Rgba& p : img.pixels) p.a = 1;
  out.image("UI/Credit_Title.png", img);

  // The fade picture: near-black and even, because the texture cache stretches it to 2048 × 1024
  // and shows only its top-left part, while the title loads it at its own size.
  Image fade(W, H);
  for (int py = 0; py < H; ++py)
    for (int px = 0; px < W; ++px) {
      float n = Noise::fbm2(px / 400.0f, py / 400.0f, 3, 77);
      fade.at(px, py) = scaled(hexColour(0x0d0f15), 1.0f + n * 0.25f);
      fade.at(px, py).a = 1;
    }
  out.image("end_secnのコピー.png", fade);
}
