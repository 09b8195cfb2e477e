#include "core/DefaultRandomNumberGenerator.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(DefaultRandomNumberGenerator, BoundsWithoutRoomAnswerTheLowerOneWithoutFailing)
{
    Maris::DefaultRandomNumberGenerator generator;
    EXPECT_EQ(generator.GetRandomNumber(2.5, 2.5), 2.5);
    EXPECT_EQ(generator.GetRandomInt(4, 4), 4);
    EXPECT_EQ(generator.GetRandomInt(9, 2), 9);
    // The width of the whole int range does not overflow into a fault.
    generator.GetRandomInt(INT32_MIN, INT32_MAX);
}
