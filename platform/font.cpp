#include "platform/font.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace hc {

namespace {

// Runs iconv over the whole input. Bytes that cannot be converted are skipped (skipBytes tells how
// many for the sequence starting at a byte); an incomplete sequence at the end is dropped.
std::string convert(const char* to, const char* from, const std::string& input,
                    std::size_t (*skipBytes)(const unsigned char*, std::size_t)) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out;
    std::vector<char> buffer(input.size() * 4 + 16);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        char* o = buffer.data();
        std::size_t oLeft = buffer.size();
        std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer.data(), static_cast<std::size_t>(o - buffer.data()));
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        if (errno == EILSEQ) {
            std::size_t n = std::min(inLeft, std::max<std::size_t>(1, skipBytes(reinterpret_cast<unsigned char*>(in), inLeft)));
            in += n;
            inLeft -= n;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            continue;
        }
        break;  // EINVAL: incomplete sequence at the end
    }
    iconv_close(cd);
    return out;
}

std::size_t skipOne(const unsigned char*, std::size_t) { return 1; }

// A character that CP932 cannot hold is skipped whole (its lead byte and the continuation bytes that
// follow), not byte by byte.
std::size_t skipUtf8Sequence(const unsigned char* p, std::size_t left) {
    std::size_t n = 1;
    if (p[0] >= 0xF0)
        n = 4;
    else if (p[0] >= 0xE0)
        n = 3;
    else if (p[0] >= 0xC0)
        n = 2;
    std::size_t k = 1;
    while (k < n && k < left && (p[k] & 0xC0) == 0x80) ++k;
    return k;
}

std::vector<char32_t> decodeSjis(const char* text, int count) {
    std::vector<char32_t> codes;
    if (!text) return codes;
    std::size_t length = count < 0 ? std::strlen(text) : static_cast<std::size_t>(count);
    std::string bytes = convert("UTF-32LE", "CP932", std::string(text, length), skipOne);
    codes.reserve(bytes.size() / 4);
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + i);
        codes.push_back(static_cast<char32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24)));
    }
    return codes;
}

// Japanese text has no spaces: a line may break next to any wide character.
bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) ||
           c >= 0x20000;
}

bool canBreakBetween(char32_t before, char32_t after) {
    return before == U' ' || isWide(before) || isWide(after);
}

constexpr int kPageSize = 512;
constexpr int kPadding = 2;

class TtfFont : public Font {
public:
    TtfFont(Device& device, TTF_Font* font) : device_(device), font_(font), ownSprite_(device) {
        lineHeight_ = std::max(1, TTF_FontHeight(font_));
    }
    ~TtfFont() override {
        TTF_CloseFont(font_);
        TTF_Quit();
    }

    int drawText(Sprite* sprite, const char* textSjis, int count, Rect* rect, std::uint32_t format,
                 Colour colour) override {
        if (!rect) return 0;
        std::vector<Line> lines = layout(decodeSjis(textSjis, count), *rect, (format & DT_WORDBREAK) != 0);
        const int height = static_cast<int>(lines.size()) * lineHeight_;
        if (format & DT_CALCRECT) {
            int widest = 0;
            for (const Line& l : lines) widest = std::max(widest, l.width);
            rect->right = rect->left + widest;
            rect->bottom = rect->top + height;
            return height;
        }
        for (const Line& l : lines)
            for (char32_t c : l.text) glyph(c);
        for (Page& p : pages_) {
            if (!p.dirty) continue;
            p.texture->update();
            p.dirty = false;
        }
        const bool ownBracket = sprite == nullptr;
        if (ownBracket) {
            sprite = &ownSprite_;
            sprite->begin(SPRITE_ALPHABLEND);
        }
        const bool clip = (format & DT_NOCLIP) == 0;
        int y = rect->top;
        for (const Line& l : lines) {
            int x = rect->left;
            for (char32_t c : l.text) {
                const Glyph& g = glyph(c);
                if (g.page >= 0) drawGlyph(*sprite, g, x, y, *rect, clip, colour);
                x += g.advance;
            }
            y += lineHeight_;
        }
        if (ownBracket) sprite->end();
        return height;
    }

    int measure(const char* textSjis, int count) override {
        int widest = 0, width = 0;
        for (char32_t c : decodeSjis(textSjis, count)) {
            if (c == U'\n') {
                widest = std::max(widest, width);
                width = 0;
                continue;
            }
            width += glyph(c).advance;
        }
        return std::max(widest, width);
    }

private:
    struct Glyph {
        int page = -1;  // -1: nothing to draw (space, control character)
        Rect source;
        int advance = 0;
    };
    struct Page {
        std::unique_ptr<Texture> texture;
        bool dirty = false;
    };
    struct Line {
        std::vector<char32_t> text;
        int width = 0;
    };

    std::vector<Line> layout(const std::vector<char32_t>& codes, const Rect& rect, bool wordBreak) {
        std::vector<Line> lines;
        const int limit = rect.right - rect.left;
        Line line;
        auto finish = [&](Line& l) {
            // A line that was wrapped drops the spaces it ends with.
            while (!l.text.empty() && l.text.back() == U' ') {
                l.width -= glyph(U' ').advance;
                l.text.pop_back();
            }
            lines.push_back(std::move(l));
            l = Line{};
        };
        bool any = false;
        for (std::size_t i = 0; i < codes.size(); ++i) {
            char32_t c = codes[i];
            any = true;
            if (c == U'\r') continue;
            if (c == U'\n') {
                lines.push_back(std::move(line));
                line = Line{};
                continue;
            }
            if (c == U'\t') c = U' ';
            const int advance = glyph(c).advance;
            if (wordBreak && !line.text.empty() && line.width + advance > limit) {
                if (c == U' ') {
                    finish(line);
                    continue;
                }
                // Break at the last opportunity in the line; a word too long for the line breaks anywhere.
                std::size_t at = line.text.size();
                if (!canBreakBetween(line.text.back(), c)) {
                    for (std::size_t k = line.text.size() - 1; k > 0; --k) {
                        if (canBreakBetween(line.text[k - 1], line.text[k])) {
                            at = k;
                            break;
                        }
                    }
                }
                Line rest;
                for (std::size_t k = at; k < line.text.size(); ++k) {
                    if (rest.text.empty() && line.text[k] == U' ') continue;
                    rest.text.push_back(line.text[k]);
                    rest.width += glyph(line.text[k]).advance;
                }
                line.text.resize(at);
                line.width = 0;
                for (char32_t k : line.text) line.width += glyph(k).advance;
                finish(line);
                line = std::move(rest);
            }
            line.text.push_back(c);
            line.width += advance;
        }
        if (any) lines.push_back(std::move(line));
        return lines;
    }

    void drawGlyph(Sprite& sprite, const Glyph& g, int x, int y, const Rect& rect, bool clip, Colour colour) {
        Rect source = g.source;
        int left = x, top = y;
        if (clip) {
            const int width = source.right - source.left, height = source.bottom - source.top;
            const int cutLeft = std::max(0, rect.left - left), cutTop = std::max(0, rect.top - top);
            const int cutRight = std::max(0, left + width - rect.right);
            const int cutBottom = std::max(0, top + height - rect.bottom);
            if (cutLeft + cutRight >= width || cutTop + cutBottom >= height) return;
            source.left += cutLeft;
            source.top += cutTop;
            source.right -= cutRight;
            source.bottom -= cutBottom;
            left += cutLeft;
            top += cutTop;
        }
        const Vec3 position{static_cast<float>(left), static_cast<float>(top), 0.0f};
        sprite.draw(pages_[static_cast<std::size_t>(g.page)].texture.get(), &source, nullptr, &position, colour);
    }

    const Glyph& glyph(char32_t c) {
        auto found = glyphs_.find(c);
        if (found != glyphs_.end()) return found->second;
        Glyph g;
        if (c >= 0x20) {
            int minX, maxX, minY, maxY, advance = 0;
            if (TTF_GlyphMetrics32(font_, c, &minX, &maxX, &minY, &maxY, &advance) == 0) g.advance = advance;
            if (c != U' ' && c != 0x3000) place(c, g);
        }
        return glyphs_.emplace(c, g).first->second;
    }

    // Renders the glyph white with its coverage in alpha into the atlas.
    void place(char32_t c, Glyph& g) {
        SDL_Surface* rendered = TTF_RenderGlyph32_Blended(font_, c, SDL_Color{255, 255, 255, 255});
        if (!rendered) return;
        SDL_Surface* surface = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_FreeSurface(rendered);
        if (!surface) return;
        const int w = std::min(surface->w, kPageSize - 2 * kPadding);
        const int h = std::min(surface->h, kPageSize - 2 * kPadding);
        if (w <= 0 || h <= 0) {
            SDL_FreeSurface(surface);
            return;
        }
        if (pages_.empty() || cursorX_ + w + kPadding > kPageSize) {
            cursorX_ = kPadding;
            cursorY_ += rowHeight_ + kPadding;
            rowHeight_ = 0;
        }
        if (pages_.empty() || cursorY_ + h + kPadding > kPageSize) {
            std::vector<Colour> clearPixels(static_cast<std::size_t>(kPageSize) * kPageSize, 0x00FFFFFFu);
            pages_.push_back({device_.createTexture(kPageSize, kPageSize, clearPixels.data()), false});
            cursorX_ = cursorY_ = kPadding;
            rowHeight_ = 0;
        }
        Page& page = pages_.back();
        SDL_LockSurface(surface);
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(surface->pixels) +
                                                                     static_cast<std::size_t>(y) * surface->pitch);
            Colour* out = page.texture->pixels.data() + static_cast<std::size_t>(cursorY_ + y) * kPageSize + cursorX_;
            for (int x = 0; x < w; ++x) out[x] = (row[x] & 0xFF000000u) | 0x00FFFFFFu;
        }
        SDL_UnlockSurface(surface);
        SDL_FreeSurface(surface);
        g.page = static_cast<int>(pages_.size()) - 1;
        g.source = {cursorX_, cursorY_, cursorX_ + w, cursorY_ + h};
        page.dirty = true;
        cursorX_ += w + kPadding;
        rowHeight_ = std::max(rowHeight_, h);
    }

    Device& device_;
    TTF_Font* font_;
    Sprite ownSprite_;  // for draws without a caller's sprite
    int lineHeight_ = 16;
    std::unordered_map<char32_t, Glyph> glyphs_;
    std::vector<Page> pages_;
    int cursorX_ = kPadding, cursorY_ = kPadding, rowHeight_ = 0;
};

struct FaceFile {
    std::string path;
    int index = 0;
    int weight = FC_WEIGHT_REGULAR;
};

// The face name goes through fontconfig with the Japanese language, so a Japanese Gothic face stands in
// when the named one is not installed; a face that lacks Japanese characters is passed over.
bool resolveFace(const std::string& faceUtf8, int weight, FaceFile& out) {
    if (!FcInit()) return false;
    FcPattern* pattern = FcPatternCreate();
    if (!faceUtf8.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(faceUtf8.c_str()));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    if (weight > 0) FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(std::clamp(weight, 1, 1000)));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcFontSet* set = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
    bool found = false;
    if (set) {
        for (int pass = 0; pass < 2 && !found; ++pass) {
            for (int i = 0; i < set->nfont && !found; ++i) {
                FcPattern* font = FcFontRenderPrepare(nullptr, pattern, set->fonts[i]);
                if (!font) continue;
                FcCharSet* charset = nullptr;
                FcChar8* file = nullptr;
                bool japanese = FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) == FcResultMatch &&
                                FcCharSetHasChar(charset, 0x3042) && FcCharSetHasChar(charset, 0x6B21);
                if ((japanese || pass == 1) && FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch) {
                    out.path = reinterpret_cast<const char*>(file);
                    FcPatternGetInteger(font, FC_INDEX, 0, &out.index);
                    FcPatternGetInteger(font, FC_WEIGHT, 0, &out.weight);
                    found = true;
                }
                FcPatternDestroy(font);
            }
        }
        FcFontSetDestroy(set);
    }
    FcPatternDestroy(pattern);
    return found;
}

}  // namespace

std::unique_ptr<Font> Font::create(Device& device, int height, int weight, const std::string& faceUtf8) {
    FaceFile face;
    if (!resolveFace(faceUtf8, weight, face)) return nullptr;
    if (TTF_Init() != 0) return nullptr;
    // Height 0 is the default of about 16 pixels; a positive height is the cell height, a negative one
    // the character height.
    const int wanted = height == 0 ? 16 : std::abs(height);
    TTF_Font* font = TTF_OpenFontIndex(face.path.c_str(), wanted, face.index);
    if (font && height > 0 && TTF_FontHeight(font) > 0 && TTF_FontHeight(font) != wanted) {
        const int size = std::max(1, wanted * wanted / TTF_FontHeight(font));
        TTF_CloseFont(font);
        font = TTF_OpenFontIndex(face.path.c_str(), size, face.index);
    }
    if (!font) {
        TTF_Quit();
        return nullptr;
    }
    // A face without a bold cut is emboldened.
    if (weight >= 600 && face.weight < FC_WEIGHT_DEMIBOLD) TTF_SetFontStyle(font, TTF_STYLE_BOLD);
    return std::make_unique<TtfFont>(device, font);
}

std::string sjisToUtf8(const std::string& sjis) { return convert("UTF-8", "CP932", sjis, skipOne); }

std::string utf8ToSjis(const std::string& utf8) { return convert("CP932", "UTF-8", utf8, skipUtf8Sequence); }

}  // namespace hc
