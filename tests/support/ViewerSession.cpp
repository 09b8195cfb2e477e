#include "ViewerSession.h"

#include <osg/Geode>
#include <osg/ShapeDrawable>
#include <osgDB/WriteFile>

#include <tinyxml2.h>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace kelvotest {

std::string modelElement(const std::string& name, const std::string& file, int layer, bool visible)
{
    return "  <Model name=\"" + name + "\" filename=\"" + file + "\" layerNum=\"" + std::to_string(layer) +
           "\" visible=\"" + (visible ? "1" : "0") + "\"/>\n";
}

std::string sceneElement(const std::string& models)
{
    if (models.empty())
        return "<Scene loadInfoPoints=\"0\" generatePowerline=\"0\"/>\n";
    return "<Scene loadInfoPoints=\"0\" generatePowerline=\"0\">\n" + models + "</Scene>\n";
}

std::string navigationElement(const osg::Vec3d& eye, const osg::Vec3d& centre)
{
    char buffer[400];
    std::snprintf(buffer, sizeof(buffer),
                  "<Navigation homeEyeX=\"%g\" homeEyeY=\"%g\" homeEyeZ=\"%g\" homeCenterX=\"%g\" "
                  "homeCenterY=\"%g\" homeCenterZ=\"%g\"/>\n",
                  eye.x(), eye.y(), eye.z(), centre.x(), centre.y(), centre.z());
    return buffer;
}

std::string environmentElement(float red, float green, float blue, bool water)
{
    char buffer[300];
    std::snprintf(buffer, sizeof(buffer),
                  "<Environment backgroundColorRed=\"%g\" backgroundColorGreen=\"%g\" backgroundColorBlue=\"%g\" "
                  "enableWater=\"%d\" seaState=\"3\" windDirection=\"250\"/>\n",
                  red, green, blue, water ? 1 : 0);
    return buffer;
}

std::string windowElement(const std::string& title, int x, int y, int width, int height, bool maximized,
                          bool fullscreen)
{
    return "<Window title=\"" + title + "\" x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) +
           "\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) + "\" maximized=\"" +
           (maximized ? "1" : "0") + "\" fullscreen=\"" + (fullscreen ? "1" : "0") +
           "\" screenNum=\"0\" numSamples=\"0\" stereo=\"0\"/>\n";
}

std::map<std::string, std::string> verboseEnvironment()
{
    // The viewer writes its output a line at a time itself. LD_PRELOAD stays as inherited: the
    // sanitizer run preloads a library there that keeps unloaded plug-ins' frames readable.
    return {{"OSG_NOTIFY_LEVEL", "INFO"}};
}

unsigned occurrences(const std::string& text, const std::string& part)
{
    unsigned count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::map<std::string, std::string> elementAttributes(const std::string& xml, const std::string& element)
{
    std::map<std::string, std::string> attributes;
    tinyxml2::XMLDocument document;
    if (document.Parse(xml.c_str(), xml.size()) != tinyxml2::XML_SUCCESS)
        return attributes;
    if (const tinyxml2::XMLElement* found = document.FirstChildElement(element.c_str()))
        for (const tinyxml2::XMLAttribute* a = found->FirstAttribute(); a; a = a->Next())
            attributes[a->Name()] = a->Value();
    return attributes;
}

bool writeBox(const std::string& path, const osg::Vec4& color, const osg::Vec3& centre, float size)
{
    osg::ref_ptr<osg::ShapeDrawable> box = new osg::ShapeDrawable(new osg::Box(centre, size));
    box->setColor(color);
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->addDrawable(box);
    geode->getOrCreateStateSet()->setMode(GL_LIGHTING, osg::StateAttribute::OFF | osg::StateAttribute::PROTECTED);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    return osgDB::writeNodeFile(*geode, path);
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

ViewerSession::ViewerSession(int screenWidth, int screenHeight, bool windowManager, bool withContent)
    : server_(screenWidth, screenHeight, windowManager), tree_(withContent)
{
}

::testing::AssertionResult ViewerSession::launch(const std::string& title,
                                                 const std::map<std::string, std::string>& environment,
                                                 std::chrono::milliseconds timeout, const std::string& workingDirectory)
{
    if (!server_.running())
        return ::testing::AssertionFailure() << "no X server";
    viewer_.reset();
    viewer_.reset(new ViewerProcess(tree_, server_.display(), environment, workingDirectory));
    if (viewer_->waitForWindow(title, timeout).empty())
        return ::testing::AssertionFailure() << "no window \"" << title << "\":\n" << viewer_->output();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ViewerSession::start(const std::string& title,
                                                const std::map<std::string, std::string>& environment,
                                                std::chrono::milliseconds timeout,
                                                const std::string& workingDirectory, osg::ref_ptr<osg::Image>* first)
{
    ::testing::AssertionResult launched = launch(title, environment, timeout, workingDirectory);
    if (!launched)
        return launched;
    // A key that arrives while the viewer is still setting up its first frame may go unseen: F12
    // again until a screenshot shows that frames are drawn and keys are read.
    osg::ref_ptr<osg::Image> image;
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!image && viewer_->alive() && std::chrono::steady_clock::now() < end)
        image = Screenshot::capture(tree_, *viewer_, std::chrono::seconds(2));
    if (!image)
        return ::testing::AssertionFailure() << "no frame drawn:\n" << viewer_->output();
    if (first)
        *first = image;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ViewerSession::stop()
{
    viewer_->key("Escape");
    const int status = viewer_->waitForExit(std::chrono::seconds(30));
    if (status != 0)
        return ::testing::AssertionFailure() << "exit status " << status << ":\n" << viewer_->output();
    return ::testing::AssertionSuccess();
}

osg::ref_ptr<osg::Image> ViewerSession::shot(std::chrono::milliseconds timeout)
{
    osg::ref_ptr<osg::Image> image = Screenshot::capture(tree_, *viewer_, timeout);
    if (!image)
        ADD_FAILURE() << "no screenshot:\n" << viewer_->output();
    return image;
}

namespace {

// The configuration file's inode, 0 when there is none: a save renames a new file into place.
ino_t inode(const std::string& path)
{
    struct stat status{};
    return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

} // namespace

std::string ViewerSession::save()
{
    const std::string path = tree_.configurationPath();
    const ino_t before = inode(path);
    viewer_->key("F3");
    if (!waitUntil([&] { const ino_t now = inode(path); return now != 0 && now != before; })) {
        ADD_FAILURE() << "F3 renamed no new configuration file into place:\n" << viewer_->output();
        return std::string();
    }
    return tree_.readConfiguration();
}

void ViewerSession::keepOnFailure(const osg::Image& image, const std::string& name)
{
    if (::testing::Test::HasFailure())
        Screenshot::save(image, ::testing::TempDir() + name + ".png");
}

} // namespace kelvotest
