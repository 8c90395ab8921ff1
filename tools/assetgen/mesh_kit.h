// Shorthands for assembling characters from closed parts.
#pragma once

#include <string>

#include "mesh_builder.h"

inline MeshMaterial makeMaterial(const std::string& name, Vec3 diffuse, float emissiveShare, float specular,
                                 float power, const std::string& texture = "") {
  MeshMaterial m;
  m.name = name;
  m.diffuse[0] = diffuse.x;
  m.diffuse[1] = diffuse.y;
  m.diffuse[2] = diffuse.z;
  m.diffuse[3] = 1.0f;
  m.emissive = diffuse * emissiveShare;
  m.specular = {specular, specular, specular};
  m.power = power;
  m.texture = texture;
  return m;
}

// A capped, optionally tapered cylinder from a to b.
inline MeshBuilder limb(Vec3 a, Vec3 b, float ra, float rb, int segments, int mat, float crease = 50) {
  MeshBuilder m = part::cylinder(ra, rb, 0, length(b - a), segments, mat);
  m.smooth(crease);
  m.transform(alignY(a, b - a));
  return m;
}

inline MeshBuilder ball(Vec3 centre, Vec3 radii, int mat, int rings = 6, int segments = 10) {
  MeshBuilder m = part::ellipsoid(radii, rings, segments, mat);
  m.smooth(80);
  m.transform(Transform::translation(centre));
  return m;
}

inline MeshBuilder block(Vec3 centre, Vec3 size, float bevel, int mat, Vec3 rotation = {}) {
  MeshBuilder m = part::bevelBox(size, bevel, mat);
  m.transform(place(centre, rotation));
  return m;
}

// Lathe smoothed and placed.
inline MeshBuilder turned(const std::vector<std::pair<float, float>>& profile, int segments, int mat, Vec3 scale,
                          Vec3 position, float crease = 40, Vec3 rotation = {}) {
  MeshBuilder m = part::lathe(profile, segments, mat);
  m.transform(Transform::scaling(scale));
  m.smooth(crease);
  m.transform(place(position, rotation));
  return m;
}
