// Reads a generated .x file back through the game's own .x reader, into a MeshBuilder with
// its textures, so the checks and previews see exactly what the game will see.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "image.h"
#include "mesh_builder.h"

struct LoadedMesh {
  MeshBuilder mesh;                              // the file's materials in the order the game has them
  std::vector<std::unique_ptr<Image>> textures;  // per material, null when none
  std::vector<std::string> textureNames;
  bool hasNormals = true, hasUvs = true;
  std::string error;

  std::vector<const Image*> texturePointers() const;
};

LoadedMesh loadMesh(const std::string& path);
// PNG through stb_image; returns an empty image (width 0) on failure.
Image loadPng(const std::string& path);
