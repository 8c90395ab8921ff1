// Fuzz target for the .x reader: the input becomes a mesh file that MeshCache::load reads through the
// headless device, beside small stand-ins for the textures the shipped meshes name. A load either
// succeeds, draws, answers ray tests and is released, or fails with the game's message; either way
// both caches end empty.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/mesh_cache.h"
#include "engine/services.h"
#include "engine/texture_cache.h"
#include "platform/headless/headless_device.h"
#include "platform/image.h"
#include "platform/math3d.h"

namespace {

// The texture names of the shipped meshes, each a 4 x 4 image here.
const char* const kTextures[] = {"stone_block.png", "obsidian.png", "golem_basalt.png", "golem_granite.png",
                                 "golem_sandstone.png", "stone.png", "rock.png"};

struct Harness {
    std::unique_ptr<hc::Device> device = hc::createHeadlessDevice();
    std::string folder, path;

    Harness() {
        device->recording = false;  // nothing reads the call log, and it would grow with every input
        hc::gDevice = device.get();
        char name[] = "/tmp/hc_fuzz_mesh_XXXXXX";
        if (!mkdtemp(name)) std::abort();
        folder = name;
        path = folder + "/mesh.x";
        std::vector<hc::Colour> pixels(16);
        for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | static_cast<hc::Colour>(i * 0x0F0F0F);
        for (const char* texture : kTextures)
            if (!hc::writePng(folder + "/" + texture, 4, 4, pixels)) std::abort();
    }
    ~Harness() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

Harness& harness() {
    static Harness h;
    return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Harness& h = harness();
    std::FILE* file = std::fopen(h.path.c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    hc::MeshEntry* entry = nullptr;
    if (hc::MeshCache::load(h.path, entry)) {
        const hc::Mesh& mesh = *entry->mesh;
        if (entry->materialCount != mesh.subsets.size() || entry->textures.size() != entry->materialCount) std::abort();
        if (mesh.vertices.empty() || mesh.vertices.size() > 65535 || mesh.indices.size() % 3 != 0) std::abort();
        for (std::uint16_t index : mesh.indices)
            if (index >= mesh.vertices.size()) std::abort();
        for (const hc::Mesh::Subset& s : mesh.subsets)
            if (s.startIndex + static_cast<std::uint64_t>(s.triangleCount) * 3 > mesh.indices.size()) std::abort();
        for (const hc::VertexPositionNormalTex& v : mesh.vertices)
            if (!std::isfinite(v.x + v.y + v.z + v.nx + v.ny + v.nz + v.u + v.v)) std::abort();
        hc::MeshCache::draw(entry);
        hc::MeshCache::drawAlpha(entry, 128);
        hc::MeshCache::drawFlat(entry, 0xFF336699u);
        const hc::Vec3 centre = (mesh.boundsMin + mesh.boundsMax) * 0.5f;
        hc::Vec3 point;
        for (hc::Vec3 from : {hc::Vec3{0, 0, -100}, hc::Vec3{100, 50, 0}, hc::Vec3{0, -100, 0}})
            hc::MeshCache::rayHit(entry, from, centre - from, hc::Matrix::identity(), point);
        hc::MeshCache::release(entry);
    } else if (entry) {
        std::abort();  // a failed load hands nothing back
    }
    if (hc::MeshCache::size() != 0 || hc::TextureCache::size() != 0) std::abort();
    return 0;
}
