#include "loaded_mesh.h"

#include <filesystem>

#include "platform/x_file_reader.h"

#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

std::vector<const Image*> LoadedMesh::texturePointers() const {
  std::vector<const Image*> r;
  for (const auto& t : textures) r.push_back(t.get());
  return r;
}

Image loadPng(const std::string& path) {
  int w = 0, h = 0, n = 0;
  unsigned char* data = stbi_load(path.c_str(), &w, &h, &n, 4);
  if (!data) return {};
  Image img(w, h);
  for (int i = 0; i < w * h; ++i) {
    Rgba& p = img.pixels[static_cast<size_t>(i)];
    p = {data[i * 4] / 255.0f, data[i * 4 + 1] / 255.0f, data[i * 4 + 2] / 255.0f, data[i * 4 + 3] / 255.0f};
    // The game's colour key: opaque pure green becomes transparent black.
    if (data[i * 4] == 0 && data[i * 4 + 1] == 255 && data[i * 4 + 2] == 0 && data[i * 4 + 3] == 255) p = {};
  }
  stbi_image_free(data);
  return img;
}

LoadedMesh loadMesh(const std::string& path) {
  LoadedMesh r;
  hc::XFileReader reader;
  hc::XFileModel model;
  if (!reader.read(path, model)) {
    r.error = reader.error;
    return r;
  }
  r.hasNormals = model.hasNormals;
  r.hasUvs = model.hasUvs;
  for (const hc::XFileModel::Vertex& v : model.vertices) {
    MeshVertex mv;
    mv.p = {v.x, v.y, v.z};
    mv.n = {v.nx, v.ny, v.nz};
    mv.u = v.u;
    mv.v = v.v;
    r.mesh.vertices.push_back(mv);
  }
  std::string folder = std::filesystem::path(path).parent_path().string();
  for (std::size_t mi = 0; mi < model.materials.size(); ++mi) {
    const hc::XFileModel::Material& xm = model.materials[mi];
    MeshMaterial mat;
    mat.name = xm.name;
    for (int k = 0; k < 4; ++k) mat.diffuse[k] = xm.diffuse[k];
    mat.emissive = {xm.emissive[0], xm.emissive[1], xm.emissive[2]};
    mat.specular = {xm.specular[0], xm.specular[1], xm.specular[2]};
    mat.power = xm.power;
    mat.texture = xm.textureFile;
    std::unique_ptr<Image> texture;
    if (!mat.texture.empty()) {
      Image img = loadPng(folder + "/" + mat.texture);
      if (img.width == 0) r.error = "texture " + mat.texture + " cannot be read";
      texture = std::make_unique<Image>(std::move(img));
    }
    int matIndex = r.mesh.addMaterial(mat);
    r.textures.push_back(std::move(texture));
    r.textureNames.push_back(mat.texture);
    const std::vector<std::uint32_t>& list = model.triangles[mi];
    for (std::size_t t = 0; t + 2 < list.size(); t += 3) r.mesh.addTriangle(list[t], list[t + 1], list[t + 2], matIndex);
  }
  return r;
}
