#pragma once

namespace Maris {

// Fast exponentials and square roots for spectrum generation, which evaluates them for every
// coefficient whenever wind or settings change. Both are process-wide and set up before use.
class SpectrumMath
{
public:
    // Builds T[n] = exp(-n / 100000), n = 0..99999, once per process.
    static void BuildExponentialTable();
    // exp(x) for x <= 0 from the table when the index trunc(-x * 100000) lies in 1..99999,
    // otherwise (and for x > 0) the library exponential.
    static float Exp(float x);
    // With the approximation switched on (fft-use-sqrt-approximation, on by default), the root is
    // taken by halving the float's bit pattern: i = (i >> 1) + 0x1fc00000.
    static float Sqrt(float x);
    static void SetSqrtApproximation(bool on);
    static bool GetSqrtApproximation();

    SpectrumMath() = delete;
};

} // namespace Maris
