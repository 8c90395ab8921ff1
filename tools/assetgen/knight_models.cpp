// The knight (body, feet, the hand with the blade, the blade's glow shell, the empty hand) and the
// older second knight of the story events.
//
// The player's parts face local -z: the game turns the body by yaw -heading - 180, so at heading 0
// the model's -z side looks along +z. The knight's right is therefore local -x. The second knight is
// placed by a rotation that turns local +z toward the player, so its parts are built the same way
// and turned round by 180 degrees at the end.
#include <cmath>

#include "generators.h"
#include "knight_models.h"
#include "mesh_kit.h"

namespace {

struct KnightLook {
  Vec3 armour, armourDark, trim, cloth, leather;
  float armourGlow;  // emissive share of the armour
};

struct KnightMaterials {
  int armour, dark, trim, cloth, leather, visor, skin, beard;
};

KnightMaterials addKnightMaterials(MeshBuilder& m, const KnightLook& look) {
  KnightMaterials k{};
  k.armour = m.addMaterial(makeMaterial("armour", look.armour, look.armourGlow, 0.75f, 24));
  k.dark = m.addMaterial(makeMaterial("armour_dark", look.armourDark, look.armourGlow * 0.8f, 0.45f, 16));
  k.trim = m.addMaterial(makeMaterial("gold", look.trim, 0.3f, 0.9f, 32));
  k.cloth = m.addMaterial(makeMaterial("cloth", look.cloth, 0.22f, 0.05f, 4));
  k.leather = m.addMaterial(makeMaterial("leather", look.leather, 0.2f, 0.1f, 6));
  MeshMaterial visor = makeMaterial("visor", {0.02f, 0.03f, 0.05f}, 0, 0.2f, 8);
  visor.emissive = {0.35f, 0.7f, 1.0f};
  k.visor = m.addMaterial(visor);
  k.skin = m.addMaterial(makeMaterial("skin", {0.8f, 0.62f, 0.5f}, 0.3f, 0.1f, 6));
  k.beard = m.addMaterial(makeMaterial("beard", {0.78f, 0.78f, 0.8f}, 0.3f, 0.05f, 4));
  return k;
}

const KnightLook kPlayerLook{{0.80f, 0.83f, 0.90f}, {0.42f, 0.45f, 0.53f}, {0.92f, 0.70f, 0.30f}, {0.14f, 0.22f, 0.46f}, {0.30f, 0.21f, 0.15f}, 0.28f};
const KnightLook kElderLook{{0.36f, 0.37f, 0.42f}, {0.22f, 0.22f, 0.26f}, {0.70f, 0.48f, 0.24f}, {0.46f, 0.09f, 0.11f}, {0.26f, 0.18f, 0.12f}, 0.22f};

// Cape of five thin panels along an arc behind the shoulders.
void addCape(MeshBuilder& m, int mat, float top, float bottom, float radiusTop, float swing, float width) {
  float height = top - bottom;
  float centreY = (top + bottom) * 0.5f;
  float centreR = radiusTop + height * 0.5f * std::sin(radians(swing));
  for (int k = -2; k <= 2; ++k) {
    float a = k * 21.0f;
    Vec3 c{std::sin(radians(a)) * centreR, centreY, std::cos(radians(a)) * centreR};
    MeshBuilder panel = part::bevelBox({width, height, 0.022f}, 0.006f, mat);
    panel.transform(place(c, {-swing, a, 0}));
    m.append(panel);
  }
}

// Torso, skirt and belt shared by both knights; `bulk` widens the older knight.
void addTrunk(MeshBuilder& m, const KnightMaterials& k, float bulk) {
  // Thighs, mostly hidden by the skirt but closing the gap above the boots.
  for (float s : {-1.0f, 1.0f}) m.append(limb({s * 0.11f, 0.38f, 0}, {s * 0.12f, 0.76f, 0}, 0.085f, 0.09f, 8, k.dark));
  // Skirt of plates with a gold hem.
  m.append(turned({{0, 0.42f}, {0.30f, 0.42f}, {0.29f, 0.5f}, {0.25f, 0.7f}, {0.22f, 0.84f}, {0, 0.84f}}, 12, k.armour,
                  {bulk, 1, 0.82f}, {0, 0, 0.01f}, 30));
  m.append(turned({{0, 0.415f}, {0.307f, 0.415f}, {0.307f, 0.455f}, {0, 0.455f}}, 12, k.trim, {bulk, 1, 0.83f},
                  {0, 0, 0.01f}, 30));
  // Belt and buckle.
  m.append(turned({{0, 0.8f}, {0.236f, 0.8f}, {0.236f, 0.87f}, {0, 0.87f}}, 12, k.leather, {bulk, 1, 0.8f}, {}, 30));
  m.append(block({0, 0.835f, -0.19f}, {0.075f, 0.065f, 0.03f}, 0.01f, k.trim));
  // Breastplate with a central ridge.
  m.append(turned({{0, 0.82f},
                   {0.21f, 0.82f},
                   {0.24f, 0.95f},
                   {0.265f, 1.1f},
                   {0.25f, 1.22f},
                   {0.18f, 1.3f},
                   {0.1f, 1.34f},
                   {0, 1.34f}},
                  14, k.armour, {bulk, 1, 0.74f}, {}, 60));
  m.append(block({0, 1.05f, -0.188f}, {0.028f, 0.3f, 0.03f}, 0.008f, k.armour));
  // Gorget.
  m.append(turned({{0, 1.28f}, {0.11f, 1.28f}, {0.1f, 1.38f}, {0, 1.38f}}, 10, k.dark, {1, 1, 0.9f}, {}, 50));
}

void addPauldrons(MeshBuilder& m, const KnightMaterials& k, float size) {
  for (float s : {-1.0f, 1.0f}) {
    MeshBuilder dome = part::ellipsoid({0.15f * size, 0.11f * size, 0.16f * size}, 6, 10, k.armour);
    dome.smooth(80);
    dome.transform(place({s * 0.29f, 1.25f, 0}, {0, 0, s * -22.0f}));
    m.append(dome);
    MeshBuilder rim = part::ellipsoid({0.158f * size, 0.035f, 0.168f * size}, 4, 12, k.trim);
    rim.smooth(80);
    rim.transform(place({s * 0.30f, 1.2f, 0}, {0, 0, s * -22.0f}));
    m.append(rim);
  }
}

// Upper arms down to the elbows (both), with elbow cops.
void addUpperArms(MeshBuilder& m, const KnightMaterials& k) {
  for (float s : {-1.0f, 1.0f}) {
    m.append(limb({s * 0.31f, 1.2f, 0}, {s * 0.33f, 0.97f, -0.03f}, 0.06f, 0.055f, 8, k.dark));
    m.append(ball({s * 0.335f, 0.965f, -0.03f}, {0.066f, 0.06f, 0.066f}, k.armour));
  }
}

// Gauntlet around the origin: the grip runs along z through the fist, the cuff opens toward +x and
// the back of the hand faces -y.
void addFist(MeshBuilder& m, const KnightMaterials& k) {
  m.append(block({0.005f, 0, 0}, {0.09f, 0.095f, 0.1f}, 0.025f, k.armour));
  m.append(block({0.0f, -0.052f, 0}, {0.1f, 0.03f, 0.095f}, 0.01f, k.dark));
  // Thumb over the grip.
  m.append(block({-0.02f, 0.035f, 0.045f}, {0.045f, 0.035f, 0.04f}, 0.01f, k.armour, {0, 0, -15}));
}

void addCuff(MeshBuilder& m, const KnightMaterials& k, Vec3 from, Vec3 to) {
  m.append(limb(from, to, 0.045f, 0.062f, 10, k.armour, 40));
  Vec3 d = normalize(to - from);
  m.append(limb(to - d * 0.012f, to + d * 0.012f, 0.066f, 0.066f, 10, k.trim, 40));
}

// The blade, along +z from the guard to the tip at 0.78; width along x, thickness along y.
MeshBuilder bladeShape(int mat, float widen) {
  MeshBuilder b = part::lathe({{0, 0.095f}, {1, 0.095f}, {1, 0.6f}, {0.78f, 0.69f}, {0, 0.78f}}, 4, mat);
  b.transform(Transform::scaling({0.032f * widen, 1, 0.009f * widen}));
  b.smooth(30);
  b.transform(Transform::rotationX(90));
  return b;
}

void addHilt(MeshBuilder& m, const KnightMaterials& k) {
  m.append(limb({0, 0, -0.095f}, {0, 0, 0.08f}, 0.018f, 0.017f, 8, k.leather));
  m.append(ball({0, 0, -0.11f}, {0.03f, 0.03f, 0.03f}, k.trim, 4, 8));
  m.append(block({0, 0, 0.088f}, {0.22f, 0.034f, 0.028f}, 0.008f, k.trim));
  for (float s : {-1.0f, 1.0f}) m.append(ball({s * 0.112f, 0, 0.088f}, {0.024f, 0.024f, 0.024f}, k.trim, 4, 8));
}

// A boot with greave and knee cop, at x = side (toes toward -z).
MeshBuilder boot(const KnightLook& look, float side) {
  MeshBuilder m;
  KnightMaterials k = addKnightMaterials(m, look);
  m.append(block({side, 0.05f, -0.03f}, {0.13f, 0.1f, 0.26f}, 0.024f, k.armour));
  m.append(block({side, 0.045f, -0.165f}, {0.105f, 0.06f, 0.07f}, 0.015f, k.armour, {22, 0, 0}));
  m.append(block({side, 0.012f, -0.025f}, {0.128f, 0.024f, 0.27f}, 0.006f, k.leather));
  m.append(limb({side, 0.07f, 0.01f}, {side, 0.4f, 0.0f}, 0.07f, 0.082f, 10, k.armour, 40));
  m.append(turned({{0, 0.085f}, {0.078f, 0.085f}, {0.078f, 0.115f}, {0, 0.115f}}, 10, k.trim, {1, 1, 1},
                  {side, 0, 0.008f}, 30));
  m.append(ball({side, 0.41f, -0.02f}, {0.085f, 0.066f, 0.08f}, k.armour));
  m.append(block({side, 0.41f, -0.085f}, {0.03f, 0.05f, 0.02f}, 0.006f, k.trim));
  return m;
}

MeshBuilder playerBody() {
  MeshBuilder m;
  KnightMaterials k = addKnightMaterials(m, kPlayerLook);
  addTrunk(m, k, 1.0f);
  // Tabard flap at the front of the skirt.
  m.append(block({0, 0.58f, -0.262f}, {0.2f, 0.34f, 0.026f}, 0.006f, k.cloth, {-6, 0, 0}));
  m.append(block({0, 0.415f, -0.27f}, {0.21f, 0.025f, 0.03f}, 0.006f, k.trim, {-6, 0, 0}));
  // Crest on the breastplate.
  MeshBuilder crest = part::prism({{-0.06f, 0.05f}, {0.06f, 0.05f}, {0.06f, -0.01f}, {0, -0.075f}, {-0.06f, -0.01f}},
                                  -0.016f, 0.016f, k.trim);
  crest.transform(Transform::translation({0, 1.13f, -0.19f}));
  m.append(crest);
  addPauldrons(m, k, 1.0f);
  addUpperArms(m, k);
  // Left forearm hanging, fist at the hip (the right hand is a part of its own).
  m.append(limb({0.335f, 0.965f, -0.03f}, {0.35f, 0.76f, -0.09f}, 0.056f, 0.05f, 8, k.armour));
  m.append(block({0.352f, 0.72f, -0.1f}, {0.08f, 0.09f, 0.085f}, 0.022f, k.armour, {10, 0, 8}));
  // Great helm with a glowing eye slit, nasal bar and a gold crest running over it.
  m.append(turned({{0, 1.34f},
                   {0.125f, 1.34f},
                   {0.14f, 1.42f},
                   {0.143f, 1.5f},
                   {0.13f, 1.56f},
                   {0.095f, 1.6f},
                   {0.045f, 1.625f},
                   {0, 1.63f}},
                  12, k.armour, {1, 1, 1.08f}, {}, 50));
  m.append(block({0, 1.475f, -0.148f}, {0.13f, 0.022f, 0.03f}, 0.004f, k.visor));
  m.append(block({0, 1.44f, -0.152f}, {0.018f, 0.12f, 0.022f}, 0.005f, k.armour));
  MeshBuilder fin = part::prism(
      {{0.11f, 1.58f}, {0.05f, 1.665f}, {-0.05f, 1.705f}, {-0.15f, 1.68f}, {-0.21f, 1.6f}, {-0.18f, 1.53f}}, -0.014f,
      0.014f, k.trim);
  fin.transform(Transform::rotationY(90));
  m.append(fin);
  addCape(m, k.cloth, 1.29f, 0.43f, 0.2f, 12, 0.14f);
  for (float s : {-1.0f, 1.0f}) m.append(ball({s * 0.17f, 1.28f, 0.13f}, {0.035f, 0.035f, 0.03f}, k.trim, 4, 8));
  return m;
}

MeshBuilder playerBladeHand() {
  MeshBuilder m;
  KnightMaterials k = addKnightMaterials(m, kPlayerLook);
  MeshMaterial glow = makeMaterial("blade", {0.78f, 0.9f, 1.0f}, 0, 1.0f, 60);
  glow.emissive = {0.5f, 0.7f, 0.95f};
  int blade = m.addMaterial(glow);
  addFist(m, k);
  addCuff(m, k, {0.04f, 0, 0}, {0.17f, 0, 0});
  addHilt(m, k);
  m.append(bladeShape(blade, 1.0f));
  return m;
}

MeshBuilder bladeShell() {
  MeshBuilder m;
  int mat = m.addMaterial(makeMaterial("glow", {1, 1, 1}, 1.0f, 0, 1));
  m.append(bladeShape(mat, 1.35f));
  return m;
}

// The empty right hand hangs open: fingers toward -x, palm toward +y, cuff toward +x.
MeshBuilder playerOpenHand() {
  MeshBuilder m;
  KnightMaterials k = addKnightMaterials(m, kPlayerLook);
  addCuff(m, k, {0.03f, 0, 0}, {0.16f, 0, 0});
  m.append(block({-0.03f, 0, 0}, {0.1f, 0.04f, 0.095f}, 0.012f, k.armour));
  for (int f = 0; f < 4; ++f) {
    float z = -0.033f + f * 0.022f;
    m.append(block({-0.115f, 0.006f, z}, {0.085f, 0.026f, 0.019f}, 0.006f, k.dark, {0, 0, -8}));
  }
  m.append(block({-0.05f, 0.02f, 0.06f}, {0.06f, 0.026f, 0.022f}, 0.006f, k.dark, {0, 30, 0}));
  m.append(block({0.0f, -0.024f, 0}, {0.06f, 0.012f, 0.08f}, 0.004f, k.trim));
  return m;
}

// The older knight, built facing -z like the player and turned at the end.
MeshBuilder elderBody() {
  MeshBuilder m;
  KnightMaterials k = addKnightMaterials(m, kElderLook);
  addTrunk(m, k, 1.08f);
  // Long tabard at the front with a bronze hem (the cape covers the back).
  m.append(block({0, 0.6f, -0.27f}, {0.24f, 0.62f, 0.026f}, 0.006f, k.cloth, {-5, 0, 0}));
  m.append(block({0, 0.3f, -0.285f}, {0.25f, 0.03f, 0.03f}, 0.006f, k.trim, {-5, 0, 0}));
  addPauldrons(m, k, 1.15f);
  // A second, smaller plate on each shoulder and a heavy mantle collar.
  for (float s : {-1.0f, 1.0f}) {
    MeshBuilder plate = part::ellipsoid({0.14f, 0.08f, 0.15f}, 5, 10, k.armour);
    plate.smooth(80);
    plate.transform(place({s * 0.33f, 1.14f, 0}, {0, 0, s * -35.0f}));
    m.append(plate);
  }
  m.append(turned({{0, 1.22f}, {0.19f, 1.22f}, {0.225f, 1.27f}, {0.15f, 1.33f}, {0, 1.33f}}, 12, k.leather,
                  {1.1f, 1, 0.9f}, {}, 60));
  addUpperArms(m, k);
  // Right forearm hangs to the wrist above where the hand part rests; the left hand holds the belt.
  m.append(limb({-0.335f, 0.965f, -0.03f}, {-0.25f, 0.68f, 0.0f}, 0.057f, 0.05f, 8, k.armour));
  m.append(limb({0.335f, 0.965f, -0.03f}, {0.22f, 0.86f, -0.17f}, 0.056f, 0.05f, 8, k.armour));
  m.append(block({0.2f, 0.84f, -0.2f}, {0.085f, 0.09f, 0.085f}, 0.022f, k.dark, {0, 20, 0}));
  // Bare head: face, grey beard and moustache under a brimmed kettle helmet.
  m.append(ball({0, 1.46f, -0.01f}, {0.095f, 0.12f, 0.1f}, k.skin));
  m.append(turned({{0, 1.25f}, {0.03f, 1.3f}, {0.075f, 1.38f}, {0.085f, 1.43f}, {0, 1.44f}}, 8, k.beard, {1, 1, 0.8f},
                  {0, 0, -0.055f}, 50));
  m.append(block({0, 1.425f, -0.1f}, {0.09f, 0.02f, 0.03f}, 0.008f, k.beard, {0, 0, 0}));
  for (float s : {-1.0f, 1.0f}) m.append(block({s * 0.036f, 1.475f, -0.1f}, {0.022f, 0.012f, 0.02f}, 0.003f, k.dark));
  m.append(block({0, 1.455f, -0.108f}, {0.02f, 0.04f, 0.02f}, 0.005f, k.skin));
  m.append(turned({{0, 1.485f}, {0.13f, 1.485f}, {0.128f, 1.55f}, {0.095f, 1.61f}, {0.04f, 1.64f}, {0, 1.645f}}, 12,
                  k.armour, {1, 1, 1.08f}, {}, 50));
  m.append(turned({{0, 1.49f}, {0.18f, 1.49f}, {0.18f, 1.505f}, {0.12f, 1.52f}, {0, 1.52f}}, 14, k.armour,
                  {1, 1, 1.05f}, {}, 30));
  m.append(turned({{0, 1.52f}, {0.132f, 1.52f}, {0.132f, 1.545f}, {0, 1.545f}}, 12, k.trim, {1, 1, 1.08f}, {}, 30));
  addCape(m, k.cloth, 1.3f, 0.25f, 0.21f, 10, 0.15f);
  return m;
}

// The older knight's hand rests on the pommel of a sword planted beside him: the game turns the
// hand's local +x upward, so the sword points along -x and the cuff rises along +x.
MeshBuilder elderHand() {
  MeshBuilder m;
  KnightMaterials k = addKnightMaterials(m, kElderLook);
  m.append(ball({0.005f, 0, 0}, {0.055f, 0.06f, 0.06f}, k.armour));
  addCuff(m, k, {0.03f, 0, 0}, {0.15f, 0, 0});
  m.append(ball({-0.05f, 0, 0}, {0.032f, 0.032f, 0.032f}, k.trim, 4, 8));
  m.append(limb({-0.05f, 0, 0}, {-0.16f, 0, 0}, 0.017f, 0.017f, 8, k.leather));
  m.append(limb({-0.158f, 0, 0}, {-0.178f, 0, 0}, 0.065f, 0.065f, 12, k.trim, 40));
  MeshBuilder blade = part::lathe({{0, 0}, {1, 0}, {1, 0.33f}, {0.7f, 0.37f}, {0, 0.41f}}, 4, k.armour);
  blade.transform(Transform::scaling({0.03f, 1, 0.009f}));
  blade.smooth(30);
  blade.transform(alignY({-0.175f, 0, 0}, {-1, 0, 0}));
  m.append(blade);
  return m;
}

MeshBuilder turnedRound(MeshBuilder m) {
  m.transform(Transform::rotationY(180));
  return m;
}

}  // namespace

MeshBuilder knightBodyMesh() { return playerBody(); }
MeshBuilder knightBootMesh(float side) { return boot(kPlayerLook, side); }
MeshBuilder knightBladeHandMesh() { return playerBladeHand(); }

void makeKnights(OutputTree& out) {
  out.mesh("Mesh/player_body.x", playerBody());
  out.mesh("Mesh/player_leftfoot.x", boot(kPlayerLook, 0.12f));
  out.mesh("Mesh/player_rightfoot.x", boot(kPlayerLook, -0.12f));
  out.mesh("Mesh/player_blade_hand.x", playerBladeHand());
  out.mesh("Mesh/blade.x", bladeShell());
  out.mesh("Mesh/player_righthand.x", playerOpenHand());

  out.mesh("Mesh/騎士の人/senpaiknight_t.x", turnedRound(elderBody()));
  out.mesh("Mesh/騎士の人/knight_leftfoot.x", turnedRound(boot(kElderLook, 0.12f)));
  out.mesh("Mesh/騎士の人/knight_rightfoot.x", turnedRound(boot(kElderLook, -0.12f)));
  out.mesh("Mesh/騎士の人/knight_hand.x", elderHand());
}
