// K-d trees built off the frame loop's thread, and large geometries split for culling.

#include "PagedTerrain.h"
#include "ViewerHarness.h"
#include "scene/BackgroundKdTrees.h"
#include "scene/SceneController.h"
#include "scene/SpatialChunks.h"

#include <gtest/gtest.h>
#include <osg/Geode>
#include <osg/TriangleFunctor>
#include <osgUtil/IntersectionVisitor>
#include <osgUtil/LineSegmentIntersector>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <thread>

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

// The nearest hit of a vertical ray down through (x, y); without a path when there is none.
osgUtil::LineSegmentIntersector::Intersection firstHit(osg::Node& node, double x, double y)
{
    osg::ref_ptr<osgUtil::LineSegmentIntersector> ray =
        new osgUtil::LineSegmentIntersector(osg::Vec3d(x, y, 100.0), osg::Vec3d(x, y, -100.0));
    osgUtil::IntersectionVisitor visitor(ray.get());
    node.accept(visitor);
    return ray->containsIntersections() ? ray->getFirstIntersection()
                                        : osgUtil::LineSegmentIntersector::Intersection();
}

osg::Vec3d pick(osg::Node& node, double x, double y)
{
    const osgUtil::LineSegmentIntersector::Intersection hit = firstHit(node, x, y);
    return hit.nodePath.empty() ? osg::Vec3d(0, 0, 1e9) : hit.getWorldIntersectPoint();
}

// Every triangle of a node's geometries as its corners, each begun at its least corner so that
// the winding is kept, in a sorted list.
std::vector<std::array<osg::Vec3, 3>> trianglesOf(osg::Geode& geode)
{
    struct Corners
    {
        std::vector<std::array<osg::Vec3, 3>>* list;
        void operator()(const osg::Vec3& a, const osg::Vec3& b, const osg::Vec3& c)
        {
            std::array<osg::Vec3, 3> t{a, b, c};
            std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
            list->push_back(t);
        }
    };
    std::vector<std::array<osg::Vec3, 3>> list;
    for (unsigned i = 0; i < geode.getNumDrawables(); ++i) {
        osg::TriangleFunctor<Corners> corners;
        corners.list = &list;
        geode.getDrawable(i)->accept(corners);
    }
    std::sort(list.begin(), list.end());
    return list;
}

} // namespace

TEST(SpatialChunks, PiecesHoldTheSameTrianglesWithTheirAttributesAndPicksStay)
{
    const unsigned n = 128;
    osg::ref_ptr<osg::Geode> ground = terrain(n);
    osg::Geometry* whole = ground->getDrawable(0)->asGeometry();
    osg::ref_ptr<osg::Vec2Array> texCoords = new osg::Vec2Array(osg::Array::BIND_PER_VERTEX);
    for (const osg::Vec3& v : *static_cast<osg::Vec3Array*>(whole->getVertexArray()))
        texCoords->push_back(osg::Vec2(v.x() / n, v.y() / n));
    whole->setTexCoordArray(0, texCoords);
    const float wholeArea = whole->getBoundingBox().xMax() * whole->getBoundingBox().yMax();
    const std::vector<std::array<osg::Vec3, 3>> before = trianglesOf(*ground);
    const osg::Vec3d picked = pick(*ground, 77.3, 21.6);

    ASSERT_EQ(1u, osgKELVO::SpatialChunks::split(ground.get()));
    ASSERT_GT(ground->getNumDrawables(), 1u);
    EXPECT_EQ(before, trianglesOf(*ground));
    for (unsigned i = 0; i < ground->getNumDrawables(); ++i) {
        osg::Geometry* part = ground->getDrawable(i)->asGeometry();
        const osg::BoundingBox& box = part->getBoundingBox();
        EXPECT_LT((box.xMax() - box.xMin()) * (box.yMax() - box.yMin()), wholeArea / 2);
        const auto& vertices = *static_cast<osg::Vec3Array*>(part->getVertexArray());
        const auto& coords = *static_cast<osg::Vec2Array*>(part->getTexCoordArray(0));
        ASSERT_EQ(vertices.size(), coords.size());
        for (std::size_t v = 0; v < vertices.size(); ++v)
            ASSERT_EQ(osg::Vec2(vertices[v].x() / n, vertices[v].y() / n), coords[v]);
    }
    EXPECT_NEAR(0.0, (picked - pick(*ground, 77.3, 21.6)).length(), 1e-4);

    // What stays whole: a geometry of few triangles, and one that also draws lines.
    osg::ref_ptr<osg::Geode> small = terrain(60);
    osg::ref_ptr<osg::Geode> lined = terrain(n);
    lined->getDrawable(0)->asGeometry()->addPrimitiveSet(new osg::DrawArrays(GL_LINES, 0, 2));
    EXPECT_EQ(0u, osgKELVO::SpatialChunks::split(small.get()));
    EXPECT_EQ(0u, osgKELVO::SpatialChunks::split(lined.get()));
    EXPECT_EQ(1u, lined->getNumDrawables());
}

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

// A paged terrain read as a model: its fine tiles stream in through the pager, each with the k-d
// tree that the pager's thread built (nothing else builds trees here), and picks land on them.
TEST(PagedDatabase, FineTilePagedInWithItsTree)
{
    const PagedTerrain terrain = PagedTerrain::small();
    struct Formats
    {
        const char* root;
        const char* tiles;
    };
    for (const Formats formats : {Formats{"ive", "osgb"}, Formats{"osgb", "osgt"}}) {
        SCOPED_TRACE(std::string(formats.root) + " root, " + formats.tiles + " tiles");
        kelvotest::ScratchTree files;
        std::string problem;
        ASSERT_TRUE(terrain.write(files.root(), formats.root, formats.tiles, &problem)) << problem;
        TestViewer viewer;
        ASSERT_TRUE(viewer.open(64, 64, true));
        osg::ref_ptr<osg::Group> scene = new osg::Group;
        viewer.viewer().setSceneData(scene);
        osg::ref_ptr<osgKELVO::SceneController> controller = new osgKELVO::SceneController(scene);
        const std::string root = PagedTerrain::rootPath(files.root(), formats.root);
        controller->addModel("Terrain", root, 0, true);

        const osg::Vec2d point = terrain.fineOnlyPoint(1, 0);
        viewer.lookAt(osg::Vec3d(point.x(), point.y(), 150.0), osg::Vec3d(point.x(), point.y(), 0),
                      osg::Vec3d(0, 1, 0));
        const std::string fineTile = "tile_1_0." + std::string(formats.tiles);
        osgUtil::LineSegmentIntersector::Intersection hit;
        for (int frame = 0; frame < 300; ++frame) {
            viewer.frame();
            hit = firstHit(*scene, point.x(), point.y());
            if (!hit.nodePath.empty() && hit.nodePath.back()->getName() == fineTile)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_FALSE(hit.nodePath.empty());
        EXPECT_EQ(fineTile, hit.nodePath.back()->getName());
        EXPECT_NEAR(PagedTerrain::height(point.x(), point.y()), hit.getWorldIntersectPoint().z(),
                    1e-3);
        EXPECT_TRUE(dynamic_cast<osg::KdTree*>(hit.drawable->getShape()));
    }
}
