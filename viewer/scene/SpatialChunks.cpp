#include "scene/SpatialChunks.h"

#include <osg/Geometry>
#include <osg/NodeVisitor>
#include <osg/TriangleIndexFunctor>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace osgKELVO {

namespace {

struct TriangleIndices
{
    std::vector<unsigned>* indices = nullptr;
    void operator()(unsigned a, unsigned b, unsigned c)
    {
        indices->push_back(a);
        indices->push_back(b);
        indices->push_back(c);
    }
};

bool perVertex(const osg::Array* array, unsigned vertices)
{
    return array && array->getBinding() == osg::Array::BIND_PER_VERTEX && array->getNumElements() == vertices;
}

// An attribute the pieces can keep: absent, one value for all, or one per vertex.
bool keepable(const osg::Array* array, unsigned vertices)
{
    return !array || array->getBinding() == osg::Array::BIND_OVERALL || perVertex(array, vertices);
}

bool eligible(const osg::Geometry& geometry)
{
    const osg::Vec3Array* vertices = dynamic_cast<const osg::Vec3Array*>(geometry.getVertexArray());
    if (!vertices || geometry.getUpdateCallback() || geometry.getCullCallback() ||
        geometry.getDrawCallback() || geometry.getComputeBoundingBoxCallback() || geometry.getShape() ||
        geometry.getDataVariance() == osg::Object::DYNAMIC || !geometry.getVertexAttribArrayList().empty() ||
        geometry.getSecondaryColorArray() || geometry.getFogCoordArray())
        return false;
    const unsigned count = vertices->getNumElements();
    if (!keepable(geometry.getNormalArray(), count) || !keepable(geometry.getColorArray(), count))
        return false;
    for (const osg::ref_ptr<osg::Array>& texCoords : geometry.getTexCoordArrayList())
        if (texCoords && !perVertex(texCoords.get(), count))
            return false;
    for (unsigned i = 0; i < geometry.getNumPrimitiveSets(); ++i) {
        const GLenum mode = geometry.getPrimitiveSet(i)->getMode();
        if (mode != GL_TRIANGLES && mode != GL_TRIANGLE_STRIP && mode != GL_TRIANGLE_FAN &&
            mode != GL_QUADS && mode != GL_QUAD_STRIP && mode != GL_POLYGON)
            return false;
    }
    return geometry.getNumPrimitiveSets() > 0;
}

// The elements of source at the given indices, in a new array of the same type and binding.
osg::ref_ptr<osg::Array> gather(const osg::Array& source, const std::vector<unsigned>& indices)
{
    osg::ref_ptr<osg::Array> target = static_cast<osg::Array*>(source.cloneType());
    target->setBinding(source.getBinding());
    target->setNormalize(source.getNormalize());
    target->resizeArray(static_cast<unsigned>(indices.size()));
    const unsigned size = source.getElementSize();
    const char* from = static_cast<const char*>(source.getDataPointer());
    char* to = static_cast<char*>(const_cast<GLvoid*>(target->getDataPointer()));
    for (std::size_t i = 0; i < indices.size(); ++i)
        std::memcpy(to + i * size, from + static_cast<std::size_t>(indices[i]) * size, size);
    return target;
}

osg::ref_ptr<osg::Array> gatherOrShare(osg::Array* source, const std::vector<unsigned>& indices)
{
    if (!source || source->getBinding() != osg::Array::BIND_PER_VERTEX)
        return source;
    return gather(*source, indices);
}

osg::ref_ptr<osg::Geometry> piece(const osg::Geometry& whole, const std::vector<unsigned>& used,
                                  const std::vector<unsigned>& triangles)
{
    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setName(whole.getName());
    geometry->setStateSet(const_cast<osg::StateSet*>(whole.getStateSet()));
    geometry->setDataVariance(whole.getDataVariance());
    geometry->setUseDisplayList(whole.getUseDisplayList());
    geometry->setUseVertexBufferObjects(whole.getUseVertexBufferObjects());
    geometry->setNodeMask(whole.getNodeMask());
    geometry->setVertexArray(gather(*whole.getVertexArray(), used));
    geometry->setNormalArray(gatherOrShare(const_cast<osg::Array*>(whole.getNormalArray()), used));
    geometry->setColorArray(gatherOrShare(const_cast<osg::Array*>(whole.getColorArray()), used));
    for (unsigned unit = 0; unit < whole.getNumTexCoordArrays(); ++unit)
        if (const osg::Array* texCoords = whole.getTexCoordArray(unit))
            geometry->setTexCoordArray(unit, gather(*texCoords, used));
    if (used.size() <= 0xFFFFu)
        geometry->addPrimitiveSet(new osg::DrawElementsUShort(GL_TRIANGLES, triangles.begin(), triangles.end()));
    else
        geometry->addPrimitiveSet(new osg::DrawElementsUInt(GL_TRIANGLES, triangles.begin(), triangles.end()));
    return geometry;
}

// The pieces of a geometry, or none when it is small enough to stay whole.
std::vector<osg::ref_ptr<osg::Geometry>> pieces(const osg::Geometry& whole)
{
    osg::TriangleIndexFunctor<TriangleIndices> collect;
    std::vector<unsigned> indices;
    collect.indices = &indices;
    whole.accept(collect);
    const std::size_t triangleCount = indices.size() / 3;
    if (triangleCount < 2 * SpatialChunks::TrianglesPerChunk)
        return {};

    const osg::Vec3Array& vertices = static_cast<const osg::Vec3Array&>(*whole.getVertexArray());
    for (unsigned index : indices)
        if (index >= vertices.size())
            return {};
    const osg::BoundingBox& box = whole.getBoundingBox();
    // The grid lies across the two longest sides of the box.
    const osg::Vec3 extent = box._max - box._min;
    int axes[3] = {0, 1, 2};
    std::sort(axes, axes + 3, [&extent](int a, int b) { return extent[a] > extent[b]; });
    const unsigned side = std::min(
        16u, static_cast<unsigned>(std::ceil(std::sqrt(double(triangleCount) / SpatialChunks::TrianglesPerChunk))));
    auto cellOf = [&](std::size_t t) {
        unsigned cell[2];
        for (int k = 0; k < 2; ++k) {
            const int axis = axes[k];
            const float centre = (vertices[indices[3 * t]][axis] + vertices[indices[3 * t + 1]][axis] +
                                  vertices[indices[3 * t + 2]][axis]) / 3.0f;
            const float along = extent[axis] > 0.0f ? (centre - box._min[axis]) / extent[axis] : 0.0f;
            cell[k] = std::min(side - 1, static_cast<unsigned>(std::max(0.0f, along) * side));
        }
        return cell[1] * side + cell[0];
    };

    std::vector<std::vector<std::size_t>> byCell(side * side);
    for (std::size_t t = 0; t < triangleCount; ++t)
        byCell[cellOf(t)].push_back(t);

    std::vector<osg::ref_ptr<osg::Geometry>> result;
    std::vector<unsigned> remap(vertices.size(), ~0u);
    for (const std::vector<std::size_t>& cell : byCell) {
        if (cell.empty())
            continue;
        std::vector<unsigned> used, triangles;
        triangles.reserve(cell.size() * 3);
        for (std::size_t t : cell)
            for (int corner = 0; corner < 3; ++corner) {
                const unsigned original = indices[3 * t + corner];
                if (remap[original] == ~0u) {
                    remap[original] = static_cast<unsigned>(used.size());
                    used.push_back(original);
                }
                triangles.push_back(remap[original]);
            }
        result.push_back(piece(whole, used, triangles));
        for (unsigned original : used)
            remap[original] = ~0u;
    }
    return result;
}

class Collector : public osg::NodeVisitor
{
public:
    Collector() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}
    void apply(osg::Geometry& geometry) override
    {
        if (eligible(geometry))
            found.push_back(&geometry);
    }
    std::vector<osg::ref_ptr<osg::Geometry>> found;
};

} // namespace

unsigned SpatialChunks::split(osg::Node* node)
{
    if (!node)
        return 0;
    Collector collector;
    node->accept(collector);
    unsigned split = 0;
    for (const osg::ref_ptr<osg::Geometry>& whole : collector.found) {
        // Reached once through each parent; split already when it has none left.
        if (whole->getNumParents() == 0)
            continue;
        const std::vector<osg::ref_ptr<osg::Geometry>> parts = pieces(*whole);
        if (parts.empty())
            continue;
        // Every parent gets the pieces: a geometry shared by two transforms is split once.
        const osg::Node::ParentList parents = whole->getParents();
        for (osg::Group* parent : parents) {
            parent->removeChild(whole.get());
            for (const osg::ref_ptr<osg::Geometry>& part : parts)
                parent->addChild(part.get());
        }
        ++split;
    }
    return split;
}

} // namespace osgKELVO
