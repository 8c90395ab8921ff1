// Renders lettering with SDL2_ttf into coverage masks. Fonts come from Debian font packages.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "image.h"

struct _TTF_Font;

enum class Face {
  Serif,       // Linux Libertine O Bold: logo, titles
  SerifPlain,  // Linux Libertine O Regular: credits text
  Sans,        // Linux Biolinum O Bold: interface labels
  Digits,      // DejaVu Sans Bold: numbers that must stay legible when small
  Gothic,      // IPA P Gothic: Japanese captions
};

class TextRenderer {
 public:
  TextRenderer();
  ~TextRenderer();
  TextRenderer(const TextRenderer&) = delete;
  TextRenderer& operator=(const TextRenderer&) = delete;

  // False (with a message on stderr) when SDL_ttf or a font is unavailable.
  bool ready() const { return ok; }

  // Coverage of UTF-8 text at a pixel size; `tracking` adds pixels between glyphs.
  Mask render(Face face, int pixelSize, const std::string& utf8, float tracking = 0.0f);
  // Advance width in pixels.
  int measure(Face face, int pixelSize, const std::string& utf8);
  // Largest size (at most maxSize) at which the text fits into maxWidth.
  int fitSize(Face face, int maxSize, const std::string& utf8, int maxWidth);

  static std::string fontPath(Face face);

 private:
  _TTF_Font* font(Face face, int pixelSize);

  bool ok = false;
  std::map<std::pair<int, int>, _TTF_Font*> fonts;
};
