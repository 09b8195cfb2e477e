#pragma once

#include "CoastHeightField.h"
#include "SolidMesh.h"

#include <osg/Geode>
#include <osg/Vec2d>
#include <osg/ref_ptr>

#include <vector>

// The buildings of the demo world as one model: falu-red houses with dark roofs in the villages,
// boathouses along the harbour shore, a white church with its tower, the substation at the line's
// end and a lighthouse on the outer island. Each stands on the ground it is placed on.
class Settlements
{
public:
    struct Village
    {
        osg::Vec2d centre;
        double radius;
        int houses;
    };

    Settlements(const CoastHeightField& field, const std::vector<osg::Vec2d>& avoidLine);

    void village(const Village& village);
    void boathouses(const osg::Vec2d& from, const osg::Vec2d& to, int count);
    void church(const osg::Vec2d& at, double headingDegrees);
    void substation(const osg::Vec2d& at, double headingDegrees);
    void lighthouse(const osg::Vec2d& at);

    osg::ref_ptr<osg::Geode> model() const;
    std::size_t buildings() const { return placed.size(); }

private:
    bool free(const osg::Vec2d& p, double clearance) const;
    void house(const osg::Vec2d& at, double headingDegrees, double width, double length, double wallHeight,
               double roofRise, const osg::Vec4& walls, const osg::Vec4& roof);

    const CoastHeightField& field;
    std::vector<osg::Vec2d> line;
    std::vector<osg::Vec2d> placed;
    SolidMesh mesh;
    osg::ref_ptr<osg::Geode> geode;
};
