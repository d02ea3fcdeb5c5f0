// The LZW image data read by two decoders that are not ours, giflib's and
// ImageMagick's, on indices made to meet the encoder's edges: codes growing
// wider just as the last one is written, the dictionary starting over at
// 4095 codes, one- to eight-bit tables, rows narrower than their stride.

#include "GifBytes.h"
#include "TestSupport.h"

#include "formats/GifLzw.h"
#include "io/WholeFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

using namespace kinetra;
using namespace kinetra::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

// A GIF of the one image, entry i of its table the grey (i, i, i), so that a
// reader's grey is the index.
Bytes gifAround(const Bytes& pixels, std::size_t stride, int width, int height, int bits)
{
    Bytes gif{'G', 'I', 'F', '8', '9', 'a'};
    const auto u16 = [&gif](int value) {
        gif.push_back(std::uint8_t(value));
        gif.push_back(std::uint8_t(value >> 8));
    };
    u16(width);
    u16(height);
    gif.insert(gif.end(), {std::uint8_t(0x80 | (bits - 1) << 4 | (bits - 1)), 0, 0});
    for (int i = 0; i < (1 << bits); ++i)
        gif.insert(gif.end(), 3, std::uint8_t(i));
    gif.push_back(0x2C);
    u16(0);
    u16(0);
    u16(width);
    u16(height);
    gif.push_back(0);
    AppendGifImageData({pixels.data(), stride, width, height}, bits, gif);
    gif.push_back(0x3B);
    return gif;
}

// The indices giflib reads; empty after a failure when it cannot.
Bytes giflibIndices(const Bytes& gif)
{
    GifBytes source{&gif, 0};
    int error = 0;
    GifFileType* file = DGifOpen(&source, readGifBytes, &error);
    if (!file) {
        ADD_FAILURE() << "DGifOpen: " << GifErrorString(error);
        return {};
    }
    Bytes indices;
    if (DGifSlurp(file) != GIF_OK || file->ImageCount != 1) {
        ADD_FAILURE() << "DGifSlurp: " << GifErrorString(file->Error);
    } else {
        const GifImageDesc& box = file->SavedImages[0].ImageDesc;
        const auto* raster = file->SavedImages[0].RasterBits;
        indices.assign(raster, raster + std::size_t(box.Width) * std::size_t(box.Height));
    }
    DGifCloseFile(file, &error);
    return indices;
}

// The greys ImageMagick reads; empty when it cannot or is not installed.
Bytes imageMagickIndices(const Bytes& gif)
{
    const TempFile file(gif, ".gif");
    const TempFile grey({}, ".gray");
    const std::string command = "convert '" + file.path() + "' -depth 8 'gray:" + grey.path() + "' 2>/dev/null";
    Bytes indices;
    if (std::system(command.c_str()) != 0 || !readWholeFile(grey.path(), indices))
        return {};
    return indices;
}

// `count` indices below 2^bits whose neighbouring pairs all differ, so that
// each is a code of its own: runs of i * k for every odd step k (a pair's
// step tells its run, its first index its place). Repeats once the pairs
// are used up.
Bytes everyPairNew(std::size_t count, int bits)
{
    const unsigned size = 1u << bits;
    Bytes indices;
    while (indices.size() < count) {
        for (unsigned step = 1; step < size && indices.size() < count; step += 2) {
            for (unsigned i = 0; i < size && indices.size() < count; ++i)
                indices.push_back(std::uint8_t((i * step) & (size - 1)));
        }
    }
    return indices;
}

Bytes randomIndices(std::size_t count, int bits)
{
    std::mt19937 random(std::uint32_t(count * 31 + unsigned(bits)));
    Bytes indices(count);
    for (std::uint8_t& index : indices)
        index = std::uint8_t(random() & ((1u << bits) - 1));
    return indices;
}

enum class Pattern { Constant, EveryPairNew, Random };

struct LzwCase {
    const char* name;
    int width;
    int height;
    int stride; // at least width; columns beyond width hold 0xFF, never read
    int bits;
    Pattern pattern;
};

// With every pair new, each index is a code: an 8-bit dictionary holds 512
// entries after 254 of them (the last code and the end code then take 10
// bits) and is full after 3837, when a clear code follows.
const LzwCase kCases[] = {
    {"OnePixel", 1, 1, 1, 1, Pattern::Constant},
    {"OneBitRandomStartsOver", 331, 173, 331, 1, Pattern::Random},
    {"TwoBitsEveryPair", 17, 1, 17, 2, Pattern::EveryPairNew},
    {"ThreeBitsRandom", 37, 23, 40, 3, Pattern::Random},
    {"FourBitsLongRun", 300, 200, 300, 4, Pattern::Constant},
    {"FiveBitsRandom", 61, 59, 61, 5, Pattern::Random},
    {"SixBitsEveryPair", 640, 7, 643, 6, Pattern::EveryPairNew},
    {"SevenBitsRandom", 129, 127, 129, 7, Pattern::Random},
    {"EightBitsWidenAtTheEnd", 255, 1, 255, 8, Pattern::EveryPairNew},
    {"EightBitsWidenBeforeTheEnd", 256, 1, 256, 8, Pattern::EveryPairNew},
    {"EightBitsFullAtTheEnd", 3838, 1, 3838, 8, Pattern::EveryPairNew},
    {"EightBitsStartOverOnce", 3840, 1, 3840, 8, Pattern::EveryPairNew},
    {"EightBitsStartOverOften", 200, 160, 256, 8, Pattern::EveryPairNew},
    {"EightBitsRandom", 320, 240, 320, 8, Pattern::Random},
};

class GifLzwTest : public ::testing::TestWithParam<LzwCase> {};

TEST_P(GifLzwTest, GiflibAndImageMagickReadTheIndices)
{
    const LzwCase& c = GetParam();
    const std::size_t count = std::size_t(c.width) * std::size_t(c.height);
    Bytes wanted;
    switch (c.pattern) {
    case Pattern::Constant:
        wanted.assign(count, std::uint8_t((1u << c.bits) - 1));
        break;
    case Pattern::EveryPairNew:
        wanted = everyPairNew(count, c.bits);
        break;
    case Pattern::Random:
        wanted = randomIndices(count, c.bits);
        break;
    }
    Bytes strided(std::size_t(c.stride) * std::size_t(c.height), 0xFF);
    for (int y = 0; y < c.height; ++y)
        std::copy_n(wanted.begin() + std::ptrdiff_t(y) * c.width, c.width, strided.begin() + std::ptrdiff_t(y) * c.stride);

    const Bytes gif = gifAround(strided, std::size_t(c.stride), c.width, c.height, c.bits);
    EXPECT_EQ(giflibIndices(gif), wanted);
    const Bytes magick = imageMagickIndices(gif);
    if (magick.empty())
        GTEST_SKIP() << "ImageMagick is not installed (tools/setup.sh installs it)";
    EXPECT_EQ(magick, wanted);
}

INSTANTIATE_TEST_SUITE_P(Edges, GifLzwTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LzwCase>& param) { return param.param.name; });

} // namespace
