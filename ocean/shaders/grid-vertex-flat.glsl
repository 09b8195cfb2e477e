// Flat worlds: the grid's rays meet the plane of the sea.
vec3 worldPosition(vec3 position) { return position; }
vec3 seaUp(vec3 position) { return plane.xyz; }
vec2 localCoordinates(vec3 position) { return (basis * position).xy; }

// The sea point seen through a screen position. Rays that pass above the horizon end on the sea
// far away in their own direction, so the grid closes up to the horizon.
vec3 seaPoint(vec2 screen)
{
    vec4 nearPoint = invModelviewProj * vec4(screen, -1.0, 1.0);
    vec4 farPoint = invModelviewProj * vec4(screen, 1.0, 1.0);
    vec3 origin = nearPoint.xyz / nearPoint.w;
    vec3 direction = farPoint.xyz / farPoint.w - origin;
    float above = dot(plane.xyz, origin) + plane.w;
    float denominator = dot(plane.xyz, direction);
    if (denominator != 0.0) {
        float t = -above / denominator;
        if (t > 0.0)
            return origin + direction * t;
    }
    vec3 foot = cameraPos - plane.xyz * (dot(plane.xyz, cameraPos) + plane.w);
    vec3 level = direction - plane.xyz * denominator;
    if (dot(level, level) < 1e-12)
        level = invBasis * vec3(0.0, 1.0, 0.0);
    return foot + normalize(level) * 1.0e7;
}

float cameraHeight() { return dot(plane.xyz, cameraPos) + plane.w; }
