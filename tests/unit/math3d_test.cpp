#include <gtest/gtest.h>

#include "platform/math3d.h"

namespace hc {
namespace {

TEST(Math3d, IdentityHasOnesOnTheDiagonal) {
    Matrix m = Matrix::identity();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(m.m[r][c], r == c ? 1.0f : 0.0f);
}

}  // namespace
}  // namespace hc
