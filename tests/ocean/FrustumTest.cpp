#include "MessageCapture.h"
#include "TemporaryDirectory.h"

#include <Maris/Environment.h>
#include "environment/Frustum.h"
#include <Maris/ResourceLoader.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// glFrustum in the scene graph's layout (the transpose of OpenGL's column-major listing).
Maris::Matrix4 frustumProjection(double left, double right, double bottom, double top, double near,
                                 double far)
{
    Maris::Matrix4 m = Maris::Matrix4::Zero();
    m.elem[0][0] = 2.0 * near / (right - left);
    m.elem[1][1] = 2.0 * near / (top - bottom);
    m.elem[2][0] = (right + left) / (right - left);
    m.elem[2][1] = (top + bottom) / (top - bottom);
    m.elem[2][2] = -(far + near) / (far - near);
    m.elem[2][3] = -1.0;
    m.elem[3][2] = -2.0 * far * near / (far - near);
    return m;
}

void expectPlane(const Maris::Plane& plane, double a, double b, double c, double d)
{
    EXPECT_NEAR(plane.a, a, 1e-9);
    EXPECT_NEAR(plane.b, b, 1e-9);
    EXPECT_NEAR(plane.c, c, 1e-9);
    EXPECT_NEAR(plane.d, d, 1e-9);
}

// An eye at (5, 0, 0) looking down -z with a 90 degree square view, near 1 and far 100: the
// visible half-spaces are z <= -1, z >= -100, and |x - 5| <= -z, |y| <= -z.
class FrustumTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        directory.write("Maris.config", "\n");
        loader = new Maris::ResourceLoader(directory.path().c_str(), false);
        ASSERT_EQ(environment.Initialize(Maris::FlatZUp, Maris::NoRenderer, loader, nullptr, false),
                  Maris::EnvironmentInitialized);
        const Maris::Matrix4 camera = Maris::Matrix4::Translation(Maris::Vector3(-5.0, 0.0, 0.0));
        const Maris::Matrix4 projection = frustumProjection(-1.0, 1.0, -1.0, 1.0, 1.0, 100.0);
        environment.SetCameraMatrix(camera.Pointer());
        environment.SetProjectionMatrix(projection.Pointer());
    }
    void TearDown() override { delete loader; }

    MessageCapture messages;
    TemporaryDirectory directory;
    Maris::ResourceLoader* loader = nullptr;
    Maris::Environment environment;
};

const double root = std::sqrt(0.5);

} // namespace

TEST_F(FrustumTest, PlanesInTheOrderNearLeftRightTopBottomFar)
{
    const Maris::Frustum* frustum = environment.GetFrustum();
    ASSERT_NE(frustum, nullptr);
    EXPECT_EQ(frustum->numPlanes, 6);
    expectPlane(frustum->planes[0], 0.0, 0.0, -1.0, -1.0);        // near: -z - 1 >= 0
    expectPlane(frustum->planes[1], root, 0.0, -root, -5.0 * root); // left: x - 5 - z >= 0
    expectPlane(frustum->planes[2], -root, 0.0, -root, 5.0 * root); // right: 5 - x - z >= 0
    expectPlane(frustum->planes[3], 0.0, -root, -root, 0.0);       // top: -y - z >= 0
    expectPlane(frustum->planes[4], 0.0, root, -root, 0.0);        // bottom: y - z >= 0
    expectPlane(frustum->planes[5], 0.0, 0.0, 1.0, 100.0);         // far: z + 100 >= 0
}

TEST_F(FrustumTest, SpheresInsideAreKeptAndSpheresOutsideCulled)
{
    EXPECT_FALSE(environment.CullSphere(Maris::Vector3(5.0, 0.0, -50.0), 1.0));
    EXPECT_FALSE(environment.CullSphere(Maris::Vector3(5.0, 0.0, -50.0), 0.0));
    // Behind the eye, beyond the far plane, and off to each side.
    EXPECT_TRUE(environment.CullSphere(Maris::Vector3(5.0, 0.0, 10.0), 1.0));
    EXPECT_TRUE(environment.CullSphere(Maris::Vector3(5.0, 0.0, -150.0), 10.0));
    EXPECT_TRUE(environment.CullSphere(Maris::Vector3(-60.0, 0.0, -50.0), 1.0));
    EXPECT_TRUE(environment.CullSphere(Maris::Vector3(70.0, 0.0, -50.0), 1.0));
    EXPECT_TRUE(environment.CullSphere(Maris::Vector3(5.0, 60.0, -50.0), 1.0));
    EXPECT_TRUE(environment.CullSphere(Maris::Vector3(5.0, -60.0, -50.0), 1.0));
}

TEST_F(FrustumTest, SpheresCuttingAPlaneAreKept)
{
    EXPECT_FALSE(environment.CullSphere(Maris::Vector3(5.0, 0.0, -1.0), 0.5));
    EXPECT_FALSE(environment.CullSphere(Maris::Vector3(5.0, 0.0, -100.5), 1.0));
    EXPECT_FALSE(environment.CullSphere(Maris::Vector3(-45.0, 0.0, -50.0), 2.0));
    // A sphere that cuts a plane earlier in the order is kept without looking at the later ones,
    // even when it lies beyond one of those.
    EXPECT_FALSE(environment.CullSphere(Maris::Vector3(-100.0, 0.0, -1.0), 2.0));
}

TEST_F(FrustumTest, FrustumFollowsTheCamera)
{
    // Turned half a turn about y: now looking down +z from (5, 0, 0).
    Maris::Matrix4 turn;
    turn.elem[0][0] = -1.0;
    turn.elem[2][2] = -1.0;
    const Maris::Matrix4 camera = Maris::Matrix4::Translation(Maris::Vector3(-5.0, 0.0, 0.0)) * turn;
    environment.SetCameraMatrix(camera.Pointer());
    EXPECT_TRUE(environment.CullSphere(Maris::Vector3(5.0, 0.0, -50.0), 1.0));
    EXPECT_FALSE(environment.CullSphere(Maris::Vector3(5.0, 0.0, 50.0), 1.0));
    expectPlane(environment.GetFrustum()->planes[0], 0.0, 0.0, 1.0, -1.0);
}
