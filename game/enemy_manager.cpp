#include "game/enemy_manager.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/mesh_cache.h"
#include "engine/services.h"
#include "engine/sound_buffer.h"
#include "game/enemy_info.h"
#include "game/enemy_steering.h"

namespace hc {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;
constexpr float kRadiansToDegrees = 57.295776f;

constexpr const char* kGolem1Path = "Resource_Blade/Enemy_Mesh/golem_01.x";
constexpr const char* kGolem2Path = "Resource_Blade/Enemy_Mesh/golem_02.x";
constexpr const char* kGolem3Path = "Resource_Blade/Enemy_Mesh/golem_03.x";
constexpr const char* kObsidianPath = "Resource_Blade/黒曜石/kokuyouseki.x";
constexpr const char* kHitSoundPath = "Resource_Blade/SE/Duskforge/enemy_hit_se.wav";
constexpr const char* kWaveFolder = "Resource_Blade/Ene_CSVファイル/";

// Load order of the wave files; tables are indexed by it.
enum WaveTable : std::int32_t {
    kTutorial1,
    kTutorial2,
    kEnemyA,
    kEnemyC,
    kEnemyD,
    kEnemyE,
    kEnemyG,
    kEnemyF,
    kEnemyH,
    kEnemyI,
};
constexpr const char* kWaveFiles[EnemyManager::kTableCount] = {
    "tutorial1.csv",
    "tutorial2.csv",
    "enemy_a.csv",
    "enemy_c.csv",
    "enemy_d.csv",
    "enemy_e.csv",
    "enemy_g.csv",
    "enemy_f.csv",
    "enemy_h.csv",
    "enemy_i.csv",
};

// No run lives long enough to meet a wave this large; the cap only keeps absurd stage numbers from
// asking for an impossible allocation.
constexpr std::int64_t kMaxWaveSize = 100000;

constexpr Vec3 kObsidianPosition{21.0f, -2.0f, 69.0f};
constexpr Vec3 kObsidianScale{3.65f, 2.0f, 3.5f};

// Behaviour constants.
constexpr std::int32_t kRingFrames = 120;  // frames in the ring before asking for the attack turn
constexpr std::int32_t kAimFrames = 38;    // frames a charge spends aiming
constexpr float kChargeBoost = 1.15f;
constexpr std::int32_t kKnockSlideFrames = 18;
constexpr std::int32_t kKnockRestFrames = 29;
constexpr float kKnockStrong = 0.25f;
constexpr float kKnockWeak = 0.12f;
constexpr float kRingStrafeOffset = 88.0f;
constexpr float kRingBackOff = -0.92f;
constexpr float kAttackRange2 = 6.75f;  // 3 × 1.5², in three dimensions
constexpr float kAttackFootprint2 = 2.0f;

constexpr Colour kRedTint = 0xFF0000;
constexpr Colour kBlueTint = 0x0000FF;
constexpr Colour kYellowTint = 0xFFFF00;

Vec3 along(float heading) {
    return Vec3{std::cos(heading * kDegreesToRadians), 0, std::sin(heading * kDegreesToRadians)};
}

float headingTo(Vec3 from, Vec3 to) { return std::atan2(to.z - from.z, to.x - from.x) * kRadiansToDegrees; }

float groundDistance2(Vec3 a, Vec3 b) {
    float dx = a.x - b.x, dz = a.z - b.z;
    return dx * dx + dz * dz;
}

bool onField(const EnemyBase& e) { return e.hitPoints > 0 && e.active != 0; }

float walkSpeed(std::int32_t kind) { return kind == 1 ? 0.05f : kind == 2 ? 0.016f
                                                                          : 0.03f; }

// Reach of an enemy's blow: the scale of the knight's body it must stand under. 0: it cannot hurt.
float attackReach(std::int32_t kind) {
    switch (kind) {
    case 0:
    case 3: return 1.7f;
    case 1:
    case 5: return 1.5f;
    case 2:
    case 4: return 2.0f;
    default: return 0.0f;
    }
}

// Tint of the coloured kinds (alpha added by the caller); 0 for kinds drawn as modelled.
Colour tintOf(std::int32_t kind) {
    switch (kind) {
    case 3: return kRedTint;
    case 4: return kBlueTint;
    case 5: return kYellowTint;
    default: return 0;
    }
}

Matrix obsidianMatrix() {
    return matrixMultiply(matrixScaling(kObsidianScale.x, kObsidianScale.y, kObsidianScale.z),
                          matrixTranslation(kObsidianPosition.x, kObsidianPosition.y, kObsidianPosition.z));
}

// World matrix of a living enemy. The meshes face +z while a heading of 0 faces +x, hence the quarter
// turn; the stored heading is left alone, so a frame drawn without a movement step draws the same.
Matrix livingMatrix(const EnemyBase& e) {
    if (e.kind == EnemyManager::kObsidianKind) return obsidianMatrix();
    Transform shown = e.transform;
    shown.rotation.y -= 90.0f;
    Matrix world;
    shown.toMatrix(world);
    return world;
}

std::int32_t clampToInt32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

EnemyManager::EnemyManager()
    : behaviours{&EnemyManager::approach, &EnemyManager::ring, &EnemyManager::charge, &EnemyManager::knockBack},
      hooks(*this) {}

bool EnemyManager::load(EnemyBase** waveSlot, std::int32_t slot, bool endlessMode) {
    story = !endlessMode;
    if (!MeshCache::load(kGolem1Path, golemMesh1)) return false;
    if (!MeshCache::load(kGolem2Path, golemMesh2)) return false;
    if (!MeshCache::load(kGolem3Path, golemMesh3)) return false;
    if (!MeshCache::load(kObsidianPath, obsidianMesh)) return false;
    if (!SoundBuffer::load(kHitSoundPath, hitSound)) return false;

    bool result = true;
    for (int i = 0; i < kTableCount; ++i) {
        std::unique_ptr<EnemyBase[]> table;
        std::uint32_t count = 0;
        if (readEnemyInfo(std::string(kWaveFolder) + kWaveFiles[i], table, count)) {
            tables[i] = std::move(table);
            tableCounts[i] = static_cast<std::int32_t>(count);
        } else {
            result = false;
        }
    }
    buildWave(waveSlot, 1, slot);
    // On the first stage groups 0 and 1 enter together.
    spawnTimer = 0;
    spawnCounter = 1;
    return result;
}

std::int32_t EnemyManager::waveSize(std::uint32_t stageNumber, bool storyRun) {
    const std::int64_t s = stageNumber;
    if (storyRun) {
        if (s <= 3 || s == 16 || s == 17) return static_cast<std::int32_t>(s);
        if (s <= 9 || (s >= 11 && s <= 15)) return static_cast<std::int32_t>(s - 1);
        if (s == 10) return 15;
        if (s == 18 || s == 19) return static_cast<std::int32_t>(s + 1);
        if (s == 20) return 30;
        if (s <= 28) return static_cast<std::int32_t>(2 * s - 20);
        if (s == 29) return 40;
        if (s == 30) return 1;
        return 0;
    }
    const std::int64_t q = s / 10;
    const std::int64_t n = s + (s % 10 == 0 ? 2 : 1) * q * q;
    return static_cast<std::int32_t>(std::min(n, kMaxWaveSize));
}

std::int32_t EnemyManager::tableIndex(std::int32_t slot, std::uint32_t stageNumber) {
    const std::uint32_t s = stageNumber;
    switch (slot) {
    case 0: return s <= 19 ? kEnemyF : s <= 28 ? kEnemyG
                                               : kEnemyE;
    case 1: return s <= 10 ? kEnemyA : s <= 19 ? kEnemyC
                                   : s <= 28   ? kTutorial1
                                               : kEnemyD;
    case 2: return kTutorial2;
    case 3: return kEnemyH;
    case 4:
    case 5: return kEnemyI;
    default: return -1;
    }
}

void EnemyManager::buildWave(EnemyBase** waveSlot, std::uint32_t stageNumber, std::int32_t slot) {
    wave.reset();
    steering.reset();
    if (waveSlot) *waveSlot = nullptr;
    spawnCounter = 0;
    spawnTimer = 0;

    std::int32_t n = waveSize(stageNumber, story);
    const std::int32_t table = tableIndex(slot, stageNumber);
    if (slot == kObsidianSlot) {
        // The obsidian is the whole wave: records behind it could never be cleared.
        n = std::min(n, 1);
    } else if (table < 0 || !tables[table] || tableCounts[table] <= 0) {
        n = 0;  // nothing to build from: an empty wave, cleared at once
    }
    enemyCount = n;
    wave = std::make_unique<EnemyBase[]>(static_cast<std::size_t>(n));
    if (waveSlot) *waveSlot = wave.get();

    if (slot == kObsidianSlot) {
        if (n > 0) {
            EnemyBase& obsidian = wave[0];
            obsidian.transform.position = kObsidianPosition;
            obsidian.transform.scale = kObsidianScale;
            obsidian.kind = kObsidianKind;
            obsidian.spawnGroup = 0;
            obsidian.active = 0;
            obsidian.fadeAlpha = 255;
            obsidian.hitPoints = 1;
        }
        return;
    }
    if (n == 0) return;
    // Pass k repeats the table with its groups raised by k times the last entry's group, so later
    // passes enter after the earlier ones.
    const EnemyBase* entries = tables[table].get();
    const std::int32_t t = tableCounts[table];
    const std::int64_t g = entries[t - 1].spawnGroup;
    for (std::int32_t r = 0; r < n; ++r) {
        const std::int64_t pass = r / t;
        wave[r] = entries[r % t];
        wave[r].spawnGroup = clampToInt32(entries[r % t].spawnGroup + pass * g);
    }
}

void EnemyManager::release(EnemyBase** waveSlot) {
    for (int i = 0; i < kTableCount; ++i) {
        tables[i].reset();
        tableCounts[i] = 0;
    }
    wave.reset();
    steering.reset();
    enemyCount = 0;
    if (waveSlot) *waveSlot = nullptr;
    MeshCache::release(obsidianMesh);
    MeshCache::release(golemMesh3);
    MeshCache::release(golemMesh2);
    MeshCache::release(golemMesh1);
    obsidianMesh = golemMesh3 = golemMesh2 = golemMesh1 = nullptr;
    SoundBuffer::release(hitSound);
    hitSound = nullptr;
}

MeshEntry* EnemyManager::enemyMesh(std::int32_t index) const {
    switch (index) {
    case EnemyHooks::kGolem1: return golemMesh1;
    case EnemyHooks::kGolem2: return golemMesh2;
    case EnemyHooks::kGolem3: return golemMesh3;
    case EnemyHooks::kObsidian: return obsidianMesh;
    default: return nullptr;
    }
}

MeshEntry* EnemyManager::meshForKind(std::int32_t kind) const {
    switch (kind) {
    case 1:
    case 5: return golemMesh2;
    case 2:
    case 4: return golemMesh3;
    case kObsidianKind: return obsidianMesh;
    default: return golemMesh1;
    }
}

// Spawn step, with the heading and retargeting of every enemy on the field.
void EnemyManager::spawnAndRetarget(EnemyBase* enemies, Vec3 player) {
    std::int32_t onFieldCount = 0;
    for (std::int32_t i = 0; i < enemyCount; ++i) {
        EnemyBase& e = enemies[i];
        if (e.hitPoints <= 0) continue;
        if (e.active) {
            ++onFieldCount;
            // The obsidian holds the field alone.
            if (e.kind == kObsidianKind) break;
            e.transform.rotation.y = headingTo(e.transform.position, e.target);
            // Each third of the wave follows the knight with its own delay, so they do not move as one.
            const std::uint32_t delay = static_cast<std::uint32_t>(i % 3) * 21 + 49;
            if (e.retargetCounter < delay) ++e.retargetCounter;
            if (e.retargetCounter >= delay && e.state != kKnockBack) e.target = player;
        } else if (spawnCounter >= e.spawnGroup) {
            e.target = player;
            e.active = 1;
            e.retargetCounter = 0;
            e.transform.rotation.y = headingTo(e.transform.position, e.target);
        }
    }
    if (spawnTimer < kSpawnInterval) {
        spawnTimer += 1;
    } else if (onFieldCount < kSpawnLimit) {
        ++spawnCounter;
        spawnTimer = 0;
    }
}

void EnemyManager::moveEnemies(EnemyBase* enemies, float playerX, float playerY, float playerZ) {
    if (!enemies) return;
    const Vec3 player{playerX, playerY, playerZ};
    spawnAndRetarget(enemies, player);
    if (enemyCount > 0 && enemies[0].kind == kObsidianKind) {
        enemies[0].move = Vec3{0, 0, 0};
        enemies[0].world = obsidianMatrix();
        return;
    }
    steering.beginFrame(enemyCount);
    for (std::int32_t i = 0; i < enemyCount; ++i) {
        EnemyBase& e = enemies[i];
        if (!onField(e) || e.kind == kObsidianKind) continue;
        stepState(e, i, player);
        behaviours[e.state](*this, enemies, i, player);
    }
    // The blade tests this frame's swing against where the enemies stand now.
    for (std::int32_t i = 0; i < enemyCount; ++i)
        if (onField(enemies[i])) enemies[i].world = livingMatrix(enemies[i]);
    if (attackLock != 0) attackLock = attackLock >= kAttackLockFrames ? 0 : attackLock + 1;
}

void EnemyManager::stepState(EnemyBase& e, std::int32_t i, Vec3 player) {
    if (e.state < kApproach || e.state > kKnockBack) e.state = kApproach;
    const float r = 3.5f + 0.2f * static_cast<float>(i % 3);
    const float d2 = groundDistance2(e.transform.position, player);
    if (e.kind == 4) {
        // Stands and aims for ever.
        e.state = kCharge;
        e.stateTimer = 3;
    } else if (e.kind == 5) {
        // Charges for ever, each one on its own rhythm.
        ++e.stateTimer;
        e.state = kCharge;
        if (e.stateTimer > 176 - 2 * (i % 6)) e.stateTimer = 0;
    } else if (e.counter != 0) {
        e.state = kKnockBack;
        e.stateTimer = static_cast<std::int32_t>(std::min<std::uint32_t>(e.counter, INT32_MAX));
    } else if (e.state == kCharge) {
        if (++e.stateTimer > 220 - 2 * (i % 6)) {
            e.state = kApproach;
            e.stateTimer = 0;
        }
    } else if (d2 < 2 * (r + 1.5f) * (r + 1.5f)) {
        if (e.state == kRing) {
            if (e.stateTimer < kRingFrames) {
                ++e.stateTimer;
            } else if (attackLock == 0) {
                e.state = kCharge;
                e.stateTimer = 0;
                attackLock = 1;
            }
        } else if (e.state == kApproach && d2 < 2 * (r + 1) * (r + 1)) {
            e.state = kRing;
            e.stateTimer = 0;
        }
    } else if (e.state != kApproach) {
        e.state = kApproach;
        e.stateTimer = 0;
    }
}

void EnemyManager::approach(EnemyManager& manager, EnemyBase* enemies, std::int32_t index, Vec3) {
    const std::int32_t kind = enemies[index].kind;
    manager.steering.approach(enemies, manager.enemyCount, index, walkSpeed(kind), kind >= 0 && kind <= 2);
}

// Keeps a distance of r·√2 from the knight and circles him; every fourth index group goes the other
// way round, odd indices at half the strafe speed of even ones.
void EnemyManager::ring(EnemyManager&, EnemyBase* enemies, std::int32_t i, Vec3 player) {
    EnemyBase& e = enemies[i];
    const float r = 3.5f + 0.2f * static_cast<float>(i % 3);
    const float h = headingTo(e.transform.position, player);
    const float q = groundDistance2(e.transform.position, player) / (2 * r * r);
    const float k = e.kind == 1 ? 0.05f : 0.03f;
    const float v = walkSpeed(e.kind);
    const float f = 1.0f / (static_cast<float>(i % 2 + 1) * 1.2f);
    const float t = (i / 4) % 2 == 0 ? h - kRingStrafeOffset : h + kRingStrafeOffset;
    e.move = along(h) * (k * (1 - q) * kRingBackOff) + along(t) * (f * v);
}

void EnemyManager::charge(EnemyManager&, EnemyBase* enemies, std::int32_t i, Vec3 player) {
    EnemyBase& e = enemies[i];
    if (e.stateTimer < kAimFrames) {
        const float h = headingTo(e.transform.position, player);
        e.transform.rotation.y = h;
        e.knockHeading = h;
        e.move = Vec3{0, 0, 0};
        return;
    }
    e.transform.rotation.y = e.knockHeading;
    e.move = along(e.knockHeading) * (walkSpeed(e.kind) * kChargeBoost);
}

void EnemyManager::knockBack(EnemyManager&, EnemyBase* enemies, std::int32_t i, Vec3) {
    EnemyBase& e = enemies[i];
    const std::int32_t t = e.stateTimer;
    if (t <= kKnockSlideFrames) {
        const float strength = e.strongKnock ? kKnockStrong : kKnockWeak;
        e.move = along(e.knockHeading + 180.0f) *
                 (static_cast<float>(kKnockSlideFrames - t) * strength / static_cast<float>(kKnockSlideFrames));
    }
    if (t > kKnockRestFrames) {
        e.state = kApproach;
        e.counter = 0;
        e.stateTimer = 0;
        e.move = Vec3{0, 0, 0};
        e.transform.position.y = 0;
    }
}

bool EnemyManager::enemyTakeHit(EnemyBase& enemy, const Vec3* playerPosition, std::int32_t damage, bool strong) {
    if (enemy.hitThisSwing) return false;
    if (damage == 0 || !playerPosition) return true;
    enemy.hitPoints = clampToInt32(std::max<std::int64_t>(0, static_cast<std::int64_t>(enemy.hitPoints) - damage));
    enemy.counter = 1;
    enemy.target = *playerPosition;
    const float h = headingTo(enemy.transform.position, *playerPosition);
    enemy.transform.rotation.y = h;
    enemy.knockHeading = h;
    enemy.strongKnock = strong ? 1 : 0;
    return true;
}

bool EnemyManager::enemyAttackTest(MeshEntry* playerBody, EnemyBase& enemy, Vec3 playerPosition) {
    if (enemy.kind == kObsidianKind || enemy.hitPoints <= 0) return false;
    const float reach = attackReach(enemy.kind);
    if (reach == 0) return false;
    const Vec3 e = enemy.transform.position;
    const Vec3 d = e - playerPosition;
    if (!(vec3Dot(d, d) < kAttackRange2)) return false;
    // The blow lands when the enemy stands under the knight's body grown by its reach.
    const Matrix body = matrixMultiply(matrixScaling(reach, reach, reach),
                                       matrixTranslation(playerPosition.x, playerPosition.y, playerPosition.z));
    Vec3 p;
    if (!MeshCache::rayHit(playerBody, e, Vec3{0, 1, 0}, body, p)) return false;
    if (!((p.z - e.z) * (p.z - e.z) + (p.x - e.x) * (p.x - e.x) < kAttackFootprint2)) return false;
    if (hitSound) hitSound->restart();
    return true;
}

void EnemyManager::drawEnemies(EnemyBase* enemies) {
    if (!enemies || !gDevice) return;
    for (std::int32_t i = 0; i < enemyCount; ++i) {
        EnemyBase& e = enemies[i];
        MeshEntry* mesh = meshForKind(e.kind);
        const Colour tint = tintOf(e.kind);
        Matrix world;
        if (e.hitPoints <= 0) {
            if (e.fadeAlpha == 0) continue;
            // The defeated turn to face as they did in life, then topple over while they fade.
            if (e.fadeAlpha == 255) e.transform.rotation.y -= 90.0f;
            if (e.fadeAlpha < 33) {
                e.fadeAlpha = 0;
                continue;
            }
            if (e.kind == kObsidianKind) {
                world = obsidianMatrix();
            } else {
                const float fallen = std::fabs((255.0f - static_cast<float>(e.fadeAlpha)) / 255.0f * -90.0f);
                e.transform.rotation.x = std::clamp(fallen, 0.0f, 90.0f);
                e.transform.rotation.z = 0;
                e.transform.toMatrix(world);
            }
            e.world = world;
            gDevice->setTransform(TransformType::World, world);
            if (tint != 0)
                MeshCache::drawFlat(mesh, (e.fadeAlpha << 24) | tint);
            else
                MeshCache::drawAlpha(mesh, e.fadeAlpha);
            e.fadeAlpha -= 5;
            continue;
        }
        if (!e.active) continue;
        e.world = livingMatrix(e);
        gDevice->setTransform(TransformType::World, e.world);
        if (tint != 0)
            MeshCache::drawFlat(mesh, 0xFF000000u | tint);
        else
            MeshCache::draw(mesh);
    }
}

}  // namespace hc
