#include "MessageCapture.h"
#include "TemporaryDirectory.h"

#include <Maris/ResourceLoader.h>
#include "core/TGALoader.h"

#include <osg/Image>
#include <osgDB/ReadFile>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

using Header = TGAHeader;

std::string tga(const Header& header, const Bytes& data)
{
    return tgaFile(header, std::string(data.begin(), data.end()));
}

Bytes pixelsOf(const Maris::TGALoader& image)
{
    const std::size_t count =
        static_cast<std::size_t>(image.GetWidth()) * image.GetHeight() * image.GetBitsPerPixel() / 8;
    return Bytes(image.GetPixels(), image.GetPixels() + count);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TGALoaderTest : public ::testing::Test
{
protected:
    // Writes the file and loads it; the messages of the load are in `messages`.
    bool load(const std::string& bytes)
    {
        directory.write("image.tga", bytes);
        Maris::ResourceLoader loader(directory.path().c_str(), false);
        messages.clear();
        return image.Load("image.tga", &loader);
    }

    void expectRejected(const std::string& bytes)
    {
        EXPECT_FALSE(load(bytes));
        EXPECT_EQ(messages.texts(), std::vector<std::string>{"Invalid TGA header"});
        EXPECT_EQ(image.GetPixels(), nullptr);
        EXPECT_EQ(image.GetWidth(), 0u);
    }

    MessageCapture messages;
    TemporaryDirectory directory;
    Maris::TGALoader image;
};

} // namespace

TEST_F(TGALoaderTest, TrueColorPixelsTurnFromBGRIntoRGB)
{
    Header header;
    header.width = 2;
    ASSERT_TRUE(load(tga(header, {1, 2, 3, 4, 5, 6})));
    EXPECT_EQ(image.GetWidth(), 2u);
    EXPECT_EQ(image.GetHeight(), 1u);
    EXPECT_EQ(image.GetBitsPerPixel(), 24);
    EXPECT_EQ(pixelsOf(image), (Bytes{3, 2, 1, 6, 5, 4}));
    EXPECT_TRUE(messages.entries().empty());
}

TEST_F(TGALoaderTest, AlphaStaysInPlaceWhenColorsSwap)
{
    Header header;
    header.width = 2;
    header.bitsPerPixel = 32;
    header.descriptor = 8;
    ASSERT_TRUE(load(tga(header, {10, 20, 30, 40, 50, 60, 70, 80})));
    EXPECT_EQ(pixelsOf(image), (Bytes{30, 20, 10, 40, 70, 60, 50, 80}));
}

TEST_F(TGALoaderTest, GreyImagesAreCopiedUnchangedInStoredRowOrder)
{
    Header header;
    header.type = 3;
    header.width = 3;
    header.height = 2;
    header.bitsPerPixel = 8;
    // The top-left origin bit is ignored: rows keep the order of the file.
    header.descriptor = 0x20;
    ASSERT_TRUE(load(tga(header, {1, 2, 3, 200, 201, 202})));
    EXPECT_EQ(image.GetBitsPerPixel(), 8);
    EXPECT_EQ(pixelsOf(image), (Bytes{1, 2, 3, 200, 201, 202}));
}

TEST_F(TGALoaderTest, PixelsStartAfterTheImageIdField)
{
    Header header;
    header.idLength = 5;
    ASSERT_TRUE(load(tga(header, {'h', 'e', 'l', 'l', 'o', 7, 8, 9})));
    EXPECT_EQ(pixelsOf(image), (Bytes{9, 8, 7}));
}

TEST_F(TGALoaderTest, UnreadableFilesFailWithTheLoadersMessagesOnly)
{
    Maris::ResourceLoader loader(directory.path().c_str(), false);
    messages.clear();
    EXPECT_FALSE(image.Load("missing.tga", &loader));
    ASSERT_EQ(messages.texts().size(), 2u);
    EXPECT_EQ(messages.texts()[0], "Failed to load the following resource:");
    EXPECT_EQ(image.GetPixels(), nullptr);
}

TEST_F(TGALoaderTest, AFailedLoadDropsTheEarlierImage)
{
    Header header;
    ASSERT_TRUE(load(tga(header, {1, 2, 3})));
    Header broken;
    broken.type = 1;
    EXPECT_FALSE(load(tga(broken, {1, 2, 3})));
    EXPECT_EQ(image.GetPixels(), nullptr);
    EXPECT_EQ(image.GetBitsPerPixel(), 0);
}

TEST_F(TGALoaderTest, RunLengthPacketsDecodeAcrossRowEnds)
{
    Header header;
    header.type = 10;
    header.width = 4;
    header.height = 2;
    // A run of three, two raw pixels, then a run of three that crosses into the second row.
    const Bytes packets = {0x82, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9, 0x82, 10, 11, 12};
    ASSERT_TRUE(load(tga(header, packets)));
    EXPECT_EQ(image.GetWidth(), 4u);
    EXPECT_EQ(image.GetHeight(), 2u);
    EXPECT_EQ(pixelsOf(image), (Bytes{3, 2, 1, 3, 2, 1, 3, 2, 1, 6, 5, 4,
                                      9, 8, 7, 12, 11, 10, 12, 11, 10, 12, 11, 10}));
}

TEST_F(TGALoaderTest, RunLengthWithAlphaAndAPacketPastTheLastPixel)
{
    Header header;
    header.type = 10;
    header.width = 3;
    header.bitsPerPixel = 32;
    // One raw pixel, then a run of five of which only two fit the image.
    ASSERT_TRUE(load(tga(header, {0x00, 1, 2, 3, 4, 0x84, 5, 6, 7, 8})));
    EXPECT_EQ(pixelsOf(image), (Bytes{3, 2, 1, 4, 7, 6, 5, 8, 7, 6, 5, 8}));
}

TEST_F(TGALoaderTest, RealImagesMatchTheSceneGraphsReader)
{
    // Written by other tools: run-length 24 and 32 bit, uncompressed 24 bit.
    for (const char* name : {"dark_grey.tga", "brow.l.tga", "eye.l.tga", "panel-right.tga",
                             "Saturn.TGA", "moon256128.TGA"}) {
        SCOPED_TRACE(name);
        Maris::ResourceLoader loader(MARIS_TESTDATA_IMAGES, false);
        ASSERT_TRUE(image.Load(name, &loader));
        osg::ref_ptr<osg::Image> reference =
            osgDB::readImageFile(std::string(MARIS_TESTDATA_IMAGES) + "/" + name);
        ASSERT_TRUE(reference.valid());
        ASSERT_EQ(image.GetWidth(), static_cast<unsigned>(reference->s()));
        ASSERT_EQ(image.GetHeight(), static_cast<unsigned>(reference->t()));
        const int channels = image.GetBitsPerPixel() / 8;
        int mismatches = 0;
        for (int t = 0; t < reference->t(); ++t) {
            for (int s = 0; s < reference->s(); ++s) {
                const osg::Vec4 expected = reference->getColor(s, t);
                const unsigned char* pixel = image.GetPixels() + (t * reference->s() + s) * channels;
                for (int c = 0; c < channels; ++c) {
                    const int want = static_cast<int>(std::lround(expected[c] * 255.0f));
                    if (pixel[c] != want)
                        ++mismatches;
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST_F(TGALoaderTest, RealRunLengthFileCutShortIsRejected)
{
    // eye.l.tga ends in a footer after its pixels; dark_grey.tga ends with its last packet.
    const std::string withFooter = readFile(std::string(MARIS_TESTDATA_IMAGES) + "/eye.l.tga");
    ASSERT_GT(withFooter.size(), 1000u);
    ASSERT_TRUE(load(withFooter));
    expectRejected(withFooter.substr(0, withFooter.size() / 2));

    const std::string bare = readFile(std::string(MARIS_TESTDATA_IMAGES) + "/dark_grey.tga");
    ASSERT_TRUE(load(bare));
    expectRejected(bare.substr(0, bare.size() - 1));
}
