#pragma once

#include <osg/Geometry>
#include <osg/NodeVisitor>

#include <string>

namespace osgKELVO {

// Looks for geometry that would make drawing read past its own data: primitives that use vertices
// the geometry does not hold, and per-vertex arrays shorter than its vertex array. Loader plug-ins
// hand back such geometry for a file cut short (the text format reads up to the cut) without any
// sign of failure; drawn, it reads out of bounds.
class GeometryIntegrityVisitor : public osg::NodeVisitor
{
public:
    GeometryIntegrityVisitor();

    void apply(osg::Geometry& geometry) override;

    bool isDamaged() const { return !problem.empty(); }
    // What is wrong with the first damaged geometry found, or an empty text.
    const std::string& getProblem() const { return problem; }

private:
    std::string check(const osg::Geometry& geometry) const;

    std::string problem;
};

} // namespace osgKELVO
