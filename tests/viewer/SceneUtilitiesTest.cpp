#include "util/DataVarianceVisitor.h"
#include "util/DisplayListVisitor.h"
#include "hud/PickWorldPoint.h"
#include "ViewerHarness.h"

#include <gtest/gtest.h>
#include <osg/Geode>
#include <osg/MatrixTransform>
#include <osg/Switch>
#include <osgViewer/Viewer>

using namespace osgKELVO;

namespace {

osg::ref_ptr<osg::Geometry> quad(float size, float z)
{
    return rectangle(osg::Vec3(-size, -size, z), osg::Vec3(2 * size, 0, 0),
                     osg::Vec3(0, 2 * size, 0));
}

} // namespace

TEST(SceneUtilities, DataVarianceReachesSwitchedOffTransformsAndGeodes)
{
    osg::ref_ptr<osg::Switch> top = new osg::Switch;
    osg::ref_ptr<osg::MatrixTransform> transform = new osg::MatrixTransform;
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    osg::ref_ptr<osg::Group> plain = new osg::Group;
    transform->addChild(geode);
    top->addChild(transform, false);
    top->addChild(plain, false);
    transform->setDataVariance(osg::Object::STATIC);
    geode->setDataVariance(osg::Object::STATIC);
    plain->setDataVariance(osg::Object::STATIC);

    DataVarianceVisitor visitor(osg::Object::DYNAMIC);
    top->accept(visitor);
    EXPECT_EQ(osg::Object::DYNAMIC, transform->getDataVariance());
    EXPECT_EQ(osg::Object::DYNAMIC, geode->getDataVariance());
    EXPECT_EQ(osg::Object::STATIC, plain->getDataVariance()) << "only transforms and geodes";
}

TEST(SceneUtilities, DisplayListsSwitchedForEveryGeometry)
{
    osg::ref_ptr<osg::Switch> top = new osg::Switch;
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    osg::ref_ptr<osg::Geometry> a = quad(1, 0), b = quad(2, 0);
    geode->addDrawable(a);
    geode->addDrawable(b);
    top->addChild(geode, false);
    for (bool use : {false, true}) {
        DisplayListVisitor visitor(use);
        top->accept(visitor);
        EXPECT_EQ(use, a->getUseDisplayList());
        EXPECT_EQ(use, b->getUseDisplayList());
    }
}

TEST(SceneUtilities, PickFindsTheNearestSurfaceOrNothing)
{
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(quad(100, 0));
    geode->addDrawable(quad(10, 5));

    osgViewer::Viewer viewer;
    viewer.setSceneData(geode);
    osg::Camera* camera = viewer.getCamera();
    camera->setViewport(0, 0, 200, 100);
    camera->setProjectionMatrixAsPerspective(45.0, 2.0, 1.0, 1000.0);
    camera->setViewMatrixAsLookAt(osg::Vec3d(0, 0, 50), osg::Vec3d(0, 0, 0), osg::Vec3d(0, 1, 0));

    osg::Vec3f point(7, 7, 7);
    ASSERT_TRUE(pickWorldPoint(&viewer, 100, 50, point));
    EXPECT_NEAR(0.0f, point.x(), 1e-3);
    EXPECT_NEAR(0.0f, point.y(), 1e-3);
    EXPECT_NEAR(5.0f, point.z(), 1e-3) << "the upper, nearer quad";

    camera->setViewMatrixAsLookAt(osg::Vec3d(0, 0, 50), osg::Vec3d(0, 0, 100),
                                  osg::Vec3d(0, 1, 0));
    point.set(7, 7, 7);
    EXPECT_FALSE(pickWorldPoint(&viewer, 100, 50, point));
    EXPECT_EQ(osg::Vec3f(7, 7, 7), point) << "a miss leaves the point alone";
}
