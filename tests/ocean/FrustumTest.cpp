#include "OceanScene.h"

#include <gtest/gtest.h>

#include <cmath>

// An eye at (5, 0, 0) looking down -z with a 90 degree square view, near 1 and far 100: the
// visible half-spaces are z <= -1, z >= -100, |x - 5| <= -z and |y| <= -z.
TEST(FrustumTest, OnlySpheresWhollyOutsideAreCulledAndTheFrustumFollowsTheCamera)
{
    OceanScene scene(OceanScene::bareOptions("\n"));
    ASSERT_TRUE(scene.ready()) << scene.failure();
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
