#include "waves/SpectrumMath.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace Maris {

namespace {

const int tableSize = 100000;
float exponentialTable[tableSize];
std::once_flag tableBuilt;
bool sqrtApproximation = true;

} // namespace

void SpectrumMath::BuildExponentialTable()
{
    std::call_once(tableBuilt, [] {
        for (int n = 0; n < tableSize; ++n)
            exponentialTable[n] = static_cast<float>(std::exp(-n / 100000.0));
    });
}

float SpectrumMath::Exp(float x)
{
    if (x <= 0.0f) {
        const float scaled = -x * 100000.0f;
        if (scaled < static_cast<float>(tableSize)) {
            const int index = static_cast<int>(scaled);
            if (index >= 1 && index < tableSize)
                return exponentialTable[index];
        }
    }
    return std::exp(x);
}

float SpectrumMath::Sqrt(float x)
{
    if (!sqrtApproximation)
        return std::sqrt(x);
    // Halving the bits of 0 would give about 1e-19, not 0: a calm sea must stay flat.
    if (x <= 0.0f)
        return 0.0f;
    std::int32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    bits = (bits >> 1) + 0x1fc00000;
    float root;
    std::memcpy(&root, &bits, sizeof root);
    return root;
}

void SpectrumMath::SetSqrtApproximation(bool on)
{
    sqrtApproximation = on;
}

bool SpectrumMath::GetSqrtApproximation()
{
    return sqrtApproximation;
}

} // namespace Maris
