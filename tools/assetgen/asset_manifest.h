// The files of Resource_Blade/ that the game loads and that this generator owns.
#pragma once

#include <vector>

struct ManifestEntry {
  const char* path;           // relative to Resource_Blade/
  int width = 0, height = 0;  // images: exact size (0: any power of two)
};

// What the game's placement code expects of a mesh: the ranges its bounding box must fall in.
struct MeshExpectation {
  const char* path;
  float minYLo, minYHi;  // lowest point
  float maxYLo, maxYHi;  // highest point
  float maxRadius;       // largest distance from the y axis
  float minZ, maxZ;      // extent along z (checked only when minZ < maxZ)
};

inline const std::vector<MeshExpectation>& meshExpectations() {
  static const std::vector<MeshExpectation> list = {
      // Knight: origin on the ground between the feet, about 1.6 tall, body footprint about 0.45.
      {"Mesh/player_body.x", 0.3f, 0.45f, 1.55f, 1.75f, 0.5f, 0, 0},
      {"Mesh/player_leftfoot.x", -0.01f, 0.01f, 0.3f, 0.5f, 0.3f, 0, 0},
      {"Mesh/player_rightfoot.x", -0.01f, 0.01f, 0.3f, 0.5f, 0.3f, 0, 0},
      // The blade: grip at the origin, tip at z 0.78.
      {"Mesh/player_blade_hand.x", -0.1f, 0.0f, 0.0f, 0.1f, 0.8f, -0.2f, 0.781f},
      {"Mesh/blade.x", -0.05f, 0.0f, 0.0f, 0.05f, 0.8f, 0.05f, 0.781f},
      {"Mesh/player_righthand.x", -0.1f, 0.0f, 0.0f, 0.1f, 0.25f, 0, 0},
      {"Mesh/騎士の人/senpaiknight_t.x", 0.2f, 0.45f, 1.55f, 1.75f, 0.55f, 0, 0},
      {"Mesh/騎士の人/knight_leftfoot.x", -0.01f, 0.01f, 0.3f, 0.5f, 0.3f, 0, 0},
      {"Mesh/騎士の人/knight_rightfoot.x", -0.01f, 0.01f, 0.3f, 0.5f, 0.3f, 0, 0},
      // The second knight's hand is placed 0.57 above the ground; its sword reaches down to it.
      {"Mesh/騎士の人/knight_hand.x", -0.1f, 0.0f, 0.0f, 0.1f, 0.6f, 0, 0},
      // Golems: 1.6 to 2.2 tall, origin at the feet.
      {"Enemy_Mesh/golem_01.x", -0.05f, 0.02f, 1.6f, 2.2f, 0.9f, 0, 0},
      {"Enemy_Mesh/golem_02.x", -0.05f, 0.02f, 1.6f, 2.2f, 0.9f, 0, 0},
      {"Enemy_Mesh/golem_03.x", -0.05f, 0.02f, 1.6f, 2.2f, 1.1f, 0, 0},
      // Drawn scaled (3.65, 2, 3.5) at y -2: local y 1 is the floor.
      {"黒曜石/kokuyouseki.x", -0.1f, 0.0f, 2.5f, 4.0f, 1.3f, 0, 0},
      {"FieldObject/rockbox.x", -0.5f, -0.499f, 0.499f, 0.5f, 0.7072f, -0.5f, 0.5f},
      {"FieldObject/cylinder_obj.x", 0.0f, 0.001f, 0.999f, 1.0f, 0.5f, -0.5f, 0.5f},
      {"FieldObject/boxhalf_obj.x", -0.5f, -0.499f, -0.001f, 0.0f, 0.7072f, -0.5f, 0.5f},
  };
  return list;
}

inline const std::vector<ManifestEntry>& meshManifest() {
  static const std::vector<ManifestEntry> list = {
      {"Mesh/player_body.x"},
      {"Mesh/player_leftfoot.x"},
      {"Mesh/player_rightfoot.x"},
      {"Mesh/player_blade_hand.x"},
      {"Mesh/blade.x"},
      {"Mesh/player_righthand.x"},
      {"Mesh/騎士の人/knight_leftfoot.x"},
      {"Mesh/騎士の人/knight_rightfoot.x"},
      {"Mesh/騎士の人/senpaiknight_t.x"},
      {"Mesh/騎士の人/knight_hand.x"},
      {"Enemy_Mesh/golem_01.x"},
      {"Enemy_Mesh/golem_02.x"},
      {"Enemy_Mesh/golem_03.x"},
      {"黒曜石/kokuyouseki.x"},
      {"FieldObject/rockbox.x"},
      {"FieldObject/cylinder_obj.x"},
      {"FieldObject/boxhalf_obj.x"},
  };
  return list;
}

inline const std::vector<ManifestEntry>& imageManifest() {
  static const std::vector<ManifestEntry> list = {
      {"UI/CorvanChip.png", 1024, 1024},
      {"UI/CorvaneTitle_Chip.png", 1024, 512},
      {"Ranking/ranking_chip.png", 1920, 1080},
      {"UI/Credit_Title.png", 1280, 720},
      {"end_secnのコピー.png", 1280, 720},
      {"Event/つぶやきウィンドウ.png", 1024, 1024},
  };
  return list;
}

struct SoundEntry {
  const char* path;
  bool music;
};

inline const std::vector<SoundEntry>& soundManifest() {
  static const std::vector<SoundEntry> list = {
      {"BGM/Q BLEND HALL/road.wav", true},
      {"BGM/Tidewell/Op.wav", true},
      {"BGM/Lullow/Ranking.wav", true},
      {"SE/Harbor Tone Works/slash.wav", false},
      {"SE/Harbor Tone Works/title_select_se.wav", false},
      {"SE/Harbor Tone Works/title_se.wav", false},
      {"SE/Morrowbell/Slams.wav", false},
      {"SE/Sonkai/enemy_slash_se.wav", false},
      {"SE/Sonkai/enemy_slash2_se.wav", false},
      {"SE/Duskforge/enemy_hit_se.wav", false},
      {"SE/Duskforge/field_break_se.wav", false},
      {"SE/Duskforge/cancell_se.wav", false},
  };
  return list;
}
