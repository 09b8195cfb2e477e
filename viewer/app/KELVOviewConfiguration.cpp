// Reading and writing the configuration file of KELVOview.

#include "app/KELVOview.h"

#include "config/AtomicFileWriter.h"
#include "config/AttributeExchange.h"
#include "window/DisplayScreen.h"
#include "environment/EnvironmentController.h"
#include "navigation/NavigationController.h"
#include "hud/OverlayController.h"
#include "scene/SceneController.h"
#include "window/WindowController.h"

#include <osg/DisplaySettings>
#include <osg/GraphicsContext>
#include <osg/Notify>

#include <tinyxml2.h>

#include <algorithm>

namespace osgKELVO {

namespace {

// A window element without attributes: the title is the program's and its version.
WindowSettings unconfiguredWindow()
{
    WindowSettings settings;
    settings.title = std::string("KELVOview ") + KELVOview::versionText();
    return settings;
}

void loadScene(const tinyxml2::XMLElement* element, SceneController& scene)
{
    SceneSettings settings;
    readAttributes(element, settings);
    scene.setSettings(settings);

    unsigned index = 0;
    for (const tinyxml2::XMLElement* child = firstElement<ModelRecord>(*element); child;
         child = child->NextSiblingElement(ModelRecord::element), ++index) {
        ModelRecord model;
        AttributeReader reader(child);
        ModelRecord::exchange(model, reader);
        // The file name is listed after the name, so it is the one named when both are missing.
        if (const char* missing = reader.lastMissing()) {
            osg::notify(osg::WARN) << "Skipping Model element " << index + 1 << " of Scene"
                                   << (reader.lacks(model.name) ? std::string() : " \"" + model.name + "\"")
                                   << (reader.lacks(model.filename) ? std::string() : " (" + model.filename + ")")
                                   << ": no " << missing << " attribute" << std::endl;
            continue;
        }
        scene.addModel(model.name, model.filename, model.layerNum, model.visible);
    }
}

void loadNavigation(const tinyxml2::XMLElement* element, NavigationController& navigation)
{
    // A missing element reads as one without attributes.
    NavigationSettings home;
    readAttributes(element, home);
    // An eye on its centre has no view direction: look along +y instead.
    if ((osg::Vec3f(home.center) - osg::Vec3f(home.eye)).length() == 0.0f)
        home.center.y() = static_cast<float>(home.center.y()) + 1.0f;
    navigation.setHome(home.eye, home.center);
    navigation.goHome();
}

void loadWindow(const tinyxml2::XMLElement* element, WindowController& window)
{
    WindowSettings settings = unconfiguredWindow();
    readAttributes(element, settings);
    window.createWindow(settings);

    // Only a window that got its stereo buffers can be drawn in quad-buffer stereo.
    if (settings.stereo && window.hasStereo()) {
        osg::DisplaySettings* display = osg::DisplaySettings::instance().get();
        display->setStereo(true);
        display->setStereoMode(osg::DisplaySettings::QUAD_BUFFER);
        display->setEyeSeparation(0.05f);
        display->setScreenDistance(0.5f);
    }
}

} // namespace

void KELVOview::createWindowFromScreenSize()
{
    unsigned screenWidth = 0, screenHeight = 0;
    if (!DisplayScreen::size(0, screenWidth, screenHeight)) {
        osg::notify(osg::FATAL) << "Unable to get WindowingSystemInterface" << std::endl;
        return;
    }
    WindowSettings settings = unconfiguredWindow();
    settings.x = (static_cast<int>(screenWidth) - 1024) / 2;
    settings.y = (static_cast<int>(screenHeight) - 768) / 2;
    settings.width = 1024;
    settings.height = 768;
    settings.numSamples = 4;
    windowController->createWindow(settings);
}

void KELVOview::loadConfiguration()
{
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (document.LoadFile(configFileName.c_str()) == tinyxml2::XML_SUCCESS) {
        osg::notify(osg::INFO) << "Loaded configuration file successfully" << std::endl;
    } else {
        osg::notify(osg::INFO) << "No configuration file found, using defaults" << std::endl;
        // A file that is there but unusable is a mistake worth seeing; a missing one is not.
        const tinyxml2::XMLError error = document.ErrorID();
        if (error == tinyxml2::XML_ERROR_FILE_COULD_NOT_BE_OPENED || error == tinyxml2::XML_ERROR_FILE_READ_ERROR)
            osg::notify(osg::WARN) << "Configuration file \"" << configFileName << "\" could not be read ("
                                   << document.ErrorName() << "), using defaults" << std::endl;
        else if (error != tinyxml2::XML_ERROR_FILE_NOT_FOUND)
            osg::notify(osg::WARN) << "Configuration file \"" << configFileName << "\" is not well-formed ("
                                   << document.ErrorName() << " at line " << document.ErrorLineNum()
                                   << "), using defaults" << std::endl;
        document.Clear();
    }

    if (const tinyxml2::XMLElement* scene = firstElement<SceneSettings>(document))
        loadScene(scene, *sceneController);

    viewer.home();

    if (const tinyxml2::XMLElement* element = firstElement<EnvironmentSettings>(document)) {
        EnvironmentSettings environment;
        readAttributes(element, environment);
        environmentController->setSettings(environment);
    }

    if (const tinyxml2::XMLElement* element = firstElement<OverlaySettings>(document)) {
        OverlaySettings overlay;
        readAttributes(element, overlay);
        overlayController->setSettings(overlay);
        sceneController->setOffset(osg::Vec3d(overlay.offset));
    }

    loadNavigation(firstElement<NavigationSettings>(document), *navigationController);

    if (const tinyxml2::XMLElement* window = firstElement<WindowSettings>(document))
        loadWindow(window, *windowController);
    else
        createWindowFromScreenSize();

    // What a renderer on the processor is spared, in one line.
    const std::string& software = windowController->getSoftwareRenderer();
    if (!software.empty()) {
        environmentController->setLightWater(true);
        // A draw thread beside the main thread leaves the rasteriser's own threads fewer cores:
        // on two cores the demo drew 40 % slower with it.
        viewer.setThreadingModel(osgViewer::ViewerBase::SingleThreaded);
        // Filtering across a texture seen at a slant multiplies a software rasteriser's texture
        // reads: the demo's terrain drew three times slower with it.
        sceneController->setTextureAnisotropy(1.0f);
        const int grid = EnvironmentController::lightSeaGridResolution;
        const int reflection = EnvironmentController::lightReflectionSize;
        osg::notify(osg::NOTICE) << "Software renderer " << software
                                 << ": drawing in one thread without multisampling or anisotropic"
                                 << " filtering, the sea with a " << grid << " x " << grid
                                 << " grid and a " << reflection << " x " << reflection
                                 << " reflection" << std::endl;
    }
}

void KELVOview::saveConfiguration()
{
    tinyxml2::XMLDocument document;

    document.InsertEndChild(newElement(document, overlayController->getSettings()));

    tinyxml2::XMLElement* scene = newElement(document, sceneController->getSettings());
    for (unsigned i = 0; i < sceneController->getNumModels(); ++i)
        scene->InsertEndChild(newElement(document, sceneController->getModelRecord(i)));
    document.InsertEndChild(scene);

    document.InsertEndChild(newElement(document, environmentController->getSettings()));

    // The current view becomes the home view of the next run.
    NavigationSettings current;
    navigationController->getEyeAndCenter(current.eye, current.center);
    document.InsertEndChild(newElement(document, current));

    WindowSettings window;
    windowController->getWindowInfo(window);
    // A window partly off the left or top edge of the screen comes back at that edge.
    window.x = std::max(window.x, 0);
    window.y = std::max(window.y, 0);
    document.InsertEndChild(newElement(document, window));

    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    if (!AtomicFileWriter::write(configFileName, std::string(printer.CStr(), printer.CStrSize() - 1)))
        osg::notify(osg::WARN) << "Could not save configuration file to \"" << configFileName << "\""
                               << std::endl;
}

} // namespace osgKELVO
