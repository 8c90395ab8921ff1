// assetgen --preview: pictures of the generated tree for a person to look at (not part of the build).
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "asset_manifest.h"
#include "generators.h"
#include "loaded_mesh.h"
#include "rasteriser.h"

namespace {

struct Placed {
  const LoadedMesh* mesh;
  Transform world;
};

void defaultLights(Rasteriser& r) {
  r.lights = {{normalize({0.5f, -0.8f, 0.45f}), {0.75f, 0.72f, 0.68f}},
              {normalize({-0.6f, -0.3f, -0.4f}), {0.25f, 0.28f, 0.35f}}};
}

Image renderView(const std::vector<Placed>& items, Vec3 eye, Vec3 target, float fov, int w, int h, bool fog = false) {
  Rasteriser r(w, h, hexColour(0x101012));
  defaultLights(r);
  if (fog) {
    r.fogStart = eye.y + 1;
    r.fogEnd = eye.y + 22;
    r.fogColour = rgb(0, 0, 0);
  }
  r.lookAt(eye, target, fov);
  for (const Placed& p : items) r.draw(p.mesh->mesh, p.mesh->texturePointers(), p.world);
  return r.colour;
}

// Four views round the object (front from +z, right, back, high three-quarter), 2 × 2.
Image turntable(const std::vector<Placed>& items, Vec3 centre, float radius) {
  Image sheet(800, 800, hexColour(0x101012));
  const float dist = radius * 3.2f;
  Vec3 eyes[4] = {centre + Vec3{0, radius * 0.3f, dist}, centre + Vec3{dist, radius * 0.3f, 0},
                  centre + Vec3{0, radius * 0.3f, -dist}, centre + Vec3{-dist * 0.7f, dist * 0.6f, dist * 0.7f}};
  for (int i = 0; i < 4; ++i) {
    Image v = renderView(items, eyes[i], centre, 36, 400, 400);
    sheet.copyRegion(v, 0, 0, 400, 400, (i % 2) * 400, (i / 2) * 400);
  }
  return sheet;
}

std::string full(const std::string& root, const std::string& rel) {
  return (std::filesystem::path(root) / std::filesystem::u8path(rel)).string();
}

Transform yawPitchRoll(float yaw, float pitch, float roll) {
  return Transform::rotationZ(roll).then(Transform::rotationX(pitch)).then(Transform::rotationY(yaw));
}

// The sprite draw of the game: source rectangle of a sheet, rotated by `degrees` about `centre`
// (in source pixels) and placed so that the centre lands on `at`. With no rotation and centre 0,
// `at` is the top-left corner. `greenOnly` keeps only green and alpha, as the title's helper does.
void sprite(Image& screen, const Image& sheet, int l, int t, int r, int b, float atX, float atY, float degrees = 0,
            float cx = 0, float cy = 0, bool greenOnly = false, float alpha = 1.0f) {
  float c = std::cos(radians(degrees)), s = std::sin(radians(degrees));
  float w = static_cast<float>(r - l), h = static_cast<float>(b - t);
  float ext = std::sqrt(w * w + h * h) + 2;
  for (int y = static_cast<int>(atY - ext); y <= static_cast<int>(atY + ext); ++y) {
    for (int x = static_cast<int>(atX - ext); x <= static_cast<int>(atX + ext); ++x) {
      if (!screen.inside(x, y)) continue;
      // Screen pixel centre back into source coordinates.
      float dx = x + 0.5f - atX, dy = y + 0.5f - atY;
      float sx = dx * c + dy * s + cx, sy = -dx * s + dy * c + cy;
      if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
      Rgba p = degrees == 0 ? sheet.at(l + static_cast<int>(sx), t + static_cast<int>(sy))
                            : sampleTexture(sheet, (l + sx) / sheet.width, (t + sy) / sheet.height);
      if (greenOnly) p = {0, p.g, 0, p.a};
      screen.blend(x, y, p, alpha);
    }
  }
}

void hudMock(const Image& background, const Image& sheet, const std::string& path, bool clear, int stage,
             int enemiesLeft, int enemyTotal, int hearts, int gauge, float heading, int score, bool event) {
  Image screen = background;
  auto spr = [&](int l, int t, int r, int b, float x, float y) { sprite(screen, sheet, l, t, r, b, x, y); };
  if (event) {
    spr(0, 177, 604, 355, 341, 505);
    sprite(screen, sheet, 338, 595, 363, 620, 895.5f, 627.5f, 40, 12.5f, 12.5f);
    screen.savePng(path);
    return;
  }
  spr(604, 0, 763, 177, 10, 10);
  std::string st = std::to_string(std::min(stage, 999));
  int ones[3] = {100, 115, 134};
  for (size_t k = 0; k < st.size(); ++k) {
    int d = st[st.size() - 1 - k] - '0';
    spr(30 * d, 693, 30 * d + 30, 740, static_cast<float>(ones[st.size() - 1] - 30 * static_cast<int>(k)), 58);
  }
  auto small = [&](int value, int onesX) {
    std::string v = std::to_string(value);
    for (size_t k = 0; k < v.size(); ++k) {
      int d = v[v.size() - 1 - k] - '0';
      spr(20 * d, 740, 20 * d + 20, 769, static_cast<float>(onesX - 13 * static_cast<int>(k)), 134);
    }
  };
  small(enemyTotal, 153);
  small(enemiesLeft, 106);
  spr(0, 355, 484, 465, 358, 572);
  for (int i = 0; i < hearts; ++i) spr(338, 633, 375, 660, 522.0f + 56 * i, 578);
  int w = static_cast<int>(gauge / 300.0f * 286);
  if (w > 0) spr(338, 677, 338 + w, 687, 514, 632);
  std::string sc = std::to_string(score);
  for (size_t k = 0; k < sc.size(); ++k) {
    int d = sc[sc.size() - 1 - k] - '0';
    spr(16 * d, 769, 16 * d + 16, 791, static_cast<float>(844 - 16 * static_cast<int>(k)), 655);
  }
  sprite(screen, sheet, 0, 504, 207, 689, 1155.5f, 578.5f, heading, 103.5f, 92.5f);
  sprite(screen, sheet, 208, 579, 304, 689, 1157, 579, heading, 47, 45);
  if (clear) {
    spr(0, 813, 855, 924, 255, 287);
    spr(484, 358, 719, 395, 733, 426);
    spr(719, 358, 769, 411, 972, 410);
  } else if (hearts == 0) {
    spr(0, 924, 789, 1024, 255, 287);
    spr(484, 432, 789, 469, 643, 426);
    spr(719, 358, 769, 411, 972, 410);
  }
  screen.savePng(path);
}

}  // namespace

int previewTree(const std::string& root, const std::string& outDir) {
  std::filesystem::create_directories(outDir);
  std::vector<std::unique_ptr<LoadedMesh>> meshes;
  auto get = [&](const std::string& rel) -> const LoadedMesh* {
    meshes.push_back(std::make_unique<LoadedMesh>(loadMesh(full(root, rel))));
    if (!meshes.back()->error.empty()) std::fprintf(stderr, "%s: %s\n", rel.c_str(), meshes.back()->error.c_str());
    return meshes.back().get();
  };

  // Every mesh on its own.
  for (const ManifestEntry& e : meshManifest()) {
    const LoadedMesh* m = get(e.path);
    Vec3 lo, hi;
    m->mesh.bounds(lo, hi);
    Vec3 c = (lo + hi) * 0.5f;
    float radius = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z}) * 0.5f;
    std::string name = std::filesystem::u8path(e.path).stem().string();
    turntable({{m, Transform{}}}, c, radius).savePng(outDir + "/mesh_" + name + ".png");
  }

  // The knight as the game assembles it at heading 0 with the blade at rest, facing +z.
  {
    Transform body = Transform::rotationY(-180);
    Vec3 hand{0.42f * std::sin(radians(10)), 1.0f, 0.42f * std::cos(radians(10))};
    Transform bladePose = yawPitchRoll(0, -90, 90).then(Transform::translation(hand));
    std::vector<Placed> items = {{get("Mesh/player_body.x"), body},
                                 {get("Mesh/player_leftfoot.x"), body},
                                 {get("Mesh/player_rightfoot.x"), body},
                                 {get("Mesh/player_blade_hand.x"), bladePose}};
    turntable(items, {0, 0.85f, 0}, 0.95f).savePng(outDir + "/knight_assembled.png");
    // A horizontal sweep pose: elevation 90, yaw 60.
    Transform sweep = yawPitchRoll(60, 0, 0).then(Transform::translation(hand));
    items.back().world = sweep;
    turntable(items, {0, 0.85f, 0}, 0.95f).savePng(outDir + "/knight_sweep.png");
    // Hand only, as in story events.
    items.back() = {get("Mesh/player_righthand.x"), yawPitchRoll(0, 0, 90).then(Transform::translation(hand))};
    turntable(items, {0, 0.85f, 0}, 0.95f).savePng(outDir + "/knight_handonly.png");
  }
  // The second knight facing the player at +z (yaw 90 in the event's formula).
  {
    float yaw = 90;
    Transform body = Transform::rotationY(-(yaw - 90));
    float h = radians(yaw + 270);
    Transform handPose =
        yawPitchRoll(yaw - 270, 180, 270).then(Transform::translation({0.24f * std::cos(h), 0.57f, 0.24f * std::sin(h)}));
    std::vector<Placed> items = {{get("Mesh/騎士の人/knight_rightfoot.x"), body},
                                 {get("Mesh/騎士の人/knight_leftfoot.x"), body},
                                 {get("Mesh/騎士の人/senpaiknight_t.x"), body},
                                 {get("Mesh/騎士の人/knight_hand.x"), handPose}};
    turntable(items, {0, 0.85f, 0}, 0.95f).savePng(outDir + "/elder_assembled.png");
  }
  // A small arena under fog with golems and the knight, seen from the follow camera.
  {
    std::vector<Placed> items;
    const LoadedMesh* box = get("FieldObject/rockbox.x");
    const LoadedMesh* pillar = get("FieldObject/cylinder_obj.x");
    const LoadedMesh* half = get("FieldObject/boxhalf_obj.x");
    for (int z = -6; z <= 16; ++z)
      for (int x = -8; x <= 8; ++x) {
        items.push_back({box, Transform::translation({static_cast<float>(x), -0.5f, static_cast<float>(z)})});
        if (std::abs(x) == 8 || z == 16) {
          items.push_back({box, Transform::translation({static_cast<float>(x), 0.5f, static_cast<float>(z)})});
          if ((x + z) % 3 == 0) items.push_back({box, Transform::translation({static_cast<float>(x), 1.5f, static_cast<float>(z)})});
        }
      }
    for (int i = 0; i < 4; ++i) {
      float x = i < 2 ? -4.0f : 4.0f, z = i % 2 ? 10.0f : 4.0f;
      items.push_back({pillar, Transform::translation({x, 0, z})});
      items.push_back({pillar, Transform::translation({x, 1, z})});
    }
    items.push_back({half, Transform::translation({-2, 0.5f, 7})});
    items.push_back({half, place({2, 0.5f, 7}, {}, {1.3f, 1, 2})});
    Transform body = Transform::rotationY(-180);
    Vec3 hand{0.42f * std::sin(radians(10)), 1.0f, 0.42f * std::cos(radians(10))};
    items.push_back({get("Mesh/player_body.x"), body});
    items.push_back({get("Mesh/player_leftfoot.x"), body});
    items.push_back({get("Mesh/player_rightfoot.x"), body});
    items.push_back({get("Mesh/player_blade_hand.x"), yawPitchRoll(0, -90, 90).then(Transform::translation(hand))});
    const char* golems[3] = {"Enemy_Mesh/golem_01.x", "Enemy_Mesh/golem_02.x", "Enemy_Mesh/golem_03.x"};
    for (int i = 0; i < 3; ++i) {
      const LoadedMesh* g = get(golems[i]);
      if (g->mesh.triangles.empty()) continue;
      // Golems face local +z; turn them toward the knight.
      items.push_back({g, Transform::rotationY(180).then(Transform::translation({-2.5f + 2.5f * i, 0, 4.5f}))});
    }
    float pitch = radians(67.5f), dist = 10;
    Vec3 eye{0, std::sin(pitch) * dist, -std::cos(pitch) * dist};
    renderView(items, eye, {0, 1.1f, 0}, 45, 1280, 720, true).savePng(outDir + "/arena_follow.png");
    renderView(items, {0, 2.6f, -4.0f}, {0, 1.0f, 4}, 45, 1280, 720, true).savePng(outDir + "/arena_low.png");
  }
  // Screen mock-ups of the overlay over the follow view.
  {
    Image arena = loadPng(outDir + "/arena_follow.png");
    Image hud = loadPng(full(root, "UI/CorvanChip.png"));
    if (arena.width && hud.width) {
      hudMock(arena, hud, outDir + "/hud_play.png", false, 12, 7, 12, 2, 150, 30, 12345, false);
      hudMock(arena, hud, outDir + "/hud_clear.png", true, 7, 0, 6, 3, 299, -75, 8800, false);
      hudMock(arena, hud, outDir + "/hud_defeat.png", false, 30, 3, 28, 0, 0, 0, 0, false);
      hudMock(arena, hud, outDir + "/hud_event.png", false, 1, 0, 0, 0, 0, 0, 0, true);
    }
  }
  // The title as drawSprite shows it (green and alpha only), and in full colour for comparison.
  {
    Image back = loadPng(outDir + "/arena_low.png");
    Image title = loadPng(full(root, "UI/CorvaneTitle_Chip.png"));
    if (back.width && title.width) {
      for (int colour = 0; colour < 2; ++colour) {
        Image screen = back;
        bool green = colour == 0;
        sprite(screen, title, 0, 0, 892, 307, 198, 100, 0, 0, 0, green);
        sprite(screen, title, 0, 307, 241, 354, 526, 439, 0, 0, 0, green);
        sprite(screen, title, 241, 354, 482, 401, 528, 495, 0, 0, 0, green);
        sprite(screen, title, 241, 401, 482, 448, 528, 551, 0, 0, 0, green);
        screen.savePng(outDir + (green ? "/title_green.png" : "/title_colour.png"));
      }
    }
  }
  // Ranking list and name entry as the screens place the sheet's pieces.
  {
    Image back = loadPng(outDir + "/arena_low.png");
    Image sheet = loadPng(full(root, "Ranking/ranking_chip.png"));
    if (back.width && sheet.width) {
      struct Row {
        int pos;
        const char* name;
        int stage;
        int score;
      };
      const Row rows[6] = {{1, "ARTOR", 30, 48210}, {2, "KNIGH", 24, 30100}, {3, "MAREN", 17, 19850}, {4, "SOLUS", 12, 9400}, {5, "ELDER", 9, 5300}, {6, "ZZZ  ", 4, 1200}};
      auto number = [&](Image& scr, int value, int right, float y) {
        int k = 0;
        do {
          int d = value % 10;
          sprite(scr, sheet, 32 * d, 36, 32 * d + 32, 64, static_cast<float>(right - 32 * k), y);
          value /= 10;
          ++k;
        } while (value > 0);
      };
      auto name = [&](Image& scr, const char* n, int x, float y) {
        for (int j = 0; j < 5 && n[j]; ++j) {
          int c = n[j];
          if (c - 'A' >= 0 && c - 'A' <= 29) sprite(scr, sheet, 32 * (c - 65), 0, 32 * (c - 65) + 32, 36, x + 36.0f * j, y);
        }
      };
      Image list = back;
      sprite(list, sheet, 0, 64, 1180, 736, 0, 0);
      for (const Row& r : rows) {
        float y = (r.pos - 1) * 94.0f + 132;
        number(list, r.pos, 220, y);
        name(list, r.name, 350, y);
        number(list, r.stage, 751, y);
        number(list, r.score, 1072, y);
      }
      sprite(list, sheet, 64, 736, 128, 832, 1182, 538 + 10);
      sprite(list, sheet, 608, 736, 802, 783, 280, 22);
      list.savePng(outDir + "/ranking_list.png");

      Image entry = back;
      sprite(entry, sheet, 0, 64, 1020, 160, 0, 0);
      sprite(entry, sheet, 0, 160, 1180, 736, 0, 96);
      sprite(entry, sheet, 480, 736, 608, 800, 1024, 28);
      for (int i = 0; i < 5; ++i) {
        float y = i * 94.0f + 132;
        number(entry, rows[i].pos, 220, y);
        name(entry, rows[i].name, 350, y);
        number(entry, rows[i].stage, 751, y);
        number(entry, rows[i].score, 1072, y);
      }
      sprite(entry, sheet, 224, 736, 352, 800, 96, 580);
      sprite(entry, sheet, 608, 793, 802, 840, 280, 22);
      number(entry, 14, 751, 602);
      number(entry, 10450, 1072, 602);
      int letters[5] = {0, 1, 26, 26, 26};
      for (int j = 0; j < 5; ++j) sprite(entry, sheet, 32 * letters[j], 0, 32 * letters[j] + 32, 36, 386 + 36.0f * j, 602);
      int cursor = 3, current = 2;
      sprite(entry, sheet, 32 * current, 0, 32 * current + 32, 36, 350 + 36.0f * cursor, 602);
      sprite(entry, sheet, 352, 736, 416, 800, 274 + 36.0f * cursor - 5, 588);
      sprite(entry, sheet, 416, 736, 480, 800, 326 + 36.0f * cursor + 5, 588);
      entry.savePng(outDir + "/ranking_entry.png");
    }
  }
  // Remark windows of the five widths stacked on one screen, with text positions marked.
  {
    Image back = loadPng(outDir + "/arena_follow.png");
    Image sheet = loadPng(full(root, "Event/つぶやきウィンドウ.png"));
    if (back.width && sheet.width) {
      const int winX[5] = {130, 274, 322, 370, 418};
      const int markX[5] = {1103, 999, 887, 829, 747};
      const int bytes[5] = {100, 75, 60, 40, 20};
      Image screen = back;
      for (int i = 0; i < 5; ++i) {
        float dy = -400.0f + 96 * i;
        sprite(screen, sheet, 0, 96 * i, 1024, 96 * i + 96, static_cast<float>(winX[i]), 440 + dy);
        // Stand-in for the text: one 6.8-pixel block per byte at the text position.
        for (int b = 0; b < bytes[i]; ++b)
          for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 5; ++x) screen.blend(static_cast<int>(winX[i] + 42.5f + b * 6.8f) + x, static_cast<int>(480 + dy) + y, hexColour(0xff4040), 1);
        sprite(screen, sheet, 20, 500, 38, 518, static_cast<float>(markX[i]), 488 + dy);
      }
      screen.savePng(outDir + "/mutter.png");
    }
  }
  // Piano rolls of the first 24 seconds of each piece: one row per semitone, one column per 40 ms.
  for (const char* music : {"BGM/Q BLEND HALL/road.wav", "BGM/Tidewell/Op.wav", "BGM/Lullow/Ranking.wav"}) {
    FILE* f = std::fopen(full(root, music).c_str(), "rb");
    if (!f) continue;
    std::vector<unsigned char> d;
    unsigned char buf[65536];
    size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) d.insert(d.end(), buf, buf + got);
    std::fclose(f);
    if (d.size() < 44) continue;
    int rate = d[24] | (d[25] << 8) | (d[26] << 16);
    int ch = d[22];
    std::vector<float> mono;
    for (size_t i = 44; i + 2 * ch <= d.size(); i += 2 * static_cast<size_t>(ch)) {
      float sum = 0;
      for (int c = 0; c < ch; ++c) sum += static_cast<int16_t>(d[i + 2 * c] | (d[i + 2 * c + 1] << 8)) / 32768.0f;
      mono.push_back(sum / ch);
    }
    const int cols = 600, lowNote = 28, rows = 72;
    const size_t win = static_cast<size_t>(rate * 0.04);
    Image roll(cols, rows * 4, hexColour(0x000000));
    for (int c = 0; c < cols && (c + 1) * win < mono.size(); ++c) {
      for (int r = 0; r < rows; ++r) {
        double hz = 440.0 * std::pow(2.0, (lowNote + r - 69) / 12.0);
        double w = 2 * std::cos(2 * 3.14159265358979 * hz / rate), s1 = 0, s2 = 0;
        for (size_t i = 0; i < win; ++i) {
          double s0 = mono[c * win + i] + w * s1 - s2;
          s2 = s1;
          s1 = s0;
        }
        double mag = std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - w * s1 * s2)) / win;
        float v = clamp01(static_cast<float>(std::log10(1 + mag * 400) / 1.2));
        for (int k = 0; k < 4; ++k) roll.at(c, (rows - 1 - r) * 4 + k) = {v, v * 0.8f, v * 0.3f, 1};
      }
    }
    std::string name = std::filesystem::u8path(music).stem().string();
    roll.savePng(outDir + "/roll_" + name + ".png");
  }
  std::printf("previews written to %s\n", outDir.c_str());
  return 0;
}
