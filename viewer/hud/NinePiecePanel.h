#pragma once

#include <osg/Group>
#include <osg/Vec4f>

#include <string>

namespace osgKELVO {

// A panel drawn from nine images ("../Resources/Images/Panel_0.png" to "Panel_8.png"): corners of
// 16 x 16 pixels that keep their size, edges that stretch in one direction and a centre that
// stretches in both. Child i is the cell in column i % 3 (left to right) and row i / 3 (bottom
// to top); the lower left corner lies at the local origin.
class NinePiecePanel
{
public:
    static const int cornerSize = 16;
    static const int minimumSize = 2 * cornerSize;

    // A new panel, or null (with a warning) when it would be smaller than 32 x 32 pixels.
    static osg::ref_ptr<osg::Group> create(int width, int height, const osg::Vec4f& color);

    // Rewrites the vertices of an existing panel in place; sizes below 32 x 32 are ignored.
    static void resize(osg::Group* panel, int width, int height);

    static std::string imageFileName(unsigned index);
};

} // namespace osgKELVO
