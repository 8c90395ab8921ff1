#include "loaded_mesh.h"

#include <assimp/cimport.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <filesystem>

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
  const aiScene* scene = aiImportFile(path.c_str(), aiProcess_ConvertToLeftHanded | aiProcess_Triangulate);
  if (!scene) {
    r.error = aiGetErrorString();
    return r;
  }
  std::string folder = std::filesystem::path(path).parent_path().string();
  for (unsigned mi = 0; mi < scene->mNumMeshes; ++mi) {
    const aiMesh* am = scene->mMeshes[mi];
    const aiMaterial* amat = scene->mMaterials[am->mMaterialIndex];
    MeshMaterial mat;
    aiString name;
    if (amat->Get(AI_MATKEY_NAME, name) == AI_SUCCESS) mat.name = name.C_Str();
    aiColor4D c;
    if (amat->Get(AI_MATKEY_COLOR_DIFFUSE, c) == AI_SUCCESS) {
      mat.diffuse[0] = c.r;
      mat.diffuse[1] = c.g;
      mat.diffuse[2] = c.b;
      mat.diffuse[3] = c.a;
    }
    if (amat->Get(AI_MATKEY_COLOR_EMISSIVE, c) == AI_SUCCESS) mat.emissive = {c.r, c.g, c.b};
    if (amat->Get(AI_MATKEY_COLOR_SPECULAR, c) == AI_SUCCESS) mat.specular = {c.r, c.g, c.b};
    amat->Get(AI_MATKEY_SHININESS, mat.power);
    aiString tex;
    std::unique_ptr<Image> texture;
    if (amat->GetTexture(aiTextureType_DIFFUSE, 0, &tex) == AI_SUCCESS) {
      mat.texture = tex.C_Str();
      Image img = loadPng(folder + "/" + mat.texture);
      if (img.width == 0) r.error = "texture " + mat.texture + " cannot be read";
      texture = std::make_unique<Image>(std::move(img));
    }
    int matIndex = r.mesh.addMaterial(mat);
    r.textures.push_back(std::move(texture));
    r.textureNames.push_back(mat.texture);
    if (!am->HasNormals()) r.hasNormals = false;
    if (!am->HasTextureCoords(0)) r.hasUvs = false;
    uint32_t base = static_cast<uint32_t>(r.mesh.vertices.size());
    for (unsigned v = 0; v < am->mNumVertices; ++v) {
      MeshVertex mv;
      mv.p = {am->mVertices[v].x, am->mVertices[v].y, am->mVertices[v].z};
      if (am->HasNormals()) mv.n = {am->mNormals[v].x, am->mNormals[v].y, am->mNormals[v].z};
      if (am->HasTextureCoords(0)) {
        mv.u = am->mTextureCoords[0][v].x;
        mv.v = am->mTextureCoords[0][v].y;
      }
      r.mesh.vertices.push_back(mv);
    }
    for (unsigned f = 0; f < am->mNumFaces; ++f) {
      const aiFace& face = am->mFaces[f];
      if (face.mNumIndices != 3) continue;
      r.mesh.addTriangle(base + face.mIndices[0], base + face.mIndices[1], base + face.mIndices[2], matIndex);
    }
  }
  aiReleaseImport(scene);
  return r;
}
