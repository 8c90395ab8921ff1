#include "xfile_writer.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

std::string num(float v) {
  char buf[32];
  if (std::fabs(v) < 5e-7f) v = 0.0f;
  std::snprintf(buf, sizeof buf, "%.6f", static_cast<double>(v));
  return buf;
}

}  // namespace

bool XFileWriter::write(const std::string& path, const std::string& meshName, const MeshBuilder& m) {
  if (m.vertices.size() > 65535 || m.triangles.empty()) {
    std::fprintf(stderr, "assetgen: %s: %zu vertices, %zu triangles\n", path.c_str(), m.vertices.size(),
                 m.triangles.size());
    return false;
  }
  std::string s;
  s.reserve(m.vertices.size() * 120 + m.triangles.size() * 60);
  s += "xof 0303txt 0032\n\n";
  s += "Mesh " + meshName + " {\n";
  s += " " + std::to_string(m.vertices.size()) + ";\n";
  for (size_t i = 0; i < m.vertices.size(); ++i) {
    const Vec3& p = m.vertices[i].p;
    s += " " + num(p.x) + ";" + num(p.y) + ";" + num(p.z) + ";" + (i + 1 < m.vertices.size() ? ",\n" : ";\n");
  }
  auto faces = [&](std::string& out) {
    out += " " + std::to_string(m.triangles.size()) + ";\n";
    for (size_t i = 0; i < m.triangles.size(); ++i) {
      const MeshTriangle& t = m.triangles[i];
      out += " 3;" + std::to_string(t.a) + "," + std::to_string(t.b) + "," + std::to_string(t.c) + ";" +
             (i + 1 < m.triangles.size() ? ",\n" : ";\n");
    }
  };
  faces(s);
  s += "\n MeshNormals {\n";
  s += " " + std::to_string(m.vertices.size()) + ";\n";
  for (size_t i = 0; i < m.vertices.size(); ++i) {
    const Vec3& n = m.vertices[i].n;
    s += " " + num(n.x) + ";" + num(n.y) + ";" + num(n.z) + ";" + (i + 1 < m.vertices.size() ? ",\n" : ";\n");
  }
  faces(s);
  s += " }\n\n MeshTextureCoords {\n";
  s += " " + std::to_string(m.vertices.size()) + ";\n";
  for (size_t i = 0; i < m.vertices.size(); ++i) {
    s += " " + num(m.vertices[i].u) + ";" + num(m.vertices[i].v) + ";" + (i + 1 < m.vertices.size() ? ",\n" : ";\n");
  }
  s += " }\n\n MeshMaterialList {\n";
  s += " " + std::to_string(m.materials.size()) + ";\n";
  s += " " + std::to_string(m.triangles.size()) + ";\n";
  for (size_t i = 0; i < m.triangles.size(); ++i)
    s += " " + std::to_string(m.triangles[i].material) + (i + 1 < m.triangles.size() ? ",\n" : ";\n");
  for (const MeshMaterial& mat : m.materials) {
    s += "\n  Material " + mat.name + " {\n";
    s += "   " + num(mat.diffuse[0]) + ";" + num(mat.diffuse[1]) + ";" + num(mat.diffuse[2]) + ";" + num(mat.diffuse[3]) +
         ";;\n";
    s += "   " + num(mat.power) + ";\n";
    s += "   " + num(mat.specular.x) + ";" + num(mat.specular.y) + ";" + num(mat.specular.z) + ";;\n";
    s += "   " + num(mat.emissive.x) + ";" + num(mat.emissive.y) + ";" + num(mat.emissive.z) + ";;\n";
    if (!mat.texture.empty()) s += "\n   TextureFilename {\n    \"" + mat.texture + "\";\n   }\n";
    s += "  }\n";
  }
  s += " }\n}\n";

  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(s.data(), 1, s.size(), f) == s.size();
  ok = std::fclose(f) == 0 && ok;
  return ok;
}
