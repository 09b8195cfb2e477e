// Free flight: held keys move along the camera's own axes and turn about the eye, smoothed per frame.

#include "NavigationTestScene.h"

#include <cmath>

using navtest::NavigationTest;
using navtest::makeRectangle;

namespace {

osg::Vec3d cameraAxis(const osg::Matrixd& placement, int row)
{
    return osg::Vec3d(placement(row, 0), placement(row, 1), placement(row, 2));
}

} // namespace

TEST_F(NavigationTest, HoldingWForOneSecondMovesTheSpeedAlongTheViewDirection)
{
    // Half diagonal 200: 20 m/s.
    setScene(makeRectangle(-120.0f, -160.0f, 120.0f, 160.0f, 0.0f));
    start(osg::Vec3d(10, -20, 50), osg::Vec3d(13, -16, 38));
    ASSERT_NEAR(navigation->getMoveSpeed(), 20.0, 1e-9);

    keyDown('w');
    frames(100);
    const osg::Vec3d before = eye();
    const osg::Vec3d direction = viewDirection();
    frames(60);
    const osg::Vec3d moved = eye() - before;
    EXPECT_NEAR(moved.length(), 20.0, 1e-6);
    EXPECT_NEAR(moved * direction / moved.length(), 1.0, 1e-12);
    EXPECT_NEAR((viewDirection() - direction).length(), 0.0, 1e-12);

    // The same second at a tenth of the frame rate covers the same distance.
    const osg::Vec3d second = eye();
    frames(6, 1.0 / 6.0);
    EXPECT_NEAR((eye() - second).length(), 20.0, 1e-6);
}

TEST_F(NavigationTest, MovementKeysFollowTheCameraAxes)
{
    setScene(makeRectangle(-60.0f, -80.0f, 60.0f, 80.0f, 0.0f));
    start(osg::Vec3d(0, 0, 30), osg::Vec3d(5, 8, 24));
    const osg::Matrixd placement = navigation->getMatrix();
    struct Case { int key; osg::Vec3d direction; };
    const Case cases[] = {
        {'d', cameraAxis(placement, 0)},  {'a', -cameraAxis(placement, 0)},
        {'q', cameraAxis(placement, 1)},  {'z', -cameraAxis(placement, 1)},
        {'w', -cameraAxis(placement, 2)}, {'s', cameraAxis(placement, 2)},
    };
    for (const Case& c : cases) {
        keyDown(c.key);
        frames(100);
        const osg::Vec3d before = eye();
        frames(60);
        const osg::Vec3d moved = eye() - before;
        EXPECT_NEAR(moved.length(), navigation->getMoveSpeed(), 1e-6) << char(c.key);
        EXPECT_NEAR(moved * c.direction / moved.length(), 1.0, 1e-12) << char(c.key);
        keyUp(c.key);
        frames(100);
    }
}

// A released key glides to a stop: every step shorter than the one before, then none at all.
TEST_F(NavigationTest, ReleasedKeyGlidesToAStopAndPressedKeyRisesSmoothly)
{
    setScene(makeRectangle(-60.0f, -80.0f, 60.0f, 80.0f, 0.0f));
    start(osg::Vec3d(0, 0, 30), osg::Vec3d(0, 10, 30));
    keyDown('w');
    frames(100);
    osg::Vec3d last = eye();
    frame();
    const double settledStep = (eye() - last).length();
    ASSERT_NEAR(settledStep, navigation->getMoveSpeed() * frameTime, 1e-9);

    keyUp('w');
    double previousStep = settledStep;
    bool stopped = false;
    for (int i = 1; i <= 120 && !stopped; ++i) {
        last = eye();
        frame();
        const double step = (eye() - last).length();
        stopped = step == 0.0;
        EXPECT_LT(step, previousStep) << "frame " << i;
        previousStep = step;
    }
    EXPECT_TRUE(stopped) << "still gliding two seconds after the release";
    last = eye();
    frames(20);
    EXPECT_TRUE(eye() == last);

    keyDown('w');
    last = eye();
    frame();
    const double firstStep = (eye() - last).length();
    EXPECT_GT(firstStep, 0.0);
    EXPECT_LT(firstStep, 0.5 * settledStep) << "no jump to full speed";
}

TEST_F(NavigationTest, FreeFlightPitchCarriesOverTheVertical)
{
    setScene(makeRectangle(-60.0f, -80.0f, 60.0f, 80.0f, 0.0f));
    start(osg::Vec3d(0, 0, 30), osg::Vec3d(0, 1, 30 - 100));
    const double heading = viewHeading();
    keyDown('k');
    frames(30);
    keyUp('k');
    frames(100);
    // Past straight down the view now points backwards.
    EXPECT_NEAR(std::fabs(viewHeading() - heading), osg::PI, 1e-6);
    EXPECT_LT(navigation->getMatrix()(1, 2), 0.0);
    EXPECT_NEAR((eye() - osg::Vec3d(0, 0, 30)).length(), 0.0, 1e-12);
    EXPECT_FLOAT_EQ(navigation->getFusionDistanceValue(), 100.0f);
}
