// The bot's wall map and its way around walls.
#include <gtest/gtest.h>

#include "tools/gamedrive/bot_grid.h"

namespace hc {
namespace {

// A 10 x 10 floor with a wall across z = 5 from its west margin to x = 7: the way from the south to the north
// side goes round its east end.
BotGrid wallGrid() {
    BotGrid g;
    g.reset(0, 0, 9, 9);
    for (int x = -1; x <= 7; ++x) g.block(x, 5);
    return g;
}

TEST(BotGrid, CellsOutsideTheFloorAndItsMarginAreBlocked) {
    BotGrid g = wallGrid();
    EXPECT_FALSE(g.blocked(-1, -1));  // the margin round the floor
    EXPECT_TRUE(g.blocked(-2, 0));
    EXPECT_TRUE(g.blocked(0, 11));
    EXPECT_TRUE(g.blocked(3, 5));
    EXPECT_FALSE(g.blocked(8, 5));
}

TEST(BotGrid, PathGoesRoundTheWallWithoutCuttingCorners) {
    BotGrid g = wallGrid();
    auto path = g.path({2, 2}, {2, 8});
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), (BotGrid::Cell{2, 2}));
    EXPECT_EQ(path.back(), (BotGrid::Cell{2, 8}));
    bool passedEnd = false;
    for (std::size_t i = 0; i < path.size(); ++i) {
        EXPECT_FALSE(g.blocked(path[i].x, path[i].z));
        if (path[i].z == 5) passedEnd = path[i].x >= 8;
        if (i == 0) continue;
        int dx = path[i].x - path[i - 1].x, dz = path[i].z - path[i - 1].z;
        EXPECT_LE(std::abs(dx), 1);
        EXPECT_LE(std::abs(dz), 1);
        if (dx != 0 && dz != 0) {  // a diagonal step past a blocked corner would clip the wall
            EXPECT_FALSE(g.blocked(path[i - 1].x + dx, path[i - 1].z));
            EXPECT_FALSE(g.blocked(path[i - 1].x, path[i - 1].z + dz));
        }
    }
    EXPECT_TRUE(passedEnd);
}

TEST(BotGrid, ClosedOffTargetHasNoPathAndTheWaypointStays) {
    BotGrid g;
    g.reset(0, 0, 9, 9);
    for (int x = -1; x <= 10; ++x) g.block(x, 5);
    EXPECT_TRUE(g.path({2, 2}, {2, 8}).empty());
    BotGrid::Point w = g.waypoint({2.0f, 2.0f}, {2.0f, 8.0f}, 0.35f);
    EXPECT_FLOAT_EQ(w.x, 2.0f);
    EXPECT_FLOAT_EQ(w.z, 2.0f);
}

TEST(BotGrid, WaypointIsTheTargetOnAClearLineAndAPathCellBehindAWall) {
    BotGrid g = wallGrid();
    BotGrid::Point open = g.waypoint({2.0f, 2.0f}, {6.0f, 3.0f}, 0.35f);
    EXPECT_FLOAT_EQ(open.x, 6.0f);
    EXPECT_FLOAT_EQ(open.z, 3.0f);

    EXPECT_FALSE(g.clearLine({2.0f, 2.0f}, {2.0f, 8.0f}, 0.35f));
    BotGrid::Point round = g.waypoint({2.0f, 2.0f}, {2.0f, 8.0f}, 0.35f);
    EXPECT_GE(round.x, 8.0f);  // toward the gap at the east end
    EXPECT_TRUE(g.clearLine({2.0f, 2.0f}, round, 0.35f));
}

TEST(BotGrid, ABodyGrazingAWallCornerIsNotClear) {
    BotGrid g = wallGrid();
    // Along z = 4.4 the body's radius reaches into the wall row at z = 5.
    EXPECT_FALSE(g.clearLine({1.0f, 4.4f}, {6.0f, 4.4f}, 0.35f));
    EXPECT_TRUE(g.clearLine({1.0f, 4.0f}, {6.0f, 4.0f}, 0.35f));
}

TEST(BotGrid, AnAbsurdlyLargeFloorGivesNoMapRatherThanAHugeOne) {
    BotGrid g;
    g.reset(-100000000, -100000000, 100000000, 100000000);
    EXPECT_TRUE(g.empty());
    EXPECT_FALSE(g.blocked(0, 0));
}

TEST(BotGrid, AnEmptyMapBlocksNothing) {
    BotGrid g;
    g.clear();
    EXPECT_TRUE(g.empty());
    EXPECT_FALSE(g.blocked(100, 100));
    EXPECT_TRUE(g.clearLine({0, 0}, {50, 50}, 0.35f));
    BotGrid::Point w = g.waypoint({0, 0}, {5, 5}, 0.35f);
    EXPECT_FLOAT_EQ(w.x, 5.0f);
}

}  // namespace
}  // namespace hc
