#pragma once

#include <osg/Node>

namespace osgKELVO {

// Splits each geometry of many triangles into pieces by area, so that the cull traversal can leave
// out what lies outside the view: a terrain of one geometry is otherwise drawn whole from any
// viewpoint, its every vertex processed, which on a software rasteriser is most of a frame. The
// pieces keep the geometry's state, attributes and triangle windings; vertices on a seam are copied.
class SpatialChunks
{
public:
    // Geometries with fewer triangles stay whole; a split aims at about this many per piece.
    static constexpr unsigned TrianglesPerChunk = 8192;

    // Splits the eligible geometries below node (triangles only, per-vertex or overall attributes,
    // no callbacks); returns how many were split.
    static unsigned split(osg::Node* node);
};

} // namespace osgKELVO
