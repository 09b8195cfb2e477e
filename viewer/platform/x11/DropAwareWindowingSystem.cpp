#include "platform/x11/DropAwareWindowingSystem.h"

#include "platform/x11/DropAwareGraphicsWindowX11.h"

#include <osg/Notify>

#include <algorithm>

namespace osgKELVO {

namespace {
const char* const X11InterfaceName = "X11";
}

bool DropAwareWindowingSystem::install()
{
    osg::GraphicsContext::WindowingSystemInterfaces::Interfaces& interfaces =
        osg::GraphicsContext::getWindowingSystemInterfaces()->getInterfaces();
    if (!interfaces.empty() && dynamic_cast<DropAwareWindowingSystem*>(interfaces.front().get()))
        return true;

    auto x11 = std::find_if(interfaces.begin(), interfaces.end(), [](const auto& candidate) {
        return candidate->getName() == X11InterfaceName;
    });
    if (x11 == interfaces.end()) {
        osg::notify(osg::WARN) << "Dropping files is not available: the scene-graph library has no X11 "
                                  "windowing system" << std::endl;
        return false;
    }
    osg::ref_ptr<DropAwareWindowingSystem> dropAware = new DropAwareWindowingSystem(x11->get());
    dropAware->setName(X11InterfaceName);
    interfaces.insert(interfaces.begin(), dropAware);
    return true;
}

DropAwareWindowingSystem::DropAwareWindowingSystem(osg::GraphicsContext::WindowingSystemInterface* x11)
    : x11(x11)
{
}

DropAwareWindowingSystem::~DropAwareWindowingSystem() = default;

unsigned int DropAwareWindowingSystem::getNumScreens(const osg::GraphicsContext::ScreenIdentifier& screen)
{
    return x11->getNumScreens(screen);
}

void DropAwareWindowingSystem::getScreenSettings(const osg::GraphicsContext::ScreenIdentifier& screen,
                                                 osg::GraphicsContext::ScreenSettings& settings)
{
    x11->getScreenSettings(screen, settings);
}

bool DropAwareWindowingSystem::setScreenSettings(const osg::GraphicsContext::ScreenIdentifier& screen,
                                                 const osg::GraphicsContext::ScreenSettings& settings)
{
    return x11->setScreenSettings(screen, settings);
}

void DropAwareWindowingSystem::enumerateScreenSettings(const osg::GraphicsContext::ScreenIdentifier& screen,
                                                       osg::GraphicsContext::ScreenSettingsList& list)
{
    x11->enumerateScreenSettings(screen, list);
}

void DropAwareWindowingSystem::setDisplaySettings(osg::DisplaySettings* settings)
{
    x11->setDisplaySettings(settings);
}

osg::DisplaySettings* DropAwareWindowingSystem::getDisplaySettings() const
{
    return x11->getDisplaySettings();
}

osg::GraphicsContext* DropAwareWindowingSystem::createGraphicsContext(osg::GraphicsContext::Traits* traits)
{
    if (traits->pbuffer)
        return x11->createGraphicsContext(traits);
    osg::ref_ptr<DropAwareGraphicsWindowX11> window = new DropAwareGraphicsWindowX11(traits);
    return window->valid() ? window.release() : nullptr;
}

} // namespace osgKELVO
