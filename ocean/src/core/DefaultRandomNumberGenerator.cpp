#include "core/DefaultRandomNumberGenerator.h"

#include <cstdint>
#include <cstdlib>
#include <utility>

namespace Maris {

namespace {

const int drawMaximum = 32767;

} // namespace

int DefaultRandomNumberGenerator::Draw()
{
    // glibc's rand reaches 2^31 - 1; its high bits are the better ones.
    return static_cast<int>(static_cast<long long>(std::rand()) * (drawMaximum + 1) /
                            (static_cast<long long>(RAND_MAX) + 1));
}

double DefaultRandomNumberGenerator::GetRandomNumber(double min, double max)
{
    if (max < min)
        std::swap(min, max);
    return min + (max - min) * (Draw() / static_cast<double>(drawMaximum));
}

std::int32_t DefaultRandomNumberGenerator::GetRandomInt(std::int32_t min, std::int32_t max)
{
    if (max <= min)
        return min;
    // In 64 bits, so the span of two extreme bounds does not overflow.
    const std::int64_t span = static_cast<std::int64_t>(max) - min;
    return static_cast<std::int32_t>(min + Draw() % span);
}

} // namespace Maris
