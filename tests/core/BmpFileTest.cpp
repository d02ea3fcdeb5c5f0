// The BMP codec: what ImageMagick writes reads as ImageMagick reads it,
// what Kinetra writes reads back and in ImageMagick, and every header or
// size that does not hold together is refused with its reason before any
// pixel is read.

#include "TestSupport.h"

#include "formats/BmpFile.h"
#include "formats/PngFile.h"
#include "io/WholeFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace kinetra {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kCorpus = KINETRA_TEST_DATA_DIR "/bmp/";

IndexImage patternOf(int width, int height)
{
    IndexImage image(width, height);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = std::uint8_t(i * 37 + i / 5);
    return image;
}

Palette rampPalette()
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7));
    return palette;
}

Bytes encoded(const IndexImage& image)
{
    Bytes bytes;
    std::string problem;
    EXPECT_TRUE(encodeIndexedBmp(image, rampPalette(), bytes, problem)) << problem;
    return bytes;
}

void put32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

// The pixels ImageMagick reads from a picture file, as 0xAARRGGBB; empty
// when it is not installed.
std::vector<std::uint32_t> imageMagickPixels(const std::string& path)
{
    const test::TempFile png({}, ".png");
    const std::string command = "convert '" + path + "' PNG32:'" + png.path() + "' 2>/dev/null";
    std::string problem;
    if (std::system(command.c_str()) != 0)
        return {};
    const auto read = readPngFile(png.path(), problem);
    return read ? read->argb : std::vector<std::uint32_t>{};
}

TEST(BmpFile, EveryKindImageMagickWritesReadsAsImageMagickReadsIt)
{
    const struct {
        const char* file;
        PictureData::Kind kind;
    } cases[] = {
        {"mono1.bmp", PictureData::Kind::Indexed},     {"indexed4.bmp", PictureData::Kind::Indexed},
        {"indexed8.bmp", PictureData::Kind::Indexed},  {"os2-core.bmp", PictureData::Kind::Indexed},
        {"rle8.bmp", PictureData::Kind::Indexed},
        {"rgb24.bmp", PictureData::Kind::TrueColour},  {"rgb565.bmp", PictureData::Kind::TrueColour},
        {"argb32-v5.bmp", PictureData::Kind::TrueColour},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Bytes bytes;
        ASSERT_TRUE(readWholeFile(kCorpus + c.file, bytes));
        std::string problem;
        const auto picture = decodeBmp(bytes, problem, kMaxPngPixels);
        ASSERT_TRUE(picture) << problem;
        EXPECT_EQ(picture->kind, c.kind);
        const auto expected = imageMagickPixels(kCorpus + c.file);
        if (expected.empty())
            GTEST_SKIP() << "ImageMagick is not installed (tools/setup.sh installs it)";
        auto pixels = argbPixels(*picture);
        // A transparent pixel's colour is anyone's.
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            if (pixels[i] >> 24 == 0 && i < expected.size() && expected[i] >> 24 == 0)
                pixels[i] = expected[i];
        }
        EXPECT_EQ(pixels, expected);
    }
}

TEST(BmpFile, WhatIsWrittenReadsBackAndInImageMagick)
{
    // Widths that pad their rows by 3, 2, 1 and 0 bytes.
    for (const int width : {1, 6, 7, 8}) {
        SCOPED_TRACE(width);
        const IndexImage image = patternOf(width, 5);
        const Bytes bytes = encoded(image);
        std::string problem;
        const auto read = decodeBmp(bytes, problem, kMaxPngPixels);
        ASSERT_TRUE(read) << problem;
        EXPECT_EQ(read->indices.pixels, image.pixels);
        EXPECT_EQ(read->palette, rampPalette());
        EXPECT_EQ(read->paletteSize, 256);

        const test::TempFile file(bytes, ".bmp");
        const auto expected = imageMagickPixels(file.path());
        if (expected.empty())
            GTEST_SKIP() << "ImageMagick is not installed (tools/setup.sh installs it)";
        EXPECT_EQ(argbPixels(*read), expected);
    }
}

TEST(BmpFile, TopDownRowsReadInTheirOrder)
{
    const IndexImage image = patternOf(7, 4);
    Bytes bytes = encoded(image);
    // Rows of 8 bytes from offset 1078, bottom up: stored top down instead.
    Bytes flipped = bytes;
    for (int row = 0; row < 4; ++row)
        std::copy_n(bytes.begin() + 1078 + row * 8, 8, flipped.begin() + 1078 + (3 - row) * 8);
    put32(flipped, 22, std::uint32_t(-4));
    std::string problem;
    const auto read = decodeBmp(flipped, problem, kMaxPngPixels);
    ASSERT_TRUE(read) << problem;
    EXPECT_EQ(read->indices.pixels, image.pixels);
}

// A 4 x 2 picture of 16 colours, RLE4: its pixels after the header.
Bytes rle4Picture(const Bytes& pixels)
{
    Bytes bytes = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 118, 0, 0, 0, 40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 4, 0, 2};
    bytes.resize(118, 0);
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    return bytes;
}

TEST(BmpFile, RunLengthPixelsFillTheirRowsAndNoMore)
{
    const struct {
        const char* what;
        Bytes data;
        std::vector<std::uint8_t> indices; // top row first
    } cases[] = {
        {"a run, a line's end, a literal", {4, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1}, {3, 4, 5, 0, 1, 2, 1, 2}},
        {"a run past the row's end is cut", {9, 0x77, 0, 1}, {0, 0, 0, 0, 7, 7, 7, 7}},
        {"a jump leaves its pixels 0", {0, 2, 2, 1, 2, 0x99, 0, 1}, {0, 0, 9, 9, 0, 0, 0, 0}},
        {"a jump past the top ends it", {1, 0x50, 0, 2, 0, 9}, {0, 0, 0, 0, 5, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string problem;
        const auto read = decodeBmp(rle4Picture(c.data), problem, kMaxPngPixels);
        ASSERT_TRUE(read) << problem;
        EXPECT_EQ(read->indices.pixels, c.indices);
    }
    std::string problem;
    EXPECT_FALSE(decodeBmp(rle4Picture({4, 0x12, 0, 0, 0, 9, 0x12}), problem, kMaxPngPixels));
    EXPECT_EQ(problem, "Cannot read the picture: the BMP's run-length data is damaged.");
}

TEST(BmpFile, AThirtyTwoBitPictureWithoutAlphaIsOpaque)
{
    // 2 x 1, BI_RGB, the fourth bytes zero as most writers leave them.
    Bytes bytes = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 32, 0};
    bytes.resize(54, 0);
    bytes.insert(bytes.end(), {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0});
    std::string problem;
    auto read = decodeBmp(bytes, problem, kMaxPngPixels);
    ASSERT_TRUE(read) << problem;
    EXPECT_EQ(read->argb, (std::vector<std::uint32_t>{0xFF302010, 0xFF605040}));
    bytes[57] = 0x80; // one alpha byte set: the fourth bytes are alpha
    read = decodeBmp(bytes, problem, kMaxPngPixels);
    ASSERT_TRUE(read) << problem;
    EXPECT_EQ(read->argb, (std::vector<std::uint32_t>{0x80302010, 0x00605040}));
}

TEST(BmpFile, HeadersAndSizesThatDoNotHoldTogetherAreRefused)
{
    const Bytes good = encoded(patternOf(7, 4));
    const struct {
        const char* what;
        void (*damage)(Bytes& bytes);
        const char* problem;
    } cases[] = {
        {"no mark", [](Bytes& b) { b[0] = 'P'; }, "it is not a BMP picture (it does not start with \"BM\")"},
        {"cut in the header", [](Bytes& b) { b.resize(30); }, "the file is shorter than a BMP header"},
        {"an unknown info header", [](Bytes& b) { put32(b, 14, 99); },
         "the BMP's info header of 99 bytes is of no kind the reader knows"},
        {"two planes", [](Bytes& b) { b[26] = 2; }, "the BMP has 2 planes; a BMP has 1"},
        {"no width", [](Bytes& b) { put32(b, 18, 0); }, "the BMP's size of 0 x 4 pixels is no picture"},
        {"a height no row order can hold", [](Bytes& b) { put32(b, 22, 0x80000000u); }, "pixels is no picture"},
        {"7 bits", [](Bytes& b) { b[28] = 7; }, "the BMP has 7 bits per pixel; only 1, 4, 8, 16, 24 and 32 are read"},
        {"RLE4 on 8 bits", [](Bytes& b) { put32(b, 30, 2); },
         "the BMP's run-length compression (RLE4) does not fit its 8 bits per pixel"},
        {"JPEG inside", [](Bytes& b) { put32(b, 30, 4); }, "the BMP holds a JPEG picture"},
        {"an unknown compression", [](Bytes& b) { put32(b, 30, 9); }, "the BMP's compression 9 is none the reader knows"},
        {"masks on 8 bits", [](Bytes& b) { put32(b, 30, 3); }, "the BMP has colour masks on 8 bits per pixel"},
        {"pixels inside the header", [](Bytes& b) { put32(b, 10, 20); },
         "the BMP's pixels start at byte 20, inside its header"},
        {"cut in the pixels", [](Bytes& b) { b.resize(b.size() - 1); }, "a BMP of 7 x 4 pixels cannot fit in 1109 bytes"},
        {"a far larger file", [](Bytes& b) { b.resize(b.size() + 2 * 1024 * 1024); },
         "the file's 2098262 bytes are far more than a BMP of 7 x 4 pixels holds"},
        {"pixels far from the header", [](Bytes& b) { put32(b, 10, 3 * 1024 * 1024); }, "cannot fit in"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = good;
        c.damage(bytes);
        std::string problem;
        EXPECT_FALSE(decodeBmp(bytes, problem, kMaxPngPixels));
        EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
        EXPECT_EQ(problem.rfind("Cannot read the picture: ", 0), 0u) << problem;
    }
}

TEST(BmpFile, APictureOverTheCallersSizeIsRefusedFromItsHeader)
{
    Bytes bytes = encoded(patternOf(7, 4));
    bytes.resize(200); // the pixels are never reached
    std::string problem;
    EXPECT_FALSE(decodeBmp(bytes, problem, 27));
    EXPECT_EQ(problem, "Cannot read the picture: a BMP of 7 x 4 pixels is more than the 27 pixels a picture may have.");
}

} // namespace
} // namespace kinetra
