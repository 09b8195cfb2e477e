#include "PylonBlocks.h"

#include "SolidMesh.h"

namespace {

const osg::Vec4 Steel(0.60f, 0.62f, 0.62f, 1.0f);
const osg::Vec4 Concrete(0.70f, 0.69f, 0.66f, 1.0f);
const osg::Vec4 Glass(0.30f, 0.52f, 0.46f, 1.0f);
const osg::Vec4 Fitting(0.45f, 0.45f, 0.47f, 1.0f);

// Half-width of the tower's square section at height z.
float halfWidth(float z)
{
    return z <= 21.0f ? 3.0f - 2.25f * z / 21.0f : 0.75f - 0.15f * (z - 21.0f) / 4.5f;
}

osg::Vec3 corner(int k, float z)
{
    static const float sx[4] = {1, -1, -1, 1}, sy[4] = {1, 1, -1, -1};
    const float w = halfWidth(z);
    return osg::Vec3(sx[k] * w, sy[k] * w, z);
}

osg::ref_ptr<osg::Geode> geodeOf(const SolidMesh& mesh, const std::string& name)
{
    osg::ref_ptr<osg::Geode> geode = new osg::Geode;
    geode->setName(name);
    geode->addDrawable(mesh.geometry());
    return geode;
}

} // namespace

osg::ref_ptr<osg::Geode> PylonBlocks::body()
{
    SolidMesh mesh;
    const float levels[] = {0.0f, 3.5f, 7.0f, 10.5f, 14.0f, 17.5f, 21.0f, 25.5f};
    const int count = sizeof(levels) / sizeof(levels[0]);
    for (int k = 0; k < 4; ++k) {
        const osg::Vec3 base = corner(k, 0.0f);
        mesh.box(base - osg::Vec3(0.45f, 0.45f, 1.0f), base + osg::Vec3(0.45f, 0.45f, 0.3f), Concrete);
        for (int l = 0; l + 1 < count; ++l) {
            const osg::Vec3 a = corner(k, levels[l]), b = corner(k, levels[l + 1]);
            const osg::Vec3 c = corner((k + 1) % 4, levels[l]), d = corner((k + 1) % 4, levels[l + 1]);
            mesh.beam(a, b, 0.22f, Steel);
            mesh.beam(a, d, 0.08f, Steel);
            mesh.beam(c, b, 0.08f, Steel);
            mesh.beam(b, d, 0.10f, Steel);
        }
        mesh.beam(corner(k, levels[count - 1]), osg::Vec3(0.0f, 0.0f, BodyPeak), 0.14f, Steel);
    }
    // Plan bracing where the cross-arms meet the tower.
    for (float z : {20.0f, 24.5f})
        for (int k = 0; k < 2; ++k)
            mesh.beam(corner(k, z), corner(k + 2, z), 0.08f, Steel);
    return geodeOf(mesh, "Stolpkropp");
}

osg::ref_ptr<osg::Geode> PylonBlocks::crossArm(float length)
{
    SolidMesh mesh;
    const osg::Vec3 rootLeft(0.0f, 0.6f, 0.0f), rootRight(0.0f, -0.6f, 0.0f);
    const osg::Vec3 tipLeft(length, 0.1f, 0.0f), tipRight(length, -0.1f, 0.0f);
    const osg::Vec3 bottomRoot(0.8f, 0.0f, -1.3f), bottomTip(length, 0.0f, -ArmTipDrop);
    mesh.beam(rootLeft, tipLeft, 0.12f, Steel);
    mesh.beam(rootRight, tipRight, 0.12f, Steel);
    mesh.beam(bottomRoot, bottomTip, 0.12f, Steel);
    const int panels = 5;
    for (int p = 0; p <= panels; ++p) {
        const float t = static_cast<float>(p) / panels;
        const osg::Vec3 left = rootLeft + (tipLeft - rootLeft) * t, right = rootRight + (tipRight - rootRight) * t;
        const osg::Vec3 bottom = bottomRoot + (bottomTip - bottomRoot) * t;
        mesh.beam(left, right, 0.06f, Steel);
        mesh.beam(left, bottom, 0.06f, Steel);
        mesh.beam(right, bottom, 0.06f, Steel);
    }
    // The hanger the insulator string hangs from.
    mesh.box(bottomTip - osg::Vec3(0.08f, 0.08f, 0.05f), bottomTip + osg::Vec3(0.08f, 0.08f, 0.3f), Fitting);
    return geodeOf(mesh, length > 5.0f ? "Traversarm" : "Traversarm_kort");
}

osg::ref_ptr<osg::Geode> PylonBlocks::insulatorString()
{
    SolidMesh mesh;
    mesh.beam(osg::Vec3(0, 0, 0), osg::Vec3(0, 0, -1), 0.03f, Fitting);
    mesh.box(osg::Vec3(-0.03f, -0.03f, -0.08f), osg::Vec3(0.03f, 0.03f, 0.0f), Fitting);
    const int discs = 12;
    for (int k = 0; k < discs; ++k) {
        const float z = -0.12f - 0.78f * k / (discs - 1);
        mesh.cylinder(0.0f, 0.0f, z - 0.02f, z + 0.005f, 0.13f, 12, Glass);
    }
    mesh.box(osg::Vec3(-0.06f, -0.04f, -1.0f), osg::Vec3(0.06f, 0.04f, -0.93f), Fitting);
    return geodeOf(mesh, "Isolatorkedja");
}
