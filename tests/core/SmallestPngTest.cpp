#include "formats/PngFile.h"

#include <png.h>

#include <gtest/gtest.h>

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
