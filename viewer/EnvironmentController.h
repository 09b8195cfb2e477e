#pragma once

#include <osg/Camera>
#include <osg/Group>
#include <osg/Vec4f>
#include <osgGA/GUIEventHandler>

namespace osgKELVO {

// What surrounds the models: the background colour, two fixed lights and, with water enabled, the
// sky and the sea with its reflection.
class EnvironmentController : public osgGA::GUIEventHandler
{
public:
    EnvironmentController(osg::Camera* camera, osg::Group* scene);

    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;

    void setBackgroundColor(float red, float green, float blue, float alpha);
    const osg::Vec4f& getBackgroundColor() const { return backgroundColor; }

    bool getEnableWater() const { return enableWater; }
    void setEnableWater(bool value) { enableWater = value; }
    double getSeaState() const { return seaState; }
    void setSeaState(double value) { seaState = value; }
    double getWindDirection() const { return windDirection; }
    void setWindDirection(double value) { windDirection = value; }

protected:
    ~EnvironmentController() override;

private:
    bool initialised;
    osg::ref_ptr<osg::Camera> camera;
    osg::ref_ptr<osg::Group> scene;
    osg::Vec4f backgroundColor;
    bool enableWater;
    double seaState;
    double windDirection;
};

} // namespace osgKELVO
