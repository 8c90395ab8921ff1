#include "game/field_chip.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace hc {
namespace {

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

}  // namespace
}  // namespace hc
