#pragma once
// A strict reader of the text form of DirectX .x mesh files: the frames, meshes, normals, texture
// coordinates and materials that the game's meshes use. Every count is checked against what follows
// it, every number is bounded, nesting and file size are limited; anything else refuses the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hc {

// The file's meshes flattened into one: frames applied, corners that agree in position, normal and
// texture coordinate shared, triangles grouped by material (polygons fanned around their first corner).
struct XFileModel {
    struct Vertex {
        float x, y, z, nx, ny, nz, u, v;
    };
    struct Material {
        std::string name;  // empty when the file gives none
        float diffuse[4] = {0, 0, 0, 1};
        float power = 0;
        float specular[3] = {0, 0, 0};
        float emissive[3] = {0, 0, 0};
        std::string textureFile;  // as the file names it, empty when none
    };
    std::vector<Vertex> vertices;
    std::vector<std::vector<std::uint32_t>> triangles;  // per material: three vertex indices a triangle
    std::vector<Material> materials;
    bool hasNormals = true, hasUvs = true;  // false when some mesh of the file lacks them
};

class XFileReader {
public:
    static constexpr std::size_t kMaxFileBytes = 32u << 20;
    static constexpr int kMaxDepth = 32;  // nested braces

    std::string error;  // why the last read failed, with its line

    bool read(const std::string& path, XFileModel& model);
    bool parse(std::string_view text, XFileModel& model);
};

}  // namespace hc
