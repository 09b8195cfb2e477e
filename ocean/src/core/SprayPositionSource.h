#pragma once

#include <Maris/Containers.h>
#include <Maris/Vector3.h>

namespace Maris {

// Where waves break this frame: points in the local coordinates of one wave tile (x and y across
// the tile, z the height). The FFT water model is one; the spray manager repeats its points over
// the tiles around the camera.
class SprayPositionSource
{
public:
    virtual const Vector<Vector3>& GetSprayPositions() = 0;

protected:
    ~SprayPositionSource() = default;
};

} // namespace Maris
