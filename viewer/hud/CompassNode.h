#pragma once

#include <osg/Geode>
#include <osg/Matrixf>
#include <osg/ref_ptr>

namespace osgKELVO {

// The compass of the head-up display: the compass image on a quad centred on the local origin,
// turned through its texture matrix so that the image's top keeps pointing north on screen.
class CompassNode
{
public:
    static const char* imageFileName() { return "../Resources/Images/Compass.png"; }

    // The compass geode and, in size, the image width in pixels; null (with a warning) without image.
    static osg::ref_ptr<osg::Geode> create(int& size);

    // Texture matrix for a heading in radians from north (+y) towards east (+x): a turn of the
    // texture about its centre.
    static osg::Matrixf textureMatrix(float heading);
};

} // namespace osgKELVO
