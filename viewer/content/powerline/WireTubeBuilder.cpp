#include "content/powerline/WireTubeBuilder.h"

#include <cmath>

namespace osgKELVO {

namespace {

bool isZero(const osg::Vec3& v)
{
    return v.x() == 0.0f && v.y() == 0.0f && v.z() == 0.0f;
}

} // namespace

osg::Vec3 WireTubeBuilder::direction(const osg::Vec3Array& points, unsigned i, const osg::Vec3& previous)
{
    const unsigned n = static_cast<unsigned>(points.size());
    osg::Vec3 d;
    if (i + 1 < n)
        d = points[i + 1] - points[i];
    if (isZero(d) && i > 0)
        d = points[i] - points[i - 1];
    if (isZero(d))
        d = previous;
    for (unsigned j = i + 1; isZero(d) && j < n; ++j)
        d = points[j] - points[i];
    if (isZero(d))
        d.set(1.0f, 0.0f, 0.0f);
    d.normalize();
    return d;
}

osg::ref_ptr<osg::Geometry> WireTubeBuilder::build(const osg::Vec3Array& points)
{
    const float s = Radius * std::sin(osg::DegreesToRadians(30.0f));
    const float c = Radius * std::cos(osg::DegreesToRadians(30.0f));
    const unsigned n = static_cast<unsigned>(points.size());

    osg::ref_ptr<osg::Vec3Array> vertices = new osg::Vec3Array;
    vertices->reserve(3 * n);
    osg::Vec3 previous;
    for (unsigned i = 0; i < n; ++i) {
        const osg::Vec3 d = direction(points, i, previous);
        previous = d;
        const osg::Vec3 w(d.y(), -d.x(), 0.0f);
        const osg::Vec3& p = points[i];
        vertices->push_back(p + osg::Vec3(0.0f, 0.0f, -Radius));
        vertices->push_back(p + w * c + osg::Vec3(0.0f, 0.0f, s));
        vertices->push_back(p - w * c + osg::Vec3(0.0f, 0.0f, s));
    }

    osg::ref_ptr<osg::Geometry> geometry = new osg::Geometry;
    geometry->setVertexArray(vertices);
    osg::ref_ptr<osg::Vec4Array> colors = new osg::Vec4Array;
    colors->push_back(osg::Vec4(0.25f, 0.25f, 0.25f, 1.0f));
    geometry->setColorArray(colors, osg::Array::BIND_OVERALL);
    for (unsigned k = 0; k < 3; ++k) {
        osg::ref_ptr<osg::DrawElementsUInt> strip = new osg::DrawElementsUInt(GL_TRIANGLE_STRIP);
        strip->reserve(2 * n);
        for (unsigned i = 0; i < n; ++i) {
            strip->push_back(3 * i + k);
            strip->push_back(3 * i + (k + 1) % 3);
        }
        geometry->addPrimitiveSet(strip);
    }
    return geometry;
}

} // namespace osgKELVO
