#include "SeaTestScene.h"

#include <Maris/Matrix4.h>

#include <chrono>
#include <cmath>
#include <thread>

SeaTestScene::SeaTestScene(Maris::Renderer renderer, GLXTestContext::Profile profile,
                           const std::string& resources)
{
    // Under a heavily loaded shared machine the display now and then refuses one connection.
    for (int attempt = 0; attempt < 4; ++attempt) {
        context.reset(new GLXTestContext(profile));
        if (context->isCurrent())
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    if (!context->isCurrent()) {
        reason = context->failure();
        return;
    }
    loader.reset(new Maris::ResourceLoader(resources.c_str(), false));
    sea.reset(new Maris::Environment());
    if (sea->Initialize(Maris::FlatZUp, renderer, loader.get(), nullptr, false) !=
        Maris::EnvironmentInitialized) {
        reason = "the environment did not initialise on " + resources;
        return;
    }
    const double ambient[3] = {1.0, 1.0, 1.0};
    sea->SetAmbientLight(ambient);
    lookAt(Maris::Vector3(0.0, -100.0, 30.0), Maris::Vector3(0.0, 0.0, 0.0));
    isReady = true;
}

SeaTestScene::~SeaTestScene()
{
    sea.reset();
    loader.reset();
    context.reset();
}

void SeaTestScene::lookAt(const Maris::Vector3& eye, const Maris::Vector3& target,
                          double fovDegrees)
{
    const Maris::Vector3 forward = (target - eye).Normalized();
    Maris::Vector3 up(0.0, 0.0, 1.0);
    if (std::fabs(forward.Dot(up)) > 0.99)
        up = Maris::Vector3(0.0, 1.0, 0.0);
    const Maris::Vector3 right = forward.Cross(up).Normalized();
    const Maris::Vector3 trueUp = right.Cross(forward);
    const Maris::Vector3 back = -forward;
    // The camera's placement in the world, rows right, up, back, eye (row vectors).
    const double placement[16] = {right.x, right.y, right.z, 0.0, trueUp.x, trueUp.y, trueUp.z, 0.0,
                                  back.x,  back.y,  back.z,  0.0, eye.x,    eye.y,    eye.z,    1.0};
    const Maris::Matrix4 view = Maris::Matrix4(placement).Inverse();
    sea->SetCameraMatrix(view.Pointer());

    const double nearPlane = 0.5;
    const double farPlane = 20000.0;
    const double f = 1.0 / std::tan(fovDegrees * 3.14159265358979323846 / 360.0);
    double projection[16] = {};
    projection[0] = f;
    projection[5] = f;
    projection[10] = (nearPlane + farPlane) / (nearPlane - farPlane);
    projection[11] = -1.0;
    projection[14] = 2.0 * nearPlane * farPlane / (nearPlane - farPlane);
    sea->SetProjectionMatrix(projection);
}
