// A unit's speed, offsets and original size changed in its header: only
// those bytes move, for game, plain and FLI files alike; what a file cannot
// hold is refused; the player shows a change at once.

#include "flc/CFlcAnimation.h"
#include "flc/FlcEncoder.h"
#include "flc/HeaderEdits.h"

#include "PlayerCoreFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace kinetra;
using namespace kinetra::encoder;
using namespace kinetra::test;

namespace {

enum class Kind { Game, Plain, Fli };

const char* nameOf(Kind kind)
{
    switch (kind) {
    case Kind::Game: return "game";
    case Kind::Plain: return "plain";
    case Kind::Fli: return "fli";
    }
    return "?";
}

// 4 × 3 frames at (30, 40) of a 100 × 90 picture, speed 50.
Bytes gameFile()
{
    GameAnimation game = numberedGame(2, 3, 50, 4, 3);
    game.leftOffset = 30;
    game.topOffset = 40;
    game.originalWidth = 100;
    game.originalHeight = 90;
    return buildGameAnimation(game);
}

Bytes plainFile()
{
    return buildPlainFlc(distinctPalette(), {solidImage(5, 4, 70), solidImage(5, 4, 71)}, 60);
}

// Speed 5/70 s (71 ms), with reserved bytes 0x1234 behind the speed word.
Bytes fliFile()
{
    FlcBuilder b(3, 2);
    b.magic = kFliMagic;
    b.header.frames = 2;
    b.header.speed = 0x12340005;
    b.addFrame({color64Chunk(distinctPalette()), byteRunChunk(solidImage(3, 2, 9))});
    b.addFrame({deltaFliChunk(solidImage(3, 2, 9), solidImage(3, 2, 10))});
    return b.build();
}

Bytes fileOf(Kind kind)
{
    switch (kind) {
    case Kind::Game: return gameFile();
    case Kind::Plain: return plainFile();
    case Kind::Fli: return fliFile();
    }
    return {};
}

// Bytes written at an offset of the header.
using Patch = std::pair<std::size_t, Bytes>;

Bytes patched(Bytes file, const std::vector<Patch>& patches)
{
    for (const auto& [at, bytes] : patches)
        std::copy(bytes.begin(), bytes.end(), file.begin() + std::ptrdiff_t(at));
    return file;
}

// Where two files of one size first part, or their size.
std::size_t firstDifference(const Bytes& a, const Bytes& b)
{
    return std::size_t(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
}

class HeaderEditsTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const Bytes& bytes)
    {
        const std::string path = (folder / name).string();
        writeFile(path, bytes);
        return path;
    }

    TempFolder folder;
};

} // namespace

TEST_F(HeaderEditsTest, SavingChangesTheEditedFieldsAndNoOtherByte)
{
    struct Case {
        const char* what;
        Kind kind;
        HeaderEdits edits;
        std::vector<Patch> bytes; // as the saved file must hold them
    };
    const std::vector<Case> cases{
        {"speed", Kind::Game, {.speed = 120}, {{16, {0x78, 0, 0, 0}}}},
        {"largest speed", Kind::Game, {.speed = 0xFFFFFFFF}, {{16, {0xFF, 0xFF, 0xFF, 0xFF}}}},
        {"offsets", Kind::Game, {.leftOffset = 300, .topOffset = 2}, {{100, {0x2C, 0x01, 0x02, 0x00}}}},
        {"top offset alone", Kind::Game, {.topOffset = 0xFFFF}, {{102, {0xFF, 0xFF}}}},
        {"original size", Kind::Game, {.originalWidth = 640, .originalHeight = 480}, {{104, {0x80, 0x02, 0xE0, 0x01}}}},
        {"everything",
         Kind::Game,
         {.speed = 0, .leftOffset = 1, .topOffset = 0, .originalWidth = 240, .originalHeight = 0},
         {{16, {0, 0, 0, 0}}, {100, {1, 0, 0, 0, 240, 0, 0, 0}}}},
        {"plain speed", Kind::Plain, {.speed = 1}, {{16, {1, 0, 0, 0}}}},
        // An FLI word of 1/70 s: 57 ms is 4, 0 ms is 0; the reserved word
        // behind it stays.
        {"FLI speed", Kind::Fli, {.speed = 57}, {{16, {4, 0, 0x34, 0x12}}}},
        {"FLI speed 0", Kind::Fli, {.speed = 0}, {{16, {0, 0, 0x34, 0x12}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes original = fileOf(c.kind);
        const std::string source = write(std::string(nameOf(c.kind)) + ".flc", original);
        CFlcAnimation animation;
        ASSERT_EQ(animation.Load(source, true), kOk);
        ASSERT_EQ(animation.EditHeader(c.edits), std::nullopt);

        const std::string saved = (folder / "saved.flc").string();
        ASSERT_EQ(animation.Save(saved), kOk);
        const Bytes expected = patched(original, c.bytes);
        const Bytes written = readFile(saved);
        ASSERT_EQ(written.size(), expected.size());
        EXPECT_EQ(firstDifference(written, expected), written.size());
        EXPECT_EQ(readFile(source), original) << "Save As leaves the source as it was";

        CFlcAnimation reloaded;
        ASSERT_EQ(reloaded.Load(saved, true), kOk);
        EXPECT_TRUE(headerHolds(reloaded.header, c.edits));
        EXPECT_EQ(reloaded.frames.size(), animation.frames.size());
    }
}

TEST_F(HeaderEditsTest, HeaderEditedBytesKeepThePaletteChunksAsTheFileHasThem)
{
    const Bytes original = gameFile();
    CFlcAnimation animation;
    ASSERT_EQ(animation.Load(write("unit.flc", original), true), kOk);
    // A tint in force is the window's business, not the header's.
    for (PaletteEntry& entry : animation.displayPalette)
        entry = PaletteEntry::fromRgb(1, 2, 3);
    ASSERT_EQ(animation.EditHeader({.leftOffset = 31}), std::nullopt);

    Bytes headerOnly;
    ASSERT_EQ(animation.HeaderEditedBytes(headerOnly), kOk);
    EXPECT_EQ(headerOnly, patched(original, {{100, {31, 0}}}));

    // Save writes the tint into the palette besides.
    Bytes whole;
    ASSERT_EQ(animation.SavedBytes(whole), kOk);
    EXPECT_NE(whole, headerOnly);
    EXPECT_GE(firstDifference(whole, headerOnly), kFlcHeaderSize);
}

TEST_F(HeaderEditsTest, WhatTheFileCannotHoldIsRefusedAndChangesNothing)
{
    struct Case {
        Kind kind;
        HeaderEdits edits;
        const char* problem;
    };
    const std::vector<Case> cases{
        {Kind::Plain, {.leftOffset = 0}, "A plain FLC has no offsets or original size: only its speed can be set."},
        {Kind::Plain, {.speed = 90, .originalHeight = 90},
         "A plain FLC has no offsets or original size: only its speed can be set."},
        {Kind::Fli, {.topOffset = 3}, "An FLI file has no offsets or original size: only its speed can be set."},
        {Kind::Fli, {.speed = 50}, "An FLI file counts its speed in 1/70 s and cannot hold 50 ms; the nearest it holds is 43 ms."},
        {Kind::Fli, {.speed = 936215},
         "An FLI file counts its speed in 1/70 s and cannot hold 936215 ms; the nearest it holds is 936214 ms."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(nameOf(c.kind));
        CFlcAnimation animation;
        ASSERT_EQ(animation.Load(write("refused.flc", fileOf(c.kind)), true), kOk);
        const FlcHeader before = animation.header;
        EXPECT_EQ(animation.EditHeader(c.edits), std::optional<std::string>(c.problem));
        EXPECT_EQ(animation.header.raw, before.raw);
        EXPECT_EQ(animation.header.speed, before.speed);
        EXPECT_EQ(animation.header.leftOffset, before.leftOffset);
        EXPECT_TRUE(animation.PendingHeaderEdits().empty());
        Bytes bytes;
        EXPECT_EQ(animation.HeaderEditedBytes(bytes), kFail) << "nothing to write";
        Bytes file = fileOf(c.kind);
        EXPECT_FALSE(writeHeaderEdits(file, c.edits));
        EXPECT_EQ(file, fileOf(c.kind));
    }
}

TEST(HeaderEditsSpeed, AnFliFileHoldsWholeCountsOfOneSeventiethOfASecond)
{
    const FlcHeader fli = FlcHeader::parse(std::span<const std::uint8_t, kFlcHeaderSize>(fliFile().data(), kFlcHeaderSize));
    const FlcHeader flc = FlcHeader::parse(std::span<const std::uint8_t, kFlcHeaderSize>(gameFile().data(), kFlcHeaderSize));
    const std::pair<std::uint32_t, std::uint32_t> fliCases[] = {
        {0, 0}, {7, 0}, {8, 14}, {14, 14}, {43, 43}, {50, 43}, {51, 57}, {57, 57},
        {936214, 936214}, {936300, 936214}, {0xFFFFFFFF, 936214},
    };
    for (const auto& [asked, held] : fliCases)
        EXPECT_EQ(nearestHeldSpeed(fli, asked), held) << asked;
    for (const std::uint32_t asked : {0u, 50u, 0xFFFFFFFFu})
        EXPECT_EQ(nearestHeldSpeed(flc, asked), asked);
}

TEST_F(HeaderEditsTest, EditsAddUpUntilASaveAndALoadForgetsThem)
{
    CFlcAnimation animation;
    const std::string path = write("unit.flc", gameFile());
    ASSERT_EQ(animation.Load(path, true), kOk);
    ASSERT_EQ(animation.EditHeader({.speed = 80, .leftOffset = 1}), std::nullopt);
    ASSERT_EQ(animation.EditHeader({.leftOffset = 2}), std::nullopt);
    EXPECT_EQ(animation.PendingHeaderEdits(), (HeaderEdits{.speed = 80, .leftOffset = 2}));
    EXPECT_EQ(animation.header.leftOffset, 2);

    ASSERT_EQ(animation.Save(path), kOk);
    EXPECT_TRUE(animation.PendingHeaderEdits().empty());
    // A later save starts from the file that holds them.
    ASSERT_EQ(animation.Save(path), kOk);
    CFlcAnimation reloaded;
    ASSERT_EQ(reloaded.Load(path, true), kOk);
    EXPECT_EQ(reloaded.header.speed, 80u);
    EXPECT_EQ(reloaded.header.leftOffset, 2);

    ASSERT_EQ(animation.EditHeader({.topOffset = 9}), std::nullopt);
    ASSERT_EQ(animation.Load(path, true), kOk);
    EXPECT_TRUE(animation.PendingHeaderEdits().empty());
    EXPECT_EQ(animation.header.topOffset, 40);
}

TEST_F(PlayerCoreTest, EditingTheUnitShowsItsNewPlaceAndSpeedAtOnce)
{
    ASSERT_EQ(loadGame(cornerFrames()), kOk);
    player.tickAfter(0);
    EXPECT_EQ(pixel(30, 40), colorOf(100));

    ASSERT_EQ(player.EditUnit({.leftOffset = 31, .topOffset = 39}), std::nullopt);
    EXPECT_EQ(pixel(31, 39), colorOf(100)) << "drawn again without a tick";
    EXPECT_NE(pixel(30, 40), colorOf(100));

    // The first frame, 50 ms long, ends by the new speed's 20 ms.
    ASSERT_EQ(player.EditUnit({.speed = 20}), std::nullopt);
    player.tickAfter(25);
    EXPECT_EQ(player.currentFrame, 1);

    // 0 is written, and plays as 10 ms as a loaded 0 does.
    ASSERT_EQ(player.EditUnit({.speed = 0}), std::nullopt);
    EXPECT_EQ(player.header.speed, 10u);
    EXPECT_EQ(player.PendingHeaderEdits().speed, std::optional<std::uint32_t>(0));
}
