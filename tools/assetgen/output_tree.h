// The Resource_Blade/ folder being written: makes folders and keeps a list of what was written.
#pragma once

#include <string>
#include <vector>

#include "image.h"
#include "mesh_builder.h"

class OutputTree {
 public:
  explicit OutputTree(std::string rootFolder) : root(std::move(rootFolder)) {}

  // Full path for a path relative to Resource_Blade/, with its folder created.
  std::string prepare(const std::string& relative);

  void mesh(const std::string& relative, MeshBuilder mesh);
  void image(const std::string& relative, const Image& image);
  void bytes(const std::string& relative, const std::vector<unsigned char>& data);
  void fail(const std::string& what);

  std::string root;
  std::vector<std::string> written;
  bool ok = true;
};

// Writes one path a line into `path` through a temporary file, so a failed write leaves no partial list.
bool writeFileList(const std::string& path, const std::vector<std::string>& files);
