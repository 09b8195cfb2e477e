#include "environment/EnvironmentController.h"
#include "environment/MoveEarthySkyWithEyePointTransform.h"

#include <osg/ShapeDrawable>
#include <osgUtil/IntersectionVisitor>
#include <osgUtil/LineSegmentIntersector>

#include <gtest/gtest.h>

namespace {

osg::ref_ptr<osg::Node> skyLikeSphere()
{
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(new osg::ShapeDrawable(new osg::Sphere(osg::Vec3(), 30000.0f)));
    osg::ref_ptr<osgKELVO::MoveEarthySkyWithEyePointTransform> transform =
        new osgKELVO::MoveEarthySkyWithEyePointTransform;
    transform->addChild(geode);
    return transform;
}

} // namespace

TEST(SkyInTheScene, DoesNotWidenTheBoundOfItsParent)
{
    osg::ref_ptr<osg::Group> root = new osg::Group;
    osg::ref_ptr<osg::Geode> model = new osg::Geode;
    model->addDrawable(new osg::ShapeDrawable(new osg::Box(osg::Vec3(100, 0, 0), 20.0f)));
    root->addChild(model);
    const osg::BoundingSphere withoutSky = root->getBound();
    root->addChild(skyLikeSphere());
    root->dirtyBound();
    EXPECT_FLOAT_EQ(withoutSky.radius(), root->getBound().radius());
    EXPECT_EQ(withoutSky.center(), root->getBound().center());
}

TEST(SkyInTheScene, IsNotHitByPicks)
{
    osg::ref_ptr<osg::Group> root = new osg::Group;
    root->addChild(skyLikeSphere());
    osg::ref_ptr<osgUtil::LineSegmentIntersector> ray =
        new osgUtil::LineSegmentIntersector(osg::Vec3d(0, 0, 10), osg::Vec3d(0, 100000, 10));
    osgUtil::IntersectionVisitor visitor(ray.get());
    root->accept(visitor);
    EXPECT_FALSE(ray->containsIntersections());

    osg::ref_ptr<osg::Geode> wall = new osg::Geode;
    wall->addDrawable(new osg::ShapeDrawable(new osg::Box(osg::Vec3(0, 500, 10), 50.0f)));
    root->addChild(wall);
    osg::ref_ptr<osgUtil::LineSegmentIntersector> second =
        new osgUtil::LineSegmentIntersector(osg::Vec3d(0, 0, 10), osg::Vec3d(0, 100000, 10));
    osgUtil::IntersectionVisitor again(second.get());
    root->accept(again);
    ASSERT_TRUE(second->containsIntersections());
    EXPECT_NEAR(475.0, second->getFirstIntersection().getWorldIntersectPoint().y(), 1e-3);
}
