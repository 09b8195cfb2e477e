#pragma once

#include "RuntimeTree.h"
#include "Screenshot.h"
#include "ViewerProcess.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>
#include <osg/Vec3d>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace kelvotest {

// Configuration text, one element at a time.
std::string modelElement(const std::string& name, const std::string& file, int layer, bool visible = true);
std::string sceneElement(const std::string& models = std::string());
std::string navigationElement(const osg::Vec3d& eye, const osg::Vec3d& centre);
std::string environmentElement(float red, float green, float blue, bool water = false);
std::string windowElement(const std::string& title, int x, int y, int width, int height, bool maximized = false,
                          bool fullscreen = false);

// The viewer's notices down to INFO, which the scenarios wait for in its log.
std::map<std::string, std::string> verboseEnvironment();

unsigned occurrences(const std::string& text, const std::string& part);

// The attributes of the first element of a name in a configuration text.
std::map<std::string, std::string> elementAttributes(const std::string& xml, const std::string& element);

// A model file of one unlit box of one color, so that it shows in screenshots with that color.
bool writeBox(const std::string& path, const osg::Vec4& color, const osg::Vec3& centre, float size = 16.0f);

// Polls a condition until it holds or the time is up; true when it held.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// One run of the real viewer after another on a private X server (optionally with a window
// manager) in a private runtime tree.
class ViewerSession
{
public:
    explicit ViewerSession(int screenWidth = 1280, int screenHeight = 1024, bool windowManager = false,
                           bool withContent = false);

    XvfbServer& server() { return server_; }
    RuntimeTree& tree() { return tree_; }
    ViewerProcess& viewer() { return *viewer_; }

    // Starts the viewer and waits until its window is mapped.
    ::testing::AssertionResult launch(const std::string& title = "KELVOview",
                                      const std::map<std::string, std::string>& environment = verboseEnvironment(),
                                      std::chrono::milliseconds timeout = std::chrono::seconds(60),
                                      const std::string& workingDirectory = std::string());
    // Launches the viewer and waits until it has drawn a first frame (the screenshot it writes
    // then, returned in `first` when asked for).
    ::testing::AssertionResult start(const std::string& title = "KELVOview",
                                     const std::map<std::string, std::string>& environment = verboseEnvironment(),
                                     std::chrono::milliseconds timeout = std::chrono::seconds(60),
                                     const std::string& workingDirectory = std::string(),
                                     osg::ref_ptr<osg::Image>* first = nullptr);
    // Escape, and the viewer ends with status 0.
    ::testing::AssertionResult stop();
    // SIGKILL, wherever the viewer is.
    void kill() { viewer_.reset(); }

    osg::ref_ptr<osg::Image> shot(std::chrono::milliseconds timeout = std::chrono::seconds(30));

    // F3, then the configuration file the viewer renamed into place; empty (and a failure) when no
    // new file took the old one's place.
    std::string save();

    // Keeps an image where a person can look at it once the running test has failed.
    static void keepOnFailure(const osg::Image& image, const std::string& name);

private:
    XvfbServer server_;
    RuntimeTree tree_;
    std::unique_ptr<ViewerProcess> viewer_;
};

} // namespace kelvotest
