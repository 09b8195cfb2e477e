#include "NavigationTestScene.h"

#include <algorithm>
#include <cmath>

namespace navtest {

double matrixDistance(const osg::Matrixd& a, const osg::Matrixd& b)
{
    double largest = 0.0;
    for (int i = 0; i < 16; ++i)
        largest = std::max(largest, std::fabs(a.ptr()[i] - b.ptr()[i]));
    return largest;
}

osg::ref_ptr<osg::Geode> makeRectangle(float x0, float y0, float x1, float y1, float z)
{
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    vertices->push_back(osg::Vec3(x0, y0, z));
    vertices->push_back(osg::Vec3(x1, y0, z));
    vertices->push_back(osg::Vec3(x1, y1, z));
    vertices->push_back(osg::Vec3(x0, y1, z));
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setVertexArray(vertices);
    geometry->addPrimitiveSet(new osg::DrawArrays(GL_QUADS, 0, 4));
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry);
    return geode;
}

NavigationTest::NavigationTest()
    : viewer(new osgViewer::Viewer)
{
    viewer->getCamera()->setProjectionMatrixAsPerspective(45.0, 4.0 / 3.0, 1.0, 100000.0);
    navigation = new osgKELVO::NavigationController(viewer->getCamera());
}

void NavigationTest::setScene(osg::Node* scene)
{
    viewer->setSceneData(scene);
}

void NavigationTest::start(const osg::Vec3d& eyePoint, const osg::Vec3d& center)
{
    navigation->setHome(eyePoint, center);
    navigation->goHome();
    frame();
}

bool NavigationTest::send(osgGA::GUIEventAdapter* event)
{
    event->setTime(time);
    return navigation->handle(*event, *viewer);
}

bool NavigationTest::keyDown(int key)
{
    osg::ref_ptr<osgGA::GUIEventAdapter> event = new osgGA::GUIEventAdapter;
    event->setEventType(osgGA::GUIEventAdapter::KEYDOWN);
    event->setKey(key);
    return send(event);
}

bool NavigationTest::keyUp(int key)
{
    osg::ref_ptr<osgGA::GUIEventAdapter> event = new osgGA::GUIEventAdapter;
    event->setEventType(osgGA::GUIEventAdapter::KEYUP);
    event->setKey(key);
    return send(event);
}

bool NavigationTest::frame(double dt)
{
    time += dt;
    osg::ref_ptr<osgGA::GUIEventAdapter> event = new osgGA::GUIEventAdapter;
    event->setEventType(osgGA::GUIEventAdapter::FRAME);
    const bool result = send(event);
    navigation->updateCamera(*viewer->getCamera());
    return result;
}

void NavigationTest::frames(int count, double dt)
{
    for (int i = 0; i < count; ++i)
        frame(dt);
}

bool NavigationTest::mouse(osgGA::GUIEventAdapter::EventType type, float x, float y, int button, int mask)
{
    osg::ref_ptr<osgGA::GUIEventAdapter> event = new osgGA::GUIEventAdapter;
    event->setEventType(type);
    event->setInputRange(0.0f, 0.0f, 800.0f, 600.0f);
    event->setMouseYOrientation(osgGA::GUIEventAdapter::Y_INCREASING_UPWARDS);
    event->setX(x);
    event->setY(y);
    event->setButton(button);
    event->setButtonMask(mask);
    return send(event);
}

bool NavigationTest::scroll(osgGA::GUIEventAdapter::ScrollingMotion motion)
{
    osg::ref_ptr<osgGA::GUIEventAdapter> event = new osgGA::GUIEventAdapter;
    event->setEventType(osgGA::GUIEventAdapter::SCROLL);
    event->setScrollingMotion(motion);
    return send(event);
}

osg::Vec3d NavigationTest::eye() const
{
    return navigation->getMatrix().getTrans();
}

osg::Vec3d NavigationTest::viewDirection() const
{
    osg::Vec3d eyePoint, center, up;
    navigation->getInverseMatrix().getLookAt(eyePoint, center, up, 1.0);
    osg::Vec3d direction = center - eyePoint;
    direction.normalize();
    return direction;
}

double NavigationTest::viewElevation() const
{
    const osg::Vec3d d = viewDirection();
    return std::atan2(d.z(), std::hypot(d.x(), d.y()));
}

double NavigationTest::viewHeading() const
{
    const osg::Vec3d d = viewDirection();
    return std::atan2(d.y(), d.x());
}

} // namespace navtest
