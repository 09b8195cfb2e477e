// Reading and writing the configuration file of KELVOview.

#include "app/KELVOview.h"

#include "config/AtomicFileWriter.h"
#include "config/ConfigurationAttributes.h"
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

namespace osgKELVO {

namespace {

using Attr = ConfigurationAttributes;

std::string defaultTitle()
{
    return std::string("KELVOview ") + KELVOview::versionText();
}

void loadScene(const tinyxml2::XMLElement* element, SceneController& scene)
{
    bool flag = false;
    Attr::readBool(element, "loadInfoPoints", flag);
    scene.setLoadInfoPoints(flag);
    flag = false;
    Attr::readBool(element, "generatePowerline", flag);
    scene.setGeneratePowerline(flag);

    unsigned index = 0;
    for (const tinyxml2::XMLElement* model = element->FirstChildElement("Model"); model;
         model = model->NextSiblingElement("Model"), ++index) {
        std::string filename;
        std::string name;
        bool visible = false;
        int layerNum = 0;
        const bool hasFilename = Attr::readString(model, "filename", filename);
        const bool hasName = Attr::readString(model, "name", name);
        Attr::readBool(model, "visible", visible);
        Attr::readInt(model, "layerNum", layerNum);
        if (!hasFilename || !hasName) {
            osg::notify(osg::WARN) << "Skipping Model element " << index + 1 << " of Scene"
                                   << (hasName ? " \"" + name + "\"" : std::string())
                                   << (hasFilename ? " (" + filename + ")" : std::string()) << ": no "
                                   << (hasFilename ? "name" : "filename") << " attribute" << std::endl;
            continue;
        }
        scene.addModel(name, filename, layerNum, visible);
    }
}

void loadEnvironment(const tinyxml2::XMLElement* element, EnvironmentController& environment)
{
    float red = 0.0f, green = 0.0f, blue = 0.0f;
    Attr::readReal(element, "backgroundColorRed", red);
    Attr::readReal(element, "backgroundColorGreen", green);
    Attr::readReal(element, "backgroundColorBlue", blue);
    environment.setBackgroundColor(red, green, blue, 1.0f);

    bool enableWater = false;
    float seaState = 0.0f, windDirection = 0.0f;
    Attr::readBool(element, "enableWater", enableWater);
    Attr::readReal(element, "seaState", seaState);
    Attr::readReal(element, "windDirection", windDirection);
    environment.setEnableWater(enableWater);
    environment.setSeaState(seaState);
    environment.setWindDirection(windDirection);
}

void loadOverlay(const tinyxml2::XMLElement* element, OverlayController& overlay, SceneController& scene)
{
    bool useGeoCoords = false;
    Attr::readBool(element, "useGeoCoords", useGeoCoords);
    overlay.setUseGeoCoords(useGeoCoords);

    float x = 0.0f, y = 0.0f, z = 0.0f;
    Attr::readReal(element, "offsetZ", z);
    Attr::readReal(element, "offsetY", y);
    Attr::readReal(element, "offsetX", x);
    overlay.setOffset(osg::Vec3f(x, y, z));
    scene.setOffset(osg::Vec3d(x, y, z));
}

void loadNavigation(const tinyxml2::XMLElement* element, NavigationController& navigation)
{
    osg::Vec3d eye(0.0, 0.0, 0.0);
    osg::Vec3d center(0.0, 1.0, 0.0);
    if (element) {
        float ex = 0.0f, ey = 0.0f, ez = 0.0f, cx = 0.0f, cy = 0.0f, cz = 0.0f;
        Attr::readReal(element, "homeEyeX", ex);
        Attr::readReal(element, "homeEyeY", ey);
        Attr::readReal(element, "homeEyeZ", ez);
        Attr::readReal(element, "homeCenterX", cx);
        Attr::readReal(element, "homeCenterY", cy);
        Attr::readReal(element, "homeCenterZ", cz);
        // An eye on its centre has no view direction: look along +y instead.
        if ((osg::Vec3f(cx, cy, cz) - osg::Vec3f(ex, ey, ez)).length() == 0.0f)
            cy += 1.0f;
        eye.set(ex, ey, ez);
        center.set(cx, cy, cz);
    }
    navigation.setHome(eye, center);
    navigation.goHome();
}

void loadWindow(const tinyxml2::XMLElement* element, WindowController& window)
{
    WindowSettings settings;
    if (!Attr::readString(element, "title", settings.title))
        settings.title = defaultTitle();
    Attr::readInt(element, "x", settings.x);
    Attr::readInt(element, "y", settings.y);
    Attr::readInt(element, "width", settings.width);
    Attr::readInt(element, "height", settings.height);
    Attr::readBool(element, "maximized", settings.maximized);
    Attr::readBool(element, "fullscreen", settings.fullscreen);
    Attr::readUnsigned(element, "screenNum", settings.screenNum);
    Attr::readUnsigned(element, "numSamples", settings.numSamples);
    Attr::readBool(element, "stereo", settings.stereo);
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
    WindowSettings settings;
    settings.title = defaultTitle();
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

    if (const tinyxml2::XMLElement* scene = document.FirstChildElement("Scene"))
        loadScene(scene, *sceneController);

    viewer.home();

    if (const tinyxml2::XMLElement* environment = document.FirstChildElement("Environment"))
        loadEnvironment(environment, *environmentController);

    if (const tinyxml2::XMLElement* overlay = document.FirstChildElement("Overlay"))
        loadOverlay(overlay, *overlayController, *sceneController);

    loadNavigation(document.FirstChildElement("Navigation"), *navigationController);

    if (const tinyxml2::XMLElement* window = document.FirstChildElement("Window"))
        loadWindow(window, *windowController);
    else
        createWindowFromScreenSize();
}

void KELVOview::saveConfiguration()
{
    tinyxml2::XMLDocument document;

    tinyxml2::XMLElement* overlay = document.NewElement("Overlay");
    Attr::writeBool(overlay, "useGeoCoords", overlayController->getUseGeoCoords());
    const osg::Vec3f& overlayOffset = overlayController->getOffset();
    Attr::writeReal(overlay, "offsetX", overlayOffset.x());
    Attr::writeReal(overlay, "offsetY", overlayOffset.y());
    Attr::writeReal(overlay, "offsetZ", overlayOffset.z());

    tinyxml2::XMLElement* scene = document.NewElement("Scene");
    Attr::writeBool(scene, "loadInfoPoints", sceneController->getLoadInfoPoints());
    Attr::writeBool(scene, "generatePowerline", sceneController->getGeneratePowerline());
    for (unsigned i = 0; i < sceneController->getNumModels(); ++i) {
        std::string name, filename;
        int layerNum = 0;
        bool visible = false;
        sceneController->getModelInfo(i, name, filename, layerNum, visible);
        tinyxml2::XMLElement* model = document.NewElement("Model");
        Attr::writeString(model, "name", name);
        Attr::writeString(model, "filename", filename);
        Attr::writeUnsigned(model, "layerNum", static_cast<unsigned>(layerNum));
        Attr::writeBool(model, "visible", visible);
        scene->InsertEndChild(model);
    }

    tinyxml2::XMLElement* environment = document.NewElement("Environment");
    const osg::Vec4f& color = environmentController->getBackgroundColor();
    Attr::writeReal(environment, "backgroundColorRed", color.r());
    Attr::writeReal(environment, "backgroundColorGreen", color.g());
    Attr::writeReal(environment, "backgroundColorBlue", color.b());
    Attr::writeBool(environment, "enableWater", environmentController->getEnableWater());
    Attr::writeReal(environment, "seaState", static_cast<float>(environmentController->getSeaState()));
    Attr::writeReal(environment, "windDirection", static_cast<float>(environmentController->getWindDirection()));

    tinyxml2::XMLElement* navigation = document.NewElement("Navigation");
    osg::Vec3d eye, center;
    navigationController->getEyeAndCenter(eye, center);
    Attr::writeReal(navigation, "homeEyeX", static_cast<float>(eye.x()));
    Attr::writeReal(navigation, "homeEyeY", static_cast<float>(eye.y()));
    Attr::writeReal(navigation, "homeEyeZ", static_cast<float>(eye.z()));
    Attr::writeReal(navigation, "homeCenterX", static_cast<float>(center.x()));
    Attr::writeReal(navigation, "homeCenterY", static_cast<float>(center.y()));
    Attr::writeReal(navigation, "homeCenterZ", static_cast<float>(center.z()));

    tinyxml2::XMLElement* window = document.NewElement("Window");
    WindowSettings info;
    windowController->getWindowInfo(info);
    Attr::writeString(window, "title", info.title);
    Attr::writeInt(window, "x", info.x < 0 ? 0 : info.x);
    Attr::writeInt(window, "y", info.y < 0 ? 0 : info.y);
    Attr::writeInt(window, "width", info.width);
    Attr::writeInt(window, "height", info.height);
    Attr::writeBool(window, "maximized", info.maximized);
    Attr::writeBool(window, "fullscreen", info.fullscreen);
    Attr::writeUnsigned(window, "screenNum", info.screenNum);
    Attr::writeUnsigned(window, "numSamples", info.numSamples);
    Attr::writeBool(window, "stereo", info.stereo);

    document.InsertEndChild(overlay);
    document.InsertEndChild(scene);
    document.InsertEndChild(environment);
    document.InsertEndChild(navigation);
    document.InsertEndChild(window);

    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    if (!AtomicFileWriter::write(configFileName, std::string(printer.CStr(), printer.CStrSize() - 1)))
        osg::notify(osg::WARN) << "Could not save configuration file to \"" << configFileName << "\""
                               << std::endl;
}

} // namespace osgKELVO
