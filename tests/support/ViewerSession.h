#pragma once

#include "RuntimeTree.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>
#include <osg/Image>
#include <osg/Vec3d>

#include <chrono>
#include <functional>
#include <map>
#include <vector>

namespace kelvotest {

// Polls a condition until it holds or the time is up; true when it held.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Configuration text, one element at a time.
std::string modelElement(const std::string& name, const std::string& file, int layer,
                         bool visible = true);
std::string sceneElement(const std::string& models = std::string());
std::string navigationElement(const osg::Vec3d& eye, const osg::Vec3d& centre);
std::string windowElement(const std::string& title, int x, int y, int width, int height,
                          bool maximized = false, bool fullscreen = false);
// The attributes of the first element of a name in a configuration text.
std::map<std::string, std::string> elementAttributes(const std::string& xml,
                                                     const std::string& element);
unsigned occurrences(const std::string& text, const std::string& part);
// A model file of one unlit box of one color, which shows in screenshots in that color.
bool writeBox(const std::string& path, const osg::Vec4& color, const osg::Vec3& centre);

// Screenshots, origin top left, colors 0 to 1 per channel: the mean color of a region.
osg::Vec3f mean(const osg::Image& image, int x0, int y0, int x1, int y1);
// Share of the pixels (every other one each way) within 0.25 of a color per channel.
float share(const osg::Image& image, const osg::Vec4& color);
// Mean absolute per-channel difference of two images over [x0, x1) x [y0, y1).
float difference(const osg::Image& a, const osg::Image& b, int x0 = 0, int y0 = 0,
                 int x1 = 1 << 16, int y1 = 1 << 16);

// Runs of the real viewer, one after another, on a private X server (optionally with a window
// manager) in a private runtime tree: its output and errors in one log, a sanitizer report in it
// a failure of the running test, its screenshots those it takes on F12.
class ViewerSession
{
public:
    explicit ViewerSession(int screenWidth = 1280, int screenHeight = 1024,
                           bool windowManager = false, bool withContent = false)
        : server_(screenWidth, screenHeight, windowManager), tree_(withContent)
    {}
    ~ViewerSession() { end(); }
    ViewerSession(const ViewerSession&) = delete;
    ViewerSession& operator=(const ViewerSession&) = delete;

    XvfbServer& server() { return server_; }
    RuntimeTree& tree() { return tree_; }

    // Starts the viewer (in Bin unless told otherwise, notices at INFO: screenshots are read once
    // reported), waits for its window and a first frame, then hides the help panel (F1).
    ::testing::AssertionResult start(const std::string& title = "KELVOview",
                                     const std::string& workingDirectory = std::string(),
                                     const std::vector<std::string>& arguments = {});
    // Escape, and the viewer ends with status 0.
    ::testing::AssertionResult stop();

    std::string output() const { return RuntimeTree::readFile(tree_.root() + "/viewer.log"); }
    // False on time-out, or when the viewer ended without writing the text.
    bool waitForOutput(const std::string& text,
                       std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // The X id of the viewer's window.
    const std::string& window() const { return window_; }
    // xdotool commands, returning once sent; send() moves the pointer into the window first, so
    // that it has the focus.
    std::string xdotool(const std::string& arguments) const;
    void send(const std::string& commands);
    void key(const std::string& keys) { send("key --delay 60 " + keys); }

    // F12 and the image it wrote; null (and a failure) when none came.
    osg::ref_ptr<osg::Image> shot();
    // Screenshots until two in a row agree over a region: the smoothed motion has died away.
    osg::ref_ptr<osg::Image> settled(int x0 = 0, int y0 = 0, int x1 = 1 << 16, int y1 = 1 << 16);
    // F3, then the file the viewer renamed into place; empty (and a failure) if none came.
    std::string save();

private:
    bool alive();
    // Kills a viewer still running and reports what the sanitizers found in its run.
    void end();
    osg::ref_ptr<osg::Image> capture(std::chrono::milliseconds timeout);

    XvfbServer server_;
    RuntimeTree tree_;
    std::string window_;
    pid_t pid_ = -1;
    int exitCode_ = -1;
};

} // namespace kelvotest
