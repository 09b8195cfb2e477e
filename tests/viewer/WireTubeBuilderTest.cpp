// The wire tube: a triangle around every point, turned to the wire's direction there, and three
// strips that close the tube; wire files read into scene coordinates.

#include "content/powerline/WireFileReader.h"
#include "content/powerline/WireTubeBuilder.h"

#include <gtest/gtest.h>

#include <sstream>

using osgKELVO::WireFileReader;
using osgKELVO::WireTubeBuilder;

namespace {

osg::ref_ptr<osg::Vec3Array> points(std::initializer_list<osg::Vec3> list)
{
    return new osg::Vec3Array(list.begin(), list.end());
}

const osg::Vec3Array& verticesOf(const osg::Geometry& geometry)
{
    return *static_cast<const osg::Vec3Array*>(geometry.getVertexArray());
}

void expectNear(const osg::Vec3& expected, const osg::Vec3& actual, const char* what)
{
    EXPECT_NEAR(0.0f, (expected - actual).length(), 1e-5f) << what;
}

} // namespace

// Around every point an equal-sided triangle across the wire, one corner below and two above,
// the two mirrored about the vertical through the point; three strips close the tube.
TEST(WireTubeBuilder, EqualTrianglesAcrossTheWireAtEveryPointClosedByThreeStrips)
{
    for (const osg::Vec3 end : {osg::Vec3(100, 0, 10), osg::Vec3(3, 4, 10), osg::Vec3(-5, 12, 10)}) {
        const osg::Vec3 start(0, 0, 10);
        osg::ref_ptr<osg::Geometry> tube = WireTubeBuilder::build(*points({start, end}));
        const osg::Vec3Array& v = verticesOf(*tube);
        ASSERT_EQ(6u, v.size());
        osg::Vec3 along = end - start;
        along.normalize();
        const float radius = (v[0] - start).length();
        EXPECT_GT(radius, 0.0f);
        for (unsigned i = 0; i < 2; ++i) {
            const osg::Vec3 p = i ? end : start;
            for (unsigned k = 0; k < 3; ++k) {
                EXPECT_NEAR(radius, (v[3 * i + k] - p).length(), 1e-6f) << "corner " << k;
                EXPECT_NEAR(0.0f, (v[3 * i + k] - p) * along, 1e-6f) << "across the wire";
            }
            EXPECT_LT(v[3 * i].z(), p.z());
            EXPECT_GT(v[3 * i + 1].z(), p.z());
            EXPECT_NEAR(v[3 * i + 1].z(), v[3 * i + 2].z(), 1e-6f);
            expectNear(p, (v[3 * i + 1] + v[3 * i + 2]) * 0.5f + osg::Vec3(0, 0, p.z() - v[3 * i + 1].z()),
                       "mirrored about the vertical");
        }
        ASSERT_EQ(3u, tube->getNumPrimitiveSets());
        for (unsigned k = 0; k < 3; ++k)
            EXPECT_EQ(static_cast<GLenum>(GL_TRIANGLE_STRIP), tube->getPrimitiveSet(k)->getMode());
    }
}

TEST(WireTubeBuilder, RepeatedPointTakesThePreviousSegmentsDirection)
{
    // The second point repeats the third: towards the next point there is no direction, so the
    // segment before it gives one.
    auto wire = points({{0, 0, 0}, {0, 10, 0}, {0, 10, 0}, {10, 10, 0}});
    expectNear(osg::Vec3(0, 1, 0), WireTubeBuilder::direction(*wire, 1, osg::Vec3()), "repeated point");
    expectNear(osg::Vec3(1, 0, 0), WireTubeBuilder::direction(*wire, 2, osg::Vec3()), "its twin");
}

TEST(WireTubeBuilder, LastPointLooksBack)
{
    auto wire = points({{0, 0, 0}, {0, 0, 0}, {5, 0, 0}});
    expectNear(osg::Vec3(1, 0, 0), WireTubeBuilder::direction(*wire, 2, osg::Vec3()), "last");
}

TEST(WireTubeBuilder, DegenerateWiresStillGetATube)
{
    // One point, or coinciding points: a triangle at each, no invalid vertex.
    for (auto wire : {points({{7, 8, 9}}), points({{0, 0, 0}, {0, 0, 0}, {0, 4, 0}})}) {
        osg::ref_ptr<osg::Geometry> tube = WireTubeBuilder::build(*wire);
        ASSERT_EQ(3 * wire->size(), verticesOf(*tube).size());
        for (const osg::Vec3& vertex : verticesOf(*tube))
            EXPECT_TRUE(vertex.valid());
    }
    // No points at all: an empty tube, no crash.
    osg::ref_ptr<osg::Vec3Array> none = new osg::Vec3Array;
    EXPECT_EQ(0u, verticesOf(*WireTubeBuilder::build(*none)).size());
}

TEST(WireFileReader, NorthingEastingHeightBecomeSceneXYZLessTheOffset)
{
    std::istringstream in("6400123.25,650456.5,31.75\n 6400000.125 ,650000.0625m,x\n6400001,650001,1");
    osg::ref_ptr<osg::Vec3Array> wire = WireFileReader::read(in, osg::Vec3d(650000, 6400000, 0.25));
    ASSERT_EQ(2u, wire->size()) << "the last line has no line break";
    EXPECT_EQ(osg::Vec3(456.5f, 123.25f, 31.5f), (*wire)[0]);
    EXPECT_EQ(osg::Vec3(0.0625f, 0.125f, -0.25f), (*wire)[1]);
}

TEST(WireFileReader, SubtractsInDoublePrecisionBeforeRounding)
{
    // In single precision 6400000.3 would already be 6400000.5.
    std::istringstream in("6400000.3,650000.3,0\n");
    osg::ref_ptr<osg::Vec3Array> wire = WireFileReader::read(in, osg::Vec3d(650000, 6400000, 0));
    ASSERT_EQ(1u, wire->size());
    EXPECT_NEAR(0.3f, (*wire)[0].y(), 1e-4f);
    EXPECT_NEAR(0.3f, (*wire)[0].x(), 1e-4f);
}
