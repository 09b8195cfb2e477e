// Key, mouse and wheel bindings of the navigation controller, its one-time set-up and its notices.

#include "IdleActionAdapter.h"
#include "NavigationTestScene.h"
#include "NotifyCapture.h"

#include <cmath>
#include <sstream>

using navtest::NavigationTest;
using navtest::makeRectangle;
using navtest::matrixDistance;
using Event = osgGA::GUIEventAdapter;

// The smoothing settles per frame; short frames keep the pitch clear of the vertical meanwhile.
const double settleTime = 1.0 / 600.0;
// Pointer positions and key states are single precision.
const double dragTolerance = 1e-7;

namespace {

// The ground rectangle's half diagonal is 100, so the derived speed is 10 m/s.
osg::ref_ptr<osg::Geode> groundOfRadius100()
{
    return makeRectangle(-60.0f, -80.0f, 60.0f, 80.0f, 0.0f);
}

std::string speedNotice(double speed)
{
    std::ostringstream text;
    text << "Rörelsehastighet " << speed << " m/s";
    return text.str();
}

} // namespace

TEST_F(NavigationTest, FirstEventOfAnyKindGoesHomeAndTakesTheSpeedFromTheSceneBound)
{
    setScene(makeRectangle(-120.0f, -160.0f, 120.0f, 160.0f, 0.0f));
    navigation->setHome(osg::Vec3d(1, 2, 3), osg::Vec3d(1, 12, 3));
    navigation->setByMatrix(osg::Matrixd::translate(500, 500, 500));

    kelvotest::IdleActionAdapter adapter;
    osg::ref_ptr<Event> move = new Event;
    move->setEventType(Event::MOVE);
    EXPECT_FALSE(navigation->handle(*move, adapter));

    EXPECT_NEAR(navigation->getMoveSpeed(), 20.0, 1e-9);
    EXPECT_TRUE(eye() == osg::Vec3d(1, 2, 3));
    EXPECT_NEAR((viewDirection() - osg::Vec3d(0, 1, 0)).length(), 0.0, 1e-12);

    // Only once: a later home change is not applied by the next event.
    navigation->setHome(osg::Vec3d(9, 9, 9), osg::Vec3d(9, 19, 9));
    frame();
    EXPECT_TRUE(eye() == osg::Vec3d(1, 2, 3));
}

TEST_F(NavigationTest, EmptySceneKeepsTheInitialSpeed)
{
    setScene(new osg::Group);
    start(osg::Vec3d(0, 0, 0), osg::Vec3d(0, 1, 0));
    EXPECT_DOUBLE_EQ(navigation->getMoveSpeed(), 10.0);
    keyDown('w');
    frames(30);
    EXPECT_GT(eye().y(), 0.0);
}

TEST_F(NavigationTest, HandlerReturnsFalseForEveryEvent)
{
    setScene(groundOfRadius100());
    start(osg::Vec3d(0, 0, 10), osg::Vec3d(0, 10, 5));
    const int keys[] = {'w', 'W', 'a', 's', 'd', 'q', 'z', 'i', 'k', 'j', 'l', ' ', '+', '-',
                        Event::KEY_Tab, Event::KEY_KP_Add, Event::KEY_KP_Subtract, Event::KEY_F11,
                        Event::KEY_F3, Event::KEY_Escape, 'm', '1'};
    for (int key : keys) {
        EXPECT_FALSE(keyDown(key)) << key;
        EXPECT_FALSE(frame()) << key;
        EXPECT_FALSE(keyUp(key)) << key;
    }
    EXPECT_FALSE(mouse(Event::PUSH, 400, 300, Event::LEFT_MOUSE_BUTTON, Event::LEFT_MOUSE_BUTTON));
    EXPECT_FALSE(mouse(Event::DRAG, 420, 330, 0, Event::LEFT_MOUSE_BUTTON));
    EXPECT_FALSE(mouse(Event::RELEASE, 420, 330, Event::LEFT_MOUSE_BUTTON, 0));
    EXPECT_FALSE(mouse(Event::MOVE, 100, 100, 0, 0));
    EXPECT_FALSE(mouse(Event::PUSH, 400, 300, Event::RIGHT_MOUSE_BUTTON, Event::RIGHT_MOUSE_BUTTON));
    EXPECT_FALSE(scroll(Event::SCROLL_UP));
    EXPECT_FALSE(scroll(Event::SCROLL_DOWN));
    const Event::EventType others[] = {Event::RESIZE, Event::CLOSE_WINDOW, Event::QUIT_APPLICATION,
                                       Event::USER, Event::DOUBLECLICK};
    for (Event::EventType type : others) {
        osg::ref_ptr<Event> event = new Event;
        event->setEventType(type);
        EXPECT_FALSE(send(event)) << type;
    }
}

TEST_F(NavigationTest, EventsAlreadyHandledOrWithoutAViewerAreIgnored)
{
    setScene(groundOfRadius100());
    start(osg::Vec3d(0, 0, 10), osg::Vec3d(0, 10, 10));

    osg::ref_ptr<Event> handled = new Event;
    handled->setEventType(Event::KEYDOWN);
    handled->setKey('+');
    handled->setHandled(true);
    send(handled);
    EXPECT_DOUBLE_EQ(navigation->getMoveSpeed(), 10.0);

    kelvotest::IdleActionAdapter adapter;
    osg::ref_ptr<Event> plus = new Event;
    plus->setEventType(Event::KEYDOWN);
    plus->setKey('+');
    navigation->handle(*plus, adapter);
    EXPECT_DOUBLE_EQ(navigation->getMoveSpeed(), 10.0);

    keyDown('+');
    EXPECT_NEAR(navigation->getMoveSpeed(), 11.0, 1e-9);
}

TEST_F(NavigationTest, PlusAndMinusChangeTheSpeedWithoutLimitsAndReportIt)
{
    setScene(groundOfRadius100());
    start(osg::Vec3d(0, 0, 10), osg::Vec3d(0, 10, 10));
    ASSERT_NEAR(navigation->getMoveSpeed(), 10.0, 1e-12);

    kelvotest::NotifyCapture notices;
    for (int i = 0; i < 10; ++i)
        keyDown('+');
    EXPECT_NEAR(navigation->getMoveSpeed(), 10.0 * std::pow(1.1, 10), 1e-9);
    EXPECT_TRUE(notices.has(osg::NOTICE, "Rörelsehastighet 11 m/s"));
    EXPECT_TRUE(notices.has(osg::NOTICE, "Rörelsehastighet 25.9374 m/s"));
    EXPECT_EQ(notices.lines().size(), 10u);

    notices.clear();
    const double before = navigation->getMoveSpeed();
    keyDown('-');
    keyDown(Event::KEY_KP_Subtract);
    EXPECT_NEAR(navigation->getMoveSpeed(), before * 0.81, 1e-9);
    keyDown(Event::KEY_KP_Add);
    EXPECT_NEAR(navigation->getMoveSpeed(), before * 0.891, 1e-9);
    ASSERT_EQ(notices.lines().size(), 3u);
    EXPECT_EQ(notices.lines()[2].second, speedNotice(navigation->getMoveSpeed()));

    // No lower bound: many presses of minus keep shrinking the speed.
    for (int i = 0; i < 400; ++i)
        keyDown('-');
    EXPECT_GT(navigation->getMoveSpeed(), 0.0);
    EXPECT_LT(navigation->getMoveSpeed(), 1e-15);
}

TEST_F(NavigationTest, OnlyScrollingUpSpeedsUp)
{
    setScene(groundOfRadius100());
    start(osg::Vec3d(0, 0, 10), osg::Vec3d(0, 10, 10));
    kelvotest::NotifyCapture notices;

    scroll(Event::SCROLL_UP);
    EXPECT_NEAR(navigation->getMoveSpeed(), 11.0, 1e-9);
    EXPECT_TRUE(notices.has(osg::NOTICE, "Rörelsehastighet 11 m/s"));

    const Event::ScrollingMotion slower[] = {Event::SCROLL_DOWN, Event::SCROLL_LEFT, Event::SCROLL_RIGHT,
                                             Event::SCROLL_2D, Event::SCROLL_NONE};
    double expected = 11.0;
    for (Event::ScrollingMotion motion : slower) {
        scroll(motion);
        expected *= 0.9;
        EXPECT_NEAR(navigation->getMoveSpeed(), expected, 1e-9) << motion;
    }
    EXPECT_TRUE(notices.has(osg::NOTICE, "Rörelsehastighet 9.9 m/s"));
}

TEST_F(NavigationTest, TabTogglesTheModelAndReportsItOnceAtTheNextFrame)
{
    setScene(groundOfRadius100());
    start(osg::Vec3d(0, 0, 10), osg::Vec3d(0, 10, 5));
    EXPECT_EQ(navigation->getMode(), osgKELVO::NavigationController::FreeFlight);

    kelvotest::NotifyCapture notices;
    keyDown(Event::KEY_Tab);
    EXPECT_EQ(navigation->getMode(), osgKELVO::NavigationController::TerrainFollowing);
    EXPECT_EQ(notices.count("Rörelsemodellen ändrades"), 0u);
    keyUp(Event::KEY_Tab);
    EXPECT_EQ(notices.count("Rörelsemodellen ändrades"), 0u);
    frame();
    EXPECT_TRUE(notices.has(osg::NOTICE, "Rörelsemodellen ändrades"));
    frames(5);
    EXPECT_EQ(notices.count("Rörelsemodellen ändrades"), 1u);

    keyDown(Event::KEY_Tab);
    EXPECT_EQ(navigation->getMode(), osgKELVO::NavigationController::FreeFlight);
    frame();
    EXPECT_EQ(notices.count("Rörelsemodellen ändrades"), 2u);
}

TEST_F(NavigationTest, UpperCaseLettersDoNothing)
{
    setScene(groundOfRadius100());
    start(osg::Vec3d(0, 0, 10), osg::Vec3d(3, 10, 5));
    const osg::Matrixd home = navigation->getMatrix();
    for (int key : {'W', 'S', 'A', 'D', 'Q', 'Z', 'I', 'K', 'J', 'L'})
        keyDown(key);
    frames(60);
    EXPECT_TRUE(eye() == home.getTrans());
    EXPECT_LT(matrixDistance(navigation->getMatrix(), home), 1e-12);

    // The lower-case key still moves while its upper-case twin is held.
    keyDown('w');
    frames(10);
    EXPECT_GT((eye() - osg::Vec3d(0, 0, 10)).length(), 0.1);
}

TEST_F(NavigationTest, SpaceReturnsHome)
{
    setScene(groundOfRadius100());
    start(osg::Vec3d(5, -20, 30), osg::Vec3d(5, -10, 25));
    const osg::Matrixd home = navigation->getMatrix();
    keyDown('w');
    keyDown('j');
    keyDown('i');
    frames(90);
    keyUp('w');
    keyUp('j');
    keyUp('i');
    frames(200);
    ASSERT_GT((eye() - osg::Vec3d(5, -20, 30)).length(), 1.0);

    keyDown(' ');
    EXPECT_TRUE(navigation->getMatrix() == home);
    keyUp(' ');
    frame();
    EXPECT_LT(matrixDistance(navigation->getMatrix(), home), 1e-12);
}

TEST_F(NavigationTest, DragTurnsWithRatesFromTheDistanceToThePressPoint)
{
    setScene(groundOfRadius100());
    start(osg::Vec3d(0, 0, 10), osg::Vec3d(0, 10, 10));
    const double fullRate = 1.5707963267948966 * frameTime;
    const int left = Event::LEFT_MOUSE_BUTTON;

    // Up by an eighth of the window: half rate upwards. Then down past the press point: the
    // pitch-down state joins while the pitch-up state keeps its value.
    mouse(Event::PUSH, 400, 300, left, left);
    mouse(Event::DRAG, 400, 375, 0, left);
    frames(100, settleTime);
    double elevation = viewElevation();
    frame();
    EXPECT_NEAR(viewElevation() - elevation, 0.5 * fullRate, dragTolerance);

    mouse(Event::DRAG, 400, 270, 0, left);
    frames(100, settleTime);
    elevation = viewElevation();
    frame();
    EXPECT_NEAR(viewElevation() - elevation, (0.5 - 0.2) * fullRate, dragTolerance);

    // Right by an eighth of the width turns right at half rate, then back left of the press
    // point adds a left turn of a sixteenth.
    mouse(Event::DRAG, 500, 300, 0, left);
    frames(100);
    double heading = viewHeading();
    frame();
    EXPECT_NEAR(viewHeading() - heading, -0.5 * fullRate, dragTolerance);
    mouse(Event::DRAG, 350, 300, 0, left);
    frames(100);
    heading = viewHeading();
    frame();
    EXPECT_NEAR(viewHeading() - heading, (0.25 - 0.5) * fullRate, dragTolerance);

    // Releasing the button clears all four, also a held turn key.
    keyDown('j');
    mouse(Event::RELEASE, 350, 300, left, 0);
    frames(120);
    const osg::Matrixd settled = navigation->getMatrix();
    frame();
    EXPECT_LT(matrixDistance(navigation->getMatrix(), settled), 1e-12);
    keyUp('j');
}

TEST_F(NavigationTest, DragReachesFullRateAQuarterWindowAwayAndNeedsTheLeftButton)
{
    setScene(groundOfRadius100());
    start(osg::Vec3d(0, 0, 10), osg::Vec3d(0, 10, 10));
    const double fullRate = 1.5707963267948966 * frameTime;
    const int left = Event::LEFT_MOUSE_BUTTON;

    mouse(Event::PUSH, 200, 100, left, left);
    mouse(Event::DRAG, 200, 100, 0, Event::RIGHT_MOUSE_BUTTON);
    mouse(Event::DRAG, 200, 599, 0, Event::RIGHT_MOUSE_BUTTON);
    frames(100);
    EXPECT_NEAR(viewElevation(), 0.0, 1e-12);

    mouse(Event::DRAG, 200, 250, 0, left);
    frames(100, settleTime);
    double elevation = viewElevation();
    frame();
    EXPECT_NEAR(viewElevation() - elevation, fullRate, dragTolerance);

    mouse(Event::DRAG, 200, 599, 0, left);
    elevation = viewElevation();
    frame();
    EXPECT_NEAR(viewElevation() - elevation, fullRate, dragTolerance);
}

TEST_F(NavigationTest, TurnKeysTurnAboutTheEye)
{
    setScene(groundOfRadius100());
    start(osg::Vec3d(3, 4, 10), osg::Vec3d(3, 14, 10));
    const double fullRate = 1.5707963267948966 * frameTime;

    keyDown('j');
    frames(100);
    double heading = viewHeading();
    frame();
    EXPECT_NEAR(viewHeading() - heading, fullRate, 1e-9);
    keyUp('j');
    keyDown('l');
    frames(100);
    heading = viewHeading();
    frame();
    EXPECT_NEAR(viewHeading() - heading, -fullRate, 1e-9);
    keyUp('l');

    keyDown('k');
    frames(100, settleTime);
    double elevation = viewElevation();
    frame();
    EXPECT_NEAR(viewElevation() - elevation, -fullRate, 1e-9);
    keyUp('k');
    frames(100);
    EXPECT_NEAR((eye() - osg::Vec3d(3, 4, 10)).length(), 0.0, 1e-9);
}

TEST_F(NavigationTest, EyeAndCenterLieTenUnitsApartAlongTheView)
{
    setScene(groundOfRadius100());
    start(osg::Vec3d(0, 0, 10), osg::Vec3d(30, 40, -10));
    keyDown('w');
    keyDown('j');
    frames(40);
    keyUp('w');
    keyUp('j');
    frames(100);

    osg::Vec3d eyePoint, center;
    navigation->getEyeAndCenter(eyePoint, center);
    EXPECT_NEAR((eyePoint - eye()).length(), 0.0, 1e-9);
    EXPECT_NEAR((center - eyePoint).length(), 10.0, 1e-9);
    EXPECT_NEAR((center - eyePoint) * viewDirection(), 10.0, 1e-9);

    // Used as the next home, it reproduces the view.
    const osg::Matrixd now = navigation->getMatrix();
    navigation->setHome(eyePoint, center);
    navigation->goHome();
    EXPECT_LT(matrixDistance(navigation->getMatrix(), now), 1e-9);
}
