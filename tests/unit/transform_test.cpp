#include <gtest/gtest.h>

#include <cstdlib>

#include "game/enemy_base.h"
#include "game/field_chip.h"
#include "game/transform.h"

namespace hc {
namespace {

TEST(Transform, QuarterTurnAboutYScalesOnlyTheDiagonal) {
    Transform t;
    t.rotation = {0, 90, 0};
    t.scale = {2, 2, 2};
    t.position = {3, 4, 5};
    Matrix m;
    t.toMatrix(m);
    const float expected[4][4] = {{0, 0, 1, 0}, {0, 2, 0, 0}, {-1, 0, 0, 0}, {3, 4, 5, 1}};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(m.m[r][c], expected[r][c], 1e-6f) << r << "," << c;
}

TEST(Transform, ZeroRotationIsExactScaling) {
    Transform t;
    t.scale = {0.7f, 1.75f, 8};
    Matrix m;
    t.toMatrix(m);
    EXPECT_EQ(m.m[0][0], 0.7f);
    EXPECT_EQ(m.m[1][1], 1.75f);
    EXPECT_EQ(m.m[2][2], 8.0f);
    EXPECT_EQ(m.m[0][1], 0.0f);
    EXPECT_EQ(m.m[2][0], -0.0f);
}

TEST(Transform, ThreeAxesMatchTheRotationProduct) {
    // Without scale the matrix is RotationZ(-z) * RotationX(-x) * RotationY(-y).
    Transform t;
    t.rotation = {30, 45, 60};
    Matrix m;
    t.toMatrix(m);
    const float k = 0.017453292f;
    Matrix expected = matrixMultiply(matrixMultiply(matrixRotationZ(-60 * k), matrixRotationX(-30 * k)),
                                     matrixRotationY(-45 * k));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(m.m[r][c], expected.m[r][c], 1e-5f) << r << "," << c;
}

TEST(FieldChip, EachConstructionDrawsTheNextRandomValue) {
    std::srand(1234);
    int first = std::rand() % 360;
    int second = std::rand() % 360;
    std::srand(1234);
    FieldChip a;
    FieldChip b;
    FieldChip copy = b;
    EXPECT_EQ(a.spin, first);
    EXPECT_EQ(b.spin, second);
    EXPECT_EQ(copy.spin, second);
    EXPECT_EQ(a.letter, 0);
}

TEST(ApplyMoves, MovesThePlayerAndLivingEnemiesOnly) {
    CharacterBase player;
    player.transform.position = {1, 0, 1};
    player.move = {0.5f, 0, -0.25f};

    EnemyBase enemies[3];
    enemies[0].hitPoints = 3;
    enemies[0].move = {1, 0, 0};
    enemies[1].hitPoints = 0;  // defeated: keeps its move
    enemies[1].move = {0, 0, 2};
    enemies[2].hitPoints = 1;
    enemies[2].kind = 5;
    enemies[2].counter = 7;

    applyMoves(&player, enemies, 3);

    EXPECT_FLOAT_EQ(player.transform.position.x, 1.5f);
    EXPECT_FLOAT_EQ(player.transform.position.z, 0.75f);
    EXPECT_EQ(player.move.x, 0.0f);
    EXPECT_EQ(player.move.z, 0.0f);

    EXPECT_FLOAT_EQ(enemies[0].transform.position.x, 1.0f);
    EXPECT_EQ(enemies[0].move.x, 0.0f);

    EXPECT_EQ(enemies[1].transform.position.z, 0.0f);
    EXPECT_EQ(enemies[1].move.z, 2.0f);

    EXPECT_EQ(enemies[2].counter, 0u);
}

TEST(ApplyMoves, OnlyKindFiveHasItsCounterCleared) {
    EnemyBase e;
    e.kind = 4;
    e.counter = 7;
    e.hitPoints = 0;
    applyMoves(nullptr, &e, 1);
    EXPECT_EQ(e.counter, 7u);
}

}  // namespace
}  // namespace hc
