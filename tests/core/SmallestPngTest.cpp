#include "formats/PngFile.h"

#include <png.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace kinetra;

namespace {

// The pixels as 0xAARRGGBB through libpng's own reading of any PNG into
// RGBA, palette and tRNS expanded, so the check stands apart from ours.
std::vector<std::uint32_t> readAsArgb(const std::vector<std::uint8_t>& bytes, int& colourType, int& depth)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        ADD_FAILURE() << image.message;
        return {};
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        ADD_FAILURE() << image.message;
        return {};
    }
    colourType = bytes[25];
    depth = bytes[24];
    std::vector<std::uint32_t> argb;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4)
        argb.push_back(std::uint32_t(rgba[i + 3]) << 24 | std::uint32_t(rgba[i]) << 16 | std::uint32_t(rgba[i + 1]) << 8
                       | rgba[i + 2]);
    return argb;
}

// The entries of the PLTE chunk, which follows the header.
std::size_t paletteEntries(const std::vector<std::uint8_t>& bytes)
{
    constexpr std::size_t kAt = kPngHeadSize + 4; // past its length
    if (bytes.size() < kAt + 4 || std::string(bytes.begin() + kAt, bytes.begin() + kAt + 4) != "PLTE")
        return 0;
    const std::size_t length = std::size_t(bytes[kAt - 4]) << 24 | std::size_t(bytes[kAt - 3]) << 16
                               | std::size_t(bytes[kAt - 2]) << 8 | bytes[kAt - 1];
    return length / 3;
}

// A picture of `count` colours, of which every third is clear and every
// third half clear when `translucent`.
ExportPicture pictureOf(int count, bool translucent)
{
    ExportPicture picture;
    picture.width = 37;
    picture.height = 23;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const auto colour = std::uint32_t((x * 7 + y * 3) % count);
            const std::uint32_t alpha = !translucent ? 0xFF : colour % 3 == 0 ? 0 : colour % 3 == 1 ? 0x80 : 0xFF;
            picture.pixels.push_back(alpha << 24 | (colour * 0x010307u & 0xFFFFFF));
        }
    }
    return picture;
}

} // namespace

TEST(SmallestPng, FewColoursGoToAPaletteAndDecodeToTheSamePixels)
{
    struct Case {
        int colours;
        bool translucent;
        PngChannels channels;
        int colourType; // as written
        int depth;
    };
    const Case cases[] = {
        {2, false, PngChannels::Rgb, PNG_COLOR_TYPE_PALETTE, 1},
        {3, true, PngChannels::Rgba, PNG_COLOR_TYPE_PALETTE, 2},
        {16, true, PngChannels::Rgba, PNG_COLOR_TYPE_PALETTE, 4},
        {17, false, PngChannels::Rgb, PNG_COLOR_TYPE_PALETTE, 8},
        {256, true, PngChannels::Rgba, PNG_COLOR_TYPE_PALETTE, 8},
        // One past what a palette holds: the true-colour picture as before.
        {257, true, PngChannels::Rgba, PNG_COLOR_TYPE_RGB_ALPHA, 8},
        {257, false, PngChannels::Rgb, PNG_COLOR_TYPE_RGB, 8},
        // Alpha the picture does not keep makes no colours of its own.
        {256, true, PngChannels::Rgb, PNG_COLOR_TYPE_PALETTE, 8},
    };
    for (const Case& test : cases) {
        const ExportPicture picture = pictureOf(test.colours, test.translucent);
        std::vector<std::uint8_t> smallest;
        std::vector<std::uint8_t> trueColour;
        std::string error;
        ASSERT_TRUE(encodeSmallestPng(picture, test.channels, smallest, error)) << error;
        ASSERT_TRUE(encodeArgbPng(picture, test.channels, trueColour, error)) << error;
        int colourType = -1;
        int depth = -1;
        int ignored = 0;
        EXPECT_EQ(readAsArgb(smallest, colourType, depth), readAsArgb(trueColour, ignored, ignored)) << test.colours;
        EXPECT_EQ(colourType, test.colourType) << test.colours;
        EXPECT_EQ(depth, test.depth) << test.colours;
    }
}

TEST(SmallestPng, AFrameKeepsJustTheEntriesItUses)
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7));
    struct Case {
        std::vector<std::uint8_t> used; // the frame's indices cycle through these
        int depth;
    };
    const Case cases[] = {
        {{200}, 1},
        {{0, 1, 2, 3}, 2},
        {{255, 3, 90, 17, 4}, 4},
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, 8},
    };
    for (const Case& test : cases) {
        constexpr int kWidth = 19;
        constexpr int kHeight = 7;
        std::vector<std::uint8_t> indices;
        ExportPicture expected{kWidth, kHeight, {}, 0};
        for (int i = 0; i < kWidth * kHeight; ++i) {
            indices.push_back(test.used[std::size_t(i * 7) % test.used.size()]);
            expected.pixels.push_back(palette[indices.back()].pixel());
        }
        std::vector<std::uint8_t> bytes;
        std::vector<std::uint8_t> trueColour;
        std::string error;
        ASSERT_TRUE(encodeUsedColoursPng(indices, kWidth, kHeight, palette, bytes, error)) << error;
        ASSERT_TRUE(encodeArgbPng(expected, PngChannels::Rgb, trueColour, error)) << error;
        int colourType = -1;
        int depth = -1;
        int ignored = 0;
        EXPECT_EQ(readAsArgb(bytes, colourType, depth), readAsArgb(trueColour, ignored, ignored)) << test.used.size();
        EXPECT_EQ(colourType, PNG_COLOR_TYPE_PALETTE);
        EXPECT_EQ(depth, test.depth) << test.used.size();
        EXPECT_EQ(paletteEntries(bytes), test.used.size());
    }
}

namespace {

// The picture's rows as a row source, counting the rows asked for and
// failing from row `failAt` on, if given.
struct CountedRows {
    const ExportPicture& picture;
    int asked = 0;
    int failAt = -1;

    ArgbRows rows()
    {
        return {picture.width, picture.height, [this](int y, std::uint32_t* row) {
                    ++asked;
                    if (failAt >= 0 && asked > failAt)
                        return false;
                    const auto width = std::size_t(picture.width);
                    std::copy_n(picture.pixels.begin() + std::ptrdiff_t(std::size_t(y) * width), width, row);
                    return true;
                }};
    }
};

ExportPicture sizedPicture(int width, int height, int count, bool translucent)
{
    ExportPicture picture = pictureOf(count, translucent);
    ExportPicture sized{width, height, {}, 0};
    for (int i = 0; i < width * height; ++i)
        sized.pixels.push_back(picture.pixels[std::size_t(i) % picture.pixels.size()]);
    return sized;
}

} // namespace

TEST(SmallestPng, RowsMadeOneAtATimeGiveThePicturesColourTypeAndPixels)
{
    struct Case {
        int width;
        int height;
        int colours;
        bool translucent;
        PngChannels channels;
    };
    const Case cases[] = {
        {1, 1, 1, false, PngChannels::Rgb},     {37, 23, 2, false, PngChannels::Rgb},
        {9, 40, 3, true, PngChannels::Rgba},    {37, 23, 16, true, PngChannels::Rgba},
        {500, 3, 17, false, PngChannels::Rgb},  {37, 23, 256, true, PngChannels::Rgba},
        {64, 64, 257, true, PngChannels::Rgba}, {37, 23, 257, false, PngChannels::Rgb},
        {37, 23, 256, true, PngChannels::Rgb},
    };
    for (const Case& test : cases) {
        const ExportPicture picture = sizedPicture(test.width, test.height, test.colours, test.translucent);
        std::vector<std::uint8_t> whole;
        std::vector<std::uint8_t> streamed;
        std::string error;
        ASSERT_TRUE(encodeSmallestPng(picture, test.channels, whole, error)) << error;
        CountedRows source{picture};
        ASSERT_TRUE(encodeSmallestPng(source.rows(), test.channels, appendingTo(streamed), error)) << error;
        int wholeType = -1;
        int wholeDepth = -1;
        int streamedType = -2;
        int streamedDepth = -2;
        const std::string name = std::to_string(test.width) + "x" + std::to_string(test.height) + ", "
                                 + std::to_string(test.colours) + " colours";
        EXPECT_EQ(readAsArgb(streamed, streamedType, streamedDepth), readAsArgb(whole, wholeType, wholeDepth)) << name;
        EXPECT_EQ(streamedType, wholeType) << name;
        EXPECT_EQ(streamedDepth, wholeDepth) << name;
        EXPECT_EQ(paletteEntries(streamed), paletteEntries(whole)) << name;
        // Every row twice, once for the colours and once written, but for a
        // picture found to have too many colours before its last row.
        if (wholeType == PNG_COLOR_TYPE_PALETTE) {
            EXPECT_EQ(source.asked, 2 * test.height) << name;
        }
    }
}

TEST(SmallestPng, RowsThatCannotBeMadeOrBytesThatCannotBeWrittenFail)
{
    const ExportPicture picture = sizedPicture(20, 10, 5, false);
    for (const int failAt : {0, 4, 10, 14}) {
        CountedRows source{picture, 0, failAt};
        std::vector<std::uint8_t> bytes;
        std::string error;
        EXPECT_FALSE(encodeSmallestPng(source.rows(), PngChannels::Rgb, appendingTo(bytes), error)) << failAt;
        EXPECT_FALSE(error.empty()) << failAt;
    }
    // Rows that are not the same the second time: never wrong pixels.
    int asked = 0;
    const ArgbRows changing{4, 4, [&asked](int, std::uint32_t* row) {
                                std::fill_n(row, 4, 0xFF000000u | std::uint32_t(asked++ < 4 ? 1 : 2));
                                return true;
                            }};
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(encodeSmallestPng(changing, PngChannels::Rgb, appendingTo(bytes), error));
    CountedRows source{picture};
    const ByteSink full = [](std::span<const std::uint8_t>) { return false; };
    EXPECT_FALSE(encodeSmallestPng(source.rows(), PngChannels::Rgb, full, error));
    EXPECT_FALSE(encodeSmallestPng(ArgbRows{}, PngChannels::Rgb, full, error));
}
