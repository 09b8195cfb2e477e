#pragma once

// A color with straight (not premultiplied) alpha, each channel 0 to 1.
struct Color
{
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;

    static Color rgb(int red, int green, int blue, float alpha = 1.0f)
    {
        return Color{red / 255.0f, green / 255.0f, blue / 255.0f, alpha};
    }
    Color withAlpha(float alpha) const { return Color{r, g, b, alpha}; }
    static Color mix(const Color& x, const Color& y, float t)
    {
        return Color{x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
    }
};

// The head-up display's shared look: a translucent dark slate under white text.
namespace Palette {
inline Color panelFill() { return Color::rgb(18, 24, 34, 0.74f); }
inline Color panelBorder() { return Color::rgb(226, 234, 244, 0.55f); }
inline Color text() { return Color::rgb(244, 247, 250); }
inline Color accent() { return Color::rgb(42, 132, 204); }
inline Color north() { return Color::rgb(232, 72, 58); }
} // namespace Palette
