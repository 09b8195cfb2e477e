#pragma once

#include <complex>

namespace Maris {

// One frequency-space coefficient as the wave models and FFT engines exchange it: two floats,
// real part first, laid out as the C float[2] that FFT libraries expect.
using Complex = std::complex<float>;

} // namespace Maris
