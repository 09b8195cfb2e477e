#include "MessageCapture.h"

#include <Maris/ResourceLoader.h>
#include "core/TGALoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// A generated texture as the ocean loads it: rows bottom first, RGB(A).
class GeneratedTexture
{
public:
    explicit GeneratedTexture(const char* name)
        : loader(MARIS_RESOURCES_DIR, false), loaded(image.Load(name, &loader))
    {
    }

    bool isLoaded() const { return loaded; }
    int width() const { return static_cast<int>(image.GetWidth()); }
    int height() const { return static_cast<int>(image.GetHeight()); }
    int channels() const { return image.GetBitsPerPixel() / 8; }
    int byteAt(int column, int row, int channel) const
    {
        return image.GetPixels()[(static_cast<std::size_t>(row) * width() + column) * channels() +
                                 channel];
    }
    // The same byte read as GL_BYTE reads it.
    int signedAt(int column, int row, int channel) const
    {
        return static_cast<signed char>(byteAt(column, row, channel));
    }

    // Mean absolute difference between two columns (or rows), over all channels.
    template <typename Read>
    double columnDifference(int a, int b, Read read) const
    {
        double sum = 0.0;
        for (int row = 0; row < height(); ++row)
            for (int c = 0; c < channels(); ++c)
                sum += std::abs(read(a, row, c) - read(b, row, c));
        return sum / (height() * channels());
    }
    template <typename Read>
    double rowDifference(int a, int b, Read read) const
    {
        double sum = 0.0;
        for (int column = 0; column < width(); ++column)
            for (int c = 0; c < channels(); ++c)
                sum += std::abs(read(column, a, c) - read(column, b, c));
        return sum / (width() * channels());
    }

    // Whether the last column meets the first (and the last row the first) as smoothly as
    // neighbouring columns (rows) meet inside the image.
    template <typename Read>
    void expectSeamless(bool across, bool along, Read read) const
    {
        if (across) {
            double inside = 0.0;
            for (int column = 0; column + 1 < width(); ++column)
                inside += columnDifference(column, column + 1, read);
            inside /= width() - 1;
            double apart = 0.0;
            for (int column = 0; column < width() / 2; ++column)
                apart += columnDifference(column, column + width() / 2, read);
            apart /= width() / 2;
            const double seam = columnDifference(width() - 1, 0, read);
            EXPECT_LE(seam, 1.25 * inside + 1.0) << "left and right edges should meet";
            EXPECT_LT(seam, apart) << "unrelated columns differ more than the seam";
        }
        if (along) {
            double inside = 0.0;
            for (int row = 0; row + 1 < height(); ++row)
                inside += rowDifference(row, row + 1, read);
            inside /= height() - 1;
            double apart = 0.0;
            for (int row = 0; row < height() / 2; ++row)
                apart += rowDifference(row, row + height() / 2, read);
            apart /= height() / 2;
            const double seam = rowDifference(height() - 1, 0, read);
            EXPECT_LE(seam, 1.25 * inside + 1.0) << "bottom and top edges should meet";
            EXPECT_LT(seam, apart) << "unrelated rows differ more than the seam";
        }
    }

private:
    Maris::ResourceLoader loader;
    Maris::TGALoader image;
    bool loaded;
};

} // namespace

TEST(GeneratedTextures, FoamTilesAndHoldsBothOpenWaterAndBrightFoam)
{
    MessageCapture messages;
    GeneratedTexture foam("foam.tga");
    ASSERT_TRUE(foam.isLoaded());
    EXPECT_EQ(foam.channels(), 3);
    EXPECT_EQ(foam.width(), foam.height());
    foam.expectSeamless(true, true, [&](int x, int y, int c) { return foam.byteAt(x, y, c); });

    int darkest = 255;
    int brightest = 0;
    double sum = 0.0;
    for (int y = 0; y < foam.height(); ++y)
        for (int x = 0; x < foam.width(); ++x) {
            const int value = foam.byteAt(x, y, 0);
            darkest = std::min(darkest, value);
            brightest = std::max(brightest, value);
            sum += value;
            // Near-white foam: no channel strays far from the others.
            EXPECT_LE(std::abs(foam.byteAt(x, y, 2) - value), 12);
        }
    EXPECT_LT(darkest, 20);
    EXPECT_GT(brightest, 200);
    const double mean = sum / (foam.width() * foam.height());
    EXPECT_GT(mean, 15.0) << "there is foam";
    EXPECT_LT(mean, 128.0) << "mostly open water between the bubbles";
}

TEST(GeneratedTextures, NoiseIsSignedAroundZeroAndTiles)
{
    MessageCapture messages;
    GeneratedTexture noise("perlin.tga");
    ASSERT_TRUE(noise.isLoaded());
    EXPECT_EQ(noise.channels(), 3);
    noise.expectSeamless(true, true, [&](int x, int y, int c) { return noise.signedAt(x, y, c); });

    for (int c = 0; c < 3; ++c) {
        int lowest = 127;
        int highest = -128;
        double sum = 0.0;
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < noise.width(); ++x) {
                const int value = noise.signedAt(x, y, c);
                lowest = std::min(lowest, value);
                highest = std::max(highest, value);
                sum += value;
            }
        EXPECT_GE(lowest, -127) << "channel " << c << ": -128 has no mirror";
        EXPECT_LT(lowest, -60) << "channel " << c;
        EXPECT_GT(highest, 60) << "channel " << c;
        EXPECT_LT(std::fabs(sum / (noise.width() * noise.height())), 12.0) << "centred on 0";
    }
    // The three channels are independent noises.
    double channelDifference = 0.0;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            channelDifference += std::abs(noise.signedAt(x, y, 0) - noise.signedAt(x, y, 1));
    EXPECT_GT(channelDifference / (noise.width() * noise.height()), 10.0);
}

TEST(GeneratedTextures, WashEndsAtBothSidesAndRepeatsAlongTheTrail)
{
    MessageCapture messages;
    GeneratedTexture wash("wash.tga");
    ASSERT_TRUE(wash.isLoaded());
    EXPECT_EQ(wash.channels(), 3);
    EXPECT_GT(wash.height(), wash.width()) << "a trail, longer than wide";
    wash.expectSeamless(false, true, [&](int x, int y, int c) { return wash.signedAt(x, y, c); });

    for (int y = 0; y < wash.height(); ++y)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(wash.signedAt(0, y, c), 0) << "a clamped lookup beyond the side reads 0";
            EXPECT_EQ(wash.signedAt(wash.width() - 1, y, c), 0);
        }
    double middle = 0.0;
    double side = 0.0;
    for (int y = 0; y < wash.height(); ++y) {
        middle += wash.signedAt(wash.width() / 2, y, 0);
        side += wash.signedAt(wash.width() / 10, y, 0);
        EXPECT_GE(wash.signedAt(wash.width() / 2, y, 0), 0) << "intensity is not negative";
    }
    EXPECT_GT(middle / wash.height(), 40.0);
    EXPECT_LT(side, middle * 0.6) << "strongest in the middle of the trail";
}

TEST(GeneratedTextures, SprayIsASoftBlobFadingToTransparentEdges)
{
    MessageCapture messages;
    GeneratedTexture spray("spray.tga");
    ASSERT_TRUE(spray.isLoaded());
    ASSERT_EQ(spray.channels(), 4) << "spray needs its alpha channel";
    const int size = spray.width();
    EXPECT_EQ(spray.height(), size);

    for (int i = 0; i < size; ++i) {
        EXPECT_EQ(spray.byteAt(i, 0, 3), 0);
        EXPECT_EQ(spray.byteAt(i, size - 1, 3), 0);
        EXPECT_EQ(spray.byteAt(0, i, 3), 0);
        EXPECT_EQ(spray.byteAt(size - 1, i, 3), 0);
    }
    EXPECT_GT(spray.byteAt(size / 2, size / 2, 3), 200);
    // Mean alpha in rings around the middle falls steadily outwards.
    const int rings = 6;
    double ringSum[rings] = {};
    int ringCount[rings] = {};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = (x + 0.5) - size * 0.5;
            const double dy = (y + 0.5) - size * 0.5;
            const int ring = static_cast<int>(std::sqrt(dx * dx + dy * dy) / (size * 0.5) * rings);
            if (ring < rings) {
                ringSum[ring] += spray.byteAt(x, y, 3);
                ++ringCount[ring];
            }
            // White, a little blue.
            EXPECT_GE(spray.byteAt(x, y, 0), 220);
            EXPECT_GE(spray.byteAt(x, y, 2), spray.byteAt(x, y, 0));
        }
    for (int ring = 1; ring < rings; ++ring)
        EXPECT_LT(ringSum[ring] / ringCount[ring], ringSum[ring - 1] / ringCount[ring - 1])
            << "ring " << ring;
}
