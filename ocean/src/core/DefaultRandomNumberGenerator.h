#pragma once

#include <Maris/RandomNumberGenerator.h>

namespace Maris {

// Draws from the C runtime's rand, scaled to the range of the C runtime this library was first
// written for (0 to 32767), so every platform gives the same granularity.
class DefaultRandomNumberGenerator : public RandomNumberGenerator
{
public:
    double GetRandomNumber(double min, double max) override;
    // When max does not exceed min, min is the only answer.
    std::int32_t GetRandomInt(std::int32_t min, std::int32_t max) override;

private:
    static int Draw();
};

} // namespace Maris
