#pragma once

#include "scene/ModelRecord.h"
#include "scene/SceneSettings.h"
#include "util/StatusLine.h"

#include <osg/Group>
#include <osg/Switch>
#include <osg/Vec3d>
#include <osgGA/GUIEventHandler>

#include <deque>
#include <future>
#include <memory>
#include <string>
#include <vector>

namespace osgKELVO {

class BackgroundKdTrees;

// Owns the content of the "Scene" group: models in numbered layers (one switch per layer, its
// children the layer's alternatives), the power line and the information points. Configured models
// load at once; dropped files load one at a time, in the order they came, on a thread of their own
// while the frame loop goes on, and join layer 0 in the event traversal.
class SceneController : public osgGA::GUIEventHandler
{
public:
    // Highest layer number a model may ask for; a hand-edited configuration must not be able to
    // make the viewer create millions of empty layers.
    static const int MaxLayerNum = 999;

    explicit SceneController(osg::Group* sceneGroup);

    bool handle(const osgGA::GUIEventAdapter& ea, osgGA::GUIActionAdapter& aa) override;
    void getUsage(osg::ApplicationUsage& usage) const override;

    void addModel(const std::string& name, const std::string& filename, int layerNum, bool visible);
    void addDroppedFiles(const std::vector<std::string>& paths);
    void toggleLayer(unsigned n);
    void showNextAlternative(unsigned n);
    void initialize();

    unsigned getNumModels() const { return static_cast<unsigned>(models.size()); }

    osg::ref_ptr<osg::Node> createInfoPoints();
    osg::ref_ptr<osg::Node> createPowerline();

    const SceneSettings& getSettings() const { return settings; }
    void setSettings(const SceneSettings& value) { settings = value; }
    bool getLoadInfoPoints() const { return settings.loadInfoPoints; }
    bool getGeneratePowerline() const { return settings.generatePowerline; }
    const osg::Vec3d& getOffset() const { return offset; }
    void setOffset(const osg::Vec3d& value) { offset = value; }

    bool isInitialized() const { return initialized; }
    unsigned getNumLayers() const { return static_cast<unsigned>(layers.size()); }
    osg::Switch* getLayer(unsigned n) const { return n < layers.size() ? layers[n].get() : nullptr; }
    const ModelRecord& getModelRecord(unsigned index) const { return models[index]; }
    // What the user is told about the dropped file being loaded and why one failed.
    StatusLine* getStatusLine() const { return statusLine.get(); }

    // The most anisotropic filtering for the textures of models, loaded ones and those to come.
    static constexpr float defaultTextureAnisotropy = 4.0f;
    void setTextureAnisotropy(float value);

protected:
    ~SceneController() override;

private:
    // A model read from its file and ready to join its layer; without a node, why it failed.
    struct LoadedModel
    {
        osg::ref_ptr<osg::Node> node;
        std::string problem;
    };

    bool handleKeyUp(const osgGA::GUIEventAdapter& ea);
    bool handleDrop(const osgGA::GUIEventAdapter& ea);
    bool handleFrame(const osgGA::GUIEventAdapter& ea);
    bool acceptsModel(const std::string& name, const std::string& filename, int layerNum) const;
    static LoadedModel readModel(const std::string& filename, const std::string& storedPath,
                                 float anisotropy);
    void attachModel(const ModelRecord& record);

    std::vector<ModelRecord> models;
    osg::ref_ptr<osg::Group> sceneGroup;
    std::vector<osg::ref_ptr<osg::Switch>> layers;
    bool initialized;
    SceneSettings settings;
    osg::Vec3d offset;
    float textureAnisotropy = defaultTextureAnisotropy;
    std::unique_ptr<BackgroundKdTrees> kdTrees;
    osg::ref_ptr<StatusLine> statusLine;
    // Dropped files not yet started, in the order they came, and the one being read; the
    // future's end waits for that read, so no reader outlives the controller.
    std::deque<std::string> waitingFiles;
    ModelRecord loadingModel;
    std::future<LoadedModel> loading;
};

} // namespace osgKELVO
