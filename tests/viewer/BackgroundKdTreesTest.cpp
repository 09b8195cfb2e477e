// K-d trees built off the frame loop's thread.

#include "scene/BackgroundKdTrees.h"

#include <gtest/gtest.h>
#include <osg/Geode>
#include <osgUtil/IntersectionVisitor>
#include <osgUtil/LineSegmentIntersector>

#include <cmath>

namespace {

// A wavy height field of n × n cells, big enough for the builder to split.
osg::ref_ptr<osg::Geode> terrain(unsigned n)
{
    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    for (unsigned y = 0; y <= n; ++y)
        for (unsigned x = 0; x <= n; ++x)
            vertices->push_back(osg::Vec3(x, y, std::sin(x * 0.3f) * std::cos(y * 0.2f) * 5.0f));
    osg::ref_ptr<osg::DrawElementsUInt> triangles = new osg::DrawElementsUInt(GL_TRIANGLES);
    for (unsigned y = 0; y < n; ++y)
        for (unsigned x = 0; x < n; ++x) {
            const unsigned i = y * (n + 1) + x;
            for (unsigned corner : {i, i + 1, i + n + 2, i, i + n + 2, i + n + 1})
                triangles->push_back(corner);
        }
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setVertexArray(vertices);
    geometry->addPrimitiveSet(triangles);
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(geometry);
    return geode;
}

bool hasTree(osg::Geode& geode)
{
    return dynamic_cast<osg::KdTree*>(geode.getDrawable(0)->getShape()) != nullptr;
}

// The nearest hit of a vertical ray down through (x, y).
osg::Vec3d pick(osg::Node& node, double x, double y)
{
    osg::ref_ptr<osgUtil::LineSegmentIntersector> ray =
        new osgUtil::LineSegmentIntersector(osg::Vec3d(x, y, 100.0), osg::Vec3d(x, y, -100.0));
    osgUtil::IntersectionVisitor visitor(ray.get());
    node.accept(visitor);
    return ray->containsIntersections() ? ray->getFirstIntersection().getWorldIntersectPoint()
                                        : osg::Vec3d(0, 0, 1e9);
}

} // namespace

TEST(BackgroundKdTrees, TreeAttachedOnlyOnRequestAndPicksUnchanged)
{
    osg::ref_ptr<osg::Geode> ground = terrain(60);
    osgKELVO::BackgroundKdTrees trees;
    trees.submit(ground.get());
    const osg::Vec3d before = pick(*ground, 17.3, 42.8);
    trees.waitUntilBuilt();
    EXPECT_FALSE(hasTree(*ground)) << "attached behind the picking thread's back";
    EXPECT_EQ(1u, trees.attachFinished());
    ASSERT_TRUE(hasTree(*ground));
    EXPECT_NEAR(0.0, (before - pick(*ground, 17.3, 42.8)).length(), 1e-4);
    // A geometry that has its tree is not queued again.
    trees.submit(ground.get());
    trees.waitUntilBuilt();
    EXPECT_EQ(0u, trees.attachFinished());
    // Closed with work queued, as the viewer may be: no hang, no freed geometry touched.
    for (int i = 0; i < 4; ++i)
        trees.submit(terrain(200).get());
}
