// The navigation controller driven as the viewer drives it, without a window.

#include "NotifyCapture.h"
#include "ViewerHarness.h"

#include "navigation/NavigationController.h"

#include <gtest/gtest.h>

#include <cmath>

using Event = osgGA::GUIEventAdapter;
using osgKELVO::NavigationController;

namespace {

const double frameTime = 1.0 / 60.0;
// The smoothing settles per frame; short frames keep the pitch clear of the vertical meanwhile.
const double settleTime = 1.0 / 600.0;
const double fullTurn = osg::PI_2 * frameTime;

osg::ref_ptr<osg::Geometry> ground(float x0, float y0, float x1, float y1, float z = 0.0f)
{
    return rectangle(osg::Vec3(x0, y0, z), osg::Vec3(x1 - x0, 0, 0), osg::Vec3(0, y1 - y0, 0));
}

// Half diagonal 200: the speed derived from the scene bound is 20 m/s.
osg::ref_ptr<osg::Geometry> ground200() { return ground(-120, -160, 120, 160); }

// A viewer is the action adapter; after each frame event the camera takes the controller's view
// matrix, as the viewer's update traversal does.
class NavigationTest : public ::testing::Test
{
protected:
    void start(osg::Node* scene, const osg::Vec3d& eye, const osg::Vec3d& center,
               bool terrain = false)
    {
        viewer->getCamera()->setProjectionMatrixAsPerspective(45.0, 4.0 / 3.0, 1.0, 100000.0);
        viewer->setSceneData(scene);
        navigation->setHome(eye, center);
        navigation->goHome();
        if (terrain)
            keyDown(Event::KEY_Tab);
        // The camera takes the view after the first frame; the pivot is found in the next.
        frames(1 + terrain);
    }
    osg::ref_ptr<Event> event(Event::EventType type, int key = 0)
    {
        osg::ref_ptr<Event> event = new Event;
        event->setEventType(type);
        event->setKey(key);
        event->setTime(time);
        return event;
    }
    void send(Event* event) { navigation->handle(*event, *viewer); }
    void keyDown(int key) { send(event(Event::KEYDOWN, key)); }
    void keyUp(int key) { send(event(Event::KEYUP, key)); }
    void frames(int count, double dt = frameTime)
    {
        for (int i = 0; i < count; ++i) {
            time += dt;
            send(event(Event::FRAME));
            navigation->updateCamera(*viewer->getCamera());
        }
    }
    // In an 800 x 600 window, y growing upwards.
    void mouse(Event::EventType type, float x, float y, int button, int mask)
    {
        osg::ref_ptr<Event> event = this->event(type);
        event->setInputRange(0.0f, 0.0f, 800.0f, 600.0f);
        event->setMouseYOrientation(Event::Y_INCREASING_UPWARDS);
        event->setX(x);
        event->setY(y);
        event->setButton(button);
        event->setButtonMask(mask);
        send(event);
    }
    // Holds a key for some frames, then lets the motion settle.
    void hold(int key, int count)
    {
        keyDown(key);
        frames(count);
        keyUp(key);
        frames(100);
    }
    // Settles a held key and returns the eye's displacement over the next second.
    osg::Vec3d secondOfHeldKey(int k)
    {
        keyDown(k);
        frames(100);
        const osg::Vec3d before = eye();
        frames(60);
        keyUp(k);
        const osg::Vec3d moved = eye() - before;
        frames(100);
        return moved;
    }
    osg::Vec3d eye() const { return navigation->getMatrix().getTrans(); }
    // The camera looks along its -z axis.
    osg::Vec3d viewDirection() const
    {
        const osg::Matrixd m = navigation->getMatrix();
        return -osg::Vec3d(m(2, 0), m(2, 1), m(2, 2));
    }
    // Angle of the view above the horizontal, and its heading about z (radians).
    double elevation() const
    {
        const osg::Vec3d d = viewDirection();
        return std::atan2(d.z(), std::hypot(d.x(), d.y()));
    }
    double heading() const { return std::atan2(viewDirection().y(), viewDirection().x()); }
    float pivotDistance() const { return navigation->getFusionDistanceValue(); }

    osg::ref_ptr<osgViewer::Viewer> viewer = new osgViewer::Viewer;
    osg::ref_ptr<NavigationController> navigation = new NavigationController(viewer->getCamera());
    double time = 0.0;
};

} // namespace

TEST_F(NavigationTest, SpeedKeysAndTheWheelScaleTheSpeedAndReportIt)
{
    start(ground(-60, -80, 60, 80), osg::Vec3d(0, 0, 10), osg::Vec3d(0, 10, 10));
    kelvotest::NotifyCapture notices;
    keyDown('+');
    EXPECT_TRUE(notices.has(osg::NOTICE, "Rörelsehastighet 11 m/s"));
    // Every wheel motion but up slows down; each step is reported once.
    struct Case { int key; Event::ScrollingMotion wheel; double factor; };
    const Case cases[] = {
        {'+', Event::SCROLL_NONE, 1.1}, {Event::KEY_KP_Add, Event::SCROLL_NONE, 1.1},
        {'-', Event::SCROLL_NONE, 0.9}, {Event::KEY_KP_Subtract, Event::SCROLL_NONE, 0.9},
        {0, Event::SCROLL_UP, 1.1},     {0, Event::SCROLL_DOWN, 0.9},
        {0, Event::SCROLL_LEFT, 0.9},   {0, Event::SCROLL_RIGHT, 0.9},
        {0, Event::SCROLL_2D, 0.9},     {0, Event::SCROLL_NONE, 0.9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << ", wheel " << c.wheel);
        const double before = navigation->getMoveSpeed();
        notices.clear();
        osg::ref_ptr<Event> step = event(c.key ? Event::KEYDOWN : Event::SCROLL, c.key);
        step->setScrollingMotion(c.wheel);
        send(step);
        EXPECT_NEAR(navigation->getMoveSpeed(), before * c.factor, 1e-9);
        EXPECT_EQ(notices.lines().size(), 1u);
        EXPECT_TRUE(notices.hasText("Rörelsehastighet "));
    }
}

// One second of a held key covers the speed, along the camera's axes in free flight and level
// (but Q and Z vertical) in terrain following; the view keeps its direction.
TEST_F(NavigationTest, MovementKeysMoveAlongTheirDirectionInBothModes)
{
    for (bool terrain : {false, true}) {
        start(ground200(), osg::Vec3d(0, 0, 50), osg::Vec3d(3, 4, 40), terrain);
        const osg::Matrixd m = navigation->getMatrix();
        const osg::Vec3d right(m(0, 0), m(0, 1), m(0, 2)), up(m(1, 0), m(1, 1), m(1, 2)),
            back(m(2, 0), m(2, 1), m(2, 2)), level = osg::Vec3d(0.6, 0.8, 0);
        const osg::Vec3d direction = viewDirection();
        const osg::Vec3d vertical = terrain ? osg::Vec3d(0, 0, 1) : up;
        const std::pair<int, osg::Vec3d> cases[] = {
            {'d', right}, {'a', -right}, {'w', terrain ? level : -back},
            {'s', terrain ? -level : back}, {'q', vertical}, {'z', -vertical}};
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << (terrain ? "terrain following, " : "free flight, ")
                                            << char(c.first));
            const osg::Vec3d moved = secondOfHeldKey(c.first);
            EXPECT_NEAR(moved.length(), 20.0, 1e-6);
            EXPECT_NEAR(moved * c.second / moved.length(), 1.0, 1e-12);
        }
        EXPECT_NEAR((viewDirection() - direction).length(), 0.0, 1e-9);
    }
}

// A pressed key rises smoothly; the distance per second does not depend on the frame rate. (The
// glide to a stop after a release: every settled view of the desktop session.)
TEST_F(NavigationTest, MovementIsSmoothedPerFrameAndKeepsItsSpeedPerSecond)
{
    start(ground(-60, -80, 60, 80), osg::Vec3d(0, 0, 30), osg::Vec3d(0, 10, 30));
    keyDown('w');
    frames(100);
    osg::Vec3d last = eye();
    frames(6, 1.0 / 6.0);
    EXPECT_NEAR((eye() - last).length(), navigation->getMoveSpeed(), 1e-6);
    last = eye();
    frames(1);
    const double settledStep = (eye() - last).length();
    ASSERT_NEAR(settledStep, navigation->getMoveSpeed() * frameTime, 1e-9);

    keyUp('w');
    frames(120);
    keyDown('w');
    last = eye();
    frames(1);
    EXPECT_GT((eye() - last).length(), 0.0);
    EXPECT_LT((eye() - last).length(), 0.5 * settledStep) << "no jump to full speed";
}

// Turn keys turn at the full rate, upper-case letters do nothing; a left drag turns at a rate
// growing with the distance from the press point; releasing it stops every turn.
TEST_F(NavigationTest, TurnKeysAndDragsTurnAboutTheEyeAtTheirRates)
{
    struct Case
    {
        int key;
        std::vector<osg::Vec2f> drag;
        int mask;
        bool release;
        double yaw, pitch;
    };
    const int left = Event::LEFT_MOUSE_BUTTON;
    const Case cases[] = {
        {'j', {}, 0, false, 1, 0},
        {'l', {}, 0, false, -1, 0},
        {'i', {}, 0, false, 0, 1},
        {'k', {}, 0, false, 0, -1},
        {'J', {}, 0, false, 0, 0},
        {'W', {}, 0, false, 0, 0},
        {0, {{400, 300}, {400, 375}}, left, false, 0, 0.5},
        // Down past the press point: pitching down joins while pitching up keeps its value.
        {0, {{400, 300}, {400, 375}, {400, 270}}, left, false, 0, 0.5 - 0.2},
        {0, {{400, 300}, {500, 300}}, left, false, -0.5, 0},
        {0, {{400, 300}, {500, 300}, {350, 300}}, left, false, -0.5 + 0.25, 0},
        {0, {{200, 100}, {200, 250}}, left, false, 0, 1},
        {0, {{200, 100}, {200, 599}}, left, false, 0, 1},
        {0, {{200, 100}, {200, 599}}, Event::RIGHT_MOUSE_BUTTON, false, 0, 0},
        {'j', {{400, 300}, {400, 375}}, left, true, 0, 0},
    };
    start(ground(-60, -80, 60, 80), osg::Vec3d(3, 4, 10), osg::Vec3d(3, 14, 10));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << ", drag of " << c.drag.size());
        navigation->goHome();
        if (c.key)
            keyDown(c.key);
        for (std::size_t i = 0; i < c.drag.size(); ++i)
            mouse(i ? Event::DRAG : Event::PUSH, c.drag[i].x(), c.drag[i].y(), i ? 0 : left,
                  i ? c.mask : left);
        if (c.release)
            mouse(Event::RELEASE, 400, 300, left, 0);
        frames(100, settleTime);
        const double headingBefore = heading(), elevationBefore = elevation();
        frames(1);
        EXPECT_NEAR(heading() - headingBefore, c.yaw * fullTurn, 1e-7);
        EXPECT_NEAR(elevation() - elevationBefore, c.pitch * fullTurn, 1e-7);
        EXPECT_NEAR((eye() - osg::Vec3d(3, 4, 10)).length(), 0.0, 1e-9);
        if (c.key)
            keyUp(c.key);
        mouse(Event::RELEASE, 400, 300, left, 0);
        frames(120, settleTime);
    }
}

// Tab switches to terrain following, which moves along twice the angle the view is raised by: the
// pivot is where the view line mirrored downwards meets the ground plane.
TEST_F(NavigationTest, TerrainFollowingLookingUpMovesAlongTwiceTheAngle)
{
    const double b = 0.3;
    kelvotest::NotifyCapture notices;
    start(ground200(), osg::Vec3d(0, 0, 50),
          osg::Vec3d(10 * std::cos(b), 0, 50 + 10 * std::sin(b)), true);
    EXPECT_EQ(navigation->getMode(), NavigationController::TerrainFollowing);
    EXPECT_EQ(notices.count("Rörelsemodellen ändrades"), 1u) << "Tab is reported once";
    EXPECT_NEAR(pivotDistance(), 50.0 / std::sin(b), 1e-3);
    const osg::Vec3d moved = secondOfHeldKey('w');
    EXPECT_NEAR(std::atan2(moved.z(), std::hypot(moved.x(), moved.y())), 2 * b, 1e-9);
    EXPECT_NEAR(moved.y(), 0.0, 1e-9);
    EXPECT_GT(moved.x(), 0.0);
    EXPECT_NEAR(elevation(), b, 1e-9);
}

TEST_F(NavigationTest, TerrainFollowingPivotsOnWhatLiesUnderTheViewCentreElseOnTheGround)
{
    osg::ref_ptr<osg::Group> scene = new osg::Group;
    // A block top at z 20 around (0, 20).
    osg::ref_ptr<osg::Geometry> block = ground(-10, 12, 14, 30, 20);
    scene->addChild(ground(-500, -500, 500, 500));
    scene->addChild(block);
    start(scene, osg::Vec3d(0, 0, 50), osg::Vec3d(0, 20, 20), true);
    const double toBlock = std::hypot(20.0, 30.0);
    EXPECT_NEAR(pivotDistance(), toBlock, 1e-3) << "the block top lies before the ground";

    // Turning circles the vertical line through the pivot at the same height.
    hold('j', 90);
    EXPECT_GT(std::fabs(heading() - osg::PI_2), 0.5);
    EXPECT_NEAR(std::hypot(eye().x(), eye().y() - 20.0), 20.0, 1e-3);
    EXPECT_NEAR(eye().z(), 50.0, 1e-6);
    EXPECT_NEAR(pivotDistance(), toBlock, 1e-3);

    hold('i', 20);
    EXPECT_NEAR((eye() - osg::Vec3d(0, 20, 20)).length(), toBlock, 1e-3) << "pitched about it";
    EXPECT_GT(elevation(), std::atan2(-30.0, 20.0) + 0.1);

    // With nothing under the view the pivot lies on the ground plane.
    keyDown(Event::KEY_Tab);
    start(block, osg::Vec3d(0, 0, 50), osg::Vec3d(0, -20, 20), true);
    const double r = 50.0 / 30.0 * 20.0;
    EXPECT_NEAR(pivotDistance(), 50.0 / 30.0 * std::hypot(20.0, 30.0), 1e-3);
    hold('l', 90);
    EXPECT_NEAR(std::hypot(eye().x(), eye().y() + r), r, 1e-3);
    EXPECT_NEAR(eye().z(), 50.0, 1e-6);
    keyDown(Event::KEY_Tab);
    frames(1);
    EXPECT_FLOAT_EQ(pivotDistance(), 100.0f) << "free flight again";

    // A level view over nothing keeps the origin as pivot.
    start(block, osg::Vec3d(30, 40, 50), osg::Vec3d(30, 30, 50), true);
    EXPECT_NEAR(pivotDistance(), 50.0 * std::sqrt(2.0), 1e-3);
}

// Looking nearly straight down, K pitches past the vertical in free flight only; terrain following
// skips that pitch while moving and turning go on.
TEST_F(NavigationTest, PitchPastTheVerticalCarriesOverInFreeFlightOnly)
{
    const double nearlyDown = osg::PI_2 - 0.01;
    for (bool terrain : {false, true}) {
        SCOPED_TRACE(terrain ? "terrain following" : "free flight");
        start(ground(-500, -500, 500, 500), osg::Vec3d(0, 0, 50),
              osg::Vec3d(0, 10 * std::cos(nearlyDown), 50 - 10 * std::sin(nearlyDown)), terrain);
        const double before = heading();
        hold('k', 30);
        EXPECT_EQ(navigation->getMatrix()(1, 2) > 0.0, terrain);
        EXPECT_NEAR(std::fabs(heading() - before), terrain ? 0.0 : osg::PI, 1e-6);
    }
    const double before = heading();
    keyDown('k');
    keyDown('w');
    keyDown('j');
    frames(100);
    const osg::Vec3d from = eye();
    frames(30);
    EXPECT_GT(navigation->getMatrix()(1, 2), 0.0);
    EXPECT_GT(std::fabs(heading() - before), 0.1);
    const osg::Vec3d moved = eye() - from;
    EXPECT_GT(std::hypot(moved.x(), moved.y()), 0.1 * navigation->getMoveSpeed());
    EXPECT_NEAR(moved.z(), 0.0, 1e-6);
}
