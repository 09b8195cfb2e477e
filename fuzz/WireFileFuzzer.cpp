// Wire coordinate files: read into scene points and built into the wire's tube, whose strips must
// index only the vertices it has, three per point.

#include "content/powerline/WireFileReader.h"
#include "content/powerline/WireTubeBuilder.h"

#include <osg/PrimitiveSet>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "wire file: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const osg::ref_ptr<osg::Vec3Array> points =
        osgKELVO::WireFileReader::read(in, osg::Vec3d(650000.0, 6400000.0, 0.25));
    const osg::ref_ptr<osg::Geometry> tube = osgKELVO::WireTubeBuilder::build(*points);

    const osg::Array* vertices = tube->getVertexArray();
    check(vertices && vertices->getNumElements() == 3 * points->size(), "not three vertices per point");
    check(tube->getNumPrimitiveSets() == 3, "not three sides");
    for (unsigned k = 0; k < tube->getNumPrimitiveSets(); ++k) {
        const osg::PrimitiveSet* strip = tube->getPrimitiveSet(k);
        check(strip->getNumIndices() == 2 * points->size(), "a side without two indices per point");
        for (unsigned i = 0; i < strip->getNumIndices(); ++i)
            check(strip->index(i) < vertices->getNumElements(), "an index past the last vertex");
    }
    return 0;
}
