// Terrain-following navigation: level movement, vertical climb, turning and pitching about the pivot
// found under the view centre or on the ground plane.

#include "NavigationTestScene.h"

#include <cmath>

using navtest::NavigationTest;
using navtest::makeRectangle;
using Event = osgGA::GUIEventAdapter;

namespace {

osg::ref_ptr<osg::Group> groundWithPlateau(bool withGround)
{
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    if (withGround)
        scene->addChild(makeRectangle(-500.0f, -500.0f, 500.0f, 500.0f, 0.0f));
    // A raised block top at z 20 around (0, 20); its diagonal passes beside that point.
    scene->addChild(makeRectangle(-10.0f, 12.0f, 14.0f, 30.0f, 20.0f));
    return scene;
}

} // namespace

class TerrainFollowingTest : public NavigationTest
{
protected:
    ::testing::AssertionResult startTerrainFollowing(osg::Node* scene, const osg::Vec3d& eyePoint,
                                                     const osg::Vec3d& center)
    {
        setScene(scene);
        start(eyePoint, center);
        keyDown(Event::KEY_Tab);
        frame();
        if (navigation->getMode() != osgKELVO::NavigationController::TerrainFollowing)
            return ::testing::AssertionFailure() << "Tab did not switch to terrain following";
        return ::testing::AssertionSuccess();
    }

    // Settles a held key and returns the eye's displacement over the next second.
    osg::Vec3d secondOfHeldKey(int key)
    {
        keyDown(key);
        frames(100);
        const osg::Vec3d before = eye();
        frames(60);
        const osg::Vec3d moved = eye() - before;
        keyUp(key);
        frames(100);
        return moved;
    }
};

TEST_F(TerrainFollowingTest, LookingDownForwardAndSidewaysKeepTheHeightAndQMovesVertically)
{
    ASSERT_TRUE(startTerrainFollowing(makeRectangle(-120.0f, -160.0f, 120.0f, 160.0f, 0.0f), osg::Vec3d(0, 0, 50),
                          osg::Vec3d(3, 4, 40)));
    const double speed = navigation->getMoveSpeed();
    ASSERT_NEAR(speed, 20.0, 1e-9);
    const osg::Vec3d direction = viewDirection();
    const osg::Vec3d level = osg::Vec3d(direction.x(), direction.y(), 0.0) / std::hypot(direction.x(), direction.y());

    const osg::Vec3d forward = secondOfHeldKey('w');
    EXPECT_NEAR(forward.z(), 0.0, 1e-9);
    EXPECT_NEAR(forward.length(), speed, 1e-6);
    EXPECT_NEAR(forward * level / forward.length(), 1.0, 1e-12);

    const osg::Vec3d right = secondOfHeldKey('d');
    EXPECT_NEAR(right.z(), 0.0, 1e-9);
    EXPECT_NEAR(right * level, 0.0, 1e-9);
    EXPECT_NEAR(right.length(), speed, 1e-6);

    const osg::Vec3d up = secondOfHeldKey('q');
    EXPECT_NEAR(up.z(), speed, 1e-6);
    EXPECT_NEAR(std::hypot(up.x(), up.y()), 0.0, 1e-9);

    EXPECT_NEAR((viewDirection() - direction).length(), 0.0, 1e-9);
}

TEST_F(TerrainFollowingTest, LookingUpByAnAngleMovesAlongTwiceThatAngle)
{
    const double b = 0.3;
    ASSERT_TRUE(startTerrainFollowing(makeRectangle(-120.0f, -160.0f, 120.0f, 160.0f, 0.0f), osg::Vec3d(0, 0, 50),
                          osg::Vec3d(10 * std::cos(b), 0, 50 + 10 * std::sin(b))));
    // Nothing above: the pivot is where the view line mirrored downwards meets z = 0.
    EXPECT_NEAR(navigation->getFusionDistanceValue(), 50.0 / std::sin(b), 1e-3);

    const osg::Vec3d moved = secondOfHeldKey('w');
    EXPECT_NEAR(std::atan2(moved.z(), std::hypot(moved.x(), moved.y())), 2 * b, 1e-9);
    EXPECT_NEAR(moved.y(), 0.0, 1e-9);
    EXPECT_GT(moved.x(), 0.0);
    EXPECT_NEAR(viewElevation(), b, 1e-9);
}

TEST_F(TerrainFollowingTest, PivotIsTheNearestSceneIntersectionUnderTheViewCentre)
{
    ASSERT_TRUE(startTerrainFollowing(groundWithPlateau(true), osg::Vec3d(0, 0, 50), osg::Vec3d(0, 20, 20)));
    // The view line first meets the block top at (0, 20, 20), before the ground behind it.
    const double toBlock = std::hypot(20.0, 30.0);
    EXPECT_NEAR(navigation->getFusionDistanceValue(), toBlock, 1e-3);

    // Turning circles the vertical line through the pivot: the eye keeps its distance to that line
    // and its height, and the view centre stays on the block.
    keyDown('j');
    frames(90);
    keyUp('j');
    frames(100);
    const osg::Vec3d e = eye();
    EXPECT_GT(std::fabs(viewHeading() - osg::PI_2), 0.5);
    EXPECT_NEAR(std::hypot(e.x() - 0.0, e.y() - 20.0), 20.0, 1e-3);
    EXPECT_NEAR(e.z(), 50.0, 1e-6);
    EXPECT_NEAR(navigation->getFusionDistanceValue(), toBlock, 1e-3);

    // Pitching up keeps the pivot at the same distance in front of the eye.
    keyDown('i');
    frames(20);
    keyUp('i');
    frames(100);
    EXPECT_NEAR((eye() - osg::Vec3d(0, 20, 20)).length(), toBlock, 1e-3);
    EXPECT_GT(viewElevation(), std::atan2(-30.0, 20.0) + 0.1);
}

TEST_F(TerrainFollowingTest, WithoutGeometryUnderTheViewThePivotLiesOnTheGroundPlane)
{
    // Only the block, and the view points away from it.
    ASSERT_TRUE(startTerrainFollowing(groundWithPlateau(false), osg::Vec3d(0, 0, 50), osg::Vec3d(0, -20, 20)));
    const double toGround = 50.0 / 30.0 * std::hypot(20.0, 30.0);
    EXPECT_NEAR(navigation->getFusionDistanceValue(), toGround, 1e-3);

    keyDown('l');
    frames(90);
    keyUp('l');
    frames(100);
    const osg::Vec3d e = eye();
    EXPECT_NEAR(std::hypot(e.x(), e.y() + 50.0 / 30.0 * 20.0), 50.0 / 30.0 * 20.0, 1e-3);
    EXPECT_NEAR(e.z(), 50.0, 1e-6);

    // Back in free flight the fusion distance is fixed again.
    keyDown(Event::KEY_Tab);
    frame();
    EXPECT_FLOAT_EQ(navigation->getFusionDistanceValue(), 100.0f);
}

TEST_F(TerrainFollowingTest, LevelViewOverNothingKeepsTheOriginAsPivot)
{
    ASSERT_TRUE(startTerrainFollowing(groundWithPlateau(false), osg::Vec3d(30, 40, 50), osg::Vec3d(30, 30, 50)));
    EXPECT_NEAR(navigation->getFusionDistanceValue(), osg::Vec3d(30, 40, 50).length(), 1e-3);
}

TEST_F(TerrainFollowingTest, PitchPastTheVerticalIsSkippedWhileMovingAndTurningGoOn)
{
    const double nearlyDown = osg::PI_2 - 0.01;
    ASSERT_TRUE(startTerrainFollowing(makeRectangle(-500.0f, -500.0f, 500.0f, 500.0f, 0.0f), osg::Vec3d(0, 0, 50),
                          osg::Vec3d(0, 10 * std::cos(nearlyDown), 50 - 10 * std::sin(nearlyDown))));
    const double heading = viewHeading();

    keyDown('k');
    keyDown('w');
    keyDown('j');
    frames(100);
    const osg::Vec3d before = eye();
    frames(30);
    // Still looking down on the same side of the vertical: the camera's up keeps pointing above
    // the horizontal, while the turn goes on.
    EXPECT_LT(viewElevation(), -osg::PI_2 + 0.01);
    EXPECT_GT(navigation->getMatrix()(1, 2), 0.0);
    EXPECT_GT(std::fabs(viewHeading() - heading), 0.1);
    const osg::Vec3d moved = eye() - before;
    EXPECT_GT(std::hypot(moved.x(), moved.y()), 0.1 * navigation->getMoveSpeed());
    EXPECT_NEAR(moved.z(), 0.0, 1e-6);
}
