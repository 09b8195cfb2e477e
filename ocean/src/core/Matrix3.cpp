#include <Maris/Matrix3.h>

#include <cmath>

namespace Maris {

Matrix3 Matrix3::Inverse() const
{
    const double determinant = Determinant();
    Matrix3 inverse;
    if (std::fabs(determinant) < 1e-12)
        return inverse;
    const double (&m)[3][3] = elem;
    inverse.elem[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / determinant;
    inverse.elem[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / determinant;
    inverse.elem[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / determinant;
    inverse.elem[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / determinant;
    inverse.elem[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / determinant;
    inverse.elem[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / determinant;
    inverse.elem[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / determinant;
    inverse.elem[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / determinant;
    inverse.elem[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / determinant;
    return inverse;
}

} // namespace Maris
