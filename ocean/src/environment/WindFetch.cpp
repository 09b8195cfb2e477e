#include <Maris/WindFetch.h>

#include <Maris/Message.h>

#include <cmath>

namespace Maris {

void WindFetch::SetWind(double speed, double direction)
{
    if (std::fabs(direction) > 6.2831853)
        Message("You passed in a direction greater than += 2*PI. While this is technically OK, are "
                "you sure you're passing in radians and not degrees?");
    windSpeed = speed;
    windDirection = direction;
}

void WindFetch::SetLocalization(const Vector3& centreValue, const Vector3& radiiValue)
{
    global = false;
    centre = centreValue;
    radii = radiiValue;
}

void WindFetch::SetFetchLength(double length)
{
    fetchLength = length;
}

void WindFetch::GetWindAtLocation(const Vector3& position, double& speed, double& direction,
                                  double& fetch) const
{
    double distance = 0.0;
    if (!global) {
        const Vector3 d = position - centre;
        const double inside = d.x * d.x / (radii.x * radii.x) + d.y * d.y / (radii.y * radii.y) +
                              d.z * d.z / (radii.z * radii.z);
        // Written as "not below" so that a degenerate ellipsoid (a zero radius) covers nothing.
        if (!(inside < 1.0)) {
            speed = 0.0;
            direction = 0.0;
            fetch = 0.0;
            return;
        }
        distance = d.Length();
    }
    speed = windSpeed;
    direction = windDirection;
    fetch = fetchLength > 0.0 ? fetchLength : distance;
}

} // namespace Maris
