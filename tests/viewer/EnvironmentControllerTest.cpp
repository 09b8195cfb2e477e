#include "environment/EnvironmentController.h"
#include <IdleActionAdapter.h>
#include "water/PlanarReflection.h"

#include <osg/LightSource>
#include <osg/TextureCubeMap>

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

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

} // namespace

TEST_F(EnvironmentControllerTest, BackgroundColorTakesEffectAtOnceAndTheRestAtTheFirstEvent)
{
    controller->setBackgroundColor(0.1f, 0.2f, 0.3f, 1.0f);
    EXPECT_EQ(camera->getClearColor(), osg::Vec4(0.1f, 0.2f, 0.3f, 1.0f));
    EXPECT_FALSE(controller->isInitialized());
    EXPECT_EQ(scene->getNumChildren(), 1u);
}

TEST_F(EnvironmentControllerTest, WithoutWaterTwoLightsAndNothingElseBuiltOnce)
{
    EXPECT_FALSE(sendEvent());
    EXPECT_TRUE(controller->isInitialized());

    const std::vector<osg::LightSource*> lights = childrenOfType<osg::LightSource>(scene.get());
    ASSERT_EQ(lights.size(), 2u);
    EXPECT_NE(lights[0]->getLight()->getLightNum(), lights[1]->getLight()->getLightNum());
    EXPECT_EQ(scene->getNumChildren(), 3u);
    EXPECT_EQ(scene->getChild(0), model.get());
    EXPECT_EQ(sceneRoot->getNumChildren(), 1u);
    EXPECT_EQ(controller->getReflectionCamera(), nullptr);
    EXPECT_EQ(controller->getSky(), nullptr);
    EXPECT_EQ(controller->getSeaGeode(), nullptr);

    EXPECT_FALSE(sendEvent());
    EXPECT_FALSE(sendEvent());
    EXPECT_EQ(scene->getNumChildren(), 3u) << "later events add nothing";
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

// The reflection and the sky come beside the scene; the sea is in the scene but never in its own
// reflection. How they look is drawn and checked in PlanarReflection and SkyRenderingTest.
TEST_F(EnvironmentControllerTest, WithWaterReflectionSkyAndSeaTakeTheirPlaces)
{
    WorkingDirectory bin(KELVO_BIN_DIR_FOR_TESTS);
    controller->setEnableWater(true);
    sendEvent();

    ASSERT_EQ(sceneRoot->getNumChildren(), 3u);
    EXPECT_EQ(sceneRoot->getChild(0), scene.get());
    osgKELVO::PlanarReflection* reflection = controller->getReflectionCamera();
    ASSERT_NE(reflection, nullptr);
    EXPECT_EQ(sceneRoot->getChild(1), reflection);
    EXPECT_EQ(sceneRoot->getChild(2), controller->getSky());

    osg::Geode* sea = controller->getSeaGeode();
    ASSERT_NE(sea, nullptr);
    EXPECT_EQ(scene->getChild(scene->getNumChildren() - 1), sea);
    EXPECT_EQ(sea->getNodeMask() & reflection->getCullMask(), 0u);
    EXPECT_NE(model->getNodeMask() & reflection->getCullMask(), 0u);
}

TEST_F(EnvironmentControllerTest, SkyFacesComeFromTheRuntimeTree)
{
    WorkingDirectory bin(KELVO_BIN_DIR_FOR_TESTS);
    osg::ref_ptr<osg::TextureCubeMap> cubeMap;
    osg::ref_ptr<osg::Node> sky = osgKELVO::EnvironmentController::createSky(cubeMap);
    ASSERT_TRUE(sky.valid() && cubeMap.valid());
    const char* names[6] = {"posX.tga", "negX.tga", "posY.tga", "negY.tga", "posZ.tga", "negZ.tga"};
    for (unsigned face = 0; face < 6; ++face) {
        const osg::Image* image = cubeMap->getImage(face);
        ASSERT_NE(image, nullptr) << names[face];
        EXPECT_NE(image->getFileName().find(names[face]), std::string::npos) << image->getFileName();
    }
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
