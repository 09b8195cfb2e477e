#include "grid/ProjectedGrid.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include "core/SprayPositionSource.h"
#include "lighting/OceanLightingModel.h"
#include "waves/WaterModel.h"

#include <algorithm>
#include <cmath>

namespace Maris {

namespace {

// Rows (1,0,0), (0,0,1), (0,-1,0): world y becomes the local up axis.
Matrix3 YUpBasis()
{
    Matrix3 m;
    m.elem[1][1] = 0.0;
    m.elem[1][2] = 1.0;
    m.elem[2][1] = -1.0;
    m.elem[2][2] = 0.0;
    return m;
}

Matrix4 Scale(double sx, double sy, double sz)
{
    Matrix4 m;
    m.elem[0][0] = sx;
    m.elem[1][1] = sy;
    m.elem[2][2] = sz;
    return m;
}

} // namespace

ProjectedGrid::ProjectedGrid(bool breaking)
    : SeaFrame(breaking), resolution(128), environment(nullptr), waterModel(nullptr), lightingModel(nullptr),
      wakeManager(nullptr), antiAliasing(1.0), waterModelType(PhillipsSpectrum),
      planarHeight(100.0f), maxAllowableDisplacement(1.5), planarAdjust(10.0f),
      planarReflectionBlend(1.0f), aspectRatio(1.0), wireframe(false),
      depthOffset(0.0f)
{
}

ProjectedGrid::~ProjectedGrid()
{
    // The models are the grid's; the wake manager belongs to the ocean.
    delete waterModel;
    delete lightingModel;
}

void ProjectedGrid::SetWaterModel(WaterModel* model)
{
    waterModel = model;
    sprayPositionSource = dynamic_cast<SprayPositionSource*>(model);
}

bool ProjectedGrid::Initialize(Environment* env, WaterModelType type, std::uint32_t gridResolution)
{
    if (!env)
        return false;
    environment = env;
    waterModelType = type;
    resolution = gridResolution;

    const double metersPerUnit = environment->GetMetersPerUnit();
    antiAliasing = Configuration::Get(ConfigKey::GridAntiAliasing);
    planarHeight = Configuration::Get(ConfigKey::GridPlanarHeight);
    planarHeight = static_cast<float>(planarHeight / metersPerUnit);
    planarAdjust = Configuration::Get(ConfigKey::PlanarAdjust);
    planarAdjust = static_cast<float>(planarAdjust / metersPerUnit);
    maxAllowableDisplacement = Configuration::Get(ConfigKey::MaxAllowableDisplacement);

    double equatorial = Configuration::Get(ConfigKey::EquatorialEarthRadiusMeters);
    double polar = Configuration::Get(ConfigKey::PolarEarthRadiusMeters);
    double mean = Configuration::Get(ConfigKey::MeanEarthRadiusMeters);
    equatorial /= metersPerUnit;
    polar /= metersPerUnit;
    mean /= metersPerUnit;

    basis.MakeIdentity();
    radii = Vector3();
    northPole = Vector3();
    switch (environment->GetCoordinateSystem()) {
    case GeocentricEllipsoidZUp:
        radii = Vector3(equatorial, equatorial, polar);
        northPole = Vector3(0.0, 0.0, 1.0);
        break;
    case GeocentricEllipsoidYUp:
        radii = Vector3(equatorial, polar, equatorial);
        northPole = Vector3(0.0, 1.0, 0.0);
        basis = YUpBasis();
        break;
    case GeocentricSphereZUp:
        radii = Vector3(mean, mean, mean);
        northPole = Vector3(0.0, 0.0, 1.0);
        break;
    case GeocentricSphereYUp:
        radii = Vector3(mean, mean, mean);
        northPole = Vector3(0.0, 1.0, 0.0);
        basis = YUpBasis();
        break;
    case FlatZUp:
        break;
    case FlatYUp:
        basis = YUpBasis();
        break;
    }
    inverseBasis = basis.Inverse();
    return true;
}

bool ProjectedGrid::DrawPatch(double, int, const void*, bool, const double*) { return false; }

bool ProjectedGrid::UnbindProgram() { return true; }

void ProjectedGrid::Draw(double, bool) {}

std::uint32_t ProjectedGrid::GetShader() const { return 0; }

std::uint32_t ProjectedGrid::GetPatchShader() const { return 0; }

void ProjectedGrid::Reserved0() {}

void ProjectedGrid::Reserved1() {}

void ProjectedGrid::PushState() {}

void ProjectedGrid::PopState() {}

void ProjectedGrid::ResetState() {}

bool ProjectedGrid::IsGeocentric() const
{
    return environment && environment->GetCoordinateSystem() < FlatZUp;
}

void ProjectedGrid::Update()
{
    if (!IsGeocentric())
        return;
    const Vector3 up = environment->GetUpVector();
    east = northPole.Cross(up).Normalized();
    north = up.Cross(east).Normalized();
    for (int row = 0; row < 3; ++row) {
        const double* axis[3] = {&east.x, &north.x, &up.x};
        for (int column = 0; column < 3; ++column)
            basis.elem[row][column] = axis[column][row];
    }
    inverseBasis = basis.Inverse();
}

bool ProjectedGrid::IntersectEllipsoid(const Vector3& origin, const Vector3& direction,
                                       double offset, Vector3& hit) const
{
    const Vector3 r(radii.x + offset, radii.y + offset, radii.z + offset);
    if (r.x <= 0.0 || r.y <= 0.0 || r.z <= 0.0)
        return false;
    const Vector3 o(origin.x / r.x, origin.y / r.y, origin.z / r.z);
    const Vector3 d(direction.x / r.x, direction.y / r.y, direction.z / r.z);
    const double a = d.Dot(d);
    const double b = 2.0 * o.Dot(d);
    const double c = o.Dot(o) - 1.0;
    const double discriminant = b * b - 4.0 * a * c;
    if (a == 0.0 || discriminant < 0.0)
        return false;
    const double root = std::sqrt(discriminant);
    double t = (-b - root) / (2.0 * a);
    if (t < 0.0)
        t = (-b + root) / (2.0 * a);
    if (t < 0.0)
        return false;
    hit = origin + direction * t;
    return true;
}

bool ProjectedGrid::IntersectSea(const Vector3& origin, const Vector3& direction, double offset,
                                 Vector3& hit) const
{
    if (!environment)
        return false;
    if (IsGeocentric())
        return IntersectEllipsoid(origin, direction,
                                  offset + environment->GetSeaLevel(), hit);
    const Vector3 up = environment->GetUpVector();
    const double denominator = up.Dot(direction);
    if (denominator == 0.0)
        return false;
    const double t = (environment->GetSeaLevel() + offset - up.Dot(origin)) / denominator;
    if (t < 0.0)
        return false;
    hit = origin + direction * t;
    return true;
}

bool ProjectedGrid::IsAboveWater() const
{
    if (!environment)
        return true;
    const Vector3 down = -environment->GetUpVector() * 100000.0;
    Vector3 hit;
    if (!IntersectSea(environment->GetCameraPosition(), down, 0.0, hit))
        return false;
    return (hit - environment->GetCameraPosition()).SquaredLength() <= down.SquaredLength();
}

double ProjectedGrid::RollFromCameraAxes(const Matrix4& camera) const
{
    const Vector3 n = environment->GetUpVector();
    const Vector3 right(camera.elem[0][0], camera.elem[1][0], camera.elem[2][0]);
    const Vector3 up(camera.elem[0][1], camera.elem[1][1], camera.elem[2][1]);
    double roll = std::asin(std::max(-1.0, std::min(1.0, n.Dot(right))));
    if (n.Dot(up) < 0.0)
        roll = -roll;
    return roll;
}

bool ProjectedGrid::FindHorizon(const Matrix4& camera, const Matrix4& projection, Vector3& offset,
                                double& roll) const
{
    const Matrix4 viewProjection = camera * projection;
    const Matrix4 inverse = viewProjection.Inverse();
    const Vector3 ends[5] = {Vector3(-1, -1, 1), Vector3(-1, 1, 1), Vector3(1, 1, 1),
                             Vector3(1, -1, 1), Vector3(-1, -1, 1)};
    const Vector3 n = environment->GetUpVector();
    double h = environment->GetSeaLevel();
    if (IsGeocentric()) {
        Vector3 ground;
        if (!IntersectEllipsoid(environment->GetCameraPosition(), -n * 100000.0,
                                environment->GetSeaLevel(), ground))
            return false;
        h = ground.Length();
    }

    Vector3 hits[4];
    int count = 0;
    for (int edge = 0; edge < 4; ++edge) {
        const Vector3 a = inverse.TransformPoint(ends[edge]);
        const Vector3 b = inverse.TransformPoint(ends[edge + 1]);
        const double denominator = n.Dot(b - a);
        if (denominator == 0.0)
            continue;
        const double t = (h - n.Dot(a)) / denominator;
        if (t > 0.0 && t < 1.0)
            hits[count++] = a + (b - a) * t;
    }
    if (count != 2)
        return false;

    const Vector3 s1 = viewProjection.TransformPoint(hits[0]);
    const Vector3 s2 = viewProjection.TransformPoint(hits[1]);
    offset = Vector3((s1.x + s2.x) * 0.5, (s1.y + s2.y) * 0.5, 0.0);
    roll = -std::atan2(s2.y - s1.y, s2.x - s1.x);

    // Off the horizon towards the water, so that the grid's middle row still meets the sea.
    const Vector3 middle = (hits[0] + hits[1]) * 0.5;
    const Vector3 above = viewProjection.TransformPoint(middle * 2.0 + n);
    Vector3 towardsSky(above.x - offset.x, above.y - offset.y, 0.0);
    towardsSky.Normalize();
    offset = offset - towardsSky * 0.001;
    return true;
}

Matrix4 ProjectedGrid::ComputeGridScale()
{
    if (!environment)
        return Matrix4::Identity();
    maxAllowableDisplacement = Configuration::Get(ConfigKey::MaxAllowableDisplacement);

    const Matrix4& camera = environment->GetCameraMatrix();
    const Matrix4& projection = environment->GetProjectionMatrix();
    Matrix4 view = camera;
    view.SetTranslation(Vector3());
    const Matrix4 viewProjection = view * projection;
    const Matrix4 inverse = viewProjection.Inverse();
    const Vector3& eye = environment->GetCameraPosition();
    const double amplitude = waterModel ? waterModel->GetMaxAmplitude() : 0.0;

    // How far the displaced surface can move on the screen: the grid gets that much margin.
    const double corners[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    double displacement = 0.0;
    bool measured = false;
    for (const auto& corner : corners) {
        double nearPoint[4];
        double farPoint[4];
        inverse.Transform(Vector3(corner[0], corner[1], -1.0), 1.0, nearPoint);
        inverse.Transform(Vector3(corner[0], corner[1], 1.0), 1.0, farPoint);
        if (nearPoint[3] == 0.0 || farPoint[3] == 0.0)
            continue;
        const Vector3 start = Vector3(nearPoint[0] / nearPoint[3], nearPoint[1] / nearPoint[3],
                                      nearPoint[2] / nearPoint[3]) + eye;
        const Vector3 end = Vector3(farPoint[0] / farPoint[3], farPoint[1] / farPoint[3],
                                    farPoint[2] / farPoint[3]) + eye;
        Vector3 high;
        Vector3 low;
        if (!IntersectSea(start, end - start, amplitude, high) ||
            !IntersectSea(start, end - start, -amplitude, low))
            continue;
        // Both hits lie on the corner's own ray and project to the same screen point; what the
        // grid must allow for is how far the waves move a surface point on the screen, so each
        // hit is compared with itself moved through the whole wave height.
        const Vector3 up = environment->GetUpVector() * (2.0 * amplitude);
        const Vector3 pairs[2][2] = {{low, low + up}, {high, high - up}};
        for (const auto& pair : pairs) {
            double first[4];
            double second[4];
            viewProjection.Transform(pair[0] - eye, 1.0, first);
            viewProjection.Transform(pair[1] - eye, 1.0, second);
            if (first[3] == 0.0 || second[3] == 0.0)
                return Matrix4::Identity();
            const double dx = first[0] / first[3] - second[0] / second[3];
            const double dy = first[1] / first[3] - second[1] / second[3];
            displacement = std::max(displacement, std::sqrt(dx * dx + dy * dy));
        }
        measured = true;
    }
    if (!measured)
        displacement = maxAllowableDisplacement;
    displacement = std::min(displacement, maxAllowableDisplacement);

    Vector3 offset;
    double roll = 0.0;
    if (!FindHorizon(camera, projection, offset, roll)) {
        offset = Vector3();
        roll = RollFromCameraAxes(camera);
    }

    Matrix4 rotation;
    rotation.elem[0][0] = std::cos(roll);
    rotation.elem[0][1] = -std::sin(roll);
    rotation.elem[1][0] = std::sin(roll);
    rotation.elem[1][1] = std::cos(roll);

    const double screenCorners[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
    double extent = 0.0;
    for (const auto& corner : screenCorners) {
        double rotated[4];
        rotation.Transform(Vector3(corner[0] + offset.x, corner[1] + offset.y, 0.0), 1.0, rotated);
        extent = std::max(extent, std::max(std::fabs(rotated[0]), std::fabs(rotated[1])));
    }
    const float stretch = static_cast<float>(extent) + static_cast<float>(displacement);
    return rotation * Scale(stretch, stretch, 1.0) * Matrix4::Translation(offset);
}

} // namespace Maris
