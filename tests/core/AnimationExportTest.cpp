#include "PlayerCoreFixture.h"

#include "imaging/AnimationExport.h"

#include <gtest/gtest.h>

using namespace kinetra;
using namespace kinetra::test;

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;
const std::string kUnitSample = std::string(KINETRA_SAMPLES_DIR "/unit.flc");
const std::string kPlainSample = std::string(KINETRA_SAMPLES_DIR "/plain.flc");

std::uint8_t alphaOf(std::uint32_t pixel)
{
    return std::uint8_t(pixel >> 24);
}

class ExportTest : public PlayerCoreTest {
protected:
    void loadSample(const std::string& file)
    {
        ASSERT_EQ(player.LoadFile(file), kOk);
        player.Stop();
    }

    ExportAnimation render(bool transparent = false, const ExportProgress& progress = {})
    {
        ExportAnimation animation;
        EXPECT_EQ(RenderAnimation(player, ExportOptions{.transparent = transparent}, progress, animation),
                  ExportResult::Ok);
        return animation;
    }

    std::vector<std::uint32_t> backBufferWords() const
    {
        const PlatformSurface* back = player.GetScreen()->backBuffer->Memory();
        return {back->pixels.get(), back->pixels.get() + std::size_t(back->width) * std::size_t(back->height)};
    }

    // The index of the first pixel of `picture` that is not what composing
    // `frame` leaves in the back buffer, or -1.
    long firstDifferenceFromCompose(const ExportPicture& picture, int frame)
    {
        player.currentFrame = frame;
        compose();
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                const std::size_t i = std::size_t(y) * std::size_t(picture.width) + std::size_t(x);
                if (picture.pixels[i] != (pixel(x, y) | kOpaque))
                    return long(i);
            }
        }
        return -1;
    }
};

TEST_F(ExportTest, EveryFrameIsWhatComposeDrawsForIt)
{
    loadSample(kUnitSample);
    ASSERT_TRUE(player.SetImageBackground(kBackgroundSea));
    player.SetDirection(1);
    const ExportAnimation animation = render();
    ASSERT_EQ(animation.frames.size(), 10u);
    for (int k = 0; k < 10; ++k) {
        const ExportPicture& picture = animation.frames[std::size_t(k)];
        ASSERT_EQ(picture.width, kCanvasSize);
        ASSERT_EQ(picture.height, kCanvasSize);
        ASSERT_EQ(picture.pixels.size(), std::size_t(kCanvasSize * kCanvasSize));
        EXPECT_EQ(firstDifferenceFromCompose(picture, k), -1) << "frame " << k;
    }
    // The frames are the direction's own, not one picture repeated.
    EXPECT_NE(animation.frames[0].pixels, animation.frames[5].pixels);
}

TEST_F(ExportTest, ThePlayerIsLeftExactlyAsItWas)
{
    loadSample(kUnitSample);
    ASSERT_TRUE(player.SetImageBackground(kBackgroundLand));
    player.Play();
    for (int i = 0; i < 7; ++i)
        player.tickAfter(30);
    const int frame = player.currentFrame;
    const float timeLeft = player.frameTimeLeft;
    const std::uint32_t fill = player.fillColor;
    const CSurface* tile = player.backgroundImage.get();
    const std::vector<std::uint32_t> picture = backBufferWords();
    ASSERT_NE(frame, player.rangeStart);

    for (const bool transparent : {false, true}) {
        render(transparent);
        EXPECT_EQ(player.currentFrame, frame);
        EXPECT_EQ(player.frameTimeLeft, timeLeft);
        EXPECT_EQ(player.fillColor, fill);
        EXPECT_EQ(player.backgroundType, kBackgroundLand);
        EXPECT_EQ(player.backgroundImage.get(), tile);
        EXPECT_TRUE(player.playing);
        EXPECT_TRUE(backBufferWords() == picture) << "transparent " << transparent;
    }
}

TEST_F(ExportTest, PlaybackMayGoOnBetweenFrames)
{
    loadSample(kUnitSample);
    player.SetDirection(2);
    player.Play();
    int ticks = 0;
    const ExportAnimation animation = render(false, [&](int, int) {
        player.tickAfter(80);
        ++ticks;
        return true;
    });
    ASSERT_EQ(ticks, 10);
    // The ticks moved the player on as always...
    EXPECT_NE(player.currentFrame, player.rangeStart);
    // ...and every picture is still its own frame.
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(firstDifferenceFromCompose(animation.frames[std::size_t(k)], 10 + k), -1) << "frame " << k;
}

TEST_F(ExportTest, AllDirectionsMakeOneRowEachAndOneDirectionOneRow)
{
    loadSample(kUnitSample);
    ASSERT_EQ(player.direction, 0);
    const ExportAnimation all = render();
    EXPECT_EQ(all.frames.size(), 80u);
    EXPECT_EQ(all.framesPerRow, 10);
    const ExportPicture allSheet = BuildSpriteSheet(all, {0, 0, kCanvasSize, kCanvasSize});
    EXPECT_EQ(allSheet.width, 10 * kCanvasSize);
    EXPECT_EQ(allSheet.height, 8 * kCanvasSize);
    EXPECT_EQ(firstDifferenceFromCompose(all.frames[37], 37), -1);

    player.SetDirection(3);
    const ExportAnimation southEast = render();
    EXPECT_EQ(southEast.frames.size(), 10u);
    EXPECT_EQ(southEast.framesPerRow, 10);
    EXPECT_EQ(BuildSpriteSheet(southEast, {0, 0, kCanvasSize, kCanvasSize}).height, kCanvasSize);
    EXPECT_EQ(southEast.frames[0].pixels, all.frames[20].pixels);
}

TEST_F(ExportTest, PlainFlcIsExportedAtItsOwnSizeInOneRow)
{
    loadSample(kPlainSample);
    ASSERT_TRUE(player.IsPlainFlc());
    const ExportAnimation animation = render();
    ASSERT_EQ(animation.frames.size(), 12u);
    EXPECT_EQ(animation.framesPerRow, 12);
    for (int k = 0; k < 12; ++k) {
        const ExportPicture& picture = animation.frames[std::size_t(k)];
        ASSERT_EQ(picture.width, player.header.width);
        ASSERT_EQ(picture.height, player.header.height);
        EXPECT_EQ(firstDifferenceFromCompose(picture, k), -1) << "frame " << k;
    }
}

TEST_F(ExportTest, PlainFlcLargerThanTheCanvasIsExportedWhole)
{
    // An FLI's 320 × 200: its right-hand columns and the frame's last pixel
    // are in the export.
    IndexImage image(320, 200);
    std::fill(image.pixels.begin(), image.pixels.end(), std::uint8_t(100));
    image.row(199)[319] = 101;
    ASSERT_EQ(load(encoder::buildPlainFlc(distinctPalette(), {image, image}, 50)), kOk);
    player.Stop();
    const ExportAnimation animation = render();
    ASSERT_EQ(animation.frames.size(), 2u);
    const ExportPicture& picture = animation.frames.front();
    ASSERT_EQ(picture.width, 320);
    ASSERT_EQ(picture.height, 200);
    EXPECT_EQ(picture.pixels.back(), colorOf(101) | kOpaque);
    EXPECT_EQ(firstDifferenceFromCompose(picture, 0), -1);
}

TEST_F(ExportTest, DelayIsTheFilesSpeedOrTheCustomDelay)
{
    ASSERT_EQ(loadGame(numberedGame(1, 3, 70)), kOk);
    for (const ExportPicture& picture : render().frames)
        EXPECT_EQ(picture.delayMs, 70u);

    player.SetDelayMode(false);
    player.SetCustomDelay(120);
    const ExportAnimation custom = render();
    ASSERT_EQ(custom.frames.size(), 3u);
    for (const ExportPicture& picture : custom.frames)
        EXPECT_EQ(picture.delayMs, 120u);
}

TEST_F(ExportTest, CancelLeavesNothingAndNothingLoadedFails)
{
    ExportAnimation animation;
    EXPECT_EQ(RenderAnimation(player, {}, {}, animation), ExportResult::Failed);

    loadSample(kUnitSample);
    animation.frames.resize(2);
    animation.framesPerRow = 2;
    std::vector<std::pair<int, int>> calls;
    const auto cancelAfterThree = [&](int done, int total) {
        calls.emplace_back(done, total);
        return done < 3;
    };
    EXPECT_EQ(RenderAnimation(player, {}, cancelAfterThree, animation), ExportResult::Cancelled);
    EXPECT_TRUE(animation.frames.empty());
    EXPECT_EQ(animation.framesPerRow, 0);
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{1, 80}, {2, 80}, {3, 80}}));
    EXPECT_EQ(player.currentFrame, player.rangeStart);
}

TEST_F(ExportTest, TransparentLeavesTheBackgroundOutAndKeepsTheUnit)
{
    ASSERT_EQ(loadGame(blendSampler()), kOk);
    player.SetCustomBackground(colorRef(100, 100, 100));
    const ExportPicture opaque = render().frames.at(0);
    const ExportPicture clear = render(true).frames.at(0);
    const auto at = [](const ExportPicture& picture, int x, int y) {
        return picture.pixels[std::size_t(y) * std::size_t(picture.width) + std::size_t(x)];
    };

    // The ordinary colour: opaque, as the normal picture has it.
    EXPECT_EQ(at(clear, 14, 20), colorOf(100) | kOpaque);
    EXPECT_EQ(at(clear, 14, 20), at(opaque, 14, 20));
    // The background and the frame's transparent pixels: nothing.
    EXPECT_EQ(at(clear, 0, 0), 0u);
    EXPECT_EQ(at(clear, 15, 20), 0u);
    EXPECT_EQ(at(clear, 10, 21), 0u);
    // Shadows let the background through in part.
    for (const int x : {10, 11}) {
        EXPECT_GT(alphaOf(at(clear, x, 20)), 0) << x;
        EXPECT_LT(alphaOf(at(clear, x, 20)), 255) << x;
    }
    // The deeper shadow covers more.
    EXPECT_GT(alphaOf(at(clear, 11, 20)), alphaOf(at(clear, 10, 20)));
}

TEST_F(ExportTest, TransparentSampleOverAnyBackgroundGivesTheSamePictures)
{
    loadSample(kUnitSample);
    player.SetDirection(6);
    player.SetCustomBackground(colorRef(30, 60, 90));
    const ExportAnimation overColour = render(true);
    ASSERT_TRUE(player.SetImageBackground(kBackgroundSea));
    const ExportAnimation overSea = render(true);
    ASSERT_EQ(overColour.frames.size(), overSea.frames.size());
    for (std::size_t k = 0; k < overSea.frames.size(); ++k)
        EXPECT_EQ(overColour.frames[k].pixels, overSea.frames[k].pixels) << k;
    // The corner shows the background only.
    EXPECT_EQ(overSea.frames[0].pixels.front(), 0u);
}

// Frames are indexed where each pixel's index alone tells its pixel: then
// every frame's picture is its indices through its colours.
TEST_F(ExportTest, IndexedFramesAreTheirPicturesWhereTheBackgroundIsOneColour)
{
    enum class Ground { Face, Custom, Sea };
    const struct {
        const char* name;
        bool covering; // the 240 × 240 unit, else the plain sample
        Ground ground;
        bool blend;
        bool transparent;
        bool indexed;
    } cases[] = {
        {"unit over the face colour", true, Ground::Face, true, false, true},
        {"unit over a colour, no blending", true, Ground::Custom, false, false, true},
        {"unit over the sea", true, Ground::Sea, true, false, false},
        {"unit without the sea", true, Ground::Sea, true, true, true},
        {"plain file", false, Ground::Face, true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.covering) {
            ASSERT_EQ(loadGame(canvasCoveringGame()), kOk);
        } else {
            loadSample(kPlainSample);
        }
        if (c.ground == Ground::Custom)
            player.SetCustomBackground(colorRef(30, 60, 90));
        if (c.ground == Ground::Sea) {
            ASSERT_TRUE(player.SetImageBackground(kBackgroundSea));
        }
        player.SetAlphaBlend(c.blend);
        PlayerFrames frames(player, ExportOptions{.transparent = c.transparent});
        ASSERT_EQ(frames.indexed(), c.indexed);
        IndexedPicture indexed;
        if (!c.indexed) {
            EXPECT_FALSE(frames.indexedFrame(0, indexed));
            continue;
        }
        ExportPicture picture;
        for (int k = 0; k < frames.frameCount(); ++k) {
            ASSERT_TRUE(frames.frame(k, picture));
            ASSERT_TRUE(frames.indexedFrame(k, indexed));
            ASSERT_EQ(indexed.width, picture.width);
            ASSERT_EQ(indexed.height, picture.height);
            EXPECT_EQ(indexed.delayMs, picture.delayMs);
            std::vector<std::uint32_t> through(picture.pixels.size());
            std::transform(indexed.indices, indexed.indices + through.size(), through.begin(),
                           [&indexed](std::uint8_t v) { return indexed.colors[v]; });
            EXPECT_TRUE(through == picture.pixels) << "frame " << k;
        }
    }
    // A unit smaller than the canvas leaves pixels that are no frame's.
    loadSample(kUnitSample);
    EXPECT_FALSE(PlayerFrames(player, {}).indexed());
}


TEST_F(ExportTest, BoundingBoxIsTheUnionOfWhatTheFramesDraw)
{
    ASSERT_EQ(loadGame(cornerFrames()), kOk);
    for (const bool transparent : {false, true}) {
        const ExportRect box = UnionBoundingBox(render(transparent));
        EXPECT_EQ(box.x, 30) << transparent;
        EXPECT_EQ(box.y, 40) << transparent;
        EXPECT_EQ(box.width, 4) << transparent;
        EXPECT_EQ(box.height, 3) << transparent;
    }
}

TEST_F(ExportTest, SheetsMadeFrameByFrameEqualThoseOfTheHeldFrames)
{
    struct Case {
        const std::string* file;
        int direction;
        bool transparent;
        bool crop;
    };
    for (const Case& c : {Case{&kUnitSample, 0, false, false}, Case{&kUnitSample, 0, true, true},
                          Case{&kUnitSample, 3, true, false}, Case{&kPlainSample, 0, false, true}}) {
        loadSample(*c.file);
        player.SetDirection(c.direction);
        const ExportAnimation held = render(c.transparent);
        PlayerFrames frames(player, ExportOptions{.transparent = c.transparent});
        ASSERT_EQ(frames.frameCount(), int(held.frames.size()));
        const std::optional<ExportRect> cell = SheetCell(frames, c.crop);
        ASSERT_TRUE(cell.has_value());
        const ExportPicture streamed = BuildSpriteSheet(frames, *cell);
        const ExportPicture whole = BuildSpriteSheet(held, SheetCell(held, c.crop));
        EXPECT_EQ(streamed.width, whole.width) << *c.file << c.direction;
        EXPECT_EQ(streamed.height, whole.height) << *c.file << c.direction;
        EXPECT_TRUE(streamed.pixels == whole.pixels) << *c.file << c.direction << c.transparent << c.crop;
    }
}

TEST_F(ExportTest, ACancelledFrameSourceMakesNoSheet)
{
    loadSample(kUnitSample);
    PlayerFrames frames(player, {}, [](int done, int) { return done < 3; });
    EXPECT_TRUE(BuildSpriteSheet(frames, {0, 0, kCanvasSize, kCanvasSize}).pixels.empty());
    EXPECT_TRUE(frames.cancelled());
}

TEST_F(ExportTest, SpriteSheetCellsHoldTheCroppedFrames)
{
    ASSERT_EQ(loadGame(cornerFrames()), kOk);
    const ExportAnimation animation = render();
    ASSERT_EQ(animation.framesPerRow, 2);
    const ExportPicture whole = BuildSpriteSheet(animation, {0, 0, kCanvasSize, kCanvasSize});
    EXPECT_EQ(whole.width, 2 * kCanvasSize);
    EXPECT_EQ(whole.height, kCanvasSize);
    EXPECT_EQ(whole.pixels[std::size_t(kCanvasSize) + 33 + 42 * std::size_t(whole.width)], colorOf(101) | kOpaque);

    const ExportPicture sheet = BuildSpriteSheet(animation, UnionBoundingBox(animation));
    ASSERT_EQ(sheet.width, 8);
    ASSERT_EQ(sheet.height, 3);
    ASSERT_EQ(sheet.pixels.size(), 24u);
    const std::uint32_t background = FillColorFromRef(TestPlayer::kFaceColor) | kOpaque;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 8; ++x) {
            std::uint32_t expected = background;
            if (x == 0 && y == 0)
                expected = colorOf(100) | kOpaque;
            if (x == 7 && y == 2)
                expected = colorOf(101) | kOpaque;
            EXPECT_EQ(sheet.pixels[std::size_t(y * 8 + x)], expected) << x << "," << y;
        }
    }
}

TEST(ExportSheet, UnusedCellsAndCellsBeyondTheFrameAreClear)
{
    ExportAnimation animation;
    animation.framesPerRow = 2;
    for (std::uint32_t k = 0; k < 3; ++k)
        animation.frames.push_back({2, 2, std::vector<std::uint32_t>(4, kOpaque | k), 0});

    const ExportPicture sheet = BuildSpriteSheet(animation, {0, 0, 2, 2});
    ASSERT_EQ(sheet.width, 4);
    ASSERT_EQ(sheet.height, 4);
    EXPECT_EQ(sheet.pixels, (std::vector<std::uint32_t>{kOpaque, kOpaque, kOpaque | 1, kOpaque | 1,     //
                                                        kOpaque, kOpaque, kOpaque | 1, kOpaque | 1,     //
                                                        kOpaque | 2, kOpaque | 2, 0, 0,                 //
                                                        kOpaque | 2, kOpaque | 2, 0, 0}));

    // A cell reaching past the frame keeps the part beyond it clear.
    const ExportPicture shifted = BuildSpriteSheet(animation, {1, 1, 2, 2});
    ASSERT_EQ(shifted.pixels.size(), 16u);
    EXPECT_EQ(shifted.pixels[0], kOpaque);
    EXPECT_EQ(shifted.pixels[1], 0u);
    EXPECT_EQ(shifted.pixels[4], 0u);
}

TEST(ExportSheet, EmptyAnimationAndUniformFrames)
{
    const ExportAnimation empty;
    const ExportRect none = UnionBoundingBox(empty);
    EXPECT_EQ(none.width, 0);
    EXPECT_EQ(none.height, 0);
    const ExportPicture sheet = BuildSpriteSheet(empty, {0, 0, 10, 10});
    EXPECT_EQ(sheet.width, 0);
    EXPECT_TRUE(sheet.pixels.empty());

    // Nothing stands out from the corner: the whole picture.
    ExportAnimation uniform;
    uniform.framesPerRow = 1;
    uniform.frames.push_back({3, 2, std::vector<std::uint32_t>(6, kOpaque | 0x123456), 0});
    const ExportRect whole = UnionBoundingBox(uniform);
    EXPECT_EQ(whole.x, 0);
    EXPECT_EQ(whole.y, 0);
    EXPECT_EQ(whole.width, 3);
    EXPECT_EQ(whole.height, 2);
    EXPECT_TRUE(BuildSpriteSheet(uniform, {0, 0, 0, 2}).pixels.empty());
}

} // namespace

TEST_F(ExportTest, RowsMadeFrameAfterFrameAreTheRowsOfTheWholeFrames)
{
    struct Case {
        const std::string* file;
        int direction;
        bool transparent;
        int background; // 0 for a colour
    };
    for (const Case& c : {Case{&kUnitSample, 0, false, kBackgroundSea}, Case{&kUnitSample, 2, true, kBackgroundLand},
                          Case{&kUnitSample, 0, false, 0}, Case{&kPlainSample, 0, false, 0},
                          Case{&kPlainSample, 0, true, 0}}) {
        loadSample(*c.file);
        player.SetDirection(c.direction);
        if (c.background != 0)
            ASSERT_TRUE(player.SetImageBackground(c.background));
        else
            player.SetCustomBackground(colorRef(200, 10, 40));
        const ExportAnimation whole = render(c.transparent);
        PlayerFrames frames(player, ExportOptions{.transparent = c.transparent});
        // Row by row across every frame, as a sheet of one row asks for them.
        ExportPicture row;
        const int height = whole.frames.front().height;
        for (int y = -1; y <= height; ++y) {
            for (int k = 0; k < frames.frameCount(); ++k) {
                const ExportPicture& frame = whole.frames[std::size_t(k)];
                ASSERT_TRUE(frames.frameRow(k, y, row));
                EXPECT_EQ(row.width, frame.width);
                if (y < 0 || y == height) {
                    EXPECT_EQ(row.height, 0);
                    continue;
                }
                const auto first = frame.pixels.begin() + std::ptrdiff_t(y) * frame.width;
                ASSERT_EQ(row.height, 1);
                ASSERT_TRUE(std::equal(row.pixels.begin(), row.pixels.end(), first, first + frame.width))
                    << *c.file << " direction " << c.direction << " frame " << k << " row " << y;
            }
        }
    }
}

TEST(PictureRows, RowsOfPicturesInTurnAreThoseComposedWhole)
{
    // Two frames drawn with palettes, keys and blending that differ, in
    // turn, so that what the composer keeps from one is never used wrongly
    // for the other.
    constexpr int kSide = 9;
    std::vector<std::uint8_t> indices(kSide * kSide);
    for (std::size_t i = 0; i < indices.size(); ++i)
        indices[i] = std::uint8_t(i * 29 % 256);
    const FlcFrame frame{kSide - 2, kSide - 1, indices.data(), -1};
    Palette warm{};
    Palette cold{};
    for (int v = 0; v < 256; ++v) {
        warm[std::size_t(v)] = PaletteEntry::fromRgb(std::uint8_t(v), 40, std::uint8_t(255 - v));
        cold[std::size_t(v)] = PaletteEntry::fromRgb(10, std::uint8_t(v), std::uint8_t(v / 2));
    }
    PictureInputs a{nullptr, 0x203040, &frame, 1, 2, &warm, ColorKey::single(warm[0].rgb()), true};
    PictureInputs b{nullptr, 0x000000, &frame, -2, 0, &cold, ColorKey::single(cold[29].rgb()), false};
    PictureInputs c = a;
    c.fillColor = 0xFFFFFF;
    const PictureInputs inputs[] = {a, b, a, c, PictureInputs{nullptr, 0x123456, nullptr, 0, 0, nullptr, {}, false}};
    PictureRowComposer composer;
    std::vector<std::uint32_t> row(kSide);
    for (int y = 0; y < kSide; ++y) {
        for (const PictureInputs& picture : inputs) {
            PlatformSurface whole;
            whole.width = whole.height = kSide;
            whole.pitch = kSide * 4;
            whole.pixels = std::make_unique<std::uint32_t[]>(kSide * kSide);
            ComposePicture(picture, whole);
            composer.composeRow(picture, y, row.data(), kSide);
            EXPECT_TRUE(std::equal(row.begin(), row.end(), whole.pixels.get() + y * kSide)) << "row " << y;
        }
    }
}
