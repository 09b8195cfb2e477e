#pragma once

#include <Maris/Vector3.h>

namespace Maris {

// A burst of wake spray to start at the next wake-manager update.
struct WakeSprayRequest
{
    Vector3 position;
    bool ownDirection = false; // use direction, else the up vector
    Vector3 direction;
    double speed = 0.0;
    double time = 0.0;
    double size = 0.0;
    float transparency = 0.5f;
    double positionVariance = 0.0;
};

} // namespace Maris
