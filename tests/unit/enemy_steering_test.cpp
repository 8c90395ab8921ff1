#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "game/enemy_manager.h"

namespace hc {
namespace {

constexpr float kRadiansToDegrees = 57.295776f;

float groundDistance(Vec3 a, Vec3 b) { return std::hypot(a.x - b.x, a.z - b.z); }

// Golems walking on a knight who stands still, moved as the combat step and the game scene move them.
class EnemySteeringTest : public ::testing::Test {
protected:
    EnemyManager manager;
    EnemyBase* wave = nullptr;
    Vec3 knight{16, 0, 24};

    void TearDown() override { manager.release(&wave); }

    void setWave(const std::vector<EnemyBase>& enemies) {
        manager.wave = std::make_unique<EnemyBase[]>(enemies.size());
        std::copy(enemies.begin(), enemies.end(), manager.wave.get());
        manager.enemyCount = static_cast<std::int32_t>(enemies.size());
        wave = manager.wave.get();
    }
    static EnemyBase golem(float x, float z, std::int32_t kind) {
        EnemyBase e;
        e.transform.position = Vec3{x, 0, z};
        e.kind = kind;
        e.hitPoints = 3;
        e.fadeAlpha = 255;
        return e;
    }
    void frame() {
        manager.moveEnemies(wave, knight.x, knight.y, knight.z);
        applyMoves(nullptr, wave, manager.enemyCount);
    }
};

TEST_F(EnemySteeringTest, ACrowdOfFortyWalksInWithoutPilingUp) {
    // Forty golems of the three walking kinds, packed one unit apart, far from the knight.
    std::vector<EnemyBase> crowd;
    for (int i = 0; i < 40; ++i) crowd.push_back(golem(12.0f + (i % 8) + (i / 8) * 0.3f, 38.0f + (i / 8), i % 3));
    setWave(crowd);

    float closest = 100;
    float sharpestTurn = 0;
    std::vector<float> heading(40, 0);
    std::vector<bool> walked(40, false), arrived(40, false);
    for (int f = 0; f < 1200; ++f) {
        frame();
        for (int i = 0; i < 40; ++i) {
            const EnemyBase& a = wave[i];
            const bool walking = a.state == EnemyManager::kApproach;
            if (walking && walked[i])
                sharpestTurn = std::max(sharpestTurn, std::fabs(std::remainder(a.transform.rotation.y - heading[i], 360.0f)));
            heading[i] = a.transform.rotation.y;
            walked[i] = walking;
            arrived[i] = arrived[i] || !walking;
            if (!walking) continue;
            for (int j = i + 1; j < 40; ++j)
                if (wave[j].state == EnemyManager::kApproach)
                    closest = std::min(closest, groundDistance(a.transform.position, wave[j].transform.position));
        }
    }
    // Walkers part before they overlap (the push starts at 0.72, a golem is about a unit wide)...
    EXPECT_GT(closest, 0.45f);
    // ...swing round rather than snap from one heading to another (at most a fifth of a reversal)...
    EXPECT_LE(sharpestTurn, 36.0f);
    // ...and none is left stuck behind the others.
    EXPECT_EQ(std::count(arrived.begin(), arrived.end(), true), 40);
}

TEST_F(EnemySteeringTest, GolemsOnOneSpotPartSideways) {
    setWave({golem(10, 10, 0), golem(10, 10, 0)});
    for (int f = 0; f < 60; ++f) frame();
    EXPECT_GT(groundDistance(wave[0].transform.position, wave[1].transform.position), 0.72f);
}

TEST_F(EnemySteeringTest, RedAndHarmlessGolemsAreNeverTurned) {
    for (std::int32_t kind : {3, 6}) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        // A golem standing still (kind 4 never moves) right in the walker's path.
        setWave({golem(knight.x, knight.z + 12, kind), golem(knight.x, knight.z + 11.3f, 4)});
        for (int f = 0; f < 30; ++f) {
            frame();
            const float toKnight = std::atan2(knight.z - wave[0].transform.position.z,
                                              knight.x - wave[0].transform.position.x) *
                                   kRadiansToDegrees;
            ASSERT_NEAR(std::remainder(wave[0].transform.rotation.y - toKnight, 360.0f), 0, 1e-3);
        }
        // The push holds it off the one in its way.
        EXPECT_GT(groundDistance(wave[0].transform.position, wave[1].transform.position), 0.6f);
    }
}

TEST_F(EnemySteeringTest, WalkersGoRoundAGolemInTheirPath) {
    setWave({golem(knight.x, knight.z + 12, 0), golem(knight.x, knight.z + 10, 4)});
    float closest = 100;
    for (int f = 0; f < 200; ++f) {
        frame();
        closest = std::min(closest, groundDistance(wave[0].transform.position, wave[1].transform.position));
    }
    EXPECT_GT(closest, 0.6f);
    EXPECT_LT(wave[0].transform.position.z, knight.z + 9) << "it got past";
}

}  // namespace
}  // namespace hc
