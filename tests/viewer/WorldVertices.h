#pragma once

#include <osg/Geometry>
#include <osg/NodeVisitor>

#include <string>
#include <vector>

namespace kelvotest {

// Every vertex of every geometry below a node, carried into world coordinates through the
// transforms above it (switched-off and out-of-range children included). It sees the graph the
// way it is drawn, however an optimizer rearranged it.
class WorldVertices : public osg::NodeVisitor
{
public:
    struct Vertex
    {
        osg::Vec3d position;
        const osg::Geometry* geometry;
    };

    WorldVertices();
    void apply(osg::Geode& geode) override;
    void apply(osg::Geometry& geometry) override;

    const std::vector<Vertex>& vertices() const { return vertices_; }
    // The world positions of the vertices of every geometry with this name, in traversal order.
    std::vector<osg::Vec3d> named(const std::string& name) const;

private:
    std::vector<Vertex> vertices_;
};

} // namespace kelvotest
