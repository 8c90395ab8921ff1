#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/camera.h"
#include "engine/input_state.h"
#include "engine/mesh_cache.h"
#include "engine/services.h"
#include "engine/sound_buffer.h"
#include "game/enemy_manager.h"
#include "game/player.h"
#include "platform/headless/headless_device.h"
#include "test_platform.h"

namespace hc {
namespace {

constexpr float kRadiansToDegrees = 57.295776f;

float headingTo(Vec3 from, Vec3 to) { return std::atan2(to.z - from.z, to.x - from.x) * kRadiansToDegrees; }

float angleBetween(float a, float b) { return std::fabs(std::remainder(a - b, 360.0f)); }

EnemyBase entry(float x, float z, std::int32_t kind, std::int32_t group) {
    EnemyBase e;
    e.transform.position = Vec3{x, 0, z};
    e.kind = kind;
    e.spawnGroup = group;
    e.hitPoints = 3;
    e.fadeAlpha = 255;
    return e;
}

// A mesh entry outside the cache: a sphere whose face count tells the meshes apart in a call log.
std::unique_ptr<MeshEntry> sphereEntry(float radius, int slices) {
    auto mesh = std::make_unique<MeshEntry>();
    mesh->mesh = Mesh::createSphere(*gDevice, radius, slices, 8);
    mesh->materials.resize(1);
    mesh->materialCount = 1;
    mesh->textures.resize(1, nullptr);
    mesh->referenceCount = 1;
    return mesh;
}

class EnemyManagerTest : public ::testing::Test {
protected:
    test::ScopedTestPlatform platform;
    std::unique_ptr<Device> device;
    EnemyManager manager;
    EnemyBase* slot = nullptr;  // the player's wave slot
    Vec3 knight{16, 0, 24};

    void SetUp() override {
        device = createHeadlessDevice();
        gDevice = device.get();
    }
    void TearDown() override {
        manager.release(&slot);
        gDevice = nullptr;
    }

    void setTable(std::int32_t index, const std::vector<EnemyBase>& entries) {
        manager.tables[index] = std::make_unique<EnemyBase[]>(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i) manager.tables[index][i] = entries[i];
        manager.tableCounts[index] = static_cast<std::int32_t>(entries.size());
    }
    // A wave of exactly these enemies, already on the field unless they say otherwise.
    void setWave(const std::vector<EnemyBase>& enemies) {
        manager.wave = std::make_unique<EnemyBase[]>(enemies.size());
        for (std::size_t i = 0; i < enemies.size(); ++i) manager.wave[i] = enemies[i];
        manager.enemyCount = static_cast<std::int32_t>(enemies.size());
        slot = manager.wave.get();
    }
    EnemyBase& enemy(std::int32_t i) { return slot[i]; }
    // One frame as the combat step and the game scene run it.
    void frame() {
        manager.moveEnemies(slot, knight.x, knight.y, knight.z);
        applyMoves(nullptr, slot, manager.enemyCount);
    }
    int activeCount() {
        int n = 0;
        for (std::int32_t i = 0; i < manager.enemyCount; ++i) n += enemy(i).active;
        return n;
    }
};

// Load order index of enemy_i.csv, the table of slots 4 and 5.
constexpr std::int32_t kEnemyITable = 9;

TEST_F(EnemyManagerTest, WaveSizes) {
    struct Case {
        std::uint32_t stage;
        bool story;
        std::int32_t size;
    };
    const Case cases[] = {
        {1, true, 1},
        {3, true, 3},
        {4, true, 3},
        {10, true, 15},
        {11, true, 10},
        {16, true, 16},
        {18, true, 19},
        {20, true, 30},
        {21, true, 22},
        {28, true, 36},
        {29, true, 40},
        {30, true, 1},
        {31, true, 0},
        {1, false, 1},
        {9, false, 9},
        {10, false, 12},
        {11, false, 12},
        {20, false, 28},
        {35, false, 44},
        {30, false, 48},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EnemyManager::waveSize(c.stage, c.story), c.size) << "stage " << c.stage << " story " << c.story;
}

TEST_F(EnemyManagerTest, TableBySlotAndStage) {
    struct Case {
        std::int32_t slot;
        std::uint32_t stage;
        std::int32_t table;  // load order: tutorial1 0, tutorial2 1, a 2, c 3, d 4, e 5, g 6, f 7, h 8, i 9
    };
    const Case cases[] = {
        {0, 10, 7},
        {0, 19, 7},
        {0, 20, 6},
        {0, 28, 6},
        {0, 29, 5},
        {1, 10, 2},
        {1, 11, 3},
        {1, 20, 0},
        {1, 29, 4},
        {2, 1, 1},
        {2, 40, 1},
        {3, 5, 8},
        {4, 5, 9},
        {5, 25, 9},
        {6, 30, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EnemyManager::tableIndex(c.slot, c.stage), c.table) << "slot " << c.slot << " stage " << c.stage;
}

TEST_F(EnemyManagerTest, PassesRaiseTheGroupsOfRepeatedEntries) {
    setTable(kEnemyITable, {entry(1, 1, 0, 0), entry(2, 2, 1, 1), entry(3, 3, 2, 1), entry(4, 4, 3, 2)});
    manager.buildWave(&slot, 11, 4);  // story stage 11: 10 enemies from a table of 4
    ASSERT_EQ(manager.enemyCount, 10);
    ASSERT_EQ(slot, manager.wave.get());
    const std::int32_t groups[] = {0, 1, 1, 2, 2, 3, 3, 4, 4, 5};
    for (std::int32_t i = 0; i < 10; ++i) {
        EXPECT_EQ(enemy(i).spawnGroup, groups[i]) << i;
        EXPECT_EQ(enemy(i).kind, i % 4);
        EXPECT_FLOAT_EQ(enemy(i).transform.position.x, static_cast<float>(i % 4 + 1));
        EXPECT_EQ(enemy(i).hitPoints, 3);
        EXPECT_EQ(enemy(i).active, 0);
    }
    EXPECT_EQ(manager.spawnCounter, 0);
}

TEST_F(EnemyManagerTest, SlotSixIsTheObsidianAlone) {
    for (bool story : {true, false}) {
        SCOPED_TRACE(story ? "story stage 30" : "endless stage 29");
        manager.story = story;
        manager.buildWave(&slot, story ? 30 : 29, EnemyManager::kObsidianSlot);
        // Records behind the obsidian could never be cleared, so the wave is the obsidian alone.
        ASSERT_EQ(manager.enemyCount, 1);
        const EnemyBase& o = enemy(0);
        EXPECT_EQ(o.kind, 7);
        EXPECT_EQ(o.hitPoints, 1);
        EXPECT_EQ(o.fadeAlpha, 255u);
        EXPECT_FLOAT_EQ(o.transform.position.x, 21);
        EXPECT_FLOAT_EQ(o.transform.position.y, -2);
        EXPECT_FLOAT_EQ(o.transform.position.z, 69);
        EXPECT_FLOAT_EQ(o.transform.scale.x, 3.65f);
        EXPECT_FLOAT_EQ(o.transform.scale.z, 3.5f);
    }
    for (int i = 0; i < 100; ++i) frame();
    EXPECT_EQ(enemy(0).active, 1);
    EXPECT_FLOAT_EQ(enemy(0).transform.position.x, 21);
    EXPECT_FLOAT_EQ(enemy(0).transform.position.z, 69);
}

TEST_F(EnemyManagerTest, NoTableGivesAnEmptyWave) {
    manager.buildWave(&slot, 5, 3);  // enemy_h never loaded
    EXPECT_EQ(manager.enemyCount, 0);
    frame();
    manager.drawEnemies(slot);
}

TEST_F(EnemyManagerTest, FirstFrameLetsTheFirstGroupsInFacingTheKnight) {
    setTable(kEnemyITable, {entry(4, 10, 0, 0), entry(30, 40, 1, 1), entry(10, 5, 2, 0)});
    struct Case {
        const char* name;
        std::int32_t spawnCounter;
        std::vector<int> entered;
    };
    const Case cases[] = {
        {"a new stage lets group 0 in", 0, {1, 0, 1}},
        {"after the load group 1 comes too", 1, {1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        manager.buildWave(&slot, 4, 4);
        manager.spawnCounter = c.spawnCounter;
        manager.moveEnemies(slot, knight.x, knight.y, knight.z);
        for (std::int32_t i = 0; i < manager.enemyCount; ++i) {
            const EnemyBase& e = enemy(i);
            EXPECT_EQ(e.active, c.entered[i]) << i;
            if (!e.active) continue;
            EXPECT_NEAR(angleBetween(e.transform.rotation.y, headingTo(e.transform.position, knight)), 0, 1e-3) << i;
            EXPECT_FLOAT_EQ(e.target.x, knight.x);
            EXPECT_FLOAT_EQ(e.target.z, knight.z);
        }
    }
}

TEST_F(EnemyManagerTest, OneMoreGroupEvery41Frames) {
    std::vector<EnemyBase> table;
    for (int g = 0; g < 4; ++g) table.push_back(entry(2.0f + 8 * g, 2, 0, g));
    setTable(kEnemyITable, table);
    manager.buildWave(&slot, 5, 4);
    std::vector<int> enteredAt;
    for (int f = 1; f <= 130; ++f) {
        int before = activeCount();
        frame();
        if (activeCount() > before) enteredAt.push_back(f);
    }
    EXPECT_EQ(enteredAt, (std::vector<int>{1, 42, 83, 124}));
}

TEST_F(EnemyManagerTest, NoGroupEntersWhileTwelveAreOnTheField) {
    std::vector<EnemyBase> wave;
    for (int i = 0; i < 12; ++i) wave.push_back(entry(2.0f + i, 60, 0, 0));
    wave.push_back(entry(30, 60, 0, 1));
    setWave(wave);
    knight = Vec3{16, 0, 2};
    for (int f = 0; f < 2000; ++f) frame();
    EXPECT_EQ(activeCount(), 12);
    EXPECT_EQ(enemy(12).active, 0);

    enemy(0).hitPoints = 0;  // one defeated: the waiting group may come
    int f = 0;
    while (!enemy(12).active && f < 100) {
        frame();
        ++f;
    }
    EXPECT_EQ(enemy(12).active, 1);
    EXPECT_LE(f, 41);
}

TEST_F(EnemyManagerTest, AttackTurnPassesOn59FramesLater) {
    // Three ring enemies whose ring timers ran out, around the knight.
    std::vector<EnemyBase> wave;
    for (int i = 0; i < 3; ++i) {
        EnemyBase e = entry(knight.x + 5 * std::cos(i * 2.0f), knight.z + 5 * std::sin(i * 2.0f), 0, 0);
        e.active = 1;
        e.state = EnemyManager::kRing;
        e.stateTimer = 120;
        e.target = knight;
        wave.push_back(e);
    }
    setWave(wave);
    std::vector<int> chargedAt;
    for (int f = 1; f <= 150; ++f) {
        std::vector<int> before;
        for (int i = 0; i < 3; ++i) before.push_back(enemy(i).state);
        frame();
        for (int i = 0; i < 3; ++i)
            if (before[i] == EnemyManager::kRing && enemy(i).state == EnemyManager::kCharge) chargedAt.push_back(f);
    }
    EXPECT_EQ(chargedAt, (std::vector<int>{1, 60, 119}));
}

TEST_F(EnemyManagerTest, ChargeAimsThenRushesAlongTheAim) {
    EnemyBase e = entry(knight.x - 4, knight.z, 1, 0);
    e.active = 1;
    e.state = EnemyManager::kCharge;
    e.target = knight;
    setWave({e});
    for (int f = 0; f < 37; ++f) frame();
    EXPECT_FLOAT_EQ(enemy(0).transform.position.x, knight.x - 4) << "aiming, it stands";
    knight.z += 3;  // the knight steps aside once the aim is taken
    frame();
    EXPECT_NEAR(enemy(0).transform.position.x, knight.x - 4 + 0.05f * 1.15f, 1e-4);
    EXPECT_FLOAT_EQ(enemy(0).transform.position.z, knight.z - 3) << "the rush keeps the aimed heading";
}

TEST_F(EnemyManagerTest, KindFourTurnsButNeverCharges) {
    EnemyBase e = entry(knight.x + 3, knight.z, 4, 0);
    setWave({e});
    for (int f = 0; f < 400; ++f) {
        knight.z = 24 + 2 * std::sin(f * 0.05f);
        frame();
        ASSERT_EQ(enemy(0).state, EnemyManager::kCharge);
        ASSERT_FLOAT_EQ(enemy(0).transform.position.x, knight.x + 3);
        ASSERT_FLOAT_EQ(enemy(0).transform.position.z, 24);
    }
    EXPECT_NEAR(angleBetween(enemy(0).transform.rotation.y, headingTo(enemy(0).transform.position, knight)), 0, 1e-3);
}

class EnemyAttackTest : public EnemyManagerTest {
protected:
    std::unique_ptr<MeshEntry> body;
    void SetUp() override {
        EnemyManagerTest::SetUp();
        body = sphereEntry(0.5f, 16);  // the knight's body: radius 0.5 about his feet
    }
    bool attacks(std::int32_t kind, float distance) {
        EnemyBase e = entry(knight.x + distance, knight.z, kind, 0);
        e.active = 1;
        return manager.enemyAttackTest(body.get(), e, knight);
    }
};

TEST_F(EnemyAttackTest, ReachOfEachKind) {
    struct Case {
        std::int32_t kind;
        float distance;
        bool hits;
    };
    const Case cases[] = {
        {0, 0.8f, true},
        {0, 0.9f, false},
        {3, 0.8f, true},
        {1, 0.7f, true},
        {1, 0.8f, false},
        {5, 0.7f, true},
        {2, 0.95f, true},
        {2, 1.05f, false},
        {4, 0.95f, true},
        {4, 1.05f, false},
        // Never: kind 6, the obsidian, and kinds outside 0 to 7.
        {6, 0.0f, false},
        {7, 0.0f, false},
        {8, 0.0f, false},
        {-1, 0.0f, false},
        {1000, 0.0f, false},
    };
    for (const Case& c : cases) EXPECT_EQ(attacks(c.kind, c.distance), c.hits) << "kind " << c.kind << " at " << c.distance;
}

TEST_F(EnemyAttackTest, DefeatedOrFarEnemiesDoNotHit) {
    EnemyBase e = entry(knight.x, knight.z, 0, 0);
    e.hitPoints = 0;
    EXPECT_FALSE(manager.enemyAttackTest(body.get(), e, knight));
    // Under a body grown large enough, but beyond the 1.5·√3 reach of any blow.
    auto huge = sphereEntry(3.0f, 16);
    EnemyBase far = entry(knight.x + 2.7f, knight.z, 2, 0);
    EXPECT_FALSE(manager.enemyAttackTest(huge.get(), far, knight));
    far.transform.position.x = knight.x + 2.5f;
    EXPECT_TRUE(manager.enemyAttackTest(huge.get(), far, knight));
}

TEST_F(EnemyManagerTest, BladeDamage) {
    EnemyBase e = entry(knight.x + 2, knight.z, 0, 0);
    e.active = 1;

    // One swing: the combat step marks the enemy after the first hit, and the second does nothing.
    EXPECT_TRUE(manager.enemyTakeHit(e, &knight, 1, false));
    e.hitThisSwing = 1;
    EXPECT_FALSE(manager.enemyTakeHit(e, &knight, 1, false));
    EXPECT_EQ(e.hitPoints, 2);
    EXPECT_EQ(e.counter, 1u);
    EXPECT_NEAR(e.knockHeading, 180, 1e-3) << "toward the knight";

    e.hitThisSwing = 0;
    e.hitPoints = 1;
    EXPECT_TRUE(manager.enemyTakeHit(e, &knight, 2, true));
    EXPECT_EQ(e.hitPoints, 0);
    EXPECT_EQ(e.strongKnock, 1);

    EnemyBase untouched = entry(3, 3, 0, 0);
    EXPECT_TRUE(manager.enemyTakeHit(untouched, &knight, 0, false));
    EXPECT_TRUE(manager.enemyTakeHit(untouched, nullptr, 1, false));
    EXPECT_EQ(untouched.hitPoints, 3);
    EXPECT_EQ(untouched.counter, 0u);
}

TEST_F(EnemyManagerTest, KnockBackSlidesAwayThenResumesTheApproach) {
    for (bool strong : {false, true}) {
        SCOPED_TRACE(strong ? "strong" : "weak");
        EnemyBase e = entry(knight.x + 2, knight.z, 0, 0);
        e.active = 1;
        e.target = knight;
        e.retargetCounter = 100;
        setWave({e});
        manager.enemyTakeHit(enemy(0), &knight, 1, strong);
        ++enemy(0).counter;  // the combat step runs the counter of a hurt enemy, the same frame and after
        std::uint32_t frames = 0;
        while (enemy(0).counter != 0 && frames < 100) {
            frame();
            ++frames;
            if (enemy(0).counter != 0 && ++enemy(0).counter > 31) enemy(0).counter = 0;
            if (frames < 29) {
                EXPECT_EQ(enemy(0).state, EnemyManager::kKnockBack);
            }
        }
        // Slid over the sum of (18 − T)/18 of the knock speed, T from the counter's 2 up.
        float slid = 0;
        for (int t = 2; t <= 18; ++t) slid += (18.0f - t) * (strong ? 0.25f : 0.12f) / 18.0f;
        EXPECT_NEAR(enemy(0).transform.position.x, knight.x + 2 + slid, 1e-3);
        EXPECT_EQ(enemy(0).state, EnemyManager::kApproach);
        EXPECT_EQ(enemy(0).stateTimer, 0);
    }
}

TEST_F(EnemyManagerTest, RingKeepsItsDistanceAndCircles) {
    for (float start : {3.0f, 6.5f}) {
        SCOPED_TRACE("start at " + std::to_string(start));
        EnemyBase e = entry(knight.x + start, knight.z, 0, 0);
        e.active = 1;
        e.state = EnemyManager::kRing;
        e.target = knight;
        setWave({e});
        for (int f = 0; f < 119; ++f) frame();
        Vec3 p = enemy(0).transform.position;
        float d = std::hypot(p.x - knight.x, p.z - knight.z);
        // Index 0: ring radius 3.5·√2, strafing at h − 88 with the full strafe speed / 1.2.
        EXPECT_LT(std::fabs(d - 3.5f * std::sqrt(2.0f)), std::fabs(start - 3.5f * std::sqrt(2.0f)));
        EXPECT_EQ(enemy(0).state, EnemyManager::kRing);
        EXPECT_GT(std::fabs(p.z - knight.z), 0.5f) << "it circled";
    }
}

// Draws as the game scene does and reads back, per drawn mesh, its face count and stage state.
class EnemyDrawTest : public EnemyManagerTest {
protected:
    std::unique_ptr<MeshEntry> golem1, golem2, golem3, obsidian;
    struct Drawn {
        std::uint32_t faces;
        Matrix world;
        std::uint32_t factor;
        bool flat;   // colour from the texture factor
        bool faded;  // alpha modulated by the texture factor
    };

    void SetUp() override {
        EnemyManagerTest::SetUp();
        golem1 = sphereEntry(0.5f, 6);
        golem2 = sphereEntry(0.5f, 7);
        golem3 = sphereEntry(0.5f, 9);
        obsidian = sphereEntry(0.5f, 11);
        manager.golemMesh1 = golem1.get();
        manager.golemMesh2 = golem2.get();
        manager.golemMesh3 = golem3.get();
        manager.obsidianMesh = obsidian.get();
    }
    void TearDown() override {
        manager.golemMesh1 = manager.golemMesh2 = manager.golemMesh3 = manager.obsidianMesh = nullptr;
        EnemyManagerTest::TearDown();
    }
    std::uint32_t facesOf(const std::unique_ptr<MeshEntry>& m) const { return m->mesh->faceCount(); }

    std::vector<Drawn> draw() {
        device->calls.clear();
        device->recording = true;
        manager.drawEnemies(slot);
        device->recording = false;
        std::vector<Drawn> drawn;
        std::uint32_t factor = 0, colourArg = TA_TEXTURE, alphaArg2 = TA_DIFFUSE;
        for (const DeviceCall& c : device->calls) {
            if (c.kind == CallKind::SetRenderState && c.a == static_cast<std::uint32_t>(RenderState::TextureFactor))
                factor = c.value;
            if (c.kind == CallKind::SetTextureStageState && c.a == 0) {
                if (c.b == static_cast<std::uint32_t>(TextureStageState::ColorArg1)) colourArg = c.value;
                if (c.b == static_cast<std::uint32_t>(TextureStageState::AlphaArg2)) alphaArg2 = c.value;
            }
            if (c.kind == CallKind::DrawIndexedPrimitive)
                drawn.push_back({c.value, c.world, factor, colourArg == TA_TFACTOR, alphaArg2 == TA_TFACTOR});
        }
        return drawn;
    }
};

TEST_F(EnemyDrawTest, LivingKindsWithTheirMeshesAndTints) {
    struct Case {
        std::int32_t kind;
        MeshEntry* mesh;
        bool flat;
        std::uint32_t colour;
    };
    const Case cases[] = {
        {0, golem1.get(), false, 0},
        {1, golem2.get(), false, 0},
        {2, golem3.get(), false, 0},
        {3, golem1.get(), true, 0xFFFF0000},
        {4, golem3.get(), true, 0xFF0000FF},
        {5, golem2.get(), true, 0xFFFFFF00},
        {6, golem1.get(), false, 0},
        {7, obsidian.get(), false, 0},
        {42, golem1.get(), false, 0},
        {-3, golem1.get(), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind));
        EnemyBase e = entry(5, 6, c.kind, 0);
        e.active = 1;
        e.transform.rotation.y = 90;  // facing +z
        setWave({e});
        std::vector<Drawn> drawn = draw();
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(drawn[0].faces, c.mesh->mesh->faceCount());
        EXPECT_EQ(drawn[0].flat, c.flat);
        if (c.flat) {
            EXPECT_EQ(drawn[0].factor, c.colour);
        }
        if (c.kind == 7) {
            // The obsidian stands where its wave puts it, whatever its record says.
            EXPECT_FLOAT_EQ(drawn[0].world.m[0][0], 3.65f);
            EXPECT_FLOAT_EQ(drawn[0].world.m[3][0], 21);
            EXPECT_FLOAT_EQ(drawn[0].world.m[3][2], 69);
        } else {
            // Meshes face +z: a heading along +z draws unrotated.
            EXPECT_NEAR(drawn[0].world.m[2][2], 1, 1e-5);
            EXPECT_NEAR(drawn[0].world.m[0][0], 1, 1e-5);
            EXPECT_FLOAT_EQ(drawn[0].world.m[3][0], 5);
            EXPECT_FLOAT_EQ(drawn[0].world.m[3][2], 6);
        }
        EXPECT_FLOAT_EQ(enemy(0).transform.rotation.y, 90) << "drawing leaves the heading alone";
    }
}

TEST_F(EnemyDrawTest, WaitingEnemiesAreNotDrawn) {
    setWave({entry(5, 6, 0, 3)});
    EXPECT_TRUE(draw().empty());
}

TEST_F(EnemyDrawTest, DefeatedTopplesAndFades) {
    for (std::int32_t kind : {0, 4}) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        EnemyBase e = entry(5, 6, kind, 0);
        e.active = 1;
        e.hitPoints = 0;
        e.transform.rotation.y = 30;
        setWave({e});
        std::uint32_t alpha = 255;
        int frames = 0;
        for (std::vector<Drawn> drawn = draw(); !drawn.empty(); drawn = draw()) {
            ASSERT_EQ(drawn.size(), 1u);
            if (kind == 4) {
                EXPECT_TRUE(drawn[0].flat);
                EXPECT_EQ(drawn[0].factor, (alpha << 24) | 0x0000FF);
            } else {
                EXPECT_TRUE(drawn[0].faded);
                EXPECT_EQ(drawn[0].factor, alpha << 24);
            }
            EXPECT_FLOAT_EQ(enemy(0).transform.rotation.y, -60) << "turned once, on the first frame";
            EXPECT_NEAR(enemy(0).transform.rotation.x, (255.0f - alpha) / 255.0f * 90.0f, 1e-3);
            alpha -= 5;
            ++frames;
            ASSERT_LT(frames, 100);
        }
        EXPECT_EQ(frames, 45) << "255 down to 35 in steps of 5";
        EXPECT_EQ(enemy(0).fadeAlpha, 0u);
        EXPECT_TRUE(draw().empty());
    }
}

TEST_F(EnemyDrawTest, BladeSeesWhereTheEnemyStandsThisFrame) {
    EnemyBase e = entry(5, 6, 0, 0);
    e.active = 1;
    e.target = knight;
    setWave({e});
    manager.moveEnemies(slot, knight.x, knight.y, knight.z);
    EXPECT_FLOAT_EQ(enemy(0).world.m[3][0], 5);
    EXPECT_FLOAT_EQ(enemy(0).world.m[3][2], 6);
    applyMoves(nullptr, slot, 1);
    std::vector<Drawn> drawn = draw();
    EXPECT_FLOAT_EQ(enemy(0).world.m[3][0], drawn[0].world.m[3][0]);
    EXPECT_GT(enemy(0).world.m[3][0], 5) << "walked toward the knight";
}

// The real files: meshes, the hit sound and the ten wave tables, as the game scene loads them.
class EnemyLoadTest : public EnemyManagerTest {
protected:
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::path scratch;
    std::unique_ptr<SoundDevice> sound;

    void SetUp() override {
        EnemyManagerTest::SetUp();
        sound = createHeadlessSoundDevice(platform.platform.manualClock);
        gSoundDevice = sound.get();
        char pattern[] = "/tmp/enemy_load_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch = pattern;
        std::filesystem::current_path(scratch);
        for (const char* mesh : {"Resource_Blade/Enemy_Mesh/golem_01.x", "Resource_Blade/Enemy_Mesh/golem_02.x",
                                 "Resource_Blade/Enemy_Mesh/golem_03.x", "Resource_Blade/黒曜石/kokuyouseki.x"})
            write(mesh, triangleMesh());
        write("Resource_Blade/SE/Duskforge/enemy_hit_se.wav", silentWav());
        for (const char* table : {"tutorial1", "tutorial2", "enemy_a", "enemy_c", "enemy_d", "enemy_e", "enemy_g",
                                  "enemy_f", "enemy_h", "enemy_i"})
            write(std::string("Resource_Blade/Ene_CSVファイル/") + table + ".csv", "3,0,4,0,1\n5,0,6,1,1\n7,0,8,2,2\n");
    }
    void TearDown() override {
        EnemyManagerTest::TearDown();
        gSoundDevice = nullptr;
        std::filesystem::current_path(previous);
        std::error_code ignored;
        std::filesystem::remove_all(scratch, ignored);
    }
    static void write(const std::string& path, const std::string& bytes) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string triangleMesh() {
        return "xof 0303txt 0032\nMesh {\n 3;\n 0;0;0;, 1;0;0;, 0;1;0;;\n 1;\n 3;0,1,2;;\n}\n";
    }
    static std::string silentWav() {
        std::string w = "RIFF";
        auto u32 = [&](std::uint32_t v) {
            for (int i = 0; i < 4; ++i) w.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        };
        auto u16 = [&](std::uint16_t v) {
            w.push_back(static_cast<char>(v & 0xFF));
            w.push_back(static_cast<char>(v >> 8));
        };
        const std::uint32_t bytes = 4410;
        u32(36 + bytes);
        w += "WAVEfmt ";
        u32(16);
        u16(1);
        u16(1);
        u32(22050);
        u32(44100);
        u16(2);
        u16(16);
        w += "data";
        u32(bytes + 44);  // the game's files count the header in the data size
        w.append(bytes, '\0');
        return w;
    }
};

TEST_F(EnemyLoadTest, LoadsEverythingAndBuildsTheFirstWave) {
    ASSERT_TRUE(manager.load(&slot, 2, false));
    EXPECT_TRUE(platform.platform.messages.empty());
    EXPECT_TRUE(manager.story);
    for (int i = 0; i < EnemyManager::kTableCount; ++i) EXPECT_EQ(manager.tableCounts[i], 3) << i;
    ASSERT_NE(manager.golemMesh1, nullptr);
    ASSERT_NE(manager.obsidianMesh, nullptr);
    ASSERT_NE(manager.hitSound, nullptr);
    EXPECT_EQ(manager.enemyCount, 1);
    EXPECT_EQ(slot, manager.wave.get());
    EXPECT_EQ(manager.spawnCounter, 1);
    EXPECT_EQ(manager.spawnTimer, 0);
    // The one golem of stage 1 is of group 1, and still enters on the first frame, facing the knight.
    manager.moveEnemies(slot, knight.x, knight.y, knight.z);
    EXPECT_EQ(enemy(0).active, 1);
    EXPECT_NEAR(angleBetween(enemy(0).transform.rotation.y, headingTo(Vec3{3, 0, 4}, knight)), 0, 1e-3);

    manager.release(&slot);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(manager.enemyCount, 0);
    EXPECT_EQ(MeshCache::size(), 0u);
    EXPECT_EQ(soundCacheSize(), 0u);
}

TEST_F(EnemyLoadTest, AFailingWaveFileIsReportedAndTheRestAreRead) {
    std::filesystem::remove("Resource_Blade/Ene_CSVファイル/enemy_c.csv");
    EXPECT_FALSE(manager.load(&slot, 0, true));
    ASSERT_EQ(platform.platform.messages.size(), 1u);
    EXPECT_EQ(platform.platform.messages[0].text,
              "エネミー情報の読み込みに失敗しました\nファイル名 \"Resource_Blade/Ene_CSVファイル/enemy_c.csv\"");
    EXPECT_FALSE(manager.story);
    for (int i = 0; i < EnemyManager::kTableCount; ++i) EXPECT_EQ(manager.tableCounts[i], i == 3 ? 0 : 3) << i;
    EXPECT_EQ(manager.enemyCount, 1) << "the first wave is still built";
}

TEST_F(EnemyLoadTest, AMissingMeshStopsTheLoad) {
    std::filesystem::remove("Resource_Blade/Enemy_Mesh/golem_03.x");
    EXPECT_FALSE(manager.load(&slot, 0, false));
    EXPECT_EQ(manager.obsidianMesh, nullptr);
    EXPECT_EQ(manager.tableCounts[0], 0) << "no wave file is read after a failed mesh";
    manager.release(&slot);
    EXPECT_EQ(MeshCache::size(), 0u);
}

TEST_F(EnemyLoadTest, AHitRestartsTheHitSound) {
    ASSERT_TRUE(manager.load(&slot, 0, false));
    auto body = sphereEntry(0.5f, 16);
    EnemyBase e = entry(knight.x, knight.z, 0, 0);
    platform.platform.manualClock.advanceSeconds(0.02);
    ASSERT_TRUE(manager.enemyAttackTest(body.get(), e, knight));
    EXPECT_TRUE(manager.hitSound->buffer->playing());
    platform.platform.manualClock.advanceSeconds(0.05);
    const std::uint32_t later = manager.hitSound->buffer->currentPosition();
    EXPECT_GT(later, 0u);
    ASSERT_TRUE(manager.enemyAttackTest(body.get(), e, knight));
    EXPECT_LT(manager.hitSound->buffer->currentPosition(), later) << "started over";
}

TEST_F(EnemyLoadTest, TheShippedDataLoads) {
    const char* runtime = std::getenv("HC_RUNTIME_DIR");
    if (!runtime) GTEST_SKIP() << "HC_RUNTIME_DIR not set";
    std::filesystem::current_path(runtime);
    ASSERT_TRUE(manager.load(&slot, 0, false));
    EXPECT_TRUE(platform.platform.messages.empty());
    for (int i = 0; i < EnemyManager::kTableCount; ++i) EXPECT_GT(manager.tableCounts[i], 0) << i;
    manager.buildWave(&slot, 29, 0);
    EXPECT_EQ(manager.enemyCount, 40);
    manager.release(&slot);
    EXPECT_EQ(MeshCache::size(), 0u);
    EXPECT_EQ(soundCacheSize(), 0u);
}

// The enemies as the player's combat step drives them through the manager's hooks.
class EnemyCombatTest : public EnemyManagerTest {
protected:
    Player player;
    std::unique_ptr<MeshEntry> body = nullptr;

    void SetUp() override {
        EnemyManagerTest::SetUp();
        gCamera.init();
        gInput = InputState{};
        body = sphereEntry(0.5f, 16);
        player.bodyMesh = body.get();
        player.character = std::make_unique<CharacterBase>();
        player.character->hitPoints = 3;
        player.character->transform.position = knight;
        player.deathAlpha = 255;
        player.enemyHooks = &manager.hooks;
    }
    void TearDown() override {
        player.bodyMesh = nullptr;
        EnemyManagerTest::TearDown();
    }
};

TEST_F(EnemyCombatTest, CombatStepMovesTheWaveAndTakesTheBlows) {
    // A kind-4 golem at the knight's feet (it never moves) and a later group far away.
    setTable(kEnemyITable, {entry(knight.x, knight.z + 0.3f, 4, 0), entry(knight.x + 9, knight.z, 1, 1)});
    manager.buildWave(&player.enemies, 4, 4);
    player.enemiesLeft = manager.enemyCount;
    slot = player.enemies;
    ASSERT_EQ(manager.enemyCount, 3);

    player.combatStep(false);
    EXPECT_EQ(enemy(0).active, 1);
    EXPECT_EQ(enemy(1).active, 0);
    EXPECT_EQ(enemy(2).active, 0);
    EXPECT_EQ(player.character->hitPoints, 2) << "the golem at his feet strikes";
    for (int f = 0; f < 90; ++f) player.combatStep(false);
    EXPECT_EQ(player.character->hitPoints, 2) << "he is protected for 91 frames";
    EXPECT_EQ(enemy(1).active, 1) << "group 1 came in the meantime";
    player.combatStep(false);
    EXPECT_EQ(player.character->hitPoints, 1);
}

}  // namespace
}  // namespace hc
