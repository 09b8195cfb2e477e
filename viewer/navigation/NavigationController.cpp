#include "navigation/NavigationController.h"

#include "util/HelpUsage.h"

#include <osg/Notify>
#include <osgUtil/IntersectionVisitor>
#include <osgUtil/LineSegmentIntersector>
#include <osgViewer/View>

#include <algorithm>
#include <cmath>

namespace osgKELVO {

namespace {

const double halfPi = 1.5707963267948966;
const osg::Vec3d xAxis(1.0, 0.0, 0.0);
const osg::Vec3d zAxis(0.0, 0.0, 1.0);

// The keys this controller owns, beside the lines the help panel shows for them.
const int moveRight = 'd';
const int moveLeft = 'a';
const int moveForward = 'w';
const int moveBack = 's';
const int moveUp = 'q';
const int moveDown = 'z';
const int pitchUp = 'i';
const int pitchDown = 'k';
const int yawLeft = 'j';
const int yawRight = 'l';
const HelpUsage::Line turnByDragUsage{HelpUsage::Navigation, 1, "Vänster musknapp + Dra", "Vrid vyn"};
const HelpUsage::Line turnUsage{HelpUsage::Navigation, 2, "J,L,I,K", "Vrid vyn (med tangenter)"};
const HelpUsage::Line moveUsage{HelpUsage::Navigation, 3, "W,S,A,D,Q,Z", "Flytta vyn"};

// Faster and slower also come from the scroll wheel.
const int fasterKey = '+';
const int fasterKeypadKey = osgGA::GUIEventAdapter::KEY_KP_Add;
const int slowerKey = '-';
const int slowerKeypadKey = osgGA::GUIEventAdapter::KEY_KP_Subtract;
const HelpUsage::Line speedUsage{HelpUsage::Navigation, 4, "+/-/Mus scrollhjul", "Öka/minska rörelsehastighet"};

const int toggleModeKey = osgGA::GUIEventAdapter::KEY_Tab;
const HelpUsage::Line modeUsage{HelpUsage::Navigation, 5, "Tab", "Växla mellan fri och terrängföljande navigering"};

// Not in the help panel.
const int homeKey = osgGA::GUIEventAdapter::KEY_Space;

// The held keys, in the order of their slots in keyState.
const int heldKeys[] = {moveRight, moveLeft, moveForward, moveBack, moveUp,
                        moveDown, pitchUp, pitchDown, yawLeft, yawRight};

enum Axis { Right, Forward, Up, Pitch, Yaw, AxisCount };

float clampUnit(float value)
{
    return std::min(1.0f, std::max(-1.0f, value));
}

} // namespace

NavigationController::NavigationController(osg::Node* camera)
    : initialized(false),
      mode(FreeFlight),
      keyState(sizeof(heldKeys) / sizeof(heldKeys[0]), 0.0f),
      axes{0.0f, 0.0f, 0.0f, 0.0f, 0.0f},
      moveSpeed(10.0),
      turnSpeed(1.5707963267948966),
      camera(camera),
      pressX(0.0f), pressY(0.0f),
      lastFrameTime(0.0),
      modeChanged(false),
      fusionDistance(100.0f)
{
}

NavigationController::~NavigationController() = default;

void NavigationController::initialize()
{
    for (unsigned i = 0; i < keyState.size(); ++i)
        keyIndex[heldKeys[i]] = i;
    goHome();
    // An empty scene has no valid bound (radius -1); keep the initial speed rather than fly backwards.
    const osg::BoundingSphere& bound = camera->getBound();
    if (bound.valid() && bound.radius() > 0.0f)
        moveSpeed = bound.radius() / 10.0;
    initialized = true;
}

float& NavigationController::state(int key)
{
    return keyState[keyIndex.at(key)];
}

bool NavigationController::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa)
{
    if (!initialized)
        initialize();

    osgViewer::View* view = dynamic_cast<osgViewer::View*>(&aa);
    if (!view || !view->getViewerBase() || ea.getHandled())
        return false;

    // Never consumed: the overlay and the other handlers see the same keys.
    switch (ea.getEventType()) {
    case osgGA::GUIEventAdapter::PUSH:
        return handleMousePush(ea);
    case osgGA::GUIEventAdapter::RELEASE:
        return handleMouseRelease(ea);
    case osgGA::GUIEventAdapter::DRAG:
        return handleMouseDrag(ea);
    case osgGA::GUIEventAdapter::KEYDOWN:
        return handleKeyDown(ea);
    case osgGA::GUIEventAdapter::KEYUP:
        return handleKeyUp(ea);
    case osgGA::GUIEventAdapter::FRAME:
        return handleFrame(ea);
    case osgGA::GUIEventAdapter::SCROLL:
        return handleMouseWheel(ea);
    default:
        return false;
    }
}

void NavigationController::getUsage(osg::ApplicationUsage& usage) const
{
    HelpUsage::declare(usage, turnByDragUsage);
    HelpUsage::declare(usage, turnUsage);
    HelpUsage::declare(usage, moveUsage);
    HelpUsage::declare(usage, speedUsage);
    HelpUsage::declare(usage, modeUsage);
}

bool NavigationController::handleMousePush(const osgGA::GUIEventAdapter& ea)
{
    if (ea.getButton() == osgGA::GUIEventAdapter::LEFT_MOUSE_BUTTON) {
        pressX = 2.0f * ea.getXnormalized();
        pressY = 2.0f * ea.getYnormalized();
    }
    return false;
}

bool NavigationController::handleMouseRelease(const osgGA::GUIEventAdapter& ea)
{
    if (ea.getButton() == osgGA::GUIEventAdapter::LEFT_MOUSE_BUTTON) {
        state(pitchUp) = 0.0f;
        state(pitchDown) = 0.0f;
        state(yawLeft) = 0.0f;
        state(yawRight) = 0.0f;
    }
    return false;
}

bool NavigationController::handleMouseDrag(const osgGA::GUIEventAdapter& ea)
{
    if (ea.getButtonMask() & osgGA::GUIEventAdapter::LEFT_MOUSE_BUTTON)
        dragTurn(ea.getXnormalized(), ea.getYnormalized());
    return false;
}

bool NavigationController::handleMouseWheel(const osgGA::GUIEventAdapter& ea)
{
    changeSpeed(ea.getScrollingMotion() == osgGA::GUIEventAdapter::SCROLL_UP ? 1.1 : 0.9);
    return false;
}

bool NavigationController::handleKeyDown(const osgGA::GUIEventAdapter& ea)
{
    const int key = ea.getKey();
    if (keyIndex.count(key))
        state(key) = 1.0f;
    if (key == homeKey)
        goHome();
    if (key == toggleModeKey)
        toggleMode();
    if (key == fasterKey || key == fasterKeypadKey)
        changeSpeed(1.1);
    if (key == slowerKey || key == slowerKeypadKey)
        changeSpeed(0.9);
    return false;
}

bool NavigationController::handleKeyUp(const osgGA::GUIEventAdapter& ea)
{
    if (keyIndex.count(ea.getKey()))
        state(ea.getKey()) = 0.0f;
    return false;
}

bool NavigationController::handleFrame(const osgGA::GUIEventAdapter& ea)
{
    frameUpdate(ea.getTime());
    return false;
}

void NavigationController::dragTurn(float normalizedX, float normalizedY)
{
    // Full rate a quarter of the window away from the press point. Each pair keeps the other side's
    // value until the button is released.
    const float v = clampUnit(pressY - 2.0f * normalizedY);
    if (v <= 0.0f)
        state(pitchUp) = -v;
    else
        state(pitchDown) = v;
    const float u = clampUnit(pressX - 2.0f * normalizedX);
    if (u <= 0.0f)
        state(yawRight) = -u;
    else
        state(yawLeft) = u;
}

void NavigationController::changeSpeed(double factor)
{
    moveSpeed *= factor;
    osg::notify(osg::NOTICE) << "Rörelsehastighet " << moveSpeed << " m/s" << std::endl;
}

void NavigationController::toggleMode()
{
    mode = mode == FreeFlight ? TerrainFollowing : FreeFlight;
    modeChanged = true;
}

void NavigationController::frameUpdate(double time)
{
    const double dt = time - lastFrameTime;
    lastFrameTime = time;

    const float targets[AxisCount] = {
        state(moveRight) - state(moveLeft), state(moveForward) - state(moveBack),
        state(moveUp) - state(moveDown), state(pitchUp) - state(pitchDown),
        state(yawLeft) - state(yawRight)};
    // Per frame, not per second: the smoothing follows the frame rate.
    for (int i = 0; i < AxisCount; ++i) {
        const float smoothed = 0.9f * axes[i] + 0.1f * targets[i];
        axes[i] = std::fabs(smoothed - targets[i]) < 0.001f ? targets[i] : smoothed;
    }

    const osg::Vec3d translation = osg::Vec3d(axes[Right], axes[Forward], axes[Up]) * (moveSpeed * dt);
    const double pitch = turnSpeed * dt * axes[Pitch];
    const double yaw = turnSpeed * dt * axes[Yaw];

    if (modeChanged) {
        osg::notify(osg::NOTICE) << "Rörelsemodellen ändrades" << std::endl;
        modeChanged = false;
    }

    if (mode == TerrainFollowing)
        terrainFollowingStep(translation, pitch, yaw);
    else
        freeStep(translation, pitch, yaw);
}

// Matrices act on row vectors: preMult works in camera coordinates, postMult in world coordinates.
// The walking frame is camera coordinates turned by -90 degrees about x (y forward, z up).
void NavigationController::freeStep(const osg::Vec3d& translation, double pitch, double yaw)
{
    const osg::Vec3d eye = matrix.getTrans();
    matrix.postMult(osg::Matrixd::translate(-eye));
    matrix.postMult(osg::Matrixd::rotate(yaw, zAxis));
    matrix.postMult(osg::Matrixd::translate(eye));

    matrix.preMult(osg::Matrixd::rotate(-halfPi, xAxis));
    matrix.preMult(osg::Matrixd::rotate(pitch, xAxis));
    matrix.preMult(osg::Matrixd::translate(translation));
    matrix.preMult(osg::Matrixd::rotate(halfPi, xAxis));

    fusionDistance = 100.0f;
}

void NavigationController::terrainFollowingStep(const osg::Vec3d& translation, double pitch, double yaw)
{
    const osg::Vec3f pivot = findPivot();
    const double a = elevation();
    const bool skipPitch = a - pitch > halfPi || a - pitch < -halfPi;

    // Move in the walking frame tilted up by the elevation: level while looking down.
    matrix.preMult(osg::Matrixd::rotate(-halfPi, xAxis));
    matrix.preMult(osg::Matrixd::rotate(a, xAxis));
    matrix.preMult(osg::Matrixd::translate(translation));
    matrix.preMult(osg::Matrixd::rotate(-a, xAxis));

    const osg::Vec3d pivotd(pivot);
    matrix.postMult(osg::Matrixd::translate(-pivotd));
    matrix.postMult(osg::Matrixd::rotate(yaw, zAxis));
    matrix.postMult(osg::Matrixd::translate(pivotd));

    const float distance = (pivot - osg::Vec3f(matrix.getTrans())).length();

    // Pitch about the point straight ahead at the pivot's distance.
    matrix.preMult(osg::Matrixd::translate(0.0, distance, 0.0));
    if (!skipPitch)
        matrix.preMult(osg::Matrixd::rotate(pitch, xAxis));
    matrix.preMult(osg::Matrixd::translate(0.0, -distance, 0.0));
    matrix.preMult(osg::Matrixd::rotate(halfPi, xAxis));

    fusionDistance = distance;
}

osg::Vec3f NavigationController::findPivot() const
{
    osg::ref_ptr<osgUtil::LineSegmentIntersector> intersector =
        new osgUtil::LineSegmentIntersector(osgUtil::Intersector::PROJECTION, 0.0, 0.0);
    osgUtil::IntersectionVisitor visitor(intersector.get());
    camera->accept(visitor);

    osg::Vec3f pivot(0.0f, 0.0f, 0.0f);
    const bool hit = intersector->containsIntersections();
    if (hit)
        pivot = intersector->getFirstIntersection().getWorldIntersectPoint();
    if (hit && pivot != osg::Vec3f(0.5f, 0.5f, 0.0f))
        return pivot;

    // Nothing under the view centre: meet the ground plane z = 0, looking down or level.
    osg::Vec3d eye, center, up;
    osg::Matrixd::inverse(matrix).getLookAt(eye, center, up, 10.0);
    osg::Vec3d direction = center - eye;
    direction.normalize();
    if (direction.z() > 0.0)
        direction.z() = -direction.z();
    if (direction.z() != 0.0) {
        const double t = -eye.z() / direction.z();
        if (t > 0.0)
            pivot = eye + direction * t;
    }
    return pivot;
}

double NavigationController::elevation() const
{
    // The world's down direction in camera coordinates, and its angle to the camera's x-y plane.
    osg::Vec3d eye, center, up;
    matrix.getLookAt(eye, center, up, 1.0);
    osg::Vec3d down = center - eye;
    down.normalize();
    osg::Vec3d horizontal(down.x(), down.y(), 0.0);
    if (horizontal.length() > 0.0)
        horizontal.normalize();
    return std::acos(std::min(1.0, std::max(-1.0, horizontal * down)));
}

void NavigationController::setByMatrix(const osg::Matrixd& m)
{
    matrix = m;
}

void NavigationController::setByInverseMatrix(const osg::Matrixd& m)
{
    matrix = osg::Matrixd::inverse(m);
}

osg::Matrixd NavigationController::getMatrix() const
{
    return matrix;
}

osg::Matrixd NavigationController::getInverseMatrix() const
{
    return osg::Matrixd::inverse(matrix);
}

float NavigationController::getFusionDistanceValue() const
{
    return fusionDistance;
}

void NavigationController::setHome(const osg::Vec3d& eye, const osg::Vec3d& center)
{
    home.eye = eye;
    home.center = center;
}

void NavigationController::goHome()
{
    matrix = osg::Matrixd::inverse(osg::Matrixd::lookAt(home.eye, home.center, osg::Vec3d(0.0, 0.0, 1.0)));
}

void NavigationController::getEyeAndCenter(osg::Vec3d& eye, osg::Vec3d& center) const
{
    osg::Vec3d up;
    osg::Matrixd::inverse(matrix).getLookAt(eye, center, up, 10.0);
}

} // namespace osgKELVO
