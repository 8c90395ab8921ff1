// assetgen DIR            writes every generated mesh, image and sound into DIR (the Resource_Blade folder)
// assetgen DIR --list FILE  the same, and lists the files written (paths relative to DIR) in FILE
// assetgen --icons DIR     writes the program's icon in the hicolor sizes under DIR/hicolor/
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
  if (argc == 3 && std::strcmp(argv[1], "--icons") == 0) return makeIcons(argv[2]);
  const bool listed = argc == 4 && std::strcmp(argv[2], "--list") == 0;
  if ((argc != 2 && !listed) || argv[1][0] == '-') {
    std::fprintf(stderr,
                 "usage: assetgen RESOURCE_DIR [--list FILE] | --check RESOURCE_DIR | --preview RESOURCE_DIR OUT_DIR"
                 " | --icons OUT_DIR\n");
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
  if (out.ok && listed && !writeFileList(argv[3], out.written)) return 1;
  return out.ok ? 0 : 1;
}
