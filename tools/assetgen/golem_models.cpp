// The three golems (rough rock, origin at the feet, facing local +z) and the obsidian crystal.
#include <cmath>

#include "generators.h"
#include "mesh_kit.h"
#include "random.h"
#include "textures.h"

namespace {

struct RockParts {
  MeshBuilder* m;
  int stone;
  uint32_t seed;
  float uvScale;

  // A faceted boulder centred at c with radii r, turned by rot (degrees).
  void add(Vec3 c, Vec3 r, Vec3 rot = {}, int level = 1, float roughness = 0.28f) {
    MeshBuilder b = part::rock(r, level, roughness, seed++, stone, 1.0f);
    // Texture scale in world units, so big and small stones share one grain.
    b.projectBox(uvScale);
    b.transform(place(c, rot));
    m->append(b);
  }
};

MeshMaterial rockMaterial(const char* texture) {
  MeshMaterial m = makeMaterial("rock", {0.9f, 0.88f, 0.86f}, 0.24f, 0.06f, 6, texture);
  return m;
}

MeshMaterial glowMaterial(const char* name, Vec3 colour) {
  MeshMaterial m = makeMaterial(name, colour * 0.4f, 0, 0.3f, 12);
  m.emissive = colour;
  return m;
}

// A pointed crystal (hexagonal prism with a tip) from `base` along `dir`.
MeshBuilder crystal(Vec3 base, Vec3 dir, float radius, float length, int mat) {
  MeshBuilder c = part::lathe({{0, -0.05f}, {radius, -0.05f}, {radius * 0.92f, length * 0.72f}, {0, length}}, 6, mat, 10);
  c.flatten();
  c.transform(alignY(base, dir));
  return c;
}

MeshBuilder golemStandard() {
  MeshBuilder m;
  int stone = m.addMaterial(rockMaterial("golem_granite.png"));
  int eyes = m.addMaterial(glowMaterial("eyes", {1.0f, 0.62f, 0.18f}));
  RockParts r{&m, stone, 100, 0.75f};
  for (float s : {-1.0f, 1.0f}) {
    r.add({s * 0.2f, 0.09f, 0.06f}, {0.19f, 0.1f, 0.25f});                 // foot
    r.add({s * 0.2f, 0.33f, 0.0f}, {0.16f, 0.25f, 0.16f}, {0, 0, s * 6});  // leg
  }
  r.add({0, 0.62f, 0}, {0.32f, 0.18f, 0.25f});                     // hips
  r.add({0, 1.08f, 0.02f}, {0.42f, 0.44f, 0.33f}, {12, 0, 0}, 2);  // chest
  r.add({0, 1.28f, -0.12f}, {0.36f, 0.3f, 0.26f}, {20, 0, 0});     // back hump
  for (float s : {-1.0f, 1.0f}) {
    r.add({s * 0.45f, 1.36f, 0.04f}, {0.2f, 0.17f, 0.2f});                   // shoulder
    r.add({s * 0.52f, 1.08f, 0.08f}, {0.12f, 0.2f, 0.12f}, {0, 0, s * -8});  // upper arm
    r.add({s * 0.54f, 0.76f, 0.14f}, {0.13f, 0.2f, 0.13f}, {-15, 0, 0});     // forearm
    r.add({s * 0.54f, 0.5f, 0.2f}, {0.17f, 0.16f, 0.17f});                   // fist
  }
  r.add({0, 1.6f, 0.15f}, {0.18f, 0.16f, 0.18f});  // head
  for (float s : {-1.0f, 1.0f}) m.append(block({s * 0.065f, 1.6f, 0.3f}, {0.055f, 0.03f, 0.03f}, 0.005f, eyes));
  m.append(crystal({0, 1.06f, 0.3f}, {0, 0.25f, 1}, 0.07f, 0.16f, eyes));
  return m;
}

MeshBuilder golemSlender() {
  MeshBuilder m;
  int stone = m.addMaterial(rockMaterial("golem_sandstone.png"));
  MeshMaterial shardMat = makeMaterial("shard", {0.55f, 0.85f, 0.9f}, 0.35f, 0.8f, 40);
  int shard = m.addMaterial(shardMat);
  int eyes = m.addMaterial(glowMaterial("eyes", {0.3f, 0.95f, 1.0f}));
  RockParts r{&m, stone, 200, 0.8f};
  for (float s : {-1.0f, 1.0f}) {
    r.add({s * 0.16f, 0.07f, 0.08f}, {0.1f, 0.07f, 0.2f});                   // foot
    r.add({s * 0.16f, 0.36f, 0.02f}, {0.08f, 0.26f, 0.08f}, {0, 0, s * 4});  // shin
    r.add({s * 0.15f, 0.8f, 0.0f}, {0.09f, 0.22f, 0.09f}, {0, 0, s * -5});   // thigh
  }
  r.add({0, 1.04f, 0}, {0.2f, 0.12f, 0.14f});                      // hips
  r.add({0, 1.26f, 0.02f}, {0.12f, 0.16f, 0.1f});                  // waist
  r.add({0, 1.52f, 0.06f}, {0.28f, 0.22f, 0.18f}, {15, 0, 0}, 2);  // chest
  for (float s : {-1.0f, 1.0f}) {
    r.add({s * 0.33f, 1.64f, 0.06f}, {0.12f, 0.1f, 0.12f});                     // shoulder
    r.add({s * 0.38f, 1.36f, 0.1f}, {0.07f, 0.22f, 0.07f}, {-10, 0, s * -10});  // upper arm
    r.add({s * 0.42f, 0.98f, 0.2f}, {0.065f, 0.22f, 0.065f}, {-20, 0, 0});      // forearm
    // Claws: three blades of crystal from the wrist.
    for (int c = -1; c <= 1; ++c)
      m.append(crystal({s * 0.42f, 0.8f, 0.26f}, {s * 0.1f * c, -1, 0.35f}, 0.025f, 0.32f, shard));
  }
  r.add({0, 1.88f, 0.16f}, {0.1f, 0.14f, 0.12f}, {-20, 0, 0});  // head
  for (float s : {-1.0f, 1.0f}) m.append(block({s * 0.045f, 1.9f, 0.265f}, {0.04f, 0.022f, 0.03f}, 0.005f, eyes));
  // Crystals growing out of the back.
  m.append(crystal({0, 1.6f, -0.1f}, {0, 0.8f, -0.6f}, 0.06f, 0.45f, shard));
  m.append(crystal({0.12f, 1.5f, -0.08f}, {0.5f, 0.6f, -0.6f}, 0.045f, 0.34f, shard));
  m.append(crystal({-0.12f, 1.48f, -0.08f}, {-0.5f, 0.55f, -0.6f}, 0.045f, 0.3f, shard));
  m.append(crystal({0, 2.0f, 0.1f}, {0, 1, -0.3f}, 0.035f, 0.2f, shard));
  return m;
}

MeshBuilder golemHeavy() {
  MeshBuilder m;
  int stone = m.addMaterial(rockMaterial("golem_basalt.png"));
  int magma = m.addMaterial(glowMaterial("magma", {1.0f, 0.36f, 0.1f}));
  RockParts r{&m, stone, 300, 0.7f};
  for (float s : {-1.0f, 1.0f}) {
    r.add({s * 0.28f, 0.12f, 0.0f}, {0.24f, 0.13f, 0.28f});    // foot
    r.add({s * 0.28f, 0.36f, -0.02f}, {0.22f, 0.22f, 0.22f});  // leg
  }
  r.add({0, 0.62f, -0.04f}, {0.48f, 0.24f, 0.36f}, {}, 2);         // hips
  r.add({0, 1.02f, 0.04f}, {0.56f, 0.42f, 0.44f}, {18, 0, 0}, 2);  // chest
  r.add({0, 1.34f, -0.14f}, {0.5f, 0.26f, 0.36f}, {25, 0, 0});     // back hump
  for (float s : {-1.0f, 1.0f}) {
    r.add({s * 0.56f, 1.28f, 0.06f}, {0.3f, 0.26f, 0.28f}, {0, 0, s * -12}, 2);  // shoulder
    r.add({s * 0.66f, 0.96f, 0.16f}, {0.18f, 0.21f, 0.18f});                     // upper arm
    r.add({s * 0.68f, 0.62f, 0.24f}, {0.2f, 0.21f, 0.2f}, {-10, 0, 0});          // forearm
    r.add({s * 0.68f, 0.28f, 0.3f}, {0.27f, 0.25f, 0.27f}, {}, 2);               // fist on the ground
  }
  r.add({0, 1.22f, 0.4f}, {0.14f, 0.12f, 0.14f});  // small sunken head
  for (float s : {-1.0f, 1.0f}) m.append(block({s * 0.05f, 1.23f, 0.53f}, {0.045f, 0.025f, 0.03f}, 0.005f, magma));
  // A molten core breaks out of the chest, and embers crown the back.
  m.append(crystal({0, 1.0f, 0.36f}, {0, 0.1f, 1}, 0.13f, 0.2f, magma));
  m.append(crystal({0.16f, 1.12f, 0.33f}, {0.5f, 0.3f, 1}, 0.06f, 0.14f, magma));
  m.append(crystal({-0.15f, 0.9f, 0.34f}, {-0.5f, -0.3f, 1}, 0.06f, 0.13f, magma));
  m.append(crystal({0.2f, 1.5f, -0.2f}, {0.3f, 1, -0.4f}, 0.06f, 0.22f, magma));
  m.append(crystal({-0.22f, 1.46f, -0.18f}, {-0.35f, 1, -0.4f}, 0.05f, 0.18f, magma));
  return m;
}

// A cluster of dark crystals. The game draws it scaled (3.65, 2, 3.5) at y -2, so local y 1 is the floor.
MeshBuilder obsidian() {
  MeshBuilder m;
  MeshMaterial glass = makeMaterial("obsidian", {0.9f, 0.9f, 1.0f}, 0.45f, 1.0f, 48, "obsidian.png");
  int mat = m.addMaterial(glass);
  int core = m.addMaterial(glowMaterial("core", {0.62f, 0.32f, 1.0f}));
  MeshMaterial rubble = makeMaterial("rubble", {0.6f, 0.58f, 0.62f}, 0.25f, 0.05f, 6, "obsidian.png");
  int rub = m.addMaterial(rubble);
  auto add = [&](Vec3 base, Vec3 dir, float radius, float len, int material) {
    MeshBuilder c = crystal(base, dir, radius, len, material);
    c.projectBox(0.8f);
    m.append(c);
  };
  add({0, 0, 0}, {0.04f, 1, 0.03f}, 0.36f, 3.4f, mat);
  add({0.26f, 0.45f, 0.06f}, {0.3f, 1, 0.06f}, 0.2f, 2.0f, mat);
  add({-0.25f, 0.4f, 0.12f}, {-0.32f, 1, 0.16f}, 0.22f, 2.2f, mat);
  add({-0.06f, 0.45f, -0.25f}, {-0.06f, 1, -0.34f}, 0.19f, 1.8f, mat);
  add({0.18f, 0.55f, -0.18f}, {0.26f, 1, -0.22f}, 0.14f, 1.4f, mat);
  add({0.04f, 0.55f, 0.27f}, {0.06f, 1, 0.36f}, 0.13f, 1.3f, mat);
  // A glowing seam inside the main crystal shows through its faces near the base.
  add({0, 1.0f, 0}, {0.04f, 1, 0.03f}, 0.37f, 0.12f, core);
  Random rnd(77);
  for (int i = 0; i < 9; ++i) {
    float a = i * 40.0f + rnd.range(-12, 12);
    float d = rnd.range(0.38f, 0.5f);
    MeshBuilder b = part::rock({rnd.range(0.08f, 0.14f), rnd.range(0.05f, 0.08f), rnd.range(0.08f, 0.14f)}, 1, 0.3f,
                               500u + static_cast<uint32_t>(i), rub, 2.0f);
    b.transform(Transform::translation({std::sin(radians(a)) * d, 1.0f, std::cos(radians(a)) * d}));
    m.append(b);
  }
  return m;
}

}  // namespace

void makeGolems(OutputTree& out) {
  out.image("Enemy_Mesh/golem_granite.png",
            makeGolemRock(11, hexColour(0x4a4540), hexColour(0x8d8478), hexColour(0xd9813a), 0.55f));
  out.image("Enemy_Mesh/golem_sandstone.png",
            makeGolemRock(23, hexColour(0x7d6a52), hexColour(0xc8b694), hexColour(0x7fe3ea), 0.35f));
  out.image("Enemy_Mesh/golem_basalt.png",
            makeGolemRock(37, hexColour(0x1f1d20), hexColour(0x4c4850), hexColour(0xff5a1a), 0.9f));
  out.image("黒曜石/obsidian.png", makeObsidian());
  out.mesh("Enemy_Mesh/golem_01.x", golemStandard());
  out.mesh("Enemy_Mesh/golem_02.x", golemSlender());
  out.mesh("Enemy_Mesh/golem_03.x", golemHeavy());
  out.mesh("黒曜石/kokuyouseki.x", obsidian());
}
