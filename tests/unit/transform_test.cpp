#include "game/transform.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace hc
