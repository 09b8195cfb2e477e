#pragma once

#include "water/MarisUpdateCallback.h"

#include <osg/Drawable>
#include <osg/Matrixd>
#include <osg/Program>
#include <osg/Texture2D>
#include <osg/TextureCubeMap>

#include <set>
#include <string>

namespace Maris {
class Environment;
class Ocean;
class ResourceLoader;
} // namespace Maris

namespace osgKELVO {

// The sea: owns one ocean environment and one ocean, creates them inside its first draw (they need
// the OpenGL context current), hands the frame's camera, projection, light, sky cube map and
// planar reflection to the environment and lets the ocean draw itself with raw OpenGL. Afterwards
// the scene graph's record of the OpenGL state is brought back in line with what the library left.
class MarisDrawable : public osg::Drawable
{
public:
    MarisDrawable(double seaState, double windDirection, osg::TextureCubeMap* cubeMap,
                  osg::RefMatrixd* envMapRotation, osg::Texture2D* reflectionTexture,
                  osg::RefMatrixd* reflectionMatrix);

    osg::Object* cloneType() const override;
    osg::Object* clone(const osg::CopyOp& copyop) const override;
    bool isSameKindAs(const osg::Object* object) const override;
    const char* libraryName() const override { return "osgKELVO"; }
    const char* className() const override { return "MarisDrawable"; }

    void drawImplementation(osg::RenderInfo& renderInfo) const override;

    // The directory the ocean library reads its resources from, relative to the working directory
    // (the program's Bin directory); tests point it elsewhere.
    void setResourceDirectory(const std::string& directory) { resourceDirectory = directory; }
    // Vertices per side of the sea grid of the ocean created next; 0 leaves the library's own.
    void setGridResolution(int verticesPerSide) { gridResolution = verticesPerSide; }

    Maris::Environment* getEnvironment() const { return environment; }
    Maris::Ocean* getOcean() const { return ocean; }
    unsigned getSetupAttempts() const { return setupAttempts; }

    // An unsuccessful set-up is tried again, but not more often than this.
    static constexpr double setupRetryInterval = 1.0;

protected:
    ~MarisDrawable() override;

private:
    void setUpOcean(double now) const;
    void releaseOcean() const;
    void passFrameToEnvironment(osg::RenderInfo& renderInfo) const;

    osg::ref_ptr<osg::TextureCubeMap> cubeMap;
    osg::ref_ptr<osg::RefMatrixd> envMapRotation;
    osg::ref_ptr<osg::Texture2D> reflectionTexture;
    osg::ref_ptr<osg::RefMatrixd> reflectionMatrix;
    // Created lazily in the const draw, hence mutable.
    mutable Maris::ResourceLoader* resourceLoader;
    mutable Maris::Environment* environment;
    mutable Maris::Ocean* ocean;
    double seaState;
    double windDirection;
    int gridResolution;

    std::string resourceDirectory;
    mutable double lastSetupAttempt;
    mutable unsigned setupAttempts;
    mutable bool reportedInitializeFailure;
    mutable bool reportedCreateFailure;
    // Library messages already shown by an earlier set-up attempt.
    mutable std::set<std::string> setupMessages;
    // Applied after the library's drawing: switches back to fixed-function rendering.
    osg::ref_ptr<osg::Program> emptyProgram;
    osg::ref_ptr<MarisUpdateCallback> updateCallback;
};

} // namespace osgKELVO
