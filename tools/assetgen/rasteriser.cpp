#include "rasteriser.h"

#include <algorithm>
#include <cmath>

Rgba sampleTexture(const Image& t, float u, float v) {
  float x = u * t.width - 0.5f, y = v * t.height - 0.5f;
  int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  float fx = x - x0, fy = y - y0;
  auto px = [&](int xi, int yi) {
    xi %= t.width;
    yi %= t.height;
    if (xi < 0) xi += t.width;
    if (yi < 0) yi += t.height;
    return t.at(xi, yi);
  };
  Rgba a = px(x0, y0), b = px(x0 + 1, y0), c = px(x0, y0 + 1), d = px(x0 + 1, y0 + 1);
  return mix(mix(a, b, fx), mix(c, d, fx), fy);
}

Rasteriser::Rasteriser(int width, int height, Rgba clear)
    : colour(width, height, clear), depth(static_cast<size_t>(width) * height, 1e30f) {}

void Rasteriser::lookAt(Vec3 e, Vec3 target, float fovYDegrees) {
  eye = e;
  forward = normalize(target - e);
  right = normalize(cross({0, 1, 0}, forward));  // left-handed: x right when looking along +z
  up = cross(forward, right);
  focal = (colour.height * 0.5f) / std::tan(radians(fovYDegrees) * 0.5f);
}

void Rasteriser::draw(const MeshBuilder& mesh, const std::vector<const Image*>& textures, const Transform& world) {
  struct V {
    float sx, sy, w;  // screen position and 1/depth
    Vec3 p, n;
    float u, v;
  };
  const int W = colour.width, H = colour.height;
  for (const MeshTriangle& t : mesh.triangles) {
    V vs[3];
    bool behind = false;
    uint32_t idx[3] = {t.a, t.b, t.c};
    for (int k = 0; k < 3; ++k) {
      const MeshVertex& mv = mesh.vertices[idx[k]];
      Vec3 p = world.point(mv.p);
      Vec3 rel = p - eye;
      float z = dot(rel, forward);
      if (z < 0.05f) behind = true;
      float x = dot(rel, right), y = dot(rel, up);
      vs[k] = {W * 0.5f + x / z * focal, H * 0.5f - y / z * focal, 1.0f / z, p, world.normal(mv.n), mv.u, mv.v};
    }
    if (behind) continue;
    // Signed area in screen space (y down): positive for clockwise on screen.
    float area = (vs[1].sx - vs[0].sx) * (vs[2].sy - vs[0].sy) - (vs[2].sx - vs[0].sx) * (vs[1].sy - vs[0].sy);
    if (cullBack && area <= 0) {
      ++trianglesCulled;
      continue;
    }
    if (std::fabs(area) < 1e-9f) continue;
    ++trianglesDrawn;
    const MeshMaterial& mat = mesh.materials[static_cast<size_t>(t.material)];
    const Image* tex = static_cast<size_t>(t.material) < textures.size() ? textures[static_cast<size_t>(t.material)] : nullptr;
    int x0 = std::max(0, static_cast<int>(std::floor(std::min({vs[0].sx, vs[1].sx, vs[2].sx}))));
    int x1 = std::min(W - 1, static_cast<int>(std::ceil(std::max({vs[0].sx, vs[1].sx, vs[2].sx}))));
    int y0 = std::max(0, static_cast<int>(std::floor(std::min({vs[0].sy, vs[1].sy, vs[2].sy}))));
    int y1 = std::min(H - 1, static_cast<int>(std::ceil(std::max({vs[0].sy, vs[1].sy, vs[2].sy}))));
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        float px = x + 0.5f, py = y + 0.5f;
        float w0 = ((vs[1].sx - px) * (vs[2].sy - py) - (vs[2].sx - px) * (vs[1].sy - py)) / area;
        float w1 = ((vs[2].sx - px) * (vs[0].sy - py) - (vs[0].sx - px) * (vs[2].sy - py)) / area;
        float w2 = 1 - w0 - w1;
        if (w0 < 0 || w1 < 0 || w2 < 0) continue;
        float iw = w0 * vs[0].w + w1 * vs[1].w + w2 * vs[2].w;
        float z = 1.0f / iw;
        float& d = depth[static_cast<size_t>(y) * W + x];
        if (z >= d) continue;
        float b0 = w0 * vs[0].w * z, b1 = w1 * vs[1].w * z, b2 = w2 * vs[2].w * z;
        Vec3 n = normalize(vs[0].n * b0 + vs[1].n * b1 + vs[2].n * b2);
        if (!cullBack && area < 0) n = -n;
        Vec3 lit = mat.emissive;
        for (const DirectionalLight& l : lights) {
          float ndl = std::max(0.0f, dot(n, normalize(-l.direction)));
          lit = lit + mul(l.diffuse, Vec3{mat.diffuse[0], mat.diffuse[1], mat.diffuse[2]}) * ndl;
        }
        Rgba c{std::min(lit.x, 1.0f), std::min(lit.y, 1.0f), std::min(lit.z, 1.0f), 1};
        if (tex) {
          float u = vs[0].u * b0 + vs[1].u * b1 + vs[2].u * b2;
          float v = vs[0].v * b0 + vs[1].v * b1 + vs[2].v * b2;
          Rgba tc = sampleTexture(*tex, u, v);
          c.r *= tc.r;
          c.g *= tc.g;
          c.b *= tc.b;
        }
        if (z > fogStart) {
          float f = clamp01((fogEnd - z) / (fogEnd - fogStart));
          c = mix(fogColour, c, f);
          c.a = 1;
        }
        d = z;
        colour.at(x, y) = c;
      }
    }
  }
}
