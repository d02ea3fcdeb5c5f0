#include "flc/CFlcAnimation.h"
#include "flc/FlcChunks.h"
#include "flc/FlcEncoder.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace kinetra;
using namespace kinetra::encoder;
using kinetra::test::TempFile;

namespace {

IndexImage solid(int w, int h, std::uint8_t value)
{
    IndexImage image(w, h);
    std::fill(image.pixels.begin(), image.pixels.end(), value);
    return image;
}

Palette greyRamp()
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[i] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(i), std::uint8_t(255 - i));
    return palette;
}

FlcBuilder builder(int w, int h, int frames, int framesPerDirection = 0)
{
    FlcBuilder b(w, h);
    b.header.frames = static_cast<std::int16_t>(frames);
    b.header.framesPerDirection = static_cast<std::uint16_t>(framesPerDirection);
    b.header.speed = 50;
    return b;
}

// The first index of every decoded frame: the tests paint each image in one
// value so that it names the image.
std::vector<int> frameValues(const CFlcAnimation& animation)
{
    std::vector<int> values;
    for (const auto& frame : animation.frames)
        values.push_back(frame.indices[0]);
    return values;
}

class FlcAnimationTest : public ::testing::Test {
protected:
    HResult load(const Bytes& file, bool readPalette = true)
    {
        TempFile temp(file);
        return animation.Load(temp.path(), readPalette);
    }

    CFlcAnimation animation;
};

} // namespace

TEST_F(FlcAnimationTest, GameFileYieldsItsFramesAndLeavesTheRingFrameUnread)
{
    GameAnimation game;
    game.width = 3;
    game.height = 2;
    game.directions = 2;
    game.framesPerDirection = 3;
    game.palette = greyRamp();
    for (int i = 0; i < 6; ++i)
        game.images.push_back(solid(3, 2, std::uint8_t(10 + i)));
    ASSERT_EQ(load(buildGameAnimation(game)), kOk);
    EXPECT_EQ(frameValues(animation), (std::vector<int>{10, 11, 12, 13, 14, 15}));
    EXPECT_TRUE(animation.setAsideFrames.empty());
    EXPECT_EQ(animation.workBuffer, nullptr);
    ASSERT_EQ(animation.paletteOffsets.size(), 1u);
}

TEST_F(FlcAnimationTest, PlainFilesAreTheirFramesInOrder)
{
    std::vector<IndexImage> images;
    for (int i = 0; i < 4; ++i)
        images.push_back(solid(5, 3, std::uint8_t(20 + i)));
    ASSERT_EQ(load(buildPlainFlc(greyRamp(), images, 40)), kOk);
    // The first frame is a frame, and the ring frame stays unread.
    EXPECT_EQ(frameValues(animation), (std::vector<int>{20, 21, 22, 23}));

    // A full picture mid-animation is a frame like any other, and a frame
    // chunk without an image holds the picture before it.
    auto b = builder(2, 2, 6);
    b.addFrame({byteRunChunk(solid(2, 2, 1))});
    b.addFrame({});
    b.addFrame({deltaFlcChunk(solid(2, 2, 1), solid(2, 2, 2))});
    b.addFrame({byteRunChunk(solid(2, 2, 3))});
    b.addFrame({color256Chunk(greyRamp())});
    b.addFrame({deltaFlcChunk(solid(2, 2, 3), solid(2, 2, 4))});
    ASSERT_EQ(load(b.build()), kOk);
    EXPECT_EQ(frameValues(animation), (std::vector<int>{1, 1, 2, 3, 3, 4}));
}

TEST_F(FlcAnimationTest, KeyFramesBecomeTheAnimationWhenNothingElseResults)
{
    auto b = builder(2, 2, 3, 2);
    b.addFrame({byteRunChunk(solid(2, 2, 1))});
    ASSERT_EQ(load(b.build()), kOk);
    EXPECT_EQ(frameValues(animation), (std::vector<int>{1}));

    b.addFrame({deltaFlcChunk(solid(2, 2, 1), solid(2, 2, 9))});
    ASSERT_EQ(load(b.build()), kOk);
    EXPECT_EQ(frameValues(animation), (std::vector<int>{9}));
}

TEST_F(FlcAnimationTest, EmptyFrameChunksMakeNoFrameAndDoNotCount)
{
    auto b = builder(2, 2, 2, 2);
    b.addFrame({byteRunChunk(solid(2, 2, 1))}); // key frame
    b.addFrame({});
    b.addFrame({deltaFlcChunk(solid(2, 2, 1), solid(2, 2, 2))});
    b.addFrame({});
    b.addFrame({deltaFlcChunk(solid(2, 2, 2), solid(2, 2, 3))});
    ASSERT_EQ(load(b.build()), kOk);
    EXPECT_EQ(frameValues(animation), (std::vector<int>{2, 3}));
}

TEST_F(FlcAnimationTest, PassedOverChunksDoNotShortenTheAnimation)
{
    const Bytes stamp = rawSubChunk(kChunkPostageStamp, Bytes(20, 0x33));
    auto b = builder(4, 4, 10, 10);
    b.addFrame({stamp, fliCopyChunk(solid(4, 4, 0))});
    for (int i = 1; i < 10; ++i)
        b.addFrame({stamp, deltaFlcChunk(solid(4, 4, std::uint8_t(i - 1)), solid(4, 4, std::uint8_t(i)))});
    ASSERT_EQ(load(b.build()), kOk);
    EXPECT_EQ(animation.frames.size(), 10u);
    EXPECT_EQ(animation.frames.back().indices[0], 9);

    auto single = builder(4, 4, 1, 1);
    single.addChunk(kChunkPrefix, Bytes(30, 0));
    single.addFrame({rawSubChunk(5, Bytes(10, 1)), fliCopyChunk(solid(4, 4, 7))});
    ASSERT_EQ(load(single.build()), kOk);
    EXPECT_EQ(frameValues(animation), (std::vector<int>{7}));
}

TEST_F(FlcAnimationTest, PaletteChunkColoursThisAndLaterFrames)
{
    Palette first = greyRamp();
    Palette second = greyRamp();
    second[5] = PaletteEntry::fromRgb(1, 2, 3);
    second[255] = PaletteEntry::fromRgb(0, 255, 0);

    auto b = builder(2, 1, 3, 3);
    b.addFrame({color256Chunk(first), fliCopyChunk(solid(2, 1, 5))});
    b.addFrame({color256Chunk(second), deltaFlcChunk(solid(2, 1, 5), solid(2, 1, 5))});
    b.addFrame({deltaFlcChunk(solid(2, 1, 5), solid(2, 1, 5))});
    const Bytes file = b.build();
    ASSERT_EQ(load(file), kOk);

    // Each frame in the colours in force when it was decoded.
    auto pixel = [&](int frame) {
        const FlcFrame& decoded = animation.frames[std::size_t(frame)];
        return framePixels(decoded, animation.paletteOf(decoded))[0];
    };
    EXPECT_EQ(pixel(0), 0xFF0505FAu);
    EXPECT_EQ(pixel(1), 0xFF010203u);
    EXPECT_EQ(pixel(2), 0xFF010203u);
    EXPECT_EQ(animation.transparentColor, 0x0000FF00u);
    EXPECT_EQ(animation.colorKeyOf(animation.frames[2]), ColorKey::single(0x0000FF00u));
    EXPECT_EQ(animation.colorKeyOf(animation.frames[0]), ColorKey::single(first[255].rgb()));

    // Each offset is where the packet count lies.
    ASSERT_EQ(animation.paletteOffsets.size(), 2u);
    for (std::uint32_t offset : animation.paletteOffsets) {
        EXPECT_EQ(file[offset], 1);
        EXPECT_EQ(file[offset + 1], 0);
    }

    ASSERT_EQ(load(file, false), kOk);
    EXPECT_EQ(animation.paletteOffsets.size(), 2u);
}

TEST_F(FlcAnimationTest, RebuildWithoutPaletteUsesTheEditedDisplayPalette)
{
    auto b = builder(2, 1, 1, 1);
    b.addFrame({color256Chunk(greyRamp()), fliCopyChunk(solid(2, 1, 7))});
    const Bytes file = b.build();
    ASSERT_EQ(load(file), kOk);

    animation.displayPalette[7] = PaletteEntry::fromRgb(200, 100, 50);
    const Palette fileBefore = animation.filePalette;
    const Palette displayBefore = animation.displayPalette;
    ASSERT_EQ(load(file, false), kOk);
    EXPECT_EQ(framePixels(animation.frames[0], animation.paletteOf(animation.frames[0]))[0], 0xFFC86432u);
    EXPECT_EQ(animation.filePalette, fileBefore);
    EXPECT_EQ(animation.displayPalette, displayBefore);
}

TEST_F(FlcAnimationTest, ColourKeyFollowsBlending)
{
    Palette palette = greyRamp();
    palette[255] = PaletteEntry::fromRgb(255, 0, 255);
    auto b = builder(1, 1, 1, 1);
    b.addFrame({color256Chunk(palette), fliCopyChunk(solid(1, 1, 255))});
    const Bytes file = b.build();

    ASSERT_EQ(load(file), kOk);
    EXPECT_EQ(animation.colorKeyOf(animation.frames[0]), ColorKey::single(0x00FF00FF));

    animation.alphaBlend = false;
    ASSERT_EQ(load(file), kOk);
    EXPECT_EQ(animation.colorKeyOf(animation.frames[0]), ColorKey::single(0x00000001));
}

TEST_F(FlcAnimationTest, TwoImageChunksMakeOneFrame)
{
    auto b = builder(4, 1, 1, 1);
    IndexImage partial(4, 1);
    partial.pixels = {0, 6, 0, 0};
    b.addFrame({fliCopyChunk(solid(4, 1, 3)), blackChunk(), deltaFlcChunk(solid(4, 1, 0), partial)});
    ASSERT_EQ(load(b.build()), kOk);
    ASSERT_EQ(animation.frames.size(), 1u);
    EXPECT_EQ(std::vector<std::uint8_t>(animation.frames[0].indices, animation.frames[0].indices + 4),
              partial.pixels);
}

TEST_F(FlcAnimationTest, FailsCleanlyOnMissingFilesAndImpossibleHeaders)
{
    EXPECT_EQ(animation.Load("", true), kFail);
    EXPECT_EQ(animation.Load("/nonexistent/kinetra.flc", true), kFail);
    EXPECT_TRUE(animation.frames.empty());

    for (auto [w, h] : {std::pair{0, 4}, {4, 0}, {-3, 4}, {32767, 32767}}) {
        auto b = builder(1, 1, 1, 1);
        b.addFrame({blackChunk()});
        Bytes file = b.build();
        file[8] = std::uint8_t(w);
        file[9] = std::uint8_t(w >> 8);
        file[10] = std::uint8_t(h);
        file[11] = std::uint8_t(h >> 8);
        EXPECT_EQ(load(file), kFail) << w << "x" << h;
    }

    auto noFrames = builder(2, 2, 0);
    noFrames.addFrame({blackChunk()});
    EXPECT_EQ(load(noFrames.build()), kFail);
    EXPECT_EQ(load(Bytes(100, 0)), kFail);
}

// Sub-chunk sizes a few bytes off, as writers in the wild get them: each
// frame still decodes and the next frame chunk is still found.
TEST_F(FlcAnimationTest, SubChunkSizesAFewBytesOffStillLand)
{
    IndexImage first(5, 3);
    IndexImage second(5, 3);
    for (std::size_t p = 0; p < first.pixels.size(); ++p) {
        first.pixels[p] = std::uint8_t(p * 3);
        second.pixels[p] = std::uint8_t(p % 4 == 0 ? 200 : p * 3);
    }
    struct Case {
        const char* what;
        Bytes (*firstChunk)(const IndexImage&);
        bool deltaSecond;
        int sizeChange;
    };
    const Case cases[] = {
        {"FLI_COPY 2 bytes short, as the classic authoring program writes cels", fliCopyChunk, false, -2},
        {"BYTE_RUN 2 bytes short", byteRunChunk, false, -2},
        {"BYTE_RUN 2 bytes long", byteRunChunk, false, 2},
        {"DELTA_FLC 2 bytes short", byteRunChunk, true, -2},
        {"DELTA_FLC 2 bytes long", byteRunChunk, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes firstChunk = c.firstChunk(first);
        Bytes secondChunk = c.deltaSecond ? deltaFlcChunk(first, second) : c.firstChunk(second);
        Bytes& changed = c.deltaSecond ? secondChunk : firstChunk;
        const std::uint32_t size = changed[0] | (changed[1] << 8);
        changed[0] = std::uint8_t(size + std::uint32_t(c.sizeChange));
        auto b = builder(5, 3, 3);
        b.addFrame({firstChunk});
        b.addFrame({secondChunk});
        b.addFrame({fliCopyChunk(first)});
        ASSERT_EQ(load(b.build()), kOk);
        ASSERT_EQ(animation.frames.size(), 3u);
        EXPECT_EQ(std::vector<std::uint8_t>(animation.frames[1].indices, animation.frames[1].indices + 15),
                  second.pixels);
        EXPECT_EQ(frameValues(animation)[2], first.pixels[0]);
    }
}

TEST_F(FlcAnimationTest, ShortChunkSizesEndTheReadingOrAreStepped)
{
    // An empty frame chunk of no size is stepped over by its header.
    auto b = builder(2, 2, 2, 1);
    b.addFrame({fliCopyChunk(solid(2, 2, 1))});
    b.addFrame({});
    b.addFrame({fliCopyChunk(solid(2, 2, 2))});
    Bytes emptyOfNoSize = b.build();
    const std::size_t emptyAt = kFlcHeaderSize + kFrameChunkHeaderSize + fliCopyChunk(solid(2, 2, 1)).size();
    emptyOfNoSize[emptyAt] = 0;
    ASSERT_EQ(load(emptyOfNoSize), kOk);
    EXPECT_EQ(frameValues(animation), (std::vector<int>{1, 2}));

    // Zero padding where more frames were promised ends the reading as the
    // end of the file would.
    auto c = builder(2, 2, 5);
    c.addFrame({fliCopyChunk(solid(2, 2, 1))});
    c.addFrame({fliCopyChunk(solid(2, 2, 2))});
    Bytes padded = c.build();
    padded.resize(padded.size() + 64, 0);
    ASSERT_EQ(load(padded), kOk);
    EXPECT_EQ(frameValues(animation), (std::vector<int>{1, 2}));

    // So does a chunk that claims less than its header before any frame.
    auto d = builder(2, 2, 5, 5);
    d.addChunk(0x1234, {});
    d.addFrame({blackChunk()});
    Bytes tiny = d.build();
    tiny[128] = 4;
    EXPECT_EQ(load(tiny), kFail);
}

// An empty frame chunk whose size field is below its own header's 16 bytes
// ends with its header. In a plain file it holds the picture for one frame,
// as an empty frame chunk of the right size does; game units pass over it.
TEST_F(FlcAnimationTest, EmptyFrameChunksOfTooSmallASizeHoldThePictureInPlainFiles)
{
    struct Case {
        const char* what;
        int framesPerDirection;
        std::vector<int> frames;   // the frame chunks: an image's value, or 0 for an empty chunk
        std::uint32_t emptySize;   // the size field of every empty chunk
        std::uint16_t emptyCount;  // and its sub-chunk count
        std::vector<int> expected; // the frames' values
    };
    const Case cases[] = {
        {"size 0 between two frames", 0, {1, 0, 2}, 0, 0, {1, 1, 2}},
        {"size 8", 0, {1, 0, 2}, 8, 0, {1, 1, 2}},
        {"size 15", 0, {1, 0, 2}, 15, 0, {1, 1, 2}},
        {"size 16, the header's own", 0, {1, 0, 2}, 16, 0, {1, 1, 2}},
        {"two in a row, and one at the end", 0, {1, 0, 0, 2, 0}, 0, 0, {1, 1, 1, 2, 2}},
        {"before any picture: nothing to hold", 0, {0, 1, 2}, 0, 0, {1, 2}},
        {"a game unit passes over it", 1, {1, 0, 2}, 0, 0, {1, 2}},
        {"a chunk this short that promises sub-chunks ends the reading", 0, {1, 0, 2}, 0, 1, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto b = builder(2, 2, int(c.frames.size()), c.framesPerDirection);
        std::vector<std::size_t> emptyAt;
        std::size_t at = kFlcHeaderSize;
        for (const int value : c.frames) {
            const Bytes chunk = value == 0 ? Bytes{} : fliCopyChunk(solid(2, 2, std::uint8_t(value)));
            b.addFrame(value == 0 ? std::vector<Bytes>{} : std::vector<Bytes>{chunk});
            if (value == 0)
                emptyAt.push_back(at);
            at += kFrameChunkHeaderSize + chunk.size();
        }
        Bytes file = b.build();
        for (const std::size_t chunk : emptyAt) {
            for (std::size_t i = 0; i < 4; ++i)
                file[chunk + i] = std::uint8_t(c.emptySize >> (8 * i));
            file[chunk + 6] = std::uint8_t(c.emptyCount);
        }
        ASSERT_EQ(load(file), kOk);
        EXPECT_EQ(frameValues(animation), c.expected);
    }
}

// A plain file's palette chunk goes by its own size and places its packets
// as the published format says; a game unit's is read as the game reads it.
TEST_F(FlcAnimationTest, PaletteChunksOfPlainFilesEndWhereTheirSizeSays)
{
    // Entry 5 at skip 5, then entry 7 two on from where that packet ended.
    const Bytes twoColours =
        rawSubChunk(kChunkColor256, {2, 0, 5, 1, 10, 20, 30, 1, 1, 40, 50, 60});
    IndexImage changed = solid(2, 2, 5);
    changed.pixels[3] = 7;
    const auto fileOf = [&](int framesPerDirection) {
        auto b = builder(2, 2, 3, framesPerDirection);
        b.addFrame({color256Chunk(greyRamp()), fliCopyChunk(solid(2, 2, 5))});
        b.addFrame({twoColours, deltaFlcChunk(solid(2, 2, 5), changed)});
        b.addFrame({deltaFlcChunk(changed, solid(2, 2, 9))});
        return b.build();
    };

    ASSERT_EQ(load(fileOf(0)), kOk);
    EXPECT_EQ(frameValues(animation), (std::vector<int>{5, 5, 9}));
    EXPECT_EQ(animation.frames[1].indices[3], 7) << "the delta behind the palette chunk";
    EXPECT_EQ(animation.filePalette[5], PaletteEntry::fromRgb(10, 20, 30));
    EXPECT_EQ(animation.filePalette[7], PaletteEntry::fromRgb(40, 50, 60));
    EXPECT_EQ(animation.filePalette[1], greyRamp()[1]);
    EXPECT_EQ(animation.paletteReading, PacketReading::kPublished);

    // The game takes every palette chunk as 778 bytes: here they run on over
    // the delta and the next frame, so the file ends inside them.
    EXPECT_EQ(load(fileOf(3)), kFail);
    Bytes longer = fileOf(3);
    longer.resize(longer.size() + 800, 0);
    ASSERT_EQ(load(longer), kOk);
    EXPECT_EQ(animation.filePalette[1], PaletteEntry::fromRgb(40, 50, 60)) << "the skip byte is the index";
    EXPECT_EQ(frameValues(animation), (std::vector<int>{5})) << "what the 778 bytes run over is not read";
    EXPECT_EQ(animation.paletteReading, PacketReading::kGameUnit);
}

TEST_F(FlcAnimationTest, EveryTruncationLoadsOrFails)
{
    GameAnimation game;
    game.width = 5;
    game.height = 3;
    game.directions = 1;
    game.framesPerDirection = 3;
    game.palette = greyRamp();
    for (int i = 0; i < 3; ++i) {
        IndexImage image(5, 3);
        for (std::size_t p = 0; p < image.pixels.size(); ++p)
            image.pixels[p] = std::uint8_t((p * 7 + i * 13) % 256);
        game.images.push_back(image);
    }
    const Bytes file = buildGameAnimation(game);
    int loaded = 0;
    for (std::size_t length = 0; length < file.size(); ++length) {
        const HResult result = load(Bytes(file.begin(), file.begin() + std::ptrdiff_t(length)));
        ASSERT_TRUE(result == kOk || result == kFail);
        loaded += result == kOk;
        if (result == kOk) {
            EXPECT_FALSE(animation.frames.empty());
        }
    }
    EXPECT_GT(loaded, 0);
}

TEST(FlcAnimationWithoutScreenTest, LoadingNeedsNoScreen)
{
    ASSERT_EQ(g_pScreen, nullptr);
    auto b = builder(2, 2, 1, 1);
    b.addFrame({blackChunk()});
    TempFile file(b.build());
    CFlcAnimation animation;
    EXPECT_EQ(animation.Load(file.path(), true), kOk);
    ASSERT_EQ(animation.frames.size(), 1u);
    EXPECT_EQ(std::vector<std::uint8_t>(animation.frames[0].indices, animation.frames[0].indices + 4),
              std::vector<std::uint8_t>(4, 0));
}

// A load limited to the first frames keeps exactly a full load's first ones,
// key frames of a unit included in the count of none, and is never saved.
TEST_F(FlcAnimationTest, FrameLimitKeepsTheFirstFramesAndNoMore)
{
    GameAnimation game;
    game.width = 3;
    game.height = 2;
    game.directions = 2;
    game.framesPerDirection = 3;
    game.palette = greyRamp();
    for (int i = 0; i < 6; ++i)
        game.images.push_back(solid(3, 2, std::uint8_t(10 + i)));
    const Bytes unit = buildGameAnimation(game);
    std::vector<IndexImage> images;
    for (int i = 0; i < 4; ++i)
        images.push_back(solid(5, 3, std::uint8_t(20 + i)));
    const Bytes plain = buildPlainFlc(greyRamp(), images, 40);

    struct Case {
        const char* what;
        const Bytes& file;
        int limit;
        std::vector<int> frames;
        bool cutShort;
    };
    static int wanted = 0;
    const Case cases[] = {
        {"unit, no limit", unit, 0, {10, 11, 12, 13, 14, 15}, false},
        {"unit, a negative limit is none", unit, -1, {10, 11, 12, 13, 14, 15}, false},
        {"unit, one frame", unit, 1, {10}, true},
        {"unit, its first direction", unit, 3, {10, 11, 12}, true},
        {"unit, into the second direction", unit, 4, {10, 11, 12, 13}, true},
        {"unit, all its frames", unit, 6, {10, 11, 12, 13, 14, 15}, false},
        {"unit, beyond its header's count", unit, 1000, {10, 11, 12, 13, 14, 15}, false},
        {"plain, one frame", plain, 1, {20}, true},
        {"plain, all but the last", plain, 3, {20, 21, 22}, true},
        {"plain, beyond its header's count", plain, 5, {20, 21, 22, 23}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        wanted = c.limit;
        animation.frameLimit = [](const FlcHeader&) { return wanted; };
        const TempFile source(c.file);
        ASSERT_EQ(animation.Load(source.path(), true), kOk);
        EXPECT_EQ(frameValues(animation), c.frames);
        EXPECT_EQ(animation.cutShort(), c.cutShort);
        const TempFile copy(Bytes{});
        EXPECT_EQ(animation.Save(copy.path()), c.cutShort ? kFail : kOk);
    }
}
