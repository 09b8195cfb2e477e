#include "OceanScene.h"
#include "../bad-input/BadBytes.h"

#include "core/TGALoader.h"
#include "opengl/OceanLightingModelOpenGL.h"
#include "opengl/SprayTexture.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <string>
#include <vector>

namespace {

std::string pixelsOf(const Maris::TGALoader& image)
{
    return std::string(reinterpret_cast<const char*>(image.GetPixels()),
                       image.GetWidth() * image.GetHeight() * image.GetBitsPerPixel() / 8);
}

struct TGACase
{
    const char* name;
    std::string bytes;
};

// Loads each file into one image from the scene's directory.
class TGALoaderTest : public ::testing::Test
{
protected:
    bool load(const std::string& bytes) { return load(bytes, image); }
    bool load(const std::string& bytes, Maris::TGALoader& into)
    {
        scene.resources().write("image.tga", bytes);
        scene.messages().clear();
        return into.Load("image.tga", &scene.loader());
    }

    OceanScene scene{OceanScene::bareOptions("\n")};
    Maris::TGALoader image;
};

} // namespace

TEST_F(TGALoaderTest, PixelsAreDecodedAsRGBInStoredRowOrder)
{
    const struct
    {
        const char* name;
        std::string bytes, pixels;
    } cases[] = {
        {"true color turns from BGR into RGB", tga(2, 2, 1, 24, "\1\2\3\4\5\6"), "\3\2\1\6\5\4"},
        {"alpha stays in place", tga(2, 2, 1, 32, "\x0a\x14\x1e\x28\x32\x3c\x46\x50", 0, 8),
         "\x1e\x14\x0a\x28\x46\x3c\x32\x50"},
        // The top-left origin bit is ignored: rows keep the order of the file.
        {"grey is copied", tga(3, 3, 2, 8, "\1\2\3\xc8\xc9\xca", 0, 0x20), "\1\2\3\xc8\xc9\xca"},
        {"pixels follow the image id", tga(2, 1, 1, 24, "hello\7\10\11", 5), "\11\10\7"},
        // A run of three, two raw pixels, then a run of three that crosses into the second row.
        {"run-length packets cross row ends",
         tga(10, 4, 2, 24, "\x82\1\2\3\x01\4\5\6\7\10\11\x82\12\13\14"),
         "\3\2\1\3\2\1\3\2\1\6\5\4\11\10\7\14\13\12\14\13\12\14\13\12"},
        // One raw pixel, then a run of five of which only two fit: nothing is written past the end.
        {"a packet past the last pixel is cut", tga(10, 3, 1, 32, std::string("\0\1\2\3\4", 5) +
                                                                      "\x84\5\6\7\10"),
         "\3\2\1\4\7\6\5\10\7\6\5\10"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(load(c.bytes));
        EXPECT_EQ(pixelsOf(image), c.pixels);
        EXPECT_TRUE(scene.messages().entries().empty());
    }
}

namespace {

// Files whose headers lie: images larger than their data, empty or absurd sizes, types and depths
// the loader does not decode, run-length packets that run past the end, real files cut short.
std::vector<TGACase> lyingFiles()
{
    const std::string tenPixels(30, '\x40');
    // The most a small file can claim: 65535 x 65535 with all runs at their longest.
    std::string longestRuns;
    for (int i = 0; i < 4096; ++i)
        longestRuns += "\xff\x01\x02\x03\x04";
    // eye.l.tga ends in a footer after its pixels; dark_grey.tga ends with its last packet.
    const std::string withFooter = badinput::readFile(MARIS_TESTDATA_IMAGES "/eye.l.tga");
    const std::string bare = badinput::readFile(MARIS_TESTDATA_IMAGES "/dark_grey.tga");
    return {
        {"NoBytes", ""},
        {"HeaderCutShort", tga(2, 1, 1, 24, "").substr(0, 17)},
        {"HeaderOnly", tga(2, 1, 1, 24, "")},
        {"WiderThanItsData", tga(2, 100, 1, 24, tenPixels)},
        {"GreyLargerThanItsData", tga(3, 64, 64, 8, std::string(4095, '\x10'))},
        {"OnePixelShort", tga(2, 11, 1, 24, tenPixels)},
        {"ZeroWidth", tga(2, 0, 10, 24, tenPixels)},
        {"Huge", tga(2, 65535, 65535, 32, tenPixels)},
        {"HugeRunLengthOfLongestPackets", tga(10, 65535, 65535, 32, longestRuns)},
        {"ColourMapped", tga(1, 1, 1, 8, tenPixels)},
        {"RunLengthGrey", tga(11, 1, 1, 8, tenPixels)},
        {"SixteenBits", tga(2, 1, 1, 16, tenPixels)},
        {"SixtyFourBits", tga(2, 1, 1, 64, std::string(80, '\x40'))},
        {"IdFieldPastTheEnd", tga(2, 1, 1, 24, tenPixels, 255)},
        {"IdFieldLeavesTooLittle", tga(2, 2, 1, 24, tenPixels, 26)},
        // A count byte with the top bit set repeats one pixel, without it copies raw pixels.
        {"RepeatPacketWithoutItsPixel", tga(10, 4, 1, 24, "\x83\x01\x02")},
        {"RawPacketPastTheEnd", tga(10, 128, 1, 24, "\x7f" + tenPixels)},
        {"PacketsEndBeforeTheImage", tga(10, 9, 1, 24, "\x83\x01\x02\x03\x83\x01\x02\x03")},
        {"CountByteAtTheVeryEnd", tga(10, 2, 1, 24, "\x80\x01\x02\x03\x80")},
        {"RunLengthTooShortForItsSize", tga(10, 1024, 1024, 32, std::string(100, '\xff'))},
        {"RealRunLengthCutInHalf", withFooter.substr(0, withFooter.size() / 2)},
        {"RealRunLengthWithoutItsLastByte", bare.substr(0, bare.size() - 1)},
    };
}

class TGABadInput : public TGALoaderTest, public ::testing::WithParamInterface<TGACase>
{
};

} // namespace

// Each is refused with its message before anything of the header's size is allocated; the image
// read before is dropped, and the next good file loads.
TEST_P(TGABadInput, IsRefusedWithoutAllocatingWhatTheHeaderClaims)
{
    const std::string bytes = GetParam().bytes;
    const std::string good = tga(2, 2, 1, 24, "\1\2\3\4\5\6");
    CountingAllocator allocations;
    Maris::TGALoader counted; // outlived by the allocator its blocks come from
    ASSERT_TRUE(load(good, counted));
    allocations.largest = 0;
    EXPECT_FALSE(load(bytes, counted));
    // Reading the file takes its size. Uncompressed pixels need as many bytes as the file holds;
    // run-length packets yield at most 128 pixels from a count byte and one pixel, so a file
    // can honestly promise at most 128 times its size.
    const bool runLength = bytes.size() > 2 && bytes[2] == 10;
    EXPECT_LE(allocations.largest, runLength ? 128 * bytes.size() : bytes.size() + 64)
        << "allocated for the header's size";
    EXPECT_EQ(scene.messages().texts(), std::vector<std::string>{"Invalid TGA header"});
    EXPECT_EQ(counted.GetPixels(), nullptr);
    EXPECT_EQ(counted.GetWidth() + counted.GetHeight() + counted.GetBitsPerPixel(), 0u);
    ASSERT_TRUE(load(good, counted));
    EXPECT_EQ(pixelsOf(counted), "\3\2\1\6\5\4");
}

INSTANTIATE_TEST_SUITE_P(Header, TGABadInput, ::testing::ValuesIn(lyingFiles()),
                         [](const ::testing::TestParamInfo<TGACase>& info) {
                             return std::string(info.param.name);
                         });

// Through the lighting model's and the spray's textures, the ocean names the texture that failed.
// An 8-bit image as an RGBA texture would be read four bytes a pixel, past the end of its data.
TEST(OceanTextureBadInput, ABadTextureFailsItsUserWithItsMessages)
{
    OceanScene scene{OceanScene::shippedOptions()};
    ASSERT_TRUE(scene.ready()) << scene.failure();
    struct Case
    {
        const char* file;
        std::string bytes;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"foam.tga", tga(2, 512, 512, 24, std::string(3000, '\x40')),
         {"Invalid TGA header", "Could not load the OpenGL whitecaps texture."}},
        {"wash.tga", tga(3, 64, 64, 8, std::string(64 * 64, '\x40')),
         {"wash.tga has 8 bits per pixel; a texture needs 24 or 32",
          "Could not load the OpenGL propellor wash texture."}},
        {"spray.tga", tga(2, 16, 16, 8, std::string(256, '\x40')),
         {"spray.tga has 8 bits per pixel; a texture needs 24 or 32",
          "Couldn't load spray texture"}},
    };
    auto initialize = [&](const char* file) {
        bool initialized = false;
        if (std::string(file) == "spray.tga") {
            GLuint texture = Maris::CreateSprayTexture(&scene.environment());
            initialized = texture != 0;
            glDeleteTextures(1, &texture);
        } else {
            Maris::OceanLightingModelOpenGL lighting(&scene.environment());
            initialized = lighting.Initialize(0, 0);
        }
        while (glGetError() != GL_NO_ERROR) {
        }
        return initialized;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        scene.resources().write(c.file, c.bytes);
        scene.messages().clear();
        EXPECT_FALSE(initialize(c.file));
        EXPECT_EQ(scene.messages().texts(), c.messages);
        scene.resources().write(c.file, OceanScene::stagedFile(c.file));
        EXPECT_TRUE(initialize(c.file)) << "the shipped texture loads again";
    }
}
