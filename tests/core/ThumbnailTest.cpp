#include "PlayerCoreFixture.h"

#include "imaging/Thumbnail.h"

#include <gtest/gtest.h>

using namespace kinetra;
using namespace kinetra::test;

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

std::uint32_t at(const ExportPicture& picture, int x, int y)
{
    return picture.pixels.at(std::size_t(y) * std::size_t(picture.width) + std::size_t(x));
}

// Every pixel different, so a wrong sample shows.
ExportPicture numberedPicture(int width, int height)
{
    ExportPicture picture{width, height, {}, 0};
    for (int i = 0; i < width * height; ++i)
        picture.pixels.push_back(kOpaque | std::uint32_t(i + 1));
    return picture;
}

TEST(ThumbnailFit, WholeMultipleThatFitsOrShrunkKeepingTheAspect)
{
    struct Case {
        int width, height, side;
        int outWidth, outHeight;
    };
    for (const Case& c : {
             Case{4, 3, 12, 12, 9},   // 3 ×
             Case{4, 3, 11, 8, 6},    // 2 ×: 3 × would pass 11
             Case{4, 3, 4, 4, 3},     // 1 ×
             Case{3, 4, 7, 3, 4},     // the longer side decides
             Case{4, 3, 3, 3, 2},     // shrunk
             Case{300, 100, 100, 100, 33},
             Case{2, 1, 1, 1, 1},     // never below one pixel
             Case{1, 1, 4096, 4096, 4096},
             Case{5, 5, 0, 0, 0},     // nothing for no side
             Case{1, 1, kMaxThumbnailSide + 1, 0, 0},
         }) {
        const ExportPicture out = FitToSquare(numberedPicture(c.width, c.height), c.side);
        EXPECT_EQ(out.width, c.outWidth) << c.width << 'x' << c.height << " in " << c.side;
        EXPECT_EQ(out.height, c.outHeight) << c.width << 'x' << c.height << " in " << c.side;
        EXPECT_EQ(out.pixels.size(), std::size_t(c.outWidth) * std::size_t(c.outHeight));
    }
    EXPECT_TRUE(FitToSquare(ExportPicture{}, 128).pixels.empty());
    EXPECT_TRUE(FitToSquare(ExportPicture{4, 4, {1, 2}, 0}, 128).pixels.empty()); // pixels short of its size
}

TEST(ThumbnailFit, PixelsAreRepeatedOrSkippedNeverMixed)
{
    const ExportPicture picture = numberedPicture(4, 2);
    const ExportPicture up = FitToSquare(picture, 12);
    ASSERT_EQ(up.width, 12);
    for (int y = 0; y < up.height; ++y) {
        for (int x = 0; x < up.width; ++x)
            ASSERT_EQ(at(up, x, y), at(picture, x / 3, y / 3)) << x << ',' << y;
    }
    const ExportPicture down = FitToSquare(picture, 2);
    ASSERT_EQ(down.width, 2);
    ASSERT_EQ(down.height, 1);
    EXPECT_EQ(at(down, 0, 0), at(picture, 0, 0));
    EXPECT_EQ(at(down, 1, 0), at(picture, 2, 0));
}

class ThumbnailTest : public PlayerCoreTest {};

TEST_F(ThumbnailTest, UnitIsCutToWhatShowsWithShadowsTranslucent)
{
    // Row 0: shadow 254 and 240, light 239 and 224, colour 100, key.
    ASSERT_EQ(loadGame(blendSampler()), kOk);
    player.SetCustomBackground(colorRef(100, 100, 100)); // never part of it
    const ExportPicture picture = ThumbnailPicture(player);
    ASSERT_EQ(picture.width, 5);
    ASSERT_EQ(picture.height, 1);
    EXPECT_EQ(at(picture, 4, 0), colorOf(100) | kOpaque);
    for (const int x : {0, 1}) {
        EXPECT_GT(at(picture, x, 0) >> 24, 0u) << x;
        EXPECT_LT(at(picture, x, 0) >> 24, 255u) << x;
    }
}

TEST_F(ThumbnailTest, CutIsTheUnionOverTheRangeAndTheFirstFrameIsShown)
{
    ASSERT_EQ(loadGame(cornerFrames()), kOk);
    player.Stop();

    const ExportPicture picture = ThumbnailPicture(player);
    ASSERT_EQ(picture.width, 4);
    ASSERT_EQ(picture.height, 3);
    EXPECT_EQ(at(picture, 0, 0), colorOf(100) | kOpaque);
    EXPECT_EQ(at(picture, 3, 2), 0u);
}

TEST_F(ThumbnailTest, EachDirectionShowsItsOwnFirstFrame)
{
    // Frame k is painted with index 64 + k; two frames a direction.
    ASSERT_EQ(loadGame(numberedGame(8, 2)), kOk);
    for (const int direction : {kFacingDirection, 2, 8}) {
        player.SetDirection(direction);
        player.Stop();
        const ExportPicture picture = ThumbnailPicture(player);
        ASSERT_EQ(picture.width, 2) << direction;
        EXPECT_EQ(at(picture, 1, 1), colorOf(64 + 2 * (direction - 1)) | kOpaque) << direction;
    }
}

TEST_F(ThumbnailTest, CanvasEdgeCutsTheFrameAndNothingShownGivesTheEmptyCanvas)
{
    struct Case {
        std::uint16_t left;
        int width;
        int height;
    };
    for (const Case& c : {Case{238, 2, 3}, Case{240, kCanvasSize, kCanvasSize}, Case{60000, kCanvasSize, kCanvasSize}}) {
        encoder::GameAnimation game = numberedGame(1, 1, 50, 4, 3);
        game.leftOffset = c.left;
        ASSERT_EQ(loadGame(game), kOk);
        player.Stop();
        const ExportPicture picture = ThumbnailPicture(player);
        EXPECT_EQ(picture.width, c.width) << c.left;
        EXPECT_EQ(picture.height, c.height) << c.left;
        const bool shows = std::any_of(picture.pixels.begin(), picture.pixels.end(),
                                       [](std::uint32_t pixel) { return pixel != 0; });
        EXPECT_EQ(shows, c.width < kCanvasSize) << c.left;
    }
}

TEST_F(ThumbnailTest, PlainFileIsItsFirstFrameFromItsIndices)
{
    ASSERT_EQ(player.LoadFile(KINETRA_SAMPLES_DIR "/plain.flc"), kOk);
    player.Stop();
    const FlcFrame& first = player.frames.front();
    const std::vector<std::uint32_t> pixels = framePixels(first, player.paletteOf(first));
    const ExportPicture whole = ThumbnailPicture(player);
    EXPECT_EQ(whole.pixels, pixels);

    const ExportPicture shrunk = MakeThumbnail(player, 32); // 64 × 48 halved
    ASSERT_EQ(shrunk.width, 32);
    ASSERT_EQ(shrunk.height, 24);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 32; ++x)
            ASSERT_EQ(at(shrunk, x, y), pixels[std::size_t(y * 2 * 64 + x * 2)]) << x << ',' << y;
    }
    EXPECT_EQ(MakeThumbnail(player, 128).pixels, FitToSquare(whole, 128).pixels);
}

TEST_F(ThumbnailTest, NothingLoadedGivesNothing)
{
    EXPECT_TRUE(ThumbnailPicture(player).pixels.empty());
    EXPECT_TRUE(MakeThumbnail(player, 128).pixels.empty());
}

} // namespace
