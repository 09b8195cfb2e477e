// The wire tube: a triangle around every point, turned to the wire's direction there, and three
// strips that close the tube; wire files read into scene coordinates.

#include "content/powerline/WireFileReader.h"
#include "content/powerline/WireTubeBuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using osgKELVO::WireFileReader;
using osgKELVO::WireTubeBuilder;

namespace {

const float r = 0.0175f;
const float s = r * 0.5f;
const float c = r * std::sqrt(3.0f) / 2.0f;

osg::ref_ptr<osg::Vec3Array> points(std::initializer_list<osg::Vec3> list)
{
    return new osg::Vec3Array(list.begin(), list.end());
}

void expectNear(const osg::Vec3& expected, const osg::Vec3& actual, const std::string& what)
{
    EXPECT_NEAR(expected.x(), actual.x(), 1e-5f) << what;
    EXPECT_NEAR(expected.y(), actual.y(), 1e-5f) << what;
    EXPECT_NEAR(expected.z(), actual.z(), 1e-5f) << what;
}

const osg::Vec3Array& verticesOf(const osg::Geometry& geometry)
{
    return *static_cast<const osg::Vec3Array*>(geometry.getVertexArray());
}

} // namespace

TEST(WireTubeBuilder, CrossSectionHasOneCornerBelowAndTwoAboveTheAxis)
{
    // A wire along +x: the side vector is d x z = -y.
    osg::ref_ptr<osg::Geometry> tube = WireTubeBuilder::build(*points({{0, 0, 10}, {100, 0, 10}}));
    const osg::Vec3Array& v = verticesOf(*tube);
    ASSERT_EQ(6u, v.size());
    for (unsigned i = 0; i < 2; ++i) {
        const osg::Vec3 p(100.0f * i, 0, 10);
        expectNear(p + osg::Vec3(0, 0, -r), v[3 * i + 0], "below");
        expectNear(p + osg::Vec3(0, -c, s), v[3 * i + 1], "first above");
        expectNear(p + osg::Vec3(0, c, s), v[3 * i + 2], "second above");
        for (unsigned k = 0; k < 3; ++k)
            EXPECT_NEAR(r, (v[3 * i + k] - p).length(), 1e-6f);
    }
}

TEST(WireTubeBuilder, CrossSectionTurnsWithTheWire)
{
    // Along the diagonal the side vector lies across the diagonal, horizontal.
    osg::ref_ptr<osg::Geometry> tube = WireTubeBuilder::build(*points({{0, 0, 0}, {3, 4, 0}}));
    const osg::Vec3Array& v = verticesOf(*tube);
    const osg::Vec3 w(0.8f, -0.6f, 0.0f);
    expectNear(w * c + osg::Vec3(0, 0, s), v[1], "first above");
    expectNear(-w * c + osg::Vec3(0, 0, s), v[2], "second above");
    // A sagging segment keeps the side horizontal but shorter: w is d x z, not normalized.
    osg::ref_ptr<osg::Geometry> steep = WireTubeBuilder::build(*points({{0, 0, 0}, {3, 0, -4}}));
    expectNear(osg::Vec3(0, -0.6f * c, s), verticesOf(*steep)[1], "steep, first above");
}

TEST(WireTubeBuilder, ThreeStripsOneForEachSideOfTheTube)
{
    osg::ref_ptr<osg::Geometry> tube = WireTubeBuilder::build(*points({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}));
    ASSERT_EQ(3u, tube->getNumPrimitiveSets());
    for (unsigned k = 0; k < 3; ++k) {
        const osg::DrawElementsUInt* strip = dynamic_cast<const osg::DrawElementsUInt*>(tube->getPrimitiveSet(k));
        ASSERT_TRUE(strip);
        EXPECT_EQ(static_cast<GLenum>(GL_TRIANGLE_STRIP), strip->getMode());
        ASSERT_EQ(6u, strip->size());
        for (unsigned i = 0; i < 3; ++i) {
            EXPECT_EQ(3 * i + k, (*strip)[2 * i]);
            EXPECT_EQ(3 * i + (k + 1) % 3, (*strip)[2 * i + 1]);
        }
    }
}

TEST(WireTubeBuilder, GreyOverallAndNoNormals)
{
    osg::ref_ptr<osg::Geometry> tube = WireTubeBuilder::build(*points({{0, 0, 0}, {1, 0, 0}}));
    const osg::Vec4Array* colors = dynamic_cast<const osg::Vec4Array*>(tube->getColorArray());
    ASSERT_TRUE(colors);
    ASSERT_EQ(1u, colors->size());
    EXPECT_EQ(osg::Vec4(0.25f, 0.25f, 0.25f, 1.0f), (*colors)[0]);
    EXPECT_EQ(osg::Array::BIND_OVERALL, tube->getColorBinding());
    EXPECT_FALSE(tube->getNormalArray());
}

TEST(WireTubeBuilder, RepeatedPointTakesThePreviousSegmentsDirection)
{
    // The second point repeats the third: towards the next point there is no direction, so the
    // segment before it gives one.
    auto wire = points({{0, 0, 0}, {0, 10, 0}, {0, 10, 0}, {10, 10, 0}});
    expectNear(osg::Vec3(0, 1, 0), WireTubeBuilder::direction(*wire, 1, osg::Vec3()), "repeated point");
    expectNear(osg::Vec3(1, 0, 0), WireTubeBuilder::direction(*wire, 2, osg::Vec3()), "its twin");
    const osg::ref_ptr<osg::Geometry> tube = WireTubeBuilder::build(*wire);
    expectNear(osg::Vec3(c, 10, s), verticesOf(*tube)[4], "side of the repeated point faces +x");
}

TEST(WireTubeBuilder, LastPointLooksBack)
{
    auto wire = points({{0, 0, 0}, {0, 0, 0}, {5, 0, 0}});
    expectNear(osg::Vec3(1, 0, 0), WireTubeBuilder::direction(*wire, 2, osg::Vec3()), "last");
}

TEST(WireTubeBuilder, DegenerateWiresStillGetATube)
{
    // One point: no direction anywhere, the x axis stands in.
    osg::ref_ptr<osg::Geometry> single = WireTubeBuilder::build(*points({{7, 8, 9}}));
    ASSERT_EQ(3u, verticesOf(*single).size());
    expectNear(osg::Vec3(7, 8 - c, 9 + s), verticesOf(*single)[1], "single point");
    // Coinciding first points: the first segment ahead gives the direction.
    osg::ref_ptr<osg::Geometry> doubled = WireTubeBuilder::build(*points({{0, 0, 0}, {0, 0, 0}, {0, 4, 0}}));
    for (const osg::Vec3& vertex : verticesOf(*doubled))
        EXPECT_TRUE(vertex.valid());
    expectNear(osg::Vec3(c, 0, s), verticesOf(*doubled)[1], "coinciding first point");
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
