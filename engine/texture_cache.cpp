#include "engine/texture_cache.h"

#include <new>

#include "engine/cache_table.h"
#include "engine/services.h"
#include "platform/font.h"
#include "platform/image.h"

namespace hc {

namespace {

CacheTable<TextureEntry>& table() {
    static CacheTable<TextureEntry> cache;
    return cache;
}

constexpr Colour kColourKey = 0xFF00FF00u;  // opaque pure green is transparent in every image
constexpr Colour kSpriteColour = 0xFF00FF00u;
constexpr Colour kTextColour = 0xFFFF0000u;

}  // namespace

bool TextureCache::setUpSampling() {
    gDevice->setSamplerState(0, SamplerState::MinFilter, TEXF_LINEAR);
    gDevice->setSamplerState(0, SamplerState::MagFilter, TEXF_LINEAR);
    gDevice->setSamplerState(0, SamplerState::AddressU, TADDRESS_BORDER);
    gDevice->setSamplerState(0, SamplerState::AddressV, TADDRESS_BORDER);
    return true;
}

bool TextureCache::load(TextureEntry*& out, std::string path) {
    auto found = table().entries.find(path);
    if (found != table().entries.end() && found->second) {
        found->second->referenceCount += 1;
        out = found->second;
        return true;
    }

    // On failure the caller's pointer is cleared, so that it never holds a deleted entry.
    out = nullptr;
    auto* entry = new (std::nothrow) TextureEntry;
    if (!entry) {
        showError("テクスチャの要領確保に失敗しました");
        return false;
    }
    entry->texture = createTextureFromFile(*gDevice, path, 0, 0, kColourKey);
    if (!entry->texture) {
        showError("テクスチャの読み込みに失敗しました");
        delete entry;
        return false;
    }
    table().add(path, entry);
    out = entry;
    return true;
}

void TextureCache::release(TextureEntry* entry) {
    if (!entry) return;
    if (!table().drop(entry)) return;
    delete entry;
}

std::size_t TextureCache::size() { return table().entries.size(); }

void drawSprite(TextureEntry* entry, const Matrix* transform, const Vec3* centre, const Rect* source) {
    if (!entry) return;
    gDevice->setTransform(TransformType::World, Matrix::identity());
    gSprite->setTransform(transform ? *transform : Matrix::identity());
    gSprite->draw(entry->texture.get(), source, centre, nullptr, kSpriteColour);
}

void drawText(float top, std::string text) {
    if (!gFont) return;
    Rect rect{0, static_cast<std::int32_t>(top), 1280, 720};
    gFont->drawText(gSprite, text.c_str(), -1, &rect, DT_WORDBREAK, kTextColour);
}

}  // namespace hc
