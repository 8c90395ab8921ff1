#include "engine/mesh_cache.h"

#include <new>

#include "engine/cache_table.h"
#include "engine/services.h"

namespace hc {

namespace {

CacheTable<MeshEntry>& table() {
    static CacheTable<MeshEntry> cache;
    return cache;
}

// Textures named by a mesh sit beside it: the folder is the mesh path up to its last '/'. A path
// without a folder, or whose only '/' leads it, takes the texture names alone.
std::string textureDirectory(const std::string& meshPath) {
    std::size_t slash = meshPath.rfind('/');
    if (slash == std::string::npos || slash == 0) return {};
    return meshPath.substr(0, slash + 1);
}

// The message names the file, so that a damaged mesh can be found among the game's data.
void reportLoadFailure(const std::string& path) {
    showError("メッシュの読み込みに失敗しました\nファイル名 \"" + path + "\"");
}

void freeEntry(MeshEntry* entry) {
    for (TextureEntry* texture : entry->textures) TextureCache::release(texture);
    delete entry;
}

void drawSubsets(MeshEntry* entry) {
    for (std::uint32_t i = 0; i < entry->materialCount; ++i) {
        gDevice->setMaterial(entry->materials[i]);
        gDevice->setTexture(0, entry->textures[i] ? entry->textures[i]->texture.get() : nullptr);
        entry->mesh->drawSubset(i);
    }
}

}  // namespace

bool MeshCache::load(std::string path, MeshEntry*& out) {
    auto found = table().entries.find(path);
    if (found != table().entries.end() && found->second) {
        found->second->referenceCount += 1;
        out = found->second;
        return true;
    }

    // On failure the caller's pointer is cleared, so that it never holds a deleted entry.
    out = nullptr;
    auto* entry = new (std::nothrow) MeshEntry;
    if (!entry) {
        showError("メッシュの要領確保に失敗しました");
        reportLoadFailure(path);
        return false;
    }

    std::vector<XMaterial> fileMaterials;
    bool loaded = Mesh::loadFromX(*gDevice, path, entry->mesh, fileMaterials);
    if (loaded) {
        entry->materialCount = static_cast<std::uint32_t>(fileMaterials.size());
        entry->materials.reserve(fileMaterials.size());
        entry->textures.reserve(fileMaterials.size());
        const std::string directory = textureDirectory(path);
        for (const XMaterial& material : fileMaterials) {
            entry->materials.push_back(material.material);
            TextureEntry* texture = nullptr;
            if (!material.textureFile.empty() && !TextureCache::load(texture, directory + material.textureFile)) {
                loaded = false;
                break;
            }
            entry->textures.push_back(texture);
        }
    }
    if (!loaded) {
        freeEntry(entry);
        reportLoadFailure(path);
        return false;
    }

    table().add(path, entry);
    out = entry;
    return true;
}

void MeshCache::release(MeshEntry* entry) {
    if (!entry) return;
    if (!table().drop(entry)) return;
    freeEntry(entry);
}

void MeshCache::draw(MeshEntry* entry) {
    if (!entry) return;
    drawSubsets(entry);
}

void MeshCache::drawAlpha(MeshEntry* entry, std::uint32_t alpha) {
    if (!entry) return;
    gDevice->setRenderState(RenderState::TextureFactor, alpha << 24);
    gDevice->setTextureStageState(0, TextureStageState::AlphaOp, TOP_MODULATE);
    gDevice->setTextureStageState(0, TextureStageState::AlphaArg1, TA_TEXTURE);
    gDevice->setTextureStageState(0, TextureStageState::AlphaArg2, TA_TFACTOR);
    drawSubsets(entry);
    gDevice->setTextureStageState(0, TextureStageState::AlphaOp, TOP_SELECTARG1);
    gDevice->setTextureStageState(0, TextureStageState::AlphaArg2, TA_DIFFUSE);
}

void MeshCache::drawFlat(MeshEntry* entry, Colour colour) {
    if (!entry) return;
    gDevice->setRenderState(RenderState::TextureFactor, colour);
    gDevice->setTextureStageState(0, TextureStageState::ColorArg1, TA_TFACTOR);
    gDevice->setTextureStageState(0, TextureStageState::AlphaArg1, TA_TFACTOR);
    drawSubsets(entry);
    gDevice->setRenderState(RenderState::TextureFactor, 0xFF000000u);
    gDevice->setTextureStageState(0, TextureStageState::ColorArg1, TA_TEXTURE);
    gDevice->setTextureStageState(0, TextureStageState::AlphaArg1, TA_TEXTURE);
}

bool MeshCache::rayHit(MeshEntry* entry, Vec3 rayStart, Vec3 rayDelta, Matrix world, Vec3& point) {
    if (!entry || !entry->mesh) return false;
    Matrix inverse;
    // A collapsed world matrix (scale 0) leaves nothing to hit.
    if (!matrixInverse(world, inverse)) return false;
    Vec3 localStart = vec3TransformCoord(rayStart, inverse);
    Vec3 localEnd = vec3TransformCoord(rayStart + rayDelta, inverse);
    Vec3 localDir = localEnd - localStart;

    std::uint32_t face = 0;
    float u = 0, v = 0, distance = 0;
    if (!entry->mesh->intersect(localStart, localDir, face, u, v, distance)) return false;

    const Mesh& mesh = *entry->mesh;
    auto corner = [&](int k) {
        const VertexPositionNormalTex& vertex = mesh.vertices[mesh.indices[face * 3 + static_cast<std::uint32_t>(k)]];
        return Vec3{vertex.x, vertex.y, vertex.z};
    };
    Vec3 p0 = corner(0), p1 = corner(1), p2 = corner(2);
    point = vec3TransformCoord(p0 + (p1 - p0) * u + (p2 - p0) * v, world);
    return true;
}

std::size_t MeshCache::size() { return table().entries.size(); }

}  // namespace hc
