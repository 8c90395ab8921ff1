#include "text_renderer.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

struct FaceInfo {
  const char* path;    // where Debian installs it
  const char* family;  // fontconfig fallback
  const char* style;
};

FaceInfo info(Face face) {
  switch (face) {
  case Face::Serif:
    return {"/usr/share/fonts/opentype/linux-libertine/LinLibertine_RB.otf", "Linux Libertine O", "Bold"};
  case Face::SerifPlain:
    return {"/usr/share/fonts/opentype/linux-libertine/LinLibertine_R.otf", "Linux Libertine O", "Regular"};
  case Face::Sans:
    return {"/usr/share/fonts/opentype/linux-libertine/LinBiolinum_RB.otf", "Linux Biolinum O", "Bold"};
  case Face::Digits:
    return {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", "DejaVu Sans", "Bold"};
  case Face::Gothic:
    return {"/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf", "IPAPGothic", "Regular"};
  }
  return {"", "", ""};
}

}  // namespace

std::string TextRenderer::fontPath(Face face) {
  FaceInfo fi = info(face);
  if (std::filesystem::exists(fi.path)) return fi.path;
  std::string found;
  if (FcInit()) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(fi.family));
    FcPatternAddString(pattern, FC_STYLE, reinterpret_cast<const FcChar8*>(fi.style));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcChar8* family = nullptr;
    FcChar8* file = nullptr;
    // Only accept the family asked for: a silent substitute would change the look of every sheet.
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
        std::string(reinterpret_cast<char*>(family)) == fi.family &&
        FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
      found = reinterpret_cast<char*>(file);
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
  }
  return found;
}

TextRenderer::TextRenderer() {
  if (TTF_Init() != 0) {
    std::fprintf(stderr, "assetgen: SDL_ttf failed: %s\n", TTF_GetError());
    return;
  }
  ok = true;
  for (Face f : {Face::Serif, Face::SerifPlain, Face::Sans, Face::Digits, Face::Gothic}) {
    if (fontPath(f).empty()) {
      std::fprintf(stderr, "assetgen: font %s (%s) not found; run scripts/setup\n", info(f).family, info(f).path);
      ok = false;
    }
  }
}

TextRenderer::~TextRenderer() {
  for (auto& [key, f] : fonts) TTF_CloseFont(f);
  if (TTF_WasInit()) TTF_Quit();
}

TTF_Font* TextRenderer::font(Face face, int pixelSize) {
  auto key = std::make_pair(static_cast<int>(face), pixelSize);
  auto it = fonts.find(key);
  if (it != fonts.end()) return it->second;
  TTF_Font* f = TTF_OpenFont(fontPath(face).c_str(), pixelSize);
  if (f) TTF_SetFontHinting(f, TTF_HINTING_LIGHT);
  fonts[key] = f;
  return f;
}

int TextRenderer::measure(Face face, int pixelSize, const std::string& utf8) {
  TTF_Font* f = font(face, pixelSize);
  int w = 0, h = 0;
  if (!f || TTF_SizeUTF8(f, utf8.c_str(), &w, &h) != 0) return 0;
  return w;
}

int TextRenderer::fitSize(Face face, int maxSize, const std::string& utf8, int maxWidth) {
  int size = maxSize;
  while (size > 6 && measure(face, size, utf8) > maxWidth) --size;
  return size;
}

Mask TextRenderer::render(Face face, int pixelSize, const std::string& utf8, float tracking) {
  Mask m;
  TTF_Font* f = font(face, pixelSize);
  if (!f || utf8.empty()) return m;
  if (tracking == 0.0f) {
    SDL_Surface* s = TTF_RenderUTF8_Blended(f, utf8.c_str(), SDL_Color{255, 255, 255, 255});
    if (!s) return m;
    SDL_Surface* conv = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(s);
    if (!conv) return m;
    m.width = conv->w;
    m.height = conv->h;
    m.a.resize(static_cast<size_t>(m.width) * m.height);
    for (int y = 0; y < conv->h; ++y) {
      const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(conv->pixels) + y * conv->pitch);
      for (int x = 0; x < conv->w; ++x) m.a[static_cast<size_t>(y) * m.width + x] = (row[x] >> 24) / 255.0f;
    }
    SDL_FreeSurface(conv);
    return m;
  }
  // Letter-spaced text: each glyph is rendered alone and set where SDL_ttf's own layout of the whole
  // line puts it, plus the tracking. That layout keeps the font's kerning; a zero-width non-joiner
  // between the letters keeps it from joining two of them into a ligature, which no single glyph
  // could draw. A glyph's surface starts at its leftmost ink or its origin, whichever is further
  // left, so its origin is found from its metrics.
  std::vector<std::string> glyphs;
  std::vector<uint32_t> codes;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    size_t len = c < 0x80 ? 1 : (c < 0xE0 ? 2 : (c < 0xF0 ? 3 : 4));
    len = std::min(len, utf8.size() - i);
    uint32_t code = len == 1 ? c : (c & (0xFFu >> (len + 1)));
    for (size_t k = 1; k < len; ++k) code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
    glyphs.push_back(utf8.substr(i, len));
    codes.push_back(code);
    i += len;
  }
  struct Placed {
    Mask mask;
    int origin;  // pen position in the tracked line
    int lead;    // pixels of the surface left of the glyph's origin
  };
  std::vector<Placed> placed;
  std::string prefix;
  int pen = 0, previousAdvance = 0, leftmost = 0;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    if (i > 0) prefix += "\u200C";
    prefix += glyphs[i];
    int minX = 0, maxX = 0, minY = 0, maxY = 0, advance = 0;
    if (TTF_GlyphMetrics32(f, codes[i], &minX, &maxX, &minY, &maxY, &advance) != 0) minX = maxX = advance = 0;
    // The advance alone, and where the shaped line puts the glyph: the line's width ends at this
    // glyph's right edge when its ink reaches furthest right, which holds for all but odd pairs (an
    // overhanging glyph before a mark); those keep the plain advance.
    int at = i == 0 ? 0 : pen + previousAdvance;
    if (i > 0 && maxX > minX) {
      int shaped = measure(face, pixelSize, prefix) + leftmost - maxX;
      if (std::abs(shaped - at) <= std::max(2, pixelSize / 4)) at = shaped;
    }
    leftmost = std::min(leftmost, at + minX);
    pen = at;
    previousAdvance = advance;
    Placed p;
    p.mask = render(face, pixelSize, glyphs[i], 0.0f);
    p.origin = at + static_cast<int>(std::lround(tracking * static_cast<float>(i)));
    p.lead = std::max(0, -minX);
    placed.push_back(std::move(p));
  }
  int shift = 0, right = 0, height = TTF_FontHeight(f);
  for (const Placed& p : placed) shift = std::max(shift, p.lead - p.origin);
  for (const Placed& p : placed) {
    right = std::max(right, shift + p.origin - p.lead + p.mask.width);
    height = std::max(height, p.mask.height);
  }
  m.width = right + 1;
  m.height = height;
  m.a.assign(static_cast<size_t>(m.width) * m.height, 0.0f);
  for (const Placed& p : placed) {
    int ox = shift + p.origin - p.lead;
    for (int y = 0; y < p.mask.height && y < m.height; ++y)
      for (int x = 0; x < p.mask.width; ++x) {
        int tx = ox + x;
        if (tx < 0 || tx >= m.width) continue;
        float& d = m.a[static_cast<size_t>(y) * m.width + tx];
        d = std::min(1.0f, d + p.mask.at(x, y));
      }
  }
  return m;
}
