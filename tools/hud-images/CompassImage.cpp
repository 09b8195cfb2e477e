#include "CompassImage.h"

#include "Shapes.h"
#include "TextRenderer.h"

#include <cmath>

namespace {

const float pi = 3.14159265358979f;

// A point at a radius and a bearing (clockwise from north) around the rose's centre.
Point polar(float radius, float bearing)
{
    const float c = 0.5f * CompassImage::size;
    return Point{c + radius * std::sin(bearing), c - radius * std::cos(bearing)};
}

// One point of the star: two triangles from the centre to the tip, a lit and a shaded half.
void drawStarPoint(Canvas& canvas, float bearing, float length, float halfWidth, const Color& lit,
                   const Color& shaded)
{
    const Point centre = polar(0.0f, 0.0f);
    const Point tip = polar(length, bearing);
    const Point left = polar(halfWidth, bearing - 0.5f * pi);
    const Point right = polar(halfWidth, bearing + 0.5f * pi);
    canvas.fill(Shapes::polygon({centre, left, tip}), lit);
    canvas.fill(Shapes::polygon({centre, tip, right}), shaded);
}

} // namespace

Canvas CompassImage::draw(const std::string& boldFont)
{
    Canvas canvas(size, size);
    const float c = 0.5f * size;
    const float radius = 61.0f;

    canvas.fill(Shapes::circle(c, c, radius), Palette::panelFill());
    canvas.fill(Shapes::outline(Shapes::circle(c, c, radius - 1.5f), 1.0f), Palette::panelBorder());
    canvas.fill(Shapes::outline(Shapes::circle(c, c, 41.0f), 1.0f), Palette::panelBorder().withAlpha(0.25f));

    // Ticks every 15 degrees, longer at the intercardinal points; the cardinals carry letters.
    for (int degrees = 0; degrees < 360; degrees += 15) {
        if (degrees % 90 == 0)
            continue;
        const float bearing = degrees * pi / 180.0f;
        const bool major = degrees % 45 == 0;
        const float inner = major ? 47.0f : 52.0f;
        canvas.fill(Shapes::segment(polar(inner, bearing), polar(57.0f, bearing), major ? 1.6f : 1.2f),
                    Palette::text().withAlpha(major ? 0.9f : 0.6f));
    }

    // The star: long north and south points, short east and west points; north in red.
    const Color light = Palette::text();
    const Color grey = Color::rgb(168, 178, 190);
    drawStarPoint(canvas, 0.5f * pi, 26.0f, 6.0f, light, grey);
    drawStarPoint(canvas, 1.5f * pi, 26.0f, 6.0f, light, grey);
    drawStarPoint(canvas, pi, 36.0f, 8.0f, light, grey);
    drawStarPoint(canvas, 0.0f, 36.0f, 8.0f, Color::rgb(250, 104, 88), Palette::north());
    canvas.fill(Shapes::circle(c, c, 3.5f), Color::rgb(30, 38, 50));
    canvas.fill(Shapes::outline(Shapes::circle(c, c, 3.5f), 1.0f), light);

    TextRenderer letters(boldFont, 15);
    const float half = 0.5f * letters.capHeight();
    const float letterRadius = 49.5f;
    letters.drawCentred(canvas, "N", c, c - letterRadius + half, Palette::north());
    letters.drawCentred(canvas, "S", c, c + letterRadius + half, light);
    letters.drawCentred(canvas, "E", c + letterRadius, c + half, light);
    letters.drawCentred(canvas, "W", c - letterRadius, c + half, light);
    return canvas;
}
