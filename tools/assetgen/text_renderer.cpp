#include "text_renderer.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <filesystem>

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
  // Letter-spaced text: render glyph by glyph (UTF-8 code points) and place them with extra spacing.
  std::vector<std::string> glyphs;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    size_t len = c < 0x80 ? 1 : (c < 0xE0 ? 2 : (c < 0xF0 ? 3 : 4));
    glyphs.push_back(utf8.substr(i, len));
    i += len;
  }
  int total = 0;
  for (size_t i = 0; i < glyphs.size(); ++i) {
    total += measure(face, pixelSize, glyphs[i]);
    if (i + 1 < glyphs.size()) total += static_cast<int>(std::lround(tracking));
  }
  m.width = total + 2;
  m.height = TTF_FontHeight(f);
  m.a.assign(static_cast<size_t>(m.width) * m.height, 0.0f);
  float pen = 0;
  for (const std::string& g : glyphs) {
    Mask gm = render(face, pixelSize, g, 0.0f);
    int ox = static_cast<int>(std::lround(pen));
    for (int y = 0; y < gm.height && y < m.height; ++y)
      for (int x = 0; x < gm.width; ++x) {
        int tx = ox + x;
        if (tx < 0 || tx >= m.width) continue;
        float& d = m.a[static_cast<size_t>(y) * m.width + tx];
        d = std::min(1.0f, d + gm.at(x, y));
      }
    pen += measure(face, pixelSize, g) + tracking;
  }
  return m;
}
