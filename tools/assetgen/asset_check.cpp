// assetgen --check: loads the generated tree back as the game will and reports what it finds.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "asset_manifest.h"
#include "generators.h"
#include "loaded_mesh.h"

namespace {

bool powerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

std::string full(const std::string& root, const std::string& rel) {
  return (std::filesystem::path(root) / std::filesystem::u8path(rel)).string();
}

int checkMeshes(const std::string& root) {
  int problems = 0;
  for (const ManifestEntry& e : meshManifest()) {
    LoadedMesh lm = loadMesh(full(root, e.path));
    if (!lm.error.empty() || lm.mesh.triangles.empty()) {
      std::printf("MESH %-34s FAILED: %s\n", e.path, lm.error.c_str());
      ++problems;
      continue;
    }
    const MeshBuilder& m = lm.mesh;
    Vec3 lo, hi;
    m.bounds(lo, hi);
    // Normals must agree with the clockwise winding; the surface must be closed and outward.
    int disagree = 0;
    for (const MeshTriangle& t : m.triangles) {
      Vec3 a = m.vertices[t.a].p, b = m.vertices[t.b].p, c = m.vertices[t.c].p;
      Vec3 fn = cross(b - a, c - a);
      Vec3 vn = m.vertices[t.a].n + m.vertices[t.b].n + m.vertices[t.c].n;
      if (dot(fn, vn) <= 0) ++disagree;
    }
    float vol = m.volume();
    bool closed = m.closed();
    std::printf("MESH %-34s v %5zu  f %5zu  mats %zu  normals %s  uv %s  closed %s  volume %.3f\n", e.path,
                m.vertices.size(), m.triangles.size(), m.materials.size(), lm.hasNormals ? "yes" : "NO",
                lm.hasUvs ? "yes" : "NO", closed ? "yes" : "NO", vol);
    std::printf("     bounds x %.3f..%.3f  y %.3f..%.3f  z %.3f..%.3f\n", lo.x, hi.x, lo.y, hi.y, lo.z, hi.z);
    for (size_t i = 0; i < m.materials.size(); ++i) {
      const MeshMaterial& mat = m.materials[i];
      std::printf("     material %-14s diffuse %.2f %.2f %.2f %.2f  emissive %.2f %.2f %.2f  specular %.2f/%.0f  texture %s",
                  mat.name.c_str(), mat.diffuse[0], mat.diffuse[1], mat.diffuse[2], mat.diffuse[3], mat.emissive.x,
                  mat.emissive.y, mat.emissive.z, mat.specular.x, mat.power,
                  mat.texture.empty() ? "-" : mat.texture.c_str());
      if (lm.textures[i]) {
        std::printf(" (%dx%d)", lm.textures[i]->width, lm.textures[i]->height);
        if (!powerOfTwo(lm.textures[i]->width) || !powerOfTwo(lm.textures[i]->height)) {
          std::printf(" NOT POWER OF TWO");
          ++problems;
        }
      }
      std::printf("\n");
    }
    float radius = 0;
    for (const MeshVertex& v : m.vertices) radius = std::max(radius, std::sqrt(v.p.x * v.p.x + v.p.z * v.p.z));
    for (const MeshExpectation& x : meshExpectations()) {
      if (std::strcmp(x.path, e.path) != 0) continue;
      bool fits = lo.y >= x.minYLo && lo.y <= x.minYHi && hi.y >= x.maxYLo && hi.y <= x.maxYHi && radius <= x.maxRadius + 1e-3f;
      if (x.minZ < x.maxZ) fits = fits && lo.z >= x.minZ - 1e-3f && hi.z <= x.maxZ + 1e-3f;
      std::printf("     radius %.3f  placement %s\n", radius, fits ? "as expected" : "OUTSIDE THE EXPECTED RANGE");
      if (!fits) ++problems;
    }
    if (!lm.hasNormals || !lm.hasUvs || !closed || vol <= 0 || disagree > 0) {
      std::printf("     PROBLEM: %d triangles whose normals disagree with their winding\n", disagree);
      ++problems;
    }
  }
  return problems;
}

int checkImages(const std::string& root) {
  int problems = 0;
  for (const ManifestEntry& e : imageManifest()) {
    Image img = loadPng(full(root, e.path));
    bool ok = img.width == e.width && img.height == e.height;
    int transparent = 0;
    for (const Rgba& p : img.pixels)
      if (p.a == 0) ++transparent;
    std::printf("IMAGE %-32s %4d x %4d  %s  transparent %.1f%%\n", e.path, img.width, img.height,
                ok ? "ok" : "WRONG SIZE", img.pixels.empty() ? 0.0 : 100.0 * transparent / img.pixels.size());
    if (!ok) ++problems;
  }
  return problems;
}

uint32_t le32(const std::vector<unsigned char>& d, size_t o) {
  return d[o] | (d[o + 1] << 8) | (d[o + 2] << 16) | (static_cast<uint32_t>(d[o + 3]) << 24);
}
uint16_t le16(const std::vector<unsigned char>& d, size_t o) { return static_cast<uint16_t>(d[o] | (d[o + 1] << 8)); }

int checkSounds(const std::string& root) {
  int problems = 0;
  for (const SoundEntry& e : soundManifest()) {
    std::ifstream f(full(root, e.path), std::ios::binary);
    std::vector<unsigned char> d((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (d.size() < 44 + 44) {
      std::printf("SOUND %-40s MISSING OR SHORT\n", e.path);
      ++problems;
      continue;
    }
    bool header = std::memcmp(d.data(), "RIFF", 4) == 0 && std::memcmp(d.data() + 8, "WAVEfmt ", 8) == 0 &&
                  le32(d, 16) == 16 && le16(d, 20) == 1 && std::memcmp(d.data() + 36, "data", 4) == 0 &&
                  le32(d, 4) == d.size() - 8 && le32(d, 40) == d.size() - 44 && le16(d, 34) == 16;
    int channels = le16(d, 22);
    uint32_t rate = le32(d, 24);
    size_t frameBytes = static_cast<size_t>(channels) * 2;
    bool silentTail = true;
    for (size_t i = d.size() - 44; i < d.size(); ++i)
      if (d[i] != 0) silentTail = false;
    size_t played = le32(d, 40) - 44;  // the game drops the last 44 bytes
    double seconds = static_cast<double>(played) / (frameBytes * rate);
    // Loop seam: the last played frame against the first one, and the step across them.
    auto sample = [&](size_t frame, int ch) {
      return static_cast<int16_t>(le16(d, 44 + frame * frameBytes + static_cast<size_t>(ch) * 2));
    };
    size_t frames = played / frameBytes;
    int peak = 0;
    for (size_t i = 0; i < frames; ++i)
      for (int ch = 0; ch < channels; ++ch) peak = std::max(peak, std::abs(static_cast<int>(sample(i, ch))));
    int seam = 0, maxStep = 1;
    for (int ch = 0; ch < channels; ++ch) {
      seam = std::max(seam, std::abs(sample(0, ch) - sample(frames - 1, ch)));
      for (size_t i = 1; i < frames; i += 7) maxStep = std::max(maxStep, std::abs(sample(i, ch) - sample(i - 1, ch)));
    }
    bool ok = header && silentTail && played % frameBytes == 0 && peak > 1000 && peak < 32767;
    if (e.music) ok = ok && seconds >= 60.0 && seam <= maxStep;
    std::printf("SOUND %-40s %s %u Hz %d ch %6.2f s  peak %5d  seam step %5d (largest step %5d)  %s\n", e.path,
                header ? "pcm16" : "BAD HEADER", rate, channels, seconds, peak, seam, maxStep, ok ? "ok" : "PROBLEM");
    if (!ok) ++problems;
  }
  return problems;
}

}  // namespace

int checkTree(const std::string& root) {
  int problems = checkMeshes(root) + checkImages(root) + checkSounds(root);
  std::printf("%d problem(s)\n", problems);
  return problems == 0 ? 0 : 1;
}
