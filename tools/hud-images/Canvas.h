#pragma once

#include "Colour.h"

#include <osg/Image>
#include <osg/ref_ptr>

#include <functional>
#include <vector>

// A signed distance in pixels from a shape's outline: negative inside, positive outside.
using Shape = std::function<float(float x, float y)>;
// A color that may vary over the image (gradients).
using Paint = std::function<Color(float x, float y)>;

// An RGBA image drawn in pixel coordinates with x to the right and y down; pixel (i, j) covers
// [i, i + 1) x [j, j + 1). Shapes are antialiased from their distance function: a pixel centre
// half a pixel inside the outline is fully covered.
class Canvas
{
public:
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    void fill(const Shape& shape, const Color& color);
    void fill(const Shape& shape, const Paint& paint);
    // Composites a coverage value (0 to 1) of a color over one pixel.
    void blend(int x, int y, const Color& color, float coverage);
    // Removes what is drawn where the shape is (erases with its coverage).
    void erase(const Shape& shape);

    const Color& at(int x, int y) const { return pixels_[index(x, y)]; }

    // An 8-bit RGBA image in the scene-graph library's row order (bottom row first). Fully
    // transparent pixels take the color of their drawn neighbours, so filtering when the image
    // is scaled or turned produces no dark fringes.
    osg::ref_ptr<osg::Image> toImage() const;

    // A copy of a rectangle of this canvas.
    Canvas crop(int x0, int y0, int width, int height) const;

private:
    std::size_t index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }

    int width_;
    int height_;
    std::vector<Color> pixels_;
};
