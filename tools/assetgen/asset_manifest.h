// The files of Resource_Blade/ that the game loads and that this generator owns.
#pragma once

#include <vector>

struct ManifestEntry {
  const char* path;  // relative to Resource_Blade/
  int width = 0, height = 0;  // images: exact size (0: any power of two)
};

inline const std::vector<ManifestEntry>& meshManifest() {
  static const std::vector<ManifestEntry> list = {
      {"Mesh/player_body.x"},           {"Mesh/player_leftfoot.x"},          {"Mesh/player_rightfoot.x"},
      {"Mesh/player_blade_hand.x"},     {"Mesh/blade.x"},                    {"Mesh/player_righthand.x"},
      {"Mesh/騎士の人/knight_leftfoot.x"}, {"Mesh/騎士の人/knight_rightfoot.x"}, {"Mesh/騎士の人/senpaiknight_t.x"},
      {"Mesh/騎士の人/knight_hand.x"},    {"Enemy_Mesh/golem_01.x"},           {"Enemy_Mesh/golem_02.x"},
      {"Enemy_Mesh/golem_03.x"},        {"黒曜石/kokuyouseki.x"},             {"FieldObject/rockbox.x"},
      {"FieldObject/cylinder_obj.x"},   {"FieldObject/boxhalf_obj.x"},
  };
  return list;
}

inline const std::vector<ManifestEntry>& imageManifest() {
  static const std::vector<ManifestEntry> list = {
      {"UI/CorvanChip.png", 1024, 1024},          {"UI/CorvaneTitle_Chip.png", 1024, 512},
      {"Ranking/ranking_chip.png", 1920, 1080},   {"UI/Credit_Title.png", 1280, 720},
      {"end_secnのコピー.png", 1280, 720},          {"Event/つぶやきウィンドウ.png", 1024, 1024},
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
