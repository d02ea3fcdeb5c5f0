// Files built by our encoder must come back from CFlcAnimation pixel for
// pixel: random images of awkward sizes, every image chunk type, sparse and
// dense deltas, and the bundled samples.

#include "flc/CFlcAnimation.h"
#include "flc/FlcChunks.h"
#include "flc/FlcEncoder.h"
#include "imaging/CScreen.h"
#include "io/ByteReader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace kinetra {
namespace {

using encoder::Bytes;

class EncoderRoundTrip : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const auto& path : m_files)
            std::filesystem::remove(path);
    }

    // Writes the bytes to a fresh temporary file and loads it.
    HResult load(const Bytes& bytes, CFlcAnimation& animation)
    {
        // Parallel test processes share the temp folder: a random token per
        // process keeps their names apart.
        static const std::string token = std::to_string(std::random_device{}());
        static std::atomic<int> serial{0};
        const auto path = std::filesystem::temp_directory_path()
            / ("kinetra-roundtrip-" + token + "-" + std::to_string(serial++) + ".flc");
        m_files.push_back(path);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.close();
        EXPECT_TRUE(out) << path;
        return animation.Load(path.string(), true);
    }

    std::vector<std::filesystem::path> m_files;
};

IndexImage randomImage(int width, int height, std::mt19937& random)
{
    IndexImage image(width, height);
    for (auto& pixel : image.pixels)
        pixel = static_cast<std::uint8_t>(random());
    return image;
}

// Mostly runs and flat areas, so both kinds of BYTE_RUN packet appear.
IndexImage blockyImage(int width, int height, std::mt19937& random)
{
    IndexImage image(width, height);
    std::uint8_t value = 0;
    for (auto& pixel : image.pixels) {
        if (random() % 9 == 0)
            value = static_cast<std::uint8_t>(random());
        pixel = value;
    }
    return image;
}

// `count` random pixels of `from` changed.
IndexImage sparseChange(const IndexImage& from, int count, std::mt19937& random)
{
    IndexImage image = from;
    for (int i = 0; i < count; ++i)
        image.pixels[random() % image.pixels.size()] = static_cast<std::uint8_t>(random());
    return image;
}

Palette randomPalette(std::mt19937& random)
{
    Palette palette{};
    for (auto& entry : palette)
        entry = PaletteEntry::fromRgb(std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random()));
    return palette;
}

void expectFrame(const CFlcAnimation& animation, std::size_t index, const IndexImage& expected)
{
    ASSERT_LT(index, animation.frames.size());
    const FlcFrame& frame = animation.frames[index];
    ASSERT_EQ(frame.width, expected.width);
    ASSERT_EQ(frame.height, expected.height);
    const std::vector<std::uint8_t> got(frame.pixels().begin(), frame.pixels().end());
    EXPECT_EQ(got, expected.pixels) << "frame " << index << " of " << expected.width << " x " << expected.height;
}

// The image chunks of a frame chunk's sub-chunks, read back with the core
// decoders into `image`.
bool decodeImageChunk(const Bytes& chunk, IndexImage& image)
{
    ByteReader head(chunk);
    const std::uint32_t size = head.u32();
    const std::uint16_t type = head.u16();
    if (size != chunk.size() || size % 2 != 0)
        return false;
    ByteReader data{std::span(chunk).subspan(kSubChunkHeaderSize)};
    switch (type) {
    case kChunkByteRun:
        return decodeByteRun(data, image);
    case kChunkDeltaFlc:
        return decodeDeltaFlc(data, image);
    case kChunkFliCopy:
        return decodeFliCopy(data, image);
    default:
        return false;
    }
}

TEST_F(EncoderRoundTrip, PlainFlcOfRandomImagesAtAwkwardSizes)
{
    std::mt19937 random(1234);
    const std::vector<std::pair<int, int>> sizes{{1, 1}, {1, 9}, {9, 1}, {2, 3}, {3, 2}, {5, 4}, {7, 7}, {127, 5}, {320, 3}, {13, 1}};
    for (auto [width, height] : sizes) {
        std::vector<IndexImage> images;
        for (int i = 0; i < 5; ++i)
            images.push_back(i % 2 ? randomImage(width, height, random) : blockyImage(width, height, random));
        const Palette palette = randomPalette(random);
        CFlcAnimation animation;
        ASSERT_EQ(load(encoder::buildPlainFlc(palette, images, 40), animation), kOk) << width << " x " << height;
        // A plain file is its frames in order; the ring frame stays unread.
        ASSERT_EQ(animation.frames.size(), images.size());
        for (std::size_t i = 0; i < images.size(); ++i)
            expectFrame(animation, i, images[i]);
        EXPECT_EQ(animation.filePalette, palette);
        EXPECT_EQ(animation.displayPalette, palette);
        EXPECT_EQ(animation.header.speed, 40u);
        EXPECT_EQ(animation.header.framesPerDirection, 0);
    }
}

TEST_F(EncoderRoundTrip, GameAnimationOfManyDirectionsKeepsEveryFrame)
{
    std::mt19937 random(99);
    for (auto [width, height, directions, perDirection] :
        std::vector<std::array<int, 4>>{{5, 3, 8, 4}, {2, 2, 3, 1}, {33, 17, 8, 6}, {1, 6, 2, 3}}) {
        encoder::GameAnimation game;
        game.width = width;
        game.height = height;
        game.directions = directions;
        game.framesPerDirection = perDirection;
        game.leftOffset = 11;
        game.topOffset = 12;
        game.palette = randomPalette(random);
        IndexImage previous = randomImage(width, height, random);
        for (int i = 0; i < directions * perDirection; ++i) {
            previous = i % 3 == 0 ? randomImage(width, height, random) : sparseChange(previous, 3, random);
            game.images.push_back(previous);
        }
        CFlcAnimation animation;
        ASSERT_EQ(load(encoder::buildGameAnimation(game), animation), kOk);
        ASSERT_EQ(animation.frames.size(), game.images.size());
        for (std::size_t i = 0; i < game.images.size(); ++i)
            expectFrame(animation, i, game.images[i]);
        EXPECT_EQ(animation.header.frames, directions * perDirection);
        EXPECT_EQ(animation.header.directions, directions);
        EXPECT_EQ(animation.header.framesPerDirection, perDirection);
        EXPECT_EQ(animation.header.leftOffset, 11);
        EXPECT_EQ(animation.header.topOffset, 12);
        EXPECT_EQ(animation.filePalette, game.palette);
    }
}

TEST_F(EncoderRoundTrip, HeaderDescribesTheFile)
{
    std::mt19937 random(5);
    const std::vector<IndexImage> images{randomImage(7, 3, random), randomImage(7, 3, random)};
    const Bytes file = encoder::buildPlainFlc(randomPalette(random), images, 10);
    ASSERT_GE(file.size(), kFlcHeaderSize);
    const FlcHeader header = FlcHeader::parse(std::span(file).first<kFlcHeaderSize>());
    EXPECT_EQ(header.size, file.size());
    EXPECT_EQ(header.magic, kFlcMagic);
    EXPECT_EQ(header.depth, 8);
    EXPECT_EQ(header.width, 7);
    EXPECT_EQ(header.height, 3);
    EXPECT_EQ(header.frames, 2);
    EXPECT_EQ(header.oframe1, kFlcHeaderSize);

    // The second frame chunk starts where the first one's size says.
    ByteReader in(file);
    in.seek(header.oframe1);
    const std::uint32_t firstSize = in.u32();
    EXPECT_EQ(in.u16(), kChunkFrame);
    EXPECT_EQ(header.oframe2, header.oframe1 + firstSize);
    // Walking every chunk by its size ends exactly at the end of the file.
    in.seek(kFlcHeaderSize);
    int chunks = 0;
    while (!in.atEnd()) {
        const std::size_t start = in.position();
        const std::uint32_t size = in.u32();
        ASSERT_TRUE(in.ok());
        ASSERT_GE(size, kFrameChunkHeaderSize);
        ASSERT_LE(start + size, file.size());
        in.seek(start + size);
        ++chunks;
    }
    EXPECT_EQ(chunks, 3); // two frames and the ring frame
}

TEST(EncoderChunks, ByteRunRoundTripsAndStaysWithinLines)
{
    std::mt19937 random(7);
    for (int width : {1, 2, 3, 5, 7, 127, 128, 129, 300, 320}) {
        for (const IndexImage& image : {randomImage(width, 4, random), blockyImage(width, 4, random), IndexImage(width, 4)}) {
            const Bytes chunk = encoder::byteRunChunk(image);
            // Decoded into a poisoned image: every pixel must be written.
            IndexImage decoded(width, 4);
            std::fill(decoded.pixels.begin(), decoded.pixels.end(), std::uint8_t(0xA5));
            ASSERT_TRUE(decodeImageChunk(chunk, decoded)) << width;
            EXPECT_EQ(decoded.pixels, image.pixels) << width;
        }
    }
    // One value across a whole line of 300 is three runs, not one count past 127.
    const Bytes flat = encoder::byteRunChunk(IndexImage(300, 1));
    EXPECT_EQ(flat.size(), 6 + 1 + 3 * 2 + 1u); // header, packet count, runs, padding
}

TEST(EncoderChunks, DeltaOfUnchangedImageHasNoLines)
{
    std::mt19937 random(8);
    const IndexImage image = randomImage(9, 5, random);
    const Bytes chunk = encoder::deltaFlcChunk(image, image);
    ASSERT_EQ(chunk.size(), 8u);
    ByteReader in(chunk);
    EXPECT_EQ(in.u32(), 8u);
    EXPECT_EQ(in.u16(), kChunkDeltaFlc);
    EXPECT_EQ(in.u16(), 0);
}

TEST(EncoderChunks, DeltaSkipsUnchangedLinesAndWritesOddLastPixel)
{
    // 5 x 4: only the last pixel of line 2 changes.
    IndexImage before(5, 4);
    IndexImage after = before;
    after.row(2)[4] = 0x42;
    const Bytes chunk = encoder::deltaFlcChunk(before, after);
    ByteReader in{std::span(chunk).subspan(kSubChunkHeaderSize)};
    EXPECT_EQ(in.u16(), 1);                    // one line with packets
    EXPECT_EQ(in.i16(), -2);                   // skip lines 0 and 1
    EXPECT_EQ(in.u16(), 0x8000 | 0x42);        // the odd last pixel
    EXPECT_EQ(in.u16(), 0);                    // and no packets
    EXPECT_TRUE(in.ok());

    IndexImage decoded = before;
    ASSERT_TRUE(decodeImageChunk(chunk, decoded));
    EXPECT_EQ(decoded.pixels, after.pixels);
}

TEST(EncoderChunks, DeltaRoundTripsSparseAndDenseChanges)
{
    std::mt19937 random(9);
    for (int width : {1, 2, 3, 5, 7, 127, 255, 256, 257, 320, 600, 1001}) {
        const int height = width > 300 ? 3 : 6;
        const IndexImage base = blockyImage(width, height, random);
        std::vector<IndexImage> targets{
            sparseChange(base, 1, random),
            sparseChange(base, 4, random),
            randomImage(width, height, random),
            blockyImage(width, height, random),
        };
        // Changes only at both ends of each line: the gap between them is
        // longer than one column-skip byte can say on the wide lines.
        IndexImage ends = base;
        for (int y = 0; y < height; ++y) {
            ends.row(y)[0] ^= 0xFF;
            ends.row(y)[width - 1] ^= 0xFF;
        }
        targets.push_back(ends);
        for (const IndexImage& target : targets) {
            IndexImage decoded = base;
            ASSERT_TRUE(decodeImageChunk(encoder::deltaFlcChunk(base, target), decoded)) << width;
            EXPECT_EQ(decoded.pixels, target.pixels) << width;
        }
    }
}

TEST(EncoderChunks, DeltaUsesRepeatPacketsForLongRuns)
{
    // A 300-pixel line turned from 0 to one value: 150 equal pairs fit two
    // repeat packets (128 + 22), far smaller than the literal pairs.
    const IndexImage before(300, 1);
    IndexImage after(300, 1);
    std::fill(after.pixels.begin(), after.pixels.end(), std::uint8_t(3));
    const Bytes chunk = encoder::deltaFlcChunk(before, after);
    EXPECT_EQ(chunk.size(), 6 + 2 + 2 + 2 * 4u);
    IndexImage decoded = before;
    ASSERT_TRUE(decodeImageChunk(chunk, decoded));
    EXPECT_EQ(decoded.pixels, after.pixels);
}

TEST_F(EncoderRoundTrip, FliCopyBlackAndSkippedSubChunksDecode)
{
    std::mt19937 random(10);
    const int width = 7;
    const int height = 5;
    const IndexImage first = randomImage(width, height, random);
    const IndexImage second = sparseChange(first, 2, random);
    const IndexImage black(width, height);
    const IndexImage afterBlack = sparseChange(black, 6, random);
    const IndexImage last = blockyImage(width, height, random);
    const Palette palette = randomPalette(random);

    encoder::FlcBuilder builder(width, height);
    builder.header.frames = 4;
    builder.addChunk(kChunkPrefix, Bytes(4, 0));
    builder.addFrame({encoder::color256Chunk(palette), encoder::fliCopyChunk(first)});
    builder.addFrame({encoder::rawSubChunk(kChunkPostageStamp, Bytes(5, 0x11)), encoder::deltaFlcChunk(first, second)});
    builder.addFrame({});
    builder.addFrame({encoder::blackChunk(), encoder::deltaFlcChunk(black, afterBlack)});
    builder.addFrame({encoder::byteRunChunk(last)});
    const Bytes file = builder.build();

    CFlcAnimation animation;
    ASSERT_EQ(load(file, animation), kOk);
    // A plain file: the empty frame chunk holds the picture before it, and
    // the fourth frame reaches the header's count before the last chunk.
    ASSERT_EQ(animation.frames.size(), 4u);
    expectFrame(animation, 0, first);
    expectFrame(animation, 1, second);
    expectFrame(animation, 2, second);
    expectFrame(animation, 3, afterBlack);
    EXPECT_EQ(animation.filePalette, palette);
    ASSERT_EQ(animation.paletteOffsets.size(), 1u);
    // Behind the prefix chunk (16-byte header and 4 bytes) and the frame
    // chunk's header lies the palette chunk; its offset is past its header.
    EXPECT_EQ(animation.paletteOffsets[0], kFlcHeaderSize + 20 + kFrameChunkHeaderSize + kSubChunkHeaderSize);
}

TEST_F(EncoderRoundTrip, FrameWithOnlyBlackIsAllZero)
{
    std::mt19937 random(11);
    const IndexImage image = randomImage(3, 3, random);
    encoder::FlcBuilder builder(3, 3);
    builder.header.frames = 2;
    builder.addFrame({encoder::color256Chunk(randomPalette(random)), encoder::fliCopyChunk(image)});
    builder.addFrame({encoder::blackChunk()});

    CFlcAnimation animation;
    ASSERT_EQ(load(builder.build(), animation), kOk);
    ASSERT_EQ(animation.frames.size(), 2u);
    expectFrame(animation, 0, image);
    expectFrame(animation, 1, IndexImage(3, 3));
}

TEST(EncoderChunks, SubChunksArePaddedToEvenSize)
{
    const Bytes odd = encoder::rawSubChunk(kChunkPostageStamp, Bytes(3, 1));
    ASSERT_EQ(odd.size(), 10u);
    ByteReader in(odd);
    EXPECT_EQ(in.u32(), 10u);
    EXPECT_EQ(encoder::fliCopyChunk(IndexImage(3, 3)).size(), 16u);
    EXPECT_EQ(encoder::color256Chunk(Palette{}).size(), kColor256ChunkSize);
    EXPECT_EQ(encoder::blackChunk().size(), kSubChunkHeaderSize);
}

TEST(EncoderChunks, BuildersRejectMismatchedImages)
{
    encoder::GameAnimation game;
    game.width = 4;
    game.height = 4;
    game.directions = 2;
    game.framesPerDirection = 2;
    game.images.assign(3, IndexImage(4, 4));
    EXPECT_TRUE(encoder::buildGameAnimation(game).empty());
    game.images.assign(4, IndexImage(4, 4));
    game.images[2] = IndexImage(4, 5);
    EXPECT_TRUE(encoder::buildGameAnimation(game).empty());
    EXPECT_TRUE(encoder::buildPlainFlc(Palette{}, {}, 10).empty());
    EXPECT_TRUE(encoder::buildPlainFlc(Palette{}, {IndexImage(2, 2), IndexImage(3, 2)}, 10).empty());
}

class BundledSamples : public ::testing::Test {};

TEST_F(BundledSamples, UnitHasEightyFramesInEightDirections)
{
    CFlcAnimation animation;
    ASSERT_EQ(animation.Load(std::string(KINETRA_SAMPLES_DIR "/unit.flc"), true), kOk);
    EXPECT_EQ(animation.frames.size(), 80u);
    EXPECT_EQ(animation.header.frames, 80);
    EXPECT_EQ(animation.header.directions, 8);
    EXPECT_EQ(animation.header.framesPerDirection, 10);
    EXPECT_EQ(animation.header.magic, kFlcMagic);
    EXPECT_EQ(animation.filePalette[255], PaletteEntry::fromRgb(255, 0, 255));
    EXPECT_LE(animation.header.leftOffset + animation.header.width, 240);
    EXPECT_LE(animation.header.topOffset + animation.header.height, 240);

    // Every class of index appears, and the directions differ.
    bool seen[5] = {};
    for (const FlcFrame& frame : animation.frames) {
        for (const int v : frame.pixels()) {
            seen[v < 64 ? 0 : v < 224 ? 1 : v < 240 ? 2 : v < 255 ? 3 : 4] = true;
        }
    }
    for (bool s : seen)
        EXPECT_TRUE(s);
    const std::size_t pixels = std::size_t(animation.header.width) * std::size_t(animation.header.height);
    for (std::size_t d = 1; d < 8; ++d) {
        EXPECT_FALSE(std::equal(animation.frames[0].indices, animation.frames[0].indices + pixels,
            animation.frames[d * 10].indices))
            << "direction " << d;
    }
}

TEST_F(BundledSamples, PlainHasItsTwelveFrames)
{
    CFlcAnimation animation;
    ASSERT_EQ(animation.Load(std::string(KINETRA_SAMPLES_DIR "/plain.flc"), true), kOk);
    EXPECT_EQ(animation.header.framesPerDirection, 0);
    EXPECT_EQ(animation.header.frames, 12);
    EXPECT_EQ(animation.frames.size(), 12u);
}

} // namespace
} // namespace kinetra
