#include "TextRenderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <vector>

namespace {

std::vector<unsigned> decodeUtf8(const std::string& text)
{
    std::vector<unsigned> codes;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned code = c;
        int extra = 0;
        if (c >= 0xF0) { code = c & 0x07; extra = 3; }
        else if (c >= 0xE0) { code = c & 0x0F; extra = 2; }
        else if (c >= 0xC0) { code = c & 0x1F; extra = 1; }
        ++i;
        for (int k = 0; k < extra && i < text.size(); ++k, ++i)
            code = (code << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
        codes.push_back(code);
    }
    return codes;
}

} // namespace

TextRenderer::TextRenderer(const std::string& fontFile, int pixelSize)
{
    if (FT_Init_FreeType(&library_) != 0) {
        library_ = nullptr;
        return;
    }
    if (FT_New_Face(library_, fontFile.c_str(), 0, &face_) != 0 ||
        FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
        face_ = nullptr;
    }
}

TextRenderer::~TextRenderer()
{
    if (face_)
        FT_Done_Face(face_);
    if (library_)
        FT_Done_FreeType(library_);
}

float TextRenderer::measure(const std::string& text) const
{
    Color none;
    return layout(nullptr, text, 0.0f, 0.0f, none);
}

float TextRenderer::capHeight() const
{
    if (!face_ || FT_Load_Char(face_, 'H', FT_LOAD_TARGET_LIGHT) != 0)
        return 0.0f;
    return face_->glyph->metrics.horiBearingY / 64.0f;
}

float TextRenderer::draw(Canvas& canvas, const std::string& text, float x, float y, const Color& color) const
{
    return layout(&canvas, text, x, y, color);
}

float TextRenderer::drawCentred(Canvas& canvas, const std::string& text, float centreX, float y,
                                const Color& color) const
{
    return layout(&canvas, text, std::round(centreX - 0.5f * measure(text)), y, color);
}

float TextRenderer::layout(Canvas* canvas, const std::string& text, float x, float y, const Color& color) const
{
    if (!face_)
        return x;
    // Light hinting keeps the glyph shapes and snaps only vertically, which stays crisp at small sizes.
    float pen = x;
    FT_UInt previous = 0;
    for (unsigned code : decodeUtf8(text)) {
        const FT_UInt glyphIndex = FT_Get_Char_Index(face_, code);
        if (previous && glyphIndex && FT_HAS_KERNING(face_)) {
            FT_Vector kerning;
            if (FT_Get_Kerning(face_, previous, glyphIndex, FT_KERNING_UNFITTED, &kerning) == 0)
                pen += kerning.x / 64.0f;
        }
        if (FT_Load_Glyph(face_, glyphIndex, FT_LOAD_TARGET_LIGHT) != 0)
            continue;
        FT_GlyphSlot slot = face_->glyph;
        if (canvas) {
            if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
                continue;
            const FT_Bitmap& bitmap = slot->bitmap;
            const int left = static_cast<int>(std::lround(pen)) + slot->bitmap_left;
            const int top = static_cast<int>(std::lround(y)) - slot->bitmap_top;
            for (unsigned row = 0; row < bitmap.rows; ++row)
                for (unsigned column = 0; column < bitmap.width; ++column) {
                    const unsigned char value = bitmap.buffer[row * bitmap.pitch + column];
                    if (value)
                        canvas->blend(left + static_cast<int>(column), top + static_cast<int>(row), color, value / 255.0f);
                }
        }
        pen += slot->advance.x / 64.0f;
        previous = glyphIndex;
    }
    return pen;
}
