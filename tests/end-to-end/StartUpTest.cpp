// The real viewer started without a configuration file from outside its Bin directory: it moves
// there, opens the default window centred and titled, draws, and writes nothing at exit.

#include "ViewerSession.h"

#include <filesystem>

using namespace kelvotest;

TEST(StartUp, WithoutConfigurationFromElsewhereTheDefaultWindowOpens)
{
    ViewerSession session(1280, 1024, false, false);
    RuntimeTree& tree = session.tree();
    // No file, started in a directory where ../Resources does not exist but does beside Bin.
    tree.removeConfiguration();
    const std::string elsewhere = tree.root() + "/Content/Models";
    std::filesystem::create_directories(elsewhere);
    osg::ref_ptr<osg::Image> reference;
    ASSERT_TRUE(session.start("KELVOview 1.02", verboseEnvironment(), std::chrono::seconds(60), elsewhere,
                              &reference));
    ViewerProcess* viewer = &session.viewer();
    EXPECT_TRUE(viewer->waitForOutput("Changed working directory to " + tree.bin())) << viewer->output();
    EXPECT_NE(std::string::npos, viewer->output().find("No configuration file found, using defaults"));
    EXPECT_EQ(std::string::npos, viewer->output().find("is not well-formed")) << "a missing file is no mistake";
    EXPECT_EQ("KELVOview 1.02", viewer->xdotool("getwindowname " + viewer->window()));
    const std::string geometry = viewer->xdotool("getwindowgeometry " + viewer->window());
    EXPECT_NE(std::string::npos, geometry.find("Position: 128,128")) << geometry;
    EXPECT_NE(std::string::npos, geometry.find("Geometry: 1024x768")) << geometry;
    // Screenshots land beside Bin, whatever the directory it was started in.
    EXPECT_TRUE(std::filesystem::exists(tree.root() + "/KELVOview_0_0.jpg"));
    ASSERT_TRUE(session.stop());
    EXPECT_FALSE(std::filesystem::exists(tree.configurationPath())) << "nothing is written at exit";

    // Something was drawn: not the black of a window that never got a frame.
    const osg::Vec3f middle = Screenshot::mean(*reference, 312, 284, 712, 484);
    EXPECT_GT(middle.x() + middle.y() + middle.z(), 0.3f);
    session.keepOnFailure(*reference, "start-without-configuration");
}
