// The stone pieces every stage is built from: the unit block, the pillar and the half block.
#include <algorithm>
#include <cmath>

#include "generators.h"
#include "textures.h"

namespace {

MeshMaterial stoneMaterial(const char* name) {
  MeshMaterial m;
  m.name = name;
  m.diffuse[0] = 0.86f;
  m.diffuse[1] = 0.86f;
  m.diffuse[2] = 0.9f;
  m.power = 8;
  m.specular = {0.08f, 0.08f, 0.1f};
  // Materials from .x files have no ambient term: a little emissive keeps unlit faces readable.
  m.emissive = {0.2f, 0.2f, 0.23f};
  m.texture = "stone_block.png";
  return m;
}

// Maps one face of a block, by the axis its normal points at, onto a quarter of the atlas.
void mapBlockFaces(MeshBuilder& m, float height) {
  for (MeshTriangle& t : m.triangles) {
    Vec3 a = m.vertices[t.a].p, b = m.vertices[t.b].p, c = m.vertices[t.c].p;
    Vec3 n = cross(b - a, c - a);
    float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    uint32_t idx[3] = {t.a, t.b, t.c};
    for (uint32_t& i : idx) {
      MeshVertex v = m.vertices[i];
      float u, w;
      float ox, oy;
      if (ay >= ax && ay >= az) {
        u = v.p.x + 0.5f;
        w = 0.5f - v.p.z;
        ox = 0;
        oy = 0;
        if (n.y < 0) {
          ox = 0.5f;
          oy = 0.5f;
        }
      } else if (ax >= az) {
        u = (n.x > 0 ? 0.5f - v.p.z : v.p.z + 0.5f);
        w = (height * 0.5f - v.p.y) / height;
        ox = 0.5f;
        oy = 0;
      } else {
        u = (n.z > 0 ? v.p.x + 0.5f : 0.5f - v.p.x);
        w = (height * 0.5f - v.p.y) / height;
        ox = 0;
        oy = 0.5f;
      }
      // Keep a half-texel margin so linear filtering never reaches the neighbouring face.
      u = std::clamp(u, 0.004f, 0.996f);
      w = std::clamp(w, 0.004f, 0.996f);
      v.u = ox + u * 0.5f;
      v.v = oy + w * 0.5f;
      m.vertices.push_back(v);
      i = static_cast<uint32_t>(m.vertices.size() - 1);
    }
    t.a = idx[0];
    t.b = idx[1];
    t.c = idx[2];
  }
}

// Pillar texturing: caps take the floor-slab quarter; the sides take a wall quarter, four lathe
// segments per texture width, so no triangle straddles a wrap.
void mapPillar(MeshBuilder& p, int segments, float phaseDegrees, float vOffset) {
  for (MeshTriangle& t : p.triangles) {
    Vec3 a = p.vertices[t.a].p, b = p.vertices[t.b].p, c = p.vertices[t.c].p;
    Vec3 n = normalize(cross(b - a, c - a));
    Vec3 mid = (a + b + c) * (1.0f / 3.0f);
    auto turns = [&](Vec3 q) {
      float f = (std::atan2(q.x, q.z) - radians(phaseDegrees)) / (2 * kPi);
      return f - std::floor(f);
    };
    float midTurns = turns(mid);
    float group = std::floor(midTurns * segments / 4.0f);
    uint32_t idx[3] = {t.a, t.b, t.c};
    for (uint32_t& i : idx) {
      MeshVertex v = p.vertices[i];
      if (std::fabs(n.y) > 0.9f) {
        v.u = 0.004f + (v.p.x + 0.5f) * 0.492f;
        v.v = 0.004f + (0.5f - v.p.z) * 0.492f;
      } else {
        float f = turns(v.p);
        if (f - midTurns > 0.5f) f -= 1.0f;
        if (midTurns - f > 0.5f) f += 1.0f;
        if (std::fabs(v.p.x) < 1e-6f && std::fabs(v.p.z) < 1e-6f) f = midTurns;  // the axis point
        float local = std::clamp(f * segments / 4.0f - group, 0.0f, 1.0f);
        v.u = 0.5f + 0.004f + local * 0.492f;
        v.v = 0.004f + std::clamp(1.0f - v.p.y + vOffset, 0.0f, 1.0f) * 0.492f + 0.5f;
      }
      p.vertices.push_back(v);
      i = static_cast<uint32_t>(p.vertices.size() - 1);
    }
    t.a = idx[0];
    t.b = idx[1];
    t.c = idx[2];
  }
}

}  // namespace

void makeFieldObjects(OutputTree& out) {
  out.image("FieldObject/stone_block.png", makeStoneAtlas());

  // A stone cube of one unit around its centre.
  {
    MeshBuilder m;
    int mat = m.addMaterial(stoneMaterial("stone"));
    MeshBuilder cube = part::bevelBox({1, 1, 1}, 0.035f, mat);
    mapBlockFaces(cube, 1.0f);
    m.append(cube);
    out.mesh("FieldObject/rockbox.x", m);
  }

  // The lower half of a unit cell: it spans y -0.5 … 0, so a chip lifted like a block stands on the
  // floor of its cell with half a block's height.
  {
    MeshBuilder m;
    int mat = m.addMaterial(stoneMaterial("stone"));
    MeshBuilder slab = part::bevelBox({1, 0.5f, 1}, 0.03f, mat);
    mapBlockFaces(slab, 0.5f);
    slab.transform(Transform::translation({0, -0.25f, 0}));
    m.append(slab);
    out.mesh("FieldObject/boxhalf_obj.x", m);
  }

  // A pillar of radius 0.5 and height 1 standing on its origin: plinth, fluted shaft, capital.
  {
    MeshBuilder m;
    int mat = m.addMaterial(stoneMaterial("stone"));
    MeshBuilder plinth = part::lathe({{0, 0}, {0.5f, 0}, {0.5f, 0.09f}, {0.44f, 0.14f}, {0, 0.14f}}, 16, mat);
    plinth.smooth(40);
    mapPillar(plinth, 16, 0, 0.0f);
    MeshBuilder shaft = part::lathe({{0, 0.12f}, {0.39f, 0.12f}, {0.37f, 0.88f}, {0, 0.88f}}, 12, mat, 15);
    shaft.smooth(20);
    mapPillar(shaft, 12, 15, 0.06f);
    MeshBuilder capital = part::lathe({{0, 0.86f}, {0.44f, 0.86f}, {0.5f, 0.91f}, {0.5f, 1.0f}, {0, 1.0f}}, 16, mat);
    capital.smooth(40);
    mapPillar(capital, 16, 0, -0.04f);
    m.append(plinth);
    m.append(shaft);
    m.append(capital);
    out.mesh("FieldObject/cylinder_obj.x", m);
  }
}
