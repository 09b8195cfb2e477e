#pragma once

#include <Maris/Vector3.h>

namespace Maris {

// A 4x4 matrix in the host scene graph's layout: points are row vectors multiplied from the left
// (p' = p * M), so the translation sits in elements 12 to 14 of the 16 stored values.
struct Matrix4
{
    double elem[4][4];

    Matrix4() { MakeIdentity(); }
    // Sixteen values in storage order.
    explicit Matrix4(const double* values)
    {
        for (int i = 0; i < 16; ++i)
            elem[i / 4][i % 4] = values[i];
    }

    void MakeIdentity()
    {
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 4; ++column)
                elem[row][column] = row == column ? 1.0 : 0.0;
    }
    static Matrix4 Identity() { return Matrix4(); }
    static Matrix4 Zero()
    {
        Matrix4 m;
        for (int i = 0; i < 16; ++i)
            m.Pointer()[i] = 0.0;
        return m;
    }
    static Matrix4 Translation(const Vector3& offset)
    {
        Matrix4 m;
        m.elem[3][0] = offset.x;
        m.elem[3][1] = offset.y;
        m.elem[3][2] = offset.z;
        return m;
    }

    const double* Pointer() const { return &elem[0][0]; }
    double* Pointer() { return &elem[0][0]; }

    // this * m: applies this matrix first, then m.
    Matrix4 operator*(const Matrix4& m) const
    {
        Matrix4 product;
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 4; ++column) {
                double sum = 0.0;
                for (int k = 0; k < 4; ++k)
                    sum += elem[row][k] * m.elem[k][column];
                product.elem[row][column] = sum;
            }
        return product;
    }
    bool operator==(const Matrix4& m) const
    {
        for (int i = 0; i < 16; ++i)
            if (Pointer()[i] != m.Pointer()[i])
                return false;
        return true;
    }
    bool operator!=(const Matrix4& m) const { return !(*this == m); }

    // The row vector (p, w) times this matrix; out receives four values.
    void Transform(const Vector3& p, double w, double out[4]) const
    {
        for (int column = 0; column < 4; ++column)
            out[column] = p.x * elem[0][column] + p.y * elem[1][column] + p.z * elem[2][column] +
                          w * elem[3][column];
    }
    // A point through this matrix, divided by the resulting w (left undivided when w is 0).
    Vector3 TransformPoint(const Vector3& p) const
    {
        double out[4];
        Transform(p, 1.0, out);
        if (out[3] != 0.0)
            return Vector3(out[0] / out[3], out[1] / out[3], out[2] / out[3]);
        return Vector3(out[0], out[1], out[2]);
    }

    Vector3 GetTranslation() const { return Vector3(elem[3][0], elem[3][1], elem[3][2]); }
    void SetTranslation(const Vector3& t)
    {
        elem[3][0] = t.x;
        elem[3][1] = t.y;
        elem[3][2] = t.z;
    }

    double Determinant() const;
    // General inverse by cofactors; the identity when the absolute determinant is below 1e-6.
    Matrix4 Inverse() const;
};

} // namespace Maris
