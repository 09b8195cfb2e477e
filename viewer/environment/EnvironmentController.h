#pragma once

#include "environment/EnvironmentSettings.h"
#include "water/MarisDrawable.h"

#include <osg/Camera>
#include <osg/Geode>
#include <osg/Group>
#include <osg/Matrixd>
#include <osg/TextureCubeMap>
#include <osg/Vec4f>
#include <osgGA/GUIEventHandler>

namespace osgKELVO {

class PlanarReflection;

// What surrounds the models: the background color, two fixed lights and, with water enabled, the
// sky and the sea with its reflection. Built once, at the first event.
class EnvironmentController : public osgGA::GUIEventHandler
{
public:
    // Node mask of the sea, and the reflection's cull mask that leaves it out of its own mirror.
    static const osg::Node::NodeMask seaNodeMask = 0x80000000u;
    static const osg::Node::NodeMask reflectionCullMask = 0x7FFFFFFFu;

    EnvironmentController(osg::Camera* camera, osg::Group* scene);

    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;

    const EnvironmentSettings& getSettings() const { return settings; }
    // Also gives the camera the background color.
    void setSettings(const EnvironmentSettings& value);

    void setBackgroundColor(float red, float green, float blue, float alpha);
    const osg::Vec4f& getBackgroundColor() const { return settings.backgroundColor; }

    bool getEnableWater() const { return settings.enableWater; }
    void setEnableWater(bool value) { settings.enableWater = value; }
    double getSeaState() const { return settings.seaState; }
    void setSeaState(double value) { settings.seaState = value; }
    double getWindDirection() const { return settings.windDirection; }
    void setWindDirection(double value) { settings.windDirection = value; }

    // The sea for a renderer that draws on the processor: a coarser grid and a smaller
    // reflection, which keep the demo interactive there. Takes effect when the water is built.
    static const int lightSeaGridResolution = 128;
    static const int lightReflectionSize = 256;
    void setLightWater(bool value) { lightWater = value; }

    bool isInitialized() const { return initialized; }
    // What the build made; null until then, and the water parts without enableWater.
    PlanarReflection* getReflectionCamera() const { return reflectionCamera.get(); }
    osg::Node* getSky() const { return sky.get(); }
    osg::TextureCubeMap* getSkyCubeMap() const { return skyCubeMap.get(); }
    osg::Geode* getSeaGeode() const { return seaGeode.get(); }
    osg::RefMatrixd* getEnvironmentMapRotation() const { return environmentMapRotation.get(); }
    MarisDrawable* getWaterDrawable() const { return waterDrawable.get(); }

    // The sky: a sphere around the eye textured with the cube map from "../Resources/Maris/",
    // drawn first and at the far plane. The cube map stays without images if any face is missing.
    static osg::ref_ptr<osg::Node> createSky(osg::ref_ptr<osg::TextureCubeMap>& cubeMap);

protected:
    ~EnvironmentController() override;

private:
    void build();
    void addLights();
    void addWater();

    bool initialized;
    bool lightWater;
    osg::ref_ptr<osg::Camera> camera;
    osg::ref_ptr<osg::Group> scene;
    EnvironmentSettings settings;

    osg::ref_ptr<PlanarReflection> reflectionCamera;
    osg::ref_ptr<osg::Node> sky;
    osg::ref_ptr<osg::TextureCubeMap> skyCubeMap;
    osg::ref_ptr<osg::Geode> seaGeode;
    osg::ref_ptr<osg::RefMatrixd> environmentMapRotation;
    osg::ref_ptr<MarisDrawable> waterDrawable;
};

} // namespace osgKELVO
