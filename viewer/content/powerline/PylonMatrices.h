#pragma once

#include "content/powerline/PylonRecord.h"

#include <osg/Matrixd>

namespace osgKELVO {

// The placement matrices of the power line, in the scene graph's row-vector convention (a point is
// multiplied from the left, so the leftmost factor acts first). Angles are in gon and turn
// clockwise seen from the positive axis.
class PylonMatrices
{
public:
    static double gonToRadians(double gon);

    // Turned about y, then x, then z, then moved to position.
    static osg::Matrixd placement(const osg::Vec3d& position, double headingGon, double tiltXGon,
                                  double tiltYGon);

    // The pylon transform of a main record: its placement at the position less the offset.
    static osg::Matrixd pylon(const PylonRecord& main, const osg::Vec3d& offset);

    // Stretches a block modelled from z = 0 down to z = -1 so that it spans from `from` to `to`.
    static osg::Matrixd stretchedBetween(const osg::Vec3d& from, const osg::Vec3d& to);

    // The matrix of a block within its pylon's block frame.
    static osg::Matrixd block(const PylonRecord& record, bool mainRecord);
};

} // namespace osgKELVO
