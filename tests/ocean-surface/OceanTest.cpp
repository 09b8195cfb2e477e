#include "SurfaceScene.h"

#include <Environment.h>
#include <Ocean.h>
#include <ProjectedGrid.h>
#include <WaterModel.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace {

// Writes the pixels as a binary PPM, top row first, for a person to look at.
void writePortablePixmap(const std::string& path, const std::vector<std::uint8_t>& rgba, int width,
                         int height)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << " " << height << "\n255\n";
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            out.write(reinterpret_cast<const char*>(&rgba[(static_cast<std::size_t>(y) * width + x) * 4]), 3);
}

struct RegionStatistics
{
    double meanRed = 0, meanGreen = 0, meanBlue = 0;
    double luminanceDeviation = 0;
    double changedShare = 0; // share of pixels that differ from the clear colour
    double brightShare = 0;  // share of pixels brighter than 0.8 in every channel
};

RegionStatistics statistics(const std::vector<std::uint8_t>& rgba, int width, int rowFrom, int rowTo,
                            const std::uint8_t clearColour[3])
{
    RegionStatistics s;
    std::vector<double> luminance;
    for (int y = rowFrom; y < rowTo; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            s.meanRed += p[0];
            s.meanGreen += p[1];
            s.meanBlue += p[2];
            luminance.push_back(0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2]);
            if (std::abs(p[0] - clearColour[0]) + std::abs(p[1] - clearColour[1]) +
                    std::abs(p[2] - clearColour[2]) > 6)
                s.changedShare += 1;
            if (p[0] > 204 && p[1] > 204 && p[2] > 204)
                s.brightShare += 1;
        }
    const double count = static_cast<double>(luminance.size());
    s.meanRed /= count;
    s.meanGreen /= count;
    s.meanBlue /= count;
    s.changedShare /= count;
    s.brightShare /= count;
    double mean = 0;
    for (double l : luminance)
        mean += l;
    mean /= count;
    for (double l : luminance)
        s.luminanceDeviation += (l - mean) * (l - mean);
    s.luminanceDeviation = std::sqrt(s.luminanceDeviation / count);
    return s;
}

} // namespace

TEST(OceanDrawing, GerstnerSeaLooksLikeWaterBelowTheHorizonAndLeavesTheSkyAlone)
{
    SurfaceScene::Options options;
    options.width = 320;
    options.height = 240;
    SurfaceScene scene(options);
    ASSERT_TRUE(scene.ready()) << scene.failure();
    scene.useSkyCubeMap();
    // Level view: the horizon is the middle row.
    scene.environment().SimulateSeaState(4.0, 0.4);
    scene.lookAt(Maris::Vector3(0, 0, 40), Maris::Vector3(0, 1000, 40), 60.0);

    Maris::Ocean* ocean = Maris::Ocean::Create(&scene.environment(), Maris::GerstnerWaves, false, false);
    ASSERT_NE(ocean, nullptr) << ::testing::PrintToString(scene.messages().texts());
    const std::uint8_t clearColour[3] = {255, 0, 255};
    scene.clear(1, 0, 1);
    ocean->Draw(3.5, true, true, true);
    const std::vector<std::uint8_t> pixels = scene.readPixels();
    if (const char* keep = std::getenv("MARIS_KEEP_SCREENSHOTS"))
        writePortablePixmap(std::string(keep) + "/gerstner-sea.ppm", pixels, options.width, options.height);

    // Rows are counted from the bottom: water below the middle, sky above.
    const RegionStatistics water = statistics(pixels, options.width, 0, options.height / 2 - 8, clearColour);
    const RegionStatistics sky = statistics(pixels, options.width, options.height / 2 + 8, options.height, clearColour);
    EXPECT_GT(water.changedShare, 0.99);
    EXPECT_LT(sky.changedShare, 0.01);
    // Water: blue-green, not grey, with visible waves.
    EXPECT_GT(water.meanBlue, water.meanRed + 20);
    EXPECT_GT(water.luminanceDeviation, 4.0);
    delete ocean;
}
