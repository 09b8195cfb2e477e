#include "scene/SceneController.h"

#include "scene/BackgroundKdTrees.h"
#include "scene/PagedTiles.h"
#include "scene/SpatialChunks.h"

#include "desktop/DroppedFilesEvent.h"
#include "util/GeometryIntegrityVisitor.h"
#include "util/GuardedNodeReader.h"
#include "content/infopoints/InfoPointsBuilder.h"
#include "content/powerline/PowerlineBuilder.h"
#include "runtime/ProgramRoot.h"
#include "util/HelpUsage.h"

#include <osg/Notify>
#include <osgDB/AuthenticationMap>
#include <osgDB/FileNameUtils>
#include <osgDB/FileUtils>
#include <osgDB/Registry>
#include <osgUtil/Optimizer>

#include <chrono>
#include <cstdio>

namespace osgKELVO {

namespace {

// The digit keys name the layers; released alone they switch a layer, with a modifier they show
// its next alternative.
const int firstLayerKey = '0';
const int lastLayerKey = '9';
const HelpUsage::Line toggleLayerUsage{HelpUsage::Scene, 1, "1-9", "Tänd eller släck lager 1-9"};
const HelpUsage::Line nextAlternativeUsage{HelpUsage::Scene, 2, "Alt + 1-9", "Visa nästa alternativ i lager 1-9"};

// The viewer's own formats go to their readers as ever (zip to the program's plug-in, curl to the
// network loader). Any other extension is a model when the registry, which loads the plug-in named
// for it or its alias from the program's directory or the system's, gives a reader that lists it and
// reads nodes; image-only readers such as png are not models.
bool isSupportedModelExtension(const std::string& extension)
{
    static const char* const established[] = {"ive", "osg", "zip", "dxf", "curl", "3ds"};
    for (const char* candidate : established)
        if (extension == candidate)
            return true;
    if (extension.empty())
        return false;
    const osgDB::ReaderWriter* reader = osgDB::Registry::instance()->getReaderWriterForExtension(extension);
    return reader && reader->acceptsExtension(extension) &&
           (reader->supportedFeatures() & osgDB::ReaderWriter::FEATURE_READ_NODE) != 0;
}

// How long the reason a dropped file failed stays on screen.
const double failureShownSeconds = 5.0;

std::string storedPathOf(const std::string& filename)
{
    return ProgramRoot::storedPath(filename, osgDB::getCurrentWorkingDirectory());
}

std::string layerName(unsigned n)
{
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "Layer %u", n);
    return buffer;
}

} // namespace

SceneController::SceneController(osg::Group* sceneGroup)
    : sceneGroup(sceneGroup),
      initialized(false),
      offset(0.0, 0.0, 0.0),
      kdTrees(new BackgroundKdTrees),
      statusLine(new StatusLine)
{
    // The k-d trees that keep picking on terrain fast are built beside the loading and the first
    // frames instead of inside each read, which would hold up the first frame by a second.
    osgDB::Registry::instance()->setBuildKdTreesHint(osgDB::Options::DO_NOT_BUILD_KDTREES);
}

SceneController::~SceneController() = default;

bool SceneController::handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter&)
{
    if (!initialized)
        initialize();
    // Ahead of the picks of this traversal, on their thread.
    kdTrees->attachFinished();

    switch (ea.getEventType()) {
    case osgGA::GUIEventAdapter::KEYUP:
        return handleKeyUp(ea);
    case osgGA::GUIEventAdapter::USER:
        return handleDrop(ea);
    case osgGA::GUIEventAdapter::FRAME:
        return handleFrame(ea);
    default:
        return false;
    }
}

void SceneController::getUsage(osg::ApplicationUsage& usage) const
{
    HelpUsage::declare(usage, toggleLayerUsage);
    HelpUsage::declare(usage, nextAlternativeUsage);
}

bool SceneController::handleKeyUp(const osgGA::GUIEventAdapter& ea)
{
    // With Ctrl or Shift held, X gives a control character or a symbol for the digit key;
    // the unmodified key still names the digit.
    int key = ea.getKey();
    if (key < firstLayerKey || key > lastLayerKey)
        key = ea.getUnmodifiedKey();
    if (key < firstLayerKey || key > lastLayerKey)
        return false;
    const unsigned n = static_cast<unsigned>(key - firstLayerKey);
    if (ea.getModKeyMask() != 0)
        showNextAlternative(n);
    else
        toggleLayer(n);
    return false;
}

bool SceneController::handleDrop(const osgGA::GUIEventAdapter& ea)
{
    // Files dropped on the window arrive as user events.
    if (const DroppedFilesEvent* drop = DroppedFilesEvent::from(ea))
        addDroppedFiles(drop->getPaths());
    return false;
}

void SceneController::toggleLayer(unsigned n)
{
    if (n >= layers.size())
        return;
    osg::Switch* layer = layers[n].get();
    bool anyOn = false;
    for (unsigned i = 0; i < layer->getNumChildren(); ++i)
        anyOn = anyOn || layer->getValue(i);
    if (anyOn)
        layer->setAllChildrenOff();
    else
        layer->setAllChildrenOn();
}

void SceneController::showNextAlternative(unsigned n)
{
    if (n >= layers.size())
        return;
    osg::Switch* layer = layers[n].get();
    const unsigned count = layer->getNumChildren();
    unsigned lowestOn = count;
    for (unsigned i = 0; i < count && lowestOn == count; ++i)
        if (layer->getValue(i))
            lowestOn = i;
    layer->setAllChildrenOff();
    if (lowestOn == count)
        layer->setValue(0, true);
    else
        layer->setValue((lowestOn + 1) % count, true);
}

void SceneController::addDroppedFiles(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths)
        if (acceptsModel(osgDB::getStrippedName(path), path, 0))
            waitingFiles.push_back(path);
}

void SceneController::addModel(const std::string& name, const std::string& filename, int layerNum,
                               bool visible)
{
    if (!acceptsModel(name, filename, layerNum))
        return;
    const std::string storedPath = storedPathOf(filename);
    osg::notify(osg::NOTICE) << "Laddar " << name << std::endl;
    const LoadedModel loaded = readModel(filename, storedPath, textureAnisotropy);
    if (loaded.node)
        attachModel(ModelRecord{name, storedPath, layerNum, visible, loaded.node});
}

bool SceneController::handleFrame(const osgGA::GUIEventAdapter& ea)
{
    // Looked at once a frame, so that the name of a file, shown as its reading starts, stays on
    // screen for one frame at least. A FRAME event's time is the frame's reference time.
    if (loading.valid() && loading.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        const LoadedModel loaded = loading.get();
        loadingModel.node = loaded.node;
        statusLine->setProgress(std::string());
        if (loaded.node)
            attachModel(loadingModel);
        else
            statusLine->report(loaded.problem, ea.getTime() + failureShownSeconds);
    }
    if (!loading.valid() && !waitingFiles.empty()) {
        const std::string filename = waitingFiles.front();
        waitingFiles.pop_front();
        loadingModel = ModelRecord{osgDB::getStrippedName(filename), storedPathOf(filename), 0,
                                   true, nullptr};
        osg::notify(osg::NOTICE) << "Laddar " << loadingModel.name << std::endl;
        statusLine->setProgress("Laddar " + loadingModel.name);
        loading = std::async(std::launch::async, &SceneController::readModel, filename,
                             loadingModel.filename, textureAnisotropy);
    }
    return false;
}

bool SceneController::acceptsModel(const std::string& name, const std::string& filename,
                                   int layerNum) const
{
    const std::string extension = osgDB::convertToLowerCase(osgDB::getFileExtension(filename));
    if (!isSupportedModelExtension(extension)) {
        osg::notify(osg::WARN) << "Unsupported file dropped " << filename << std::endl;
        return false;
    }
    if (layerNum < 0 || layerNum > MaxLayerNum) {
        osg::notify(osg::WARN) << "Skipping model \"" << name << "\" (" << filename
                               << "): layer number " << layerNum << " is outside 0 to "
                               << MaxLayerNum << std::endl;
        return false;
    }
    return true;
}

// Runs on the loading thread for dropped files: touches nothing of the controller.
SceneController::LoadedModel SceneController::readModel(const std::string& filename,
                                                        const std::string& storedPath,
                                                        float anisotropy)
{
    LoadedModel loaded;
    const osgDB::Options* options = osgDB::Registry::instance()->getOptions();
    loaded.node = GuardedNodeReader::read(filename, options, &loaded.problem);
    // A file cut short can still give a node, whose geometry would be drawn past its data.
    GeometryIntegrityVisitor integrity;
    if (loaded.node)
        loaded.node->accept(integrity);
    if (integrity.isDamaged()) {
        osg::notify(osg::WARN) << "Model " << storedPath << " is damaged: "
                               << integrity.getProblem() << std::endl;
        loaded.node = nullptr;
        loaded.problem = integrity.getProblem();
    }
    if (!loaded.node) {
        osg::notify(osg::WARN) << "Unable to load model " << storedPath << std::endl;
        if (loaded.problem.empty())
            loaded.problem = "Unable to load model " + storedPath;
        return loaded;
    }

    // A large geometry in pieces, so that what is out of view is not drawn.
    SpatialChunks::split(loaded.node.get());

    // The tiles of a paged database come later, through the pager, with their trees.
    PagedTiles::adopt(loaded.node.get(), PagedTiles::createOptions(options).get());

    // Release image data once it is on the graphics card, so each texture is held once.
    osgUtil::Optimizer::TextureVisitor textureVisitor(true, true, false, false, true, anisotropy);
    loaded.node->accept(textureVisitor);
    return loaded;
}

void SceneController::setTextureAnisotropy(float value)
{
    textureAnisotropy = value;
    osgUtil::Optimizer::TextureVisitor anisotropy(false, false, false, false, true, value);
    sceneGroup->accept(anisotropy);
}

void SceneController::attachModel(const ModelRecord& record)
{
    models.push_back(record);
    const unsigned layerNum = static_cast<unsigned>(record.layerNum);
    while (layerNum >= layers.size()) {
        osg::ref_ptr<osg::Switch> layer = new osg::Switch;
        layer->setName(layerName(static_cast<unsigned>(layers.size())));
        layers.push_back(layer);
        sceneGroup->addChild(layer);
        osg::notify(osg::INFO) << "Adding new layer " << layer->getName() << std::endl;
    }
    layers[layerNum]->addChild(record.node, record.visible);
    osg::notify(osg::INFO) << "Added model " << record.name << " to " << layers[layerNum]->getName()
                           << std::endl;
    kdTrees->submit(record.node.get());
}

void SceneController::initialize()
{
    if (settings.loadInfoPoints)
        if (osg::ref_ptr<osg::Node> infoPoints = createInfoPoints())
            sceneGroup->addChild(infoPoints);
    if (settings.generatePowerline)
        if (osg::ref_ptr<osg::Node> powerline = createPowerline()) {
            sceneGroup->addChild(powerline);
            kdTrees->submit(powerline.get());
        }

    osgDB::Registry* registry = osgDB::Registry::instance();
    if (!registry->getAuthenticationMap()) {
        osg::ref_ptr<osgDB::AuthenticationMap> map = new osgDB::AuthenticationMap;
        registry->setAuthenticationMap(map);
        map->addAuthenticationDetails(
            "ZipPlugin", new osgDB::AuthenticationDetails("", "harbor42", osgDB::AuthenticationDetails::BASIC));
    }
    initialized = true;
}

osg::ref_ptr<osg::Node> SceneController::createInfoPoints()
{
    return InfoPointsBuilder().build();
}

osg::ref_ptr<osg::Node> SceneController::createPowerline()
{
    return PowerlineBuilder(offset).build();
}

} // namespace osgKELVO
