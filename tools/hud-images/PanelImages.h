#pragma once

#include "Canvas.h"

#include <vector>

// The nine 16 x 16 pieces of the display's panels, cut from one small rounded panel: index i is
// the cell in column i % 3 (left to right) and row i / 3 (bottom to top).
class PanelImages
{
public:
    static const int cornerSize = 16;
    static std::vector<Canvas> draw();
    // The whole panel of the given size, as the nine pieces would assemble it (for the legend).
    static void drawPanel(Canvas& canvas, float x0, float y0, float x1, float y1);
};
