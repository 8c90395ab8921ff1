#pragma once
#include <memory>
#include <string>
#include <vector>

#include "engine/texture_cache.h"
#include "platform/mesh.h"

namespace hc {

class MeshEntry {
public:
    char name[64] = {};
    std::unique_ptr<Mesh> mesh;
    std::vector<Material> materials;
    std::uint32_t materialCount = 0;
    std::vector<TextureEntry*> textures;
    int referenceCount = 0;
};

class MeshCache {
public:
    static bool load(std::string path, MeshEntry*& out);
    static void release(MeshEntry* entry);
    static void draw(MeshEntry* entry);
    static void drawAlpha(MeshEntry* entry, std::uint32_t alpha);
    static void drawFlat(MeshEntry* entry, Colour colour);
    static bool rayHit(MeshEntry* entry, Vec3 rayStart, Vec3 rayDelta, Matrix world, Vec3& point);
    static std::size_t size();  // live entries
};

}  // namespace hc
