#pragma once

#include <cmath>

namespace Maris {

// A direction or position in world units.
struct Vector3
{
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    Vector3() = default;
    Vector3(double xValue, double yValue, double zValue) : x(xValue), y(yValue), z(zValue) {}
    explicit Vector3(const double* values) : x(values[0]), y(values[1]), z(values[2]) {}

    Vector3 operator+(const Vector3& v) const { return Vector3(x + v.x, y + v.y, z + v.z); }
    Vector3 operator-(const Vector3& v) const { return Vector3(x - v.x, y - v.y, z - v.z); }
    Vector3 operator-() const { return Vector3(-x, -y, -z); }
    Vector3 operator*(double s) const { return Vector3(x * s, y * s, z * s); }
    bool operator==(const Vector3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const Vector3& v) const { return !(*this == v); }

    double Dot(const Vector3& v) const { return x * v.x + y * v.y + z * v.z; }
    Vector3 Cross(const Vector3& v) const
    {
        return Vector3(y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x);
    }
    double SquaredLength() const { return Dot(*this); }
    double Length() const { return std::sqrt(SquaredLength()); }
    // Leaves a zero vector unchanged.
    Vector3& Normalize()
    {
        const double squared = SquaredLength();
        if (squared > 0.0) {
            const double length = std::sqrt(squared);
            x /= length;
            y /= length;
            z /= length;
        }
        return *this;
    }
    Vector3 Normalized() const
    {
        Vector3 v(*this);
        return v.Normalize();
    }
};

} // namespace Maris
