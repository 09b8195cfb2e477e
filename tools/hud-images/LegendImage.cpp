#include "LegendImage.h"

#include "PanelImages.h"
#include "Shapes.h"
#include "TextRenderer.h"

#include <algorithm>
#include <cmath>

namespace {

const float padding = 14.0f;
const float symbolWidth = 34.0f;
const float symbolHeight = 20.0f;
const float labelX = padding + symbolWidth + 12.0f;
const float titleBaseline = 30.0f;
const float firstRowTop = 44.0f;
const float rowHeight = 30.0f;

const char* const labels[] = {"Terräng", "Kraftledning", "Kraftledningsstolpe", "Informationspunkt", "Hav"};

// Symbol boxes are symbolWidth x symbolHeight with their top left corner at (x, y).

void drawTerrain(Canvas& canvas, float x, float y)
{
    const Shape box = Shapes::roundedRect(x, y, x + symbolWidth, y + symbolHeight, 3.0f);
    const Color meadow = Color::rgb(104, 150, 70);
    const Color upland = Color::rgb(170, 150, 96);
    canvas.fill(box, [=](float px, float py) {
        return Color::mix(meadow, upland, std::clamp(((px - x) / symbolWidth + (y + symbolHeight - py) / symbolHeight) * 0.5f, 0.0f, 1.0f));
    });
    // Two contour lines give it relief.
    std::vector<Point> upper, lower;
    for (float px = x; px <= x + symbolWidth + 0.01f; px += 1.0f) {
        upper.push_back(Point{px, y + 8.0f + 2.5f * std::sin((px - x) * 0.25f)});
        lower.push_back(Point{px, y + 14.0f + 2.0f * std::sin((px - x) * 0.22f + 1.3f)});
    }
    const Color contour = Color::rgb(60, 82, 40, 0.55f);
    canvas.fill(Shapes::intersect(box, Shapes::polyline(upper, 1.0f)), contour);
    canvas.fill(Shapes::intersect(box, Shapes::polyline(lower, 1.0f)), contour);
    canvas.fill(Shapes::outline(Shapes::roundedRect(x + 0.5f, y + 0.5f, x + symbolWidth - 0.5f, y + symbolHeight - 0.5f, 2.5f), 1.0f),
                Color::rgb(255, 255, 255, 0.35f));
}

void drawPowerLine(Canvas& canvas, float x, float y)
{
    // Two conductors sagging between the symbol's edges.
    for (int wire = 0; wire < 2; ++wire) {
        std::vector<Point> curve;
        const float top = y + 5.0f + wire * 7.0f;
        for (float px = x; px <= x + symbolWidth + 0.01f; px += 1.0f) {
            const float t = (px - x) / symbolWidth;
            curve.push_back(Point{px, top + 6.0f * 4.0f * t * (1.0f - t)});
        }
        canvas.fill(Shapes::polyline(curve, 1.6f), Color::rgb(255, 190, 60));
    }
}

void drawPylon(Canvas& canvas, float x, float y)
{
    // A lattice tower: tapering legs, cross arm and bracing.
    const float cx = x + 0.5f * symbolWidth;
    const float top = y - 1.0f, base = y + symbolHeight + 1.0f;
    const Color steel = Color::rgb(214, 222, 232);
    const float w = 1.3f;
    const Point leftFoot{cx - 7.0f, base}, rightFoot{cx + 7.0f, base};
    const Point leftWaist{cx - 2.5f, y + 6.0f}, rightWaist{cx + 2.5f, y + 6.0f};
    const Point peak{cx, top};
    canvas.fill(Shapes::polyline({leftFoot, leftWaist, peak, rightWaist, rightFoot}, w), steel);
    canvas.fill(Shapes::segment({cx - 11.0f, y + 6.0f}, {cx + 11.0f, y + 6.0f}, w), steel);
    canvas.fill(Shapes::segment({cx - 8.0f, y + 2.5f}, {cx + 8.0f, y + 2.5f}, w), steel);
    canvas.fill(Shapes::polyline({leftWaist, {cx + 4.8f, y + 13.0f}, {cx - 4.8f, y + 13.0f}, rightWaist}, 1.0f), steel);
    canvas.fill(Shapes::polyline({{cx - 4.8f, y + 13.0f}, rightFoot}, 1.0f), steel);
    canvas.fill(Shapes::polyline({{cx + 4.8f, y + 13.0f}, leftFoot}, 1.0f), steel);
}

void drawInfoPoint(Canvas& canvas, float x, float y, const std::string& boldFont)
{
    // A map pin with an "i".
    const float cx = x + 0.5f * symbolWidth;
    const float r = 7.5f;
    const float cy = y + r + 0.5f;
    const Shape head = Shapes::circle(cx, cy, r);
    const Shape tail = Shapes::polygon({{cx - 5.6f, cy + 5.0f}, {cx + 5.6f, cy + 5.0f}, {cx, y + symbolHeight + 1.0f}});
    const Shape pin = Shapes::unite(head, tail);
    canvas.fill(pin, Color::rgb(246, 180, 40));
    canvas.fill(Shapes::outline(pin, 1.0f), Color::rgb(120, 70, 0, 0.6f));
    TextRenderer letter(boldFont, 12);
    letter.drawCentred(canvas, "i", cx + 0.5f, cy + 0.5f * letter.capHeight(), Color::rgb(40, 30, 10));
}

void drawSea(Canvas& canvas, float x, float y)
{
    const Shape box = Shapes::roundedRect(x, y, x + symbolWidth, y + symbolHeight, 3.0f);
    const Color surface = Color::rgb(54, 140, 200);
    const Color deep = Color::rgb(20, 70, 130);
    canvas.fill(box, [=](float, float py) { return Color::mix(surface, deep, (py - y) / symbolHeight); });
    for (int k = 0; k < 2; ++k) {
        std::vector<Point> wave;
        for (float px = x + 4.0f; px <= x + symbolWidth - 4.0f + 0.01f; px += 1.0f)
            wave.push_back(Point{px, y + 7.0f + 6.0f * k + 1.8f * std::sin((px - x) * 0.55f + k * 1.6f)});
        canvas.fill(Shapes::polyline(wave, 1.4f), Color::rgb(215, 240, 255, 0.9f));
    }
    canvas.fill(Shapes::outline(Shapes::roundedRect(x + 0.5f, y + 0.5f, x + symbolWidth - 0.5f, y + symbolHeight - 0.5f, 2.5f), 1.0f),
                Color::rgb(255, 255, 255, 0.35f));
}

} // namespace

Canvas LegendImage::draw(const std::string& boldFont, const std::string& regularFont)
{
    TextRenderer title(boldFont, 16);
    TextRenderer label(regularFont, 14);
    float textWidth = title.measure("Teckenförklaring") - (labelX - padding);
    for (const char* text : labels)
        textWidth = std::max(textWidth, label.measure(text));
    const int width = static_cast<int>(std::ceil(labelX + textWidth + padding));
    const int count = static_cast<int>(sizeof(labels) / sizeof(labels[0]));
    const int height = static_cast<int>(firstRowTop + count * rowHeight + 6.0f);

    Canvas canvas(width, height);
    PanelImages::drawPanel(canvas, 0.0f, 0.0f, width, height);
    title.draw(canvas, "Teckenförklaring", padding, titleBaseline, Palette::text());
    canvas.fill(Shapes::segment({padding, titleBaseline + 7.5f}, {width - padding, titleBaseline + 7.5f}, 1.0f),
                Palette::panelBorder().withAlpha(0.35f));

    for (int i = 0; i < count; ++i) {
        const float top = firstRowTop + i * rowHeight + 0.5f * (rowHeight - symbolHeight);
        switch (i) {
        case 0: drawTerrain(canvas, padding, top); break;
        case 1: drawPowerLine(canvas, padding, top); break;
        case 2: drawPylon(canvas, padding, top); break;
        case 3: drawInfoPoint(canvas, padding, top, boldFont); break;
        default: drawSea(canvas, padding, top); break;
        }
        const float baseline = std::round(top + 0.5f * symbolHeight + 0.5f * label.capHeight());
        label.draw(canvas, labels[i], labelX, baseline, Palette::text());
    }
    return canvas;
}
