#pragma once

#include <Maris/Matrix3.h>
#include <Maris/Vector3.h>

namespace Maris {

class SprayPositionSource;

// The sea's local frame as the wave models, the wakes and the spray read it. The projected grid
// keeps it current each frame; the readers get this record and nothing else of the grid.
class SeaFrame
{
public:
    // Columns east, north, up: a world position times it, as a row vector, gives local axes.
    const Matrix3& GetBasis() const { return basis; }
    const Matrix3& GetInverseBasis() const { return inverseBasis; }
    // The axis the geocentric local frame is built from (the pole axis).
    const Vector3& GetReferenceAxis() const { return northPole; }
    const Vector3& GetNorthPole() const { return northPole; }
    bool HasBreakingWaves() const { return breakingWaves; }
    // Where the wave model finds breaking waves, when it can (null otherwise).
    SprayPositionSource* GetSprayPositionSource() const { return sprayPositionSource; }

protected:
    explicit SeaFrame(bool breaking) : breakingWaves(breaking) {}
    ~SeaFrame() = default;

    Matrix3 basis;
    Matrix3 inverseBasis;
    Vector3 northPole;
    bool breakingWaves;
    SprayPositionSource* sprayPositionSource = nullptr;
};

} // namespace Maris
