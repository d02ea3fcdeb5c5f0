#include "GifBytes.h"
#include "PlayerCoreFixture.h"

#include "imaging/AnimationExport.h"
#include "formats/ColorQuantizer.h"
#include "formats/GifWriter.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>

using namespace kinetra;
using namespace kinetra::test;

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;
const std::string kUnitSample = std::string(KINETRA_SAMPLES_DIR "/unit.flc");

// What giflib reads back, composed as a browser shows it: each frame drawn
// over what the last left (its transparent index leaving a pixel as it
// was), then its box cleared when its disposal says so. Pixels are
// 0xFF000000 | RGB through the colour table, 0 where nothing was drawn.
struct DecodedGif {
    int width = 0;
    int height = 0;
    int colorTableSize = 0;
    std::vector<std::uint32_t> colorTable; // 0xFF000000 | RGB
    bool loopsForever = false;
    std::vector<std::vector<std::uint32_t>> frames;
    std::vector<GraphicsControlBlock> controls;
    std::vector<GifImageDesc> boxes;
};

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
    GifBytes source{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, readGifBytes, &error);
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
    for (int i = 0; decoded.colorTableSize > 0 && i < decoded.colorTableSize; ++i) {
        const GifColorType& color = gif->SColorMap->Colors[i];
        decoded.colorTable.push_back(kOpaque | (std::uint32_t(color.Red) << 16) | (std::uint32_t(color.Green) << 8)
                                     | std::uint32_t(color.Blue));
    }
    std::vector<std::uint32_t> canvas(std::size_t(decoded.width) * std::size_t(decoded.height), 0);
    for (int k = 0; k < gif->ImageCount; ++k) {
        const SavedImage& image = gif->SavedImages[k];
        GraphicsControlBlock control{};
        EXPECT_EQ(DGifSavedExtensionToGCB(gif, k, &control), GIF_OK) << k;
        decoded.controls.push_back(control);
        decoded.boxes.push_back(image.ImageDesc);
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        const GifImageDesc& box = image.ImageDesc;
        if (box.Left < 0 || box.Top < 0 || box.Left + box.Width > decoded.width
            || box.Top + box.Height > decoded.height) {
            ADD_FAILURE() << "frame " << k << " lies outside the screen";
            break;
        }
        for (int y = 0; y < box.Height; ++y) {
            for (int x = 0; x < box.Width; ++x) {
                const int index = image.RasterBits[y * box.Width + x];
                if (index == control.TransparentColor)
                    continue;
                std::uint32_t& pixel = canvas[std::size_t(box.Top + y) * std::size_t(decoded.width) + std::size_t(box.Left + x)];
                if (!map || index >= map->ColorCount) {
                    pixel = 0xDEADBEEF;
                    continue;
                }
                const GifColorType& color = map->Colors[index];
                pixel = kOpaque | (std::uint32_t(color.Red) << 16) | (std::uint32_t(color.Green) << 8)
                      | std::uint32_t(color.Blue);
            }
        }
        decoded.frames.push_back(canvas);
        if (control.DisposalMode == DISPOSE_BACKGROUND) {
            for (int y = 0; y < box.Height; ++y) {
                const auto row = canvas.begin() + std::ptrdiff_t(box.Top + y) * decoded.width + box.Left;
                std::fill(row, row + box.Width, 0u);
            }
        }
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
public:
    ExportAnimation renderPlainSample()
    {
        EXPECT_EQ(player.LoadFile(KINETRA_SAMPLES_DIR "/plain.flc"), kOk);
        ExportAnimation animation;
        EXPECT_EQ(RenderAnimation(player, {}, {}, animation), ExportResult::Ok);
        return animation;
    }
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

// The picture a writer that wrote every frame whole gave: each pixel the
// colour of its nearest table entry, 0 where it is transparent.
std::vector<std::uint32_t> wholeFramePicture(const ExportPicture& frame, const DecodedGif& gif)
{
    std::vector<std::uint32_t> palette;
    for (const std::uint32_t color : gif.colorTable)
        palette.push_back(color & 0x00FFFFFFu);
    NearestColorMap nearest(palette);
    std::vector<std::uint32_t> picture;
    for (const std::uint32_t pixel : frame.pixels)
        picture.push_back((pixel >> 24) < 128 ? 0 : gif.colorTable[nearest.indexOf(pixel & 0x00FFFFFFu)]);
    return picture;
}

// A 24 x 16 animation: a still left half and a 4 x 4 square walking along
// the right half over `ground`, or pixels turning transparent and back.
enum class Motion { WalkingSquare, WalkingOverNothing, Blinking, StandingStill, ManyColours, AllColours };

ExportAnimation generated(Motion motion)
{
    constexpr int kWidth = 24;
    constexpr int kHeight = 16;
    ExportAnimation animation;
    for (int k = 0; k < 6; ++k) {
        ExportPicture frame{kWidth, kHeight, {}, std::uint32_t(40 + 10 * k)};
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const bool left = x < kWidth / 2;
                const bool square = x >= 12 + k * 2 && x < 16 + k * 2 && y >= 6 && y < 10;
                std::uint32_t pixel = kOpaque | std::uint32_t(left ? 0x203040 + x : 0x808080);
                if (motion == Motion::WalkingOverNothing && !left)
                    pixel = 0;
                if (square && motion != Motion::StandingStill)
                    pixel = kOpaque | 0xC02010;
                if (motion == Motion::Blinking && k % 2 == 1 && (x + y) % 3 == 0)
                    pixel = 0x40FFFFFF; // alpha below half: transparent
                if (motion == Motion::ManyColours)
                    pixel = kOpaque | std::uint32_t(((x + k) * 9) << 16 | (y * 13) << 8 | ((x * y + k) & 0xFF));
                if (motion == Motion::AllColours)
                    pixel = kOpaque | std::uint32_t((x + y * kWidth + (left ? 0 : k)) % 256) * 0x010101u;
                frame.pixels.push_back(pixel);
            }
        }
        animation.frames.push_back(std::move(frame));
    }
    return animation;
}

struct ComposeCase {
    const char* name;
    ExportAnimation (*make)(GifExportTest&);
    bool changesLessThanTheWhole; // after the first, frames cover less than the picture
};

class GifComposeTest : public GifExportTest, public ::testing::WithParamInterface<ComposeCase> {};

TEST_P(GifComposeTest, FramesComposeToTheWholeFramePictures)
{
    const ExportAnimation animation = GetParam().make(*this);
    ASSERT_FALSE(animation.frames.empty());
    const DecodedGif gif = decode(encodeOrFail(animation));
    ASSERT_EQ(gif.frames.size(), animation.frames.size());
    for (std::size_t k = 0; k < gif.frames.size(); ++k) {
        EXPECT_TRUE(gif.frames[k] == wholeFramePicture(animation.frames[k], gif)) << "frame " << k;
        EXPECT_EQ(gif.controls[k].DelayTime, std::max(int((animation.frames[k].delayMs + 5) / 10), 1)) << k;
        const std::int64_t area = std::int64_t(gif.boxes[k].Width) * gif.boxes[k].Height;
        if (k > 0 && GetParam().changesLessThanTheWhole) {
            EXPECT_LT(area, std::int64_t(gif.width) * gif.height) << "frame " << k;
        }
    }
}

const ComposeCase kComposeCases[] = {
    {"UnitOpaque", [](GifExportTest& fixture) { return fixture.renderSample(1, false); }, true},
    {"UnitTransparent", [](GifExportTest& fixture) { return fixture.renderSample(4, true); }, true},
    {"UnitAllDirectionsTransparent", [](GifExportTest& fixture) { return fixture.renderSample(0, true); }, false},
    {"Plain", [](GifExportTest& fixture) { return fixture.renderPlainSample(); }, false},
    {"WalkingSquare", [](GifExportTest&) { return generated(Motion::WalkingSquare); }, true},
    // Clearing what the square leaves clears the still half beside it too.
    {"WalkingOverNothing", [](GifExportTest&) { return generated(Motion::WalkingOverNothing); }, false},
    {"Blinking", [](GifExportTest&) { return generated(Motion::Blinking); }, false},
    {"StandingStill", [](GifExportTest&) { return generated(Motion::StandingStill); }, true},
    {"ManyColours", [](GifExportTest&) { return generated(Motion::ManyColours); }, false},
    {"AllColoursNoSpareEntry", [](GifExportTest&) { return generated(Motion::AllColours); }, true},
};

std::string composeCaseName(const ::testing::TestParamInfo<ComposeCase>& param)
{
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(SamplesAndGenerated, GifComposeTest, ::testing::ValuesIn(kComposeCases), composeCaseName);

TEST(GifWriter, AFrameLikeTheLastKeepsItsDelay)
{
    ExportAnimation animation = generated(Motion::StandingStill);
    const DecodedGif gif = decode(encodeOrFail(animation));
    ASSERT_EQ(gif.frames.size(), 6u);
    for (std::size_t k = 1; k < 6; ++k) {
        EXPECT_EQ(gif.frames[k], gif.frames[0]) << k;
        EXPECT_EQ(gif.controls[k].DelayTime, int(4 + k)) << k;
        EXPECT_EQ(gif.boxes[k].Width * gif.boxes[k].Height, 1) << k;
    }
}

// Frames given as indices with each index's pixel, counting how often they
// are asked for as pictures instead.
class IndexedFrames final : public ExportFrameSource {
public:
    struct Frame {
        std::vector<std::uint8_t> indices;
        std::array<std::uint32_t, 256> colors;
    };
    IndexedFrames(int width, int height, std::vector<Frame> frames)
        : m_width(width), m_height(height), m_frames(std::move(frames))
    {
    }

    int frameCount() const override { return int(m_frames.size()); }
    int framesPerRow() const override { return 0; }
    bool frame(int index, ExportPicture& picture) override
    {
        ++picturesAsked;
        picture = pictures().frames[std::size_t(index)];
        return true;
    }
    // The GIF writer never asks for rows.
    bool frameRow(int, int, ExportPicture&) override { return false; }
    bool indexed() const override { return true; }
    bool indexedFrame(int index, IndexedPicture& picture) override
    {
        const Frame& frame = m_frames[std::size_t(index)];
        picture = {m_width, m_height, frame.indices.data(), frame.colors, std::uint32_t(30 + 10 * index)};
        return true;
    }

    ExportAnimation pictures() const
    {
        ExportAnimation animation;
        for (std::size_t k = 0; k < m_frames.size(); ++k) {
            ExportPicture picture{m_width, m_height, {}, std::uint32_t(30 + 10 * k)};
            for (const std::uint8_t index : m_frames[k].indices)
                picture.pixels.push_back(m_frames[k].colors[index]);
            animation.frames.push_back(std::move(picture));
        }
        return animation;
    }

    int picturesAsked = 0;

private:
    int m_width;
    int m_height;
    std::vector<Frame> m_frames;
};

enum class Colours { ChangingPalette, SharedColours, TransparentEntries, MoreThan256, FewUsed };

// Four 19 × 13 frames of indices that walk, with the colours of `kind`.
IndexedFrames indexedFrames(Colours kind)
{
    constexpr int kWidth = 19;
    constexpr int kHeight = 13;
    std::vector<IndexedFrames::Frame> frames;
    for (std::uint32_t k = 0; k < 4; ++k) {
        IndexedFrames::Frame frame{};
        for (std::uint32_t i = 0; i < kWidth * kHeight; ++i) {
            const std::uint32_t walking = (i % kWidth + k) % kWidth < 5 ? 200 + i % 7 : (i * 37) % 256;
            frame.indices.push_back(std::uint8_t(kind == Colours::FewUsed ? walking % 9 : walking));
        }
        for (std::uint32_t v = 0; v < 256; ++v) {
            std::uint32_t rgb = v * 0x010203u;
            if (kind == Colours::ChangingPalette)
                rgb = ((v + 16 * k) % 256) * 0x030201u;
            else if (kind == Colours::SharedColours)
                rgb = (v / 4) * 0x040404u;
            else if (kind == Colours::MoreThan256)
                rgb = v * 0x010000u + k * 0x000101u;
            std::uint32_t alpha = kOpaque;
            // 127 is transparent and 128 opaque.
            if (kind == Colours::TransparentEntries && v % 5 == 0)
                alpha = (v % 2 == 0 ? 0x7Fu : 0x80u) << 24;
            frame.colors[v] = alpha | (rgb & 0x00FFFFFFu);
        }
        frames.push_back(std::move(frame));
    }
    return IndexedFrames(kWidth, kHeight, std::move(frames));
}

struct IndexedCase {
    const char* name;
    Colours colours;
};

class GifIndexedTest : public ::testing::TestWithParam<IndexedCase> {};

// The 8-bit route gives the very file the pictures give, without making one.
TEST_P(GifIndexedTest, IndexedFramesGiveTheFileOfTheirPictures)
{
    IndexedFrames frames = indexedFrames(GetParam().colours);
    const ExportAnimation pictures = frames.pictures();
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(EncodeAnimatedGif(frames, bytes, error)) << error;
    EXPECT_EQ(frames.picturesAsked, 0);
    EXPECT_EQ(bytes, encodeOrFail(pictures));
    const DecodedGif gif = decode(bytes);
    ASSERT_EQ(gif.frames.size(), pictures.frames.size());
    for (std::size_t k = 0; k < gif.frames.size(); ++k)
        EXPECT_TRUE(gif.frames[k] == wholeFramePicture(pictures.frames[k], gif)) << "frame " << k;
}

const IndexedCase kIndexedCases[] = {
    {"PaletteChangesBetweenFrames", Colours::ChangingPalette},
    {"IndicesSharingColours", Colours::SharedColours},
    {"TransparentEntries", Colours::TransparentEntries},
    {"MoreThan256ColoursInAll", Colours::MoreThan256},
    {"UnusedEntriesLeftOut", Colours::FewUsed},
};

INSTANTIATE_TEST_SUITE_P(Colourings, GifIndexedTest, ::testing::ValuesIn(kIndexedCases),
                         [](const ::testing::TestParamInfo<IndexedCase>& param) { return param.param.name; });

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
