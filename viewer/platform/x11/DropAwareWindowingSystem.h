#pragma once

#include <osg/GraphicsContext>
#include <osg/ref_ptr>

namespace osgKELVO {

// The library's X11 windowing-system interface with one difference: the graphics windows it
// creates accept dropped files (DropAwareGraphicsWindowX11). Everything else, pixel buffers
// included, is the X11 interface's own work.
class DropAwareWindowingSystem : public osg::GraphicsContext::WindowingSystemInterface
{
public:
    // Puts the interface in front of the library's X11 one, so that windows created without a
    // preference, or with the preference "X11", come from it. Returns false when the library has no
    // X11 interface. Calling it again changes nothing.
    static bool install();

    explicit DropAwareWindowingSystem(osg::GraphicsContext::WindowingSystemInterface* x11);

    unsigned int getNumScreens(const osg::GraphicsContext::ScreenIdentifier& screen) override;
    void getScreenSettings(const osg::GraphicsContext::ScreenIdentifier& screen,
                           osg::GraphicsContext::ScreenSettings& settings) override;
    bool setScreenSettings(const osg::GraphicsContext::ScreenIdentifier& screen,
                           const osg::GraphicsContext::ScreenSettings& settings) override;
    void enumerateScreenSettings(const osg::GraphicsContext::ScreenIdentifier& screen,
                                 osg::GraphicsContext::ScreenSettingsList& list) override;
    void setDisplaySettings(osg::DisplaySettings* settings) override;
    osg::DisplaySettings* getDisplaySettings() const override;
    osg::GraphicsContext* createGraphicsContext(osg::GraphicsContext::Traits* traits) override;

protected:
    ~DropAwareWindowingSystem() override;

private:
    osg::ref_ptr<osg::GraphicsContext::WindowingSystemInterface> x11;
};

} // namespace osgKELVO
