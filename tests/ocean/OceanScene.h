#pragma once

#include "TestSupport.h"

#include <Maris/Environment.h>
#include <Maris/ResourceLoader.h>
#include "grid/ProjectedGrid.h"
#include "waves/FFTWaterModel.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// A context on a pbuffer of DISPLAY: a core profile for OpenGL32 and OpenGL41, else compatibility.
struct GLXTestContext;

// The ocean fixture: resource directory, optional context with a frame buffer, environment.
class OceanScene
{
public:
    struct Options
    {
        std::string configuration;
        bool bare = false; // only the configuration lines, and no wind; else the staged resources
        std::string resourceDirectory; // read instead of one written for the scene
        std::vector<std::pair<std::string, std::string>> files; // names and bytes written there
        bool openGL = true;
        Maris::Renderer renderer = Maris::OpenGL2;
        Maris::CoordinateSystem coordinateSystem = Maris::FlatZUp;
        void* device = nullptr;
        int width = 256;
        int height = 256;
        bool floatTarget = false; // 32-bit float color instead of bytes
        bool hdr = false;
    };

    explicit OceanScene(const Options& options);
    OceanScene() : OceanScene(Options()) {}
    ~OceanScene();
    OceanScene(const OceanScene&) = delete;
    OceanScene& operator=(const OceanScene&) = delete;

    // A bare directory holding only the configuration text, without an OpenGL context.
    static Options bareOptions(const std::string& configuration,
                               Maris::Renderer renderer = Maris::NoRenderer,
                               void* device = nullptr);
    // A simulation-only sea on the CPU engine with quick planning and a small grid.
    static Options fftOptions(const std::string& extraConfiguration = "", int dimension = 64);

    bool ready() const { return isReady; }
    const std::string& failure() const { return reason; }
    Maris::Environment& environment() { return *sea; }
    Maris::ResourceLoader& loader() { return *resourceLoader; }
    MessageCapture& messages() { return capture; }
    const TemporaryDirectory& resources() const { return directory; }

    // Camera at eye looking at target with z up (y up when looking straight down).
    void lookAt(const Maris::Vector3& eye, const Maris::Vector3& target, double fovDegrees = 60.0,
                double rollDegrees = 0.0, double nearPlane = 1.0, double farPlane = 20000.0);
    // Wind over all of the sea; fetch 0 means none given.
    void setWind(double speed, double direction, double fetch = 0.0);
    // An FFT water model of the type, its Gaussians drawn from the seed; null if it fails.
    std::unique_ptr<Maris::FFTWaterModel> fftModel(int type, unsigned seed = 1);
    std::unique_ptr<Maris::ProjectedGrid> grid(int type);
    // Copies the library into lib/ as lib<name>.so; the copy's path.
    std::string installEngineLibrary(const std::string& source, const std::string& name) const;

    // A sky cube map with the viewer's matrix: a blue gradient, or faces +x, -x, +y, -y, +z, -z.
    void useSkyCubeMap(const std::uint8_t (*faceColors)[3] = nullptr);
    void clear(float red, float green, float blue, float alpha = 1.0f);
    // Rows from the bottom of the frame buffer, four components per pixel.
    std::vector<std::uint8_t> readPixels() const;

    static std::string stagedFile(const std::string& name);

private:
    bool createFrameBuffer();

    Options options;
    MessageCapture capture;
    TemporaryDirectory directory;
    std::unique_ptr<GLXTestContext> context;
    std::unique_ptr<Maris::ResourceLoader> resourceLoader;
    std::unique_ptr<Maris::Environment> sea;
    unsigned int frameBuffer = 0;
    unsigned int renderBuffers[2] = {0, 0};
    unsigned int skyTexture = 0;
    bool isReady = false;
    std::string reason;
};
