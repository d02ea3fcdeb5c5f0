#include "flc/CFlcAnimation.h"
#include "flc/FlcChunks.h"
#include "flc/FlcEncoder.h"

#include "PlayerCoreFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using namespace kinetra;
using namespace kinetra::encoder;
using namespace kinetra::test;

namespace {

// Differs from distinctPalette() in every red and green byte.
Palette savedPalette()
{
    Palette palette{};
    for (int i = 0; i < 256; ++i)
        palette[i] = PaletteEntry::fromRgb(std::uint8_t(255 - i), std::uint8_t(i * 3), std::uint8_t(i ^ 0x5A));
    return palette;
}

// COLOR_256 data of the given packets (skip, count), each followed by its
// colours from `palette`, padded to the 772 bytes that a palette chunk is
// taken to hold.
Bytes packetData(const std::vector<std::pair<int, int>>& packets, const Palette& palette)
{
    Bytes data{std::uint8_t(packets.size()), 0};
    for (const auto& [skip, count] : packets) {
        data.push_back(std::uint8_t(skip));
        data.push_back(std::uint8_t(count));
        const int first = count == 0 ? 0 : skip;
        const int colours = count == 0 ? 256 : count;
        for (int i = first; i < first + colours; ++i) {
            const PaletteEntry& entry = palette[std::size_t(i & 0xFF)];
            data.insert(data.end(), {entry.red, entry.green, entry.blue});
        }
    }
    data.resize(kColor256ChunkSize - kSubChunkHeaderSize, 0);
    return data;
}

Bytes packetChunk(const std::vector<std::pair<int, int>>& packets, const Palette& palette)
{
    return rawSubChunk(kChunkColor256, packetData(packets, palette));
}

// A file of three frames on one 2 × 2 picture; `palettes` go into the first
// frames, one chunk each.
Bytes threeFrameFile(const std::vector<Bytes>& palettes)
{
    FlcBuilder b(2, 2);
    b.header.frames = 3;
    b.header.framesPerDirection = 3;
    b.header.speed = 40;
    for (int frame = 0; frame < 3; ++frame) {
        std::vector<Bytes> chunks;
        if (std::size_t(frame) < palettes.size())
            chunks.push_back(palettes[std::size_t(frame)]);
        chunks.push_back(fliCopyChunk(solidImage(2, 2, std::uint8_t(70 + frame))));
        b.addFrame(chunks);
    }
    return b.build();
}

// The file after writing `palette` at `offset` for the packets given, each
// skip the index its packet starts at (as the game reads its units) or, with
// `countOn`, counted from where the previous packet ended (the published
// format, for other files).
Bytes withColours(Bytes file, std::size_t offset, const std::vector<std::pair<int, int>>& packets, const Palette& palette,
                  bool countOn = false)
{
    std::size_t at = offset + 2;
    int next = 0;
    for (const auto& [skip, count] : packets) {
        at += 2;
        const int first = countOn ? next + skip : count == 0 ? 0 : skip;
        const int colours = count == 0 ? 256 : count;
        next = first + colours;
        for (int i = first; i < first + colours; ++i) {
            const PaletteEntry& entry = palette[std::size_t(i)];
            file[at++] = entry.red;
            file[at++] = entry.green;
            file[at++] = entry.blue;
        }
    }
    return file;
}

class FlcWriterTest : public ::testing::Test {
protected:
    // Writes `file` into the folder under `name` and loads it from there.
    std::string loadFile(const std::string& name, const Bytes& file, bool readPalette = true)
    {
        const std::string path = (folder / name).string();
        writeFile(path, file);
        EXPECT_EQ(animation.Load(path, readPalette), kOk) << name;
        return path;
    }

    // Expects `saved` to equal `expected` byte for byte, naming the first
    // offset where they part.
    static void expectSameBytes(const Bytes& saved, const Bytes& expected)
    {
        ASSERT_EQ(saved.size(), expected.size());
        const auto parted = std::mismatch(saved.begin(), saved.end(), expected.begin());
        EXPECT_EQ(parted.first, saved.end()) << "first difference at " << (parted.first - saved.begin());
    }

    TempFolder folder;
    CFlcAnimation animation;
};

} // namespace

TEST_F(FlcWriterTest, SavingInPlaceChangesOnlyTheColourBytesOfThePaletteChunk)
{
    const Bytes original = buildGameAnimation(numberedGame(2, 3));
    const std::string path = loadFile("unit.flc", original);
    ASSERT_EQ(animation.paletteOffsets.size(), 1u);
    ASSERT_EQ(animation.paletteLayouts.size(), 1u);
    EXPECT_EQ(animation.paletteLayouts[0], (Bytes{1, 0, 0, 0}));
    const std::size_t offset = animation.paletteOffsets[0];

    animation.displayPalette = savedPalette();
    ASSERT_EQ(animation.Save(path), kOk);
    EXPECT_EQ(animation.path, path);

    const Bytes saved = readFile(path);
    expectSameBytes(saved, withColours(original, offset, {{0, 0}}, savedPalette()));
    // Exactly the 768 colour bytes moved; everything around them is as loaded.
    std::size_t changed = 0;
    for (std::size_t i = 0; i < saved.size(); ++i) {
        if (saved[i] != original[i]) {
            ++changed;
            EXPECT_GE(i, offset + 4);
            EXPECT_LT(i, offset + 4 + 768);
        }
    }
    EXPECT_GT(changed, 512u);
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"unit.flc"}));

    CFlcAnimation reloaded;
    ASSERT_EQ(reloaded.Load(path, true), kOk);
    EXPECT_EQ(reloaded.filePalette, savedPalette());
    ASSERT_EQ(reloaded.frames.size(), animation.frames.size());
    EXPECT_EQ(reloaded.frames[5].indices[0], animation.frames[5].indices[0]);
}

TEST_F(FlcWriterTest, EveryPaletteChunkReceivesTheDisplayPalette)
{
    Palette second = distinctPalette();
    second[9] = PaletteEntry::fromRgb(1, 2, 3);
    Palette third = distinctPalette();
    third[200] = PaletteEntry::fromRgb(4, 5, 6);
    const Bytes original = threeFrameFile({color256Chunk(distinctPalette()), color256Chunk(second), color256Chunk(third)});
    const std::string source = loadFile("source.flc", original);
    ASSERT_EQ(animation.paletteOffsets.size(), 3u);
    ASSERT_EQ(animation.filePalette, third);

    animation.displayPalette = savedPalette();
    const std::string copy = (folder / "copy.flc").string();
    ASSERT_EQ(animation.Save(copy), kOk);

    Bytes expected = original;
    for (const std::uint32_t offset : animation.paletteOffsets)
        expected = withColours(expected, offset, {{0, 0}}, savedPalette());
    expectSameBytes(readFile(copy), expected);

    // Reading only up to each chunk in turn shows that chunk's colours.
    for (int frames = 1; frames <= 3; ++frames) {
        Bytes truncated = readFile(copy);
        truncated[6] = std::uint8_t(frames);
        CFlcAnimation reloaded;
        ASSERT_EQ(reloaded.LoadFromMemory(truncated, true), kOk);
        EXPECT_EQ(reloaded.filePalette, savedPalette()) << frames;
    }
}

TEST_F(FlcWriterTest, SaveAsLeavesTheSourceAndMakesTheCopyThePath)
{
    const Bytes original = buildGameAnimation(numberedGame(1, 2));
    const std::string source = loadFile("source.flc", original);
    const std::string copy = (folder / "copy.flc").string();

    animation.displayPalette = savedPalette();
    ASSERT_EQ(animation.Save(copy), kOk);
    EXPECT_EQ(animation.path, copy);
    expectSameBytes(readFile(source), original);

    // The next save reads from the copy: a later edit lands there, and the
    // source still does not change.
    const std::size_t offset = animation.paletteOffsets[0];
    animation.displayPalette[0] = PaletteEntry::fromRgb(11, 22, 33);
    ASSERT_EQ(animation.Save(animation.path), kOk);
    const Bytes saved = readFile(copy);
    EXPECT_EQ(saved[offset + 4], 11);
    EXPECT_EQ(saved[offset + 5], 22);
    EXPECT_EQ(saved[offset + 6], 33);
    expectSameBytes(readFile(source), original);
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"copy.flc", "source.flc"}));
}

TEST_F(FlcWriterTest, PartialPacketsWriteOnlyTheirEntries)
{
    const std::vector<std::pair<int, int>> packets{{0, 16}, {100, 10}};
    const Bytes original = threeFrameFile({packetChunk(packets, distinctPalette())});
    loadFile("partial.flc", original);
    ASSERT_EQ(animation.paletteLayouts.size(), 1u);
    EXPECT_EQ(animation.paletteLayouts[0], (Bytes{2, 0, 0, 16, 100, 10}));
    EXPECT_EQ(animation.filePalette[100], distinctPalette()[100]);

    animation.displayPalette = savedPalette();
    const std::string copy = (folder / "copy.flc").string();
    ASSERT_EQ(animation.Save(copy), kOk);
    const std::size_t offset = animation.paletteOffsets[0];
    const Bytes saved = readFile(copy);
    expectSameBytes(saved, withColours(original, offset, packets, savedPalette()));
    // Entry 100 comes right behind the first packet and the second head.
    const std::size_t entry100 = offset + 2 + 2 + 48 + 2;
    EXPECT_EQ(saved[entry100], savedPalette()[100].red);
    EXPECT_EQ(saved[entry100 + 30], 0) << "the padding behind the packets stays";

    // A count of 0 is every entry from index 0, whatever the skip byte says,
    // as the reader takes it.
    const Bytes whole = threeFrameFile({packetChunk({{7, 0}}, distinctPalette())});
    loadFile("whole.flc", whole);
    animation.displayPalette = savedPalette();
    ASSERT_EQ(animation.Save(copy), kOk);
    CFlcAnimation reloaded;
    ASSERT_EQ(reloaded.Load(copy, true), kOk);
    EXPECT_EQ(reloaded.filePalette, savedPalette());
}

TEST_F(FlcWriterTest, PacketsRunningPastTheLastEntryFailWithoutWriting)
{
    // The reader refuses these colours; without reading the palette the
    // file still loads, and the save has nothing to take them from.
    const Bytes file = threeFrameFile({packetChunk({{0, 8}, {250, 10}}, distinctPalette())});
    const std::string path = (folder / "over.flc").string();
    writeFile(path, file);
    EXPECT_EQ(animation.Load(path, true), kFail);
    ASSERT_EQ(animation.Load(path, false), kOk);
    EXPECT_EQ(animation.paletteLayouts[0], (Bytes{2, 0, 0, 8, 250, 10}));

    EXPECT_EQ(animation.Save((folder / "copy.flc").string()), kFail);
    EXPECT_EQ(animation.Save(path), kFail);
    expectSameBytes(readFile(path), file);
    EXPECT_EQ(animation.path, path);
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"over.flc"}));
}

// A damaged plain file whose palette chunk claims 778 bytes though its frame
// ends after 14 of them: the next frame chunk lies where the colours would
// be. The load reads the chunk up to the frame's end, where no packet fits;
// the save, which knows only the chunk's own size, finds one running over
// the next frame. Writing those colours would break that frame, so the save
// refuses.
TEST_F(FlcWriterTest, ColoursOverOtherChunksAreNotWritten)
{
    FlcBuilder b(4, 4);
    b.header.frames = 3;
    b.header.speed = 40;
    b.addFrame({fliCopyChunk(solidImage(4, 4, 1))});
    const Bytes palette = color256Chunk(distinctPalette());
    b.addFrame({Bytes(palette.begin(), palette.begin() + 14)});
    b.addFrame({fliCopyChunk(solidImage(4, 4, 2))});
    b.addChunk(0x1234, Bytes(800, 0)); // bytes enough for the 778
    const Bytes file = b.build();
    const std::string path = loadFile("overlap.flc", file);
    ASSERT_EQ(animation.frames.size(), 3u);
    EXPECT_EQ(animation.paletteLayouts[0], (Bytes{1, 0}));

    animation.displayPalette = savedPalette();
    EXPECT_EQ(animation.Save((folder / "copy.flc").string()), kFail);
    EXPECT_EQ(animation.Save(path), kFail);
    expectSameBytes(readFile(path), file);
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"overlap.flc"}));
}

// Other programs' files update a few entries at a time, each skip counting
// on from the previous packet. Save writes each packet's own entries into
// its own colour bytes, and reading the file back gives them where the
// display palette has them.
TEST_F(FlcWriterTest, PlainFilesPacketsTakeTheEntriesTheyCover)
{
    const std::vector<std::pair<int, int>> first{{2, 2}, {3, 1}, {0, 2}}; // entries 2, 3, 7, 8, 9
    const std::vector<std::pair<int, int>> second{{255, 1}};
    // Each chunk as long as its packets, padded to an even size.
    const auto chunkOf = [](const std::vector<std::pair<int, int>>& packets) {
        Bytes data = packetData(packets, distinctPalette());
        std::size_t used = 2;
        for (const auto& [skip, count] : packets)
            used += 2 + 3 * std::size_t(count);
        data.resize(used);
        return rawSubChunk(kChunkColor256, data);
    };
    IndexImage pattern(4, 2);
    pattern.pixels = {2, 3, 7, 8, 9, 255, 0, 1};
    FlcBuilder b(4, 2);
    b.header.frames = 3;
    b.header.speed = 40;
    b.addFrame({chunkOf(first), fliCopyChunk(pattern)});
    b.addFrame({deltaFlcChunk(pattern, solidImage(4, 2, 7))});
    b.addFrame({chunkOf(second), deltaFlcChunk(solidImage(4, 2, 7), pattern)});
    const Bytes original = b.build();
    loadFile("plain.flc", original);
    ASSERT_EQ(animation.paletteOffsets.size(), 2u);
    EXPECT_EQ(animation.paletteLayouts[0], (Bytes{3, 0, 2, 2, 3, 1, 0, 2}));

    animation.displayPalette = savedPalette();
    const std::string copy = (folder / "copy.flc").string();
    ASSERT_EQ(animation.Save(copy), kOk);
    Bytes expected = withColours(original, animation.paletteOffsets[0], first, savedPalette(), true);
    expected = withColours(expected, animation.paletteOffsets[1], second, savedPalette(), true);
    const Bytes saved = readFile(copy);
    expectSameBytes(saved, expected);
    // Only colour bytes moved: the first chunk's 15 and the second's 3.
    std::size_t changed = 0;
    for (std::size_t i = 0; i < saved.size(); ++i)
        changed += saved[i] != original[i];
    EXPECT_GT(changed, 9u);
    EXPECT_LE(changed, 18u);

    CFlcAnimation reloaded;
    ASSERT_EQ(reloaded.Load(copy, true), kOk);
    for (std::size_t entry = 0; entry < 256; ++entry) {
        const bool covered = entry == 2 || entry == 3 || (entry >= 7 && entry <= 9) || entry == 255;
        EXPECT_EQ(reloaded.filePalette[entry], covered ? savedPalette()[entry] : PaletteEntry{}) << entry;
    }
    ASSERT_EQ(reloaded.frames.size(), 3u);
    EXPECT_TRUE(std::ranges::equal(reloaded.frames[2].pixels(), pattern.pixels));
}

TEST_F(FlcWriterTest, NothingToWriteFailsAtOnce)
{
    const std::string copy = (folder / "copy.flc").string();
    EXPECT_EQ(animation.Save(copy), kFail) << "nothing loaded";

    const std::string path = loadFile("bare.flc", threeFrameFile({}));
    EXPECT_TRUE(animation.paletteOffsets.empty());
    EXPECT_EQ(animation.Save(copy), kFail);
    EXPECT_EQ(animation.Save(path), kFail);

    loadFile("unit.flc", buildGameAnimation(numberedGame(1, 1)));
    EXPECT_EQ(animation.Save(""), kFail);
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"bare.flc", "unit.flc"}));
}

TEST_F(FlcWriterTest, UnwritableDestinationsFailAndLeaveNoTemporaryFile)
{
    const Bytes original = buildGameAnimation(numberedGame(1, 2));
    const std::string source = loadFile("source.flc", original);
    animation.displayPalette = savedPalette();

    EXPECT_EQ(animation.Save((folder / "missing" / "copy.flc").string()), kFail);
    std::filesystem::create_directory(folder / "taken.flc");
    EXPECT_EQ(animation.Save((folder / "taken.flc").string()), kFail);
    EXPECT_TRUE(std::filesystem::is_empty(folder / "taken.flc"));

    // Open to anyone but the read-only destination, so that only its own
    // mode can refuse the unprivileged save.
    ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(source.c_str(), 0644), 0);
    const auto locked = folder / "locked.flc";
    writeFile(locked, Bytes(10, 7));
    ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
    EXPECT_TRUE(asUnprivilegedUser([&] {
        return animation.Save(locked.string()) == kFail && animation.writeError == std::errc::permission_denied
            && animation.path == source;
    }));
    EXPECT_EQ(readFile(locked), Bytes(10, 7));
    std::filesystem::remove(locked);

    EXPECT_EQ(animation.path, source);
    expectSameBytes(readFile(source), original);
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"source.flc", "taken.flc"}));
}

TEST_F(FlcWriterTest, SourceChangedOnDiskFailsAndLeavesTheDestination)
{
    const Bytes original = threeFrameFile({color256Chunk(distinctPalette())});
    const std::string source = loadFile("source.flc", original);
    const std::size_t offset = animation.paletteOffsets[0];
    animation.displayPalette = savedPalette();
    const std::string destination = (folder / "dest.flc").string();
    const Bytes destinationBytes(100, 0x42);
    writeFile(destination, destinationBytes);

    auto expectRefused = [&](const Bytes& changed, const char* what) {
        writeFile(source, changed);
        EXPECT_EQ(animation.Save(destination), kFail) << what;
        EXPECT_EQ(animation.Save(source), kFail) << what;
        expectSameBytes(readFile(destination), destinationBytes);
        expectSameBytes(readFile(source), changed);
        EXPECT_EQ(animation.path, source) << what;
        EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"dest.flc", "source.flc"})) << what;
    };

    // A chunk in front moves the palette chunk away from the recorded offset.
    FlcBuilder shifted(2, 2);
    shifted.header.frames = 3;
    shifted.addChunk(kChunkPrefix, Bytes(40, 0));
    shifted.addFrame({color256Chunk(distinctPalette()), fliCopyChunk(solidImage(2, 2, 70))});
    const Bytes moved = shifted.build();
    ASSERT_GT(moved.size(), offset);
    ASSERT_NE(moved[offset - 2] | moved[offset - 1] << 8, int(kChunkColor256));
    expectRefused(moved, "moved");

    // Same place, same type, other packets: 2 × 100 colours.
    const Bytes repacked = threeFrameFile({packetChunk({{0, 100}, {100, 100}}, distinctPalette())});
    CFlcAnimation probe;
    ASSERT_EQ(probe.LoadFromMemory(repacked, true), kOk);
    ASSERT_EQ(probe.paletteOffsets, animation.paletteOffsets);
    expectRefused(repacked, "repacked");

    // Cut inside the colours, and cut inside the sub-chunk header.
    expectRefused(Bytes(original.begin(), original.begin() + std::ptrdiff_t(offset + 300)), "cut in colours");
    expectRefused(Bytes(original.begin(), original.begin() + std::ptrdiff_t(offset - 3)), "cut in header");

    // Gone altogether.
    std::filesystem::remove(source);
    EXPECT_EQ(animation.Save(destination), kFail);
    expectSameBytes(readFile(destination), destinationBytes);
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"dest.flc"}));

    // And back as it was: the same model saves again.
    writeFile(source, original);
    ASSERT_EQ(animation.Save(destination), kOk);
    expectSameBytes(readFile(destination), withColours(original, offset, {{0, 0}}, savedPalette()));
}

TEST_F(FlcWriterTest, RecordsThatDoNotFitTheFileFail)
{
    const Bytes original = buildGameAnimation(numberedGame(1, 1));
    const std::string source = loadFile("source.flc", original);
    const std::string copy = (folder / "copy.flc").string();
    const auto offsets = animation.paletteOffsets;
    const auto layouts = animation.paletteLayouts;

    for (const std::uint32_t offset : {0u, 5u, std::uint32_t(original.size()), std::uint32_t(original.size() + 9), 0xFFFFFFFFu}) {
        animation.paletteOffsets = {offset};
        EXPECT_EQ(animation.Save(copy), kFail) << offset;
    }
    animation.paletteOffsets = offsets;
    animation.paletteLayouts.clear();
    EXPECT_EQ(animation.Save(copy), kFail) << "no layout for the offset";
    animation.paletteLayouts = layouts;
    animation.paletteLayouts[0][0] = 2;
    EXPECT_EQ(animation.Save(copy), kFail) << "another packet count";
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"source.flc"}));

    animation.paletteLayouts = layouts;
    EXPECT_EQ(animation.Save(copy), kOk);
}
