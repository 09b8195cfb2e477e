#pragma once

#include <vector>

// The ocean's generated textures. Pixels run bottom row first, as the TGA writer takes them.
struct TextureImage
{
    int width = 0;
    int height = 0;
    int channels = 3;
    std::vector<unsigned char> pixels;
};

// Whitecap foam: bright bubble walls along cell borders in patches, unsigned, tiles both ways.
TextureImage makeFoamImage(int size);
// Three independent channels of fractal noise centred on 0, stored as signed bytes (the ocean
// uploads it with GL_BYTE); tiles both ways.
TextureImage makeSignedNoiseImage(int size);
// Propeller wash, signed bytes: red the churned-water intensity (0 to 127), green and blue a
// signed disturbance. Across the trail (s) it falls to 0 at both edges, so a clamped lookup
// ends it; along the trail (t) it repeats.
TextureImage makeWashImage(int across, int along);
// A soft white spray blob: alpha falls smoothly from the middle to 0 at the border.
TextureImage makeSprayImage(int size);
