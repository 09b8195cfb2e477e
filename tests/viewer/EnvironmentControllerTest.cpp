#include "environment/EnvironmentController.h"
#include <IdleActionAdapter.h>
#include "environment/MoveEarthySkyWithEyePointTransform.h"
#include "water/PlanarReflection.h"
#include "environment/TexMatCallback.h"

#include <osg/ClearNode>
#include <osg/ClipNode>
#include <osg/Depth>
#include <osg/FrontFace>
#include <osg/LightSource>
#include <osg/MatrixTransform>
#include <osg/ShapeDrawable>
#include <osg/TexEnv>
#include <osg/TexGen>
#include <osg/TexMat>

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#ifndef GL_TEXTURE_CUBE_MAP_SEAMLESS
#define GL_TEXTURE_CUBE_MAP_SEAMLESS 0x884F
#endif

namespace {

// The roots the application builds: "SceneRoot" holding "Scene", with one model in it.
class EnvironmentControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sceneRoot->setName("SceneRoot");
        scene->setName("Scene");
        sceneRoot->addChild(scene);
        scene->addChild(model);
        controller = new osgKELVO::EnvironmentController(camera.get(), scene.get());
    }

    bool sendEvent()
    {
        osg::ref_ptr<osgGA::GUIEventAdapter> event = new osgGA::GUIEventAdapter;
        event->setEventType(osgGA::GUIEventAdapter::FRAME);
        kelvotest::IdleActionAdapter actions;
        return controller->handle(*event, actions);
    }

    template <typename T>
    static std::vector<T*> childrenOfType(osg::Group* group)
    {
        std::vector<T*> found;
        for (unsigned i = 0; i < group->getNumChildren(); ++i)
            if (T* child = dynamic_cast<T*>(group->getChild(i)))
                found.push_back(child);
        return found;
    }

    osg::ref_ptr<osg::Camera> camera = new osg::Camera;
    osg::ref_ptr<osg::Group> sceneRoot = new osg::Group;
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    osg::ref_ptr<osg::Geode> model = new osg::Geode;
    osg::ref_ptr<osgKELVO::EnvironmentController> controller;
};

// Runs the test body with the working directory in the staged Bin (sky faces found) or elsewhere.
class WorkingDirectory
{
public:
    explicit WorkingDirectory(const std::string& path) : previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ~WorkingDirectory() { std::filesystem::current_path(previous); }

private:
    std::filesystem::path previous;
};

void expectLight(const osg::LightSource* source, int number, const osg::Vec4& ambient,
                 const osg::Vec4& diffuse, const osg::Vec4& position)
{
    ASSERT_NE(source, nullptr);
    const osg::Light* light = source->getLight();
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->getLightNum(), number);
    EXPECT_EQ(light->getAmbient(), ambient);
    EXPECT_EQ(light->getDiffuse(), diffuse);
    EXPECT_EQ(light->getPosition(), position);
}

} // namespace

TEST_F(EnvironmentControllerTest, DefaultsAndBackgroundColorTakeEffectAtOnce)
{
    EXPECT_FALSE(controller->getEnableWater());
    EXPECT_EQ(controller->getSeaState(), 3.0);
    EXPECT_EQ(controller->getWindDirection(), 250.0);
    EXPECT_EQ(controller->getBackgroundColor(), osg::Vec4f(0.8f, 0.8f, 1.0f, 1.0f));
    controller->setBackgroundColor(0.1f, 0.2f, 0.3f, 1.0f);
    EXPECT_EQ(camera->getClearColor(), osg::Vec4(0.1f, 0.2f, 0.3f, 1.0f));
    EXPECT_FALSE(controller->isInitialized());
    EXPECT_EQ(scene->getNumChildren(), 1u);
}

TEST_F(EnvironmentControllerTest, WithoutWaterTwoLightsAndNothingElse)
{
    camera->setClearColor(osg::Vec4(0.0f, 0.0f, 0.0f, 1.0f));
    EXPECT_FALSE(sendEvent());
    EXPECT_TRUE(controller->isInitialized());

    const std::vector<osg::LightSource*> lights = childrenOfType<osg::LightSource>(scene.get());
    ASSERT_EQ(lights.size(), 2u);
    EXPECT_EQ(scene->getNumChildren(), 3u);
    EXPECT_EQ(scene->getChild(0), model.get());
    expectLight(lights[0], 0, osg::Vec4(0.25f, 0.25f, 0.25f, 1.0f), osg::Vec4(0.4f, 0.4f, 0.4f, 1.0f),
                osg::Vec4(-1.0f, -1.0f, 2.0f, 0.0f));
    expectLight(lights[1], 1, osg::Vec4(0.25f, 0.25f, 0.25f, 1.0f), osg::Vec4(0.2f, 0.2f, 0.2f, 0.5f),
                osg::Vec4(1.0f, 1.0f, -2.0f, 0.0f));

    const osg::StateSet* state = scene->getStateSet();
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->getMode(GL_LIGHTING), osg::StateAttribute::ON);
    EXPECT_EQ(state->getMode(GL_LIGHT0), osg::StateAttribute::ON);
    EXPECT_EQ(state->getMode(GL_LIGHT1), osg::StateAttribute::ON);
    EXPECT_EQ(camera->getClearColor(), osg::Vec4(0.8f, 0.8f, 1.0f, 1.0f));

    EXPECT_EQ(sceneRoot->getNumChildren(), 1u);
    EXPECT_EQ(controller->getReflectionCamera(), nullptr);
    EXPECT_EQ(controller->getSky(), nullptr);
    EXPECT_EQ(controller->getSeaGeode(), nullptr);

    // Built once: later events add nothing.
    EXPECT_FALSE(sendEvent());
    EXPECT_FALSE(sendEvent());
    EXPECT_EQ(scene->getNumChildren(), 3u);
}

TEST_F(EnvironmentControllerTest, ConfigurationWrittenBeforeTheFirstEventIsWhatGetsBuilt)
{
    controller->setEnableWater(true);
    controller->setEnableWater(false);
    sendEvent();
    controller->setEnableWater(true);
    sendEvent();
    EXPECT_EQ(sceneRoot->getNumChildren(), 1u);
}

TEST_F(EnvironmentControllerTest, WithWaterReflectionSkyAndSeaTakeTheirPlaces)
{
    WorkingDirectory bin(KELVO_BIN_DIR_FOR_TESTS);
    controller->setEnableWater(true);
    sendEvent();

    // Under "SceneRoot": the scene, then the reflection camera, then the sky.
    ASSERT_EQ(sceneRoot->getNumChildren(), 3u);
    EXPECT_EQ(sceneRoot->getChild(0), scene.get());
    osgKELVO::PlanarReflection* reflection =
        dynamic_cast<osgKELVO::PlanarReflection*>(sceneRoot->getChild(1));
    ASSERT_NE(reflection, nullptr);
    EXPECT_EQ(reflection, controller->getReflectionCamera());
    EXPECT_EQ(reflection->getCullMask(), 0x7FFFFFFFu);

    // Its only child: the scene mirrored in z = 0, reversed winding, clipped above the water.
    ASSERT_EQ(reflection->getNumChildren(), 1u);
    osg::MatrixTransform* mirror = dynamic_cast<osg::MatrixTransform*>(reflection->getChild(0));
    ASSERT_NE(mirror, nullptr);
    EXPECT_EQ(mirror->getMatrix(), osg::Matrixd::scale(1.0, 1.0, -1.0));
    ASSERT_NE(mirror->getStateSet(), nullptr);
    const osg::FrontFace* frontFace =
        dynamic_cast<const osg::FrontFace*>(mirror->getStateSet()->getAttribute(osg::StateAttribute::FRONTFACE));
    ASSERT_NE(frontFace, nullptr);
    EXPECT_EQ(frontFace->getMode(), osg::FrontFace::CLOCKWISE);
    ASSERT_EQ(mirror->getNumChildren(), 1u);
    osg::ClipNode* clip = dynamic_cast<osg::ClipNode*>(mirror->getChild(0));
    ASSERT_NE(clip, nullptr);
    ASSERT_EQ(clip->getNumClipPlanes(), 1u);
    EXPECT_EQ(clip->getClipPlane(0)->getClipPlaneNum(), 0u);
    EXPECT_EQ(clip->getClipPlane(0)->getClipPlane(), osg::Vec4d(0.0, 0.0, 1.0, 0.0));
    ASSERT_EQ(clip->getNumChildren(), 1u);
    EXPECT_EQ(clip->getChild(0), scene.get());

    // The sky: clear node, eye-following transform, geode with the big sphere.
    osg::ClearNode* sky = dynamic_cast<osg::ClearNode*>(sceneRoot->getChild(2));
    ASSERT_NE(sky, nullptr);
    EXPECT_EQ(sky, controller->getSky());
    EXPECT_NE(dynamic_cast<osgKELVO::TexMatCallback*>(sky->getCullCallback()), nullptr);

    // In the scene: the model, two lights and the sea geode, which stays out of the reflection.
    ASSERT_EQ(scene->getNumChildren(), 4u);
    osg::Geode* sea = dynamic_cast<osg::Geode*>(scene->getChild(3));
    ASSERT_NE(sea, nullptr);
    EXPECT_EQ(sea, controller->getSeaGeode());
    EXPECT_EQ(sea->getNodeMask(), 0x80000000u);
    EXPECT_EQ(sea->getNodeMask() & reflection->getCullMask(), 0u);
    EXPECT_NE(model->getNodeMask() & reflection->getCullMask(), 0u);
    ASSERT_NE(controller->getEnvironmentMapRotation(), nullptr);
    EXPECT_TRUE(controller->getEnvironmentMapRotation()->isIdentity());
}

TEST_F(EnvironmentControllerTest, SkyIsASphereAroundTheEyeDrawnFirstAtTheFarPlane)
{
    WorkingDirectory bin(KELVO_BIN_DIR_FOR_TESTS);
    osg::ref_ptr<osg::TextureCubeMap> cubeMap;
    osg::ref_ptr<osg::Node> skyNode = osgKELVO::EnvironmentController::createSky(cubeMap);
    osg::ClearNode* sky = dynamic_cast<osg::ClearNode*>(skyNode.get());
    ASSERT_NE(sky, nullptr);
    ASSERT_EQ(sky->getNumChildren(), 1u);
    auto* followEye = dynamic_cast<osgKELVO::MoveEarthySkyWithEyePointTransform*>(sky->getChild(0));
    ASSERT_NE(followEye, nullptr);
    EXPECT_FALSE(followEye->getCullingActive());
    ASSERT_EQ(followEye->getNumChildren(), 1u);
    osg::Geode* geode = dynamic_cast<osg::Geode*>(followEye->getChild(0));
    ASSERT_NE(geode, nullptr);
    EXPECT_FALSE(geode->getCullingActive());
    ASSERT_EQ(geode->getNumDrawables(), 1u);
    const osg::ShapeDrawable* drawable = dynamic_cast<const osg::ShapeDrawable*>(geode->getDrawable(0));
    ASSERT_NE(drawable, nullptr);
    const osg::Sphere* sphere = dynamic_cast<const osg::Sphere*>(drawable->getShape());
    ASSERT_NE(sphere, nullptr);
    EXPECT_EQ(sphere->getRadius(), 30000.0f);
    EXPECT_EQ(sphere->getCenter(), osg::Vec3(0.0f, 0.0f, 0.0f));

    const osg::StateSet* state = geode->getStateSet();
    ASSERT_NE(state, nullptr);
    const auto* texEnv = dynamic_cast<const osg::TexEnv*>(state->getTextureAttribute(0, osg::StateAttribute::TEXENV));
    ASSERT_NE(texEnv, nullptr);
    EXPECT_EQ(texEnv->getMode(), osg::TexEnv::REPLACE);
    const auto* texGen = dynamic_cast<const osg::TexGen*>(state->getTextureAttribute(0, osg::StateAttribute::TEXGEN));
    ASSERT_NE(texGen, nullptr);
    EXPECT_EQ(texGen->getMode(), osg::TexGen::REFLECTION_MAP);
    EXPECT_NE(state->getTextureAttribute(0, osg::StateAttribute::TEXMAT), nullptr);
    EXPECT_EQ(state->getTextureAttribute(0, osg::StateAttribute::TEXTURE), cubeMap.get());
    EXPECT_EQ(state->getTextureMode(0, GL_TEXTURE_CUBE_MAP) & osg::StateAttribute::ON,
              osg::StateAttribute::ON);
    EXPECT_EQ(state->getMode(GL_TEXTURE_CUBE_MAP_SEAMLESS), osg::StateAttribute::ON);
    EXPECT_EQ(state->getMode(GL_LIGHTING), osg::StateAttribute::OFF);
    EXPECT_EQ(state->getMode(GL_CULL_FACE), osg::StateAttribute::OFF);
    const auto* depth = dynamic_cast<const osg::Depth*>(state->getAttribute(osg::StateAttribute::DEPTH));
    ASSERT_NE(depth, nullptr);
    EXPECT_EQ(depth->getFunction(), osg::Depth::ALWAYS);
    EXPECT_EQ(depth->getZNear(), 1.0);
    EXPECT_EQ(depth->getZFar(), 1.0);
    EXPECT_TRUE(depth->getWriteMask());
    EXPECT_EQ(state->getMode(GL_DEPTH_TEST), osg::StateAttribute::ON);
    EXPECT_EQ(state->getBinNumber(), -1);
    EXPECT_EQ(state->getBinName(), "RenderBin");

    // All six faces from the runtime tree, clamped and linearly filtered.
    const osg::TextureCubeMap::Face faces[6] = {
        osg::TextureCubeMap::POSITIVE_X, osg::TextureCubeMap::NEGATIVE_X,
        osg::TextureCubeMap::POSITIVE_Y, osg::TextureCubeMap::NEGATIVE_Y,
        osg::TextureCubeMap::POSITIVE_Z, osg::TextureCubeMap::NEGATIVE_Z};
    const char* names[6] = {"posX.tga", "negX.tga", "posY.tga", "negY.tga", "posZ.tga", "negZ.tga"};
    for (int i = 0; i < 6; ++i) {
        const osg::Image* image = cubeMap->getImage(faces[i]);
        ASSERT_NE(image, nullptr) << names[i];
        EXPECT_NE(image->getFileName().find(names[i]), std::string::npos) << image->getFileName();
        EXPECT_GT(image->s(), 0);
    }
    EXPECT_EQ(cubeMap->getWrap(osg::Texture::WRAP_S), osg::Texture::CLAMP_TO_EDGE);
    EXPECT_EQ(cubeMap->getWrap(osg::Texture::WRAP_T), osg::Texture::CLAMP_TO_EDGE);
    EXPECT_EQ(cubeMap->getWrap(osg::Texture::WRAP_R), osg::Texture::CLAMP_TO_EDGE);
    EXPECT_EQ(cubeMap->getFilter(osg::Texture::MIN_FILTER), osg::Texture::LINEAR);
    EXPECT_EQ(cubeMap->getFilter(osg::Texture::MAG_FILTER), osg::Texture::LINEAR);
}

TEST_F(EnvironmentControllerTest, MissingSkyFacesLeaveTheCubeMapEmpty)
{
    // A working directory whose ../Resources/Maris holds only some of the faces.
    const std::filesystem::path root = std::filesystem::temp_directory_path() /
                                       ("environment-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(root / "Bin");
    std::filesystem::create_directories(root / "Resources" / "Maris");
    for (const char* name : {"posX.tga", "negX.tga", "posY.tga", "negY.tga", "posZ.tga"})
        std::filesystem::copy_file(std::filesystem::path(KELVO_BIN_DIR_FOR_TESTS) / ".." / "Resources" /
                                       "Maris" / name,
                                   root / "Resources" / "Maris" / name);
    {
        WorkingDirectory bin((root / "Bin").string());
        osg::ref_ptr<osg::TextureCubeMap> cubeMap;
        osg::ref_ptr<osg::Node> sky = osgKELVO::EnvironmentController::createSky(cubeMap);
        ASSERT_TRUE(sky.valid());
        ASSERT_TRUE(cubeMap.valid());
        for (unsigned face = 0; face < 6; ++face)
            EXPECT_EQ(cubeMap->getImage(face), nullptr);
    }
    std::filesystem::remove_all(root);
}
