// Started without a configuration file from outside Bin, the real viewer moves there, opens the
// default window centred, draws, and writes nothing at exit.

#include "ViewerSession.h"

#include <filesystem>

using namespace kelvotest;

TEST(StartUp, WithoutConfigurationFromElsewhereTheDefaultWindowOpens)
{
    ViewerSession session;
    RuntimeTree& tree = session.tree();
    tree.removeConfiguration();
    // ../Resources does not exist from here, but does beside Bin.
    const std::string elsewhere = tree.root() + "/Content/Models";
    std::filesystem::create_directories(elsewhere);
    ASSERT_TRUE(session.start("KELVOview 1.02", {}, elsewhere));
    EXPECT_TRUE(session.waitForOutput("Changed working directory to " + tree.bin() + ","));
    EXPECT_TRUE(session.waitForOutput("No configuration file found, using defaults"))
        << session.output();
    EXPECT_EQ(session.output().find("is not well-formed"), std::string::npos);
    const std::string geometry = session.xdotool("getwindowgeometry " + session.window());
    EXPECT_NE(geometry.find("Position: 128,128 (screen: 0)\n  Geometry: 1024x768"),
              std::string::npos) << geometry;
    // Something was drawn: not the black of a window that never got a frame.
    osg::ref_ptr<osg::Image> image = session.shot();
    ASSERT_TRUE(image);
    const osg::Vec3f middle = mean(*image, 312, 284, 712, 484);
    EXPECT_GT(middle.x() + middle.y() + middle.z(), 0.3f);
    ASSERT_TRUE(session.stop());
    EXPECT_FALSE(std::filesystem::exists(tree.configurationPath())) << "nothing written at exit";
}
