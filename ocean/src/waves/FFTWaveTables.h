#pragma once

namespace Maris {

// Per-cell wave vector of the FFT grid (row r along y, column c along x).
struct FFTKVector
{
    float kx, ky;
    float length; // |k|
    float omega;  // dispersion, refreshed when depth or loop period change
    float ikx[2]; // i kx as a complex number (0, kx)
    float iky[2]; // i ky
    float unitX, unitY; // k / |k|, 0 at k = 0
};

// Per-cell constants of spectrum generation over the (Nx + 1) × (Ny + 1) grid.
struct FFTSpectrumEntry
{
    float k2;
    float omega;
    float omega5;
    float unitX, unitY;
    float inverseK4;
    float negativeInverseK2;
    float angle;    // atan2(-unitY, unitX)
    float jacobian; // (dω/dk) / |k| = sqrt(g / |k|) / (2 |k|): from S(ω) to S(k) per area
};

} // namespace Maris
