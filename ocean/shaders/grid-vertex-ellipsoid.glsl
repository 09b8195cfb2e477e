// Geocentric worlds: positions are relative to the camera; the rays meet the ellipsoid of the
// sea, or its tangent plane under the camera while the camera is low.
uniform vec3 radii;
uniform vec3 oneOverRadii;
uniform vec3 northPole;
uniform vec3 north;
uniform vec3 east;
uniform vec3 referenceLocation;
uniform float planarHeight;
uniform float planarAdjust;

vec3 worldPosition(vec3 position) { return position + cameraPos; }
vec3 seaUp(vec3 position)
{
    vec3 p = (position + cameraPos) * oneOverRadii * oneOverRadii;
    return normalize(p);
}
// Coordinates reduced near the camera, so that single precision suffices for the wave phases.
vec2 localCoordinates(vec3 position)
{
    vec3 reduced = referenceLocation + position;
    // At the poles the camera's east is undefined; build one from the pole axis there.
    vec2 local = (basis * reduced).xy;
    if (dot(east, east) < 0.5 || dot(north, north) < 0.5) {
        vec3 eastward;
        vec3 northward;
        vec3 up = seaUp(position);
        eastward = cross(northPole, up);
        if (dot(eastward, eastward) < 1e-8)
            eastward = vec3(1.0, 0.0, 0.0);
        eastward = normalize(eastward);
        northward = cross(up, eastward);
        local = vec2(dot(eastward, reduced), dot(northward, reduced));
    }
    return local;
}

bool intersectEllipsoid(vec3 origin, vec3 direction, out vec3 hit)
{
    vec3 o = (origin + cameraPos) * oneOverRadii;
    vec3 d = direction * oneOverRadii;
    float a = dot(d, d);
    float b = 2.0 * dot(o, d);
    float c = dot(o, o) - 1.0;
    float discriminant = b * b - 4.0 * a * c;
    if (discriminant < 0.0)
        return false;
    float root = sqrt(discriminant);
    float t = (-b - root) / (2.0 * a);
    if (t < 0.0)
        t = (-b + root) / (2.0 * a);
    if (t < 0.0)
        return false;
    hit = origin + direction * t;
    return true;
}

vec3 seaPoint(vec2 screen)
{
    vec4 nearPoint = invModelviewProj * vec4(screen, -1.0, 1.0);
    vec4 farPoint = invModelviewProj * vec4(screen, 1.0, 1.0);
    vec3 origin = nearPoint.xyz / nearPoint.w;
    vec3 direction = farPoint.xyz / farPoint.w - origin;

    // The tangent plane under the camera: its normal, and the camera's height above it.
    vec3 planeHit = origin;
    bool onPlane = false;
    float denominator = dot(plane.xyz, direction);
    if (denominator != 0.0) {
        float t = -(dot(plane.xyz, origin) + plane.w) / denominator;
        if (t > 0.0) {
            planeHit = origin + direction * t;
            onPlane = true;
        }
    }
    vec3 ellipsoidHit;
    bool onEllipsoid = intersectEllipsoid(origin, direction, ellipsoidHit);
    float altitude = plane.w;
    float planar = clamp((planarHeight + planarAdjust - altitude) / max(planarAdjust, 1e-3),
                         0.0, 1.0);
    if (onEllipsoid && onPlane)
        return mix(ellipsoidHit, planeHit, planar);
    if (onEllipsoid)
        return ellipsoidHit;
    if (onPlane && planar > 0.0)
        return planeHit;
    // Past the horizon: towards the horizon along the ray's own heading.
    vec3 up = normalize(cameraPos * oneOverRadii * oneOverRadii);
    vec3 level = normalize(direction - up * dot(up, direction));
    float horizon = sqrt(max(2.0 * abs(altitude) * length(radii) * 0.57735, 1.0));
    return level * horizon - up * abs(altitude);
}

float cameraHeight() { return plane.w; }
