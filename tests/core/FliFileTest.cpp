// FLI files, the older FLIC variant: 6-bit palettes in COLOR_64 chunks,
// byte-oriented deltas, the speed in 1/70 s; and their palettes saved back.

#include "flc/CFlcAnimation.h"
#include "flc/FlcChunks.h"
#include "flc/FlcEncoder.h"
#include "io/WholeFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace kinetra;
using namespace kinetra::encoder;

namespace {

// Colours a 6-bit palette holds exactly: every value v << 2 | v >> 4.
Palette sixBitPalette()
{
    Palette palette{};
    for (int i = 0; i < 256; ++i) {
        const auto widen = [](int v) { return std::uint8_t(((v & 63) << 2) | ((v & 63) >> 4)); };
        palette[std::size_t(i)] = PaletteEntry::fromRgb(widen(i), widen(i / 4), widen(255 - i));
    }
    return palette;
}

IndexImage pattern(int w, int h, int seed)
{
    IndexImage image(w, h);
    for (std::size_t p = 0; p < image.pixels.size(); ++p)
        image.pixels[p] = std::uint8_t((p * 7 + std::size_t(seed) * 31) % 251);
    return image;
}

// Three 321 × 4 pictures (a width past two literal packets), the ring frame
// back to the first.
Bytes fliFile(std::vector<IndexImage>& images)
{
    for (int i = 0; i < 3; ++i)
        images.push_back(pattern(321, 4, i));
    images[2].pixels = images[1].pixels;
    images[2].pixels[321 * 2 + 5] = 250; // one line changes
    FlcBuilder b(321, 4);
    b.magic = kFliMagic;
    b.header.frames = 3;
    b.header.speed = 5; // 1/70 s units: 71 ms
    b.addFrame({color64Chunk(sixBitPalette()), byteRunChunk(images[0])});
    b.addFrame({deltaFliChunk(images[0], images[1])});
    b.addFrame({deltaFliChunk(images[1], images[2])});
    b.addFrame({deltaFliChunk(images[2], images[0])});
    return b.build();
}

std::vector<std::uint8_t> indicesOf(const FlcFrame& frame)
{
    return {frame.pixels().begin(), frame.pixels().end()};
}

} // namespace

TEST(FliFileTest, PlaysItsFramesWithItsPaletteAndSpeedInMilliseconds)
{
    std::vector<IndexImage> images;
    CFlcAnimation animation;
    ASSERT_EQ(animation.LoadFromMemory(fliFile(images), true), kOk);
    ASSERT_EQ(animation.frames.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(indicesOf(animation.frames[i]), images[i].pixels) << i;
    EXPECT_EQ(animation.filePalette, sixBitPalette());
    EXPECT_EQ(animation.header.speed, 71u);
    EXPECT_EQ(animation.header.framesPerDirection, 0);
    ASSERT_EQ(animation.paletteChunkTypes, (std::vector<std::uint16_t>{kChunkColor64}));
}

TEST(FliFileTest, DeltaFliDecodesItsPacketsAndRefusesWritesOutsideTheImage)
{
    struct Case {
        const char* what;
        Bytes data;
        bool ok;
        std::vector<std::uint8_t> pixels; // 4 × 2, from all 9
    };
    const Case cases[] = {
        {"line 1: skip 1, three literals", {1, 0, 1, 0, 1, 1, 3, 4, 5, 6}, true, {9, 9, 9, 9, 9, 4, 5, 6}},
        {"line 0: a run of two 7s after skip 2", {0, 0, 1, 0, 1, 2, 0xFE, 7}, true, {9, 9, 7, 7, 9, 9, 9, 9}},
        {"no lines", {0, 0, 0, 0}, true, {9, 9, 9, 9, 9, 9, 9, 9}},
        {"a run past the line's end", {0, 0, 1, 0, 1, 3, 0xFE, 7}, false, {}},
        {"a line below the image", {2, 0, 1, 0, 0}, false, {}},
        {"data that ends early", {0, 0, 1, 0, 1, 0, 3, 4}, false, {}},
    };
    for (const Case& c : cases) {
        IndexImage image(4, 2);
        std::fill(image.pixels.begin(), image.pixels.end(), 9);
        ByteReader in(c.data);
        EXPECT_EQ(decodeDeltaFli(in, image), c.ok) << c.what;
        if (c.ok) {
            EXPECT_EQ(image.pixels, c.pixels) << c.what;
        }
    }
}

TEST(FliFileTest, SaveWritesSixBitColoursIntoTheColor64Chunk)
{
    std::vector<IndexImage> images;
    const Bytes original = fliFile(images);
    test::TempFile source(original, ".fli");
    CFlcAnimation animation;
    ASSERT_EQ(animation.Load(source.path(), true), kOk);
    Palette edited = sixBitPalette();
    edited[3] = PaletteEntry::fromRgb(255, 0, 130); // 130 is not a 6-bit colour: it becomes 32
    animation.displayPalette = edited;
    test::TempFile saved(Bytes{}, ".fli");
    ASSERT_EQ(animation.Save(saved.path()), kOk);

    Bytes written;
    ASSERT_TRUE(readWholeFile(saved.path(), written));
    ASSERT_EQ(written.size(), original.size());
    // The colour bytes of entry 3 behind the chunk's header, packet count,
    // skip and count: nothing else changed.
    const std::size_t entry3 = animation.paletteOffsets[0] + 4 + 3 * 3;
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (i < entry3 || i >= entry3 + 3) {
            ASSERT_EQ(written[i], original[i]) << "byte " << i;
        }
    }
    EXPECT_EQ(written[entry3], 63);
    EXPECT_EQ(written[entry3 + 1], 0);
    EXPECT_EQ(written[entry3 + 2], 32);

    CFlcAnimation reloaded;
    ASSERT_EQ(reloaded.LoadFromMemory(written, true), kOk);
    EXPECT_EQ(reloaded.filePalette[3], PaletteEntry::fromRgb(255, 0, 130));
}
