#include "content/powerline/PylonMatrices.h"

#include <osg/Math>

namespace osgKELVO {

double PylonMatrices::gonToRadians(double gon)
{
    return gon * 2.0 * osg::PI / 400.0;
}

osg::Matrixd PylonMatrices::placement(const osg::Vec3d& position, double headingGon, double tiltXGon,
                                      double tiltYGon)
{
    return osg::Matrixd::rotate(-gonToRadians(tiltYGon), osg::Vec3d(0.0, 1.0, 0.0)) *
           osg::Matrixd::rotate(-gonToRadians(tiltXGon), osg::Vec3d(1.0, 0.0, 0.0)) *
           osg::Matrixd::rotate(-gonToRadians(headingGon), osg::Vec3d(0.0, 0.0, 1.0)) *
           osg::Matrixd::translate(position);
}

osg::Matrixd PylonMatrices::pylon(const PylonRecord& main, const osg::Vec3d& offset)
{
    return placement(main.position - offset, main.headingGon, main.tiltXGon, main.tiltYGon);
}

osg::Matrixd PylonMatrices::stretchedBetween(const osg::Vec3d& from, const osg::Vec3d& to)
{
    const osg::Vec3d span = to - from;
    const double length = span.length();
    if (length == 0.0)
        return osg::Matrixd::scale(1.0, 1.0, 0.0) * osg::Matrixd::translate(from);
    // lookAt makes the view direction the -z axis of the eye frame, so its inverse carries a block's
    // -z axis from `from` towards `to`. A vertical span (an insulator string hanging straight down)
    // is parallel to the usual up vector and would leave the frame undefined; the block frame's y
    // axis then serves as up, which keeps the block's x and y axes where they were.
    const bool vertical = span.x() == 0.0 && span.y() == 0.0;
    const osg::Vec3d up = vertical ? osg::Vec3d(0.0, 1.0, 0.0) : osg::Vec3d(0.0, 0.0, 1.0);
    return osg::Matrixd::scale(1.0, 1.0, length) *
           osg::Matrixd::inverse(osg::Matrixd::lookAt(from, to, up));
}

osg::Matrixd PylonMatrices::block(const PylonRecord& record, bool mainRecord)
{
    if (mainRecord)
        return osg::Matrixd::identity();
    if (record.target != osg::Vec3d(0.0, 0.0, 0.0))
        return stretchedBetween(record.position, record.target);
    return placement(record.position, record.headingGon, record.tiltXGon, record.tiltYGon);
}

} // namespace osgKELVO
