#pragma once

#include <Maris/Vector3.h>

namespace Maris {

// A 3x3 matrix stored row by row.
struct Matrix3
{
    double elem[3][3];

    Matrix3() { MakeIdentity(); }
    // Nine values, row by row.
    explicit Matrix3(const double* values)
    {
        for (int i = 0; i < 9; ++i)
            elem[i / 3][i % 3] = values[i];
    }

    void MakeIdentity()
    {
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column)
                elem[row][column] = row == column ? 1.0 : 0.0;
    }
    static Matrix3 Identity() { return Matrix3(); }

    const double* Pointer() const { return &elem[0][0]; }
    double* Pointer() { return &elem[0][0]; }

    Matrix3 operator*(const Matrix3& m) const
    {
        Matrix3 product;
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column) {
                double sum = 0.0;
                for (int k = 0; k < 3; ++k)
                    sum += elem[row][k] * m.elem[k][column];
                product.elem[row][column] = sum;
            }
        return product;
    }
    // Matrix times column vector.
    Vector3 operator*(const Vector3& v) const
    {
        return Vector3(elem[0][0] * v.x + elem[0][1] * v.y + elem[0][2] * v.z,
                       elem[1][0] * v.x + elem[1][1] * v.y + elem[1][2] * v.z,
                       elem[2][0] * v.x + elem[2][1] * v.y + elem[2][2] * v.z);
    }
    bool operator==(const Matrix3& m) const
    {
        for (int i = 0; i < 9; ++i)
            if (Pointer()[i] != m.Pointer()[i])
                return false;
        return true;
    }

    Matrix3 Transposed() const
    {
        Matrix3 t;
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column)
                t.elem[row][column] = elem[column][row];
        return t;
    }
    double Determinant() const
    {
        return elem[0][0] * (elem[1][1] * elem[2][2] - elem[1][2] * elem[2][1]) -
               elem[0][1] * (elem[1][0] * elem[2][2] - elem[1][2] * elem[2][0]) +
               elem[0][2] * (elem[1][0] * elem[2][1] - elem[1][1] * elem[2][0]);
    }
    // The identity when the matrix is singular.
    Matrix3 Inverse() const;
};

} // namespace Maris
