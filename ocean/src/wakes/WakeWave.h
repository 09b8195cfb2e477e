#pragma once

#include <Maris/Vector3.h>

#include <cstdint>

namespace Maris {

class WakeSource;

// One ring of a wake: it expands from where its source was when it was emitted, its amplitude
// falling with the radius; with a source that has propeller wash, a wash trail runs from the ring
// to the source. Lengths and speeds in world units, times in seconds.
struct WakeWave
{
    double amplitude = 0.0;       // current
    double expansionSpeed = 0.0;  // radius growth per second
    double wavelength = 1.0;
    double birthTime = 0.0;
    Vector3 position;             // ring centre
    Vector3 propellerPosition;
    Vector3 deltaPosition;        // towards the previous drawn ring of the source (draw list only)
    double radius = 0.0;          // current
    double sizeA = 0.0;           // source length
    double sizeB = 0.0;           // source beam; also the starting radius
    double washWidth = 0.0;       // current
    double maximumRadius = 0.0;
    std::uint32_t number = 0;     // sequence number within its source
    bool persistent = false;      // never ages, has no wash
    WakeSource* source = nullptr; // may be none
};

} // namespace Maris
