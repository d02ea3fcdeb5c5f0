#include "PlayerCoreFixture.h"

#include "imaging/CPcxImage.h"
#include "palette/BuiltInResources.h"

#include <gtest/gtest.h>

using namespace kinetra;
using namespace kinetra::test;

namespace {

constexpr int kLeft = kBlendSamplerLeft;
constexpr int kTop = kBlendSamplerTop;

class ComposeTest : public PlayerCoreTest {
protected:
    void loadSampler() { ASSERT_EQ(loadGame(blendSampler()), kOk); }
    // The first row of the sampler's frame as drawn.
    std::vector<std::uint32_t> sampledRow()
    {
        std::vector<std::uint32_t> row;
        for (int x = 0; x < 6; ++x)
            row.push_back(pixel(kLeft + x, kTop));
        return row;
    }
};

TEST_F(ComposeTest, ShadowDarkensAndLightBrightensTheBackgroundUnderThem)
{
    loadSampler();
    player.SetCustomBackground(colorRef(100, 100, 100));
    compose();
    const std::uint32_t grey = rgb(100, 100, 100);
    EXPECT_EQ(sampledRow(),
              (std::vector<std::uint32_t>{rgb(88, 88, 88), rgb(0, 0, 0), rgb(160, 160, 160), grey, colorOf(100), grey}));
    EXPECT_EQ(pixel(kLeft, kTop + 1), grey);
    EXPECT_EQ(pixel(kLeft - 1, kTop), grey);
    EXPECT_EQ(pixel(0, 0), grey);
}

TEST_F(ComposeTest, BlendingClampsEachChannelOnItsOwn)
{
    loadSampler();
    player.SetCustomBackground(colorRef(250, 10, 250));
    compose();
    EXPECT_EQ(pixel(kLeft, kTop), rgb(238, 0, 238));
    EXPECT_EQ(pixel(kLeft + 1, kTop), rgb(70, 0, 70));
    EXPECT_EQ(pixel(kLeft + 2, kTop), rgb(255, 70, 255));
}

TEST_F(ComposeTest, ShadowAndLightOverPureBlackKeepTheFramesColours)
{
    loadSampler();
    player.SetCustomBackground(colorRef(0, 0, 0));
    compose();
    EXPECT_EQ(sampledRow(),
              (std::vector<std::uint32_t>{colorOf(254), colorOf(240), colorOf(239), colorOf(224), colorOf(100), 0}));
}

TEST_F(ComposeTest, EveryTickBlendsAfreshOverTheBackgroundOfThatTick)
{
    // The same pixel is a shadow in frame 0 and an ordinary colour in frame
    // 1; composing frame 1 must not reuse frame 0's record.
    encoder::GameAnimation game;
    game.width = 1;
    game.height = 1;
    game.directions = 1;
    game.framesPerDirection = 2;
    game.palette = distinctPalette();
    game.images = {solidImage(1, 1, 250), solidImage(1, 1, 100)};
    ASSERT_EQ(loadGame(game), kOk);

    player.SetCustomBackground(colorRef(100, 100, 100));
    compose();
    EXPECT_EQ(pixel(0, 0), rgb(40, 40, 40));
    player.SetCustomBackground(colorRef(200, 100, 50));
    compose();
    EXPECT_EQ(pixel(0, 0), rgb(140, 40, 0));
    player.currentFrame = 1;
    compose();
    EXPECT_EQ(pixel(0, 0), colorOf(100));
}

// Over a tile the frame is drawn four pixels at a time, over one colour
// through a table made one pixel at a time: a tile of one colour must give
// what that colour gives, for every index, key and blending.
TEST(PictureCompose, ATileOfOneColourDrawsWhatThatColourDraws)
{
    Palette palette = distinctPalette();
    palette[7] = palette[255]; // a second index in the key's colour
    palette[250] = palette[255]; // a shadow index in it too
    // 16 × 17: every index, rows of a length that leaves three pixels for
    // the one-at-a-time end.
    std::vector<std::uint8_t> indices;
    for (int i = 0; i < 17 * 16; ++i)
        indices.push_back(std::uint8_t(i * 37 % 256));
    const FlcFrame frame{17, 16, indices.data()};
    const struct {
        const char* name;
        std::uint32_t colour;
        bool blend;
    } cases[] = {
        {"black", 0x000000, true},      {"near black", 0x000001, true}, {"grey", 0x646464, true},
        {"white", 0xFFFFFF, true},      {"clamping", 0xFA0AFA, true},   {"grey, no blending", 0x646464, false},
        {"the key's colour", 0xFF00FF, true},
    };
    const auto surface = [] {
        PlatformSurface made;
        made.width = made.height = 20;
        made.pitch = 20 * 4;
        made.pixels = std::make_unique<std::uint32_t[]>(20 * 20);
        return made;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlatformSurface tile = surface();
        std::fill_n(tile.pixels.get(), 20 * 20, 0xFF000000u | c.colour);
        PictureInputs inputs;
        inputs.frame = &frame;
        inputs.left = 2;
        inputs.top = 1;
        inputs.palette = &palette;
        inputs.colorKey = ColorKey::single(palette[255].rgb());
        inputs.blend = c.blend;
        inputs.fillColor = c.colour;
        PlatformSurface overTile = surface();
        PlatformSurface overColour = surface();
        ComposePicture(inputs, overColour);
        inputs.tile = &tile;
        ComposePicture(inputs, overTile);
        EXPECT_TRUE(std::equal(overTile.pixels.get(), overTile.pixels.get() + 400, overColour.pixels.get()));
    }
}

TEST_F(ComposeTest, BlendingOffDrawsEveryIndexInItsColourOverTheDefaultColour)
{
    loadSampler();
    player.SetCustomBackground(colorRef(100, 100, 100));
    ASSERT_EQ(settings.option("Bgd Type"), kBackgroundCustom);

    player.SetAlphaBlend(false);
    EXPECT_EQ(player.backgroundType, kBackgroundDefault);
    EXPECT_EQ(settings.option("Bgd Type"), kBackgroundDefault);
    EXPECT_EQ(settings.option("AlphaBlend"), 0);
    compose();
    const std::uint32_t face = FillColorFromRef(TestPlayer::kFaceColor);
    EXPECT_EQ(sampledRow(), (std::vector<std::uint32_t>{colorOf(254), colorOf(240), colorOf(239), colorOf(224),
                                                        colorOf(100), colorOf(255)}));
    EXPECT_EQ(pixel(0, 0), face);

    // On again: the key is back, the background stays the default colour.
    player.SetAlphaBlend(true);
    EXPECT_EQ(settings.option("AlphaBlend"), 1);
    compose();
    EXPECT_EQ(pixel(kLeft + 5, kTop), face);
    EXPECT_EQ(pixel(kLeft, kTop), rgb(0xD4 - 12, 0xD0 - 12, 0xC8 - 12));
}

TEST_F(ComposeTest, SettingTheBlendingInForceWritesNothing)
{
    loadSampler();
    const int writes = settings.writes;
    const ColorKey key = player.colorKey;
    player.SetAlphaBlend(true);
    EXPECT_EQ(settings.writes, writes);
    EXPECT_EQ(player.colorKey, key);
}

TEST_F(ComposeTest, StoredBlendingOffLoadsOverTheDefaultColourAndKeepsTheStoredType)
{
    settings.WriteProfileInt("Options", "Bgd Type", kBackgroundCustom);
    settings.WriteProfileInt("Options", "Custom Color", int(colorRef(1, 2, 3)));
    settings.WriteProfileInt("Options", "AlphaBlend", 0);
    ASSERT_TRUE(player.Initialize());
    loadSampler();
    EXPECT_EQ(player.backgroundType, kBackgroundCustom);
    EXPECT_EQ(player.fillColor, FillColorFromRef(TestPlayer::kFaceColor));
    compose();
    EXPECT_EQ(pixel(kLeft, kTop), colorOf(254));
    EXPECT_EQ(pixel(kLeft + 5, kTop), colorOf(255));
}

TEST_F(ComposeTest, PlainFlcIsDrawnKeyedAtTheOriginOverBlackWithoutBlending)
{
    player.SetCustomBackground(colorRef(100, 100, 100));
    IndexImage image = solidImage(4, 3, 255);
    image.pixels[0] = 254;
    image.pixels[2] = 100;
    image.pixels[5] = 239;
    ASSERT_EQ(load(encoder::buildPlainFlc(distinctPalette(), {image}, 0)), kOk);

    EXPECT_TRUE(player.IsPlainFlc());
    EXPECT_EQ(player.canvas, std::make_pair(4, 3));
    EXPECT_EQ(player.header.speed, 10u);
    compose();
    EXPECT_EQ(pixel(0, 0), colorOf(254));
    EXPECT_EQ(pixel(1, 0), 0u);
    EXPECT_EQ(pixel(2, 0), colorOf(100));
    EXPECT_EQ(pixel(1, 1), colorOf(239));
    // The picture is the file's: nothing of the canvas is left around it.
    EXPECT_EQ(player.GetScreen()->backBuffer->Memory()->width, 4);
    EXPECT_EQ(player.GetScreen()->backBuffer->Memory()->height, 3);
    // The background choice itself is kept for the next game animation.
    EXPECT_EQ(player.backgroundType, kBackgroundCustom);
}

// A 20 × 10 frame of ordinary colours with shadow pixels among them.
encoder::GameAnimation patternGame(std::uint16_t left, std::uint16_t top)
{
    encoder::GameAnimation game;
    game.width = 20;
    game.height = 10;
    game.directions = 1;
    game.framesPerDirection = 1;
    game.leftOffset = left;
    game.topOffset = top;
    game.palette = distinctPalette();
    IndexImage image(20, 10);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x)
            image.row(y)[x] = (x + y) % 5 == 0 ? 254 : std::uint8_t(64 + x * 7 + y);
    }
    game.images.push_back(image);
    return game;
}

TEST_F(ComposeTest, FrameReachingPastTheCanvasIsClipped)
{
    const encoder::GameAnimation game = patternGame(230, 235);
    ASSERT_EQ(loadGame(game), kOk);
    player.SetCustomBackground(colorRef(100, 100, 100));
    compose();
    const IndexImage& image = game.images[0];
    for (int y = 0; y < kCanvasSize; ++y) {
        for (int x = 0; x < kCanvasSize; ++x) {
            std::uint32_t expected = rgb(100, 100, 100);
            if (x >= 230 && y >= 235) {
                const int v = image.at(x - 230, y - 235);
                expected = v == 254 ? rgb(88, 88, 88) : colorOf(v);
            }
            ASSERT_EQ(pixel(x, y), expected) << x << ", " << y;
        }
    }
}

TEST_F(ComposeTest, FrameWhollyOutsideTheCanvasLeavesTheBackground)
{
    for (const auto& [left, top] : {std::pair<std::uint16_t, std::uint16_t>{240, 0}, {0, 240}, {65535, 65535}}) {
        ASSERT_EQ(loadGame(patternGame(left, top)), kOk);
        player.SetCustomBackground(colorRef(100, 100, 100));
        compose();
        for (int y = 0; y < kCanvasSize; y += 7) {
            for (int x = 0; x < kCanvasSize; x += 7)
                ASSERT_EQ(pixel(x, y), rgb(100, 100, 100)) << left << ", " << top;
        }
        player.Unload();
    }
}

// A plain FLC's picture is the file's own size, whole; a game animation's
// the 240 × 240 canvas, whatever was loaded before.
struct PictureSizeCase {
    int width;
    int height;
};

const PictureSizeCase kPlainSizes[] = {
    {20, 10},   // smaller than the canvas
    {240, 240}, // the canvas itself
    {320, 200}, // an FLI of its day: wider than the canvas
    {300, 260}, // larger both ways
    {1, 400},   // one column, taller than the canvas
};

TEST_F(ComposeTest, PlainFlcIsDrawnWholeAtItsOwnSize)
{
    for (const PictureSizeCase& size : kPlainSizes) {
        IndexImage image(size.width, size.height);
        for (int y = 0; y < size.height; ++y) {
            for (int x = 0; x < size.width; ++x)
                image.row(y)[x] = std::uint8_t(64 + (x * 3 + y) % 150);
        }
        ASSERT_EQ(load(encoder::buildPlainFlc(distinctPalette(), {image}, 50)), kOk);
        EXPECT_EQ(player.canvas, std::make_pair(size.width, size.height));
        EXPECT_EQ(player.PictureWidth(), size.width);
        EXPECT_EQ(player.PictureHeight(), size.height);
        const PlatformSurface* back = player.GetScreen()->backBuffer->Memory();
        ASSERT_EQ(back->width, size.width);
        ASSERT_EQ(back->height, size.height);
        compose();
        for (int y = 0; y < size.height; ++y) {
            for (int x = 0; x < size.width; ++x)
                ASSERT_EQ(pixel(x, y), colorOf(image.at(x, y))) << size.width << 'x' << size.height << " at " << x
                                                                  << ", " << y;
        }

        ASSERT_EQ(loadGame(numberedGame(1, 2)), kOk);
        EXPECT_EQ(player.canvas, std::make_pair(kCanvasSize, kCanvasSize));
        EXPECT_EQ(player.GetScreen()->backBuffer->Memory()->width, kCanvasSize);
        EXPECT_EQ(player.GetScreen()->backBuffer->Memory()->height, kCanvasSize);
    }
}

TEST_F(ComposeTest, CurrentFrameBeyondTheLastDrawsTheLastAndStaysCorrected)
{
    ASSERT_EQ(loadGame(numberedGame(1, 4)), kOk);
    player.currentFrame = 100;
    compose();
    EXPECT_EQ(player.currentFrame, 3);
    EXPECT_EQ(pixel(0, 0), colorOf(64 + 3));
}

TEST_F(ComposeTest, WithoutAScreenNothingIsDrawnAndNothingBreaks)
{
    CountingSettings ownSettings;
    TestPlayer bare(ownSettings); // never initialized: no screen
    bare.dataFolder = data.path();
    TempFile file(encoder::buildGameAnimation(blendSampler()));
    ASSERT_EQ(bare.LoadFile(file.path()), kOk);
    bare.currentFrame = 7;
    bare.DrawBackground();
    bare.ComposeFrame();
    EXPECT_TRUE(bare.Tick());
    EXPECT_EQ(bare.currentFrame, 0);
}

// --- Backgrounds ---------------------------------------------------------

class BackgroundTest : public PlayerCoreTest {
protected:
    // Whether the back buffer holds the built-in tile `id` pixel for pixel.
    void expectTile(int id)
    {
        CPcxImage tile;
        ASSERT_EQ(tile.LoadFromMemory(BuiltInResource(id)), kOk);
        ASSERT_EQ(tile.width, kCanvasSize);
        for (int y = 0; y < kCanvasSize; ++y) {
            for (int x = 0; x < kCanvasSize; ++x) {
                const std::uint32_t expected = tile.palette[tile.pixels[std::size_t(y * kCanvasSize + x)]].rgb();
                if (expected != 0x00FF00FF) {
                    ASSERT_EQ(pixel(x, y), expected) << x << ", " << y;
                }
            }
        }
    }
};

TEST_F(BackgroundTest, MissingTileIsWrittenOutThenDrawn)
{
    ASSERT_FALSE(std::filesystem::exists(data / "Sea.pcx"));
    EXPECT_TRUE(player.SetImageBackground(kBackgroundSea));
    const auto sea = BuiltInResource(kResourceSea);
    EXPECT_EQ(readFile(data / "Sea.pcx"), std::vector<std::uint8_t>(sea.begin(), sea.end()));
    EXPECT_EQ(player.backgroundType, kBackgroundSea);
    EXPECT_EQ(settings.option("Bgd Type"), kBackgroundSea);
    player.DrawBackground();
    expectTile(kResourceSea);

    EXPECT_TRUE(player.SetImageBackground(kBackgroundLand));
    EXPECT_TRUE(std::filesystem::exists(data / "Land.pcx"));
    player.DrawBackground();
    expectTile(kResourceLand);
}

TEST_F(BackgroundTest, TileTheUserReplacedIsUsedUnchanged)
{
    const auto land = BuiltInResource(kResourceLand);
    const std::vector<std::uint8_t> replacement(land.begin(), land.end());
    writeFile(data / "Sea.pcx", replacement);
    EXPECT_TRUE(player.SetImageBackground(kBackgroundSea));
    EXPECT_EQ(readFile(data / "Sea.pcx"), replacement);
    player.DrawBackground();
    expectTile(kResourceLand);
}

TEST_F(BackgroundTest, TileThatIsNotAPictureFailsAndKeepsTheOldColourAndType)
{
    writeFile(data / "Sea.pcx", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'c', 'x'});
    player.SetCustomBackground(colorRef(1, 2, 3));
    EXPECT_FALSE(player.SetImageBackground(kBackgroundSea));
    EXPECT_EQ(player.backgroundImage, nullptr);
    EXPECT_EQ(player.fillColor, rgb(1, 2, 3));
    EXPECT_EQ(player.backgroundType, kBackgroundCustom);
    EXPECT_EQ(settings.option("Bgd Type"), kBackgroundCustom);

    // A tile in place before is dropped all the same.
    ASSERT_TRUE(player.SetImageBackground(kBackgroundLand));
    EXPECT_FALSE(player.SetImageBackground(kBackgroundSea));
    EXPECT_EQ(player.backgroundImage, nullptr);
    EXPECT_EQ(player.backgroundType, kBackgroundLand);
    player.DrawBackground();
    EXPECT_EQ(pixel(5, 5), rgb(1, 2, 3));
}

TEST_F(BackgroundTest, OnlySeaAndLandAreTiles)
{
    const int writes = settings.writes;
    EXPECT_FALSE(player.SetImageBackground(kBackgroundCustom));
    EXPECT_FALSE(player.SetImageBackground(4));
    EXPECT_EQ(settings.writes, writes);
    EXPECT_TRUE(std::filesystem::is_empty(data.path()));
}

TEST_F(BackgroundTest, ColourBackgroundsDropTheTileAndStoreTheirChoice)
{
    ASSERT_TRUE(player.SetImageBackground(kBackgroundLand));
    EXPECT_TRUE(player.SetCustomBackground(colorRef(10, 20, 30)));
    EXPECT_EQ(player.backgroundImage, nullptr);
    EXPECT_EQ(settings.option("Custom Color"), int(colorRef(10, 20, 30)));
    EXPECT_EQ(settings.option("Bgd Type"), kBackgroundCustom);
    player.DrawBackground();
    EXPECT_EQ(pixel(239, 239), rgb(10, 20, 30));

    EXPECT_TRUE(player.SetDefaultBackground());
    EXPECT_EQ(settings.option("Bgd Type"), kBackgroundDefault);
    player.DrawBackground();
    EXPECT_EQ(pixel(0, 0), rgb(0xD4, 0xD0, 0xC8));
}

TEST_F(BackgroundTest, InitializeRestoresTheStoredBackground)
{
    settings.WriteProfileInt("Options", "Bgd Type", kBackgroundLand);
    ASSERT_TRUE(player.Initialize());
    EXPECT_EQ(player.backgroundType, kBackgroundLand);
    EXPECT_NE(player.backgroundImage, nullptr);

    settings.WriteProfileInt("Options", "Bgd Type", kBackgroundCustom);
    settings.WriteProfileInt("Options", "Custom Color", int(colorRef(7, 8, 9)));
    ASSERT_TRUE(player.Initialize());
    EXPECT_EQ(player.backgroundImage, nullptr);
    EXPECT_EQ(player.customColor, colorRef(7, 8, 9));
    EXPECT_EQ(player.fillColor, rgb(7, 8, 9));
}

} // namespace
