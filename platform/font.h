#pragma once
// Text drawn through the sprite: glyphs are white with coverage in alpha, so the draw colour and the
// stage states tint them. Input strings are Shift-JIS (CP932) bytes.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/sprite.h"

namespace hc {

enum : std::uint32_t { DT_LEFT = 0,
                       DT_TOP = 0,
                       DT_WORDBREAK = 0x10,
                       DT_CALCRECT = 0x400,
                       DT_NOCLIP = 0x100 };

class Font {
public:
    virtual ~Font() = default;
    // height 0 picks the face's default of about 16 pixels; weight 900 is bold. The face name is
    // resolved through fontconfig. Returns null when no face can be opened.
    static std::unique_ptr<Font> create(Device& device, int height, int weight, const std::string& faceUtf8);
    // count -1: up to the terminating zero. Returns the height of the drawn text in pixels.
    virtual int drawText(Sprite* sprite, const char* textSjis, int count, Rect* rect, std::uint32_t format,
                         Colour colour) = 0;
    // Width in pixels of a Shift-JIS string on one line.
    virtual int measure(const char* textSjis, int count) = 0;
};

// CP932 bytes to UTF-8; undecodable bytes are skipped.
std::string sjisToUtf8(const std::string& sjis);
std::string utf8ToSjis(const std::string& utf8);

}  // namespace hc
