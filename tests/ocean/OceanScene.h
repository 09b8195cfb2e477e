#pragma once

#include "GLXTestContext.h"
#include "MessageCapture.h"
#include "TemporaryDirectory.h"

#include <Maris/Environment.h>
#include <Maris/ResourceLoader.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A sea to draw in tests: a GLX context with an off-screen frame buffer of the given size, a
// resource directory holding the staged shaders and configuration (plus any extra configuration
// lines, which win over the staged ones) and small generated textures, and a flat z-up environment
// initialized on it. Messages are captured from the start.
class SurfaceScene
{
public:
    struct Options
    {
        Maris::Renderer renderer = Maris::OpenGL2;
        GLXTestContext::Profile profile = GLXTestContext::Profile::Compatibility;
        Maris::CoordinateSystem coordinateSystem = Maris::FlatZUp;
        std::string configuration;
        int width = 256;
        int height = 256;
        // Color attachment of 32-bit floats instead of bytes.
        bool floatTarget = false;
        bool hdr = false;
        // The generated textures of the runtime tree instead of the scene's own small ones.
        bool shippedTextures = false;
    };

    explicit SurfaceScene(const Options& options);
    SurfaceScene() : SurfaceScene(Options()) {}
    ~SurfaceScene();

    bool ready() const { return isReady; }
    const std::string& failure() const { return reason; }

    Maris::Environment& environment() { return *sea; }
    MessageCapture& messages() { return capture; }
    const TemporaryDirectory& resources() const { return directory; }
    int width() const { return options.width; }
    int height() const { return options.height; }

    // Camera at eye looking at target with z up; perspective of the vertical field of view, the
    // frame buffer's aspect, the near and far planes given. Also sets a sun and ambient light.
    void lookAt(const Maris::Vector3& eye, const Maris::Vector3& target, double fovDegrees = 60.0,
                double rollDegrees = 0.0, double nearPlane = 1.0, double farPlane = 20000.0);
    // A sky cube map of a blue gradient, brighter towards the horizon, handed to the environment.
    void useSkyCubeMap();
    // A cube map whose six faces (+x, -x, +y, -y, +z, -z) have the given colors, with the
    // viewer's matrix.
    void useFaceColoredCubeMap(const std::uint8_t colors[6][3]);
    void clear(float red, float green, float blue, float alpha = 1.0f);
    // Rows from the bottom of the frame buffer, four components per pixel.
    std::vector<std::uint8_t> readPixels() const;
    std::vector<float> readFloatPixels() const;

    // The text of a staged resource file.
    static std::string stagedFile(const std::string& name);

private:
    void writeResources();
    bool createFrameBuffer();

    Options options;
    MessageCapture capture;
    TemporaryDirectory directory;
    std::unique_ptr<GLXTestContext> context;
    std::unique_ptr<Maris::ResourceLoader> loader;
    std::unique_ptr<Maris::Environment> sea;
    unsigned int frameBuffer = 0;
    unsigned int colorBuffer = 0;
    unsigned int depthBuffer = 0;
    unsigned int skyTexture = 0;
    bool isReady = false;
    std::string reason;
};
