#pragma once
#include <memory>
#include <string>

#include "platform/device.h"
#include "platform/sprite.h"

namespace hc {

class TextureEntry {
public:
    char name[64] = {};
    std::unique_ptr<Texture> texture;
    int referenceCount = 0;
};

class TextureCache {
public:
    static bool setUpSampling();
    static bool load(TextureEntry*& out, std::string path);
    static void release(TextureEntry* entry);
    static std::size_t size();  // live entries
};

// Sprite draw with the opaque-green modulation colour; null entry draws nothing.
void drawSprite(TextureEntry* entry, const Matrix* transform, const Vec3* centre, const Rect* source);
// Red text at x 0 from the given top, wrapped at 1280 pixels.
void drawText(float top, std::string text);

}  // namespace hc
