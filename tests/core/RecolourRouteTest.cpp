// A palette change re-maps the kept indices instead of decoding the file
// again. Every picture afterwards must be what the decoding route gave:
// the file decoded again with the new display palette, each frame turned
// into 32-bit colours, then drawn in three passes (record the background
// under shadow and light pixels, blit the frame past its key, blend).

#include "PlayerCoreFixture.h"

#include "flc/PlainFlcDefaults.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

using namespace kinetra;
using namespace kinetra::test;

namespace {

using Picture = std::vector<std::uint32_t>;

// Indices 0..255 row after row, 16 × 16, so every kind of pixel is drawn.
encoder::GameAnimation everyIndexGame()
{
    encoder::GameAnimation game;
    game.width = 16;
    game.height = 16;
    game.directions = 1;
    game.framesPerDirection = 1;
    game.leftOffset = 30;
    game.topOffset = 40;
    game.palette = distinctPalette();
    IndexImage image(16, 16);
    std::iota(image.pixels.begin(), image.pixels.end(), 0);
    game.images.push_back(image);
    return game;
}

// The picture of frame `k` as the decoding route made it.
Picture decodedRoutePicture(const CFlcPlayerCore& player, const CFlcAnimation& decoded, int k)
{
    Picture picture(std::size_t(kCanvasSize) * kCanvasSize, 0xFF000000u | player.fillColor);
    if (const PlatformSurface* tile = player.backgroundImage ? player.backgroundImage->Memory() : nullptr)
        std::copy_n(tile->pixels.get(), picture.size(), picture.begin());
    const FlcFrame& frame = decoded.frames[std::size_t(k)];
    const Picture colours = framePixels(frame, decoded.displayPalette);
    const bool blend = player.alphaBlend && !player.IsPlainFlc();
    for (int y = 0; y < frame.height && decoded.header.topOffset + y < kCanvasSize; ++y) {
        for (int x = 0; x < frame.width && decoded.header.leftOffset + x < kCanvasSize; ++x) {
            const std::uint8_t v = frame.indices[std::size_t(y * frame.width + x)];
            std::uint32_t& out = picture[std::size_t((decoded.header.topOffset + y) * kCanvasSize
                                                     + decoded.header.leftOffset + x)];
            const std::uint32_t under = out;
            const std::uint32_t colour = colours[std::size_t(y * frame.width + x)];
            if (!decoded.colorKey.matches(colour))
                out = colour;
            const bool shadow = v >= 240 && v <= 254;
            const bool light = v >= 224 && v <= 239;
            if (!blend || !(shadow || light) || (under & 0x00FFFFFFu) == 0)
                continue;
            const int amount = shadow ? -12 * (255 - v) : 4 * (v - 224);
            std::uint32_t blended = out & 0xFF000000u;
            for (int shift = 0; shift <= 16; shift += 8)
                blended |= std::uint32_t(std::clamp(int((under >> shift) & 0xFF) + amount, 0, 255)) << shift;
            out = blended;
        }
    }
    return picture;
}

struct RecolourCase {
    const char* name;
    bool (*recolour)(CFlcPlayerCore& player);
};

const RecolourCase kRecolourCases[] = {
    {"civilization 5", [](CFlcPlayerCore& player) { return player.LoadCivColor(kPaletteBuiltIn, 5); }},
    {"civilization 5, then the file's own",
     [](CFlcPlayerCore& player) { return player.LoadCivColor(kPaletteBuiltIn, 5) && player.LoadCivColor(kPaletteBuiltIn, 0); }},
    {"edited palette", [](CFlcPlayerCore& player) {
         for (int i : {0, 64, 100, 224, 230, 240, 250, 255})
             player.displayPalette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), 40, std::uint8_t(255 - i));
         return player.ApplyPaletteChanges();
     }},
};

class RecolourRouteTest : public PlayerCoreTest {
protected:
    Picture shown()
    {
        const PlatformSurface* back = player.GetScreen()->backBuffer->Memory();
        return {back->pixels.get(), back->pixels.get() + std::size_t(kCanvasSize) * kCanvasSize};
    }

    // Every frame as the player draws it against the decoding route.
    void expectEveryFrameAsDecoded(const std::string& what)
    {
        CFlcAnimation decoded;
        decoded.displayPalette = player.displayPalette;
        decoded.transparentColor = player.transparentColor;
        decoded.alphaBlend = player.alphaBlend;
        ASSERT_EQ(decoded.Load(player.path, false), kOk) << what;
        applyPlayerDefaults(decoded);
        ASSERT_EQ(decoded.frames.size(), player.frames.size()) << what;
        for (int k = 0; k < int(player.frames.size()); ++k) {
            player.currentFrame = k;
            player.ComposeFrame();
            ASSERT_TRUE(shown() == decodedRoutePicture(player, decoded, k)) << what << ", frame " << k;
        }
    }
};

TEST_F(RecolourRouteTest, PicturesAfterARecolourAreThoseOfDecodingAgain)
{
    const std::string unit = std::string(KINETRA_SAMPLES_DIR "/unit.flc");
    for (const RecolourCase& recolour : kRecolourCases) {
        for (const bool blend : {true, false}) {
            for (const int background : {int(kBackgroundSea), int(kBackgroundCustom)}) {
                const std::string what = std::string(recolour.name) + (blend ? ", blended" : ", unblended")
                    + (background == kBackgroundSea ? ", over the sea" : ", over a colour");
                ASSERT_EQ(player.LoadFile(unit), kOk);
                player.SetAlphaBlend(blend);
                if (background == kBackgroundSea) {
                    ASSERT_TRUE(player.SetImageBackground(kBackgroundSea));
                } else {
                    player.SetCustomBackground(colorRef(90, 120, 150));
                }
                ASSERT_TRUE(recolour.recolour(player)) << what;
                expectEveryFrameAsDecoded(what);
            }
        }
    }
}

TEST_F(RecolourRouteTest, EveryIndexBlendsAsDecodedAfterAnEdit)
{
    ASSERT_EQ(loadGame(everyIndexGame()), kOk);
    player.SetCustomBackground(colorRef(90, 120, 150));
    ASSERT_TRUE(kRecolourCases[2].recolour(player));
    expectEveryFrameAsDecoded("every index");
}

} // namespace
