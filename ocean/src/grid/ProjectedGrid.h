#pragma once

#include <Maris/Matrix3.h>
#include <Maris/Matrix4.h>
#include <Maris/MemObject.h>
#include <Maris/Vector3.h>
#include <Maris/WaterModelType.h>

#include "core/SeaFrame.h"

#include <cstdint>

namespace Maris {

class Environment;
class OceanLightingModel;
class WakeManager;
class WaterModel;

// The sea drawn as one square grid of vertices lying in screen space; the shaders turn each vertex
// into a camera ray, meet the sea surface and displace it. This base holds what the processor
// side knows: resolution, local basis and earth radii, projection constants, and the models that
// contribute uniforms. It draws nothing (the simulation-only renderer uses it as it is). Its local
// frame is what the wave models, wakes and spray see of it.
class ProjectedGrid : public MemObject, public SeaFrame
{
public:
    explicit ProjectedGrid(bool breakingWaves);
    virtual bool Initialize(Environment* environment, WaterModelType type, std::uint32_t resolution);
    virtual ~ProjectedGrid();
    // Draws caller geometry with the patch program; the base has no program and refuses.
    virtual bool DrawPatch(double time, int stride, const void* vertices, bool doubles,
                           const double* modelMatrix);
    virtual bool UnbindProgram();
    virtual void Draw(double time, bool depthWrites);
    virtual std::uint32_t GetShader() const;
    virtual std::uint32_t GetPatchShader() const;
    virtual void Reserved0();
    virtual void Reserved1();
    virtual void PushState();
    virtual void PopState();
    virtual void ResetState();

    // Per frame: in geocentric worlds the local frame follows the camera.
    void Update();
    // Whether a ray from the camera straight down meets the sea surface.
    bool IsAboveWater() const;

    // The 4x4 stretch of the unit grid over the screen for the current camera (row-vector layout).
    Matrix4 ComputeGridScale();
    // Intersections with the sea surface raised by the offset (negative: lowered), world units.
    bool IntersectSea(const Vector3& origin, const Vector3& direction, double offset,
                      Vector3& hit) const;

    // Takes the model; its breaking-wave points, when it has them, become the frame's spray source.
    void SetWaterModel(WaterModel* model);
    WaterModel* GetWaterModel() const { return waterModel; }
    void SetLightingModel(OceanLightingModel* model) { lightingModel = model; }
    OceanLightingModel* GetLightingModel() const { return lightingModel; }
    void SetWakeManager(WakeManager* manager) { wakeManager = manager; }
    WakeManager* GetWakeManager() const { return wakeManager; }

    Environment* GetEnvironment() const { return environment; }
    std::uint32_t GetResolution() const { return resolution; }
    const Vector3& GetRadii() const { return radii; }
    const Vector3& GetNorth() const { return north; }
    const Vector3& GetEast() const { return east; }
    WaterModelType GetWaterModelType() const { return waterModelType; }
    double GetAntiAliasing() const { return antiAliasing; }
    float GetPlanarHeight() const { return planarHeight; }
    float GetPlanarAdjust() const { return planarAdjust; }
    float GetPlanarReflectionBlend() const { return planarReflectionBlend; }
    double GetMaxAllowableDisplacement() const { return maxAllowableDisplacement; }
    void SetWireframe(bool on) { wireframe = on; }
    bool GetWireframe() const { return wireframe; }
    void SetDepthOffset(float offset) { depthOffset = offset; }
    float GetDepthOffset() const { return depthOffset; }
    double GetAspectRatio() const { return aspectRatio; }
    bool IsGeocentric() const;

protected:
    // The horizon on the screen: offset of its middle, nudged below it, and the roll angle.
    bool FindHorizon(const Matrix4& camera, const Matrix4& projection, Vector3& offset,
                     double& roll) const;
    double RollFromCameraAxes(const Matrix4& camera) const;
    bool IntersectEllipsoid(const Vector3& origin, const Vector3& direction, double offset,
                            Vector3& hit) const;

    std::uint32_t resolution;
    Environment* environment;
    Vector3 radii;
    Vector3 north;
    Vector3 east;
    WaterModel* waterModel;
    OceanLightingModel* lightingModel;
    WakeManager* wakeManager;
    double antiAliasing;
    WaterModelType waterModelType;
    float planarHeight;
    double maxAllowableDisplacement;
    float planarAdjust;
    float planarReflectionBlend;
    double aspectRatio;
    bool wireframe;
    float depthOffset;

private:
    ProjectedGrid(const ProjectedGrid&) = delete;
    ProjectedGrid& operator=(const ProjectedGrid&) = delete;
};

} // namespace Maris
