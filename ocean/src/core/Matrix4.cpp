#include <Maris/Matrix4.h>

#include <cmath>

namespace Maris {

namespace {

// Determinant of the 3x3 minor that leaves out the given row and column.
double Minor(const double (&m)[4][4], int skipRow, int skipColumn)
{
    double sub[3][3];
    int r = 0;
    for (int row = 0; row < 4; ++row) {
        if (row == skipRow)
            continue;
        int c = 0;
        for (int column = 0; column < 4; ++column) {
            if (column == skipColumn)
                continue;
            sub[r][c++] = m[row][column];
        }
        ++r;
    }
    return sub[0][0] * (sub[1][1] * sub[2][2] - sub[1][2] * sub[2][1]) -
           sub[0][1] * (sub[1][0] * sub[2][2] - sub[1][2] * sub[2][0]) +
           sub[0][2] * (sub[1][0] * sub[2][1] - sub[1][1] * sub[2][0]);
}

double Cofactor(const double (&m)[4][4], int row, int column)
{
    const double minor = Minor(m, row, column);
    return (row + column) % 2 == 0 ? minor : -minor;
}

} // namespace

double Matrix4::Determinant() const
{
    double determinant = 0.0;
    for (int column = 0; column < 4; ++column)
        determinant += elem[0][column] * Cofactor(elem, 0, column);
    return determinant;
}

Matrix4 Matrix4::Inverse() const
{
    const double determinant = Determinant();
    Matrix4 inverse;
    if (std::fabs(determinant) < 1e-6)
        return inverse;
    // The inverse is the transposed cofactor matrix over the determinant.
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            inverse.elem[column][row] = Cofactor(elem, row, column) / determinant;
    return inverse;
}

} // namespace Maris
