// TGA files whose headers lie: images larger than their data, empty or absurd sizes, types and
// depths the loader does not decode, run-length packets that run past the end. Each is refused
// with "Invalid TGA header" before anything of the header's size is allocated, and a later good
// file still loads; through the lighting model's textures, the ocean reports which texture failed.

#include "OceanScene.h"

#include <Maris/Allocator.h>
#include <Maris/Environment.h>
#include "opengl/OceanLightingModelOpenGL.h"
#include <Maris/ResourceLoader.h>
#include "opengl/SprayTexture.h"
#include "core/TGALoader.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Header = TGAHeader;

std::string tga(const Header& header, const std::string& data)
{
    return tgaFile(header, data);
}

// A good image for "a later file still reads": 2 x 1 true-color pixels.
std::string goodImage()
{
    Header header;
    header.width = 2;
    return tga(header, std::string("\x01\x02\x03\x04\x05\x06", 6));
}

// Remembers the largest block the library asks for.
class LargestRequest : public Maris::Allocator
{
public:
    LargestRequest() { Maris::Allocator::SetCurrent(this); }
    ~LargestRequest() override { Maris::Allocator::SetCurrent(nullptr); }
    void* Allocate(std::size_t bytes) override
    {
        largest = std::max(largest, bytes);
        return std::malloc(bytes ? bytes : 1);
    }
    void Free(void* block) override { std::free(block); }
    std::size_t largest = 0;
};

struct LyingFile
{
    const char* name;
    std::string bytes;
};

std::ostream& operator<<(std::ostream& out, const LyingFile& file)
{
    return out << file.name;
}

Header with(int type, int width, int height, int bits, int idLength = 0)
{
    Header h;
    h.type = type;
    h.width = width;
    h.height = height;
    h.bitsPerPixel = bits;
    h.idLength = idLength;
    return h;
}

std::vector<LyingFile> lyingFiles()
{
    const std::string tenPixels(30, '\x40');
    std::vector<LyingFile> files = {
        {"NoBytes", std::string()},
        {"OneByte", std::string(1, '\x02')},
        {"HeaderCutShort", tga(with(2, 1, 1, 24), "").substr(0, 17)},
        {"HeaderOnly", tga(with(2, 1, 1, 24), "")},
        {"WiderThanItsData", tga(with(2, 100, 1, 24), tenPixels)},
        {"TallerThanItsData", tga(with(2, 1, 100, 24), tenPixels)},
        {"GreyLargerThanItsData", tga(with(3, 64, 64, 8), std::string(4095, '\x10'))},
        {"OnePixelShort", tga(with(2, 11, 1, 24), tenPixels)},
        {"ZeroWidth", tga(with(2, 0, 10, 24), tenPixels)},
        {"ZeroHeight", tga(with(2, 10, 0, 24), tenPixels)},
        {"ZeroBoth", tga(with(2, 0, 0, 24), "")},
        {"Huge", tga(with(2, 65535, 65535, 32), tenPixels)},
        {"HugeGrey", tga(with(3, 65535, 65535, 8), tenPixels)},
        {"HugeRunLength", tga(with(10, 65535, 65535, 32), std::string("\xff\x01\x02\x03\x04", 5))},
        {"NoImageData", tga(with(0, 1, 1, 24), tenPixels)},
        {"ColourMapped", tga(with(1, 1, 1, 8), tenPixels)},
        {"RunLengthColourMapped", tga(with(9, 1, 1, 8), tenPixels)},
        {"RunLengthGrey", tga(with(11, 1, 1, 8), tenPixels)},
        {"HuffmanDelta", tga(with(32, 1, 1, 24), tenPixels)},
        {"QuadTree", tga(with(33, 1, 1, 24), tenPixels)},
        {"TypeTwoHundredFiftyFive", tga(with(255, 1, 1, 24), tenPixels)},
        {"ZeroBits", tga(with(2, 1, 1, 0), tenPixels)},
        {"OneBit", tga(with(2, 1, 1, 1), tenPixels)},
        {"FifteenBits", tga(with(2, 1, 1, 15), tenPixels)},
        {"SixteenBits", tga(with(2, 1, 1, 16), tenPixels)},
        {"TwentyFiveBits", tga(with(2, 1, 1, 25), tenPixels)},
        {"FortyEightBits", tga(with(2, 1, 1, 48), std::string(60, '\x40'))},
        {"SixtyFourBits", tga(with(2, 1, 1, 64), std::string(80, '\x40'))},
        {"TwoHundredFiftyFiveBits", tga(with(2, 1, 1, 255), std::string(400, '\x40'))},
        {"IdFieldPastTheEnd", tga(with(2, 1, 1, 24, 255), tenPixels)},
        {"IdFieldLeavesTooLittle", tga(with(2, 2, 1, 24, 26), tenPixels)},
        // Run-length data: a count byte with the top bit set repeats one pixel, without it copies
        // that many raw pixels.
        {"RepeatPacketWithoutItsPixel", tga(with(10, 4, 1, 24), std::string("\x83\x01\x02", 3))},
        {"RawPacketPastTheEnd", tga(with(10, 128, 1, 24), std::string("\x7f", 1) + std::string(30, '\x40'))},
        {"PacketsEndBeforeTheImage", tga(with(10, 9, 1, 24), std::string("\x83\x01\x02\x03\x83\x01\x02\x03", 8))},
        {"CountByteAtTheVeryEnd", tga(with(10, 2, 1, 24), std::string("\x80\x01\x02\x03\x80", 5))},
        {"RunLengthTooShortForItsSize", tga(with(10, 1024, 1024, 32), std::string(100, '\xff'))},
    };
    // The most a small file can claim: a full header of 65535 x 65535 with all runs at their longest.
    std::string packets;
    for (int i = 0; i < 4096; ++i)
        packets += std::string("\xff\x01\x02\x03\x04", 5);
    files.push_back({"HugeRunLengthOfLongestPackets", tga(with(10, 65535, 65535, 32), packets)});
    return files;
}

class TGABadInput : public ::testing::TestWithParam<LyingFile>
{
protected:
    MessageCapture messages;
    TemporaryDirectory directory;
};

} // namespace

TEST_P(TGABadInput, IsRefusedWithoutAllocatingWhatTheHeaderClaims)
{
    const LyingFile& file = GetParam();
    directory.write("bad.tga", file.bytes);
    directory.write("good.tga", goodImage());
    Maris::ResourceLoader loader(directory.path().c_str(), false);

    // Outlives the image: blocks go back to the allocator that handed them out.
    LargestRequest allocations;
    Maris::TGALoader image;
    EXPECT_FALSE(image.Load("bad.tga", &loader));
    // Reading the file takes its size. Uncompressed pixels need as many bytes as the file holds;
    // run-length packets yield at most 128 pixels from a count byte and one pixel, so a file
    // can honestly promise at most 128 times its size. Nothing beyond is asked for.
    const bool runLength = file.bytes.size() > 2 && file.bytes[2] == 10;
    const std::size_t honest = runLength ? 128 * file.bytes.size() : file.bytes.size() + 64;
    EXPECT_LE(allocations.largest, honest) << "allocated for the header's size";
    EXPECT_EQ(std::vector<std::string>{"Invalid TGA header"}, messages.texts());
    EXPECT_EQ(nullptr, image.GetPixels());
    EXPECT_EQ(0u, image.GetWidth());
    EXPECT_EQ(0u, image.GetHeight());

    messages.clear();
    ASSERT_TRUE(image.Load("good.tga", &loader)) << "the same loader reads a good file next";
    EXPECT_EQ(2u, image.GetWidth());
    EXPECT_EQ(3, image.GetPixels()[0]);
    EXPECT_TRUE(messages.texts().empty());
}

INSTANTIATE_TEST_SUITE_P(Header, TGABadInput, ::testing::ValuesIn(lyingFiles()),
                         [](const ::testing::TestParamInfo<LyingFile>& info) { return std::string(info.param.name); });

// A packet that reaches past the last pixel is cut there: the image is complete, and nothing is
// written past its end.
TEST(TGARunLength, PacketPastTheLastPixelIsCutAtTheImagesEnd)
{
    MessageCapture messages;
    TemporaryDirectory directory;
    directory.write("run.tga", tga(with(10, 3, 1, 24), std::string("\xff\x01\x02\x03", 4)));
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    Maris::TGALoader image;
    ASSERT_TRUE(image.Load("run.tga", &loader));
    ASSERT_EQ(3u, image.GetWidth());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(3, image.GetPixels()[3 * i]) << "pixel " << i;
    EXPECT_TRUE(messages.texts().empty());
}

namespace {

// The lighting model's textures read from a resource directory holding the shipped configuration
// and textures, one of which the test replaces.
class OceanTextureBadInput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(scene.ready()) << scene.failure();
        scene.messages().clear();
    }

    bool initializeLighting()
    {
        Maris::OceanLightingModelOpenGL lighting(&scene.environment());
        const bool initialized = lighting.Initialize(0, 0);
        while (glGetError() != GL_NO_ERROR) {
        }
        return initialized;
    }

    OceanScene scene{OceanScene::shippedOptions()};
};

} // namespace

TEST_F(OceanTextureBadInput, LyingFoamTextureFailsTheLightingModelWithItsMessages)
{
    scene.resources().write("foam.tga", tga(with(2, 512, 512, 24), std::string(3000, '\x40')));
    EXPECT_FALSE(initializeLighting());
    EXPECT_EQ((std::vector<std::string>{"Invalid TGA header", "Could not load the OpenGL whitecaps texture."}),
              scene.messages().texts());

    scene.messages().clear();
    scene.resources().write("foam.tga", OceanScene::stagedFile("foam.tga"));
    EXPECT_TRUE(initializeLighting()) << "the shipped texture loads again";
}

TEST_F(OceanTextureBadInput, MissingNoiseTextureNamesTheFileAndTheTexture)
{
    std::remove((scene.resources().path() + "/perlin.tga").c_str());
    EXPECT_FALSE(initializeLighting());
    const std::vector<std::string> texts = scene.messages().texts();
    ASSERT_EQ(3u, texts.size());
    EXPECT_EQ("Failed to load the following resource:", texts[0]);
    EXPECT_EQ(scene.resources().path() + "/perlin.tga", texts[1]);
    EXPECT_EQ("Could not load the OpenGL noise texture.", texts[2]);
}

// An 8-bit image holds one byte a pixel; uploaded as RGBA it would be read four bytes a pixel,
// past the end of its data. The ocean's textures are color images and refuse it.
TEST_F(OceanTextureBadInput, GreyImageAsAColorTextureIsRefused)
{
    scene.resources().write("wash.tga", tga(with(3, 64, 64, 8), std::string(64 * 64, '\x40')));
    EXPECT_FALSE(initializeLighting());
    EXPECT_EQ((std::vector<std::string>{"wash.tga has 8 bits per pixel; a texture needs 24 or 32",
                                        "Could not load the OpenGL propellor wash texture."}),
              scene.messages().texts());

    scene.messages().clear();
    scene.resources().write("spray.tga", tga(with(2, 16, 16, 8), std::string(256, '\x40')));
    EXPECT_EQ(0u, Maris::CreateSprayTexture(&scene.environment()));
    EXPECT_EQ((std::vector<std::string>{"spray.tga has 8 bits per pixel; a texture needs 24 or 32",
                                        "Couldn't load spray texture"}),
              scene.messages().texts());
}
