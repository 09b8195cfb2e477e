#include "LogoImages.h"

#include "Shapes.h"
#include "TextRenderer.h"

#include <cmath>

namespace {

const int height = 56;
const float emblemSize = 44.0f;
const float emblemX = 4.0f;
const float emblemY = 6.0f;
const float textX = emblemX + emblemSize + 10.0f;
const int textPixelSize = 31;

void drawEmblem(Canvas& canvas, float x0, float y0)
{
    const float x1 = x0 + emblemSize, y1 = y0 + emblemSize;
    const Shape tile = Shapes::roundedRect(x0, y0, x1, y1, 10.0f);
    const Color top = Color::rgb(58, 160, 230);
    const Color bottom = Color::rgb(22, 84, 150);
    canvas.fill(tile, [=](float, float y) { return Color::mix(top, bottom, (y - y0) / emblemSize); });

    // Two hills and, below them, the sea with one wave; everything clipped to the tile.
    const Shape hills = Shapes::polygon({{x0 - 1, y0 + 31}, {x0 + 13, y0 + 14}, {x0 + 20, y0 + 21},
                                         {x0 + 29, y0 + 9}, {x1 + 1, y0 + 31}});
    canvas.fill(Shapes::intersect(tile, hills), Color::rgb(250, 252, 255));
    const Shape snowline = Shapes::polygon({{x0 + 24.5f, y0 + 15}, {x0 + 29, y0 + 9}, {x0 + 33.5f, y0 + 15},
                                            {x0 + 31, y0 + 13.5f}, {x0 + 29, y0 + 15.5f}, {x0 + 27, y0 + 13.5f}});
    canvas.fill(snowline, Color::rgb(200, 226, 246));

    std::vector<Point> wave;
    for (float x = x0 + 5; x <= x1 - 5 + 0.01f; x += 1.0f)
        wave.push_back(Point{x, y0 + 37.0f + 2.2f * std::sin((x - x0) * 0.42f)});
    canvas.fill(Shapes::intersect(tile, Shapes::polyline(wave, 2.4f)), Color::rgb(170, 222, 255));
}

Canvas drawLogo(const std::string& boldFont, const std::string& regularFont, const Color& strong,
                const Color& soft)
{
    TextRenderer bold(boldFont, textPixelSize);
    TextRenderer regular(regularFont, textPixelSize);
    const float width = textX + bold.measure("KELVO") + regular.measure("view") + 4.0f;
    Canvas canvas(static_cast<int>(std::ceil(width)), height);
    drawEmblem(canvas, emblemX, emblemY);
    const float baseline = std::round(emblemY + 0.5f * emblemSize + 0.5f * bold.capHeight());
    const float after = bold.draw(canvas, "KELVO", textX, baseline, strong);
    regular.draw(canvas, "view", after + 1.0f, baseline, soft);
    return canvas;
}

} // namespace

Canvas LogoImages::drawForBrightBackground(const std::string& boldFont, const std::string& regularFont)
{
    return drawLogo(boldFont, regularFont, Color::rgb(22, 34, 50), Color::rgb(28, 104, 170));
}

Canvas LogoImages::drawForDarkBackground(const std::string& boldFont, const std::string& regularFont)
{
    return drawLogo(boldFont, regularFont, Color::rgb(255, 255, 255), Color::rgb(140, 204, 250));
}

Canvas LogoImages::drawIcon()
{
    const int margin = 2;
    Canvas canvas(static_cast<int>(emblemSize) + 2 * margin, static_cast<int>(emblemSize) + 2 * margin);
    drawEmblem(canvas, margin, margin);
    return canvas;
}
