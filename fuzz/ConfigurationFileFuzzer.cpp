// Configuration files read by the real viewer: a KELVOview is built for each input in a runtime
// tree of its own, so the loader hands the settings to the real controllers, and the settings are
// written back as F3 would. A windowing system that has a screen but opens no windows stands in
// for X, so nothing is shown and the viewer's realization finds no window to use.

#include "ScratchDirectory.h"

#include "app/KELVOview.h"

#include <osg/GraphicsContext>
#include <osg/Notify>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

class SilentNotifyHandler : public osg::NotifyHandler
{
public:
    void notify(osg::NotifySeverity, const char*) override {}
};

class WindowlessSystem : public osg::GraphicsContext::WindowingSystemInterface
{
public:
    unsigned int getNumScreens(const osg::GraphicsContext::ScreenIdentifier&) override { return 1; }
    void getScreenSettings(const osg::GraphicsContext::ScreenIdentifier&,
                           osg::GraphicsContext::ScreenSettings& settings) override
    {
        settings.width = 1280;
        settings.height = 1024;
        settings.refreshRate = 60.0;
        settings.colorDepth = 24;
    }
    void enumerateScreenSettings(const osg::GraphicsContext::ScreenIdentifier& screen,
                                 osg::GraphicsContext::ScreenSettingsList& list) override
    {
        list.resize(1);
        getScreenSettings(screen, list[0]);
    }
    osg::GraphicsContext* createGraphicsContext(osg::GraphicsContext::Traits*) override { return nullptr; }
};

const kelvofuzz::ScratchDirectory& tree()
{
    static const kelvofuzz::ScratchDirectory scratch;
    return scratch;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    osg::setNotifyHandler(new SilentNotifyHandler);
    ::unsetenv("DISPLAY");
    osg::ref_ptr<WindowlessSystem> windowless = new WindowlessSystem;
    windowless->setName("Windowless");
    osg::GraphicsContext::WindowingSystemInterfaces::Interfaces& interfaces =
        osg::GraphicsContext::getWindowingSystemInterfaces()->getInterfaces();
    interfaces.insert(interfaces.begin(), windowless);

    std::filesystem::create_directories(tree().file("Bin"));
    std::filesystem::create_directories(tree().file("Resources"));
    // One model the configuration can name by a relative path, as the shipped one does.
    std::filesystem::create_directories(tree().file("Content/Models"));
    static const char model[] = "Geode {\n  name \"Fuzz\"\n}\n";
    tree().write("Content/Models/Fuzz.osg", reinterpret_cast<const unsigned char*>(model), sizeof model - 1);
    if (::chdir(tree().file("Bin").c_str()) != 0) {
        std::perror("configuration file: chdir");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tree().write("Resources/Configuration.xml", data, size);

    osg::ref_ptr<osgKELVO::KELVOview> app = new osgKELVO::KELVOview;
    app->getViewer().setThreadingModel(osgViewer::ViewerBase::SingleThreaded);
    app->build();
    app->saveConfiguration();
    // The viewer holds the application as its first handler; let go so that both are freed.
    app->getViewer().removeEventHandler(app.get());
    return 0;
}
