// Triangle meshes for the game's .x files: closed parts with normals, texture coordinates and materials.
//
// Coordinates are Direct3D's (left-handed, y up). A triangle (a, b, c) faces where (b - a) × (c - a)
// points, which is clockwise seen from the front: the winding the game draws.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vec.h"

struct MeshMaterial {
  std::string name;
  float diffuse[4] = {1, 1, 1, 1};
  float power = 10;
  Vec3 specular;
  Vec3 emissive;
  std::string texture;  // file name relative to the mesh's folder, empty for none
};

struct MeshVertex {
  Vec3 p, n;
  float u = 0, v = 0;
};

struct MeshTriangle {
  uint32_t a, b, c;
  int material;
};

class MeshBuilder {
 public:
  std::vector<MeshMaterial> materials;
  std::vector<MeshVertex> vertices;
  std::vector<MeshTriangle> triangles;

  int addMaterial(const MeshMaterial& m);
  uint32_t addVertex(Vec3 p, Vec3 n = {0, 1, 0}, float u = 0, float v = 0);
  void addTriangle(uint32_t a, uint32_t b, uint32_t c, int material);
  // Quad a-b-c-d in front-facing (clockwise) order.
  void addQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d, int material);

  // Appends another builder's geometry (its triangles keep their material indices, which must refer
  // to this builder's materials), transformed.
  void append(const MeshBuilder& part, const Transform& t = Transform{});
  void transform(const Transform& t);
  void setMaterial(int material);

  // Per-face normals with unshared corners: the faceted look of cut stone.
  void flatten();
  // Averaged normals over corners that share a position (within a small tolerance), keeping the
  // triangle's own normal where the crease is sharper than creaseDegrees.
  void smooth(float creaseDegrees = 50.0f);
  // Box projection: every triangle takes the plane its normal points at most; uv = position × scale + offset.
  void projectBox(float scale, float offsetU = 0, float offsetV = 0);
  // Cylindrical projection around the y axis: u runs round (uRepeat times), v down the height.
  void projectCylinder(float uRepeat, float vScale, float vOffset = 0);
  // Moves every vertex by f(position) (before any flattening, so shared corners stay shared).
  void displace(const std::function<Vec3(Vec3)>& f);

  void bounds(Vec3& lo, Vec3& hi) const;
  // Every edge used exactly twice, once in each direction: a closed, consistently wound surface.
  bool closed() const;
  // Signed volume (positive for outward-facing triangles).
  float volume() const;
};

// Part factories. Each returns a closed surface around the origin using material `mat`.
namespace part {
MeshBuilder box(Vec3 size, int mat);
// Box with chamfered edges (a bevel of width `bevel` on all twelve edges).
MeshBuilder bevelBox(Vec3 size, float bevel, int mat);
// Cylinder along y from y0 to y1, optionally tapered.
MeshBuilder cylinder(float r0, float r1, float y0, float y1, int segments, int mat);
// Surface of revolution about y: profile points (radius, y) from the bottom pole to the top pole
// (first and last radius should be 0 for a closed surface; non-zero ends get flat caps).
MeshBuilder lathe(const std::vector<std::pair<float, float>>& profile, int segments, int mat, float phaseDegrees = 0);
MeshBuilder ellipsoid(Vec3 radii, int rings, int segments, int mat);
// Subdivided icosahedron (level 0 = 20 faces) scaled to radii: base for rocks.
MeshBuilder icosphere(Vec3 radii, int level, int mat);
// A lumpy rock: icosphere displaced by noise, flat-shaded, box-projected for texturing.
MeshBuilder rock(Vec3 radii, int level, float roughness, uint32_t seed, int mat, float uvScale = 1.0f);
// Prism: extrudes a convex-or-not simple polygon given in the x-y plane (clockwise seen from -z)
// from z0 to z1.
MeshBuilder prism(const std::vector<std::pair<float, float>>& outline, float z0, float z1, int mat);
// Pyramidal point: polygon ring at y0 (radius r, n sides) tapering to a tip at y1.
MeshBuilder spike(float r, float y0, float y1, int sides, int mat);
}  // namespace part

// Drops unused vertices and materials and merges identical vertices; call before writing.
void compactMesh(MeshBuilder& m);
