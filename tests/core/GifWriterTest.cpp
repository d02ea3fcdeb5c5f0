#include "PlayerCoreFixture.h"

#include "imaging/AnimationExport.h"
#include "formats/ColorQuantizer.h"
#include "formats/GifWriter.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>

using namespace kinetra;
using namespace kinetra::test;

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;
const std::string kUnitSample = std::string(KINETRA_SAMPLES_DIR "/unit.flc");

// What giflib reads back: each frame's pixels as 0xFF000000 | RGB through
// the colour table, 0 where the frame's transparent index is.
struct DecodedGif {
    int width = 0;
    int height = 0;
    int colorTableSize = 0;
    bool loopsForever = false;
    std::vector<std::vector<std::uint32_t>> frames;
    std::vector<GraphicsControlBlock> controls;
};

struct ByteSource {
    const std::vector<std::uint8_t>* bytes = nullptr;
    std::size_t position = 0;
};

int readBytes(GifFileType* gif, GifByteType* into, int length)
{
    auto* source = static_cast<ByteSource*>(gif->UserData);
    const std::size_t count = std::min(std::size_t(length), source->bytes->size() - source->position);
    std::memcpy(into, source->bytes->data() + source->position, count);
    source->position += count;
    return int(count);
}

bool isLoopForever(const SavedImage& image)
{
    for (int i = 0; i + 1 < image.ExtensionBlockCount; ++i) {
        const ExtensionBlock& block = image.ExtensionBlocks[i];
        const ExtensionBlock& next = image.ExtensionBlocks[i + 1];
        if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11
            && std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 && next.Function == CONTINUE_EXT_FUNC_CODE
            && next.ByteCount == 3)
            return next.Bytes[0] == 1 && next.Bytes[1] == 0 && next.Bytes[2] == 0;
    }
    return false;
}

// Fails the test (and returns an empty result) when giflib cannot read it.
DecodedGif decode(const std::vector<std::uint8_t>& bytes)
{
    DecodedGif decoded;
    ByteSource source{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, readBytes, &error);
    if (!gif) {
        ADD_FAILURE() << "DGifOpen: " << GifErrorString(error);
        return decoded;
    }
    if (DGifSlurp(gif) != GIF_OK) {
        ADD_FAILURE() << "DGifSlurp: " << GifErrorString(gif->Error);
        DGifCloseFile(gif, &error);
        return decoded;
    }
    decoded.width = gif->SWidth;
    decoded.height = gif->SHeight;
    decoded.colorTableSize = gif->SColorMap ? gif->SColorMap->ColorCount : 0;
    decoded.loopsForever = gif->ImageCount > 0 && isLoopForever(gif->SavedImages[0]);
    for (int k = 0; k < gif->ImageCount; ++k) {
        const SavedImage& image = gif->SavedImages[k];
        GraphicsControlBlock control{};
        EXPECT_EQ(DGifSavedExtensionToGCB(gif, k, &control), GIF_OK) << k;
        decoded.controls.push_back(control);
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        std::vector<std::uint32_t> pixels;
        const int count = image.ImageDesc.Width * image.ImageDesc.Height;
        for (int i = 0; i < count; ++i) {
            const int index = image.RasterBits[i];
            if (index == control.TransparentColor || !map || index >= map->ColorCount) {
                pixels.push_back(index == control.TransparentColor ? 0 : 0xDEADBEEF);
                continue;
            }
            const GifColorType& color = map->Colors[index];
            pixels.push_back(kOpaque | (std::uint32_t(color.Red) << 16) | (std::uint32_t(color.Green) << 8)
                             | std::uint32_t(color.Blue));
        }
        decoded.frames.push_back(std::move(pixels));
    }
    DGifCloseFile(gif, &error);
    return decoded;
}

std::vector<std::uint8_t> encodeOrFail(const ExportAnimation& animation)
{
    std::vector<std::uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(EncodeAnimatedGif(animation, bytes, error)) << error;
    EXPECT_TRUE(error.empty());
    return bytes;
}

std::size_t distinctOpaqueColors(const ExportAnimation& animation)
{
    std::set<std::uint32_t> colors;
    for (const ExportPicture& frame : animation.frames) {
        for (const std::uint32_t pixel : frame.pixels) {
            if ((pixel >> 24) >= 128)
                colors.insert(pixel & 0x00FFFFFFu);
        }
    }
    return colors.size();
}

class GifExportTest : public PlayerCoreTest {
protected:
    ExportAnimation renderSample(int direction, bool transparent)
    {
        EXPECT_EQ(player.LoadFile(kUnitSample), kOk);
        player.SetDirection(direction);
        ExportAnimation animation;
        EXPECT_EQ(RenderAnimation(player, ExportOptions{.transparent = transparent}, {}, animation), ExportResult::Ok);
        return animation;
    }
};

TEST_F(GifExportTest, SampleDecodesToTheRenderedFramesWithDelaysAndLooping)
{
    const ExportAnimation animation = renderSample(1, false);
    ASSERT_EQ(animation.frames.size(), 10u);
    ASSERT_LE(distinctOpaqueColors(animation), 256u);
    const DecodedGif gif = decode(encodeOrFail(animation));

    EXPECT_EQ(gif.width, kCanvasSize);
    EXPECT_EQ(gif.height, kCanvasSize);
    EXPECT_TRUE(gif.loopsForever);
    const int size = gif.colorTableSize;
    EXPECT_TRUE(size >= 2 && size <= 256 && (size & (size - 1)) == 0) << size;
    ASSERT_EQ(gif.frames.size(), 10u);
    const int centiseconds = int((player.header.speed + 5) / 10);
    for (std::size_t k = 0; k < 10; ++k) {
        EXPECT_TRUE(gif.frames[k] == animation.frames[k].pixels) << "frame " << k;
        EXPECT_EQ(gif.controls[k].DelayTime, std::max(centiseconds, 1)) << k;
        EXPECT_EQ(gif.controls[k].TransparentColor, NO_TRANSPARENT_COLOR) << k;
        EXPECT_EQ(gif.controls[k].DisposalMode, DISPOSE_DO_NOT) << k;
    }
}

TEST_F(GifExportTest, TransparentPixelsGetTheTransparentIndex)
{
    const ExportAnimation animation = renderSample(4, true);
    ASSERT_LE(distinctOpaqueColors(animation), 255u);
    const DecodedGif gif = decode(encodeOrFail(animation));
    ASSERT_EQ(gif.frames.size(), animation.frames.size());
    for (std::size_t k = 0; k < gif.frames.size(); ++k) {
        EXPECT_NE(gif.controls[k].TransparentColor, NO_TRANSPARENT_COLOR);
        EXPECT_EQ(gif.controls[k].DisposalMode, DISPOSE_BACKGROUND);
        const std::vector<std::uint32_t>& rendered = animation.frames[k].pixels;
        std::size_t clear = 0;
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < rendered.size(); ++i) {
            const bool transparent = (rendered[i] >> 24) < 128;
            clear += transparent ? 1 : 0;
            const std::uint32_t expected = transparent ? 0 : (rendered[i] | kOpaque);
            wrong += gif.frames[k][i] != expected ? 1 : 0;
        }
        EXPECT_EQ(wrong, 0u) << "frame " << k;
        EXPECT_GT(clear, rendered.size() / 2) << "frame " << k;
    }
}

// 1000 colours along a path through the colour cube, in two frames.
ExportAnimation gradient()
{
    ExportAnimation animation;
    animation.framesPerRow = 2;
    ExportPicture forward{40, 25, {}, 40};
    for (std::uint32_t i = 0; i < 1000; ++i)
        forward.pixels.push_back(kOpaque | ((i / 4) << 16) | ((255 - i / 4) << 8) | ((i % 4) * 60));
    ExportPicture backward = forward;
    std::reverse(backward.pixels.begin(), backward.pixels.end());
    animation.frames = {forward, backward};
    return animation;
}

TEST(GifWriter, MoreThan256ColoursAreMappedToACloseFixedPalette)
{
    const ExportAnimation animation = gradient();
    ASSERT_EQ(distinctOpaqueColors(animation), 1000u);
    const std::vector<std::uint8_t> bytes = encodeOrFail(animation);
    const DecodedGif gif = decode(bytes);
    EXPECT_EQ(gif.colorTableSize, 256);
    ASSERT_EQ(gif.frames.size(), 2u);
    int worst = 0;
    for (std::size_t k = 0; k < 2; ++k) {
        ASSERT_EQ(gif.frames[k].size(), 1000u);
        for (std::size_t i = 0; i < 1000; ++i) {
            for (const int shift : {0, 8, 16}) {
                const int original = int((animation.frames[k].pixels[i] >> shift) & 0xFF);
                const int decoded = int((gif.frames[k][i] >> shift) & 0xFF);
                worst = std::max(worst, std::abs(original - decoded));
            }
        }
    }
    EXPECT_LE(worst, 24);
    // The same pictures always give the same file.
    EXPECT_EQ(encodeOrFail(animation), bytes);
}

TEST(GifWriter, DelaysAreRoundedToHundredthsOfAtLeastOne)
{
    ExportAnimation animation;
    for (const std::uint32_t ms : {0u, 14u, 15u, 1000u})
        animation.frames.push_back({2, 1, {kOpaque | 0x102030, kOpaque | 0x405060}, ms});
    const DecodedGif gif = decode(encodeOrFail(animation));
    ASSERT_EQ(gif.controls.size(), 4u);
    EXPECT_EQ(gif.controls[0].DelayTime, 1);
    EXPECT_EQ(gif.controls[1].DelayTime, 1);
    EXPECT_EQ(gif.controls[2].DelayTime, 2);
    EXPECT_EQ(gif.controls[3].DelayTime, 100);
    EXPECT_EQ(gif.frames[3], (std::vector<std::uint32_t>{kOpaque | 0x102030, kOpaque | 0x405060}));
}

TEST(GifWriter, NothingToEncodeOrMismatchedFramesFail)
{
    std::vector<std::uint8_t> bytes{1, 2, 3};
    std::string error;
    EXPECT_FALSE(EncodeAnimatedGif(ExportAnimation{}, bytes, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(bytes.empty());

    ExportAnimation mixed;
    mixed.frames.push_back({2, 2, std::vector<std::uint32_t>(4, kOpaque), 10});
    mixed.frames.push_back({3, 2, std::vector<std::uint32_t>(6, kOpaque), 10});
    error.clear();
    EXPECT_FALSE(EncodeAnimatedGif(mixed, bytes, error));
    EXPECT_FALSE(error.empty());

    ExportAnimation truncated;
    truncated.frames.push_back({2, 2, std::vector<std::uint32_t>(3, kOpaque), 10});
    EXPECT_FALSE(EncodeAnimatedGif(truncated, bytes, error));
}

TEST(GifPalette, FewColoursAreKeptExactlyAndTheCutIsDeterministic)
{
    std::vector<ColorCount> histogram{{0x000000, 5}, {0xFF0000, 1}, {0x00FF00, 9}, {0x0000FF, 2}};
    std::vector<std::uint32_t> palette = MedianCutPalette(histogram, 8);
    std::sort(palette.begin(), palette.end());
    EXPECT_EQ(palette, (std::vector<std::uint32_t>{0x000000, 0x0000FF, 0x00FF00, 0xFF0000}));

    std::vector<ColorCount> many;
    for (std::uint32_t i = 0; i < 500; ++i)
        many.push_back({(i * 2654435761u) & 0x00FFFFFFu, 1 + i % 7});
    const std::vector<std::uint32_t> cut = MedianCutPalette(many, 16);
    EXPECT_EQ(cut.size(), 16u);
    std::reverse(many.begin(), many.end());
    EXPECT_EQ(MedianCutPalette(many, 16), cut);
    EXPECT_TRUE(MedianCutPalette({}, 16).empty());
}

TEST(GifPalette, NearestEntryWinsAndTheLowerIndexOnATie)
{
    NearestColorMap map({0x000000, 0xFFFFFF, 0x808080, 0x808080});
    EXPECT_EQ(map.indexOf(0x101010), 0);
    EXPECT_EQ(map.indexOf(0xF0F0F0), 1);
    EXPECT_EQ(map.indexOf(0x7F8081), 2);
    EXPECT_EQ(map.indexOf(0x7F8081), 2);
}

} // namespace
