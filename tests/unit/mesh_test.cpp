#include "platform/mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "engine_test_support.h"
#include "platform/headless/headless_device.h"
#include "x_fixtures.h"

namespace hc {
namespace {

using testing::blockX;
using testing::ScratchDir;

Vec3 position(const Mesh& mesh, std::uint32_t index) {
    const VertexPositionNormalTex& v = mesh.vertices[mesh.indices[index]];
    return {v.x, v.y, v.z};
}

void expectVec(Vec3 actual, Vec3 expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-5f);
    EXPECT_NEAR(actual.y, expected.y, 1e-5f);
    EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

class MeshTest : public ::testing::Test {
protected:
    std::unique_ptr<Device> device = createHeadlessDevice();
    ScratchDir dir;
    std::unique_ptr<Mesh> mesh;
    std::vector<XMaterial> materials;

    bool load(const std::string& contents, const std::string& name = "block.x") {
        return Mesh::loadFromX(*device, dir.write(name, contents), mesh, materials);
    }
};

TEST_F(MeshTest, KeepsTheFilesPositionsNormalsUvsAndWinding) {
    ASSERT_TRUE(load(blockX()));
    ASSERT_EQ(mesh->subsets.size(), 2u);
    // Subset 0 is the material listed first: the triangle, which comes second in the face list.
    const Mesh::Subset& triangle = mesh->subsets[0];
    ASSERT_EQ(triangle.triangleCount, 1u);
    expectVec(position(*mesh, triangle.startIndex), {5, 1, 1});
    expectVec(position(*mesh, triangle.startIndex + 1), {6, 1, 1});
    expectVec(position(*mesh, triangle.startIndex + 2), {5, 2, 1});
    const VertexPositionNormalTex& corner = mesh->vertices[mesh->indices[triangle.startIndex + 2]];
    EXPECT_FLOAT_EQ(corner.u, 0.25f);
    EXPECT_FLOAT_EQ(corner.v, 0.5f);
    EXPECT_FLOAT_EQ(corner.nz, -1.0f);

    // The quad is split along the diagonal from its first corner, corners in file order.
    const Mesh::Subset& quad = mesh->subsets[1];
    ASSERT_EQ(quad.triangleCount, 2u);
    const Vec3 expected[6] = {{0, 0, 0}, {2, 0, 0}, {2, 0, 3}, {0, 0, 0}, {2, 0, 3}, {0, 0, 3}};
    for (std::uint32_t i = 0; i < 6; ++i) expectVec(position(*mesh, quad.startIndex + i), expected[i]);
    const VertexPositionNormalTex& far = mesh->vertices[mesh->indices[quad.startIndex + 2]];
    EXPECT_FLOAT_EQ(far.u, 1.0f);
    EXPECT_FLOAT_EQ(far.v, 1.0f);
    EXPECT_FLOAT_EQ(far.ny, 1.0f);

    expectVec(mesh->boundsMin, {0, 0, 0});
    expectVec(mesh->boundsMax, {6, 2, 3});
    EXPECT_EQ(mesh->faceCount(), 3u);
}

TEST_F(MeshTest, CopiesMaterialsInFileOrderWithoutAmbient) {
    ASSERT_TRUE(load(blockX()));
    ASSERT_EQ(materials.size(), 2u);
    const Material& first = materials[0].material;
    EXPECT_FLOAT_EQ(first.diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(first.diffuse.g, 0.5f);
    EXPECT_FLOAT_EQ(first.diffuse.b, 0.25f);
    EXPECT_FLOAT_EQ(first.diffuse.a, 0.75f);
    EXPECT_FLOAT_EQ(first.power, 8.0f);
    EXPECT_FLOAT_EQ(first.specular.r, 0.1f);
    EXPECT_FLOAT_EQ(first.specular.b, 0.3f);
    EXPECT_FLOAT_EQ(first.emissive.r, 0.4f);
    EXPECT_FLOAT_EQ(first.emissive.b, 0.6f);
    EXPECT_EQ(first.ambient.r + first.ambient.g + first.ambient.b, 0.0f);
    EXPECT_EQ(materials[0].textureFile, "stone.png");
    EXPECT_FLOAT_EQ(materials[1].material.diffuse.b, 0.4f);
    EXPECT_EQ(materials[1].textureFile, "");
}

TEST_F(MeshTest, TextureNamesComeBackWhateverTheyContain) {
    for (const char* name : {"rock_normal.png", "env.png", "bump_map.png", "golem_spec.png", "self.png", "sub/a b.png"}) {
        ASSERT_TRUE(load(blockX(name))) << name;
        EXPECT_EQ(materials[0].textureFile, name);
    }
}

TEST_F(MeshTest, FrameTransformsPlaceTheMesh) {
    ASSERT_TRUE(load(blockX("", 10.0f)));
    expectVec(mesh->boundsMin, {10, 0, 0});
    expectVec(mesh->boundsMax, {16, 2, 3});
}

TEST_F(MeshTest, RefusesWhatIsNotAReadableXFile) {
    EXPECT_FALSE(Mesh::loadFromX(*device, dir.file("missing.x"), mesh, materials));
    EXPECT_FALSE(load("", "empty.x"));
    EXPECT_FALSE(load("this is not a mesh\n", "text.x"));
    EXPECT_FALSE(load("xof 0303txt 0032\nMesh Broken {\n 3;\n 0.0;0.0;", "truncated.x"));
    // A face naming a vertex that does not exist.
    std::string bad = blockX();
    bad.replace(bad.find("3;4,5,6;;"), 9, "3;4,5,60;;");
    EXPECT_FALSE(load(bad, "badindex.x"));
    // Another format under an .x name.
    EXPECT_FALSE(load(
        "solid a\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n"
        "endloop\nendfacet\nendsolid a\n",
        "stl.x"));
    EXPECT_EQ(mesh, nullptr);
}

TEST_F(MeshTest, RefusesMoreVerticesThanSixteenBitIndicesReach) {
    // Separate triangles, three distinct vertices each: 21845 of them fill 65535 vertices exactly.
    auto manyTriangles = [](int triangles) {
        std::ostringstream x;
        x << "xof 0303txt 0032\nMesh Many {\n"
          << triangles * 3 << ";\n";
        for (int i = 0; i < triangles * 3; ++i)
            x << i << ".0;" << (i % 3) << ".0;0.0;" << (i + 1 < triangles * 3 ? ",\n" : ";\n");
        x << triangles << ";\n";
        for (int t = 0; t < triangles; ++t)
            x << "3;" << t * 3 << "," << t * 3 + 1 << "," << t * 3 + 2 << (t + 1 < triangles ? ";,\n" : ";;\n");
        x << "}\n";
        return x.str();
    };
    ASSERT_TRUE(load(manyTriangles(21845), "full.x"));
    EXPECT_EQ(mesh->vertices.size(), 65535u);
    EXPECT_FALSE(load(manyTriangles(21846), "many.x"));
}

TEST_F(MeshTest, DrawSubsetDrawsTheSubsetsTrianglesThroughTheDevice) {
    ASSERT_TRUE(load(blockX()));
    device->calls.clear();
    mesh->drawSubset(1);
    ASSERT_EQ(device->calls.size(), 4u);
    EXPECT_EQ(device->calls[0].kind, CallKind::SetVertexFormat);
    EXPECT_EQ(device->calls[0].a, static_cast<std::uint32_t>(VertexFormat::PositionNormalTex));
    EXPECT_EQ(device->calls[1].kind, CallKind::SetStreamSource);
    EXPECT_EQ(device->calls[1].b, 32u);
    EXPECT_EQ(device->calls[2].kind, CallKind::SetIndices);
    EXPECT_EQ(device->calls[3].kind, CallKind::DrawIndexedPrimitive);
    EXPECT_EQ(device->calls[3].a, static_cast<std::uint32_t>(PrimitiveType::TriangleList));
    EXPECT_EQ(device->calls[3].b, mesh->subsets[1].startIndex);
    EXPECT_EQ(device->calls[3].value, 2u);

    device->calls.clear();
    mesh->drawSubset(2);  // no such subset
    EXPECT_TRUE(device->calls.empty());
}

TEST_F(MeshTest, IntersectFindsTheNearestHitAlongTheWholeForwardLine) {
    ASSERT_TRUE(load(blockX()));
    std::uint32_t face = 99;
    float u = -1, v = -1, distance = -1;
    struct Case {
        Vec3 start, dir;
        bool hit;
        float distance;
        Vec3 point;
    } cases[] = {
        {{1, 5, 1}, {0, -1, 0}, true, 5, {1, 0, 1}},              // straight down onto the quad
        {{1, 5, 1}, {0, -0.1f, 0}, true, 50, {1, 0, 1}},          // far beyond the ray's own length
        {{1, -5, 1}, {0, -1, 0}, false, 0, {}},                   // the quad lies behind
        {{1, -5, 1}, {0, 1, 0}, true, 5, {1, 0, 1}},              // from below: back faces count
        {{10, 5, 10}, {0, -1, 0}, false, 0, {}},                  // beside the mesh
        {{5.2f, 1.2f, -3}, {0, 0, 1}, true, 4, {5.2f, 1.2f, 1}},  // through the standing triangle
        {{5.9f, 1.9f, -3}, {0, 0, 1}, false, 0, {}},              // inside the box, outside the triangle
        {{1, 5, 1}, {0, 0, 0}, false, 0, {}},                     // no direction
    };
    for (const Case& c : cases) {
        bool hit = mesh->intersect(c.start, c.dir, face, u, v, distance);
        ASSERT_EQ(hit, c.hit) << c.start.x << "," << c.start.y << "," << c.start.z;
        if (!hit) continue;
        EXPECT_NEAR(distance, c.distance, 1e-4f);
        Vec3 p0 = position(*mesh, face * 3), p1 = position(*mesh, face * 3 + 1), p2 = position(*mesh, face * 3 + 2);
        expectVec(p0 + (p1 - p0) * u + (p2 - p0) * v, c.point);
    }
}

TEST_F(MeshTest, EveryShippedMeshLoadsWithItsTexturesBesideIt) {
    const char* runtime = std::getenv("HC_RUNTIME_DIR");
    if (!runtime) GTEST_SKIP() << "HC_RUNTIME_DIR not set";
    std::filesystem::path root = std::filesystem::path(runtime) / "Resource_Blade";
    int meshes = 0;
    std::error_code error;
    for (const auto& file : std::filesystem::recursive_directory_iterator(root, error)) {
        if (file.path().extension() != ".x") continue;
        ++meshes;
        std::string path = file.path().string();
        ASSERT_TRUE(Mesh::loadFromX(*device, path, mesh, materials)) << path;
        EXPECT_FALSE(materials.empty()) << path;
        EXPECT_EQ(mesh->subsets.size(), materials.size()) << path;
        for (const XMaterial& material : materials) {
            if (material.textureFile.empty()) continue;
            EXPECT_TRUE(std::filesystem::exists(file.path().parent_path() / material.textureFile))
                << path << " names " << material.textureFile;
        }
    }
    if (meshes == 0) GTEST_SKIP() << "no meshes under " << root.string();
}

TEST(MeshSphere, TheFaceTreeFindsWhatTryingEveryFaceFinds) {
    auto device = createHeadlessDevice();
    auto sphere = Mesh::createSphere(*device, 1.5f, 25, 21);
    ASSERT_NE(sphere, nullptr);
    // The same faces without upload(): no tree, every face is tried.
    Mesh plain;
    plain.vertices = sphere->vertices;
    plain.indices = sphere->indices;
    plain.boundsMin = sphere->boundsMin;
    plain.boundsMax = sphere->boundsMax;

    std::srand(7);
    auto random = [] { return static_cast<float>(std::rand()) / static_cast<float>(RAND_MAX) * 2.0f - 1.0f; };
    int hits = 0;
    for (int i = 0; i < 2000; ++i) {
        Vec3 start{random() * 3, random() * 3, random() * 3};
        Vec3 dir{random(), random(), random()};
        if (i % 4 == 0) dir = Vec3{0, 0, 0} - start;                // aimed at the centre
        if (i % 7 == 0) dir = {0, random() > 0 ? 1.0f : -1.0f, 0};  // along an axis
        std::uint32_t faceA = 0, faceB = 0;
        float uA = 0, vA = 0, tA = 0, uB = 0, vB = 0, tB = 0;
        bool a = sphere->intersect(start, dir, faceA, uA, vA, tA);
        bool b = plain.intersect(start, dir, faceB, uB, vB, tB);
        ASSERT_EQ(a, b) << i;
        if (!a) continue;
        ++hits;
        EXPECT_EQ(faceA, faceB) << i;
        EXPECT_EQ(tA, tB) << i;
        EXPECT_EQ(uA, uB) << i;
        EXPECT_EQ(vA, vB) << i;
    }
    EXPECT_GT(hits, 500);
}

TEST(MeshSphere, HasTheOriginalLayoutFacingOutward) {
    auto device = createHeadlessDevice();
    auto sphere = Mesh::createSphere(*device, 2.0f, 8, 5);
    ASSERT_NE(sphere, nullptr);
    EXPECT_EQ(sphere->vertices.size(), 2u + 8u * 4u);
    EXPECT_EQ(sphere->faceCount(), 2u * 8u * 4u);
    ASSERT_EQ(sphere->subsets.size(), 1u);
    EXPECT_EQ(sphere->subsets[0].triangleCount, sphere->faceCount());
    // Poles on the z axis.
    EXPECT_FLOAT_EQ(sphere->vertices.front().z, 2.0f);
    EXPECT_FLOAT_EQ(sphere->vertices.back().z, -2.0f);
    for (const VertexPositionNormalTex& v : sphere->vertices) {
        EXPECT_NEAR(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z), 2.0f, 1e-5f);
        EXPECT_NEAR(v.nx * 2.0f, v.x, 1e-5f);
    }
    // Clockwise seen from outside: the left-handed face normal points away from the centre.
    for (std::uint32_t f = 0; f < sphere->faceCount(); ++f) {
        Vec3 p0 = position(*sphere, f * 3), p1 = position(*sphere, f * 3 + 1), p2 = position(*sphere, f * 3 + 2);
        EXPECT_GT(vec3Dot(vec3Cross(p1 - p0, p2 - p0), p0 + p1 + p2), 0.0f) << "face " << f;
    }

    // The nearest of the two crossings.
    std::uint32_t face = 0;
    float u = 0, v = 0, distance = 0;
    ASSERT_TRUE(sphere->intersect({0.1f, 0.1f, -10}, {0, 0, 1}, face, u, v, distance));
    EXPECT_GT(distance, 8.0f);
    EXPECT_LT(distance, 8.2f);

    EXPECT_EQ(Mesh::createSphere(*device, 1.0f, 1, 5), nullptr);
    EXPECT_EQ(Mesh::createSphere(*device, 1.0f, 8, 1), nullptr);
    EXPECT_EQ(Mesh::createSphere(*device, -1.0f, 8, 5), nullptr);
}

}  // namespace
}  // namespace hc
