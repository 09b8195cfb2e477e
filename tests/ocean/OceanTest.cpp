#include "OceanScene.h"

#include <Maris/Environment.h>
#include <Maris/Ocean.h>
#include "grid/ProjectedGrid.h"
#include "waves/WaterModel.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <thread>

namespace {

// Writes the pixels as a binary PPM, top row first, for a person to look at.
void writePortablePixmap(const std::string& path, const std::vector<std::uint8_t>& rgba, int width,
                         int height)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << " " << height << "\n255\n";
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            out.write(reinterpret_cast<const char*>(&rgba[(static_cast<std::size_t>(y) * width + x) * 4]), 3);
}

struct RegionStatistics
{
    double meanRed = 0, meanGreen = 0, meanBlue = 0;
    double luminanceDeviation = 0;
    double changedShare = 0; // share of pixels that differ from the clear color
    double brightShare = 0;  // share of pixels brighter than 0.8 in every channel
};

RegionStatistics statistics(const std::vector<std::uint8_t>& rgba, int width, int rowFrom, int rowTo,
                            const std::uint8_t clearColor[3])
{
    RegionStatistics s;
    std::vector<double> luminance;
    for (int y = rowFrom; y < rowTo; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            s.meanRed += p[0];
            s.meanGreen += p[1];
            s.meanBlue += p[2];
            luminance.push_back(0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2]);
            if (std::abs(p[0] - clearColor[0]) + std::abs(p[1] - clearColor[1]) +
                    std::abs(p[2] - clearColor[2]) > 6)
                s.changedShare += 1;
            if (p[0] > 204 && p[1] > 204 && p[2] > 204)
                s.brightShare += 1;
        }
    const double count = static_cast<double>(luminance.size());
    s.meanRed /= count;
    s.meanGreen /= count;
    s.meanBlue /= count;
    s.changedShare /= count;
    s.brightShare /= count;
    double mean = 0;
    for (double l : luminance)
        mean += l;
    mean /= count;
    for (double l : luminance)
        s.luminanceDeviation += (l - mean) * (l - mean);
    s.luminanceDeviation = std::sqrt(s.luminanceDeviation / count);
    return s;
}

} // namespace

// Each kind of sea the library draws, seen level from 40 m over a sky cube map: the horizon is the
// middle row.
struct WaterCase
{
    const char* name;
    Maris::WaterModelType model;
    Maris::CoordinateSystem coordinates;
    Maris::Renderer renderer;
    GLXTestContext::Profile profile;
    int width;
    int height;
    bool shippedTextures;
};

class LooksLikeWater : public ::testing::TestWithParam<WaterCase>
{
};

TEST_P(LooksLikeWater, BelowTheHorizonAndLeavesTheSkyAlone)
{
    const WaterCase& c = GetParam();
    OceanScene::Options options;
    options.width = c.width;
    options.height = c.height;
    options.coordinateSystem = c.coordinates;
    options.renderer = c.renderer;
    options.profile = c.profile;
    options.shippedTextures = c.shippedTextures;
    OceanScene scene(options);
    ASSERT_TRUE(scene.ready()) << scene.failure();
    scene.useSkyCubeMap();
    scene.environment().SimulateSeaState(4.0, 0.4);
    // On a sphere, above the north pole of the mean sphere.
    const double eyeHeight = (c.coordinates == Maris::GeocentricSphereZUp ? 6371009.0 : 0.0) + 40.0;
    scene.lookAt(Maris::Vector3(0, 0, eyeHeight), Maris::Vector3(0, 1000, eyeHeight), 60.0);

    // The waves are drawn from the C library's generator: the same sea whatever ran before.
    std::srand(1);
    std::unique_ptr<Maris::Ocean> ocean(Maris::Ocean::Create(&scene.environment(), c.model, false, false));
    ASSERT_NE(ocean, nullptr) << ::testing::PrintToString(scene.messages().texts());
    const std::uint8_t clearColor[3] = {255, 0, 255};
    scene.clear(1, 0, 1);
    ocean->Draw(3.5, true, true, true);
    const std::vector<std::uint8_t> pixels = scene.readPixels();
    for (const std::string& text : scene.messages().texts())
        EXPECT_EQ(text.find("GL error"), std::string::npos) << text;
    if (const char* keep = std::getenv("MARIS_KEEP_SCREENSHOTS"))
        writePortablePixmap(std::string(keep) + "/" + c.name + ".ppm", pixels, c.width, c.height);

    // Rows are counted from the bottom: water below the middle, sky above.
    const RegionStatistics water = statistics(pixels, c.width, 0, c.height / 2 - 8, clearColor);
    const RegionStatistics sky = statistics(pixels, c.width, c.height / 2 + 8, c.height, clearColor);
    EXPECT_GT(water.changedShare, 0.99);
    EXPECT_LT(sky.changedShare, 0.01);
    // Water: blue-green, not grey, with visible waves.
    EXPECT_GT(water.meanBlue, water.meanRed + 20);
    EXPECT_GT(water.luminanceDeviation, 4.0);
    // The sky's reflection grows towards the horizon (Fresnel): the far water is lighter and
    // bluer than the water at the bottom of the picture.
    const RegionStatistics far = statistics(pixels, c.width, c.height / 2 - 20, c.height / 2 - 8, clearColor);
    const RegionStatistics near = statistics(pixels, c.width, 0, 20, clearColor);
    EXPECT_GT(far.meanBlue, near.meanBlue + 30);
    // The sun ahead leaves a highlight on the water.
    EXPECT_GT(water.brightShare, 0.002);
}

const GLXTestContext::Profile compatibility = GLXTestContext::Profile::Compatibility;
INSTANTIATE_TEST_SUITE_P(
    OceanDrawing, LooksLikeWater,
    ::testing::Values(
        WaterCase{"Gerstner", Maris::GerstnerWaves, Maris::FlatZUp, Maris::OpenGL2, compatibility, 320, 240, false},
        WaterCase{"GerstnerOnTheSphere", Maris::GerstnerWaves, Maris::GeocentricSphereZUp, Maris::OpenGL2, compatibility, 320, 240, false},
        WaterCase{"GerstnerInACoreContext", Maris::GerstnerWaves, Maris::FlatZUp, Maris::OpenGL32, GLXTestContext::Profile::Core, 320, 240, false},
        WaterCase{"FFT", Maris::JONSWAPSpectrum, Maris::FlatZUp, Maris::OpenGL2, compatibility, 320, 240, false},
        WaterCase{"ViewersSeaAtScreenSize", Maris::JONSWAPSpectrum, Maris::FlatZUp, Maris::OpenGL2, compatibility, 1024, 768, true}),
    [](const ::testing::TestParamInfo<WaterCase>& info) { return std::string(info.param.name); });

TEST(OceanDrawing, DrawLeavesTheHostsStateAsItWas)
{
    OceanScene scene;
    ASSERT_TRUE(scene.ready()) << scene.failure();
    Maris::Ocean* ocean = Maris::Ocean::Create(&scene.environment(), Maris::GerstnerWaves, false, false);
    ASSERT_NE(ocean, nullptr);
    scene.clear(0, 0, 0);
    glEnable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glDepthMask(GL_FALSE);
    ocean->Draw(2.0, true, true, true);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLboolean depthMask = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_EQ(depthMask, GL_FALSE);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // Gerstner water has no patches and no separate spray pass.
    const float vertices[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    EXPECT_FALSE(ocean->DrawPatch(2.0, 12, vertices, false, nullptr));
    const double box[6] = {-10, -10, -10, 10, 10, 10};
    ocean->DrawSpray(2.0, box);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    delete ocean;
}

namespace {

// The ocean's own behaviour needs no fine grid.
OceanScene::Options smallGrid(Maris::Renderer renderer = Maris::OpenGL2)
{
    OceanScene::Options o;
    o.renderer = renderer;
    o.configuration = "default-grid-resolution = 64";
    return o;
}

// Counts the simulation steps and the shader set-ups that reach the wave model, and notices
// when the two overlap.
class WatchedWaterModel : public Maris::WaterModel
{
public:
    explicit WatchedWaterModel(Maris::WaterModel* watched)
        : Maris::WaterModel(watched->GetEnvironment()), inner(watched)
    {
    }
    ~WatchedWaterModel() override { delete inner; }
    bool UpdateSimulation(double time) override
    {
        enter();
        ++steps;
        const bool result = inner->UpdateSimulation(time);
        leave();
        return result;
    }
    bool PrepareShader(double time) override
    {
        enter();
        ++preparations;
        const bool result = inner->PrepareShader(time);
        leave();
        return result;
    }
    double GetMaxAmplitude() const override { return inner->GetMaxAmplitude(); }
    float GetHeight(const Maris::Vector3& p, const Maris::SeaFrame* g, Maris::Vector3& n) const override
    {
        return inner->GetHeight(p, g, n);
    }

    std::atomic<int> steps{0};
    std::atomic<int> preparations{0};
    std::atomic<int> overlaps{0};

private:
    void enter()
    {
        if (busy.exchange(true))
            ++overlaps;
        // Long enough for the other thread to arrive if nothing kept it out.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    void leave() { busy = false; }

    Maris::WaterModel* inner;
    std::atomic<bool> busy{false};
};

WatchedWaterModel* watch(Maris::Ocean& ocean)
{
    auto* watched = new WatchedWaterModel(ocean.GetGrid()->GetWaterModel());
    ocean.GetGrid()->SetWaterModel(watched);
    return watched;
}

} // namespace

TEST(OceanCreate, ANullEnvironmentIsRefused)
{
    MessageCapture messages;
    EXPECT_EQ(Maris::Ocean::Create(nullptr, Maris::GerstnerWaves, false, false), nullptr);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Null environment passed into Ocean::Create"});
}

TEST(OceanCreate, AnUnknownRendererIsReportedAndNothingIsBuilt)
{
    MessageCapture messages;
    TemporaryDirectory directory;
    directory.write("Maris.config", "\n");
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    Maris::Environment environment;
    int device = 0;
    ASSERT_EQ(environment.Initialize(Maris::FlatZUp, static_cast<Maris::Renderer>(9), &loader, &device, false),
              Maris::EnvironmentInitialized);
    EXPECT_EQ(Maris::Ocean::Create(&environment, Maris::GerstnerWaves, false, false), nullptr);
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"Invalid renderer in Ocean constructor.",
                                                          "Unable to create grid and associated models."}));
    EXPECT_TRUE(environment.GetOceans().empty());
}

TEST(OceanCreate, AnUnknownWaterModelTypeIsReported)
{
    MessageCapture messages;
    TemporaryDirectory directory;
    directory.write("Maris.config", "\n");
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    Maris::Environment environment;
    ASSERT_EQ(environment.Initialize(Maris::FlatZUp, Maris::NoRenderer, &loader, nullptr, false),
              Maris::EnvironmentInitialized);
    EXPECT_EQ(Maris::Ocean::Create(&environment, static_cast<Maris::WaterModelType>(4), false, false), nullptr);
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"Invalid water model type in Ocean constructor.",
                                                          "Unable to create grid and associated models."}));
}

TEST(OceanCreate, WithoutARendererTheSimulationRunsAndNothingIsDrawn)
{
    MessageCapture messages;
    TemporaryDirectory directory;
    directory.write("Maris.config", "\n");
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    Maris::Environment environment;
    ASSERT_EQ(environment.Initialize(Maris::FlatZUp, Maris::NoRenderer, &loader, nullptr, false),
              Maris::EnvironmentInitialized);
    Maris::Ocean* ocean = Maris::Ocean::Create(&environment, Maris::GerstnerWaves, false, false);
    ASSERT_NE(ocean, nullptr);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Lighting model failed to initialize."});
    ASSERT_EQ(environment.GetOceans().size(), 1u);
    EXPECT_EQ(ocean->GetSprayManager(), nullptr);
    EXPECT_EQ(ocean->GetGrid()->GetLightingModel(), nullptr);
    ocean->Draw(1.0, true, true, true);
    ocean->Draw(2.0, true, true, true);
    EXPECT_EQ(ocean->GetSimulationSteps(), 2u);
    delete ocean;
    EXPECT_TRUE(environment.GetOceans().empty());
}

TEST(OceanCreate, TheEnvironmentGoingFirstLeavesTheOceanUsable)
{
    MessageCapture messages;
    TemporaryDirectory directory;
    directory.write("Maris.config", "\n");
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    auto* environment = new Maris::Environment();
    ASSERT_EQ(environment->Initialize(Maris::FlatZUp, Maris::NoRenderer, &loader, nullptr, false),
              Maris::EnvironmentInitialized);
    Maris::Ocean* ocean = Maris::Ocean::Create(environment, Maris::GerstnerWaves, false, false);
    ASSERT_NE(ocean, nullptr);
    delete environment;
    EXPECT_EQ(ocean->GetEnvironment(), nullptr);
    ocean->Draw(1.0, true, true, true);
    ocean->UpdateSimulation(2.0);
    delete ocean;
}

TEST(OceanStepping, DrawingTwiceAtOneTimeStepsOnce)
{
    OceanScene sea{smallGrid()};
    ASSERT_TRUE(sea.ready()) << sea.failure();
    Maris::Ocean* ocean = Maris::Ocean::Create(&sea.environment(), Maris::GerstnerWaves, false, false);
    ASSERT_NE(ocean, nullptr) << ::testing::PrintToString(sea.messages().texts());
    WatchedWaterModel* model = watch(*ocean);
    sea.clear(0, 0, 0);
    ocean->Draw(5.0, true, true, true);
    ocean->Draw(5.0, true, true, true);
    EXPECT_EQ(model->steps, 1);
    EXPECT_EQ(model->preparations, 2);
    ocean->Draw(6.0, true, true, true);
    EXPECT_EQ(model->steps, 2);
    EXPECT_DOUBLE_EQ(ocean->GetLastSimulationTime(), 6.0);
    // Without water the draw neither steps nor sets up the shader.
    ocean->Draw(7.0, true, false, true);
    EXPECT_EQ(model->steps, 2);
    EXPECT_EQ(model->preparations, 3);
    delete ocean;
}

TEST(OceanStepping, TheHostsOwnStepsKeepTheDrawFromStepping)
{
    OceanScene sea{smallGrid()};
    ASSERT_TRUE(sea.ready()) << sea.failure();
    Maris::Ocean* ocean = Maris::Ocean::Create(&sea.environment(), Maris::GerstnerWaves, false, false);
    ASSERT_NE(ocean, nullptr);
    WatchedWaterModel* model = watch(*ocean);
    ocean->UpdateSimulation(1.0);
    EXPECT_EQ(model->steps, 1);
    sea.clear(0, 0, 0);
    ocean->Draw(1.5, true, true, true);
    EXPECT_EQ(model->steps, 1);
    EXPECT_DOUBLE_EQ(ocean->GetLastSimulationTime(), 1.0);
    ocean->UpdateSimulation(2.0);
    ocean->Draw(2.5, true, true, true);
    EXPECT_EQ(model->steps, 2);
    EXPECT_EQ(model->preparations, 2);
    delete ocean;
}

TEST(OceanStepping, WaveDirectionFollowsTheWindAndTurnsToTheShoreInShallowWater)
{
    OceanScene sea(smallGrid(Maris::NoRenderer));
    ASSERT_TRUE(sea.ready()) << sea.failure();
    sea.environment().SimulateSeaState(4.0, 0.5);
    Maris::Ocean* ocean = Maris::Ocean::Create(&sea.environment(), Maris::GerstnerWaves, false, false);
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
    const double f = std::exp(-0.5);
    EXPECT_NEAR(ocean->GetWaveDirection(), (1 - f) * wind + f * 2.0, 1e-5);
    EXPECT_FLOAT_EQ(model->GetWaveDirection(), ocean->GetWaveDirection());
    // A floor facing straight up is no shore at all.
    model->SetFloorNormal(Maris::Vector3(0, 0, 1));
    ocean->UpdateSimulation(3.0);
    EXPECT_NEAR(ocean->GetWaveDirection(), wind, 1e-6);
    delete ocean;
}

TEST(OceanThreads, SteppingOnOneThreadWhileAnotherDrawsNeverOverlaps)
{
    OceanScene sea{smallGrid()};
    ASSERT_TRUE(sea.ready()) << sea.failure();
    Maris::Ocean* ocean = Maris::Ocean::Create(&sea.environment(), Maris::GerstnerWaves, false, false);
    ASSERT_NE(ocean, nullptr);
    WatchedWaterModel* model = watch(*ocean);

    const int frames = 60;
    std::atomic<bool> started{false};
    std::thread updater([&] {
        started = true;
        for (int i = 1; i <= frames * 4; ++i)
            ocean->UpdateSimulation(i * 0.01);
    });
    while (!started) {
    }
    for (int i = 0; i < frames; ++i) {
        sea.clear(0, 0, 0);
        ocean->Draw(100.0 + i, true, true, true);
    }
    updater.join();

    EXPECT_EQ(model->overlaps, 0);
    EXPECT_EQ(model->preparations, frames);
    // Every distinct time stamp was stepped exactly once, whoever asked first.
    EXPECT_EQ(static_cast<unsigned long>(model->steps), ocean->GetSimulationSteps());
    EXPECT_GE(model->steps, frames * 4);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    delete ocean;
}

TEST(OceanCreate, AWaveModelThatCannotInitializeFailsTheOcean)
{
    std::smatch match;
    const std::string text = OceanScene::stagedFile("projgrid-flat-gerstner.glsl");
    ASSERT_TRUE(std::regex_search(text, match, std::regex("#define MAX_WAVES ([0-9]+)")));
    OceanScene::Options options;
    options.configuration = "num-gerstner-waves = " + std::to_string(std::stoi(match[1]) + 1);
    OceanScene scene(options);
    ASSERT_TRUE(scene.ready()) << scene.failure();
    EXPECT_EQ(Maris::Ocean::Create(&scene.environment(), Maris::GerstnerWaves, false, false), nullptr);
    const std::vector<std::string> texts = scene.messages().texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_NE(texts[texts.size() - 2].find("MAX_WAVES"), std::string::npos);
    EXPECT_EQ(texts.back(), "Water model failed to initialize.");
    EXPECT_TRUE(scene.environment().GetOceans().empty());
}

TEST(OceanCreate, AMissingGridShaderFailsTheGridWithItsMessage)
{
    OceanScene scene;
    ASSERT_TRUE(scene.ready()) << scene.failure();
    std::remove((scene.resources().path() + "/ocean-frag-gerstner.glsl").c_str());
    EXPECT_EQ(Maris::Ocean::Create(&scene.environment(), Maris::GerstnerWaves, false, false), nullptr);
    const std::vector<std::string> texts = scene.messages().texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "Failed to load the following resource:");
    EXPECT_NE(texts[1].find("ocean-frag-gerstner.glsl"), std::string::npos);
    EXPECT_EQ(texts[2], "Failed to initialize projected grid. Did you create your Ocean from a "
                        "different thread than the one you created your graphics context in?");
}

// The sky box looks its cube map up at (-x, z, -y) for the world direction (x, y, z); the sea must
// reflect the same face the sky shows in the reflected direction.
TEST(OceanDrawing, ReflectedSkyIsTheFaceTheSkyShowsThere)
{
    OceanScene::Options options;
    options.width = 160;
    options.height = 120;
    OceanScene scene(options);
    ASSERT_TRUE(scene.ready()) << scene.failure();
    // +x, -x, +y, -y, +z, -z
    const std::uint8_t faces[6][3] = {{250, 250, 0}, {0, 250, 0}, {0, 0, 250},
                                      {250, 250, 250}, {0, 250, 250}, {250, 0, 0}};
    scene.useFaceColoredCubeMap(faces);
    scene.environment().SimulateSeaState(0.0, 0.0);
    Maris::Ocean* ocean = Maris::Ocean::Create(&scene.environment(), Maris::GerstnerWaves, false, false);
    ASSERT_NE(ocean, nullptr);

    struct View
    {
        Maris::Vector3 target;
        int face; // the face the sky shows just above the horizon in that direction
    };
    // World +y is looked up at (0, z, -1): the -z face; world +x at (-1, z, 0): the -x face;
    // world -x at (+1, z, 0): the +x face.
    const View views[] = {{Maris::Vector3(0, 1000, 10), 5}, {Maris::Vector3(1000, 0, 10), 1},
                          {Maris::Vector3(-1000, 0, 10), 0}};
    for (const View& view : views) {
        scene.lookAt(Maris::Vector3(0, 0, 10), view.target, 60.0);
        scene.clear(0, 0, 0);
        ocean->Draw(1.0, true, true, false);
        const std::vector<std::uint8_t> pixels = scene.readPixels();
        // Just below the horizon the reflection is nearly total.
        double sum[3] = {0, 0, 0};
        int count = 0;
        for (int y = options.height / 2 - 6; y < options.height / 2 - 2; ++y)
            for (int x = 20; x < options.width - 20; ++x, ++count)
                for (int c = 0; c < 3; ++c)
                    sum[c] += pixels[(static_cast<std::size_t>(y) * options.width + x) * 4 + c];
        for (int c = 0; c < 3; ++c) {
            const double mean = sum[c] / count;
            SCOPED_TRACE("face " + std::to_string(view.face) + ", channel " + std::to_string(c));
            if (faces[view.face][c] > 128)
                EXPECT_GT(mean, 150.0);
            else
                EXPECT_LT(mean, 110.0);
        }
    }
    delete ocean;
}

// The planar reflection is the scene mirrored and drawn from the main eye: the sea must look it
// up where its own points fall on the screen. A reflection texture whose left half is red and
// right half green must show red on the left of the picture and green on the right.
TEST(OceanDrawing, PlanarReflectionIsLookedUpWhereTheWaterIsOnTheScreen)
{
    OceanScene::Options options;
    options.width = 160;
    options.height = 120;
    OceanScene scene(options);
    ASSERT_TRUE(scene.ready()) << scene.failure();
    scene.environment().SimulateSeaState(0.0, 0.0);
    scene.lookAt(Maris::Vector3(0, 0, 10), Maris::Vector3(0, 1000, 10), 60.0);

    const int size = 64;
    std::vector<std::uint8_t> texels(size * size * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            std::uint8_t* t = &texels[static_cast<std::size_t>(y * size + x) * 4];
            t[0] = x < size / 2 ? 255 : 0;
            t[1] = x < size / 2 ? 0 : 255;
            t[2] = 0;
            t[3] = 255;
        }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);

    // The viewer's texture matrix: eye-relative view, projection, then clip space to 0..1.
    Maris::Matrix4 view = scene.environment().GetCameraMatrix();
    view.SetTranslation(Maris::Vector3());
    Maris::Matrix4 toTexture;
    for (int i = 0; i < 3; ++i) {
        toTexture.elem[i][i] = 0.5;
        toTexture.elem[3][i] = 0.5;
    }
    const Maris::Matrix4 textureMatrix = view * scene.environment().GetProjectionMatrix() * toTexture;
    double matrix[9];
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            matrix[row * 3 + column] = textureMatrix.elem[row][column];
    scene.environment().SetPlanarReflectionMap(texture, matrix, 0.125f);

    Maris::Ocean* ocean = Maris::Ocean::Create(&scene.environment(), Maris::GerstnerWaves, false, false);
    ASSERT_NE(ocean, nullptr);
    scene.clear(0, 0, 0);
    ocean->Draw(1.0, true, true, false);
    const std::vector<std::uint8_t> pixels = scene.readPixels();
    double left[3] = {0, 0, 0};
    double right[3] = {0, 0, 0};
    for (int y = options.height / 2 - 10; y < options.height / 2 - 2; ++y)
        for (int x = 0; x < options.width; ++x) {
            if (std::abs(x - options.width / 2) < 8)
                continue;
            double* side = x < options.width / 2 ? left : right;
            for (int c = 0; c < 3; ++c)
                side[c] += pixels[(static_cast<std::size_t>(y) * options.width + x) * 4 + c];
        }
    EXPECT_GT(left[0], left[1] * 2.0);
    EXPECT_GT(right[1], right[0] * 2.0);
    delete ocean;
    glDeleteTextures(1, &texture);
}

// FFT water drawn as the host's own patch: DrawPatch leaves the patch program bound and the state
// saved, the host draws, DrawSpray restores the state.
TEST(OceanPatches, TheHostDrawsAPatchBetweenDrawPatchAndDrawSpray)
{
    OceanScene::Options options;
    options.width = 160;
    options.height = 120;
    OceanScene scene(options);
    ASSERT_TRUE(scene.ready()) << scene.failure();
    scene.lookAt(Maris::Vector3(0, -50, 40), Maris::Vector3(0, 50, 0), 60.0);
    Maris::Ocean* ocean = Maris::Ocean::Create(&scene.environment(), Maris::JONSWAPSpectrum, false, false);
    ASSERT_NE(ocean, nullptr) << ::testing::PrintToString(scene.messages().texts());
    scene.clear(0, 0, 0);
    glEnable(GL_LIGHTING);
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
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    const std::vector<std::uint8_t> pixels = scene.readPixels();
    int water = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4)
        if (pixels[i + 2] > 20)
            ++water;
    // The patch covers the middle of the picture.
    EXPECT_GT(water, options.width * options.height / 4);
    const std::uint8_t* middle = &pixels[(static_cast<std::size_t>(options.height / 2) * options.width + options.width / 2) * 4];
    EXPECT_GT(middle[2], middle[0]);
    for (const std::string& text : scene.messages().texts())
        EXPECT_EQ(text.find("GL error"), std::string::npos) << text;
    delete ocean;
}
