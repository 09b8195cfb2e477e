#include "core/DefaultRandomNumberGenerator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

TEST(DefaultRandomNumberGenerator, NumbersStayWithinSwappedBoundsAndSpreadOverThem)
{
    Maris::DefaultRandomNumberGenerator generator;
    std::srand(12345);
    double lowest = 10.0;
    double highest = -10.0;
    for (int i = 0; i < 20000; ++i) {
        const double value = generator.GetRandomNumber(5.0, 1.0);
        ASSERT_GE(value, 1.0);
        ASSERT_LE(value, 5.0);
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
    }
    // Uniform over the whole range, not crowded into one part of it.
    EXPECT_LT(lowest, 1.01);
    EXPECT_GT(highest, 4.99);
}

TEST(DefaultRandomNumberGenerator, EqualBoundsGiveThatValue)
{
    Maris::DefaultRandomNumberGenerator generator;
    EXPECT_EQ(generator.GetRandomNumber(2.5, 2.5), 2.5);
}

TEST(DefaultRandomNumberGenerator, IntegersNeverReachTheUpperBound)
{
    Maris::DefaultRandomNumberGenerator generator;
    std::srand(777);
    std::set<int> seen;
    for (int i = 0; i < 20000; ++i) {
        const int value = generator.GetRandomInt(0, 10);
        ASSERT_GE(value, 0);
        ASSERT_LT(value, 10);
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), 10u);
}

TEST(DefaultRandomNumberGenerator, IntegersWithNegativeBounds)
{
    Maris::DefaultRandomNumberGenerator generator;
    std::srand(3);
    for (int i = 0; i < 5000; ++i) {
        const int value = generator.GetRandomInt(-7, -2);
        ASSERT_GE(value, -7);
        ASSERT_LE(value, -3);
    }
}

TEST(DefaultRandomNumberGenerator, BoundsWithoutRoomAnswerTheLowerOneWithoutFailing)
{
    Maris::DefaultRandomNumberGenerator generator;
    EXPECT_EQ(generator.GetRandomInt(4, 4), 4);
    EXPECT_EQ(generator.GetRandomInt(9, 2), 9);
    const int value = generator.GetRandomInt(INT32_MIN, INT32_MAX);
    EXPECT_GE(value, INT32_MIN);
}
