#pragma once

#include "CoastHeightField.h"

#include <osg/Vec2d>
#include <osg/Vec3d>

#include <string>
#include <vector>

// The demo line: pylons every 300 m or so along the route, angle pylons at its turns, each tower
// turned so that its cross-arms lie across the line (along the bisector at a turn), three phase
// conductors and an earth wire hanging in catenaries between them. Writes the pylon coordinate
// list and one wire file per conductor in geographic coordinates.
class PowerlineRoute
{
public:
    struct Pylon
    {
        int number;
        osg::Vec3d geo;          // exactly representable in single precision, as the viewer reads it
        osg::Vec3d scene;        // geo less the offset
        double headingGon;
        double footingDrop;      // frame translation down, so that every leg reaches the ground
        double swing;            // suspension strings lean this far towards the inside of a turn
    };

    PowerlineRoute(const CoastHeightField& field, const std::vector<osg::Vec2d>& route, const osg::Vec3d& offset);

    const std::vector<Pylon>& pylons() const { return pylons_; }

    std::string pylonList() const;
    // Conductor k (0 to 2: lower right, lower left, upper left; 3: earth wire), geographic points.
    std::string wireFile(int k) const;
    static const char* wireName(int k);

    // Lowest height of any conductor above the ground, metres, over all spans.
    double lowestClearance() const;

private:
    osg::Vec3d attachment(const Pylon& pylon, int k) const;
    std::vector<osg::Vec3d> wire(int k) const;

    const CoastHeightField& field;
    osg::Vec3d offset;
    std::vector<Pylon> pylons_;
};
