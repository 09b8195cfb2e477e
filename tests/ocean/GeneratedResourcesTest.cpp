#include "MessageCapture.h"
#include "TemporaryDirectory.h"

#include "core/Configuration.h"
#include <Maris/Environment.h>
#include <Maris/ResourceLoader.h>
#include "core/TGALoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

// The build writes Resources/Maris: the configuration file and the six sky faces.

namespace {

bool readShipped(const char* name, bool& value)
{
    return Maris::Configuration::GetBoolValue(name, value);
}
bool readShipped(const char* name, int& value)
{
    return Maris::Configuration::GetIntValue(name, value);
}
bool readShipped(const char* name, float& value)
{
    return Maris::Configuration::GetFloatValue(name, value);
}
bool readShipped(const char* name, double& value)
{
    return Maris::Configuration::GetDoubleValue(name, value);
}

// Whether the shipped file sets the key, which it must, to the value the library uses without it.
template <typename T>
bool expectShippedDefault(const Maris::ConfigurationKey<T>& key)
{
    SCOPED_TRACE(key.name);
    T value{};
    EXPECT_TRUE(readShipped(key.name, value));
    EXPECT_EQ(value, key.fallback);
    return true;
}

// An empty text names the key without setting it.
bool expectShippedDefault(const Maris::ConfigurationKey<const char*>& key)
{
    SCOPED_TRACE(key.name);
    const char* value = "";
    const bool set = Maris::Configuration::GetStringValue(key.name, value);
    EXPECT_EQ(set, *key.fallback != '\0');
    EXPECT_STREQ(value, key.fallback);
    return set;
}

class GeneratedConfigurationTest : public ::testing::Test
{
protected:
    MessageCapture messages;
    Maris::ResourceLoader loader{MARIS_RESOURCES_DIR, false};
};

} // namespace

TEST_F(GeneratedConfigurationTest, EverySettingHoldsTheBuiltInDefault)
{
    ASSERT_TRUE(Maris::Configuration::Load(&loader));
    std::size_t entries = 0;
#define MARIS_CONFIGURATION_KEY(identifier, name, type, value, comment)                           \
    entries += expectShippedDefault(Maris::ConfigKey::identifier);
#include "core/ConfigurationKeys.def"
    // Nothing but the library's keys.
    EXPECT_EQ(Maris::Configuration::GetEntryCount(), entries);
    EXPECT_TRUE(messages.entries().empty());
}

TEST_F(GeneratedConfigurationTest, EachSettingHasAOneLineCommentAbove)
{
    std::ifstream in(std::string(MARIS_RESOURCES_DIR) + "/Maris.config");
    ASSERT_TRUE(in);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    int settings = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty() || lines[i][0] == '#')
            continue;
        ++settings;
        ASSERT_GT(i, 0u);
        EXPECT_EQ(lines[i - 1].rfind("# ", 0), 0u) << "no comment above: " << lines[i];
        EXPECT_GT(lines[i - 1].size(), 10u);
    }
    EXPECT_EQ(settings, static_cast<int>(std::size(Maris::configurationKeyTexts)));
}

TEST_F(GeneratedConfigurationTest, AnEnvironmentOnTheShippedFileMatchesOneOnAnEmptyFile)
{
    Maris::Environment shipped;
    ASSERT_EQ(shipped.Initialize(Maris::FlatZUp, Maris::NoRenderer, &loader, nullptr, false),
              Maris::EnvironmentInitialized);
    MessageCapture::resetConfiguration();

    TemporaryDirectory empty;
    empty.write("Maris.config", "# nothing\n");
    Maris::ResourceLoader emptyLoader(empty.path().c_str(), false);
    Maris::Environment bare;
    ASSERT_EQ(bare.Initialize(Maris::FlatZUp, Maris::NoRenderer, &emptyLoader, nullptr, false),
              Maris::EnvironmentInitialized);

    EXPECT_EQ(shipped.GetVisibilityAboveWater(), bare.GetVisibilityAboveWater());
    EXPECT_EQ(shipped.GetVisibilityBelowWater(), bare.GetVisibilityBelowWater());
    EXPECT_EQ(shipped.GetFogColorAboveWater(), bare.GetFogColorAboveWater());
    EXPECT_EQ(shipped.GetFogColorBelowWater(), bare.GetFogColorBelowWater());
    EXPECT_TRUE(messages.entries().empty());
}

namespace {

const char* const faceNames[6] = {"posX.tga", "negX.tga", "posY.tga",
                                  "negY.tga", "posZ.tga", "negZ.tga"};

struct Direction
{
    double x, y, z;
};

// OpenGL's cube-map face selection: the face of the major axis and (s, t) in [0, 1].
void selectFace(const Direction& r, int& face, double& s, double& t)
{
    const double ax = std::fabs(r.x), ay = std::fabs(r.y), az = std::fabs(r.z);
    double sc, tc, ma;
    if (ax >= ay && ax >= az) {
        face = r.x > 0 ? 0 : 1;
        sc = r.x > 0 ? -r.z : r.z;
        tc = -r.y;
        ma = ax;
    } else if (ay >= az) {
        face = r.y > 0 ? 2 : 3;
        sc = r.x;
        tc = r.y > 0 ? r.z : -r.z;
        ma = ay;
    } else {
        face = r.z > 0 ? 4 : 5;
        sc = r.z > 0 ? r.x : -r.x;
        tc = -r.y;
        ma = az;
    }
    s = (sc / ma + 1.0) / 2.0;
    t = (tc / ma + 1.0) / 2.0;
}

// The direction through (s, t) of a face; s and t may lie a little outside [0, 1].
Direction faceDirection(int face, double s, double t)
{
    const double sc = 2.0 * s - 1.0, tc = 2.0 * t - 1.0;
    switch (face) {
    case 0: return {1.0, -tc, -sc};
    case 1: return {-1.0, -tc, sc};
    case 2: return {sc, 1.0, tc};
    case 3: return {sc, -1.0, -tc};
    case 4: return {sc, -tc, 1.0};
    default: return {-sc, -tc, -1.0};
    }
}

class SkyFacesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (int face = 0; face < 6; ++face) {
            ASSERT_TRUE(faces[face].Load(faceNames[face], &loader)) << faceNames[face];
            ASSERT_EQ(faces[face].GetBitsPerPixel(), 24);
            ASSERT_EQ(faces[face].GetWidth(), faces[face].GetHeight());
            ASSERT_EQ(faces[face].GetWidth(), faces[0].GetWidth());
        }
        size = static_cast<int>(faces[0].GetWidth());
        ASSERT_GE(size, 64);
    }

    const unsigned char* texel(int face, int column, int row) const
    {
        column = std::clamp(column, 0, size - 1);
        row = std::clamp(row, 0, size - 1);
        return faces[face].GetPixels() + (static_cast<std::size_t>(row) * size + column) * 3;
    }
    const unsigned char* texelAt(const Direction& d) const
    {
        int face;
        double s, t;
        selectFace(d, face, s, t);
        return texel(face, static_cast<int>(s * size), static_cast<int>(t * size));
    }
    static int difference(const unsigned char* a, const unsigned char* b)
    {
        int largest = 0;
        for (int c = 0; c < 3; ++c)
            largest = std::max(largest, std::abs(a[c] - b[c]));
        return largest;
    }
    static double brightness(const unsigned char* p) { return p[0] + p[1] + p[2]; }

    MessageCapture messages;
    Maris::ResourceLoader loader{MARIS_RESOURCES_DIR, false};
    Maris::TGALoader faces[6];
    int size = 0;
};

} // namespace

TEST_F(SkyFacesTest, FacesJoinWithoutSeams)
{
    // The step from an edge texel over the edge into the neighbouring face must look like a step
    // between neighbours inside a face.
    int largestInside = 0;
    for (int face = 0; face < 6; ++face)
        for (int row = 0; row < size; ++row)
            for (int column = 1; column < size; ++column) {
                largestInside = std::max(largestInside,
                                         difference(texel(face, column, row), texel(face, column - 1, row)));
                largestInside = std::max(largestInside,
                                         difference(texel(face, row, column), texel(face, row, column - 1)));
            }

    int largestAcross = 0;
    long long sumAcross = 0;
    int pairs = 0;
    const double outside = 0.5 / size;
    for (int face = 0; face < 6; ++face) {
        for (int i = 0; i < size; ++i) {
            const double along = (i + 0.5) / size;
            const double edgeCoordinates[4][4] = {
                {0.5 / size, along, -outside, along},                 // s = 0 edge
                {1.0 - 0.5 / size, along, 1.0 + outside, along},      // s = 1 edge
                {along, 0.5 / size, along, -outside},                 // t = 0 edge
                {along, 1.0 - 0.5 / size, along, 1.0 + outside},      // t = 1 edge
            };
            for (const auto& edge : edgeCoordinates) {
                const unsigned char* inside =
                    texel(face, static_cast<int>(edge[0] * size), static_cast<int>(edge[1] * size));
                const unsigned char* beyond = texelAt(faceDirection(face, edge[2], edge[3]));
                const int step = difference(inside, beyond);
                largestAcross = std::max(largestAcross, step);
                sumAcross += step;
                ++pairs;
            }
        }
    }
    EXPECT_LE(largestAcross, largestInside + 2);
    EXPECT_LT(static_cast<double>(sumAcross) / pairs, 3.0);
}

TEST_F(SkyFacesTest, ZenithIsDeepBlueAndTheHorizonHazy)
{
    // The sky lookup turns world direction (x, y, z) into cube direction (-x, z, -y).
    const unsigned char* zenith = texelAt({0.0, 1.0, 0.0});
    const unsigned char* nadir = texelAt({0.0, -1.0, 0.0});
    EXPECT_GT(zenith[2], zenith[0] + 60) << "zenith not blue";
    double horizonBrightness = 0.0;
    for (int k = 0; k < 16; ++k) {
        const double a = k * 3.14159265358979 / 8.0;
        const unsigned char* horizon = texelAt({std::cos(a), 0.0, std::sin(a)});
        horizonBrightness += brightness(horizon) / 16.0;
        // Haze: the horizon is paler (less saturated) than the zenith.
        EXPECT_LT(horizon[2] - horizon[0], zenith[2] - zenith[0]);
    }
    EXPECT_GT(horizonBrightness, brightness(zenith) + 100.0);
    EXPECT_GT(horizonBrightness, brightness(nadir));
}

TEST_F(SkyFacesTest, TheSunStandsWhereTheMainLightComesFrom)
{
    // World (-1, -1, 2), the direction of light 0, as a cube direction.
    const double n = std::sqrt(6.0);
    const Direction sun = {1.0 / n, 2.0 / n, 1.0 / n};
    const unsigned char* atSun = texelAt(sun);
    EXPECT_GE(std::min({atSun[0], atSun[1], atSun[2]}), 245);
    // Well away from it the sky is clearly darker.
    const unsigned char* away = texelAt({-1.0 / n, 2.0 / n, -1.0 / n});
    EXPECT_LT(brightness(away), brightness(atSun) - 60.0);
}
