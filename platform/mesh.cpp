#include "platform/mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/x_file_reader.h"

namespace hc {

namespace {

constexpr std::size_t kMaxVertices = 65535;  // 16-bit indices

void computeBounds(Mesh& mesh) {
    if (mesh.vertices.empty()) {
        mesh.boundsMin = mesh.boundsMax = {};
        return;
    }
    Vec3 lo{mesh.vertices[0].x, mesh.vertices[0].y, mesh.vertices[0].z};
    Vec3 hi = lo;
    for (const VertexPositionNormalTex& v : mesh.vertices) {
        lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
        hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
    }
    mesh.boundsMin = lo;
    mesh.boundsMax = hi;
}

}  // namespace

// Faces grouped in a tree of bounding boxes, so that a ray visits the few faces near its path instead
// of all of them. Each face keeps its corner and edges precomputed.
struct MeshRayIndex {
    struct Face {
        Vec3 p0, e1, e2;
        std::uint32_t index;  // the face's number in the mesh
    };
    struct Node {
        Vec3 lo, hi;
        std::uint32_t first = 0, count = 0;  // leaf: faces[first, first + count)
        std::uint32_t second = 0;            // inner node: its second child (the first follows it)
        std::uint32_t axis = 0;              // inner node: the axis its children were split along
    };
    std::vector<Face> faces;
    std::vector<Node> nodes;
};

namespace {

constexpr std::uint32_t kLeafFaces = 4;
constexpr int kMaxTreeDepth = 48;

struct FaceBox {
    Vec3 lo, hi, centre;
};

Vec3 minOf(Vec3 a, Vec3 b) { return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)}; }
Vec3 maxOf(Vec3 a, Vec3 b) { return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)}; }
float axisOf(Vec3 v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y
                                                                    : v.z; }

// Builds the subtree over order[begin, end) and returns its node.
std::uint32_t buildNode(MeshRayIndex& index, const std::vector<FaceBox>& boxes, std::vector<std::uint32_t>& order,
                        std::uint32_t begin, std::uint32_t end, int depth) {
    auto nodeIndex = static_cast<std::uint32_t>(index.nodes.size());
    index.nodes.emplace_back();
    Vec3 lo = boxes[order[begin]].lo, hi = boxes[order[begin]].hi;
    Vec3 centreLo = boxes[order[begin]].centre, centreHi = centreLo;
    for (std::uint32_t i = begin; i < end; ++i) {
        const FaceBox& box = boxes[order[i]];
        lo = minOf(lo, box.lo);
        hi = maxOf(hi, box.hi);
        centreLo = minOf(centreLo, box.centre);
        centreHi = maxOf(centreHi, box.centre);
    }
    index.nodes[nodeIndex].lo = lo;
    index.nodes[nodeIndex].hi = hi;
    if (end - begin <= kLeafFaces || depth >= kMaxTreeDepth) {
        index.nodes[nodeIndex].first = begin;
        index.nodes[nodeIndex].count = end - begin;
        return nodeIndex;
    }
    Vec3 extent = centreHi - centreLo;
    int axis = extent.x >= extent.y && extent.x >= extent.z ? 0 : extent.y >= extent.z ? 1
                                                                                       : 2;
    std::uint32_t middle = begin + (end - begin) / 2;
    std::nth_element(order.begin() + begin, order.begin() + middle, order.begin() + end,
                     [&](std::uint32_t a, std::uint32_t b) {
                         return axisOf(boxes[a].centre, axis) < axisOf(boxes[b].centre, axis);
                     });
    buildNode(index, boxes, order, begin, middle, depth + 1);
    std::uint32_t second = buildNode(index, boxes, order, middle, end, depth + 1);
    index.nodes[nodeIndex].second = second;
    index.nodes[nodeIndex].axis = static_cast<std::uint32_t>(axis);
    return nodeIndex;
}

std::shared_ptr<const MeshRayIndex> buildRayIndex(const Mesh& mesh) {
    auto index = std::make_shared<MeshRayIndex>();
    std::vector<FaceBox> boxes;
    const std::size_t faceCount = mesh.indices.size() / 3;
    for (std::size_t f = 0; f < faceCount; ++f) {
        std::uint16_t i0 = mesh.indices[f * 3], i1 = mesh.indices[f * 3 + 1], i2 = mesh.indices[f * 3 + 2];
        if (i0 >= mesh.vertices.size() || i1 >= mesh.vertices.size() || i2 >= mesh.vertices.size()) continue;
        const VertexPositionNormalTex& a = mesh.vertices[i0];
        const VertexPositionNormalTex& b = mesh.vertices[i1];
        const VertexPositionNormalTex& c = mesh.vertices[i2];
        Vec3 p0{a.x, a.y, a.z}, p1{b.x, b.y, b.z}, p2{c.x, c.y, c.z};
        index->faces.push_back({p0, p1 - p0, p2 - p0, static_cast<std::uint32_t>(f)});
        Vec3 lo = minOf(minOf(p0, p1), p2), hi = maxOf(maxOf(p0, p1), p2);
        boxes.push_back({lo, hi, (lo + hi) * 0.5f});
    }
    if (index->faces.empty()) return index;
    std::vector<std::uint32_t> order(index->faces.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    buildNode(*index, boxes, order, 0, static_cast<std::uint32_t>(order.size()), 0);
    // Store the faces in leaf order so that a leaf's faces lie side by side.
    std::vector<MeshRayIndex::Face> sorted;
    sorted.reserve(order.size());
    for (std::uint32_t i : order) sorted.push_back(index->faces[i]);
    index->faces = std::move(sorted);
    return index;
}

// The ray in the form the box test wants, computed once per query.
struct RayQuery {
    Vec3 start, dir;
    float s[3], d[3], inv[3];

    RayQuery(Vec3 origin, Vec3 direction) : start(origin), dir(direction) {
        s[0] = origin.x, s[1] = origin.y, s[2] = origin.z;
        d[0] = direction.x, d[1] = direction.y, d[2] = direction.z;
        for (int axis = 0; axis < 3; ++axis) inv[axis] = d[axis] != 0.0f ? 1.0f / d[axis] : 0.0f;
    }

    // Does the half line start + t * dir, 0 <= t <= limit, pass through the box? The box is widened a
    // little so that rounding never rejects a hit on a face lying in the box's boundary.
    bool meetsBox(Vec3 lo, Vec3 hi, float limit) const {
        const float bmin[3] = {lo.x, lo.y, lo.z};
        const float bmax[3] = {hi.x, hi.y, hi.z};
        float tNear = 0.0f, tFar = limit;
        for (int axis = 0; axis < 3; ++axis) {
            float margin = 1e-4f * (bmax[axis] - bmin[axis]) + 1e-5f;
            float a = bmin[axis] - margin, b = bmax[axis] + margin;
            if (d[axis] == 0.0f) {
                if (s[axis] < a || s[axis] > b) return false;
                continue;
            }
            float t0 = (a - s[axis]) * inv[axis];
            float t1 = (b - s[axis]) * inv[axis];
            if (t0 > t1) std::swap(t0, t1);
            tNear = std::max(tNear, t0);
            tFar = std::min(tFar, t1);
            if (tNear > tFar) return false;
        }
        return true;
    }
};

struct Nearest {
    bool found = false;
    float t = INFINITY;
    std::uint32_t face = 0;
    float u = 0, v = 0;
};

// Both sides of a triangle count, as in the original picking; the nearest hit wins, the lower face
// number on a tie.
void testFace(const RayQuery& ray, Vec3 p0, Vec3 e1, Vec3 e2, std::uint32_t face, Nearest& nearest) {
    Vec3 pvec = vec3Cross(ray.dir, e2);
    float det = vec3Dot(e1, pvec);
    if (det == 0.0f) return;
    float inv = 1.0f / det;
    Vec3 tvec = ray.start - p0;
    float u = vec3Dot(tvec, pvec) * inv;
    if (u < 0.0f || u > 1.0f) return;
    Vec3 qvec = vec3Cross(tvec, e1);
    float v = vec3Dot(ray.dir, qvec) * inv;
    if (v < 0.0f || u + v > 1.0f) return;
    float t = vec3Dot(e2, qvec) * inv;
    if (t < 0.0f) return;
    if (!nearest.found || t < nearest.t || (t == nearest.t && face < nearest.face)) nearest = {true, t, face, u, v};
}

}  // namespace

bool Mesh::loadFromX(Device& device, const std::string& path, std::unique_ptr<Mesh>& mesh,
                     std::vector<XMaterial>& materials) {
    XFileReader reader;
    XFileModel model;
    if (!reader.read(path, model)) return false;
    if (model.vertices.size() > kMaxVertices) return false;

    auto result = std::make_unique<Mesh>();
    result->vertices.reserve(model.vertices.size());
    // v goes through 1 - (1 - v) in floats, as the game's meshes have always been loaded: that rounds
    // coordinates below one half to steps of 2^-24 (a change of at most 3e-8), and the textures then
    // sample exactly as in every picture taken of the game so far.
    for (const XFileModel::Vertex& v : model.vertices)
        result->vertices.push_back({v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, 1.0f - (1.0f - v.v)});
    std::size_t indexCount = 0;
    for (const auto& list : model.triangles) indexCount += list.size();
    if (indexCount == 0) return false;
    result->indices.reserve(indexCount);
    for (const auto& list : model.triangles) {
        Subset subset;
        subset.startIndex = static_cast<std::uint32_t>(result->indices.size());
        subset.triangleCount = static_cast<std::uint32_t>(list.size() / 3);
        for (std::uint32_t index : list) result->indices.push_back(static_cast<std::uint16_t>(index));
        result->subsets.push_back(subset);
    }
    std::vector<XMaterial> converted;
    converted.reserve(model.materials.size());
    for (const XFileModel::Material& m : model.materials) {
        XMaterial out;
        // As the file carries them: face colour with its alpha, power, specular and emissive; no ambient.
        out.material.diffuse = {m.diffuse[0], m.diffuse[1], m.diffuse[2], m.diffuse[3]};
        out.material.specular = {m.specular[0], m.specular[1], m.specular[2], 1.0f};
        out.material.emissive = {m.emissive[0], m.emissive[1], m.emissive[2], 1.0f};
        out.material.ambient = {0, 0, 0, 1.0f};
        out.material.power = m.power;
        out.textureFile = m.textureFile;
        converted.push_back(std::move(out));
    }

    computeBounds(*result);
    result->upload(device);
    mesh = std::move(result);
    materials = std::move(converted);
    return true;
}

std::unique_ptr<Mesh> Mesh::createSphere(Device& device, float radius, int slices, int stacks) {
    if (!(radius >= 0.0f) || slices < 2 || stacks < 2) return nullptr;
    const std::size_t vertexCount = 2 + static_cast<std::size_t>(slices) * static_cast<std::size_t>(stacks - 1);
    if (vertexCount > kMaxVertices) return nullptr;

    auto mesh = std::make_unique<Mesh>();
    mesh->vertices.reserve(vertexCount);
    auto addVertex = [&](float nx, float ny, float nz) {
        mesh->vertices.push_back({radius * nx, radius * ny, radius * nz, nx, ny, nz, 0, 0});
    };
    // Ring vertex of a slice on a stack; vertex 0 is the top pole.
    auto ring = [&](int slice, int stack) { return static_cast<std::uint16_t>(stack * slices + slice + 1); };
    auto face = [&](std::uint16_t a, std::uint16_t b, std::uint16_t c) {
        mesh->indices.push_back(a);
        mesh->indices.push_back(b);
        mesh->indices.push_back(c);
    };

    // Poles on the z axis, slices starting at +y and turning toward +x.
    std::vector<float> phiSin(static_cast<std::size_t>(slices)), phiCos(static_cast<std::size_t>(slices));
    const float phiStep = -2.0f * 3.14159265358979f / static_cast<float>(slices);
    for (int i = 0; i < slices; ++i) {
        float phi = 3.14159265358979f / 2.0f + phiStep * static_cast<float>(i);
        phiSin[static_cast<std::size_t>(i)] = std::sin(phi);
        phiCos[static_cast<std::size_t>(i)] = std::cos(phi);
    }
    const float thetaStep = 3.14159265358979f / static_cast<float>(stacks);

    addVertex(0, 0, 1);
    for (int stack = 0; stack < stacks - 1; ++stack) {
        float theta = thetaStep * static_cast<float>(stack + 1);
        float sinTheta = std::sin(theta), cosTheta = std::cos(theta);
        for (int slice = 0; slice < slices; ++slice) {
            addVertex(sinTheta * phiCos[static_cast<std::size_t>(slice)],
                      sinTheta * phiSin[static_cast<std::size_t>(slice)], cosTheta);
            if (slice == 0) continue;
            if (stack == 0) {
                face(0, ring(slice, 0), ring(slice - 1, 0));
            } else {
                face(ring(slice - 1, stack - 1), ring(slice, stack - 1), ring(slice - 1, stack));
                face(ring(slice, stack - 1), ring(slice, stack), ring(slice - 1, stack));
            }
        }
        if (stack == 0) {
            face(0, ring(0, 0), ring(slices - 1, 0));
        } else {
            face(ring(slices - 1, stack - 1), ring(0, stack - 1), ring(slices - 1, stack));
            face(ring(0, stack - 1), ring(0, stack), ring(slices - 1, stack));
        }
    }
    const auto bottom = static_cast<std::uint16_t>(mesh->vertices.size());
    addVertex(0, 0, -1);
    const int last = stacks - 2;
    for (int slice = 1; slice < slices; ++slice) face(ring(slice - 1, last), ring(slice, last), bottom);
    face(ring(slices - 1, last), ring(0, last), bottom);

    mesh->subsets.push_back({0, static_cast<std::uint32_t>(mesh->indices.size() / 3)});
    computeBounds(*mesh);
    mesh->upload(device);
    return mesh;
}

void Mesh::upload(Device& device) {
    device_ = &device;
    rayIndex_ = buildRayIndex(*this);
    vertexBuffer_ = device.createVertexBuffer(vertices.size() * sizeof(VertexPositionNormalTex));
    if (vertexBuffer_ && !vertices.empty()) {
        std::memcpy(vertexBuffer_->lock(), vertices.data(), vertices.size() * sizeof(VertexPositionNormalTex));
        vertexBuffer_->unlock();
    }
    indexBuffer_ = device.createIndexBuffer(indices.size());
    if (indexBuffer_ && !indices.empty()) {
        std::memcpy(indexBuffer_->lock(), indices.data(), indices.size() * sizeof(std::uint16_t));
        indexBuffer_->unlock();
    }
}

void Mesh::drawSubset(std::uint32_t index) {
    if (!device_ || !vertexBuffer_ || !indexBuffer_ || index >= subsets.size()) return;
    const Subset& subset = subsets[index];
    if (subset.triangleCount == 0) return;
    device_->setVertexFormat(VertexFormat::PositionNormalTex);
    device_->setStreamSource(vertexBuffer_.get(), sizeof(VertexPositionNormalTex));
    device_->setIndices(indexBuffer_.get());
    device_->drawIndexedPrimitive(PrimitiveType::TriangleList, 0, subset.startIndex, subset.triangleCount);
}

bool Mesh::intersect(Vec3 start, Vec3 dir, std::uint32_t& face, float& u, float& v, float& distance) const {
    if (indices.size() < 3) return false;
    RayQuery ray(start, dir);
    if (!ray.meetsBox(boundsMin, boundsMax, INFINITY)) return false;
    Nearest nearest;
    if (rayIndex_ && !rayIndex_->nodes.empty()) {
        const MeshRayIndex& index = *rayIndex_;
        std::uint32_t stack[kMaxTreeDepth + 2];
        int top = 0;
        stack[top++] = 0;
        while (top > 0) {
            const MeshRayIndex::Node& node = index.nodes[stack[--top]];
            if (!ray.meetsBox(node.lo, node.hi, nearest.t)) continue;
            if (node.count > 0) {
                for (std::uint32_t i = node.first; i < node.first + node.count; ++i) {
                    const MeshRayIndex::Face& f = index.faces[i];
                    testFace(ray, f.p0, f.e1, f.e2, f.index, nearest);
                }
            } else {
                // Visit the child nearer along the ray first: its hits prune the other's boxes.
                std::uint32_t first = static_cast<std::uint32_t>(&node - index.nodes.data()) + 1;
                bool backwards = ray.d[node.axis] < 0.0f;
                stack[top++] = backwards ? first : node.second;
                stack[top++] = backwards ? node.second : first;
            }
        }
    } else {
        // No index (the vertices were set by hand): try every face.
        const std::size_t faces = indices.size() / 3;
        for (std::size_t f = 0; f < faces; ++f) {
            std::uint16_t i0 = indices[f * 3], i1 = indices[f * 3 + 1], i2 = indices[f * 3 + 2];
            if (i0 >= vertices.size() || i1 >= vertices.size() || i2 >= vertices.size()) continue;
            Vec3 p0{vertices[i0].x, vertices[i0].y, vertices[i0].z};
            Vec3 p1{vertices[i1].x, vertices[i1].y, vertices[i1].z};
            Vec3 p2{vertices[i2].x, vertices[i2].y, vertices[i2].z};
            testFace(ray, p0, p1 - p0, p2 - p0, static_cast<std::uint32_t>(f), nearest);
        }
    }
    if (!nearest.found) return false;
    face = nearest.face;
    u = nearest.u;
    v = nearest.v;
    distance = nearest.t;
    return true;
}

}  // namespace hc
