#pragma once

#include <osgGA/GUIEventHandler>
#include <osgViewer/Viewer>

#include <string>

namespace osgKELVO {

class OverlayController;
class SceneController;
class WindowController;
class EnvironmentController;
class NavigationController;

// The application: owns the one viewer, builds the scene-graph roots, the controllers and the
// stock handlers, and reads and writes the configuration file.
class KELVOview : public osgGA::GUIEventHandler
{
public:
    static const char* versionText();

    KELVOview();

    // Runs the frame loop until the window closes; the handler's own run() stays as it is.
    int run();
    using osgGA::GUIEventHandler::run;
    void build();

    void loadConfiguration();
    void saveConfiguration();

    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;
    // The keys of the stock handlers that build configures, and the viewer's quit key.
    void getUsage(osg::ApplicationUsage& usage) const override;

    osgViewer::Viewer& getViewer() { return viewer; }
    void setConfigFileName(const std::string& fileName) { configFileName = fileName; }
    const std::string& getConfigFileName() const { return configFileName; }
    bool isInitialized() const { return initialized; }

    OverlayController* getOverlayController() const { return overlayController.get(); }
    SceneController* getSceneController() const { return sceneController.get(); }
    WindowController* getWindowController() const { return windowController.get(); }
    EnvironmentController* getEnvironmentController() const { return environmentController.get(); }
    NavigationController* getNavigationController() const { return navigationController.get(); }

protected:
    ~KELVOview() override;

private:
    bool handleKeyDown(const osgGA::GUIEventAdapter& ea);
    void createWindowFromScreenSize();

    bool initialized;
    std::string configFileName;
    osg::ref_ptr<OverlayController> overlayController;
    osg::ref_ptr<SceneController> sceneController;
    osg::ref_ptr<WindowController> windowController;
    osg::ref_ptr<EnvironmentController> environmentController;
    osg::ref_ptr<NavigationController> navigationController;
    osgViewer::Viewer viewer;
};

} // namespace osgKELVO
