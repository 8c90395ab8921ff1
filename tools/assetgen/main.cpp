// assetgen DIR            writes every generated mesh, image and sound into DIR (the Resource_Blade folder)
// assetgen --check DIR    loads everything back and reports problems
// assetgen --preview DIR OUT  renders pictures of the meshes and screen mock-ups for a person to look at
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "generators.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--check") == 0) return checkTree(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "--preview") == 0) return previewTree(argv[2], argv[3]);
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: assetgen RESOURCE_DIR | --check RESOURCE_DIR | --preview RESOURCE_DIR OUT_DIR\n");
    return 2;
  }
  auto start = std::chrono::steady_clock::now();
  OutputTree out(argv[1]);
  TextRenderer text;
  if (!text.ready()) return 1;

  struct Step {
    const char* name;
    void (*run)(OutputTree&, TextRenderer&);
  };
  const Step steps[] = {
      {"field objects", [](OutputTree& o, TextRenderer&) { makeFieldObjects(o); }},
      {"knights", [](OutputTree& o, TextRenderer&) { makeKnights(o); }},
      {"golems", [](OutputTree& o, TextRenderer&) { makeGolems(o); }},
      {"hud sheet", makeHudSheet},
      {"title sheet", makeTitleSheet},
      {"ranking sheet", makeRankingSheet},
      {"mutter window", makeMutterSheet},
      {"credits", makeCredits},
      {"music", [](OutputTree& o, TextRenderer&) { makeMusic(o); }},
      {"effects", [](OutputTree& o, TextRenderer&) { makeEffects(o); }},
  };
  for (const Step& s : steps) {
    auto t0 = std::chrono::steady_clock::now();
    s.run(out, text);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::printf("assetgen: %-14s %7.0f ms\n", s.name, ms);
  }
  double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("assetgen: %zu files in %.2f s\n", out.written.size(), total);
  return out.ok ? 0 : 1;
}
