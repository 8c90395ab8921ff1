// Writes a MeshBuilder as a text DirectX .x file (one mesh, normals, texture coordinates, materials).
#pragma once

#include <string>

#include "mesh_builder.h"

class XFileWriter {
 public:
  // Fails (false) when the mesh exceeds 16-bit indices or the file cannot be written.
  static bool write(const std::string& path, const std::string& meshName, const MeshBuilder& mesh);
};
