#pragma once

#include <Maris/BreakingWaveParameters.h>
#include <Maris/Containers.h>
#include <Maris/Matrix3.h>
#include <Maris/Matrix4.h>
#include <Maris/MemObject.h>
#include <Maris/Swell.h>
#include <Maris/Vector3.h>
#include <Maris/WindFetch.h>

#include <cstdint>

namespace Maris {

class DefaultRandomNumberGenerator;
class EnvironmentClient;
class RandomNumberGenerator;
class ResourceLoader;
struct Frustum;

enum CoordinateSystem : std::int32_t
{
    GeocentricEllipsoidZUp = 0, // ellipsoid, z through the poles
    GeocentricEllipsoidYUp = 1, // ellipsoid, y through the poles
    GeocentricSphereZUp = 2,    // sphere of mean radius, z through the poles
    GeocentricSphereYUp = 3,    // sphere of mean radius, y through the poles
    FlatZUp = 4,
    FlatYUp = 5
};

enum Renderer : std::int32_t
{
    OpenGL2 = 0, // GLSL 1.20
    // Contexts of the OpenGL 3.2 class (GLSL 1.50).
    OpenGL32 = 1,
    OpenGL40 = 2,
    OpenGL41 = 3,
    Direct3D9 = 4,
    Direct3D9Ex = 5,
    Direct3D11 = 6,
    // Simulation only: nothing is drawn.
    NoRenderer = 7
};

enum EnvironmentError : std::int32_t
{
    EnvironmentInitialized = 0,
    ConfigurationNotLoaded = 1,
    NullResourceLoader = 2,
    NoDirect3DDevice = 3
};

// The world the sea is drawn into: renderer and coordinate system, resources, this frame's camera
// and lights, fog, wind and the textures the sea reflects. Oceans and their parts read it; it
// draws nothing. The host updates camera, projection and lights every frame.
class Environment : public MemObject
{
public:
    Environment();
    virtual ~Environment();

    EnvironmentError Initialize(CoordinateSystem coordinateSystem, Renderer renderer,
                                ResourceLoader* loader, void* device, bool hdr);

    // Per frame. 16 values each, in the scene graph's layout. An unchanged matrix does nothing.
    void SetCameraMatrix(const double* modelView);
    void SetProjectionMatrix(const double* projection);
    // Direction towards the light (normalized when not zero) and its color, 0 to 1.
    void SetDirectionalLight(const double* direction, const double* color);
    void SetAmbientLight(const double* color);
    // The matrices are row by row: 9 values for 3x3, 16 for the height map. Null means identity.
    void SetEnvironmentMap(std::uint32_t texture, const double* matrix3);
    void SetPlanarReflectionMap(std::uint32_t texture, const double* matrix3,
                                float displacementScale);
    void SetHeightMap(std::uint32_t texture, const double* matrix4);
    void SetSeaLevel(double level);
    void SetMetersPerUnit(double meters) { metersPerUnit = meters; }
    // Vertices per side of the sea grid of oceans created from now on, 2 to 4096, in place of the
    // configuration's default-grid-resolution (a lighter sea for a slow renderer, say). A value
    // out of range is reported and changes nothing.
    bool SetGridResolution(int verticesPerSide);
    // The chosen side, or the configuration's when none was chosen.
    int GetGridResolution() const;

    // Wind.
    void AddWindFetch(const WindFetch& fetch) { windFetches.push_back(fetch); }
    void ClearWindFetches() { windFetches.clear(); }
    const List<WindFetch>& GetWindFetches() const { return windFetches; }
    // Replaces all fetches with one global fetch of the wind of this Beaufort number.
    void SimulateSeaState(double beaufort, double windDirection);
    // The combined wind of all fetches at a position.
    void GetWind(const Vector3& position, double& speed, double& direction, double& fetch) const;

    // Swells and spectrum switches read by the FFT water model.
    void AddSwell(const Swell& swell) { swells.push_back(swell); }
    void ClearSwells() { swells.clear(); }
    const List<Swell>& GetSwells() const { return swells; }
    void SetOmnidirectional(bool on) { omnidirectional = on; }
    bool GetOmnidirectional() const { return omnidirectional; }
    // A further FFT switch, on by default.
    void SetFFTFlag(bool on) { fftFlag = on; }
    bool GetFFTFlag() const { return fftFlag; }

    // Oceans register here, so that they learn when the environment goes before them.
    void AddOcean(EnvironmentClient* ocean);
    void RemoveOcean(EnvironmentClient* ocean);
    const List<EnvironmentClient*>& GetOceans() const { return oceans; }

    // True when the sphere lies outside the view.
    bool CullSphere(const Vector3& centre, double radius) const;
    // Null before Initialize. Planes in the order near, left, right, top, bottom, far.
    const Frustum* GetFrustum() const { return frustum; }

    Vector3 GetUpVector() const;

    CoordinateSystem GetCoordinateSystem() const { return coordinateSystem; }
    Renderer GetRenderer() const { return renderer; }
    bool IsOpenGL() const { return renderer < Direct3D9; }
    void* GetDevice() const { return device; }
    ResourceLoader* GetResourceLoader() const { return resourceLoader; }
    // The generator handed to wakes and spray; null reinstates the environment's own.
    void SetRandomNumberGenerator(RandomNumberGenerator* generator);
    RandomNumberGenerator* GetRandomNumberGenerator() const { return randomNumberGenerator; }

    const Matrix4& GetCameraMatrix() const { return cameraMatrix; }
    const Matrix4& GetProjectionMatrix() const { return projectionMatrix; }
    const Vector3& GetCameraPosition() const { return cameraPosition; }
    double GetMetersPerUnit() const { return metersPerUnit; }
    const Vector3& GetLightDirection() const { return lightDirection; }
    const Vector3& GetLightColor() const { return lightColor; }
    const Vector3& GetAmbientColor() const { return ambientColor; }
    double GetSeaLevel() const { return seaLevel; }
    bool GetHDR() const { return hdr; }
    double GetVisibilityAboveWater() const { return visibilityAbove; }
    double GetVisibilityBelowWater() const { return visibilityBelow; }
    const Vector3& GetFogColorAboveWater() const { return fogColorAbove; }
    const Vector3& GetFogColorBelowWater() const { return fogColorBelow; }
    std::uint32_t GetEnvironmentMap() const { return environmentMap; }
    const Matrix3& GetEnvironmentMapMatrix() const { return environmentMapMatrix; }
    std::uint32_t GetHeightMap() const { return heightMap; }
    const Matrix4& GetHeightMapMatrix() const { return heightMapMatrix; }
    std::uint32_t GetPlanarReflectionMap() const { return planarReflectionMap; }
    const Matrix3& GetPlanarReflectionMapMatrix() const { return planarReflectionMapMatrix; }
    float GetPlanarReflectionDisplacementScale() const { return planarReflectionDisplacementScale; }
    const BreakingWaveParameters& GetBreakingWaveParameters() const { return breakingWaves; }
    void SetBreakingWaveParameters(const BreakingWaveParameters& parameters)
    {
        breakingWaves = parameters;
    }

private:
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    void UpdateFrustum();
    void ReadFogAndVisibility();

    CoordinateSystem coordinateSystem;
    void* device;
    Renderer renderer;
    ResourceLoader* resourceLoader;
    RandomNumberGenerator* randomNumberGenerator;
    DefaultRandomNumberGenerator* defaultRandomNumberGenerator;
    List<WindFetch> windFetches;
    List<EnvironmentClient*> oceans;
    List<Swell> swells;
    bool omnidirectional;
    Matrix4 cameraMatrix;
    Matrix4 projectionMatrix;
    Vector3 cameraPosition;
    double metersPerUnit;
    Vector3 lightDirection;
    Vector3 lightColor;
    Vector3 ambientColor;
    double seaLevel;
    bool hdr;
    bool fftFlag;
    double visibilityAbove;
    double visibilityBelow;
    Vector3 fogColorAbove;
    Vector3 fogColorBelow;
    std::uint32_t environmentMap;
    std::uint32_t heightMap;
    Matrix3 environmentMapMatrix;
    Matrix4 heightMapMatrix;
    std::uint32_t planarReflectionMap;
    Matrix3 planarReflectionMapMatrix;
    float planarReflectionDisplacementScale;
    Frustum* frustum;
    BreakingWaveParameters breakingWaves;
    // Whether this environment holds a reference on the configuration table.
    bool holdsConfiguration;
    // Zero until the host chooses one.
    int gridResolution;
};

} // namespace Maris
