#pragma once

#include <osg/Camera>
#include <osg/Group>
#include <osg/MatrixTransform>
#include <osg/Vec3f>
#include <osgGA/GUIEventHandler>

namespace osgKELVO {

// The head-up display: help panel, legend, logo, compass and coordinate readout, drawn by a camera
// that renders after the scene in window pixel coordinates.
class OverlayController : public osgGA::GUIEventHandler
{
public:
    OverlayController(osg::Group* overlayRoot, osg::Camera* mainCamera);

    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;

    bool getUseGeoCoords() const { return useGeoCoords; }
    void setUseGeoCoords(bool value) { useGeoCoords = value; }
    const osg::Vec3f& getOffset() const { return offset; }
    void setOffset(const osg::Vec3f& value) { offset = value; }

protected:
    ~OverlayController() override;

private:
    bool initialised;
    osg::ref_ptr<osg::Group> overlayRoot;
    osg::ref_ptr<osg::Camera> mainCamera;
    bool useGeoCoords;
    osg::Vec3f offset;
};

} // namespace osgKELVO
