#pragma once

#include <Maris/Complex.h>

#include <cstdint>

namespace Maris {

class Allocator;
class ResourceLoader;

// What the optional IPP engine library ("MarisIPP") implements: half-spectrum complex-to-real
// inverse transforms with the same centring and scaling as the built-in CPU engine. The library
// exports the factory GetIFFTIPP, which builds the object with the allocator it is given.
class IFFTIPP
{
public:
    // Destroys the object and returns its memory to the allocator it was built with.
    virtual void Release() = 0;
    // width columns (the contiguous dimension; inputs carry width/2 + 1 of them) by height rows.
    virtual bool Setup(std::uint32_t width, std::uint32_t height, std::uint32_t count,
                       ResourceLoader* loader) = 0;
    virtual bool InverseTransform2D(const Complex* const* inputs, float* const* outputs,
                                    std::uint32_t count) = 0;

protected:
    ~IFFTIPP() = default;
};

using IFFTIPPFactory = IFFTIPP* (*)(Allocator* allocator);

} // namespace Maris
