#include "water/MarisDrawable.h"

#include "water/MarisUpdateCallback.h"
#include "water/OceanMessages.h"
#include "water/RepeatedMessageFilter.h"

#include <Maris/Environment.h>
#include <Maris/Ocean.h>
#include <Maris/ResourceLoader.h>

#include <osg/FrameStamp>
#include <osg/Light>
#include <osg/Notify>
#include <osg/Program>
#include <osg/State>
#include <osg/View>

#include <cmath>
#include <limits>

namespace osgKELVO {

namespace {

const char* const defaultResourceDirectory = "../Resources/Maris";
const double pi = 3.14159265358979323846;

// The upper left 3 x 3 of a matrix, row by row.
void upperLeft3x3(const osg::Matrixd& m, double out[9])
{
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            out[row * 3 + column] = m(row, column);
}

std::uint32_t textureName(const osg::Texture* texture, unsigned contextID)
{
    if (!texture)
        return 0;
    const osg::Texture::TextureObject* object = texture->getTextureObject(contextID);
    return object ? object->id() : 0;
}

} // namespace

MarisDrawable::MarisDrawable(double seaStateValue, double windDirectionValue,
                             osg::TextureCubeMap* cubeMapValue, osg::RefMatrixd* envMapRotationValue,
                             osg::Texture2D* reflectionTextureValue,
                             osg::RefMatrixd* reflectionMatrixValue)
    : cubeMap(cubeMapValue),
      envMapRotation(envMapRotationValue),
      reflectionTexture(reflectionTextureValue),
      reflectionMatrix(reflectionMatrixValue),
      resourceLoader(nullptr),
      environment(nullptr),
      ocean(nullptr),
      seaState(seaStateValue),
      windDirection(windDirectionValue),
      gridResolution(0),
      resourceDirectory(defaultResourceDirectory),
      lastSetupAttempt(-std::numeric_limits<double>::infinity()),
      setupAttempts(0),
      reportedInitializeFailure(false),
      reportedCreateFailure(false),
      emptyProgram(new osg::Program),
      updateCallback(new MarisUpdateCallback)
{
    // Installed now, on the thread that owns the scene graph; it steps nothing until the first
    // draw has created the ocean.
    setUpdateCallback(updateCallback.get());
    forwardOceanMessagesToNotify();
    setDataVariance(osg::Object::DYNAMIC);
    setUseVertexBufferObjects(false);
    setUseDisplayList(false);
    // The sea reaches the horizon wherever the eye is; it has no bound to cull against.
    setCullingActive(false);
}

MarisDrawable::~MarisDrawable()
{
    releaseOcean();
}

osg::Object* MarisDrawable::cloneType() const
{
    return new MarisDrawable(3.0, 0.0, nullptr, nullptr, nullptr, nullptr);
}

osg::Object* MarisDrawable::clone(const osg::CopyOp&) const
{
    // The library objects belong to one context and one drawable; a copy starts from nothing.
    return new MarisDrawable(3.0, 0.0, nullptr, nullptr, nullptr, nullptr);
}

bool MarisDrawable::isSameKindAs(const osg::Object* object) const
{
    return dynamic_cast<const MarisDrawable*>(object) != nullptr;
}

void MarisDrawable::releaseOcean() const
{
    updateCallback->setOcean(nullptr);
    delete ocean;
    ocean = nullptr;
    delete environment;
    environment = nullptr;
    delete resourceLoader;
    resourceLoader = nullptr;
}

void MarisDrawable::setUpOcean(double now) const
{
    if (now - lastSetupAttempt < setupRetryInterval)
        return;
    lastSetupAttempt = now;
    ++setupAttempts;

    // What a failed attempt left behind goes before the next one starts.
    releaseOcean();

    RepeatedMessageFilter filter(setupMessages);
    resourceLoader = new Maris::ResourceLoader(resourceDirectory.c_str(), false);
    environment = new Maris::Environment;
    const Maris::EnvironmentError result = environment->Initialize(
        Maris::FlatZUp, Maris::OpenGL2, resourceLoader, nullptr, false);
    if (result != Maris::EnvironmentInitialized && !reportedInitializeFailure) {
        reportedInitializeFailure = true;
        OSG_FATAL << "Failed to initialize Maris - is the resource path passed in to the "
                     "ResourceLoader constructor valid?"
                  << std::endl;
    }
    environment->SimulateSeaState(seaState, windDirection);
    if (gridResolution > 0)
        environment->SetGridResolution(gridResolution);

    ocean = Maris::Ocean::Create(environment, Maris::JONSWAPSpectrum, false, false);
    if (ocean) {
        updateCallback->setOcean(ocean);
        return;
    }
    if (!reportedCreateFailure) {
        reportedCreateFailure = true;
        OSG_WARN << "The ocean could not be created; trying again once a second" << std::endl;
    }
    // Keep the environment of the failed attempt until the next one: this frame still gets its
    // camera and lights, as it would with an ocean.
}

void MarisDrawable::passFrameToEnvironment(osg::RenderInfo& renderInfo) const
{
    osg::State& state = *renderInfo.getState();

    const osg::View* view = renderInfo.getView();
    const osg::Light* light = view ? view->getLight() : nullptr;
    if (light && light->getPosition().w() == 0.0f) {
        const osg::Vec4& position = light->getPosition();
        const osg::Vec4& diffuse = light->getDiffuse();
        const osg::Vec4& ambient = light->getAmbient();
        const double direction[3] = {position.x(), position.y(), position.z()};
        const double color[3] = {diffuse.r(), diffuse.g(), diffuse.b()};
        const double ambientColor[3] = {ambient.r(), ambient.g(), ambient.b()};
        environment->SetDirectionalLight(direction, color);
        environment->SetAmbientLight(ambientColor);
    }

    const unsigned contextID = state.getContextID();
    const osg::Matrixd rotation = envMapRotation.valid() ? osg::Matrixd(*envMapRotation) : osg::Matrixd();
    const osg::Matrixd environmentMatrix = osg::Matrixd::rotate(pi, osg::Vec3d(0.0, 0.0, 1.0)) *
                                           rotation *
                                           osg::Matrixd::rotate(-pi / 2.0, osg::Vec3d(1.0, 0.0, 0.0));
    double matrix3[9];
    upperLeft3x3(environmentMatrix, matrix3);
    // A texture without an object in this context (the sky images were missing, the reflection
    // has not rendered yet) is passed as none, and the sea then leaves that reflection out.
    environment->SetEnvironmentMap(textureName(cubeMap.get(), contextID), matrix3);

    upperLeft3x3(reflectionMatrix.valid() ? osg::Matrixd(*reflectionMatrix) : osg::Matrixd(), matrix3);
    environment->SetPlanarReflectionMap(textureName(reflectionTexture.get(), contextID), matrix3, 0.125f);
}

void MarisDrawable::drawImplementation(osg::RenderInfo& renderInfo) const
{
    osg::State& state = *renderInfo.getState();
    // The library starts from a clean client state.
    state.disableAllVertexArrays();
    state.dirtyAllVertexArrays();

    const osg::View* view = renderInfo.getView();
    const osg::FrameStamp* frameStamp =
        view && view->getFrameStamp() ? view->getFrameStamp() : state.getFrameStamp();
    const double simulationTime = frameStamp ? frameStamp->getSimulationTime() : 0.0;
    const double referenceTime = frameStamp ? frameStamp->getReferenceTime() : 0.0;

    if (!ocean)
        setUpOcean(referenceTime);

    if (environment) {
        const osg::Matrixd modelView = state.getModelViewMatrix();
        const osg::Matrixd projection = state.getProjectionMatrix();
        environment->SetCameraMatrix(modelView.ptr());
        environment->SetProjectionMatrix(projection.ptr());
    }
    state.dirtyAllVertexArrays();

    if (environment) {
        passFrameToEnvironment(renderInfo);
        if (ocean)
            ocean->Draw(simulationTime, true, true, true);
        // The lighting model binds the planar reflection on unit 6 behind the state's back.
        state.haveAppliedTextureAttribute(6, osg::StateAttribute::TEXTURE);
    }

    // Bring the scene graph's record of the OpenGL state back to what is really bound: every
    // array pointer (vertex, normal, colors, texture coordinates and attributes of all units)...
    state.dirtyAllVertexArrays();
    // ...and the program: none, then fixed-function rendering, as the state records it.
    state.setLastAppliedProgramObject(nullptr);
    state.haveAppliedAttribute(osg::StateAttribute::PROGRAM);
    state.applyAttribute(emptyProgram.get());
}

} // namespace osgKELVO
