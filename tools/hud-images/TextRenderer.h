#pragma once

#include "Canvas.h"

#include <string>

typedef struct FT_LibraryRec_* FT_Library;
typedef struct FT_FaceRec_* FT_Face;

// Draws UTF-8 text with one TrueType face at a size in pixels, antialiased, with kerning.
class TextRenderer
{
public:
    TextRenderer(const std::string& fontFile, int pixelSize);
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    bool valid() const { return face_ != nullptr; }
    // Advance width of the text in pixels.
    float measure(const std::string& text) const;
    // Height of capital letters above the baseline, in pixels.
    float capHeight() const;
    // Draws the text with its baseline at y, starting at x; returns the pen position after it.
    float draw(Canvas& canvas, const std::string& text, float x, float y, const Color& color) const;
    float drawCentred(Canvas& canvas, const std::string& text, float centreX, float y, const Color& color) const;

private:
    float layout(Canvas* canvas, const std::string& text, float x, float y, const Color& color) const;

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};
