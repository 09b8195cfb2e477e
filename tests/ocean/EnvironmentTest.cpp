#include "TestSupport.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include <Maris/ResourceLoader.h>
#include <Maris/WindFetch.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

namespace {

// A camera at (x, y, z) looking along -z, in the scene graph's layout.
Maris::Matrix4 cameraAt(double x, double y, double z)
{
    return Maris::Matrix4::Translation(Maris::Vector3(-x, -y, -z));
}

// Speed, direction and fetch length of the wind there.
std::array<double, 3> windAt(const Maris::Environment& environment, const Maris::Vector3& at)
{
    std::array<double, 3> wind = {-1, -1, -1};
    environment.GetWind(at, wind[0], wind[1], wind[2]);
    return wind;
}

std::array<double, 3> windAt(const Maris::WindFetch& fetch, const Maris::Vector3& at)
{
    std::array<double, 3> wind = {-1, -1, -1};
    fetch.GetWindAtLocation(at, wind[0], wind[1], wind[2]);
    return wind;
}

class EnvironmentTest : public ::testing::Test
{
protected:
    void SetUp() override { directory.write("Maris.config", "# test settings\n"); }

    Maris::EnvironmentError initialize(Maris::Environment& environment,
                                       Maris::Renderer renderer = Maris::NoRenderer,
                                       Maris::CoordinateSystem system = Maris::FlatZUp)
    {
        return environment.Initialize(system, renderer, &loader, nullptr, false);
    }

    MessageCapture messages;
    TemporaryDirectory directory;
    Maris::ResourceLoader loader{directory.path().c_str(), false};
};

} // namespace

TEST_F(EnvironmentTest, InitializationFailuresReturnTheirCodeWithTheirMessages)
{
    Maris::Configuration::SetConfigEntry("kept", "1");
    Maris::Environment withoutLoader;
    EXPECT_EQ(withoutLoader.Initialize(Maris::FlatZUp, Maris::OpenGL2, nullptr, nullptr, false),
              Maris::NullResourceLoader);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Null ResourceLoader passed into the "
                                                         "Environment constructor."});
    EXPECT_EQ(Maris::Configuration::GetEntryCount(), 1u) << "the configuration is left alone";
    MessageCapture::resetConfiguration();

    messages.clear();
    TemporaryDirectory empty;
    Maris::ResourceLoader emptyLoader(empty.path().c_str(), false);
    Maris::Environment withoutFile;
    EXPECT_EQ(withoutFile.Initialize(Maris::FlatZUp, Maris::OpenGL2, &emptyLoader, nullptr, false),
              Maris::ConfigurationNotLoaded);
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{
                  "Failed to load the following resource:", empty.path() + "/Maris.config",
                  "Could not load Maris.config from the given resources directory.",
                  "Maris.config failed to load - did you set the correct path to the resources "
                  "folder?"}));
    EXPECT_EQ(Maris::Configuration::GetReferenceCount(), 0);

    messages.clear();
    Maris::Environment withoutDevice;
    EXPECT_EQ(initialize(withoutDevice, Maris::Direct3D11), Maris::NoDirect3DDevice);
    EXPECT_EQ(messages.texts().back(), "No device was passed into the Environment constructor, "
                                       "and you're using a DirectX renderer.");
}

// The eye is the translation of the inverse; null matrices are reported and change nothing, and
// one without an inverse puts the eye at the origin.
TEST_F(EnvironmentTest, CameraPositionComesFromTheInverseAndNullMatricesChangeNothing)
{
    Maris::Environment environment;
    ASSERT_EQ(initialize(environment), Maris::EnvironmentInitialized);
    environment.SetCameraMatrix(cameraAt(10.0, 20.0, 30.0).Pointer());
    environment.SetCameraMatrix(nullptr);
    environment.SetProjectionMatrix(nullptr);
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{
                                    "Null matrix received in Environment::SetCameraMatrix.",
                                    "Null matrix received in Environment::SetProjectionMatrix."}));
    EXPECT_NEAR((environment.GetCameraPosition() - Maris::Vector3(10, 20, 30)).Length(), 0, 1e-12);
    Maris::Matrix4 flattened = cameraAt(5.0, 6.0, 7.0);
    flattened.elem[2][2] = 0.0;
    environment.SetCameraMatrix(flattened.Pointer());
    EXPECT_EQ(environment.GetCameraPosition(), Maris::Vector3(0.0, 0.0, 0.0));
}

TEST_F(EnvironmentTest, OutOfRangeLightColorIsReportedAndStored)
{
    Maris::Environment environment;
    const double direction[3] = {0.0, 3.0, 4.0};
    const double colors[2][3] = {{1.2, 0.5, 0.5}, {0.5, -0.1, 0.0}};
    for (const double* color : colors) {
        messages.clear();
        environment.SetDirectionalLight(direction, color);
        EXPECT_EQ(messages.texts(), std::vector<std::string>{
                                        "You passed in a color to Environment::SetDirectionalLight "
                                        "with a component outside the range of 0-1."});
        EXPECT_EQ(environment.GetLightColor(), Maris::Vector3(color[0], color[1], color[2]));
    }
    EXPECT_NEAR((environment.GetLightDirection() - Maris::Vector3(0, 0.6, 0.8)).Length(), 0, 1e-12);
}

TEST_F(EnvironmentTest, AGridResolutionOutOfRangeIsReportedAndKeepsTheChosenOne)
{
    Maris::Environment environment;
    ASSERT_TRUE(environment.SetGridResolution(96));
    for (int side : {1, -3, 4097}) {
        messages.clear();
        EXPECT_FALSE(environment.SetGridResolution(side));
        const std::string report =
            "Grid resolution " + std::to_string(side) + " is outside 2 to 4096 and is ignored";
        EXPECT_EQ(messages.texts(), std::vector<std::string>{report});
        EXPECT_EQ(environment.GetGridResolution(), 96);
    }
}

TEST_F(EnvironmentTest, UpVectorFollowsTheCoordinateSystem)
{
    const Maris::Vector3 radial(0.6, 0, 0.8);
    const std::pair<Maris::CoordinateSystem, Maris::Vector3> cases[] = {
        {Maris::FlatZUp, {0, 0, 1}}, {Maris::FlatYUp, {0, 1, 0}},
        {Maris::GeocentricEllipsoidZUp, radial}, {Maris::GeocentricEllipsoidYUp, radial},
        {Maris::GeocentricSphereZUp, radial}, {Maris::GeocentricSphereYUp, radial}};
    for (const auto& [system, up] : cases) {
        Maris::Environment environment;
        initialize(environment, Maris::NoRenderer, system);
        environment.SetCameraMatrix(cameraAt(3.0, 0.0, 4.0).Pointer());
        EXPECT_NEAR((environment.GetUpVector() - up).Length(), 0.0, 1e-12) << system;
    }
}

// The empirical speed of a Beaufort number B is 0.836 B^1.5 m/s, in world units.
TEST_F(EnvironmentTest, SeaStateGivesTheEmpiricalWindAndReplacesEarlierFetches)
{
    Maris::Environment environment;
    Maris::WindFetch extra;
    extra.SetWind(10.0, 1.0);
    environment.AddWindFetch(extra);
    environment.SimulateSeaState(4.0, 0.0);
    ASSERT_EQ(environment.GetWindFetches().size(), 1u);
    EXPECT_TRUE(environment.GetWindFetches().front().global);
    const std::array<double, 3> wind = windAt(environment, Maris::Vector3(100.0, -50.0, 3.0));
    EXPECT_NEAR(wind[0], 6.688, 1e-12);
    // The combined direction is atan2 of the cosine sum over the sine sum.
    EXPECT_NEAR(wind[1], M_PI / 2.0, 1e-12);
    EXPECT_EQ(wind[2], 0.0);
    environment.SetMetersPerUnit(2.0);
    environment.SimulateSeaState(9.0, 1.5);
    EXPECT_NEAR(environment.GetWindFetches().front().windSpeed, 0.836 * 27.0 / 2.0, 1e-12);
    environment.ClearWindFetches();
    EXPECT_EQ(windAt(environment, Maris::Vector3()), (std::array<double, 3>{0, 0, 0}));
    EXPECT_TRUE(messages.entries().empty());

    const std::vector<std::string> beyond = {
        "You passed in a wind direction greater than 2PI to Environment::SimulateSeaState. "
        "Technically this is OK, but are you sure you're using radians instead of degrees here?"};
    // The viewer's default of 250 is such a case.
    for (double direction : {250.0, -6.3, 6.28}) {
        messages.clear();
        environment.SimulateSeaState(3.0, direction);
        EXPECT_EQ(environment.GetWindFetches().front().windDirection, direction);
        EXPECT_EQ(messages.texts(), direction == 6.28 ? std::vector<std::string>() : beyond);
    }
    messages.clear();
    Maris::WindFetch fetch;
    fetch.SetWind(5.0, -7.0);
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"You passed in a direction greater than += 2*PI. While "
                                       "this is technically OK, are you sure you're passing in "
                                       "radians and not degrees?"});
    EXPECT_EQ(fetch.windDirection, -7.0);
}

// A local fetch blows only inside its ellipsoid; fetches add as vectors, the longest length wins.
TEST_F(EnvironmentTest, WindFetchesAddWhereTheyBlow)
{
    Maris::WindFetch local;
    local.SetWind(8.0, 0.3);
    local.SetLocalization(Maris::Vector3(100.0, 0.0, 0.0), Maris::Vector3(10.0, 20.0, 5.0));
    // Without a given fetch length, the distance from the centre.
    EXPECT_EQ(windAt(local, Maris::Vector3(103.0, 4.0, 0.0)), (std::array<double, 3>{8, 0.3, 5}));
    for (const Maris::Vector3& outside : {Maris::Vector3(110, 0, 0), Maris::Vector3(100, -20, 0),
                                          Maris::Vector3(100, 0, 5), Maris::Vector3(108, 12, 0)})
        EXPECT_EQ(windAt(local, outside), (std::array<double, 3>{0, 0, 0}));
    local.SetFetchLength(3000.0);
    EXPECT_EQ(windAt(local, Maris::Vector3(103.0, 4.0, 0.0))[2], 3000.0);

    Maris::WindFetch east, north, degenerate;
    east.SetWind(3.0, 0.0);
    east.SetFetchLength(500.0);
    north.SetWind(4.0, M_PI / 2.0);
    north.SetFetchLength(2000.0);
    degenerate.SetWind(50.0, 1.0);
    degenerate.SetLocalization(Maris::Vector3(), Maris::Vector3(0.0, 1.0, 1.0));
    Maris::Environment environment;
    for (const Maris::WindFetch& fetch : {east, north, local, degenerate})
        environment.AddWindFetch(fetch);
    const std::array<double, 3> wind = windAt(environment, Maris::Vector3());
    // Sine sum 4, cosine sum 3.
    EXPECT_NEAR(wind[0], 5.0, 1e-12);
    EXPECT_NEAR(wind[1], std::atan2(3.0, 4.0), 1e-12);
    EXPECT_EQ(wind[2], 2000.0);
}

// An eye at (5, 0, 0) looking down -z with a 90 degree square view, near 1 and far 100: the
// visible half-spaces are z <= -1, z >= -100, |x - 5| <= -z and |y| <= -z.
TEST_F(EnvironmentTest, OnlySpheresWhollyOutsideAreCulledAndTheFrustumFollowsTheCamera)
{
    Maris::Environment environment;
    ASSERT_EQ(initialize(environment), Maris::EnvironmentInitialized);
    // glFrustum(-1, 1, -1, 1, 1, 100) in the scene graph's layout.
    Maris::Matrix4 projection = Maris::Matrix4::Zero();
    projection.elem[0][0] = projection.elem[1][1] = 1.0;
    projection.elem[2][2] = -101.0 / 99.0;
    projection.elem[2][3] = -1.0;
    projection.elem[3][2] = -200.0 / 99.0;
    environment.SetProjectionMatrix(projection.Pointer());
    const Maris::Matrix4 camera = Maris::Matrix4::Translation(Maris::Vector3(-5.0, 0.0, 0.0));
    environment.SetCameraMatrix(camera.Pointer());

    const struct
    {
        double x, y, z, radius;
        bool culled;
    } spheres[] = {
        {5, 0, -50, 1, false},    {5, 0, -50, 0, false},     {5, 0, 10, 1, true},
        {5, 0, -150, 10, true},   {-60, 0, -50, 1, true},    {70, 0, -50, 1, true},
        {5, 60, -50, 1, true},    {5, -60, -50, 1, true},    {5, 0, -1, 0.5, false},
        {5, 0, -100.5, 1, false}, {-45, 0, -50, 2, false},
        // Cutting an earlier plane keeps it without a look at the later ones it lies beyond.
        {-100, 0, -1, 2, false},
    };
    for (const auto& s : spheres)
        EXPECT_EQ(environment.CullSphere(Maris::Vector3(s.x, s.y, s.z), s.radius), s.culled)
            << s.x << ", " << s.y << ", " << s.z << " radius " << s.radius;

    // Turned half a turn about y: now looking down +z.
    Maris::Matrix4 turn;
    turn.elem[0][0] = turn.elem[2][2] = -1.0;
    const Maris::Matrix4 turned = camera * turn;
    environment.SetCameraMatrix(turned.Pointer());
    EXPECT_TRUE(environment.CullSphere(Maris::Vector3(5.0, 0.0, -50.0), 1.0));
    EXPECT_FALSE(environment.CullSphere(Maris::Vector3(5.0, 0.0, 50.0), 1.0));
}
