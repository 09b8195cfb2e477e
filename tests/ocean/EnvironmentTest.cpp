#include "MessageCapture.h"
#include "TemporaryDirectory.h"

#include "core/Configuration.h"
#include "core/DefaultRandomNumberGenerator.h"
#include <Maris/Environment.h>
#include <Maris/EnvironmentClient.h>
#include "environment/Frustum.h"
#include <Maris/ResourceLoader.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

const double pi = 3.14159265358979323846;

// A camera at `eye` looking along -z (a pure translation by -eye), in the scene graph's layout.
Maris::Matrix4 cameraAt(double x, double y, double z)
{
    return Maris::Matrix4::Translation(Maris::Vector3(-x, -y, -z));
}

class EnvironmentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        directory.write("Maris.config", "# test settings\n");
        loader = new Maris::ResourceLoader(directory.path().c_str(), false);
    }
    void TearDown() override { delete loader; }

    Maris::EnvironmentError initialize(Maris::Environment& environment,
                                       Maris::Renderer renderer = Maris::NoRenderer)
    {
        return environment.Initialize(Maris::FlatZUp, renderer, loader, nullptr, false);
    }

    MessageCapture messages;
    TemporaryDirectory directory;
    Maris::ResourceLoader* loader = nullptr;
};

} // namespace

TEST_F(EnvironmentTest, NullLoaderReturnsTwoAndLeavesTheConfigurationAlone)
{
    Maris::Configuration::SetConfigEntry("kept", "1");
    Maris::Environment environment;
    EXPECT_EQ(environment.Initialize(Maris::FlatZUp, Maris::OpenGL2, nullptr, nullptr, false),
              Maris::NullResourceLoader);
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"Null ResourceLoader passed into the Environment constructor."});
    EXPECT_EQ(Maris::Configuration::GetReferenceCount(), 0);
    EXPECT_EQ(Maris::Configuration::GetEntryCount(), 1u);
    // The frustum record exists even so, with six zero planes.
    ASSERT_NE(environment.GetFrustum(), nullptr);
    EXPECT_EQ(environment.GetFrustum()->numPlanes, 6);
    EXPECT_EQ(environment.GetFrustum()->planes[0].d, 0.0);
}

TEST_F(EnvironmentTest, MissingConfigurationReturnsOneWithTheMessagesInOrder)
{
    TemporaryDirectory empty;
    Maris::ResourceLoader emptyLoader(empty.path().c_str(), false);
    Maris::Environment environment;
    EXPECT_EQ(environment.Initialize(Maris::FlatZUp, Maris::OpenGL2, &emptyLoader, nullptr, false),
              Maris::ConfigurationNotLoaded);
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{
                  "Failed to load the following resource:", empty.path() + "/Maris.config",
                  "Could not load Maris.config from the given resources directory.",
                  "Maris.config failed to load - did you set the correct path to the resources "
                  "folder?"}));
    EXPECT_EQ(Maris::Configuration::GetReferenceCount(), 0);
}

TEST_F(EnvironmentTest, Direct3DRenderersNeedADevice)
{
    Maris::Environment environment;
    EXPECT_EQ(initialize(environment, Maris::Direct3D11), Maris::NoDirect3DDevice);
    EXPECT_EQ(messages.texts().back(), "No device was passed into the Environment constructor, "
                                       "and you're using a DirectX renderer.");
    Maris::Environment simulationOnly;
    EXPECT_EQ(initialize(simulationOnly, Maris::NoRenderer), Maris::EnvironmentInitialized);
    int device = 0;
    Maris::Environment withDevice;
    EXPECT_EQ(withDevice.Initialize(Maris::FlatYUp, Maris::Direct3D9, loader, &device, true),
              Maris::EnvironmentInitialized);
    EXPECT_EQ(withDevice.GetDevice(), &device);
    EXPECT_TRUE(withDevice.GetHDR());
    EXPECT_EQ(withDevice.GetCoordinateSystem(), Maris::FlatYUp);
    EXPECT_EQ(withDevice.GetResourceLoader(), loader);
}

TEST_F(EnvironmentTest, FogAndVisibilityComeFromTheConfigurationInWorldUnits)
{
    directory.write("Maris.config", "default-fog-color-above-r = 0.25\n"
                                    "default-fog-color-above-b = 0.5\n"
                                    "default-fog-color-below-g = 0.75\n"
                                    "default-visibility-above = 30000\n"
                                    "default-visibility-below = 20\n");
    Maris::Environment environment;
    environment.SetMetersPerUnit(2.0);
    ASSERT_EQ(initialize(environment), Maris::EnvironmentInitialized);
    EXPECT_EQ(environment.GetFogColorAboveWater(), Maris::Vector3(0.25, 0.0, 0.5));
    EXPECT_EQ(environment.GetFogColorBelowWater(), Maris::Vector3(0.0, 0.75, 0.0));
    EXPECT_DOUBLE_EQ(environment.GetVisibilityAboveWater(), 15000.0);
    EXPECT_DOUBLE_EQ(environment.GetVisibilityBelowWater(), 10.0);

    Maris::Environment defaults;
    directory.write("Maris.config", "\n");
    MessageCapture::resetConfiguration();
    ASSERT_EQ(initialize(defaults), Maris::EnvironmentInitialized);
    EXPECT_DOUBLE_EQ(defaults.GetVisibilityAboveWater(), 1e9);
    EXPECT_DOUBLE_EQ(defaults.GetVisibilityBelowWater(), 100.0);
}

TEST_F(EnvironmentTest, CameraPositionIsTheTranslationOfTheInverse)
{
    Maris::Environment environment;
    ASSERT_EQ(initialize(environment), Maris::EnvironmentInitialized);
    // Turned a quarter about z, then moved: the inverse brings the eye back to (10, 20, 30).
    Maris::Matrix4 turn;
    turn.elem[0][0] = 0.0;
    turn.elem[0][1] = 1.0;
    turn.elem[1][0] = -1.0;
    turn.elem[1][1] = 0.0;
    const Maris::Matrix4 modelView = cameraAt(10.0, 20.0, 30.0) * turn;
    environment.SetCameraMatrix(modelView.Pointer());
    EXPECT_NEAR(environment.GetCameraPosition().x, 10.0, 1e-12);
    EXPECT_NEAR(environment.GetCameraPosition().y, 20.0, 1e-12);
    EXPECT_NEAR(environment.GetCameraPosition().z, 30.0, 1e-12);
    EXPECT_EQ(environment.GetCameraMatrix(), modelView);
}

TEST_F(EnvironmentTest, UnchangedMatricesLeavePositionAndFrustumAlone)
{
    Maris::Environment environment;
    ASSERT_EQ(initialize(environment), Maris::EnvironmentInitialized);
    const Maris::Matrix4 camera = cameraAt(1.0, 2.0, 3.0);
    Maris::Matrix4 projection;
    projection.elem[2][3] = -1.0;
    projection.elem[3][2] = -2.0;
    projection.elem[3][3] = 0.0;
    environment.SetCameraMatrix(camera.Pointer());
    environment.SetProjectionMatrix(projection.Pointer());

    // Mark the derived values; a recomputation would overwrite the marks.
    Maris::Frustum* frustum = const_cast<Maris::Frustum*>(environment.GetFrustum());
    frustum->planes[Maris::Frustum::LeftPlane].d = 1234.0;
    const_cast<Maris::Vector3&>(environment.GetCameraPosition()).x = 99.0;
    environment.SetCameraMatrix(camera.Pointer());
    environment.SetProjectionMatrix(projection.Pointer());
    EXPECT_EQ(frustum->planes[Maris::Frustum::LeftPlane].d, 1234.0);
    EXPECT_EQ(environment.GetCameraPosition().x, 99.0);

    // A changed projection recomputes the frustum, a changed camera also the position.
    projection.elem[0][0] = 2.0;
    environment.SetProjectionMatrix(projection.Pointer());
    EXPECT_NE(frustum->planes[Maris::Frustum::LeftPlane].d, 1234.0);
    EXPECT_EQ(environment.GetCameraPosition().x, 99.0);
    environment.SetCameraMatrix(cameraAt(1.0, 2.0, 4.0).Pointer());
    EXPECT_NEAR(environment.GetCameraPosition().x, 1.0, 1e-12);
    EXPECT_TRUE(messages.entries().empty());
}

TEST_F(EnvironmentTest, SingularCameraMatrixPutsTheCameraAtTheOrigin)
{
    Maris::Environment environment;
    ASSERT_EQ(initialize(environment), Maris::EnvironmentInitialized);
    environment.SetCameraMatrix(cameraAt(5.0, 6.0, 7.0).Pointer());
    ASSERT_NEAR(environment.GetCameraPosition().z, 7.0, 1e-12);
    Maris::Matrix4 flattened = cameraAt(5.0, 6.0, 7.0);
    flattened.elem[2][2] = 0.0; // squashes z: no inverse
    environment.SetCameraMatrix(flattened.Pointer());
    EXPECT_EQ(environment.GetCameraPosition(), Maris::Vector3(0.0, 0.0, 0.0));
}

TEST_F(EnvironmentTest, NullMatricesAreReportedAndChangeNothing)
{
    Maris::Environment environment;
    environment.SetCameraMatrix(cameraAt(1.0, 1.0, 1.0).Pointer());
    environment.SetCameraMatrix(nullptr);
    environment.SetProjectionMatrix(nullptr);
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Null matrix received in Environment::SetCameraMatrix.",
                                        "Null matrix received in Environment::SetProjectionMatrix."}));
    EXPECT_NEAR(environment.GetCameraPosition().x, 1.0, 1e-12);
}

TEST_F(EnvironmentTest, OutOfRangeLightColorIsReportedOnceAndStored)
{
    Maris::Environment environment;
    const double direction[3] = {0.0, 3.0, 4.0};
    const double color[3] = {1.2, 0.5, 0.5};
    environment.SetDirectionalLight(direction, color);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{
                                    "You passed in a color to Environment::SetDirectionalLight with "
                                    "a component outside the range of 0-1."});
    EXPECT_EQ(environment.GetLightColor(), Maris::Vector3(1.2, 0.5, 0.5));
    EXPECT_NEAR(environment.GetLightDirection().y, 0.6, 1e-12);
    EXPECT_NEAR(environment.GetLightDirection().z, 0.8, 1e-12);

    messages.clear();
    const double negative[3] = {0.5, -0.1, -0.2};
    environment.SetDirectionalLight(direction, negative);
    EXPECT_EQ(messages.texts().size(), 1u);

    messages.clear();
    const double none[3] = {0.0, 0.0, 0.0};
    const double white[3] = {1.0, 1.0, 0.0};
    environment.SetDirectionalLight(none, white);
    EXPECT_TRUE(messages.entries().empty());
    EXPECT_EQ(environment.GetLightDirection(), Maris::Vector3(0.0, 0.0, 0.0));

    const double ambient[3] = {0.25, 0.5, 2.0};
    environment.SetAmbientLight(ambient);
    EXPECT_EQ(environment.GetAmbientColor(), Maris::Vector3(0.25, 0.5, 2.0));
    EXPECT_TRUE(messages.entries().empty());
}

TEST_F(EnvironmentTest, UpVectorFollowsTheCoordinateSystem)
{
    const Maris::Matrix4 camera = cameraAt(3.0, 0.0, 4.0);
    Maris::Environment flatZ;
    flatZ.Initialize(Maris::FlatZUp, Maris::NoRenderer, loader, nullptr, false);
    flatZ.SetCameraMatrix(camera.Pointer());
    EXPECT_EQ(flatZ.GetUpVector(), Maris::Vector3(0.0, 0.0, 1.0));

    Maris::Environment flatY;
    flatY.Initialize(Maris::FlatYUp, Maris::NoRenderer, loader, nullptr, false);
    flatY.SetCameraMatrix(camera.Pointer());
    EXPECT_EQ(flatY.GetUpVector(), Maris::Vector3(0.0, 1.0, 0.0));

    for (Maris::CoordinateSystem system :
         {Maris::GeocentricEllipsoidZUp, Maris::GeocentricEllipsoidYUp, Maris::GeocentricSphereZUp,
          Maris::GeocentricSphereYUp}) {
        Maris::Environment geocentric;
        geocentric.Initialize(system, Maris::NoRenderer, loader, nullptr, false);
        geocentric.SetCameraMatrix(camera.Pointer());
        const Maris::Vector3 up = geocentric.GetUpVector();
        EXPECT_NEAR(up.x, 0.6, 1e-12);
        EXPECT_NEAR(up.y, 0.0, 1e-12);
        EXPECT_NEAR(up.z, 0.8, 1e-12);
    }
}

TEST_F(EnvironmentTest, ReplacingTheRandomNumberGenerator)
{
    Maris::Environment environment;
    Maris::RandomNumberGenerator* own = environment.GetRandomNumberGenerator();
    Maris::DefaultRandomNumberGenerator other;
    environment.SetRandomNumberGenerator(&other);
    EXPECT_EQ(environment.GetRandomNumberGenerator(), &other);
    environment.SetRandomNumberGenerator(nullptr);
    EXPECT_EQ(environment.GetRandomNumberGenerator(), own);
}

namespace {

// Records what the configuration looked like when the environment said goodbye.
class RecordingOcean : public Maris::EnvironmentClient
{
public:
    void EnvironmentDestroyed() override
    {
        ++notifications;
        referencesAtNotice = Maris::Configuration::GetReferenceCount();
    }
    int notifications = 0;
    int referencesAtNotice = -1;
};

} // namespace

TEST_F(EnvironmentTest, DestructionReleasesTheConfigurationThenTellsTheOceans)
{
    RecordingOcean first;
    RecordingOcean second;
    RecordingOcean removed;
    {
        Maris::Environment environment;
        ASSERT_EQ(initialize(environment), Maris::EnvironmentInitialized);
        environment.AddOcean(&first);
        environment.AddOcean(&removed);
        environment.AddOcean(&second);
        environment.AddOcean(nullptr);
        environment.RemoveOcean(&removed);
        ASSERT_EQ(environment.GetOceans().size(), 2u);
        EXPECT_EQ(environment.GetOceans().front(), &first);
        EXPECT_EQ(Maris::Configuration::GetReferenceCount(), 1);
    }
    EXPECT_EQ(first.notifications, 1);
    EXPECT_EQ(second.notifications, 1);
    EXPECT_EQ(removed.notifications, 0);
    EXPECT_EQ(first.referencesAtNotice, 0);
}

TEST_F(EnvironmentTest, SwellsAndSpectrumSwitches)
{
    Maris::Environment environment;
    environment.AddSwell({200.0f, 1.5f, 0.5f});
    environment.AddSwell({80.0f, 0.5f, 2.0f});
    ASSERT_EQ(environment.GetSwells().size(), 2u);
    EXPECT_EQ(environment.GetSwells().back().wavelength, 80.0f);
    environment.ClearSwells();
    EXPECT_TRUE(environment.GetSwells().empty());
    environment.SetOmnidirectional(true);
    EXPECT_TRUE(environment.GetOmnidirectional());
    environment.SetFFTFlag(false);
    EXPECT_FALSE(environment.GetFFTFlag());
}
