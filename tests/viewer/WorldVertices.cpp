#include "WorldVertices.h"

#include <osg/Geode>

namespace kelvotest {

WorldVertices::WorldVertices() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}

void WorldVertices::apply(osg::Geode& geode)
{
    for (unsigned i = 0; i < geode.getNumDrawables(); ++i)
        if (osg::Geometry* geometry = geode.getDrawable(i)->asGeometry())
            apply(*geometry);
}

void WorldVertices::apply(osg::Geometry& geometry)
{
    const osg::Vec3Array* array = dynamic_cast<const osg::Vec3Array*>(geometry.getVertexArray());
    if (!array)
        return;
    const osg::Matrixd world = osg::computeLocalToWorld(getNodePath());
    for (const osg::Vec3& v : *array)
        vertices_.push_back(Vertex{osg::Vec3d(v) * world, &geometry});
}

std::vector<osg::Vec3d> WorldVertices::named(const std::string& name) const
{
    std::vector<osg::Vec3d> result;
    for (const Vertex& vertex : vertices_)
        if (vertex.geometry->getName() == name)
            result.push_back(vertex.position);
    return result;
}

} // namespace kelvotest
