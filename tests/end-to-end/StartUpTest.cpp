// The real viewer started on a configuration file of binary garbage: it says so, and shows exactly
// what it shows without any configuration file, the default scene in the default window.

#include "BadBytes.h"

#include "RuntimeTree.h"
#include "Screenshot.h"
#include "ViewerProcess.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>

using namespace kelvotest;

namespace {

struct ViewerRun
{
    osg::ref_ptr<osg::Image> shot;
    std::string log;
};

ViewerRun startAndCapture(const XvfbServer& server, const RuntimeTree& tree)
{
    ViewerRun run;
    ViewerProcess viewer(tree, server.display());
    if (viewer.waitForWindow("KELVOview 1.02").empty()) {
        run.log = viewer.output();
        return run;
    }
    run.shot = Screenshot::capture(tree, viewer);
    viewer.key("Escape");
    viewer.waitForExit();
    run.log = viewer.output();
    return run;
}

} // namespace

TEST(BadConfigurationEndToEnd, BinaryConfigurationFileShowsTheDefaultScene)
{
    XvfbServer server;
    ASSERT_TRUE(server.running());

    RuntimeTree withoutFile(false);
    withoutFile.removeConfiguration();
    const ViewerRun reference = startAndCapture(server, withoutFile);
    ASSERT_TRUE(reference.shot.valid()) << reference.log;

    RuntimeTree withGarbage(false);
    withGarbage.writeConfiguration(badinput::garbage(64 * 1024, 3));
    const ViewerRun garbage = startAndCapture(server, withGarbage);
    ASSERT_TRUE(garbage.shot.valid()) << garbage.log;

    EXPECT_NE(std::string::npos, garbage.log.find("No configuration file found, using defaults")) << garbage.log;
    EXPECT_NE(std::string::npos,
              garbage.log.find("Configuration file \"../Resources/Configuration.xml\" is not well-formed ("))
        << garbage.log;
    EXPECT_EQ(std::string::npos, reference.log.find("is not well-formed")) << "a missing file is no mistake";

    // The default window, 1024 x 768, drawn alike.
    ASSERT_EQ(1024, garbage.shot->s());
    ASSERT_EQ(768, garbage.shot->t());
    ASSERT_EQ(reference.shot->s(), garbage.shot->s());
    ASSERT_EQ(reference.shot->t(), garbage.shot->t());
    const float difference = Screenshot::difference(*reference.shot, *garbage.shot, 0, 0, 1024, 768);
    if (difference >= 0.01f) {
        Screenshot::save(*reference.shot, std::string(KELVO_TEST_OUTPUT_DIR) + "/without-configuration.png");
        Screenshot::save(*garbage.shot, std::string(KELVO_TEST_OUTPUT_DIR) + "/garbage-configuration.png");
    }
    EXPECT_LT(difference, 0.01f);
    // Something was drawn: not the black of a window that never got a frame.
    const osg::Vec3f middle = Screenshot::mean(*garbage.shot, 312, 284, 712, 484);
    EXPECT_GT(middle.x() + middle.y() + middle.z(), 0.3f);
}
