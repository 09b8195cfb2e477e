// The build generates the textures of Resources/Maris; these are the properties the shaders rely
// on.

#include "TestSupport.h"

#include <Maris/ResourceLoader.h>
#include "core/TGALoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// A generated image as the ocean loads it, rows bottom first; bytes read as GL_BYTE reads them
// where the shader takes them as signed.
struct Generated
{
    int at(int x, int y, int c) const
    {
        const std::size_t pixel = static_cast<std::size_t>(y) * width + x;
        const int byte = image.GetPixels()[pixel * channels + c];
        return isSigned ? static_cast<signed char>(byte) : byte;
    }
    // Mean absolute difference between two columns, or two rows, over all channels.
    double difference(int a, int b, bool rows) const
    {
        const int length = rows ? width : height;
        double sum = 0.0;
        for (int i = 0; i < length; ++i)
            for (int c = 0; c < channels; ++c)
                sum += std::abs(rows ? at(i, a, c) - at(i, b, c) : at(a, i, c) - at(b, i, c));
        return sum / (length * channels);
    }
    // The last column (row) meets the first as smoothly as neighbours meet inside the image, and
    // more smoothly than unrelated ones.
    void expectSeamless(bool rows) const
    {
        const int count = rows ? height : width;
        double inside = 0.0, apart = 0.0;
        for (int i = 0; i + 1 < count; ++i)
            inside += difference(i, i + 1, rows) / (count - 1);
        for (int i = 0; i < count / 2; ++i)
            apart += difference(i, i + count / 2, rows) / (count / 2);
        const double seam = difference(count - 1, 0, rows);
        EXPECT_LE(seam, 1.25 * inside + 1.0) << (rows ? "rows" : "columns");
        EXPECT_LT(seam, apart) << (rows ? "rows" : "columns");
    }

    Maris::TGALoader image;
    int width, height, channels;
    bool isSigned;
};

} // namespace

// Foam: dark open water and bright bubbles. Noise: signed, centred on 0. Wash: a trail with
// nothing at its sides, where a clamped lookup beyond reads 0. Spray: a blob, opaque inside and
// transparent at its edges. All repeat without seams where they are tiled.
TEST(GeneratedTextures, HoldTheRangesTheShadersExpectAndTileWithoutSeams)
{
    MessageCapture messages;
    Maris::ResourceLoader loader(MARIS_RESOURCES_DIR, false);
    struct Case
    {
        const char* name;
        int channels;
        bool isSigned, tilesAcross, tilesAlong;
        int checked;                             // the channel whose range is checked
        int floor, lowestBelow, highestAbove, edges; // the value at untiled edges, -1 for any
    } cases[] = {{"foam.tga", 3, false, true, true, 0, 0, 20, 200, -1},
                 {"perlin.tga", 3, true, true, true, 1, -127, -60, 60, -1},
                 {"wash.tga", 3, true, false, true, 0, 0, 1, 40, 0},
                 {"spray.tga", 4, false, false, false, 3, 0, 1, 200, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Generated g{{}, 0, 0, 0, c.isSigned};
        ASSERT_TRUE(g.image.Load(c.name, &loader));
        g.width = static_cast<int>(g.image.GetWidth());
        g.height = static_cast<int>(g.image.GetHeight());
        g.channels = g.image.GetBitsPerPixel() / 8;
        ASSERT_EQ(g.channels, c.channels);
        if (c.tilesAcross)
            g.expectSeamless(false);
        if (c.tilesAlong)
            g.expectSeamless(true);
        int lowest = 255, highest = -128;
        double sum = 0.0;
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x) {
                const int value = g.at(x, y, c.checked);
                lowest = std::min(lowest, value);
                highest = std::max(highest, value);
                sum += value;
                const bool edge = (!c.tilesAcross && (x == 0 || x == g.width - 1)) ||
                                  (!c.tilesAlong && (y == 0 || y == g.height - 1));
                if (edge && c.edges >= 0) {
                    EXPECT_EQ(value, c.edges) << x << ", " << y;
                }
            }
        EXPECT_LT(lowest, c.lowestBelow);
        EXPECT_GT(highest, c.highestAbove);
        EXPECT_GE(lowest, c.floor) << "-128 has no mirror; intensities are not negative";
        if (c.isSigned && c.tilesAcross) {
            EXPECT_LT(std::fabs(sum / (g.width * g.height)), 12.0) << "centred on 0";
        }
    }
}
