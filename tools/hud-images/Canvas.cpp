#include "Canvas.h"

#include <algorithm>
#include <cmath>

namespace {

float clamp01(float v)
{
    return std::min(1.0f, std::max(0.0f, v));
}

// Coverage of a pixel whose centre lies at signed distance d from an outline.
float coverageAt(float d)
{
    return clamp01(0.5f - d);
}

unsigned char toByte(float v)
{
    return static_cast<unsigned char>(std::lround(clamp01(v) * 255.0f));
}

} // namespace

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height)
{
}

void Canvas::fill(const Shape& shape, const Color& color)
{
    fill(shape, [color](float, float) { return color; });
}

void Canvas::fill(const Shape& shape, const Paint& paint)
{
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const float cx = x + 0.5f, cy = y + 0.5f;
            const float coverage = coverageAt(shape(cx, cy));
            if (coverage > 0.0f)
                blend(x, y, paint(cx, cy), coverage);
        }
    }
}

void Canvas::blend(int x, int y, const Color& color, float coverage)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    Color& d = pixels_[index(x, y)];
    const float sa = clamp01(color.a * coverage);
    const float outA = sa + d.a * (1.0f - sa);
    if (outA <= 0.0f) {
        d = Color{color.r, color.g, color.b, 0.0f};
        return;
    }
    const float k = d.a * (1.0f - sa);
    d.r = (color.r * sa + d.r * k) / outA;
    d.g = (color.g * sa + d.g * k) / outA;
    d.b = (color.b * sa + d.b * k) / outA;
    d.a = outA;
}

void Canvas::erase(const Shape& shape)
{
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            pixels_[index(x, y)].a *= 1.0f - coverageAt(shape(x + 0.5f, y + 0.5f));
}

Canvas Canvas::crop(int x0, int y0, int width, int height) const
{
    Canvas part(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            part.pixels_[part.index(x, y)] = pixels_[index(x0 + x, y0 + y)];
    return part;
}

osg::ref_ptr<osg::Image> Canvas::toImage() const
{
    // Spread the colors of drawn pixels into the transparent ones around them.
    std::vector<Color> bled = pixels_;
    std::vector<bool> known(bled.size());
    for (std::size_t i = 0; i < bled.size(); ++i)
        known[i] = bled[i].a > 0.0f;
    for (int pass = 0; pass < 4; ++pass) {
        std::vector<bool> next = known;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (known[index(x, y)])
                    continue;
                float r = 0, g = 0, b = 0;
                int n = 0;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= width_ || ny >= height_ || !known[index(nx, ny)])
                            continue;
                        const Color& c = bled[index(nx, ny)];
                        r += c.r; g += c.g; b += c.b;
                        ++n;
                    }
                }
                if (n) {
                    Color& c = bled[index(x, y)];
                    c = Color{r / n, g / n, b / n, 0.0f};
                    next[index(x, y)] = true;
                }
            }
        }
        known = next;
    }

    osg::ref_ptr<osg::Image> image = new osg::Image;
    image->allocateImage(width_, height_, 1, GL_RGBA, GL_UNSIGNED_BYTE);
    for (int y = 0; y < height_; ++y) {
        unsigned char* row = image->data(0, static_cast<unsigned>(height_ - 1 - y));
        for (int x = 0; x < width_; ++x) {
            const Color& c = bled[index(x, y)];
            row[4 * x + 0] = toByte(c.r);
            row[4 * x + 1] = toByte(c.g);
            row[4 * x + 2] = toByte(c.b);
            row[4 * x + 3] = toByte(c.a);
        }
    }
    return image;
}
