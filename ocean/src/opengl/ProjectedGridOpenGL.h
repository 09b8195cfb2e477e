#pragma once

#include <Maris/Containers.h>
#include "grid/ProjectedGrid.h"

namespace Maris {

// The projected grid drawn with OpenGL: owns the vertex and index buffers, compiles and links the
// grid shaders, sets the grid's uniforms every frame and draws one triangle strip.
class ProjectedGridOpenGL : public ProjectedGrid
{
public:
    explicit ProjectedGridOpenGL(bool breakingWaves);
    ~ProjectedGridOpenGL() override;

    bool Initialize(Environment* environment, WaterModelType type,
                    std::uint32_t resolution) override;
    bool DrawPatch(double time, int stride, const void* vertices, bool doubles,
                   const double* modelMatrix) override;
    bool UnbindProgram() override;
    void Draw(double time, bool depthWrites) override;
    std::uint32_t GetShader() const override { return mainProgram; }
    std::uint32_t GetPatchShader() const override { return patchProgram; }
    void PushState() override;
    void PopState() override;
    void ResetState() override;

    std::uint32_t GetIndexCount() const { return indexCount; }
    std::uint32_t GetVertexBuffer() const { return vertexBuffer; }
    std::uint32_t GetIndexBuffer() const { return indexBuffer; }
    std::uint32_t GetEmptyHeightMap() const { return emptyTexture; }

    // The file a shader of this grid is read from, e.g. "projgrid-flat-gerstner.glsl".
    String ShaderFileName(bool vertexShader, bool patch) const;
    // The definitions put before every shader text, in order, after the version line.
    String ShaderPreamble() const;

    enum Uniform
    {
        AntiAliasing,
        CameraPosition,
        InverseModelviewProjection,
        Modelview,
        Projection,
        DepthOffset,
        CubeMapMatrix,
        PlanarReflectionMapMatrix,
        GridScale,
        Basis,
        InverseBasis,
        GridSize,
        HeightMap,
        HasHeightMap,
        HeightMapMatrix,
        FloorPlanePoint,
        FloorPlaneNormal,
        FogColor,
        FogDensity,
        FogDensityBelow,
        SeaLevel,
        PlanarHeight,
        PlanarAdjust,
        PlanarReflectionBlend,
        Kexp,
        BreakerWavelength,
        BreakerWavelengthVariance,
        BreakerDirection,
        BreakerAmplitude,
        BreakerPhaseConstant,
        SurgeDepth,
        SteepnessVariance,
        NorthPole,
        North,
        East,
        Radii,
        OneOverRadii,
        Plane,
        ReferenceLocation,
        ModelMatrix,
        UniformCount
    };
    static const char* const uniformNames[UniformCount];

private:
    struct ProgramLocations
    {
        int uniform[UniformCount];
        int vertex;
    };

    bool CreateBuffers();
    bool LoadShaders();
    std::uint32_t CompileShader(const char* fileName, bool vertexShader);
    static void LookUpLocations(std::uint32_t program, ProgramLocations& locations);
    void SetGridUniforms(const ProgramLocations& locations, const double* modelMatrix);
    void DeleteObjects();

    std::uint32_t vertexBuffer;
    std::uint32_t indexBuffer;
    std::uint32_t indexCount;
    std::uint32_t mainProgram;
    std::uint32_t patchProgram;
    std::uint32_t mainVertexShader;
    std::uint32_t mainFragmentShader;
    std::uint32_t patchVertexShader;
    std::uint32_t patchFragmentShader;
    ProgramLocations mainLocations;
    ProgramLocations patchLocations;
    std::uint32_t vertexArray;
    bool hasVertexArrayObject;
    bool hasUnifiedMemory;
    bool hasMultisample;
    std::uint32_t emptyTexture;
    Vector<int> savedPrograms;
};

} // namespace Maris
