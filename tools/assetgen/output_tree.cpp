#include "output_tree.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "xfile_writer.h"

std::string OutputTree::prepare(const std::string& relative) {
  std::filesystem::path p = std::filesystem::path(root) / std::filesystem::u8path(relative);
  std::error_code ec;
  std::filesystem::create_directories(p.parent_path(), ec);
  if (ec) fail("cannot create folder for " + relative + ": " + ec.message());
  written.push_back(relative);
  return p.string();
}

void OutputTree::mesh(const std::string& relative, MeshBuilder m) {
  compactMesh(m);
  if (!m.closed()) fail(relative + ": surface is not closed");
  std::string name = std::filesystem::u8path(relative).stem().string();
  std::string ident;
  for (char c : name) ident += (std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
  if (ident.empty() || !std::isalpha(static_cast<unsigned char>(ident[0]))) ident = "m_" + ident;
  if (!XFileWriter::write(prepare(relative), ident, m)) fail("cannot write " + relative);
}

void OutputTree::image(const std::string& relative, const Image& img) {
  if (!img.savePng(prepare(relative))) fail("cannot write " + relative);
}

void OutputTree::bytes(const std::string& relative, const std::vector<unsigned char>& data) {
  std::string path = prepare(relative);
  FILE* f = std::fopen(path.c_str(), "wb");
  bool good = f && std::fwrite(data.data(), 1, data.size(), f) == data.size();
  if (f && std::fclose(f) != 0) good = false;
  if (!good) fail("cannot write " + relative);
}

void OutputTree::fail(const std::string& what) {
  std::fprintf(stderr, "assetgen: %s\n", what.c_str());
  ok = false;
}

bool writeFileList(const std::string& path, const std::vector<std::string>& files) {
  const std::string partial = path + ".tmp";
  FILE* f = std::fopen(partial.c_str(), "w");
  bool good = f != nullptr;
  for (size_t i = 0; good && i < files.size(); ++i) good = std::fprintf(f, "%s\n", files[i].c_str()) >= 0;
  if (f && std::fclose(f) != 0) good = false;
  if (good && std::rename(partial.c_str(), path.c_str()) != 0) good = false;
  if (!good) {
    std::remove(partial.c_str());
    std::fprintf(stderr, "assetgen: cannot write the file list %s\n", path.c_str());
  }
  return good;
}
