#pragma once

#include <osg/Geometry>
#include <osg/NodeVisitor>
#include <osg/Transform>

#include <string>
#include <vector>

namespace kelvotest {

// Every vertex of every geometry below a node, carried into world coordinates through the
// transforms above it (switched-off and out-of-range children included): the graph as it is
// drawn, however an optimizer rearranged it.
class WorldVertices : public osg::NodeVisitor
{
public:
    struct Vertex
    {
        osg::Vec3d position;
        const osg::Geometry* geometry;
    };

    WorldVertices() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
    void apply(osg::Drawable& drawable) override
    {
        const osg::Geometry* geometry = drawable.asGeometry();
        const osg::Vec3Array* array =
            geometry ? dynamic_cast<const osg::Vec3Array*>(geometry->getVertexArray()) : nullptr;
        const osg::Matrixd world = osg::computeLocalToWorld(getNodePath());
        for (std::size_t i = 0; array && i < array->size(); ++i)
            vertices_.push_back(Vertex{osg::Vec3d((*array)[i]) * world, geometry});
    }

    const std::vector<Vertex>& vertices() const { return vertices_; }
    // The world positions of the vertices of every geometry with this name, in traversal order.
    std::vector<osg::Vec3d> named(const std::string& name) const
    {
        std::vector<osg::Vec3d> result;
        for (const Vertex& vertex : vertices_)
            if (vertex.geometry->getName() == name)
                result.push_back(vertex.position);
        return result;
    }

private:
    std::vector<Vertex> vertices_;
};

} // namespace kelvotest
