#include <Maris/Environment.h>

#include "core/Configuration.h"
#include "core/DefaultRandomNumberGenerator.h"
#include <Maris/EnvironmentClient.h>
#include "environment/Frustum.h"
#include "environment/RendererSetUp.h"
#include <Maris/Message.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace Maris {

Environment::Environment()
    : coordinateSystem(GeocentricEllipsoidZUp),
      device(nullptr),
      renderer(OpenGL2),
      resourceLoader(nullptr),
      randomNumberGenerator(nullptr),
      defaultRandomNumberGenerator(new DefaultRandomNumberGenerator),
      omnidirectional(false),
      cameraMatrix(Matrix4::Zero()),
      projectionMatrix(Matrix4::Zero()),
      metersPerUnit(1.0),
      seaLevel(0.0),
      hdr(false),
      fftFlag(true),
      visibilityAbove(1e9),
      visibilityBelow(100.0),
      environmentMap(0),
      heightMap(0),
      planarReflectionMap(0),
      planarReflectionDisplacementScale(0.0f),
      frustum(nullptr),
      holdsConfiguration(false),
      gridResolution(0)
{
    randomNumberGenerator = defaultRandomNumberGenerator;
}

Environment::~Environment()
{
    windFetches.clear();
    if (holdsConfiguration)
        Configuration::Unload();
    for (EnvironmentClient* ocean : oceans)
        ocean->EnvironmentDestroyed();
    oceans.clear();
    delete frustum;
    delete defaultRandomNumberGenerator;
}

EnvironmentError Environment::Initialize(CoordinateSystem system, Renderer rendererValue,
                                         ResourceLoader* loader, void* deviceValue, bool hdrValue)
{
    coordinateSystem = system;
    device = deviceValue;
    renderer = rendererValue;
    resourceLoader = loader;
    hdr = hdrValue;
    delete frustum;
    frustum = new Frustum;

    if (!loader) {
        Message("Null ResourceLoader passed into the Environment constructor.");
        return NullResourceLoader;
    }

    // A second initialization trades its old reference for the new one.
    if (holdsConfiguration) {
        Configuration::Unload();
        holdsConfiguration = false;
    }
    if (!Configuration::Load(loader)) {
        Message("Maris.config failed to load - did you set the correct path to the resources "
                "folder?");
        return ConfigurationNotLoaded;
    }
    holdsConfiguration = true;

    if (IsOpenGL()) {
        ResolveOpenGLEntryPoints();
    } else if (renderer != NoRenderer && !device) {
        Message("No device was passed into the Environment constructor, and you're using a "
                "DirectX renderer.");
        return NoDirect3DDevice;
    }

    ReadFogAndVisibility();
    UpdateFrustum();
    return EnvironmentInitialized;
}

void Environment::ReadFogAndVisibility()
{
    fogColorAbove = Vector3(Configuration::Get(ConfigKey::DefaultFogColorAboveR),
                            Configuration::Get(ConfigKey::DefaultFogColorAboveG),
                            Configuration::Get(ConfigKey::DefaultFogColorAboveB));
    fogColorBelow = Vector3(Configuration::Get(ConfigKey::DefaultFogColorBelowR),
                            Configuration::Get(ConfigKey::DefaultFogColorBelowG),
                            Configuration::Get(ConfigKey::DefaultFogColorBelowB));

    const float visibilityAboveMeters = Configuration::Get(ConfigKey::DefaultVisibilityAbove);
    const float visibilityBelowMeters = Configuration::Get(ConfigKey::DefaultVisibilityBelow);
    visibilityAbove = visibilityAboveMeters / metersPerUnit;
    visibilityBelow = visibilityBelowMeters / metersPerUnit;
}

void Environment::SetCameraMatrix(const double* modelView)
{
    if (!modelView) {
        Message("Null matrix received in Environment::SetCameraMatrix.");
        return;
    }
    if (std::memcmp(modelView, cameraMatrix.Pointer(), sizeof(cameraMatrix.elem)) == 0)
        return;
    cameraMatrix = Matrix4(modelView);
    cameraPosition = cameraMatrix.Inverse().GetTranslation();
    UpdateFrustum();
}

void Environment::SetProjectionMatrix(const double* projection)
{
    if (!projection) {
        Message("Null matrix received in Environment::SetProjectionMatrix.");
        return;
    }
    if (std::memcmp(projection, projectionMatrix.Pointer(), sizeof(projectionMatrix.elem)) == 0)
        return;
    projectionMatrix = Matrix4(projection);
    UpdateFrustum();
}

void Environment::UpdateFrustum()
{
    if (!frustum)
        return;

    const Matrix4 m = cameraMatrix * projectionMatrix;
    const double* e = m.Pointer();
    // With row vectors, clip coordinate k is the dot product with column k of the matrix.
    auto column = [e](int k) {
        return Plane{e[k], e[k + 4], e[k + 8], e[k + 12]};
    };
    const Plane w = column(3);
    auto plus = [&w](const Plane& p) { return Plane{w.a + p.a, w.b + p.b, w.c + p.c, w.d + p.d}; };
    auto minus = [&w](const Plane& p) { return Plane{w.a - p.a, w.b - p.b, w.c - p.c, w.d - p.d}; };

    Plane* planes = frustum->planes;
    planes[Frustum::NearPlane] = plus(column(2));
    planes[Frustum::LeftPlane] = plus(column(0));
    planes[Frustum::RightPlane] = minus(column(0));
    planes[Frustum::TopPlane] = minus(column(1));
    planes[Frustum::BottomPlane] = plus(column(1));
    planes[Frustum::FarPlane] = minus(column(2));
    frustum->numPlanes = Frustum::PlaneCount;

    for (Plane& plane : frustum->planes) {
        const double squared = plane.a * plane.a + plane.b * plane.b + plane.c * plane.c;
        // A degenerate plane (no camera yet) stays as it is rather than turning into NaN.
        if (squared > 0.0) {
            const double length = std::sqrt(squared);
            plane.a /= length;
            plane.b /= length;
            plane.c /= length;
            plane.d /= length;
        }
    }
}

bool Environment::CullSphere(const Vector3& centre, double radius) const
{
    if (!frustum)
        return false;
    for (int i = 0; i < frustum->numPlanes; ++i) {
        const Plane& plane = frustum->planes[i];
        const double distance = plane.a * centre.x + plane.b * centre.y + plane.c * centre.z + plane.d;
        if (distance < -radius)
            return true;
        // Straddling a plane decides at once: such a sphere is drawn.
        if (std::fabs(distance) < radius)
            return false;
    }
    return false;
}

void Environment::SetDirectionalLight(const double* direction, const double* color)
{
    if (!direction || !color)
        return;
    for (int i = 0; i < 3; ++i) {
        if (color[i] > 1.0 || color[i] < 0.0) {
            Message("You passed in a color to Environment::SetDirectionalLight with a component "
                    "outside the range of 0-1.");
            break;
        }
    }
    lightDirection = Vector3(direction).Normalize();
    lightColor = Vector3(color);
}

bool Environment::SetGridResolution(int verticesPerSide)
{
    // Fewer than two vertices make no cell; beyond 4096 the grid's arrays outgrow what a frame
    // can draw.
    if (verticesPerSide < 2 || verticesPerSide > 4096) {
        char report[96];
        std::snprintf(report, sizeof(report),
                      "Grid resolution %d is outside 2 to 4096 and is ignored", verticesPerSide);
        Message(report);
        return false;
    }
    gridResolution = verticesPerSide;
    return true;
}

int Environment::GetGridResolution() const
{
    return gridResolution ? gridResolution : Configuration::Get(ConfigKey::DefaultGridResolution);
}

void Environment::SetAmbientLight(const double* color)
{
    if (color)
        ambientColor = Vector3(color);
}

void Environment::SetEnvironmentMap(std::uint32_t texture, const double* matrix3)
{
    environmentMap = texture;
    environmentMapMatrix = matrix3 ? Matrix3(matrix3) : Matrix3::Identity();
}

void Environment::SetPlanarReflectionMap(std::uint32_t texture, const double* matrix3,
                                         float displacementScale)
{
    planarReflectionMap = texture;
    planarReflectionMapMatrix = matrix3 ? Matrix3(matrix3) : Matrix3::Identity();
    planarReflectionDisplacementScale = displacementScale;
}

void Environment::SetHeightMap(std::uint32_t texture, const double* matrix4)
{
    heightMap = texture;
    heightMapMatrix = matrix4 ? Matrix4(matrix4) : Matrix4::Identity();
}

void Environment::SetSeaLevel(double level)
{
    seaLevel = level;
}

void Environment::SimulateSeaState(double beaufort, double windDirection)
{
    if (windDirection > 6.2831853 || windDirection < -6.2831853)
        Message("You passed in a wind direction greater than 2PI to "
                "Environment::SimulateSeaState. Technically this is OK, but are you sure you're "
                "using radians instead of degrees here?");
    windFetches.clear();
    WindFetch fetch;
    // The empirical Beaufort relation, in metres per second.
    fetch.windSpeed = 0.836 * std::pow(beaufort, 1.5) / metersPerUnit;
    fetch.windDirection = windDirection;
    windFetches.push_back(fetch);
}

void Environment::GetWind(const Vector3& position, double& speed, double& direction,
                          double& fetch) const
{
    double sumSin = 0.0;
    double sumCos = 0.0;
    double longestFetch = 0.0;
    for (const WindFetch& windFetch : windFetches) {
        double fetchSpeed = 0.0;
        double fetchDirection = 0.0;
        double fetchLength = 0.0;
        windFetch.GetWindAtLocation(position, fetchSpeed, fetchDirection, fetchLength);
        if (fetchSpeed > 0.0) {
            sumSin += fetchSpeed * std::sin(fetchDirection);
            sumCos += fetchSpeed * std::cos(fetchDirection);
        }
        longestFetch = std::max(longestFetch, fetchLength);
    }
    speed = std::sqrt(sumSin * sumSin + sumCos * sumCos);
    // The wave models expect this argument order.
    direction = speed > 0.0 ? std::atan2(sumCos, sumSin) : 0.0;
    fetch = longestFetch;
}

Vector3 Environment::GetUpVector() const
{
    switch (coordinateSystem) {
    case FlatZUp:
        return Vector3(0.0, 0.0, 1.0);
    case FlatYUp:
        return Vector3(0.0, 1.0, 0.0);
    default:
        return cameraPosition.Normalized();
    }
}

void Environment::AddOcean(EnvironmentClient* ocean)
{
    if (ocean)
        oceans.push_back(ocean);
}

void Environment::RemoveOcean(EnvironmentClient* ocean)
{
    oceans.remove(ocean);
}

void Environment::SetRandomNumberGenerator(RandomNumberGenerator* generator)
{
    randomNumberGenerator = generator ? generator : defaultRandomNumberGenerator;
}

} // namespace Maris
