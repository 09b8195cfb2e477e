#include "OffscreenRenderer.h"

#include "environment/EnvironmentController.h"
#include "water/MarisDrawable.h"
#include "water/MarisUpdateCallback.h"
#include "water/PlanarReflection.h"

#include <Maris/Environment.h>
#include <Maris/Message.h>
#include "NotifyCapture.h"

#include <osg/Geometry>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

// The sea drawn into a real scene: the ocean comes to life inside the first draw, receives the
// frame's camera, light and reflections, leaves the OpenGL state as the scene graph expects it,
// and a set-up that cannot succeed is retried slowly and reported once.

namespace {

const int size = 96;

// A level view from 20 m above the water, looking north: sky above the middle row, sea below.
const osg::Matrixd levelView =
    osg::Matrixd::lookAt(osg::Vec3d(0, 0, 20), osg::Vec3d(0, 1000, 20), osg::Vec3d(0, 0, 1));

// A quad seen face-on from the level view, below the horizon, so that it covers sea.
osg::ref_ptr<osg::Geode> redQuadOverTheSea()
{
    osg::ref_ptr<osg::Geometry> quad = new osg::Geometry;
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    vertices->push_back(osg::Vec3(-5.0f, 50.0f, 2.0f));
    vertices->push_back(osg::Vec3(5.0f, 50.0f, 2.0f));
    vertices->push_back(osg::Vec3(5.0f, 50.0f, 10.0f));
    vertices->push_back(osg::Vec3(-5.0f, 50.0f, 10.0f));
    quad->setVertexArray(vertices);
    osg::ref_ptr<osg::Vec4Array> colors = new osg::Vec4Array;
    colors->push_back(osg::Vec4(1, 0, 0, 1));
    quad->setColorArray(colors, osg::Array::BIND_OVERALL);
    quad->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, 4));
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(quad);
    osg::StateSet* state = geode->getOrCreateStateSet();
    state->setMode(GL_LIGHTING, osg::StateAttribute::OFF | osg::StateAttribute::OVERRIDE);
    // Drawn after the sea, which is in the default bin.
    state->setRenderBinDetails(20, "RenderBin");
    return geode;
}

// Every library message, with how often it came.
class LibraryMessages
{
public:
    LibraryMessages() { Maris::SetMessageHandler(&LibraryMessages::Receive, this); }
    ~LibraryMessages() { Maris::SetMessageHandler(nullptr, nullptr); }
    const std::map<std::string, int>& counts() const { return lines; }

private:
    static void Receive(Maris::MessageChannel, const char* line, void* self)
    {
        ++static_cast<LibraryMessages*>(self)->lines[line];
    }
    std::map<std::string, int> lines;
};

class WaterDrawableTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::current_path(KELVO_BIN_DIR_FOR_TESTS);
        ASSERT_TRUE(renderer.valid()) << "no pbuffer on the display";
        root->addChild(sceneRoot);
        sceneRoot->addChild(scene);
        renderer.getViewer().setSceneData(root);
        renderer.getViewer().realize();
    }

    // The environment controller's sea, built on the first frame.
    void buildSea()
    {
        controller = new osgKELVO::EnvironmentController(renderer.getCamera(), scene.get());
        controller->setEnableWater(true);
        controller->setSeaState(3.0);
        controller->setWindDirection(0.5);
        renderer.getViewer().addEventHandler(controller);
    }

    osgKELVO::MarisDrawable* sea() const { return controller.valid() ? controller->getWaterDrawable() : nullptr; }

    static osg::Vec3i at(const osg::Image& image, int x, int y) { return OffscreenRenderer::pixel(image, x, y); }

    // Mean absolute difference of the rows below the horizon (bottom quarter of the picture).
    static double seaDifference(const osg::Image& a, const osg::Image& b)
    {
        double sum = 0.0;
        int count = 0;
        for (int y = 0; y < size / 4; ++y)
            for (int x = 0; x < size; ++x) {
                const osg::Vec3i d = at(a, x, y) - at(b, x, y);
                sum += std::abs(d.x()) + std::abs(d.y()) + std::abs(d.z());
                count += 3;
            }
        return sum / count;
    }

    OffscreenRenderer renderer{size, size};
    osg::ref_ptr<osg::Group> root = new osg::Group;
    osg::ref_ptr<osg::Group> sceneRoot = new osg::Group;
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    osg::ref_ptr<osgKELVO::EnvironmentController> controller;
};

} // namespace

TEST_F(WaterDrawableTest, TheFirstFrameCreatesTheOceanAndDrawsItAtOnce)
{
    buildSea();
    const osg::ref_ptr<osg::Image> first = renderer.render(levelView);
    osgKELVO::MarisDrawable* drawable = sea();
    ASSERT_NE(drawable, nullptr);
    ASSERT_NE(drawable->getOcean(), nullptr) << "the ocean was not created in the first draw";
    EXPECT_NE(drawable->getEnvironment(), nullptr);
    EXPECT_EQ(1u, drawable->getSetupAttempts());

    const auto* callback = dynamic_cast<const osgKELVO::MarisUpdateCallback*>(drawable->getUpdateCallback());
    ASSERT_NE(callback, nullptr);
    EXPECT_EQ(drawable->getOcean(), callback->getOcean()) << "the update traversal steps the drawn ocean";

    // The same frame without the sea: what the first frame showed below the horizon was the sea.
    controller->getSeaGeode()->setNodeMask(0);
    const osg::ref_ptr<osg::Image> withoutSea = renderer.render(levelView);
    EXPECT_GT(seaDifference(*first, *withoutSea), 20.0);
    EXPECT_EQ(1u, drawable->getSetupAttempts()) << "a working ocean is set up once";
}

TEST_F(WaterDrawableTest, TheSeaMovesWithTheSimulationTime)
{
    buildSea();
    renderer.render(levelView);
    ASSERT_NE(sea()->getOcean(), nullptr);
    renderer.getViewer().frame(10.0);
    const osg::ref_ptr<osg::Image> early = renderer.render(levelView);
    const osg::ref_ptr<osg::Image> again = renderer.render(levelView);
    renderer.getViewer().frame(13.0);
    const osg::ref_ptr<osg::Image> later = renderer.render(levelView);
    EXPECT_GT(seaDifference(*early, *later), 2.0) << "the waves stood still for three seconds";
}

TEST_F(WaterDrawableTest, FixedFunctionDrawingAfterTheSeaIsUnharmed)
{
    buildSea();
    scene->addChild(redQuadOverTheSea());
    const osg::ref_ptr<osg::Image> image = renderer.render(levelView);
    ASSERT_NE(sea()->getOcean(), nullptr);
    // The quad spans x -5 to 5 at 50 m, from 18 m to 10 m below the eye: 8 columns either side
    // of the centre, rows 18 to 31 counted from the bottom.
    const osg::Vec3i quad = at(*image, size / 2, 25);
    EXPECT_GT(quad.x(), 245);
    EXPECT_LT(quad.y(), 10);
    EXPECT_LT(quad.z(), 10);
    const osg::Vec3i beside = at(*image, 4, 25);
    EXPECT_FALSE(beside.x() > 200 && beside.y() < 40) << "the quad is wider than it should be";
}

TEST_F(WaterDrawableTest, TheEnvironmentGetsTheFramesCameraLightAndReflections)
{
    buildSea();
    osg::Light* light = renderer.getViewer().getLight();
    ASSERT_NE(light, nullptr);
    light->setPosition(osg::Vec4(0.0f, -3.0f, 4.0f, 0.0f));
    light->setDiffuse(osg::Vec4(0.5f, 0.6f, 0.7f, 1.0f));
    light->setAmbient(osg::Vec4(0.1f, 0.2f, 0.3f, 1.0f));
    renderer.render(levelView);
    const Maris::Environment* environment = sea()->getEnvironment();
    ASSERT_NE(environment, nullptr);

    EXPECT_NEAR(-0.6, environment->GetLightDirection().y, 1e-6);
    EXPECT_NEAR(0.8, environment->GetLightDirection().z, 1e-6);
    EXPECT_NEAR(0.6, environment->GetLightColor().y, 1e-6);
    EXPECT_NEAR(0.3, environment->GetAmbientColor().z, 1e-6);

    // A positional light is not a sun: the previous one stays.
    light->setPosition(osg::Vec4(100.0f, 0.0f, 10.0f, 1.0f));
    light->setDiffuse(osg::Vec4(1.0f, 0.0f, 0.0f, 1.0f));
    renderer.render(levelView);
    EXPECT_NEAR(-0.6, environment->GetLightDirection().y, 1e-6);
    EXPECT_NEAR(0.6, environment->GetLightColor().y, 1e-6);

    // The sky's cube map, turned from the scene's z-up world into the map's axes.
    EXPECT_NE(0u, environment->GetEnvironmentMap());
    const Maris::Matrix3& cube = environment->GetEnvironmentMapMatrix();
    const double expected[3][3] = {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            EXPECT_NEAR(expected[row][column], cube.elem[row][column], 1e-6) << row << "," << column;

    // The planar reflection, with the matrix the reflection camera made for this frame.
    EXPECT_NE(0u, environment->GetPlanarReflectionMap());
    const osg::Matrixd& reflection = *controller->getReflectionCamera()->getTextureMatrix();
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            EXPECT_NEAR(reflection(row, column), environment->GetPlanarReflectionMapMatrix().elem[row][column],
                        1e-9);
}

TEST_F(WaterDrawableTest, TexturesWithoutAnObjectArePassedAsNone)
{
    // A cube map without images (the sky faces were missing) and a reflection that never rendered.
    osg::ref_ptr<osgKELVO::MarisDrawable> drawable =
        new osgKELVO::MarisDrawable(3.0, 0.5, new osg::TextureCubeMap, new osg::RefMatrixd,
                                    new osg::Texture2D, new osg::RefMatrixd);
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(drawable);
    scene->addChild(geode);
    const osg::ref_ptr<osg::Image> image = renderer.render(levelView);
    ASSERT_NE(drawable->getOcean(), nullptr);
    EXPECT_EQ(0u, drawable->getEnvironment()->GetEnvironmentMap());
    EXPECT_EQ(0u, drawable->getEnvironment()->GetPlanarReflectionMap());

    geode->setNodeMask(0);
    const osg::ref_ptr<osg::Image> withoutSea = renderer.render(levelView);
    EXPECT_GT(seaDifference(*image, *withoutSea), 20.0) << "the sea is still drawn, lit by the sun alone";
}

TEST_F(WaterDrawableTest, AFailedSetUpIsRetriedOnceASecondAndReportedOnce)
{
    osg::ref_ptr<osgKELVO::MarisDrawable> drawable =
        new osgKELVO::MarisDrawable(3.0, 0.5, new osg::TextureCubeMap, new osg::RefMatrixd,
                                    new osg::Texture2D, new osg::RefMatrixd);
    drawable->setResourceDirectory("../Resources/NoSuchDirectory");
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(drawable);
    scene->addChild(geode);

    kelvotest::NotifyCapture notes;
    LibraryMessages library;
    const auto start = std::chrono::steady_clock::now();
    renderer.render(levelView);
    EXPECT_EQ(1u, drawable->getSetupAttempts());
    double elapsed = 0.0;
    while (elapsed < 2.5) {
        renderer.render(levelView);
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    EXPECT_EQ(drawable->getOcean(), nullptr);
    EXPECT_GE(drawable->getSetupAttempts(), 2u);
    EXPECT_LE(drawable->getSetupAttempts(), static_cast<unsigned>(elapsed) + 1u);

    EXPECT_EQ(1u, notes.count("Failed to initialize Maris - is the resource path passed in to the "
                              "ResourceLoader constructor valid?"));
    EXPECT_TRUE(notes.has(osg::FATAL, "Failed to initialize Maris - is the resource path passed in to "
                                      "the ResourceLoader constructor valid?"));
    EXPECT_EQ(1u, notes.count("The ocean could not be created; trying again once a second"));
    ASSERT_FALSE(library.counts().empty()) << "the library said nothing about the missing resources";
    for (const auto& line : library.counts())
        EXPECT_EQ(1, line.second) << "repeated: " << line.first;
}

TEST(WaterDrawableCopies, CopiesStartFromNothing)
{
    osg::ref_ptr<osgKELVO::MarisDrawable> drawable =
        new osgKELVO::MarisDrawable(6.0, 1.0, new osg::TextureCubeMap, new osg::RefMatrixd,
                                    new osg::Texture2D, new osg::RefMatrixd);
    osg::ref_ptr<osg::Object> copy = drawable->clone(osg::CopyOp::DEEP_COPY_ALL);
    osg::ref_ptr<osg::Object> empty = drawable->cloneType();
    for (osg::Object* object : {copy.get(), empty.get()}) {
        auto* other = dynamic_cast<osgKELVO::MarisDrawable*>(object);
        ASSERT_NE(other, nullptr);
        EXPECT_NE(other, drawable.get());
        EXPECT_EQ(other->getOcean(), nullptr);
        EXPECT_TRUE(drawable->isSameKindAs(other));
    }
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    EXPECT_FALSE(drawable->isSameKindAs(geometry.get()));
}
