#pragma once

#include <osg/Geometry>
#include <osg/Vec3>
#include <osg/Vec4>
#include <osg/ref_ptr>

// Collects flat-shaded solids (beams between two points, cylinders, boxes) into one lit geometry
// with per-vertex colors: the building blocks and houses are made of these.
class SolidMesh
{
public:
    SolidMesh();

    // A square beam of the given width from a to b.
    void beam(const osg::Vec3& a, const osg::Vec3& b, float width, const osg::Vec4& color);
    // A closed cylinder along z from z0 to z1 at (x, y), with `sides` facets.
    void cylinder(float x, float y, float z0, float z1, float radius, int sides, const osg::Vec4& color);
    // A quadrilateral face; the corners run anticlockwise seen from outside.
    void quad(const osg::Vec3& a, const osg::Vec3& b, const osg::Vec3& c, const osg::Vec3& d, const osg::Vec4& color);
    void triangle(const osg::Vec3& a, const osg::Vec3& b, const osg::Vec3& c, const osg::Vec4& color);
    // An axis-aligned box from min to max.
    void box(const osg::Vec3& min, const osg::Vec3& max, const osg::Vec4& color);

    osg::ref_ptr<osg::Geometry> geometry() const { return geometry_; }

private:
    osg::ref_ptr<osg::Geometry> geometry_;
    osg::ref_ptr<osg::Vec3Array> vertices;
    osg::ref_ptr<osg::Vec3Array> normals;
    osg::ref_ptr<osg::Vec4Array> colors;
    osg::ref_ptr<osg::DrawElementsUInt> triangles;
};
