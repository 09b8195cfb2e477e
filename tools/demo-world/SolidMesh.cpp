#include "SolidMesh.h"

#include <cmath>

SolidMesh::SolidMesh()
    : geometry_(new osg::Geometry), vertices(new osg::Vec3Array), normals(new osg::Vec3Array),
      colors(new osg::Vec4Array), triangles(new osg::DrawElementsUInt(GL_TRIANGLES))
{
    geometry_->setVertexArray(vertices);
    geometry_->setNormalArray(normals, osg::Array::BIND_PER_VERTEX);
    geometry_->setColorArray(colors, osg::Array::BIND_PER_VERTEX);
    geometry_->addPrimitiveSet(triangles);
}

void SolidMesh::quad(const osg::Vec3& a, const osg::Vec3& b, const osg::Vec3& c, const osg::Vec3& d,
                     const osg::Vec4& color)
{
    osg::Vec3 normal = (b - a) ^ (d - a);
    normal.normalize();
    const unsigned first = static_cast<unsigned>(vertices->size());
    for (const osg::Vec3* v : {&a, &b, &c, &d}) {
        vertices->push_back(*v);
        normals->push_back(normal);
        colors->push_back(color);
    }
    for (unsigned k : {0u, 1u, 2u, 0u, 2u, 3u})
        triangles->push_back(first + k);
}

void SolidMesh::triangle(const osg::Vec3& a, const osg::Vec3& b, const osg::Vec3& c, const osg::Vec4& color)
{
    osg::Vec3 normal = (b - a) ^ (c - a);
    normal.normalize();
    const unsigned first = static_cast<unsigned>(vertices->size());
    for (const osg::Vec3* v : {&a, &b, &c}) {
        vertices->push_back(*v);
        normals->push_back(normal);
        colors->push_back(color);
    }
    for (unsigned k : {0u, 1u, 2u})
        triangles->push_back(first + k);
}

void SolidMesh::beam(const osg::Vec3& a, const osg::Vec3& b, float width, const osg::Vec4& color)
{
    osg::Vec3 axis = b - a;
    axis.normalize();
    const osg::Vec3 helper = std::fabs(axis.z()) < 0.9f ? osg::Vec3(0, 0, 1) : osg::Vec3(1, 0, 0);
    osg::Vec3 s = axis ^ helper;
    s.normalize();
    osg::Vec3 t = s ^ axis;
    s *= 0.5f * width;
    t *= 0.5f * width;
    const osg::Vec3 corners[4] = {s + t, -s + t, -s - t, s - t};
    for (int k = 0; k < 4; ++k) {
        const osg::Vec3& p = corners[k];
        const osg::Vec3& q = corners[(k + 1) % 4];
        quad(a + p, a + q, b + q, b + p, color);
    }
}

void SolidMesh::cylinder(float x, float y, float z0, float z1, float radius, int sides, const osg::Vec4& color)
{
    const osg::Vec3 bottom(x, y, z0), top(x, y, z1);
    for (int k = 0; k < sides; ++k) {
        const float a0 = 2.0f * osg::PIf * k / sides, a1 = 2.0f * osg::PIf * (k + 1) / sides;
        const osg::Vec3 r0(radius * std::cos(a0), radius * std::sin(a0), 0.0f);
        const osg::Vec3 r1(radius * std::cos(a1), radius * std::sin(a1), 0.0f);
        quad(bottom + r0, bottom + r1, top + r1, top + r0, color);
        triangle(top, top + r0, top + r1, color);
        triangle(bottom, bottom + r1, bottom + r0, color);
    }
}

void SolidMesh::box(const osg::Vec3& lo, const osg::Vec3& hi, const osg::Vec4& color)
{
    const osg::Vec3 c[8] = {{lo.x(), lo.y(), lo.z()}, {hi.x(), lo.y(), lo.z()}, {hi.x(), hi.y(), lo.z()},
                            {lo.x(), hi.y(), lo.z()}, {lo.x(), lo.y(), hi.z()}, {hi.x(), lo.y(), hi.z()},
                            {hi.x(), hi.y(), hi.z()}, {lo.x(), hi.y(), hi.z()}};
    quad(c[0], c[1], c[5], c[4], color); // south
    quad(c[1], c[2], c[6], c[5], color); // east
    quad(c[2], c[3], c[7], c[6], color); // north
    quad(c[3], c[0], c[4], c[7], color); // west
    quad(c[4], c[5], c[6], c[7], color); // top
    quad(c[3], c[2], c[1], c[0], color); // bottom
}
