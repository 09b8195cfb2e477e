#include "TerrainTextures.h"

#include "DemoWorld.h"
#include "Polylines.h"

#include <osg/Vec3d>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

using Color = osg::Vec3d;

double smoothStep(double edge0, double edge1, double x)
{
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

Color mix(const Color& a, const Color& b, double t)
{
    return a * (1.0 - t) + b * t;
}

double hash01(int i, int j, std::uint32_t salt)
{
    std::uint32_t h = static_cast<std::uint32_t>(i) * 0x8DA6B343u ^ static_cast<std::uint32_t>(j) * 0xD8163841u ^ salt;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return (h & 0xFFFFu) / 65535.0;
}

osg::ref_ptr<osg::Image> newImage(int size)
{
    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(size, size, 1, GL_RGB, GL_UNSIGNED_BYTE);
    return image;
}

void put(osg::Image& image, int i, int j, const Color& c)
{
    unsigned char* p = image.data(i, j);
    for (int k = 0; k < 3; ++k)
        p[k] = static_cast<unsigned char>(std::clamp(c[k], 0.0, 1.0) * 255.0 + 0.5);
}

// Lambert shading of the grid's surface under a light from the north-west, 1 on flat ground.
double hillShade(const HeightGrid& g, int i, int j)
{
    const int l = std::max(i - 1, 0), r = std::min(i + 1, g.cells());
    const int d = std::max(j - 1, 0), u = std::min(j + 1, g.cells());
    const double dx = (g.at(r, j) - g.at(l, j)) / ((r - l) * g.spacing());
    const double dy = (g.at(i, u) - g.at(i, d)) / ((u - d) * g.spacing());
    osg::Vec3d normal(-dx, -dy, 1.0);
    normal.normalize();
    osg::Vec3d light(-0.45, 0.55, 0.7);
    light.normalize();
    return std::clamp(0.35 + 0.65 * (normal * light) / light.z(), 0.45, 1.25);
}

Polylines roadLines()
{
    Polylines roads;
    for (const auto& road : DemoWorld::roads())
        roads.add(road);
    return roads;
}

} // namespace

TerrainTextures::TerrainTextures(const CoastHeightField& field, const HeightGrid& texels)
    : field(field), texels(texels)
{
}

osg::ref_ptr<osg::Image> TerrainTextures::aerial() const
{
    const Color deep(0.07, 0.16, 0.26), shallow(0.47, 0.55, 0.47), sand(0.80, 0.74, 0.58);
    const Color granite(0.63, 0.56, 0.53), meadow(0.43, 0.53, 0.27), shrub(0.35, 0.43, 0.22);
    const Color spruce(0.10, 0.20, 0.10), pine(0.19, 0.27, 0.14), rock(0.55, 0.53, 0.49);
    const Color road(0.50, 0.48, 0.45), water(0.16, 0.26, 0.33), hedge(0.22, 0.30, 0.15);
    const Color crops[] = {{0.74, 0.67, 0.38}, {0.50, 0.60, 0.30}, {0.46, 0.37, 0.27}, {0.62, 0.66, 0.36}};

    Polylines roads = roadLines();
    Polylines corridor, stream;
    corridor.add(DemoWorld::lineRoute());
    stream.add(DemoWorld::streamCourse());

    const int size = texels.cells();
    osg::ref_ptr<osg::Image> image = newImage(size);
    for (int j = 0; j < size; ++j) {
        for (int i = 0; i < size; ++i) {
            const double x = texels.x(i) + 0.5 * texels.spacing(), y = texels.y(j) + 0.5 * texels.spacing();
            const osg::Vec2d p(x, y);
            const double h = texels.at(i, j), slope = texels.slope(i, j);
            const double grain = hash01(i, j, 0x1234u) - 0.5;
            const double patch = field.fractal(x, y, 260.0, 4, 2);
            const double fine = field.fractal(x, y, 22.0, 2, 3);
            Color c;
            if (h < 0.0) {
                c = mix(shallow, deep, std::pow(smoothStep(0.0, 28.0, -h), 0.55));
                c *= 1.0 + 0.10 * fine + 0.03 * grain;
            } else if (h < 1.6 + 1.2 * fine) {
                c = (slope > 0.12 || patch > 0.15) ? granite : sand;
                c *= 1.0 + 0.08 * fine + 0.06 * grain;
            } else {
                // Forest takes what is not farmed, thickest up high.
                const double forest = patch + 0.45 * smoothStep(15.0, 60.0, h) - 0.08 + 0.25 * fine;
                // Farmland lies on the flat ground around the villages.
                double near = 0.0;
                for (const osg::Vec2d& v : {DemoWorld::Norrby, DemoWorld::Kelvo, DemoWorld::Ostergarden})
                    near = std::max(near, std::exp(-(p - v).length2() / (650.0 * 650.0)));
                const double farmland = smoothStep(0.10, 0.04, slope) * smoothStep(45.0, 30.0, h) *
                                        smoothStep(0.25, 0.6, near + 0.2 * patch);
                const double u = x * 0.94 + y * 0.34, v = -x * 0.34 + y * 0.94;
                const int fi = static_cast<int>(std::floor(u / 120.0)), fj = static_cast<int>(std::floor(v / 60.0));
                const double edgeU = std::fabs(u - 120.0 * std::round(u / 120.0));
                const double edgeV = std::fabs(v - 60.0 * std::round(v / 60.0));
                if (farmland > 0.5 && forest < 0.35) {
                    c = crops[static_cast<int>(hash01(fi, fj, 0x77u) * 3.999)];
                    c *= 1.0 + 0.05 * fine + 0.04 * grain;
                    if (std::min(edgeU, edgeV) < 2.0)
                        c = hedge;
                } else if (forest > 0.12) {
                    const double crown = hash01(i / 2, j / 2, 0x99u);
                    c = mix(spruce, pine, smoothStep(-0.2, 0.4, fine)) * (0.75 + 0.5 * crown);
                    if (corridor.distance(p, 40.0) < 22.0)
                        c = shrub * (0.9 + 0.2 * crown);
                } else {
                    c = mix(meadow, shrub, smoothStep(-0.3, 0.3, fine)) * (1.0 + 0.06 * grain);
                }
                const double bare = smoothStep(0.28, 0.5, slope + 0.15 * fine) + smoothStep(95.0, 140.0, h);
                c = mix(c, rock * (1.0 + 0.1 * fine), std::clamp(bare, 0.0, 1.0));
                if (stream.distance(p, 10.0) < 4.0 + 2.0 * fine)
                    c = water;
            }
            const double toRoad = roads.distance(p, 10.0);
            if (toRoad < 3.5 && h > 0.3)
                c = road * (1.0 + 0.05 * grain);
            else if (toRoad < 5.0 && h > 0.3)
                c = mix(c, road, 0.4);
            put(*image, i, j, c * hillShade(texels, i, j));
        }
    }
    return image;
}

osg::ref_ptr<osg::Image> TerrainTextures::map() const
{
    const Color paper(0.96, 0.95, 0.90), contour(0.62, 0.42, 0.25), sea(0.62, 0.80, 0.92);
    const Color deepSea(0.40, 0.62, 0.82), road(0.85, 0.20, 0.15), water(0.25, 0.50, 0.80);
    const Color low(0.76, 0.86, 0.66), high(0.86, 0.76, 0.58);
    Polylines roads = roadLines();
    Polylines stream;
    stream.add(DemoWorld::streamCourse());

    // The map is drawn at half the resolution of the height samples.
    const int size = texels.cells() / 2;
    osg::ref_ptr<osg::Image> image = newImage(size);
    auto band = [](double h, double interval) { return static_cast<int>(std::floor(h / interval)); };
    for (int j = 0; j < size; ++j) {
        for (int i = 0; i < size; ++i) {
            const int gi = 2 * i, gj = 2 * j;
            const double h = texels.at(gi, gj);
            const double x = texels.x(gi) + texels.spacing(), y = texels.y(gj) + texels.spacing();
            const osg::Vec2d p(x, y);
            Color c = h < 0.0 ? mix(sea, deepSea, smoothStep(0.0, 30.0, -h)) : mix(low, high, smoothStep(0.0, 150.0, h));
            c = mix(c, paper, 0.25);
            const double right = texels.at(gi + 2, gj), up = texels.at(gi, gj + 2);
            const bool shore = (h < 0.0) != (right < 0.0) || (h < 0.0) != (up < 0.0);
            const bool index = band(h, 25.0) != band(right, 25.0) || band(h, 25.0) != band(up, 25.0);
            const bool line = band(h, 5.0) != band(right, 5.0) || band(h, 5.0) != band(up, 5.0);
            if (shore)
                c = Color(0.10, 0.30, 0.60);
            else if (index)
                c = contour * 0.8;
            else if (line)
                c = mix(c, contour, h < 0.0 ? 0.35 : 0.6);
            if (h > 0.0 && stream.distance(p, 10.0) < 5.0)
                c = water;
            if (h > 0.3 && roads.distance(p, 10.0) < 5.0)
                c = road;
            put(*image, i, j, c);
        }
    }
    return image;
}
