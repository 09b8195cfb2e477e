#include "util/GeometryIntegrityVisitor.h"

#include <algorithm>
#include <sstream>

namespace osgKELVO {

namespace {

// One past the highest vertex a primitive set uses, or 0 when it uses none.
unsigned long long verticesUsed(const osg::PrimitiveSet& primitives)
{
    // Array draws would be walked index by index; their range is known.
    if (const osg::DrawArrays* arrays = dynamic_cast<const osg::DrawArrays*>(&primitives))
        return arrays->getCount() > 0 ? static_cast<unsigned long long>(arrays->getFirst()) + arrays->getCount() : 0;
    if (const osg::DrawArrayLengths* lengths = dynamic_cast<const osg::DrawArrayLengths*>(&primitives)) {
        unsigned long long total = 0;
        for (GLsizei length : *lengths)
            total += static_cast<unsigned long long>(std::max(length, 0));
        return total > 0 ? static_cast<unsigned long long>(lengths->getFirst()) + total : 0;
    }
    unsigned long long used = 0;
    const unsigned count = primitives.getNumIndices();
    for (unsigned i = 0; i < count; ++i)
        used = std::max<unsigned long long>(used, static_cast<unsigned long long>(primitives.index(i)) + 1);
    return used;
}

const char* shortArrayName(const osg::Geometry& geometry, unsigned vertices, unsigned primitiveSets)
{
    auto isShort = [&](const osg::Array* array) {
        if (!array)
            return false;
        switch (array->getBinding()) {
        case osg::Array::BIND_PER_VERTEX:
            return array->getNumElements() < vertices;
        case osg::Array::BIND_OVERALL:
            return array->getNumElements() < 1;
        case osg::Array::BIND_PER_PRIMITIVE_SET:
            return array->getNumElements() < primitiveSets;
        default:
            return false;
        }
    };
    if (isShort(geometry.getNormalArray()))
        return "normal";
    if (isShort(geometry.getColorArray()))
        return "colour";
    if (isShort(geometry.getSecondaryColorArray()))
        return "secondary colour";
    if (isShort(geometry.getFogCoordArray()))
        return "fog coordinate";
    for (unsigned unit = 0; unit < geometry.getNumTexCoordArrays(); ++unit)
        if (isShort(geometry.getTexCoordArray(unit)))
            return "texture coordinate";
    for (unsigned index = 0; index < geometry.getNumVertexAttribArrays(); ++index)
        if (isShort(geometry.getVertexAttribArray(index)))
            return "vertex attribute";
    return nullptr;
}

} // namespace

GeometryIntegrityVisitor::GeometryIntegrityVisitor() : osg::NodeVisitor(TRAVERSE_ALL_CHILDREN) {}

void GeometryIntegrityVisitor::apply(osg::Geometry& geometry)
{
    if (problem.empty())
        problem = check(geometry);
}

std::string GeometryIntegrityVisitor::check(const osg::Geometry& geometry) const
{
    // Geometry for shaders may carry its positions as vertex attribute 0 instead; geometry with
    // neither has nothing to read past.
    const osg::Array* positions = geometry.getVertexArray();
    if (!positions && geometry.getNumVertexAttribArrays() > 0)
        positions = geometry.getVertexAttribArray(0);
    if (!positions)
        return std::string();
    const unsigned vertices = positions->getNumElements();
    std::ostringstream report;
    for (unsigned i = 0; i < geometry.getNumPrimitiveSets(); ++i) {
        const osg::PrimitiveSet* primitives = geometry.getPrimitiveSet(i);
        const unsigned long long used = primitives ? verticesUsed(*primitives) : 0;
        if (used > vertices) {
            report << "a geometry draws " << used << " vertices but holds " << vertices;
            return report.str();
        }
    }
    if (const char* name = shortArrayName(geometry, vertices, geometry.getNumPrimitiveSets())) {
        report << "a geometry of " << vertices << " vertices has too few " << name << " values";
        return report.str();
    }
    return std::string();
}

} // namespace osgKELVO
