#include "core/DefaultRandomNumberGenerator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

TEST(DefaultRandomNumberGenerator, NumbersSpreadOverTheirBoundsAndNoFurther)
{
    Maris::DefaultRandomNumberGenerator generator;
    std::srand(12345);
    // Swapped bounds are taken in order; integers never reach the upper bound.
    double lowest = 10.0, highest = -10.0;
    std::set<int> seen;
    for (int i = 0; i < 20000; ++i) {
        const double value = generator.GetRandomNumber(5.0, 1.0);
        ASSERT_GE(value, 1.0);
        ASSERT_LE(value, 5.0);
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
        const int integer = generator.GetRandomInt(-7, 3);
        ASSERT_GE(integer, -7);
        ASSERT_LT(integer, 3);
        seen.insert(integer);
    }
    EXPECT_LT(lowest, 1.01);
    EXPECT_GT(highest, 4.99);
    EXPECT_EQ(seen.size(), 10u);
}

TEST(DefaultRandomNumberGenerator, BoundsWithoutRoomAnswerTheLowerOneWithoutFailing)
{
    Maris::DefaultRandomNumberGenerator generator;
    EXPECT_EQ(generator.GetRandomNumber(2.5, 2.5), 2.5);
    EXPECT_EQ(generator.GetRandomInt(4, 4), 4);
    EXPECT_EQ(generator.GetRandomInt(9, 2), 9);
    // The width of the whole int range does not overflow into a fault.
    generator.GetRandomInt(INT32_MIN, INT32_MAX);
}
