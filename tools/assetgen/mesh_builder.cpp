#include "mesh_builder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <tuple>
#include <unordered_map>

#include "noise.h"

namespace {

struct Key {
  int64_t x, y, z;
  bool operator<(const Key& o) const { return std::tie(x, y, z) < std::tie(o.x, o.y, o.z); }
  bool operator==(const Key& o) const { return x == o.x && y == o.y && z == o.z; }
};

Key keyOf(Vec3 p) {
  return {std::llround(p.x * 20000.0), std::llround(p.y * 20000.0), std::llround(p.z * 20000.0)};
}

Vec3 faceNormalRaw(const MeshBuilder& m, const MeshTriangle& t) {
  Vec3 a = m.vertices[t.a].p, b = m.vertices[t.b].p, c = m.vertices[t.c].p;
  return cross(b - a, c - a);
}

// Adds a convex polygon as a fan, wound so that its normal points away from `centre`.
void addConvex(MeshBuilder& m, const std::vector<Vec3>& pts, int mat, Vec3 centre) {
  Vec3 mid;
  for (Vec3 p : pts) mid = mid + p;
  mid = mid * (1.0f / pts.size());
  Vec3 n;
  for (size_t i = 1; i + 1 < pts.size(); ++i) n = n + cross(pts[i] - pts[0], pts[i + 1] - pts[0]);
  bool flip = dot(n, mid - centre) < 0;
  std::vector<uint32_t> idx;
  for (Vec3 p : pts) idx.push_back(m.addVertex(p));
  for (size_t i = 1; i + 1 < pts.size(); ++i) {
    if (flip)
      m.addTriangle(idx[0], idx[i + 1], idx[i], mat);
    else
      m.addTriangle(idx[0], idx[i], idx[i + 1], mat);
  }
}

void fixOrientation(MeshBuilder& m) {
  if (m.volume() < 0)
    for (MeshTriangle& t : m.triangles) std::swap(t.b, t.c);
}

}  // namespace

int MeshBuilder::addMaterial(const MeshMaterial& m) {
  materials.push_back(m);
  return static_cast<int>(materials.size()) - 1;
}

uint32_t MeshBuilder::addVertex(Vec3 p, Vec3 n, float u, float v) {
  vertices.push_back({p, n, u, v});
  return static_cast<uint32_t>(vertices.size() - 1);
}

void MeshBuilder::addTriangle(uint32_t a, uint32_t b, uint32_t c, int material) {
  triangles.push_back({a, b, c, material});
}

void MeshBuilder::addQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d, int material) {
  addTriangle(a, b, c, material);
  addTriangle(a, c, d, material);
}

void MeshBuilder::append(const MeshBuilder& p, const Transform& t) {
  uint32_t base = static_cast<uint32_t>(vertices.size());
  bool mirror = t.determinant() < 0;
  for (const MeshVertex& v : p.vertices) vertices.push_back({t.point(v.p), t.normal(v.n), v.u, v.v});
  for (const MeshTriangle& tr : p.triangles) {
    if (mirror)
      triangles.push_back({tr.a + base, tr.c + base, tr.b + base, tr.material});
    else
      triangles.push_back({tr.a + base, tr.b + base, tr.c + base, tr.material});
  }
}

void MeshBuilder::transform(const Transform& t) {
  MeshBuilder copy;
  copy.vertices.swap(vertices);
  copy.triangles.swap(triangles);
  append(copy, t);
}

void MeshBuilder::setMaterial(int material) {
  for (MeshTriangle& t : triangles) t.material = material;
}

void MeshBuilder::flatten() {
  std::vector<MeshVertex> out;
  out.reserve(triangles.size() * 3);
  for (MeshTriangle& t : triangles) {
    Vec3 n = normalize(faceNormalRaw(*this, t));
    MeshVertex a = vertices[t.a], b = vertices[t.b], c = vertices[t.c];
    a.n = b.n = c.n = n;
    uint32_t base = static_cast<uint32_t>(out.size());
    out.push_back(a);
    out.push_back(b);
    out.push_back(c);
    t.a = base;
    t.b = base + 1;
    t.c = base + 2;
  }
  vertices.swap(out);
}

void MeshBuilder::smooth(float creaseDegrees) {
  flatten();
  float cosLimit = std::cos(radians(creaseDegrees));
  // Raw (area-weighted) face normals, grouped by corner position.
  std::vector<Vec3> raw(triangles.size());
  std::map<Key, std::vector<size_t>> byPosition;
  for (size_t i = 0; i < triangles.size(); ++i) {
    raw[i] = faceNormalRaw(*this, triangles[i]);
    const MeshTriangle& t = triangles[i];
    for (uint32_t v : {t.a, t.b, t.c}) byPosition[keyOf(vertices[v].p)].push_back(i);
  }
  for (size_t i = 0; i < triangles.size(); ++i) {
    Vec3 own = normalize(raw[i]);
    const MeshTriangle& t = triangles[i];
    for (uint32_t v : {t.a, t.b, t.c}) {
      Vec3 sum;
      const std::vector<size_t>& around = byPosition[keyOf(vertices[v].p)];
      size_t last = SIZE_MAX;
      for (size_t j : around) {
        if (j == last) continue;  // a triangle touching a position twice (degenerate) counts once
        last = j;
        if (dot(normalize(raw[j]), own) >= cosLimit) sum = sum + raw[j];
      }
      vertices[v].n = length(sum) > 1e-12f ? normalize(sum) : own;
    }
  }
}

namespace {

// Shifts three texture coordinates by one amount so they lie within 0..1; a span wider than the square
// is squeezed into it.
void fitIntoUnitSquare(float& a, float& b, float& c) {
  float low = std::min({a, b, c});
  float high = std::max({a, b, c});
  float span = high - low;
  float squeeze = span > 0.98f ? 0.98f / span : 1.0f;
  float shift = low - std::floor(low);
  if (shift + span * squeeze > 0.99f) shift = 0.99f - span * squeeze;
  if (shift < 0.01f) shift = 0.01f;
  for (float* x : {&a, &b, &c}) *x = (*x - low) * squeeze + shift;
}

}  // namespace

void MeshBuilder::projectBox(float scale, float offsetU, float offsetV) {
  for (MeshTriangle& t : triangles) {
    Vec3 n = faceNormalRaw(*this, t);
    float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    uint32_t idx[3] = {t.a, t.b, t.c};
    MeshVertex corner[3];
    for (int k = 0; k < 3; ++k) {
      MeshVertex v = vertices[idx[k]];
      Vec3 p = v.p;
      if (ay >= ax && ay >= az) {
        v.u = p.x * (n.y > 0 ? 1 : -1);
        v.v = -p.z;
      } else if (ax >= az) {
        v.u = -p.z * (n.x > 0 ? 1 : -1);
        v.v = -p.y;
      } else {
        v.u = p.x * (n.z > 0 ? -1 : 1);
        v.v = -p.y;
      }
      v.u = v.u * scale + offsetU;
      v.v = v.v * scale + offsetV;
      corner[k] = v;
    }
    // The game samples 3-D textures with a transparent border, so every triangle is moved into the
    // unit square (the stone textures tile, so the shift shows at most as a seam between faces).
    fitIntoUnitSquare(corner[0].u, corner[1].u, corner[2].u);
    fitIntoUnitSquare(corner[0].v, corner[1].v, corner[2].v);
    for (int k = 0; k < 3; ++k) {
      vertices.push_back(corner[k]);
      idx[k] = static_cast<uint32_t>(vertices.size() - 1);
    }
    t.a = idx[0];
    t.b = idx[1];
    t.c = idx[2];
  }
}

void MeshBuilder::projectCylinder(float uRepeat, float vScale, float vOffset) {
  for (MeshTriangle& t : triangles) {
    uint32_t idx[3] = {t.a, t.b, t.c};
    float us[3];
    for (int k = 0; k < 3; ++k) {
      Vec3 p = vertices[idx[k]].p;
      us[k] = (std::atan2(p.x, p.z) / (2 * kPi) + 0.5f) * uRepeat;
    }
    // Keep one triangle on one side of the seam.
    float maxU = std::max({us[0], us[1], us[2]});
    for (float& u : us)
      if (maxU - u > uRepeat * 0.5f) u += uRepeat;
    for (int k = 0; k < 3; ++k) {
      MeshVertex v = vertices[idx[k]];
      v.u = us[k];
      v.v = -v.p.y * vScale + vOffset;
      vertices.push_back(v);
      idx[k] = static_cast<uint32_t>(vertices.size() - 1);
    }
    t.a = idx[0];
    t.b = idx[1];
    t.c = idx[2];
  }
}

void MeshBuilder::displace(const std::function<Vec3(Vec3)>& f) {
  for (MeshVertex& v : vertices) v.p = f(v.p);
}

void MeshBuilder::bounds(Vec3& lo, Vec3& hi) const {
  lo = {1e9f, 1e9f, 1e9f};
  hi = {-1e9f, -1e9f, -1e9f};
  for (const MeshTriangle& t : triangles) {
    for (uint32_t i : {t.a, t.b, t.c}) {
      Vec3 p = vertices[i].p;
      lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
      hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
  }
}

bool MeshBuilder::closed() const {
  std::map<std::pair<Key, Key>, int> edges;
  for (const MeshTriangle& t : triangles) {
    Key k[3] = {keyOf(vertices[t.a].p), keyOf(vertices[t.b].p), keyOf(vertices[t.c].p)};
    if (k[0] == k[1] || k[1] == k[2] || k[0] == k[2]) continue;
    for (int e = 0; e < 3; ++e) edges[{k[e], k[(e + 1) % 3]}] += 1;
  }
  for (const auto& [e, count] : edges) {
    auto it = edges.find({e.second, e.first});
    if (it == edges.end() || it->second != count) return false;
  }
  return true;
}

float MeshBuilder::volume() const {
  double v = 0;
  for (const MeshTriangle& t : triangles) {
    Vec3 a = vertices[t.a].p, b = vertices[t.b].p, c = vertices[t.c].p;
    v += dot(a, cross(b, c));
  }
  return static_cast<float>(v / 6.0);
}

namespace part {

MeshBuilder box(Vec3 size, int mat) { return bevelBox(size, 0.0f, mat); }

MeshBuilder bevelBox(Vec3 size, float bevel, int mat) {
  MeshBuilder m;
  Vec3 h = size * 0.5f;
  float b = std::min({bevel, h.x * 0.99f, h.y * 0.99f, h.z * 0.99f});
  auto P = [&](int axis, int sx, int sy, int sz) -> Vec3 {
    Vec3 p{sx * (h.x - b), sy * (h.y - b), sz * (h.z - b)};
    if (axis == 0) p.x = sx * h.x;
    if (axis == 1) p.y = sy * h.y;
    if (axis == 2) p.z = sz * h.z;
    return p;
  };
  Vec3 o{};
  for (int s : {-1, 1}) {
    addConvex(m, {P(0, s, -1, -1), P(0, s, 1, -1), P(0, s, 1, 1), P(0, s, -1, 1)}, mat, o);
    addConvex(m, {P(1, -1, s, -1), P(1, 1, s, -1), P(1, 1, s, 1), P(1, -1, s, 1)}, mat, o);
    addConvex(m, {P(2, -1, -1, s), P(2, 1, -1, s), P(2, 1, 1, s), P(2, -1, 1, s)}, mat, o);
  }
  if (b > 0) {
    for (int s1 : {-1, 1}) {
      for (int s2 : {-1, 1}) {
        addConvex(m, {P(0, s1, s2, -1), P(0, s1, s2, 1), P(1, s1, s2, 1), P(1, s1, s2, -1)}, mat, o);
        addConvex(m, {P(0, s1, -1, s2), P(0, s1, 1, s2), P(2, s1, 1, s2), P(2, s1, -1, s2)}, mat, o);
        addConvex(m, {P(1, -1, s1, s2), P(1, 1, s1, s2), P(2, 1, s1, s2), P(2, -1, s1, s2)}, mat, o);
      }
    }
    for (int sx : {-1, 1})
      for (int sy : {-1, 1})
        for (int sz : {-1, 1}) addConvex(m, {P(0, sx, sy, sz), P(1, sx, sy, sz), P(2, sx, sy, sz)}, mat, o);
  }
  m.flatten();
  return m;
}

MeshBuilder lathe(const std::vector<std::pair<float, float>>& profile, int segments, int mat, float phaseDegrees) {
  MeshBuilder m;
  size_t rings = profile.size();
  auto P = [&](size_t i, int j) -> Vec3 {
    float th = 2 * kPi * static_cast<float>(j % segments) / segments + radians(phaseDegrees);
    float r = profile[i].first;
    return {r * std::sin(th), profile[i].second, r * std::cos(th)};
  };
  auto tri = [&](Vec3 a, Vec3 b, Vec3 c) {
    if (length(cross(b - a, c - a)) < 1e-10f) return;
    uint32_t ia = m.addVertex(a), ib = m.addVertex(b), ic = m.addVertex(c);
    m.addTriangle(ia, ib, ic, mat);
  };
  for (size_t i = 0; i + 1 < rings; ++i) {
    for (int j = 0; j < segments; ++j) {
      Vec3 a = P(i, j), b = P(i, j + 1), c = P(i + 1, j + 1), d = P(i + 1, j);
      tri(a, b, c);
      tri(a, c, d);
    }
  }
  // Flat caps for open ends.
  if (profile.front().first > 0) {
    Vec3 c{0, profile.front().second, 0};
    for (int j = 0; j < segments; ++j) tri(c, P(0, j + 1), P(0, j));
  }
  if (profile.back().first > 0) {
    Vec3 c{0, profile.back().second, 0};
    for (int j = 0; j < segments; ++j) tri(c, P(rings - 1, j), P(rings - 1, j + 1));
  }
  fixOrientation(m);
  return m;
}

MeshBuilder cylinder(float r0, float r1, float y0, float y1, int segments, int mat) {
  return lathe({{0, y0}, {r0, y0}, {r1, y1}, {0, y1}}, segments, mat);
}

MeshBuilder ellipsoid(Vec3 radii, int rings, int segments, int mat) {
  std::vector<std::pair<float, float>> prof;
  for (int i = 0; i <= rings; ++i) {
    float phi = kPi * i / rings;
    prof.push_back({std::sin(phi), -std::cos(phi)});
  }
  prof.front().first = 0;
  prof.back().first = 0;
  MeshBuilder m = lathe(prof, segments, mat);
  m.transform(Transform::scaling(radii));
  return m;
}

MeshBuilder icosphere(Vec3 radii, int level, int mat) {
  const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
  std::vector<Vec3> pts = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
  for (Vec3& p : pts) p = normalize(p);
  std::vector<std::array<uint32_t, 3>> faces = {
      {0, 11, 5}, {0, 5, 1}, {0, 1, 7}, {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8}, {3, 9, 4}, {3, 4, 2}, {3, 2, 6}, {3, 6, 8}, {3, 8, 9}, {4, 9, 5}, {2, 4, 11}, {6, 2, 10}, {8, 6, 7}, {9, 8, 1}};
  for (int l = 0; l < level; ++l) {
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> mid;
    auto midpoint = [&](uint32_t a, uint32_t b) {
      auto key = std::make_pair(std::min(a, b), std::max(a, b));
      auto it = mid.find(key);
      if (it != mid.end()) return it->second;
      pts.push_back(normalize((pts[a] + pts[b]) * 0.5f));
      uint32_t i = static_cast<uint32_t>(pts.size() - 1);
      mid[key] = i;
      return i;
    };
    std::vector<std::array<uint32_t, 3>> next;
    for (auto& f : faces) {
      uint32_t ab = midpoint(f[0], f[1]), bc = midpoint(f[1], f[2]), ca = midpoint(f[2], f[0]);
      next.push_back({f[0], ab, ca});
      next.push_back({f[1], bc, ab});
      next.push_back({f[2], ca, bc});
      next.push_back({ab, bc, ca});
    }
    faces.swap(next);
  }
  MeshBuilder m;
  for (Vec3 p : pts) m.addVertex(p, p);
  for (auto& f : faces) {
    Vec3 a = pts[f[0]], b = pts[f[1]], c = pts[f[2]];
    if (dot(cross(b - a, c - a), a + b + c) < 0)
      m.addTriangle(f[0], f[2], f[1], mat);
    else
      m.addTriangle(f[0], f[1], f[2], mat);
  }
  m.transform(Transform::scaling(radii));
  return m;
}

MeshBuilder rock(Vec3 radii, int level, float roughness, uint32_t seed, int mat, float uvScale) {
  MeshBuilder m = icosphere({1, 1, 1}, level, mat);
  m.displace([&](Vec3 p) {
    float n = Noise::fbm3(p.x * 1.3f + seed * 0.37f, p.y * 1.3f, p.z * 1.3f, 3, seed);
    // Flattened facets: snap part of the noise to terraces for a chiselled look.
    float k = 1.0f + roughness * n;
    return mul(p * k, radii);
  });
  m.flatten();
  m.projectBox(uvScale);
  fixOrientation(m);
  return m;
}

MeshBuilder prism(const std::vector<std::pair<float, float>>& outline, float z0, float z1, int mat) {
  MeshBuilder m;
  Vec3 centre;
  for (auto& p : outline) centre = centre + Vec3{p.first, p.second, 0};
  centre = centre * (1.0f / outline.size());
  centre.z = (z0 + z1) * 0.5f;
  std::vector<Vec3> front, back;
  for (auto& p : outline) {
    front.push_back({p.first, p.second, z0});
    back.push_back({p.first, p.second, z1});
  }
  addConvex(m, front, mat, centre);
  addConvex(m, back, mat, centre);
  size_t n = outline.size();
  for (size_t i = 0; i < n; ++i) {
    size_t j = (i + 1) % n;
    addConvex(m, {front[i], front[j], back[j], back[i]}, mat, centre);
  }
  m.flatten();
  return m;
}

MeshBuilder spike(float r, float y0, float y1, int sides, int mat) {
  return lathe({{0, y0}, {r, y0}, {0, y1}}, sides, mat);
}

}  // namespace part

void compactMesh(MeshBuilder& m) {
  // Materials in first-use order would reorder subsets; keep declaration order, drop unused ones.
  std::vector<int> used(m.materials.size(), 0);
  for (const MeshTriangle& t : m.triangles) used[static_cast<size_t>(t.material)] = 1;
  std::vector<int> remap(m.materials.size(), -1);
  std::vector<MeshMaterial> mats;
  for (size_t i = 0; i < m.materials.size(); ++i) {
    if (!used[i]) continue;
    remap[i] = static_cast<int>(mats.size());
    mats.push_back(m.materials[i]);
  }
  m.materials.swap(mats);
  // Sort triangles by material so that each subset is one contiguous run, as D3DX's optimiser would.
  std::stable_sort(m.triangles.begin(), m.triangles.end(),
                   [&](const MeshTriangle& a, const MeshTriangle& b) { return remap[a.material] < remap[b.material]; });
  for (MeshTriangle& t : m.triangles) t.material = remap[static_cast<size_t>(t.material)];

  std::map<std::tuple<int64_t, int64_t, int64_t, int64_t, int64_t, int64_t, int64_t, int64_t>, uint32_t> seen;
  std::vector<MeshVertex> out;
  auto q = [](float v, double s) { return static_cast<int64_t>(std::llround(v * s)); };
  auto slot = [&](uint32_t i) {
    const MeshVertex& v = m.vertices[i];
    auto key = std::make_tuple(q(v.p.x, 1e5), q(v.p.y, 1e5), q(v.p.z, 1e5), q(v.n.x, 1e4), q(v.n.y, 1e4),
                               q(v.n.z, 1e4), q(v.u, 1e5), q(v.v, 1e5));
    auto it = seen.find(key);
    if (it != seen.end()) return it->second;
    out.push_back(v);
    uint32_t idx = static_cast<uint32_t>(out.size() - 1);
    seen[key] = idx;
    return idx;
  };
  for (MeshTriangle& t : m.triangles) {
    t.a = slot(t.a);
    t.b = slot(t.b);
    t.c = slot(t.c);
  }
  m.vertices.swap(out);
}
