// The build generates the textures and the six sky faces of Resources/Maris; these are the
// properties the shaders and the sky box rely on.

#include "MessageCapture.h"

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

namespace {

struct Direction
{
    double x, y, z;
};

// The six faces of the sky (+x, -x, +y, -y, +z, -z), looked up as OpenGL looks up a cube map.
class SkyFacesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const char* const names[6] = {"posX.tga", "negX.tga", "posY.tga",
                                      "negY.tga", "posZ.tga", "negZ.tga"};
        for (int face = 0; face < 6; ++face) {
            ASSERT_TRUE(faces[face].Load(names[face], &loader)) << names[face];
            ASSERT_EQ(faces[face].GetBitsPerPixel(), 24);
            ASSERT_EQ(faces[face].GetWidth(), faces[face].GetHeight());
            ASSERT_EQ(faces[face].GetWidth(), faces[0].GetWidth());
        }
        size = static_cast<int>(faces[0].GetWidth());
        ASSERT_GE(size, 64);
    }

    const unsigned char* texel(int face, double s, double t) const
    {
        const int column = std::clamp(static_cast<int>(s * size), 0, size - 1);
        const int row = std::clamp(static_cast<int>(t * size), 0, size - 1);
        return faces[face].GetPixels() + (static_cast<std::size_t>(row) * size + column) * 3;
    }
    // The face of the major axis and (s, t) in [0, 1] on it.
    const unsigned char* texelAt(const Direction& r) const
    {
        const double ax = std::fabs(r.x), ay = std::fabs(r.y), az = std::fabs(r.z);
        if (ax >= ay && ax >= az)
            return texel(r.x > 0 ? 0 : 1, ((r.x > 0 ? -r.z : r.z) / ax + 1) / 2,
                         (-r.y / ax + 1) / 2);
        if (ay >= az)
            return texel(r.y > 0 ? 2 : 3, (r.x / ay + 1) / 2,
                         ((r.y > 0 ? r.z : -r.z) / ay + 1) / 2);
        return texel(r.z > 0 ? 4 : 5, ((r.z > 0 ? r.x : -r.x) / az + 1) / 2, (-r.y / az + 1) / 2);
    }
    // The direction through (s, t) of a face, the inverse of the lookup.
    static Direction direction(int face, double s, double t)
    {
        const double sc = 2.0 * s - 1.0, tc = 2.0 * t - 1.0;
        const Direction directions[6] = {{1.0, -tc, -sc}, {-1.0, -tc, sc}, {sc, 1.0, tc},
                                         {sc, -1.0, -tc}, {sc, -tc, 1.0},  {-sc, -tc, -1.0}};
        return directions[face];
    }
    static int difference(const unsigned char* a, const unsigned char* b)
    {
        return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
    }

    MessageCapture messages;
    Maris::ResourceLoader loader{MARIS_RESOURCES_DIR, false};
    Maris::TGALoader faces[6];
    int size = 0;
};

} // namespace

// The step from an edge texel over the edge into the neighbouring face must look like a step
// between neighbours inside a face.
TEST_F(SkyFacesTest, FacesJoinWithoutSeams)
{
    int largestInside = 0, largestAcross = 0, pairs = 0;
    long long sumAcross = 0;
    const double texelSize = 1.0 / size;
    for (int face = 0; face < 6; ++face)
        for (int i = 0; i < size; ++i) {
            const double along = (i + 0.5) * texelSize;
            for (int j = 1; j < size; ++j) {
                const double a = (j - 0.5) * texelSize, b = (j + 0.5) * texelSize;
                const int across = difference(texel(face, a, along), texel(face, b, along));
                const int down = difference(texel(face, along, a), texel(face, along, b));
                largestInside = std::max({largestInside, across, down});
            }
            // (s, t) just inside each edge, and just beyond it.
            const double edges[4][4] = {{texelSize / 2, along, -texelSize / 2, along},
                                        {1 - texelSize / 2, along, 1 + texelSize / 2, along},
                                        {along, texelSize / 2, along, -texelSize / 2},
                                        {along, 1 - texelSize / 2, along, 1 + texelSize / 2}};
            for (const auto& e : edges) {
                const int step = difference(texel(face, e[0], e[1]),
                                            texelAt(direction(face, e[2], e[3])));
                largestAcross = std::max(largestAcross, step);
                sumAcross += step;
                ++pairs;
            }
        }
    EXPECT_LE(largestAcross, largestInside + 2);
    EXPECT_LT(static_cast<double>(sumAcross) / pairs, 3.0);
}
