#include "Settlements.h"

#include "DemoWorld.h"
#include "Polylines.h"
#include "SolidMesh.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

const osg::Vec4 FaluRed(0.52f, 0.13f, 0.09f, 1.0f);
const osg::Vec4 White(0.92f, 0.91f, 0.87f, 1.0f);
const osg::Vec4 DarkRoof(0.20f, 0.20f, 0.22f, 1.0f);
const osg::Vec4 TileRoof(0.42f, 0.20f, 0.14f, 1.0f);
const osg::Vec4 Yellow(0.85f, 0.72f, 0.40f, 1.0f);
const osg::Vec4 Grey(0.55f, 0.55f, 0.53f, 1.0f);
const osg::Vec4 Gravel(0.62f, 0.60f, 0.56f, 1.0f);
const osg::Vec4 Red(0.75f, 0.12f, 0.10f, 1.0f);

double random01(std::uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / 16777216.0;
}

osg::Vec3 local(const osg::Vec2d& at, double c, double s, double x, double y, double z)
{
    return osg::Vec3(static_cast<float>(at.x() + x * c - y * s), static_cast<float>(at.y() + x * s + y * c),
                     static_cast<float>(z));
}

} // namespace

Settlements::Settlements(const CoastHeightField& field, const std::vector<osg::Vec2d>& avoidLine)
    : field(field), line(avoidLine), geode(new osg::Geode)
{
    geode->setName("Bebyggelse");
    geode->addDrawable(mesh.geometry());
}

bool Settlements::free(const osg::Vec2d& p, double clearance) const
{
    for (const osg::Vec2d& q : placed)
        if ((p - q).length() < clearance)
            return false;
    Polylines roads, route;
    for (const auto& road : DemoWorld::roads())
        roads.add(road);
    route.add(line);
    return roads.distance(p, 20.0) > 9.0 && route.distance(p, 60.0) > 45.0;
}

void Settlements::house(const osg::Vec2d& at, double headingDegrees, double width, double length,
                        double wallHeight, double roofRise, const osg::Vec4& walls, const osg::Vec4& roof)
{
    const double c = std::cos(osg::DegreesToRadians(headingDegrees)), s = std::sin(osg::DegreesToRadians(headingDegrees));
    const double hx = length / 2.0, hy = width / 2.0;
    double lowest = 1e30, highest = -1e30;
    for (double x : {-hx, hx})
        for (double y : {-hy, hy}) {
            const double h = field.height(at.x() + x * c - y * s, at.y() + x * s + y * c);
            lowest = std::min(lowest, h);
            highest = std::max(highest, h);
        }
    const double z0 = lowest - 0.5, z1 = highest + wallHeight, z2 = z1 + roofRise;
    auto P = [&](double x, double y, double z) { return local(at, c, s, x, y, z); };
    mesh.quad(P(-hx, -hy, z0), P(hx, -hy, z0), P(hx, -hy, z1), P(-hx, -hy, z1), walls);
    mesh.quad(P(hx, hy, z0), P(-hx, hy, z0), P(-hx, hy, z1), P(hx, hy, z1), walls);
    mesh.quad(P(hx, -hy, z0), P(hx, hy, z0), P(hx, hy, z1), P(hx, -hy, z1), walls);
    mesh.quad(P(-hx, hy, z0), P(-hx, -hy, z0), P(-hx, -hy, z1), P(-hx, hy, z1), walls);
    mesh.triangle(P(hx, -hy, z1), P(hx, hy, z1), P(hx, 0, z2), walls);
    mesh.triangle(P(-hx, hy, z1), P(-hx, -hy, z1), P(-hx, 0, z2), walls);
    const double eave = 0.5;
    mesh.quad(P(-hx - eave, -hy - eave, z1 - 0.3), P(hx + eave, -hy - eave, z1 - 0.3), P(hx + eave, 0, z2),
               P(-hx - eave, 0, z2), roof);
    mesh.quad(P(hx + eave, hy + eave, z1 - 0.3), P(-hx - eave, hy + eave, z1 - 0.3), P(-hx - eave, 0, z2),
               P(hx + eave, 0, z2), roof);
    placed.push_back(at);
}

void Settlements::village(const Village& village)
{
    // Through a signed integer: villages west or south of the origin give a negative seed, which
    // has no unsigned value of its own; its low 32 bits are the seed.
    std::uint32_t state = static_cast<std::uint32_t>(
        static_cast<std::int64_t>(village.centre.x() * 31 + village.centre.y() * 17));
    int built = 0;
    for (int attempt = 0; attempt < village.houses * 40 && built < village.houses; ++attempt) {
        const double r = village.radius * std::sqrt(random01(state)), a = 2.0 * osg::PI * random01(state);
        const osg::Vec2d p = village.centre + osg::Vec2d(r * std::cos(a), r * std::sin(a));
        const double h = field.height(p.x(), p.y());
        const double slope = std::fabs(field.height(p.x() + 8, p.y()) - field.height(p.x() - 8, p.y())) / 16.0 +
                             std::fabs(field.height(p.x(), p.y() + 8) - field.height(p.x(), p.y() - 8)) / 16.0;
        if (h < 2.0 || slope > 0.25 || !free(p, 24.0))
            continue;
        const double pick = random01(state);
        const osg::Vec4& walls = pick < 0.7 ? FaluRed : (pick < 0.85 ? Yellow : White);
        const double heading = std::floor(random01(state) * 4.0) * 90.0 + 20.0 + 10.0 * random01(state);
        house(p, heading, 7.0 + 2.0 * random01(state), 10.0 + 4.0 * random01(state), 4.5, 3.0, walls,
              random01(state) < 0.6 ? DarkRoof : TileRoof);
        // A smaller barn or shed beside some houses.
        if (random01(state) < 0.4)
            house(p + osg::Vec2d(14.0, 0.0), heading + 90.0, 5.0, 7.0, 3.0, 1.8, FaluRed, DarkRoof);
        ++built;
    }
}

void Settlements::boathouses(const osg::Vec2d& from, const osg::Vec2d& to, int count)
{
    for (int k = 0; k < count; ++k) {
        const double t = count > 1 ? static_cast<double>(k) / (count - 1) : 0.5;
        osg::Vec2d p = from + (to - from) * t;
        // Walk towards the water until the ground is just above it.
        for (int step = 0; step < 60 && field.height(p.x(), p.y()) > 1.2; ++step)
            p.y() -= 4.0;
        const osg::Vec2d along = to - from;
        house(p, osg::RadiansToDegrees(std::atan2(along.y(), along.x())) + 90.0, 5.0, 7.0, 3.2, 2.0, FaluRed,
              DarkRoof);
    }
}

void Settlements::church(const osg::Vec2d& at, double headingDegrees)
{
    house(at, headingDegrees, 11.0, 26.0, 8.0, 6.0, White, DarkRoof);
    const double c = std::cos(osg::DegreesToRadians(headingDegrees)), s = std::sin(osg::DegreesToRadians(headingDegrees));
    const osg::Vec2d tower = at + osg::Vec2d(-16.0 * c, -16.0 * s);
    const double z0 = field.height(tower.x(), tower.y()) - 0.5, z1 = z0 + 24.0, top = z1 + 14.0;
    mesh.box(osg::Vec3(tower.x() - 3.5, tower.y() - 3.5, z0), osg::Vec3(tower.x() + 3.5, tower.y() + 3.5, z1), White);
    const osg::Vec3 apex(tower.x(), tower.y(), top);
    const osg::Vec3 corners[4] = {{float(tower.x() - 3.8), float(tower.y() - 3.8), float(z1)},
                                  {float(tower.x() + 3.8), float(tower.y() - 3.8), float(z1)},
                                  {float(tower.x() + 3.8), float(tower.y() + 3.8), float(z1)},
                                  {float(tower.x() - 3.8), float(tower.y() + 3.8), float(z1)}};
    for (int k = 0; k < 4; ++k)
        mesh.triangle(corners[k], corners[(k + 1) % 4], apex, DarkRoof);
    placed.push_back(tower);
}

void Settlements::substation(const osg::Vec2d& at, double headingDegrees)
{
    const double z = field.height(at.x(), at.y());
    mesh.box(osg::Vec3(at.x() - 45, at.y() - 35, z - 1.0), osg::Vec3(at.x() + 45, at.y() + 35, z + 0.3), Gravel);
    for (int row = 0; row < 3; ++row)
        for (int bay = 0; bay < 4; ++bay) {
            const float x = static_cast<float>(at.x() - 30 + bay * 16), y = static_cast<float>(at.y() - 18 + row * 14);
            mesh.box(osg::Vec3(x - 1.5f, y - 1.0f, z), osg::Vec3(x + 1.5f, y + 1.0f, z + 3.5), Grey);
            mesh.beam(osg::Vec3(x, y, z + 3.5), osg::Vec3(x, y, z + 9.0), 0.3f, Grey);
        }
    house(at + osg::Vec2d(30, 22), headingDegrees, 8.0, 14.0, 4.0, 1.5, Yellow, DarkRoof);
}

void Settlements::lighthouse(const osg::Vec2d& at)
{
    const float z = static_cast<float>(field.height(at.x(), at.y())) - 0.5f;
    mesh.cylinder(at.x(), at.y(), z, z + 14.0f, 2.2f, 16, White);
    mesh.cylinder(at.x(), at.y(), z + 14.0f, z + 17.0f, 2.5f, 16, Red);
    mesh.cylinder(at.x(), at.y(), z + 17.0f, z + 19.0f, 1.4f, 16, DarkRoof);
    placed.push_back(at);
}

osg::ref_ptr<osg::Geode> Settlements::model() const
{
    return geode;
}
