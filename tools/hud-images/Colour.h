#pragma once

// A colour with straight (not premultiplied) alpha, each channel 0 to 1.
struct Colour
{
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;

    static Colour rgb(int red, int green, int blue, float alpha = 1.0f)
    {
        return Colour{red / 255.0f, green / 255.0f, blue / 255.0f, alpha};
    }
    Colour withAlpha(float alpha) const { return Colour{r, g, b, alpha}; }
    static Colour mix(const Colour& x, const Colour& y, float t)
    {
        return Colour{x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
    }
};

// The head-up display's shared look: a translucent dark slate under white text.
namespace Palette {
inline Colour panelFill() { return Colour::rgb(18, 24, 34, 0.74f); }
inline Colour panelBorder() { return Colour::rgb(226, 234, 244, 0.55f); }
inline Colour text() { return Colour::rgb(244, 247, 250); }
inline Colour accent() { return Colour::rgb(42, 132, 204); }
inline Colour north() { return Colour::rgb(232, 72, 58); }
} // namespace Palette
