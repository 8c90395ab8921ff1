// The program's icon in the hicolor theme's sizes: the crest of the title in its own colours, its wings
// raised to fill a square, drawn at the title's scale and scaled down, so that its outlines keep the
// title's proportions at every size.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "crest_emblem.h"
#include "generators.h"
#include "ui_paint.h"

namespace {

// The title's own scale of the crest.
constexpr float kTitleScale = 0.95f;

// Area-averaged resampling of the square [x0, x0 + side)² of `src` to n × n, in premultiplied alpha so
// that transparent pixels lend no colour to the edges.
Image resampled(const Image& src, float x0, float y0, float side, int n) {
  Image out(n, n);
  const float step = side / static_cast<float>(n);
  for (int oy = 0; oy < n; ++oy) {
    for (int ox = 0; ox < n; ++ox) {
      const float sx0 = x0 + ox * step, sx1 = sx0 + step, sy0 = y0 + oy * step, sy1 = sy0 + step;
      float r = 0, g = 0, b = 0, a = 0, area = 0;
      for (int y = static_cast<int>(std::floor(sy0)); y < static_cast<int>(std::ceil(sy1)); ++y) {
        const float wy = std::min(sy1, y + 1.0f) - std::max(sy0, static_cast<float>(y));
        for (int x = static_cast<int>(std::floor(sx0)); x < static_cast<int>(std::ceil(sx1)); ++x) {
          const float w = wy * (std::min(sx1, x + 1.0f) - std::max(sx0, static_cast<float>(x)));
          area += w;
          if (!src.inside(x, y)) continue;
          const Rgba& p = src.at(x, y);
          r += p.r * p.a * w;
          g += p.g * p.a * w;
          b += p.b * p.a * w;
          a += p.a * w;
        }
      }
      if (a <= 0 || area <= 0) continue;
      out.at(ox, oy) = {r / a, g / a, b / a, a / area};
    }
  }
  return out;
}

}  // namespace

int makeIcons(const std::string& outDir) {
  // Drawn once at the title's scale on a canvas with room round it, then cut square about its ink.
  Image crest(400, 400);
  // The wings raised and shortened: the title's wide crest would be a thin line in a square.
  CrestWings wings;
  wings.liftDegrees = 40;
  wings.length = 0.55f;
  wings.squash = 1.0f;
  wings.clipped = false;
  drawCrestEmblem(crest, 200, 200, kTitleScale, wings);
  const InkBox ink = inkBounds(crest.alphaMask());
  if (ink.width() <= 0) {
    std::fprintf(stderr, "assetgen: the crest drew nothing\n");
    return 1;
  }
  const float side = std::max(ink.width(), ink.height()) * 1.04f;
  const float x0 = (ink.x0 + ink.x1) / 2.0f - side / 2, y0 = (ink.y0 + ink.y1) / 2.0f - side / 2;
  int status = 0;
  for (int n : {48, 64, 128, 256}) {
    const std::string size = std::to_string(n) + "x" + std::to_string(n);
    const std::filesystem::path folder = std::filesystem::path(outDir) / "hicolor" / size / "apps";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string path = (folder / "hollow-crest.png").string();
    if (ec || !resampled(crest, x0, y0, side, n).savePng(path)) {
      std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
      status = 1;
    }
  }
  return status;
}
