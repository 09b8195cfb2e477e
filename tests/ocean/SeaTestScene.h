#pragma once

#include "GLXTestContext.h"
#include "MessageCapture.h"

#include <Maris/Environment.h>
#include <Maris/ResourceLoader.h>

#include <memory>
#include <string>

// An OpenGL context and an environment initialized on the staged Resources/Maris (the generated
// configuration, shaders and textures), with a camera looking at the sea. Messages are captured.
class SeaTestScene
{
public:
    explicit SeaTestScene(Maris::Renderer renderer = Maris::OpenGL2,
                          GLXTestContext::Profile profile = GLXTestContext::Profile::Compatibility,
                          const std::string& resources = MARIS_RESOURCES_DIR);
    ~SeaTestScene();

    // False with a reason when there is no context or the environment did not initialize.
    bool ready() const { return isReady; }
    const std::string& failure() const { return reason; }

    Maris::Environment& environment() { return *sea; }
    MessageCapture& messages() { return capture; }

    // The camera at eye looking at target (z up unless looking straight down, then y up); a
    // perspective of the given vertical field of view, aspect 1, near 0.5 and far 20000.
    void lookAt(const Maris::Vector3& eye, const Maris::Vector3& target, double fovDegrees = 90.0);

private:
    MessageCapture capture;
    std::unique_ptr<GLXTestContext> context;
    std::unique_ptr<Maris::ResourceLoader> loader;
    std::unique_ptr<Maris::Environment> sea;
    bool isReady = false;
    std::string reason;
};
