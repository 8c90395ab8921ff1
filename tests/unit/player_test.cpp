#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/camera.h"
#include "engine/input_state.h"
#include "engine/mesh_cache.h"
#include "engine/services.h"
#include "engine/sound_buffer.h"
#include "game/enemy_base.h"
#include "game/enemy_hooks.h"
#include "game/player.h"
#include "platform/headless/headless_device.h"
#include "platform/headless/headless_sound_device.h"
#include "test_platform.h"
#include "tests/support/working_folder.h"

namespace hc {
namespace {

constexpr std::uint32_t kCancel = padBit(Player::kCancelButton);
constexpr std::uint32_t kRightStick = padBit(PadButton::RightStick);

// The enemy side of the combat step as the enemy manager does it, with every call counted.
class FakeWave : public EnemyHooks {
public:
    std::vector<EnemyBase> enemies;
    MeshEntry* mesh = nullptr;
    bool attacksHit = false;
    int moves = 0;
    int hits = 0;
    std::int32_t lastDamage = 0;
    bool lastStrong = false;

    std::int32_t enemyCount() const override { return static_cast<std::int32_t>(enemies.size()); }
    MeshEntry* enemyMesh(MeshIndex) const override { return mesh; }
    void moveEnemies(EnemyBase*, float, float, float) override { ++moves; }
    bool enemyTakeHit(EnemyBase& enemy, const Vec3*, std::int32_t damage, bool strong) override {
        if (enemy.hitThisSwing) return false;
        ++hits;
        lastDamage = damage;
        lastStrong = strong;
        enemy.hitPoints = std::max(0, enemy.hitPoints - damage);
        enemy.counter = 1;
        return true;
    }
    bool enemyAttackTest(MeshEntry*, EnemyBase&, Vec3) override { return attacksHit; }

    EnemyBase& add(std::int32_t kind, Vec3 position, std::int32_t hitPoints) {
        EnemyBase e;
        e.kind = kind;
        e.active = 1;
        e.hitPoints = hitPoints;
        e.fadeAlpha = 255;
        e.transform.position = position;
        e.world = matrixTranslation(position.x, position.y, position.z);
        enemies.push_back(e);
        return enemies.back();
    }
};

// A mesh entry outside the cache (tests give it back themselves).
std::unique_ptr<MeshEntry> sphereEntry(float radius) {
    auto entry = std::make_unique<MeshEntry>();
    entry->mesh = Mesh::createSphere(*gDevice, radius, 16, 16);
    entry->materials.resize(1);
    entry->materialCount = 1;
    entry->textures.resize(1, nullptr);
    entry->referenceCount = 1;
    return entry;
}

class PlayerTest : public ::testing::Test {
protected:
    std::unique_ptr<Device> device;
    Player player;
    FakeWave wave;

    void SetUp() override {
        device = createHeadlessDevice();
        device->recording = false;
        gDevice = device.get();
        gCamera.init();
        gInput = InputState{};
        player.character = std::make_unique<CharacterBase>();
        player.character->hitPoints = 3;
        player.deathAlpha = 255.0f;
    }
    void TearDown() override {
        player.bodyMesh = player.leftFootMesh = player.rightFootMesh = nullptr;
        player.blade.handMesh = player.blade.bladeMesh = player.blade.emptyHandMesh = nullptr;
        player.firstHitSound = player.secondHitSound = nullptr;
        gInput = InputState{};
        gDevice = nullptr;
    }

    void attachWave() {
        player.enemies = wave.enemies.data();
        player.enemyHooks = &wave;
        player.enemiesLeft = wave.enemyCount();
    }
    // One frame as the game scene runs it, without walls: the move is applied at once.
    void frame(float lx = 0, float ly = 0, float rx = 0, float ry = 0, std::uint32_t held = 0, std::uint32_t pressed = 0,
               float z = 0) {
        player.update(held, pressed, lx, ly, rx, ry, z);
        applyMoves(player.character.get(), nullptr, 0);
    }
    int startsOf(std::int32_t action) const {
        const auto& h = player.blade.controller.history;
        return static_cast<int>(std::count(std::begin(h), std::end(h), action));
    }
};

TEST_F(PlayerTest, OneRequestPerFlick) {
    for (int i = 0; i < 40; ++i) frame(0, 0, 0, -700);
    EXPECT_EQ(startsOf(1), 1) << "a held stick asks once";
    frame();
    for (int i = 0; i < 40; ++i) frame(0, 0, 0, -700);
    EXPECT_EQ(startsOf(1), 2) << "back through the centre, the next flick asks again";
}

TEST_F(PlayerTest, EasingBackBelowThePeakReleasesTheLatch) {
    // The peak is the stick's magnitude just before the flick (200 here).
    frame(0, 0, 0, -200);
    for (int i = 0; i < 30; ++i) frame(0, 0, 0, -700);
    frame(0, 0, 0, -400);  // eased back, but not below the peak: still latched
    frame(0, 0, 0, -700);
    EXPECT_EQ(startsOf(1), 1);
    frame(0, 0, 0, -150);
    frame(0, 0, 0, -700);
    EXPECT_EQ(startsOf(1), 2);
}

TEST_F(PlayerTest, FlickDirectionChoosesTheAction) {
    struct Case {
        float rx, ry;
        std::uint32_t held, pressed;
        std::int32_t action;
    };
    const Case cases[] = {
        {0, -700, 0, 0, 1},                   // ahead (heading 0 faces +z, the stick's up)
        {-700, -700, 0, 0, 1},                // 45 degrees left: within 50 of the heading
        {-700, 0, 0, 0, 2},                   // 90 left
        {700, 0, 0, 0, 3},                    // 90 right
        {700, 700, 0, 0, 4},                  // 135 right, beyond 130: the turning cut
        {0, 700, 0, 0, 4},                    // behind
        {0, 0, kRightStick, kRightStick, 5},  // button 9 pressed with the stick centred
        {700, 0, kRightStick, 0, 3},          // button 9 held with a flick: the sweep that can queue the finisher
        {0, 700, kRightStick, 0, 0},          // ... but not behind the knight
    };
    for (const Case& c : cases) {
        Player p;
        p.character = std::make_unique<CharacterBase>();
        p.character->hitPoints = 3;
        p.update(c.held, c.pressed, 0, 0, c.rx, c.ry, 0);
        EXPECT_EQ(p.blade.controller.action, c.action) << c.rx << "," << c.ry;
    }
}

TEST_F(PlayerTest, WalkingSpeedAlongAxesAndDiagonals) {
    const float full = 0.052f;
    const float diagonal = 0.5f * 0.70710677f * full;
    struct Case {
        float lx, ly;
        float heading;
        float x, z;
    };
    const Case cases[] = {
        {0, -800, 0, 0, full},
        {800, 0, 90, full, 0},
        {-800, 0, -90, -full, 0},
        {0, 800, 180, 0, -full},
        {400, -400, 45, diagonal, diagonal},  // both components halved
        {-400, 400, -135, -diagonal, -diagonal},
        {0, -400, 0, 0, full / 2},  // half deflection
    };
    for (const Case& c : cases) {
        player.heading = player.targetHeading = c.heading;
        player.update(0, 0, c.lx, c.ly, 0, 0, 0);
        EXPECT_NEAR(player.character->move.x, c.x, 1e-5f) << c.lx << "," << c.ly;
        EXPECT_NEAR(player.character->move.z, c.z, 1e-5f) << c.lx << "," << c.ly;
    }
}

TEST_F(PlayerTest, TurningBodyEasesTowardTheStick) {
    frame(800, 0);  // from heading 0 toward 90: a fifth of the way
    EXPECT_NEAR(player.heading, 18.0f, 1e-4f);
    for (int i = 0; i < 60; ++i) frame();  // the stick released: the heading keeps easing and snaps
    EXPECT_EQ(player.heading, 90.0f);
}

TEST_F(PlayerTest, FollowCameraLooksAtTheBodyFromBehind) {
    player.character->transform.position = Vec3{4, 0.5f, 6};
    player.update(0, 0, 0, 0, 0, 0, 0);
    float pitch = (67.5f - 0.001f) * 0.017453292f;
    EXPECT_NEAR(gCamera.eye.x, 4.0f, 1e-4f);
    EXPECT_NEAR(gCamera.eye.y, 0.5f + std::sin(pitch) * 10.0f, 1e-4f);
    EXPECT_NEAR(gCamera.eye.z, 6.0f - std::cos(pitch) * 10.0f, 1e-4f);
    EXPECT_NEAR(gCamera.lookAt.y, 1.6f, 1e-5f);
    EXPECT_EQ(gCamera.lookAt.z, 6.0f);
}

TEST_F(PlayerTest, ThrustNarrowsTheViewAndHoldsTheBody) {
    frame(0, 0, 0, 0, kRightStick, kRightStick);
    ASSERT_EQ(player.blade.controller.action, ActionController::kThrust);
    EXPECT_EQ(player.cameraMode, Player::kActionView);
    for (int i = 0; i < 20; ++i) frame(0, -800);
    EXPECT_EQ(player.character->transform.position.z, 0.0f) << "the stick does not move the body";
    EXPECT_FLOAT_EQ(player.cameraDistance, 8.0f);
    EXPECT_FLOAT_EQ(player.cameraPitch, 40.0f);
    for (int i = 0; i < 20; ++i) frame(0, -800);
    EXPECT_GT(player.character->transform.position.z, 0.1f) << "handed back late in the recovery, it slides";
    for (int i = 0; i < 20; ++i) frame();
    EXPECT_FLOAT_EQ(player.cameraDistance, 10.0f);
    EXPECT_FLOAT_EQ(player.cameraPitch, 67.5f);
}

TEST_F(PlayerTest, StoryEventViewComesDownInFrontOfTheKnight) {
    struct Case {
        Vec3 body;
        float heading;
        Vec3 look;  // lookAt minus the body
    };
    const Case cases[] = {
        {Vec3{3, 0, 4}, 90.0f, Vec3{1, 1.15f, 0}},
        {Vec3{30, 0, 4}, 0.0f, Vec3{0, 1.15f, -1}},  // east of x 25 the camera comes from the other side
    };
    for (const Case& c : cases) {
        Player p;
        p.character = std::make_unique<CharacterBase>();
        p.character->hitPoints = 3;
        p.character->transform.position = c.body;
        p.heading = p.targetHeading = c.heading;
        p.bodyPitch = 5.0f;
        for (int i = 0; i < 17; ++i) {
            p.cameraMode = Player::kEventView;
            p.update(0, 0, 800, 0, 0, 0, 0);
            EXPECT_EQ(p.cameraMode, Player::kFollow) << "the view lasts one update each time it is set";
        }
        EXPECT_EQ(p.cameraPosture, Player::kPostureStageEnd);
        EXPECT_FLOAT_EQ(p.cameraDistance, 4.2f);
        EXPECT_FLOAT_EQ(p.cameraPitch, 34.0f);
        EXPECT_FLOAT_EQ(p.cameraYaw, c.heading);
        EXPECT_EQ(p.bodyPitch, 0.0f);
        EXPECT_EQ(p.heading, c.heading) << "the stick is not read";
        EXPECT_NEAR(gCamera.lookAt.x - c.body.x, c.look.x, 1e-4f);
        EXPECT_NEAR(gCamera.lookAt.y - c.body.y, c.look.y, 1e-4f);
        EXPECT_NEAR(gCamera.lookAt.z - c.body.z, c.look.z, 1e-4f);
    }
}

TEST_F(PlayerTest, FeetTakeTurnsWhileWalkingAndSettleAfter) {
    int changes = 0;
    bool foot = player.stepFoot;
    float highest = 0, lowest = 0;
    for (int i = 0; i < 180; ++i) {
        frame(0, -800);
        if (player.stepFoot != foot) ++changes;
        foot = player.stepFoot;
        highest = std::max({highest, player.leftFoot.y, player.rightFoot.y});
        lowest = std::min({lowest, player.leftFoot.y, player.rightFoot.y});
        EXPECT_LE(std::fabs(player.stride), 0.8f);
    }
    EXPECT_GE(changes, 4);
    EXPECT_GT(highest, 0.05f);
    EXPECT_LE(highest, 0.4f);
    EXPECT_GE(lowest, 0.0f);
    for (int i = 0; i < 300; ++i) frame();
    EXPECT_LT(std::fabs(player.leftFoot.z), 0.05f);
    EXPECT_LT(std::fabs(player.rightFoot.z), 0.05f);
}

TEST_F(PlayerTest, ZoomStopsWalkingAndAttacking) {
    for (int i = 0; i < 18; ++i) frame(800, 0, 0, -700, 0, 0, 450);
    EXPECT_EQ(player.character->transform.position.x, 0.0f);
    EXPECT_EQ(player.character->move.x, 0.0f);
    EXPECT_FALSE(player.blade.controller.running());
    EXPECT_EQ(player.cameraMode, Player::kActionView);
    EXPECT_FLOAT_EQ(player.cameraDistance, 450.0f / 900.0f * 6.0f + 17.5f);
    EXPECT_FLOAT_EQ(player.cameraPitch, 90.0f);
    frame(0, 0, 0, 0, 0, 0, 900);
    EXPECT_FLOAT_EQ(player.cameraDistance, 23.5f) << "after the easing the distance follows the trigger";
    frame();
    EXPECT_EQ(player.cameraMode, Player::kFollow);
    for (int i = 0; i < 17; ++i) frame();
    EXPECT_FLOAT_EQ(player.cameraDistance, 10.0f);
    EXPECT_FLOAT_EQ(player.cameraPitch, 67.5f);
}

TEST_F(PlayerTest, RegenerationOnlyInFollowAndActionViews) {
    struct Case {
        const char* name;
        float z;
        std::int32_t hitPoints;
        std::int32_t forcedMode;
        float gauge;
    };
    const Case cases[] = {
        {"follow", 0, 3, 0, 2.0f},
        {"zoom", 450, 3, 0, 2.0f},
        {"dead", 0, 0, 0, 0.0f},
        {"story event", 0, 3, Player::kEventView, 0.0f},
    };
    for (const Case& c : cases) {
        Player p;
        p.character = std::make_unique<CharacterBase>();
        p.character->hitPoints = c.hitPoints;
        for (int i = 0; i < 600; ++i) {
            if (c.forcedMode) p.cameraMode = c.forcedMode;
            p.update(0, 0, 0, 0, 0, 0, c.z);
            if (i == 58) {
                EXPECT_EQ(p.gauge, 0.0f) << c.name;
            }
        }
        EXPECT_NEAR(p.gauge, c.gauge, 1e-4f) << c.name;
    }
}

TEST_F(PlayerTest, DeathCutsTheActionOffWithoutCost) {
    for (float gauge : {0.0f, 100.0f}) {
        Player p;
        p.character = std::make_unique<CharacterBase>();
        p.character->hitPoints = 3;
        p.update(0, 0, 0, 0, 0, -700, 0);
        for (int i = 0; i < 3; ++i) p.update(0, 0, 0, 0, 0, 0, 0);
        ASSERT_EQ(p.blade.controller.phase, 2);
        p.gauge = gauge;
        p.character->hitPoints = 0;
        p.update(0, 0, 0, 0, 0, 0, 0);
        EXPECT_FALSE(p.blade.controller.running()) << gauge;
        EXPECT_EQ(p.gauge, gauge);
        EXPECT_EQ(p.cameraMode, Player::kDead);
    }
}

TEST_F(PlayerTest, CancelLeavesAGhost) {
    player.gauge = 100;
    frame(0, 0, 0, -700);
    frame();
    frame();
    ASSERT_EQ(player.blade.controller.phase, 2);
    frame(0, 0, 0, 0, 0, kCancel);
    EXPECT_FALSE(player.blade.controller.running());
    EXPECT_EQ(player.ghostCounter, 1u);
    EXPECT_FLOAT_EQ(player.gauge, 70.0f);
}

TEST_F(PlayerTest, EnemyHitsAreSpacedByTheInvincibility) {
    wave.attacksHit = true;
    wave.add(0, Vec3{5, 0, 5}, 3);
    attachWave();
    player.combatStep(false);
    EXPECT_EQ(player.character->hitPoints, 2);
    for (int i = 0; i < 90; ++i) player.combatStep(false);
    EXPECT_EQ(player.character->hitPoints, 2) << "protected for 91 frames";
    player.combatStep(false);
    EXPECT_EQ(player.character->hitPoints, 1);
    for (int i = 0; i < 400; ++i) player.combatStep(false);
    EXPECT_EQ(player.character->hitPoints, 0);
    EXPECT_EQ(player.result, Player::kPlayerDead);
    EXPECT_EQ(player.cameraMode, Player::kDead);
}

TEST_F(PlayerTest, ClearingTheWaveScoresOrHeals) {
    struct Case {
        std::int32_t hitPoints;
        std::int32_t score;
        std::int32_t hitPointsAfter;
    };
    const Case cases[] = {{3, 10000 + 500, 3}, {2, 10000, 3}, {1, 10000, 2}};
    for (const Case& c : cases) {
        FakeWave w;
        w.add(Blade::kLargeEnemyKind, Vec3{0, 0, 0}, 1);
        Player p;
        p.character = std::make_unique<CharacterBase>();
        p.character->hitPoints = c.hitPoints;
        p.enemies = w.enemies.data();
        p.enemyHooks = &w;
        p.enemiesLeft = 1;
        std::int32_t score = 0;
        gInput.rightStickY = -700;
        for (int i = 0; i < 30; ++i) {
            score += p.combatStep(false);
            gInput.rightStickY = 0;
        }
        EXPECT_EQ(score, c.score) << "hit points " << c.hitPoints;
        EXPECT_EQ(p.character->hitPoints, c.hitPointsAfter);
        EXPECT_EQ(p.enemiesLeft, 0);
        EXPECT_EQ(p.result, Player::kWaveCleared);
        EXPECT_FLOAT_EQ(p.gauge, 1.0f) << "the large enemy's hit value is 1";
    }
}

TEST_F(PlayerTest, DamageKnockBackAndScoreFollowTheAction) {
    auto mesh = sphereEntry(1.0f);
    struct Case {
        std::int32_t action;
        std::int32_t damage;
        bool strong;
        std::int32_t score;
    };
    const Case cases[] = {
        {1, 1, false, 100},
        {2, 1, false, 80},
        {3, 1, false, 80},
        {4, 1, false, 100},
        {5, 1, true, 80},
        {9, 1, false, 120},
        {10, 2, true, 160},
    };
    for (const Case& c : cases) {
        FakeWave w;
        w.mesh = mesh.get();
        // A round enemy around the knight's hand, where every strike passes.
        w.add(0, Vec3{0.073f, 1.0f, 0.414f}, c.damage);
        Player p;
        p.character = std::make_unique<CharacterBase>();
        p.character->hitPoints = 3;
        p.enemies = w.enemies.data();
        p.enemyHooks = &w;
        p.enemiesLeft = 2;  // one more to go: no clear bonus
        ActionController& ctl = p.blade.controller;
        ctl.action = c.action;
        ctl.phase = 2;
        ctl.counter = 2;
        ctl.flags = ActionController::kHolding;
        std::int32_t score = p.combatStep(false);
        EXPECT_EQ(w.hits, 1) << "action " << c.action;
        EXPECT_EQ(w.lastDamage, c.damage) << "action " << c.action;
        EXPECT_EQ(w.lastStrong, c.strong) << "action " << c.action;
        EXPECT_EQ(score, c.score) << "action " << c.action;
        EXPECT_EQ(p.enemiesLeft, 1);
        EXPECT_FLOAT_EQ(p.gauge, 10.0f);
    }
    mesh.reset();
}

TEST_F(PlayerTest, OneHitPerSwingAndScoreOnlyForTheDefeat) {
    auto mesh = sphereEntry(1.0f);
    wave.mesh = mesh.get();
    wave.add(0, Vec3{0.073f, 1.0f, 0.414f}, 3);
    attachWave();
    std::int32_t score = 0;
    gInput.rightStickY = -700;
    for (int i = 0; i < 30; ++i) {
        score += player.combatStep(false);
        gInput.rightStickY = 0;
    }
    EXPECT_EQ(wave.hits, 1);
    EXPECT_EQ(wave.enemies[0].hitPoints, 2);
    EXPECT_EQ(score, 0) << "a hit that does not defeat scores nothing";
    EXPECT_EQ(wave.enemies[0].hitThisSwing, 0) << "cleared once the swing is over";
    gInput.rightStickY = -700;
    player.combatStep(false);
    gInput.rightStickY = 0;
    for (int i = 0; i < 30; ++i) player.combatStep(false);
    EXPECT_EQ(wave.hits, 2);
}

TEST_F(PlayerTest, FrozenStepIgnoresThePadAndTheEnemies) {
    wave.add(0, Vec3{5, 0, 5}, 3);
    wave.attacksHit = true;
    attachWave();
    gInput.rightStickY = -700;
    gInput.leftStickX = 800;
    EXPECT_EQ(player.combatStep(true), 0);
    EXPECT_FALSE(player.blade.controller.running());
    EXPECT_EQ(player.character->move.x, 0.0f);
    EXPECT_EQ(wave.moves, 0);
    EXPECT_EQ(player.character->hitPoints, 3);
    EXPECT_EQ(player.result, Player::kRunning);
    player.enemiesLeft = 0;
    player.combatStep(true);
    EXPECT_EQ(player.result, Player::kWaveCleared);
}

TEST_F(PlayerTest, HitScoreOfTheSpinAndFinisherFallsWithTheChain) {
    struct Case {
        std::int32_t action;
        std::uint32_t chain;
        std::int32_t kind;
        std::int32_t score;
        std::uint32_t chainAfter;
    };
    const Case cases[] = {
        {9, 0, 0, 120, 1},
        {9, 1, 0, 60, 2},
        {9, 6, 0, 17, 7},
        {10, 0, 0, 160, 1},
        {10, 2, 0, 53, 3},
        {1, 5, 0, 100, 5},
        {9, 3, 7, 10000, 4},
        {2, 0, 7, 10000, 0},
    };
    for (const Case& c : cases) {
        player.blade.controller.action = c.action;
        player.hitChain = c.chain;
        EXPECT_EQ(player.hitScore(c.kind), c.score) << c.action << " chain " << c.chain;
        EXPECT_EQ(player.hitChain, c.chainAfter);
    }
}

// A silent buffer that remembers what was done to it.
class FakeAudio : public AudioBuffer {
public:
    std::uint32_t position = 0;
    int plays = 0, stops = 0, rewinds = 0;
    void play() override { ++plays; }
    void stop() override { ++stops; }
    void setCurrentPosition(std::uint32_t bytes) override {
        position = bytes;
        ++rewinds;
    }
    std::uint32_t currentPosition() override { return position; }
    bool playing() override { return plays > 0; }
};

TEST_F(PlayerTest, HitSoundsLayerWhenTheFirstIsStillSounding) {
    for (std::uint32_t position : {0u, 4000u}) {
        SoundBuffer first, second;
        auto firstAudio = std::make_unique<FakeAudio>();
        auto secondAudio = std::make_unique<FakeAudio>();
        FakeAudio* a = firstAudio.get();
        FakeAudio* b = secondAudio.get();
        a->position = position;
        first.buffer = std::move(firstAudio);
        second.buffer = std::move(secondAudio);
        player.firstHitSound = &first;
        player.secondHitSound = &second;
        player.playHitSounds();
        EXPECT_EQ(a->plays, 1) << position;
        EXPECT_EQ(a->rewinds, position != 0 ? 1 : 0) << position;
        EXPECT_EQ(b->plays, position != 0 ? 1 : 0) << position;
        EXPECT_EQ(b->rewinds, 0) << "the second sound resumes where it stood";
        player.firstHitSound = player.secondHitSound = nullptr;
    }
}

std::vector<std::uint32_t> textureFactors(const Device& device) {
    std::vector<std::uint32_t> values;
    for (const DeviceCall& call : device.calls)
        if (call.kind == CallKind::SetRenderState && call.a == static_cast<std::uint32_t>(RenderState::TextureFactor))
            values.push_back(call.value);
    return values;
}

TEST_F(PlayerTest, DrawShowsInvincibilityAndTheCancelGhost) {
    auto body = sphereEntry(0.5f);
    auto foot = sphereEntry(0.1f);
    player.bodyMesh = body.get();
    player.leftFootMesh = player.rightFootMesh = foot.get();
    device->recording = true;

    player.draw();
    EXPECT_TRUE(textureFactors(*device).empty()) << "a plain draw";

    device->calls.clear();
    player.character->counter = 5;
    player.draw();
    auto factors = textureFactors(*device);
    ASSERT_EQ(factors.size(), 3u) << "body and both feet";
    for (auto f : factors) EXPECT_EQ(f, 96u << 24);

    device->calls.clear();
    player.character->counter = 0;
    player.ghostCounter = 1;
    player.draw();
    factors = textureFactors(*device);
    ASSERT_FALSE(factors.empty());
    EXPECT_EQ(factors[0], (106u << 24) | 0x00FFFFFFu);
    for (int i = 0; i < 5; ++i) player.draw();
    EXPECT_EQ(player.ghostCounter, 0u) << "six frames of after-image";

    auto hand = sphereEntry(0.1f);
    auto shell = sphereEntry(0.05f);
    player.blade.handMesh = hand.get();
    player.blade.bladeMesh = shell.get();
    device->calls.clear();
    player.draw();
    EXPECT_EQ(textureFactors(*device).size(), 4u) << "the blade's glow shell";
    device->calls.clear();
    player.cameraMode = Player::kEventView;
    player.draw();
    EXPECT_TRUE(textureFactors(*device).empty()) << "no blade during the story event";
}

TEST_F(PlayerTest, DeadKnightTipsOverThenFades) {
    player.character->hitPoints = 0;
    player.update(0, 0, 0, 0, 0, 0, 0);
    ASSERT_EQ(player.cameraMode, Player::kDead);
    for (int i = 0; i < 29; ++i) player.draw();
    EXPECT_FLOAT_EQ(player.bodyPitch, -87.0f);
    player.draw();
    EXPECT_FLOAT_EQ(player.bodyPitch, -90.0f);
    EXPECT_FLOAT_EQ(player.deathAlpha, 255.0f);
    for (int i = 0; i < 169; ++i) player.draw();
    EXPECT_FLOAT_EQ(player.deathAlpha, 1.5f);
    player.draw();
    EXPECT_FLOAT_EQ(player.deathAlpha, 0.0f);
    player.draw();
    EXPECT_FLOAT_EQ(player.deathAlpha, 0.0f);
}

class PlayerLoadTest : public ::testing::Test {
protected:
    test::ScopedTestPlatform scoped;
    std::unique_ptr<Device> device;
    std::unique_ptr<SoundDevice> sound;

    void SetUp() override {
        device = createHeadlessDevice();
        device->recording = false;
        gDevice = device.get();
        sound = createHeadlessSoundDevice(scoped.platform.manualClock);
        gSoundDevice = sound.get();
    }
    void TearDown() override {
        gSoundDevice = nullptr;
        gDevice = nullptr;
    }
};

TEST_F(PlayerLoadTest, LoadsTheKnightAndGivesEverythingBack) {
    const char* runtime = std::getenv("HC_RUNTIME_DIR");
    if (!runtime) GTEST_SKIP() << "HC_RUNTIME_DIR not set";
    testsupport::WorkingFolder inRuntime(runtime);
    Player player;
    player.gauge = 50;
    ASSERT_TRUE(player.init(2, 0, 7));
    EXPECT_TRUE(scoped.platform.messages.empty());
    ASSERT_TRUE(player.character);
    EXPECT_EQ(player.character->hitPoints, 3);
    EXPECT_EQ(player.character->transform.position.z, 7.0f);
    EXPECT_EQ(player.lastStep.x, 2.0f);
    EXPECT_EQ(player.deathAlpha, 255.0f);
    EXPECT_EQ(player.gauge, 0.0f);
    EXPECT_EQ(player.blade.lights.count, 6);
    EXPECT_TRUE(device->lightEnabled(12));
    player.release();
    EXPECT_EQ(MeshCache::size(), 0u);
    EXPECT_EQ(soundCacheSize(), 0u);
    EXPECT_FALSE(player.character);
}

TEST_F(PlayerLoadTest, MissingDataFailsTheStart) {
    auto empty = std::filesystem::temp_directory_path() / "hollowcrest_player_test_empty";
    std::filesystem::create_directories(empty);
    testsupport::WorkingFolder inEmpty(empty);
    Player player;
    EXPECT_FALSE(player.init(0, 0, 0));
    EXPECT_FALSE(scoped.platform.messages.empty()) << "the cache reports the missing file";
    EXPECT_FALSE(player.character);
    player.release();
    EXPECT_EQ(MeshCache::size(), 0u);
    EXPECT_EQ(soundCacheSize(), 0u);
}

}  // namespace
}  // namespace hc
