#pragma once
// Meshes read from .x files: one subset per material, 16-bit indices, positions, normals and texture
// coordinates as the file gives them (no handedness conversion; v rounded as noted in mesh.cpp).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/device.h"

namespace hc {

struct XMaterial {
    Material material;        // ambient left 0, as the file format carries none
    std::string textureFile;  // as named in the file, empty when none
};

struct MeshRayIndex;

class Mesh {
public:
    struct Subset {
        std::uint32_t startIndex = 0;
        std::uint32_t triangleCount = 0;
    };
    std::vector<VertexPositionNormalTex> vertices;
    std::vector<std::uint16_t> indices;  // three per face
    std::vector<Subset> subsets;         // subset i is drawn with material i
    Vec3 boundsMin, boundsMax;           // local bounding box, for cheap ray rejection

    // Loads an .x file; false when the file cannot be read as a mesh.
    static bool loadFromX(Device& device, const std::string& path, std::unique_ptr<Mesh>& mesh,
                          std::vector<XMaterial>& materials);
    // A UV sphere around the origin (no texture coordinates used), one subset.
    static std::unique_ptr<Mesh> createSphere(Device& device, float radius, int slices, int stacks);

    void drawSubset(std::uint32_t index);
    std::uint32_t faceCount() const { return static_cast<std::uint32_t>(indices.size() / 3); }

    // Nearest intersection along the whole line through start in direction dir (not limited to its
    // length, only forward): face index and barycentrics (u toward vertex 1, v toward vertex 2).
    bool intersect(Vec3 start, Vec3 dir, std::uint32_t& face, float& u, float& v, float& distance) const;

    // (Re)creates the device buffers and the ray-test index from vertices/indices.
    void upload(Device& device);

private:
    Device* device_ = nullptr;
    std::unique_ptr<VertexBuffer> vertexBuffer_;
    std::unique_ptr<IndexBuffer> indexBuffer_;
    std::shared_ptr<const MeshRayIndex> rayIndex_;  // bounding-volume tree over the faces
};

}  // namespace hc
