#include "game/enemy_base.h"

#include <gtest/gtest.h>

namespace hc {
namespace {

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
