// Reading the pylon coordinate list: which lines count, how leniently fields are read, and how the
// values are rounded.

#include "content/powerline/PylonListParser.h"

#include <gtest/gtest.h>

#include <sstream>

using osgKELVO::PylonListParser;
using osgKELVO::PylonRecord;

namespace {

std::vector<PylonRecord> parse(const std::string& text)
{
    std::istringstream in(text);
    return PylonListParser::parse(in);
}

} // namespace

TEST(PylonListParser, ReadsAllFourteenFieldsInOrder)
{
    const auto records = parse("17,Stolpkropp,1.5,2.5,3.5,10,20,30,4,5,6,7,8,9\n");
    ASSERT_EQ(1u, records.size());
    const PylonRecord& r = records[0];
    EXPECT_EQ("17", r.numberText);
    EXPECT_EQ(17, r.number);
    EXPECT_EQ("Stolpkropp", r.blockName);
    EXPECT_EQ(osg::Vec3d(1.5, 2.5, 3.5), r.position);
    EXPECT_EQ(10.0, r.headingGon);
    EXPECT_EQ(20.0, r.tiltXGon);
    EXPECT_EQ(30.0, r.tiltYGon);
    EXPECT_EQ(osg::Vec3d(4, 5, 6), r.frameTranslation);
    EXPECT_EQ(osg::Vec3d(7, 8, 9), r.target);
}

TEST(PylonListParser, NumbersAreReadAsLenientlyAsTheCLibraryDoes)
{
    const auto records = parse(" 12abc,Block, 3.25m,x,-2e1,50gon,,1.5.5,0,0,0,0,0,0\n");
    ASSERT_EQ(1u, records.size());
    const PylonRecord& r = records[0];
    EXPECT_EQ(12, r.number);
    EXPECT_EQ(" 12abc", r.numberText) << "the label keeps the field as written";
    EXPECT_EQ(3.25, r.position.x());
    EXPECT_EQ(0.0, r.position.y());
    EXPECT_EQ(-20.0, r.position.z());
    EXPECT_EQ(50.0, r.headingGon);
    EXPECT_EQ(0.0, r.tiltXGon);
    EXPECT_EQ(1.5, r.tiltYGon);
}

TEST(PylonListParser, RealValuesPassThroughSinglePrecision)
{
    // Northings of this size have a float spacing of half a metre.
    const auto records = parse("1,A,650000.03,6400000.3,12.1,0.1,0,0,0.3,0,0,0,0,0\n");
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(static_cast<double>(static_cast<float>(650000.03)), records[0].position.x());
    EXPECT_EQ(6400000.5, records[0].position.y());
    EXPECT_NE(6400000.3, records[0].position.y());
    EXPECT_EQ(static_cast<double>(0.1f), records[0].headingGon);
    EXPECT_EQ(static_cast<double>(0.3f), records[0].frameTranslation.x());
}
