#pragma once

#include <Maris/Vector3.h>

namespace Maris {

// Wind over all of the sea, or over an ellipsoidal region of it. Copied by value into the
// environment.
struct WindFetch
{
    // Speed in world units per second, direction in radians; both stored as given, a direction
    // beyond a full turn is reported because it usually means degrees were passed.
    void SetWind(double speed, double direction);
    // Confines the fetch to the inside of the ellipsoid with this centre and these radii.
    void SetLocalization(const Vector3& centre, const Vector3& radii);
    // Length of open water the wind blows over, in world units; 0 means not known.
    void SetFetchLength(double length);

    // The fetch's wind at a position: all zero outside (and on) a local fetch's ellipsoid. The
    // fetch length is the stored one, or else the distance from a local fetch's centre.
    void GetWindAtLocation(const Vector3& position, double& speed, double& direction,
                           double& fetch) const;

    bool global = true;
    Vector3 centre;
    Vector3 radii;
    double windSpeed = 0.0;
    double windDirection = 0.0;
    double fetchLength = 0.0;
};

} // namespace Maris
