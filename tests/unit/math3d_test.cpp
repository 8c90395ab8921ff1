#include <gtest/gtest.h>

#include <cmath>

#include "platform/math3d.h"

namespace hc {
namespace {

constexpr float kPi = 3.14159265f;
constexpr float kTolerance = 1e-5f;

void expectVec(Vec3 actual, Vec3 expected) {
    EXPECT_NEAR(actual.x, expected.x, kTolerance);
    EXPECT_NEAR(actual.y, expected.y, kTolerance);
    EXPECT_NEAR(actual.z, expected.z, kTolerance);
}

void expectMatrix(const Matrix& actual, const Matrix& expected) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(actual.m[r][c], expected.m[r][c], kTolerance) << r << "," << c;
}

TEST(Math3d, IdentityHasOnesOnTheDiagonal) {
    Matrix m = Matrix::identity();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(m.m[r][c], r == c ? 1.0f : 0.0f);
}

TEST(Math3d, RowVectorsPutTranslationInTheFourthRowAndApplyTheLeftMatrixFirst) {
    Matrix t = matrixTranslation(1, 2, 3);
    EXPECT_EQ(t.m[3][0], 1.0f);
    EXPECT_EQ(t.m[3][1], 2.0f);
    EXPECT_EQ(t.m[3][2], 3.0f);
    // Scale then translate: (1,1,1) -> (2,2,2) -> (3,4,5). The other order would give (4,6,8).
    Matrix st = matrixMultiply(matrixScaling(2, 2, 2), t);
    expectVec(vec3TransformCoord({1, 1, 1}, st), {3, 4, 5});
    // Normals ignore the translation row.
    expectVec(vec3TransformNormal({1, 1, 1}, st), {2, 2, 2});
}

TEST(Math3d, RotationsTurnTheAxesTheLeftHandedWay) {
    struct Case {
        Matrix m;
        Vec3 in, out;
    } cases[] = {
        {matrixRotationX(kPi / 2), {0, 1, 0}, {0, 0, 1}},
        {matrixRotationX(kPi / 2), {0, 0, 1}, {0, -1, 0}},
        {matrixRotationY(kPi / 2), {0, 0, 1}, {1, 0, 0}},
        {matrixRotationY(kPi / 2), {1, 0, 0}, {0, 0, -1}},
        {matrixRotationZ(kPi / 2), {1, 0, 0}, {0, 1, 0}},
        {matrixRotationZ(kPi / 2), {0, 1, 0}, {-1, 0, 0}},
    };
    for (const Case& c : cases) expectVec(vec3TransformNormal(c.in, c.m), c.out);
}

TEST(Math3d, YawPitchRollRollsFirstThenPitchesThenYaws) {
    struct Case {
        float yaw, pitch, roll;
        Vec3 in, out;
    } cases[] = {
        // Roll takes +x to +y, and yaw about y leaves it there (yaw first would end at -z).
        {kPi / 2, 0, kPi / 2, {1, 0, 0}, {0, 1, 0}},
        // Pitch takes +y to +z, yaw then takes +z to +x (yaw first would leave +z).
        {kPi / 2, kPi / 2, 0, {0, 1, 0}, {1, 0, 0}},
        // Roll takes +y to -x, pitch leaves it, yaw takes -x to +z.
        {kPi / 2, kPi / 2, kPi / 2, {0, 1, 0}, {0, 0, 1}},
    };
    for (const Case& c : cases) {
        Matrix m = matrixRotationYawPitchRoll(c.yaw, c.pitch, c.roll);
        expectVec(vec3TransformNormal(c.in, m), c.out);
        Matrix composed = matrixMultiply(matrixMultiply(matrixRotationZ(c.roll), matrixRotationX(c.pitch)),
                                         matrixRotationY(c.yaw));
        expectMatrix(m, composed);
    }
}

TEST(Math3d, InverseUndoesTheTransformAndRefusesSingularMatrices) {
    Matrix m = matrixMultiply(matrixMultiply(matrixScaling(2, 4, 8), matrixRotationYawPitchRoll(0.3f, -1.1f, 2.0f)),
                              matrixTranslation(1, -2, 3));
    Matrix inv;
    ASSERT_TRUE(matrixInverse(m, inv));
    expectMatrix(matrixMultiply(m, inv), Matrix::identity());

    Matrix simple;
    ASSERT_TRUE(matrixInverse(matrixMultiply(matrixScaling(2, 4, 8), matrixTranslation(1, 2, 3)), simple));
    expectMatrix(simple, matrixMultiply(matrixTranslation(-1, -2, -3), matrixScaling(0.5f, 0.25f, 0.125f)));

    Matrix untouched = matrixTranslation(7, 7, 7);
    EXPECT_FALSE(matrixInverse(matrixScaling(1, 0, 1), untouched));
    expectMatrix(untouched, matrixTranslation(7, 7, 7));
}

TEST(Math3d, TransposeSwapsRowsAndColumns) {
    Matrix m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.m[r][c] = static_cast<float>(r * 4 + c);
    Matrix t = matrixTranspose(m);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(t.m[r][c], m.m[c][r]);
}

TEST(Math3d, PlaneTransformMultipliesThePlaneAsARowVector) {
    // The plane y = 0 moved up by 5: transform by the inverse transpose of the point transform.
    Matrix inv;
    ASSERT_TRUE(matrixInverse(matrixTranslation(0, 5, 0), inv));
    Plane p = planeTransform({0, 1, 0, 0}, matrixTranspose(inv));
    EXPECT_NEAR(p.a, 0, kTolerance);
    EXPECT_NEAR(p.b, 1, kTolerance);
    EXPECT_NEAR(p.c, 0, kTolerance);
    EXPECT_NEAR(p.d, -5, kTolerance);

    Matrix m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.m[r][c] = static_cast<float>(r * 4 + c + 1);
    Plane q = planeTransform({1, 2, 3, 4}, m);
    EXPECT_FLOAT_EQ(q.a, 1 * 1 + 2 * 5 + 3 * 9 + 4 * 13);
    EXPECT_FLOAT_EQ(q.b, 1 * 2 + 2 * 6 + 3 * 10 + 4 * 14);
    EXPECT_FLOAT_EQ(q.c, 1 * 3 + 2 * 7 + 3 * 11 + 4 * 15);
    EXPECT_FLOAT_EQ(q.d, 1 * 4 + 2 * 8 + 3 * 12 + 4 * 16);
}

TEST(Math3d, LookAtPutsTheTargetStraightAheadOnPositiveZ) {
    Matrix view = matrixLookAtLH({0, 1, -1}, {0, 0, 0}, {0, 0.1f, 0});
    expectVec(vec3TransformCoord({0, 0, 0}, view), {0, 0, std::sqrt(2.0f)});
    expectVec(vec3TransformCoord({0, 1, -1}, view), {0, 0, 0});
    // +x of the world stays to the right, the world's up tilts toward the camera's up.
    expectVec(vec3TransformNormal({1, 0, 0}, view), {1, 0, 0});
    EXPECT_GT(vec3TransformNormal({0, 1, 0}, view).y, 0.0f);
}

TEST(Math3d, PerspectiveMapsNearAndFarToDepthZeroAndOne) {
    Matrix p = matrixPerspectiveFovLH(kPi / 4, 16.0f / 9.0f, 1.0f, 100.0f);
    EXPECT_NEAR(p.m[1][1], 2.4142135f, kTolerance);
    EXPECT_NEAR(p.m[0][0], 2.4142135f / (16.0f / 9.0f), kTolerance);
    EXPECT_EQ(p.m[2][3], 1.0f);
    EXPECT_EQ(p.m[3][3], 0.0f);
    EXPECT_NEAR(vec3TransformCoord({0, 0, 1}, p).z, 0.0f, kTolerance);
    EXPECT_NEAR(vec3TransformCoord({0, 0, 100}, p).z, 1.0f, kTolerance);
    // The top edge of the picture at distance 10 is 10 * tan(pi/8) high.
    EXPECT_NEAR(vec3TransformCoord({0, 10 * std::tan(kPi / 8), 10}, p).y, 1.0f, kTolerance);
}

TEST(Math3d, NormalizeLeavesTheZeroVectorAlone) {
    expectVec(vec3Normalize({3, 0, 4}), {0.6f, 0, 0.8f});
    expectVec(vec3Normalize({0, 0, 0}), {0, 0, 0});
    expectVec(vec3Cross({1, 0, 0}, {0, 1, 0}), {0, 0, 1});
}

}  // namespace
}  // namespace hc
