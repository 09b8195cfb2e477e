#pragma once

#include <osg/Vec2d>
#include <osg/Vec3d>

#include <vector>

// Facts about the demo world that several of its generators share. The configuration shipped in
// resources/Resources/Configuration.xml repeats the offset and frames the home view on this world.
namespace DemoWorld {

// Geographic (SWEREF 99 TM-like easting, northing, height) minus scene coordinates. Scene z = 0 is
// the sea surface, 0.25 m above the height system's zero.
const osg::Vec3d GeoOffset(650000.0, 6400000.0, 0.25);

// The terrain covers [-HalfSize, HalfSize] in x and y, metres.
const double HalfSize = 4000.0;

// Places that the buildings and the information points share, scene x and y.
const osg::Vec2d Kelvo(-2700.0, -680.0);
const osg::Vec2d Harbour(-2750.0, -900.0);
const osg::Vec2d Church(-2480.0, -520.0);
const osg::Vec2d Norrby(-150.0, 1500.0);
const osg::Vec2d Ostergarden(1250.0, 1350.0);
const osg::Vec2d Substation(3420.0, 1700.0);
const osg::Vec2d Lighthouse(650.0, -2900.0);

// The power line's angle points, scene x and y, from the substation inland to the harbour.
inline std::vector<osg::Vec2d> lineRoute()
{
    return {{3350.0, 1650.0}, {1900.0, 700.0}, {-350.0, 260.0}, {-2650.0, -150.0}};
}

// The stream from the hills down to the bay, scene x and y.
inline std::vector<osg::Vec2d> streamCourse()
{
    return {{150, 4000}, {-50, 3000}, {-350, 2000}, {-300, 1200}, {-450, 500}, {-650, -100}, {-800, -700}};
}

// Roads, scene x and y, painted into the terrain's textures.
inline std::vector<std::vector<osg::Vec2d>> roads()
{
    return {
        {{-4000.0, 450.0}, {-2900.0, 280.0}, {-1800.0, 700.0}, {-400.0, 900.0}, {900.0, 1250.0},
         {2200.0, 1900.0}, {3300.0, 1900.0}, {4000.0, 2200.0}},
        {{-2850.0, 280.0}, {-2800.0, -150.0}, {-2750.0, -420.0}},
        {{-400.0, 900.0}, {-200.0, 1900.0}, {100.0, 2900.0}, {400.0, 4000.0}},
    };
}

} // namespace DemoWorld
