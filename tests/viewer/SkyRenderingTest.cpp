#include "OffscreenRenderer.h"

#include "environment/EnvironmentController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

// The whole environment with water, drawn from several eyes and directions: the sky must stay put
// in the world when the view turns, and stay centred on the eye when the eye moves.

namespace {

const int size = 96;

class SkyRenderingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::current_path(KELVO_BIN_DIR_FOR_TESTS);
        ASSERT_TRUE(renderer.valid()) << "no pbuffer on the display";
        root->addChild(sceneRoot);
        sceneRoot->addChild(scene);
        controller = new osgKELVO::EnvironmentController(renderer.getCamera(), scene.get());
        controller->setEnableWater(true);
        renderer.getViewer().addEventHandler(controller);
        renderer.getViewer().setSceneData(root);
        renderer.getViewer().realize();
        // The first frame's event traversal builds the environment.
        renderer.render(lookFrom(osg::Vec3d(), osg::Vec3d(0.0, 1.0, 0.0)));
        ASSERT_TRUE(controller->isInitialized());
        ASSERT_NE(controller->getSkyCubeMap()->getImage(0), nullptr) << "sky faces not found";
        // Only the sky is judged here; the sea in front of it has tests of its own.
        controller->getSeaGeode()->setNodeMask(0);
    }

    static osg::Matrixd lookFrom(const osg::Vec3d& eye, const osg::Vec3d& direction,
                                 const osg::Vec3d& up = osg::Vec3d(0.0, 0.0, 1.0))
    {
        return osg::Matrixd::lookAt(eye, eye + direction, up);
    }

    osg::Vec3i centre(const osg::Image& image) const
    {
        return OffscreenRenderer::pixel(image, size / 2, size / 2);
    }
    static int blueness(const osg::Vec3i& p) { return p.z() - p.x(); }
    // The largest blueness among the rows from firstRow up to (not including) endRow.
    static int bluest(const osg::Image& image, int firstRow, int endRow)
    {
        int largest = -255;
        for (int y = firstRow; y < endRow; ++y)
            for (int x = 0; x < size; ++x)
                largest = std::max(largest, blueness(OffscreenRenderer::pixel(image, x, y)));
        return largest;
    }
    static int brightness(const osg::Vec3i& p) { return p.x() + p.y() + p.z(); }

    OffscreenRenderer renderer{size, size};
    osg::ref_ptr<osg::Group> root = new osg::Group;
    osg::ref_ptr<osg::Group> sceneRoot = new osg::Group;
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    osg::ref_ptr<osgKELVO::EnvironmentController> controller;
};

} // namespace

TEST_F(SkyRenderingTest, ZenithIsUpAndTheHorizonLevel)
{
    const osg::ref_ptr<osg::Image> up =
        renderer.render(lookFrom(osg::Vec3d(), osg::Vec3d(0.0, 0.0, 1.0), osg::Vec3d(0.0, 1.0, 0.0)));
    const osg::ref_ptr<osg::Image> down =
        renderer.render(lookFrom(osg::Vec3d(), osg::Vec3d(0.0, 0.0, -1.0), osg::Vec3d(0.0, 1.0, 0.0)));
    EXPECT_GT(blueness(centre(*up)), 60) << "the zenith is not deep blue";
    EXPECT_LT(blueness(centre(*down)), blueness(centre(*up)) - 40);

    // Looking level in four directions: the haze band runs through the middle row, blue sky
    // above it, the grey below it.
    for (const osg::Vec3d& direction : {osg::Vec3d(1, 0, 0), osg::Vec3d(0, 1, 0), osg::Vec3d(-1, 0, 0),
                                        osg::Vec3d(0, -1, 0)}) {
        SCOPED_TRACE(direction.x() * 10 + direction.y());
        const osg::ref_ptr<osg::Image> level = renderer.render(lookFrom(osg::Vec3d(), direction));
        const osg::Vec3i middle = centre(*level);
        const osg::Vec3i bottom = OffscreenRenderer::pixel(*level, size / 2, 1);
        // Clouds may cover parts of the upper quarter, but open blue sky shows somewhere in it.
        EXPECT_GT(bluest(*level, size * 3 / 4, size), bluest(*level, 0, size / 4) + 20);
        EXPECT_GT(brightness(middle), brightness(bottom));
        // The horizon is level: the left and right ends of the middle row look alike.
        const osg::Vec3i left = OffscreenRenderer::pixel(*level, 2, size / 2);
        const osg::Vec3i right = OffscreenRenderer::pixel(*level, size - 3, size / 2);
        EXPECT_LT(std::abs(brightness(left) - brightness(right)), 60);
    }
}

TEST_F(SkyRenderingTest, TheSunShowsWhereTheMainLightComesFrom)
{
    const osg::Vec3d towardsLight(-1.0, -1.0, 2.0);
    const osg::ref_ptr<osg::Image> sun = renderer.render(lookFrom(osg::Vec3d(), towardsLight));
    const osg::Vec3i atSun = centre(*sun);
    EXPECT_GE(std::min({atSun.x(), atSun.y(), atSun.z()}), 235);

    // Mirrored azimuth, same height: no sun there.
    const osg::ref_ptr<osg::Image> opposite =
        renderer.render(lookFrom(osg::Vec3d(), osg::Vec3d(1.0, 1.0, 2.0)));
    EXPECT_LT(brightness(centre(*opposite)), brightness(atSun) - 60);
}

TEST_F(SkyRenderingTest, TurningChangesTheSkyAndMovingDoesNot)
{
    const osg::Vec3d north(0.0, 1.0, 0.3);
    const osg::ref_ptr<osg::Image> here = renderer.render(lookFrom(osg::Vec3d(), north));
    const osg::ref_ptr<osg::Image> farAway =
        renderer.render(lookFrom(osg::Vec3d(25000.0, -40000.0, 800.0), north));
    const osg::ref_ptr<osg::Image> again = renderer.render(lookFrom(osg::Vec3d(), north));
    const osg::ref_ptr<osg::Image> east = renderer.render(lookFrom(osg::Vec3d(), osg::Vec3d(1.0, 0.0, 0.3)));
    const osg::ref_ptr<osg::Image> rolled =
        renderer.render(lookFrom(osg::Vec3d(), north, osg::Vec3d(0.3, 0.0, 1.0)));

    EXPECT_LE(OffscreenRenderer::largestDifference(*here, *again), 1);
    // Far beyond the sphere's radius the sky is the same: it moves with the eye.
    EXPECT_LT(OffscreenRenderer::meanDifference(*here, *farAway), 1.0);
    EXPECT_LE(OffscreenRenderer::largestDifference(*here, *farAway), 8);
    // Turning shows other clouds; rolling the camera tilts the horizon in the picture.
    EXPECT_GT(OffscreenRenderer::meanDifference(*here, *east), 6.0);
    EXPECT_GT(OffscreenRenderer::meanDifference(*here, *rolled), 3.0);

    // What lies east when looking 20 degrees north of east must be what lies in the middle when
    // looking east: the sky is fixed in the world.
    const double turn = osg::DegreesToRadians(20.0);
    const osg::Matrixd northEastView =
        lookFrom(osg::Vec3d(), osg::Vec3d(std::cos(turn), std::sin(turn), 0.3));
    const osg::ref_ptr<osg::Image> northEast = renderer.render(northEastView);
    const osg::Matrixd viewProjection = northEastView * renderer.getCamera()->getProjectionMatrix();
    const osg::Vec3d eastPoint = osg::Vec3d(1.0, 0.0, 0.3) * 1000.0 * viewProjection;
    const int x = static_cast<int>((eastPoint.x() + 1.0) * 0.5 * size);
    const int y = static_cast<int>((eastPoint.y() + 1.0) * 0.5 * size);
    ASSERT_GT(x, 0);
    ASSERT_LT(x, size - 1);
    ASSERT_GT(y, 0);
    ASSERT_LT(y, size - 1);
    // Rounding to whole pixels is allowed for: the best match in the pixel's neighbourhood.
    const osg::Vec3i seenAhead = centre(*east);
    int closest = 255;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const osg::Vec3i seen = OffscreenRenderer::pixel(*northEast, x + dx, y + dy);
            const osg::Vec3i d = seen - seenAhead;
            closest = std::min(closest, std::max({std::abs(d.x()), std::abs(d.y()), std::abs(d.z())}));
        }
    EXPECT_LE(closest, 8);
}
