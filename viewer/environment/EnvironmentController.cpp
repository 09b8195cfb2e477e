#include "environment/EnvironmentController.h"

#include "environment/MoveEarthySkyWithEyePointTransform.h"
#include "water/PlanarReflection.h"
#include "environment/TexMatCallback.h"

#include <osg/ClearNode>
#include <osg/Depth>
#include <osg/Light>
#include <osg/LightSource>
#include <osg/ShapeDrawable>
#include <osg/TexEnv>
#include <osg/TexGen>
#include <osg/TexMat>
#include <osgDB/ReadFile>
#include <osgDB/Registry>

#ifndef GL_TEXTURE_CUBE_MAP_SEAMLESS
#define GL_TEXTURE_CUBE_MAP_SEAMLESS 0x884F
#endif

namespace osgKELVO {

namespace {

const char* const skyDirectory = "../Resources/Maris/";
const double skyRadius = 30000.0;

osg::ref_ptr<osg::LightSource> lightSource(int number, const osg::Vec4& ambient,
                                           const osg::Vec4& diffuse, const osg::Vec4& position)
{
    osg::ref_ptr<osg::Light> light = new osg::Light(number);
    light->setAmbient(ambient);
    light->setDiffuse(diffuse);
    light->setPosition(position);
    osg::ref_ptr<osg::LightSource> source = new osg::LightSource;
    source->setLight(light);
    return source;
}

} // namespace

EnvironmentController::EnvironmentController(osg::Camera* cameraValue, osg::Group* sceneValue)
    : initialized(false),
      lightWater(false),
      camera(cameraValue),
      scene(sceneValue),
      // What a configuration without an environment leaves: a pale sky over a moderate sea.
      settings{osg::Vec4f(0.8f, 0.8f, 1.0f, 1.0f), false, 3.0, 250.0}
{
}

EnvironmentController::~EnvironmentController() = default;

void EnvironmentController::setSettings(const EnvironmentSettings& value)
{
    settings = value;
    camera->setClearColor(settings.backgroundColor);
}

void EnvironmentController::setBackgroundColor(float red, float green, float blue, float alpha)
{
    settings.backgroundColor.set(red, green, blue, alpha);
    camera->setClearColor(settings.backgroundColor);
}

bool EnvironmentController::handle(const osgGA::GUIEventAdapter&, osgGA::GUIActionAdapter&)
{
    // Everything is built once; afterwards no input changes the surroundings.
    if (!initialized)
        build();
    return false;
}

void EnvironmentController::build()
{
    addLights();
    camera->setClearColor(settings.backgroundColor);
    if (settings.enableWater)
        addWater();
    initialized = true;
}

void EnvironmentController::addLights()
{
    // A main light from above the -x, -y side and a weaker fill from the opposite side and below.
    const osg::Vec4 ambient(0.25f, 0.25f, 0.25f, 1.0f);
    scene->addChild(lightSource(0, ambient, osg::Vec4(0.4f, 0.4f, 0.4f, 1.0f),
                                osg::Vec4(-1.0f, -1.0f, 2.0f, 0.0f)));
    scene->addChild(lightSource(1, ambient, osg::Vec4(0.2f, 0.2f, 0.2f, 0.5f),
                                osg::Vec4(1.0f, 1.0f, -2.0f, -0.0f)));

    osg::StateSet* state = scene->getOrCreateStateSet();
    state->setMode(GL_LIGHTING, osg::StateAttribute::ON);
    state->setMode(GL_LIGHT0, osg::StateAttribute::ON);
    state->setMode(GL_LIGHT1, osg::StateAttribute::ON);
}

void EnvironmentController::addWater()
{
    if (scene->getNumParents() == 0) {
        OSG_WARN << "EnvironmentController: the scene group has no parent; no water added" << std::endl;
        return;
    }
    osg::Group* sceneRoot = scene->getParent(0);

    reflectionCamera = lightWater ? new PlanarReflection(camera.get(), lightReflectionSize)
                                  : new PlanarReflection(camera.get());
    reflectionCamera->setCullMask(reflectionCullMask);
    reflectionCamera->addChild(PlanarReflection::createMirroredScene(scene.get()));
    sceneRoot->addChild(reflectionCamera);

    sky = createSky(skyCubeMap);
    sceneRoot->addChild(sky);

    seaGeode = new osg::Geode;
    seaGeode->setNodeMask(seaNodeMask);
    environmentMapRotation = new osg::RefMatrixd;
    waterDrawable = new MarisDrawable(settings.seaState, settings.windDirection, skyCubeMap.get(),
                                      environmentMapRotation.get(), reflectionCamera->getTexture(),
                                      reflectionCamera->getTextureMatrix());
    if (lightWater)
        waterDrawable->setGridResolution(lightSeaGridResolution);
    seaGeode->addDrawable(waterDrawable.get());
    scene->addChild(seaGeode);
}

osg::ref_ptr<osg::Node> EnvironmentController::createSky(osg::ref_ptr<osg::TextureCubeMap>& cubeMap)
{
    cubeMap = new osg::TextureCubeMap;
    const char* const faceFiles[6] = {"posX.tga", "negX.tga", "posY.tga",
                                      "negY.tga", "posZ.tga", "negZ.tga"};
    const osg::TextureCubeMap::Face faces[6] = {
        osg::TextureCubeMap::POSITIVE_X, osg::TextureCubeMap::NEGATIVE_X,
        osg::TextureCubeMap::POSITIVE_Y, osg::TextureCubeMap::NEGATIVE_Y,
        osg::TextureCubeMap::POSITIVE_Z, osg::TextureCubeMap::NEGATIVE_Z};
    osg::ref_ptr<osg::Image> images[6];
    bool allRead = true;
    for (int i = 0; i < 6; ++i) {
        images[i] = osgDB::readRefImageFile(std::string(skyDirectory) + faceFiles[i],
                                            osgDB::Registry::instance()->getOptions());
        allRead = allRead && images[i].valid();
    }
    if (allRead) {
        for (int i = 0; i < 6; ++i)
            cubeMap->setImage(faces[i], images[i].get());
        cubeMap->setWrap(osg::Texture::WRAP_S, osg::Texture::CLAMP_TO_EDGE);
        cubeMap->setWrap(osg::Texture::WRAP_T, osg::Texture::CLAMP_TO_EDGE);
        cubeMap->setWrap(osg::Texture::WRAP_R, osg::Texture::CLAMP_TO_EDGE);
        cubeMap->setFilter(osg::Texture::MIN_FILTER, osg::Texture::LINEAR);
        cubeMap->setFilter(osg::Texture::MAG_FILTER, osg::Texture::LINEAR);
    }

    osg::ref_ptr<osg::StateSet> state = new osg::StateSet;
    osg::ref_ptr<osg::TexEnv> texEnv = new osg::TexEnv(osg::TexEnv::REPLACE);
    state->setTextureAttributeAndModes(0, texEnv, osg::StateAttribute::ON);
    osg::ref_ptr<osg::TexGen> texGen = new osg::TexGen;
    texGen->setMode(osg::TexGen::REFLECTION_MAP);
    state->setTextureAttributeAndModes(0, texGen, osg::StateAttribute::ON);
    // Rewritten during every cull, so it must not be shared with a draw still in flight.
    osg::ref_ptr<osg::TexMat> texMat = new osg::TexMat;
    texMat->setDataVariance(osg::Object::DYNAMIC);
    state->setTextureAttribute(0, texMat);
    state->setTextureAttributeAndModes(0, cubeMap, osg::StateAttribute::ON);
    state->setMode(GL_TEXTURE_CUBE_MAP_SEAMLESS, osg::StateAttribute::ON);
    state->setMode(GL_LIGHTING, osg::StateAttribute::OFF);
    state->setMode(GL_CULL_FACE, osg::StateAttribute::OFF);
    // Always drawn, and at the far plane, so everything else lies in front of it.
    osg::ref_ptr<osg::Depth> depth = new osg::Depth(osg::Depth::LESS, 0.0, 1.0, true);
    depth->setFunction(osg::Depth::ALWAYS);
    depth->setRange(1.0, 1.0);
    state->setAttributeAndModes(depth, osg::StateAttribute::ON);
    state->setRenderBinDetails(-1, "RenderBin");

    osg::ref_ptr<osg::ShapeDrawable> sphere =
        new osg::ShapeDrawable(new osg::Sphere(osg::Vec3(0.0f, 0.0f, 0.0f), skyRadius));
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->setCullingActive(false);
    geode->setStateSet(state);
    geode->addDrawable(sphere);

    osg::ref_ptr<MoveEarthySkyWithEyePointTransform> followEye = new MoveEarthySkyWithEyePointTransform;
    followEye->setCullingActive(false);
    followEye->addChild(geode);

    osg::ref_ptr<osg::ClearNode> clearNode = new osg::ClearNode;
    clearNode->setCullCallback(new TexMatCallback(*texMat));
    clearNode->addChild(followEye);
    return clearNode;
}

} // namespace osgKELVO
