#include "OceanScene.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include <Maris/Ocean.h>
#include <Maris/WindFetch.h>
#include "grid/ProjectedGrid.h"
#include "waves/WaterModel.h"

#include <gtest/gtest.h>

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

struct Region
{
    double mean[3] = {0, 0, 0};
    double deviation = 0;    // of the luminance
    double changedShare = 0; // of pixels that differ from magenta, the clear color
    double brightShare = 0;  // of pixels brighter than 0.8 in every channel
};

// Statistics of the columns [x0, x1) of the rows [y0, y1), counted from the bottom.
Region region(const std::vector<std::uint8_t>& rgba, int width, int x0, int x1, int y0, int y1)
{
    Region r;
    const double count = (x1 - x0) * (y1 - y0);
    double squares = 0.0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            for (int c = 0; c < 3; ++c)
                r.mean[c] += p[c] / count;
            squares += std::pow(0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2], 2.0) / count;
            r.changedShare += (255 - p[0] + p[1] + 255 - p[2] > 6) / count;
            r.brightShare += (p[0] > 204 && p[1] > 204 && p[2] > 204) / count;
        }
    const double mean = 0.3 * r.mean[0] + 0.59 * r.mean[1] + 0.11 * r.mean[2];
    r.deviation = std::sqrt(std::max(0.0, squares - mean * mean));
    return r;
}

std::unique_ptr<Maris::Ocean> createOcean(OceanScene& scene,
                                          Maris::WaterModelType type = Maris::GerstnerWaves)
{
    return std::unique_ptr<Maris::Ocean>(
        Maris::Ocean::Create(&scene.environment(), type, false, false));
}

void expectNoGLErrors(OceanScene& scene)
{
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    for (const std::string& text : scene.messages().texts())
        EXPECT_EQ(text.find("GL error"), std::string::npos) << text;
}

OceanScene::Options sized(int width, int height, const std::string& configuration = "")
{
    OceanScene::Options o;
    o.width = width;
    o.height = height;
    o.configuration = configuration;
    return o;
}

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

} // namespace

// Each kind of sea, seen level from 40 m over a sky cube map: the horizon is the middle row.
struct WaterCase
{
    const char* name;
    Maris::WaterModelType model;
    Maris::CoordinateSystem coordinates;
    Maris::Renderer renderer;
};
using LooksLikeWater = ::testing::TestWithParam<WaterCase>;

TEST_P(LooksLikeWater, BelowTheHorizonAndLeavesTheSkyAlone)
{
    const WaterCase& c = GetParam();
    const int w = 320, h = 240;
    OceanScene::Options options = sized(w, h);
    options.coordinateSystem = c.coordinates;
    options.renderer = c.renderer;
    OceanScene scene(options);
    ASSERT_TRUE(scene.ready()) << scene.failure();
    scene.useSkyCubeMap();
    scene.environment().SimulateSeaState(4.0, 0.4);
    // On a sphere, above the north pole of the mean sphere.
    const double eye = (c.coordinates == Maris::GeocentricSphereZUp ? 6371009.0 : 0.0) + 40.0;
    scene.lookAt(Maris::Vector3(0, 0, eye), Maris::Vector3(0, 1000, eye), 60.0);
    std::srand(1); // the same waves whatever ran before
    const std::unique_ptr<Maris::Ocean> ocean = createOcean(scene, c.model);
    ASSERT_NE(ocean, nullptr) << ::testing::PrintToString(scene.messages().texts());
    scene.clear(1, 0, 1);
    ocean->Draw(3.5, true, true, true);
    const std::vector<std::uint8_t> pixels = scene.readPixels();
    expectNoGLErrors(scene);

    const Region water = region(pixels, w, 0, w, 0, h / 2 - 8);
    EXPECT_GT(water.changedShare, 0.99);
    EXPECT_LT(region(pixels, w, 0, w, h / 2 + 8, h).changedShare, 0.01) << "sky";
    // Blue-green, not grey, with visible waves.
    EXPECT_GT(water.mean[2], water.mean[0] + 20);
    EXPECT_GT(water.deviation, 4.0);
    // The sky's reflection grows towards the horizon (Fresnel).
    EXPECT_GT(region(pixels, w, 0, w, h / 2 - 20, h / 2 - 8).mean[2],
              region(pixels, w, 0, w, 0, 20).mean[2] + 30);
    // The sun ahead leaves a highlight on the water.
    EXPECT_GT(water.brightShare, 0.002);
}

INSTANTIATE_TEST_SUITE_P(
    OceanDrawing, LooksLikeWater,
    ::testing::Values(
        WaterCase{"Gerstner", Maris::GerstnerWaves, Maris::FlatZUp, Maris::OpenGL2},
        WaterCase{"GerstnerOnTheSphere", Maris::GerstnerWaves, Maris::GeocentricSphereZUp,
                  Maris::OpenGL2},
        WaterCase{"GerstnerInACoreContext", Maris::GerstnerWaves, Maris::FlatZUp, Maris::OpenGL32},
        WaterCase{"FFT", Maris::JONSWAPSpectrum, Maris::FlatZUp, Maris::OpenGL2}),
    [](const ::testing::TestParamInfo<WaterCase>& info) { return std::string(info.param.name); });

TEST(OceanCreate, FailuresAreReportedAndLeaveNoOcean)
{
    const std::string unable = "Unable to create grid and associated models.";
    int device = 0;
    struct Case
    {
        const char* name;
        OceanScene::Options options;
        Maris::WaterModelType type;
        const char* removed; // a resource taken away before the ocean is made
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"unknown renderer", OceanScene::bareOptions("\n", Maris::Renderer(9), &device),
         Maris::GerstnerWaves, nullptr, {"Invalid renderer in Ocean constructor.", unable}},
        {"unknown water model", OceanScene::bareOptions("\n"), Maris::WaterModelType(4), nullptr,
         {"Invalid water model type in Ocean constructor.", unable}},
        {"more waves than the shader has", sized(256, 256, "num-gerstner-waves = 1000"),
         Maris::GerstnerWaves, nullptr,
         {"One or more wave parameters not found in the OpenGL Gerstner shader. Did you change "
          "the number of waves in the config file but not update the MAX_WAVES definition in "
          "the .glsl files?",
          "Water model failed to initialize."}},
        {"missing grid shader", OceanScene::Options(), Maris::GerstnerWaves,
         "ocean-frag-gerstner.glsl",
         {"Failed to load the following resource:", "ocean-frag-gerstner.glsl",
          "Failed to initialize projected grid. Did you create your Ocean from a different "
          "thread than the one you created your graphics context in?"}},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.name);
        OceanScene scene(c.options);
        ASSERT_TRUE(scene.ready()) << scene.failure();
        if (c.removed) {
            std::remove((scene.resources().path() + "/" + c.removed).c_str());
            c.messages[1] = scene.resources().path() + "/" + c.removed;
        }
        scene.messages().clear();
        EXPECT_EQ(Maris::Ocean::Create(&scene.environment(), c.type, false, false), nullptr);
        EXPECT_EQ(scene.messages().texts(), c.messages);
        EXPECT_TRUE(scene.environment().GetOceans().empty());
        scene.messages().clear();
        EXPECT_EQ(Maris::Ocean::Create(nullptr, c.type, false, false), nullptr);
        EXPECT_EQ(scene.messages().texts(),
                  std::vector<std::string>{"Null environment passed into Ocean::Create"});
    }
}

// Without a renderer every model is stepped, flat without wind; the environment may go first.
TEST(OceanCreate, WithoutARendererOrAnEnvironmentTheOceanStaysUsable)
{
    for (int type = Maris::GerstnerWaves; type <= Maris::JONSWAPSpectrum; ++type) {
        SCOPED_TRACE(type);
        auto scene = std::make_unique<OceanScene>(OceanScene::fftOptions());
        const double fetch = type == Maris::JONSWAPSpectrum ? 50000.0 : 0.0; // else it is P-M
        scene->setWind(0.0, 0.3, fetch);
        scene->messages().clear();
        const std::unique_ptr<Maris::Ocean> ocean =
            createOcean(*scene, static_cast<Maris::WaterModelType>(type));
        ASSERT_NE(ocean, nullptr);
        EXPECT_EQ(scene->messages().texts().back(), "Lighting model failed to initialize.");
        ocean->Draw(1.0, true, true, true);
        EXPECT_EQ(ocean->GetSimulationSteps(), 1u);
        Maris::WaterModel* model = ocean->GetGrid()->GetWaterModel();
        Maris::Vector3 normal;
        const Maris::Vector3 there(300.0, 170.0, 0.0);
        EXPECT_EQ(model->GetHeight(there, ocean->GetGrid(), normal), 0.0f);
        scene->setWind(10.0, 0.3, fetch);
        ocean->UpdateSimulation(4.0);
        EXPECT_TRUE(type == Maris::GerstnerWaves ||
                    std::fabs(model->GetHeight(there, ocean->GetGrid(), normal)) > 0.01);
        scene.reset();
        EXPECT_EQ(ocean->GetEnvironment(), nullptr);
        ocean->Draw(5.0, true, true, true);
        ocean->UpdateSimulation(6.0);
    }
}

TEST(OceanStepping, WaveDirectionFollowsTheWindAndTurnsToTheShoreInShallowWater)
{
    OceanScene sea{OceanScene::bareOptions("\n")};
    ASSERT_TRUE(sea.ready()) << sea.failure();
    sea.environment().SimulateSeaState(4.0, 0.5);
    const std::unique_ptr<Maris::Ocean> ocean = createOcean(sea);
    ASSERT_NE(ocean, nullptr);
    double speed = 0, wind = 0, fetch = 0;
    sea.environment().GetWind(sea.environment().GetCameraPosition(), speed, wind, fetch);
    Maris::WaterModel* model = ocean->GetGrid()->GetWaterModel();
    // The default floor normal is not the up vector, but 1000 m deep water does not feel it.
    ocean->UpdateSimulation(1.0);
    EXPECT_NEAR(ocean->GetWaveDirection(), wind, 1e-6);
    model->SetDepth(5.0f);
    model->SetShore(1.0f, 2.0f);
    ocean->UpdateSimulation(2.0);
    EXPECT_GT(ocean->GetWaveDirection(), wind + 0.1) << "turned towards the shore's 2.0";
    EXPECT_LT(ocean->GetWaveDirection(), 2.0);
    EXPECT_FLOAT_EQ(model->GetWaveDirection(), ocean->GetWaveDirection());
    // A floor facing straight up is no shore at all.
    model->SetFloorNormal(Maris::Vector3(0, 0, 1));
    ocean->UpdateSimulation(3.0);
    EXPECT_NEAR(ocean->GetWaveDirection(), wind, 1e-6);
}

// A draw steps once per time stamp unless the host did; a draw without water steps nothing.
TEST(OceanStepping, EachTimeIsSteppedOnceWhoeverAsksFirst)
{
    OceanScene sea{sized(256, 256, "default-grid-resolution = 64")};
    ASSERT_TRUE(sea.ready()) << sea.failure();
    const std::unique_ptr<Maris::Ocean> ocean = createOcean(sea);
    ASSERT_NE(ocean, nullptr) << ::testing::PrintToString(sea.messages().texts());
    sea.clear(0, 0, 0);
    ocean->Draw(5.0, true, true, true);
    ocean->Draw(5.0, true, true, true);
    EXPECT_EQ(ocean->GetSimulationSteps(), 1u);
    ocean->UpdateSimulation(6.0);
    ocean->Draw(6.5, true, true, true);
    EXPECT_EQ(ocean->GetSimulationSteps(), 2u);
    EXPECT_DOUBLE_EQ(ocean->GetLastSimulationTime(), 6.0);
    ocean->Draw(7.0, true, false, true);
    EXPECT_EQ(ocean->GetSimulationSteps(), 2u);
    expectNoGLErrors(sea);
}

// The sky box looks up (-x, z, -y) for (x, y, z); the sea must reflect the face the sky shows.
TEST(OceanDrawing, ReflectionsShowTheSkyFaceThere)
{
    OceanScene scene(sized(160, 120));
    ASSERT_TRUE(scene.ready()) << scene.failure();
    // +x, -x, +y, -y, +z, -z
    const std::uint8_t faces[6][3] = {{250, 250, 0}, {0, 250, 0}, {0, 0, 250},
                                      {250, 250, 250}, {0, 250, 250}, {250, 0, 0}};
    scene.useSkyCubeMap(faces);
    scene.environment().SimulateSeaState(0.0, 0.0);
    const std::unique_ptr<Maris::Ocean> ocean = createOcean(scene);
    ASSERT_NE(ocean, nullptr);
    // World +x shows the -x face, world -x the +x face, world +y the -z face.
    const std::pair<Maris::Vector3, int> views[] = {
        {{1000, 0, 10}, 1}, {{-1000, 0, 10}, 0}, {{0, 1000, 10}, 5}};
    for (const auto& [target, face] : views) {
        scene.lookAt(Maris::Vector3(0, 0, 10), target, 60.0);
        scene.clear(0, 0, 0);
        ocean->Draw(1.0, true, true, false);
        // Just below the horizon the reflection is nearly total.
        const Region seen = region(scene.readPixels(), 160, 20, 140, 54, 58);
        for (int c = 0; c < 3; ++c)
            EXPECT_TRUE(faces[face][c] > 128 ? seen.mean[c] > 150.0 : seen.mean[c] < 110.0)
                << "face " << face << ", channel " << c << ": " << seen.mean[c];
    }
}

// DrawPatch leaves the patch program bound for the host's draw; DrawSpray restores the state.
TEST(OceanPatches, TheHostsStateSurvivesAPatchBetweenDrawPatchAndDrawSpray)
{
    OceanScene scene(sized(160, 120));
    ASSERT_TRUE(scene.ready()) << scene.failure();
    scene.lookAt(Maris::Vector3(0, -50, 40), Maris::Vector3(0, 50, 0), 60.0);
    const std::unique_ptr<Maris::Ocean> ocean = createOcean(scene, Maris::JONSWAPSpectrum);
    ASSERT_NE(ocean, nullptr) << ::testing::PrintToString(scene.messages().texts());
    glEnable(GL_LIGHTING);
    scene.clear(0, 0, 0);
    const GLuint patchProgram = ocean->GetGrid()->GetPatchShader();
    ASSERT_NE(patchProgram, 0u);
    // A square of sea 200 units across around the origin, as two triangles, in doubles.
    const double quad[6][3] = {{-100, -100, 0}, {100, -100, 0}, {100, 100, 0},
                               {-100, -100, 0}, {100, 100, 0},  {-100, 100, 0}};
    ASSERT_TRUE(ocean->DrawPatch(3.0, 3 * sizeof(double), quad, true, nullptr));
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, static_cast<GLint>(patchProgram));
    glDisable(GL_CULL_FACE);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glDisableClientState(GL_VERTEX_ARRAY);
    const double box[6] = {-100, -100, -10, 100, 100, 10};
    ocean->DrawSpray(3.0, box);
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    expectNoGLErrors(scene);

    const Region middle = region(scene.readPixels(), 160, 40, 120, 30, 90);
    EXPECT_GT(middle.mean[2], std::max(20.0, middle.mean[0])) << "the patch covers the middle";
}

// The covered area (every depth passing) is about a screen for a healthy grid from any pose,
// thousands for one turned inside out around the eye.
using CameraPoseSweep = ::testing::TestWithParam<double>;

TEST_P(CameraPoseSweep, EveryPoseDrawsTheSeaWithBoundedArea)
{
    OceanScene scene(sized(64, 48, "default-grid-resolution = 64"));
    ASSERT_TRUE(scene.ready()) << scene.failure();
    scene.useSkyCubeMap();
    scene.environment().SimulateSeaState(GetParam(), 4.36);
    const std::unique_ptr<Maris::Ocean> ocean = createOcean(scene, Maris::JONSWAPSpectrum);
    ASSERT_NE(ocean, nullptr) << ::testing::PrintToString(scene.messages().texts());
    GLuint query = 0;
    glGenQueries(1, &query);
    double time = 10.0;
    // The area in screens of one frame from a height, pitch and heading (degrees).
    auto screens = [&](double height, double pitchDegrees, double headingDegrees) {
        const double pitch = pitchDegrees * M_PI / 180.0;
        const double heading = headingDegrees * M_PI / 180.0;
        const Maris::Vector3 eye(10.0, -20.0, height);
        const Maris::Vector3 ahead(std::cos(pitch) * std::cos(heading),
                                   std::cos(pitch) * std::sin(heading), std::sin(pitch));
        scene.lookAt(eye, eye + ahead * 100.0, 45.0, 0.0, 0.05);
        scene.clear(0, 0, 0);
        glDepthFunc(GL_ALWAYS);
        glBeginQuery(GL_SAMPLES_PASSED, query);
        ocean->Draw(time, true, true, false);
        glEndQuery(GL_SAMPLES_PASSED);
        GLuint samples = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
        time += 1.0 / 30.0;
        return samples / (64.0 * 48.0);
    };
    // Heights round the surface, frames crossing it, then looking at it from near (mostly sea).
    int index = 0;
    for (double h : {10000.0, 100.0, 2.0, 0.1, 1e-3, 0.0, -1e-3, -0.1, -2.0, -100.0})
        for (double pitch : {-90, -25, -5, 0, 5, 25, 90})
            ASSERT_LE(screens(h, pitch, (index++ * 3 % 8) * 45.0 + 10.0), 2.0)
                << h << " m, pitch " << pitch;
    for (double pitch : {-3, 0, 3})
        for (double h : {0.3, -0.3, 5e-4, -5e-4, 1e-3, 0.0, -1e-3})
            EXPECT_LE(screens(h, pitch, 250.0), 2.0) << h << " m, pitch " << pitch;
    const double towardsTheSurface[][3] = {
        {2, -90, 0}, {0.5, -60, 90}, {-0.5, 90, 0}, {-2, 60, 270}, {-5, 25, 45}};
    for (const auto& pose : towardsTheSurface)
        EXPECT_GT(screens(pose[0], pose[1], pose[2]), 0.8) << pose[0] << " m, " << pose[1];
}

INSTANTIATE_TEST_SUITE_P(SeaStates, CameraPoseSweep, ::testing::Values(0.0, 12.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return "Beaufort" + std::to_string(static_cast<int>(info.param));
                         });

TEST(Environment, InitializationFailuresReturnTheirCodeWithTheirMessages)
{
    MessageCapture messages;
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
    Maris::ResourceLoader loader(empty.path().c_str(), false);
    Maris::Environment withoutFile;
    EXPECT_EQ(withoutFile.Initialize(Maris::FlatZUp, Maris::OpenGL2, &loader, nullptr, false),
              Maris::ConfigurationNotLoaded);
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{
                  "Failed to load the following resource:", empty.path() + "/Maris.config",
                  "Could not load Maris.config from the given resources directory.",
                  "Maris.config failed to load - did you set the correct path to the resources "
                  "folder?"}));
    EXPECT_EQ(Maris::Configuration::GetReferenceCount(), 0);

    messages.clear();
    empty.write("Maris.config", "\n");
    Maris::Environment noDevice;
    EXPECT_EQ(noDevice.Initialize(Maris::FlatZUp, Maris::Direct3D11, &loader, nullptr, false),
              Maris::NoDirect3DDevice);
    EXPECT_EQ(messages.texts().back(), "No device was passed into the Environment constructor, "
                                       "and you're using a DirectX renderer.");
}

// Null matrices change nothing, a singular one puts the eye at the origin; odd colors are kept; a
// grid resolution out of range is refused.
TEST(Environment, BadCameraMatricesAndLightColorsAreReported)
{
    OceanScene scene{OceanScene::bareOptions("\n")};
    ASSERT_TRUE(scene.ready()) << scene.failure();
    Maris::Environment& environment = scene.environment();
    MessageCapture& messages = scene.messages();
    messages.clear();
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

    const double direction[3] = {0.0, 3.0, 4.0};
    const double colors[2][3] = {{1.2, 0.5, 0.5}, {0.5, -0.1, 0.0}};
    for (const double* color : colors) {
        messages.clear();
        environment.SetDirectionalLight(direction, color);
        EXPECT_EQ(messages.texts(), std::vector<std::string>{
                                        "You passed in a color to Environment::SetDirectionalLight"
                                        " with a component outside the range of 0-1."});
        EXPECT_EQ(environment.GetLightColor(), Maris::Vector3(color));
    }
    EXPECT_NEAR((environment.GetLightDirection() - Maris::Vector3(0, 0.6, 0.8)).Length(), 0, 1e-9);

    ASSERT_TRUE(environment.SetGridResolution(96));
    for (int side : {1, -3, 4097}) {
        messages.clear();
        EXPECT_FALSE(environment.SetGridResolution(side));
        const std::string refusal =
            "Grid resolution " + std::to_string(side) + " is outside 2 to 4096 and is ignored";
        EXPECT_EQ(messages.texts(), std::vector<std::string>{refusal});
        EXPECT_EQ(environment.GetGridResolution(), 96);
    }
}

TEST(Environment, UpVectorFollowsTheCoordinateSystem)
{
    const Maris::Vector3 radial(0.6, 0, 0.8);
    const std::pair<Maris::CoordinateSystem, Maris::Vector3> cases[] = {
        {Maris::FlatZUp, {0, 0, 1}}, {Maris::FlatYUp, {0, 1, 0}},
        {Maris::GeocentricEllipsoidZUp, radial}, {Maris::GeocentricEllipsoidYUp, radial},
        {Maris::GeocentricSphereZUp, radial}, {Maris::GeocentricSphereYUp, radial}};
    for (const auto& [system, up] : cases) {
        OceanScene::Options options = OceanScene::bareOptions("\n");
        options.coordinateSystem = system;
        OceanScene scene(options);
        scene.environment().SetCameraMatrix(cameraAt(3.0, 0.0, 4.0).Pointer());
        EXPECT_NEAR((scene.environment().GetUpVector() - up).Length(), 0.0, 1e-12) << system;
    }
}

// The empirical speed of a Beaufort number B is 0.836 B^1.5 m/s, in world units.
TEST(Environment, SeaStateGivesTheEmpiricalWindAndReplacesEarlierFetches)
{
    MessageCapture messages;
    Maris::Environment environment;
    Maris::WindFetch extra;
    extra.SetWind(10.0, 1.0);
    environment.AddWindFetch(extra);
    environment.SimulateSeaState(4.0, 0.0);
    ASSERT_EQ(environment.GetWindFetches().size(), 1u);
    EXPECT_TRUE(environment.GetWindFetches().front().global);
    EXPECT_NEAR(windAt(environment, Maris::Vector3(100.0, -50.0, 3.0))[0], 6.688, 1e-12);
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
TEST(Environment, WindFetchesAddWhereTheyBlow)
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

// Eye at (5, 0, 0) down -z, 90 degrees square, near 1, far 100: -100 <= z <= -1, |x-5|, |y| <= -z.
TEST(Environment, OnlySpheresWhollyOutsideAreCulledAndTheFrustumFollowsTheCamera)
{
    OceanScene scene{OceanScene::bareOptions("\n")};
    Maris::Environment& environment = scene.environment();
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
