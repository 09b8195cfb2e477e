#include "PanelImages.h"

#include "Shapes.h"

namespace {
const float cornerRadius = 12.0f;
}

void PanelImages::drawPanel(Canvas& canvas, float x0, float y0, float x1, float y1)
{
    canvas.fill(Shapes::roundedRect(x0, y0, x1, y1, cornerRadius), Palette::panelFill());
    // A one-pixel light rule one pixel inside the edge: the dark rim outside it keeps the panel
    // apart from bright backgrounds, the rule from dark ones.
    canvas.fill(Shapes::outline(Shapes::roundedRect(x0 + 1.5f, y0 + 1.5f, x1 - 1.5f, y1 - 1.5f, cornerRadius - 1.5f), 1.0f),
                Palette::panelBorder());
}

std::vector<Canvas> PanelImages::draw()
{
    const int size = 3 * cornerSize;
    Canvas whole(size, size);
    drawPanel(whole, 0.0f, 0.0f, size, size);

    std::vector<Canvas> pieces;
    for (int i = 0; i < 9; ++i) {
        const int column = i % 3;
        const int rowFromBottom = i / 3;
        pieces.push_back(whole.crop(column * cornerSize, (2 - rowFromBottom) * cornerSize, cornerSize, cornerSize));
    }
    return pieces;
}
