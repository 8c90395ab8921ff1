// Small vector and affine-transform helpers for building meshes.
#pragma once

#include <cmath>

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(float s, Vec3 a) { return a * s; }
inline Vec3 mul(Vec3 a, Vec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 normalize(Vec3 a) {
  float l = length(a);
  return l > 1e-12f ? a * (1.0f / l) : Vec3{0, 1, 0};
}
inline Vec3 lerp(Vec3 a, Vec3 b, float t) { return a + (b - a) * t; }

constexpr float kPi = 3.14159265358979f;
inline float radians(float degrees) { return degrees * kPi / 180.0f; }

// Affine transform in the row-vector convention of the game: p' = p * M + t.
struct Transform {
  float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  Vec3 t;

  Vec3 point(Vec3 p) const { return direction(p) + t; }
  Vec3 direction(Vec3 p) const {
    return {p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0], p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1],
            p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2]};
  }
  // Normals go through the inverse transpose so that non-uniform scaling keeps them perpendicular.
  Vec3 normal(Vec3 n) const {
    float c[3][3];
    c[0][0] = m[1][1] * m[2][2] - m[1][2] * m[2][1];
    c[0][1] = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    c[0][2] = m[1][0] * m[2][1] - m[1][1] * m[2][0];
    c[1][0] = m[0][2] * m[2][1] - m[0][1] * m[2][2];
    c[1][1] = m[0][0] * m[2][2] - m[0][2] * m[2][0];
    c[1][2] = m[0][1] * m[2][0] - m[0][0] * m[2][1];
    c[2][0] = m[0][1] * m[1][2] - m[0][2] * m[1][1];
    c[2][1] = m[0][2] * m[1][0] - m[0][0] * m[1][2];
    c[2][2] = m[0][0] * m[1][1] - m[0][1] * m[1][0];
    // The cofactor matrix is the inverse transpose up to the determinant's factor.
    Vec3 r{n.x * c[0][0] + n.y * c[1][0] + n.z * c[2][0], n.x * c[0][1] + n.y * c[1][1] + n.z * c[2][1],
           n.x * c[0][2] + n.y * c[1][2] + n.z * c[2][2]};
    if (determinant() < 0) r = -r;
    return normalize(r);
  }
  float determinant() const {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  }

  // this then other
  Transform then(const Transform& o) const {
    Transform r;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) r.m[i][j] = m[i][0] * o.m[0][j] + m[i][1] * o.m[1][j] + m[i][2] * o.m[2][j];
    r.t = o.point(t);
    return r;
  }

  static Transform translation(Vec3 v) {
    Transform r;
    r.t = v;
    return r;
  }
  static Transform scaling(Vec3 s) {
    Transform r;
    r.m[0][0] = s.x;
    r.m[1][1] = s.y;
    r.m[2][2] = s.z;
    return r;
  }
  static Transform scaling(float s) { return scaling({s, s, s}); }
  // Rotations as Direct3D defines them (left-handed, row vectors), angles in degrees.
  static Transform rotationX(float degrees) {
    float c = std::cos(radians(degrees)), s = std::sin(radians(degrees));
    Transform r;
    r.m[1][1] = c;
    r.m[1][2] = s;
    r.m[2][1] = -s;
    r.m[2][2] = c;
    return r;
  }
  static Transform rotationY(float degrees) {
    float c = std::cos(radians(degrees)), s = std::sin(radians(degrees));
    Transform r;
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
  }
  static Transform rotationZ(float degrees) {
    float c = std::cos(radians(degrees)), s = std::sin(radians(degrees));
    Transform r;
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
  }
};

// A transform that maps the y axis onto `direction` and the origin onto `origin` (for limbs).
inline Transform alignY(Vec3 origin, Vec3 direction) {
  Vec3 y = normalize(direction);
  Vec3 ref = std::fabs(y.z) < 0.9f ? Vec3{0, 0, 1} : Vec3{1, 0, 0};
  Vec3 x = normalize(cross(y, ref));
  Vec3 z = cross(x, y);
  Transform r;
  const Vec3 rows[3] = {x, y, z};
  for (int i = 0; i < 3; ++i) {
    r.m[i][0] = rows[i].x;
    r.m[i][1] = rows[i].y;
    r.m[i][2] = rows[i].z;
  }
  if (r.determinant() < 0)
    for (int j = 0; j < 3; ++j) r.m[2][j] = -r.m[2][j];
  r.t = origin;
  return r;
}

// Builds "scale, then rotate X, Y, Z, then translate" in one call.
inline Transform place(Vec3 position, Vec3 rotationDegrees = {}, Vec3 scale = {1, 1, 1}) {
  return Transform::scaling(scale)
      .then(Transform::rotationX(rotationDegrees.x))
      .then(Transform::rotationY(rotationDegrees.y))
      .then(Transform::rotationZ(rotationDegrees.z))
      .then(Transform::translation(position));
}
