#pragma once

#include <Maris/MemObject.h>

#include <cstdint>

namespace Maris {

// Source of the random draws for wake and spray particles; hosts may supply their own.
class RandomNumberGenerator : public MemObject
{
public:
    virtual ~RandomNumberGenerator();
    // Uniform in [min, max]; the bounds may come in either order.
    virtual double GetRandomNumber(double min, double max) = 0;
    // Uniform in [min, max - 1]; callers pass max > min.
    virtual std::int32_t GetRandomInt(std::int32_t min, std::int32_t max) = 0;
};

} // namespace Maris
