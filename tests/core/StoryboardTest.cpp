// Storyboards out and back in: the frames' indices, the palette and the
// header survive every way round (through the note, through PCX, with and
// without a border, split and joined), and sheets that cannot make a valid
// file are refused with a reason.

#include "TestSupport.h"

#include "flc/CFlcAnimation.h"
#include "flc/FlcEncoder.h"
#include "imaging/CPcxImage.h"
#include "formats/DistinctPalette.h"
#include "formats/PaletteMapping.h"
#include "formats/PcxWriter.h"
#include "storyboard/StoryboardBuild.h"
#include "io/WholeFile.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kinetra {
namespace {

using encoder::Bytes;

Palette distinctPalette()
{
    Palette palette;
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7));
    return palette;
}

// A unit on a transparent ground: long runs of 255 (a PCX run byte on its
// own) around noise over every index class.
IndexImage unitImage(int width, int height, std::mt19937& random)
{
    IndexImage image(width, height);
    std::uniform_int_distribution<int> index(0, 255);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool body = x > width / 4 && x < 3 * width / 4 && y > height / 5;
            image.row(y)[x] = std::uint8_t(body ? index(random) : 255);
        }
    }
    return image;
}

encoder::GameAnimation gameUnit(int width, int height, int directions, int perDirection, unsigned seed)
{
    std::mt19937 random(seed);
    encoder::GameAnimation unit;
    unit.width = width;
    unit.height = height;
    unit.directions = directions;
    unit.framesPerDirection = perDirection;
    unit.speed = 55;
    unit.leftOffset = 3;
    unit.topOffset = 9;
    unit.originalWidth = 180;
    unit.originalHeight = 170;
    unit.animationTime = 999;
    unit.palette = distinctPalette();
    for (int i = 0; i < directions * perDirection; ++i)
        unit.images.push_back(unitImage(width, height, random));
    return unit;
}

void expectSameAnimation(const CFlcAnimation& actual, const CFlcAnimation& expected)
{
    const FlcHeader& a = actual.header;
    const FlcHeader& e = expected.header;
    EXPECT_EQ(a.width, e.width);
    EXPECT_EQ(a.height, e.height);
    EXPECT_EQ(a.frames, e.frames);
    EXPECT_EQ(a.speed, e.speed);
    EXPECT_EQ(a.directions, e.directions);
    EXPECT_EQ(a.framesPerDirection, e.framesPerDirection);
    EXPECT_EQ(a.leftOffset, e.leftOffset);
    EXPECT_EQ(a.topOffset, e.topOffset);
    EXPECT_EQ(a.originalWidth, e.originalWidth);
    EXPECT_EQ(a.originalHeight, e.originalHeight);
    EXPECT_EQ(a.animationTime, e.animationTime);
    EXPECT_EQ(actual.filePalette, expected.filePalette);
    const auto actualFrames = animationFrames(actual);
    const auto expectedFrames = animationFrames(expected);
    ASSERT_EQ(actualFrames.size(), expectedFrames.size());
    for (std::size_t i = 0; i < actualFrames.size(); ++i)
        EXPECT_EQ(actualFrames[i].pixels, expectedFrames[i].pixels) << "frame " << i;
}

// The picture a storyboard file gives back, its palette the colours made
// distinct: through the note's JSON, and through PCX bytes when asked.
StoryboardPicture pictureOf(const Storyboard& storyboard, bool throughPcx)
{
    StoryboardPicture picture;
    picture.width = storyboard.sheet.width;
    picture.height = storyboard.sheet.height;
    picture.indexed = true;
    picture.paletteSize = 256;
    picture.indices = storyboard.sheet;
    picture.palette = withDistinctColours(storyboard.palette);
    if (throughPcx) {
        CPcxImage pcx;
        EXPECT_EQ(pcx.LoadFromMemory(encodePcx(storyboard.sheet, picture.palette)), kOk);
        picture.indices.pixels = pcx.pixels;
        picture.palette = pcx.palette;
        EXPECT_EQ(pcx.width, picture.width);
        EXPECT_EQ(pcx.height, picture.height);
    }
    std::string problem;
    StoryboardNote note;
    note.facts = storyboard.layout.facts();
    note.palette = storyboard.palette;
    picture.note = readStoryboardNote(writeStoryboardNote(note), problem);
    EXPECT_TRUE(picture.note) << problem;
    return picture;
}

class StoryboardTest : public ::testing::Test {};

struct RoundTripCase {
    const char* name;
    int width;
    int height;
    int directions;
    int perDirection;
    std::optional<int> border;
    bool throughPcx;
};

TEST_F(StoryboardTest, GeneratedUnitsComeBackFrameForFrame)
{
    const RoundTripCase cases[] = {
        {"odd width, 8 directions", 17, 12, 8, 3, std::nullopt, false},
        {"even width, 8 directions, border, PCX", 18, 11, 8, 2, 0, true},
        {"odd width, 1 direction, PCX", 33, 20, 1, 5, std::nullopt, true},
        {"even width, 1 direction, border", 40, 7, 1, 4, 254, false},
        {"a single pixel frame", 1, 1, 8, 1, 255, true},
    };
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes original = encoder::buildGameAnimation(gameUnit(c.width, c.height, c.directions, c.perDirection, 7));
        CFlcAnimation source;
        ASSERT_EQ(source.LoadFromMemory(original, true), kOk);
        std::string problem;
        const auto storyboard = makeStoryboard(source, source.header, c.border, problem);
        ASSERT_TRUE(storyboard) << problem;
        const auto built = buildFromStoryboard(pictureOf(*storyboard, c.throughPcx), {}, std::nullopt, problem);
        ASSERT_TRUE(built) << problem;

        CFlcAnimation result;
        ASSERT_EQ(result.LoadFromMemory(built->file, true), kOk);
        expectSameAnimation(result, source);
        // No frame set aside wrongly: every decoded frame is an animation frame.
        EXPECT_EQ(result.frames.size(), std::size_t(c.directions * c.perDirection));
    }
}

TEST_F(StoryboardTest, SamplesRebuildToTheSameBytes)
{
    for (const char* name : {"unit.flc", "plain.flc"}) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> original;
        ASSERT_TRUE(readWholeFile((std::filesystem::path(KINETRA_SAMPLES_DIR) / name).string(), original));
        CFlcAnimation source;
        ASSERT_EQ(source.LoadFromMemory(original, true), kOk);
        std::string problem;
        for (const bool throughPcx : {false, true}) {
            const auto storyboard = makeStoryboard(source, source.header, throughPcx ? std::optional(3) : std::nullopt, problem);
            ASSERT_TRUE(storyboard) << problem;
            const auto built = buildFromStoryboard(pictureOf(*storyboard, throughPcx), {}, std::nullopt, problem);
            ASSERT_TRUE(built) << problem;
            // The samples are the encoder's own: the same frames give the
            // same file, so the size is the encoder's best effort.
            EXPECT_EQ(built->file, original);
        }
    }
}

// A plain file's row wraps at 4096 pixels, grid lines included, into as
// many cells as fit (one, however wide); the note says how many, and the
// sheet builds back into the same file.
TEST_F(StoryboardTest, WidePlainFilesWrapIntoRowsAndBuildBack)
{
    struct Case {
        const char* what;
        int frames;
        int width;
        std::optional<int> border;
        std::optional<int> columns;
        int sheetWidth;
        int sheetHeight;
        bool lastRowShort;
    };
    const Case cases[] = {
        {"exactly 4096 wide: one row", 4, 1024, std::nullopt, std::nullopt, 4096, 3, false},
        {"the same with a grid: 4101 wide, wraps", 4, 1024, 9, 3, 3 * 1025 + 1, 2 * 4 + 1, true},
        {"a last row left short", 10, 1000, std::nullopt, 4, 4000, 3 * 3, true},
        {"a grid, the last row short", 10, 1000, 0, 4, 4 * 1001 + 1, 3 * 4 + 1, true},
        {"a frame wider than a row", 3, 5000, std::nullopt, 1, 5000, 3 * 3, false},
    };
    std::mt19937 random(11);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<IndexImage> images;
        for (int i = 0; i < c.frames; ++i)
            images.push_back(unitImage(c.width, 3, random));
        const Bytes original = encoder::buildPlainFlc(distinctPalette(), images, 40);
        CFlcAnimation source;
        ASSERT_EQ(source.LoadFromMemory(original, true), kOk);
        std::string problem;
        const auto storyboard = makeStoryboard(source, source.header, c.border, problem);
        ASSERT_TRUE(storyboard) << problem;
        EXPECT_EQ(storyboard->layout.facts().columns, c.columns);
        EXPECT_EQ(storyboard->sheet.width, c.sheetWidth);
        EXPECT_EQ(storyboard->sheet.height, c.sheetHeight);
        // Cells past the last frame are grid, or 0 without one.
        EXPECT_EQ(storyboard->sheet.at(c.sheetWidth - 2, c.sheetHeight - 2),
                  c.lastRowShort ? c.border.value_or(0) : images.back().at(c.width - 2, 1));
        for (const bool throughPcx : {false, true}) {
            const auto built = buildFromStoryboard(pictureOf(*storyboard, throughPcx), {}, std::nullopt, problem);
            ASSERT_TRUE(built) << problem;
            EXPECT_EQ(built->file, original);
        }
    }
}

TEST_F(StoryboardTest, PlainFilesPlayTheirFramesInTheSameOrder)
{
    std::mt19937 random(3);
    std::vector<IndexImage> images;
    for (int i = 0; i < 5; ++i)
        images.push_back(unitImage(9, 6, random));
    CFlcAnimation source;
    ASSERT_EQ(source.LoadFromMemory(encoder::buildPlainFlc(distinctPalette(), images, 0), true), kOk);
    std::string problem;
    const auto storyboard = makeStoryboard(source, source.header, std::nullopt, problem);
    ASSERT_TRUE(storyboard) << problem;
    EXPECT_TRUE(storyboard->layout.plain);
    EXPECT_EQ(storyboard->sheet.width, 5 * 9);
    EXPECT_EQ(storyboard->sheet.height, 6);

    const auto built = buildFromStoryboard(pictureOf(*storyboard, false), {}, std::nullopt, problem);
    ASSERT_TRUE(built) << problem;
    CFlcAnimation result;
    ASSERT_EQ(result.LoadFromMemory(built->file, true), kOk);
    expectSameAnimation(result, source);
    EXPECT_EQ(result.header.framesPerDirection, 0);
}

TEST_F(StoryboardTest, SplitDirectionsJoinBackToTheSameFile)
{
    const struct {
        int width;
        int directions;
        int perDirection;
    } cases[] = {
        {15, 8, 4},
        {15, 1, 4},
        // 656 frames of 100 pixels: a row 65600 pixels wide, more than a
        // sheet can be, which a split never writes.
        {100, 1, 656},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.perDirection);
        const Bytes original = encoder::buildGameAnimation(gameUnit(c.width, 10, c.directions, c.perDirection, 11));
        CFlcAnimation source;
        ASSERT_EQ(source.LoadFromMemory(original, true), kOk);
        std::string problem;
        const auto split = splitDirections(source, source.header, problem);
        ASSERT_TRUE(split) << problem;
        ASSERT_EQ(split->directionFiles.size(), std::size_t(c.directions));

        std::vector<std::unique_ptr<CFlcAnimation>> files;
        std::vector<const CFlcAnimation*> loaded;
        for (const Bytes& file : split->directionFiles) {
            files.push_back(std::make_unique<CFlcAnimation>());
            ASSERT_EQ(files.back()->LoadFromMemory(file, true), kOk);
            // A plain FLC a FLIC editor opens with the direction's first frame.
            EXPECT_EQ(files.back()->header.framesPerDirection, 0);
            loaded.push_back(files.back().get());
        }
        const auto joined = joinDirections(loaded, split->layout.facts(), split->palette, problem);
        ASSERT_TRUE(joined) << problem;
        EXPECT_EQ(joined->file, original);
    }
}

TEST_F(StoryboardTest, ATallUnitSplitsThoughItsSheetWouldBeTooTall)
{
    // Rows of 8200 pixels: no sheet holds eight of them, but a split takes
    // the file apart for a FLIC editor all the same.
    CFlcAnimation source;
    ASSERT_EQ(source.LoadFromMemory(encoder::buildGameAnimation(gameUnit(2, 8200, 8, 1, 13)), true), kOk);
    std::string problem;
    EXPECT_FALSE(makeStoryboard(source, source.header, std::nullopt, problem));
    EXPECT_EQ(problem, "The storyboard would be larger than 65535 pixels on a side.");
    const auto split = splitDirections(source, source.header, problem);
    ASSERT_TRUE(split) << problem;
    EXPECT_EQ(split->directionFiles.size(), 8u);
}

TEST_F(StoryboardTest, JoinRefusesDirectionsThatDisagree)
{
    std::mt19937 random(5);
    const Bytes four = encoder::buildPlainFlc(distinctPalette(), {unitImage(8, 8, random), unitImage(8, 8, random),
                                                                  unitImage(8, 8, random), unitImage(8, 8, random)}, 50);
    const Bytes three = encoder::buildPlainFlc(distinctPalette(), {unitImage(8, 8, random), unitImage(8, 8, random),
                                                                   unitImage(8, 8, random)}, 50);
    CFlcAnimation a;
    CFlcAnimation b;
    ASSERT_EQ(a.LoadFromMemory(four, true), kOk);
    ASSERT_EQ(b.LoadFromMemory(three, true), kOk);
    std::string problem;
    EXPECT_FALSE(joinDirections({&a, &b}, {}, std::nullopt, problem));
    EXPECT_NE(problem.find("Direction 2 holds 3 frames"), std::string::npos) << problem;
    StoryboardFacts eight;
    eight.directions = 8;
    EXPECT_FALSE(joinDirections({&a, &a}, eight, std::nullopt, problem));
    EXPECT_NE(problem.find("8 directions"), std::string::npos) << problem;
}

// An indexed sheet of `width` × `height` filled with `fill`.
StoryboardPicture sheetOf(int width, int height, std::uint8_t fill = 7)
{
    StoryboardPicture picture;
    picture.width = width;
    picture.height = height;
    picture.indexed = true;
    picture.paletteSize = 256;
    picture.indices = IndexImage(width, height);
    std::fill(picture.indices.pixels.begin(), picture.indices.pixels.end(), fill);
    return picture;
}

StoryboardFacts grid(int directions, int perDirection, std::optional<int> border = std::nullopt)
{
    StoryboardFacts facts;
    facts.directions = directions;
    facts.framesPerDirection = perDirection;
    facts.speed = 70;
    facts.border = border;
    return facts;
}

TEST_F(StoryboardTest, SheetsThatCannotMakeAValidFileAreRefused)
{
    StoryboardPicture trueColour;
    trueColour.width = 4;
    trueColour.height = 8;
    trueColour.argb.assign(32, 0xFF102030u);
    StoryboardFacts offsets = grid(1, 1);
    offsets.leftOffset = 50;
    StoryboardFacts noSpeed = grid(8, 2);
    noSpeed.speed.reset();

    struct Refusal {
        const char* reason;
        StoryboardPicture picture;
        StoryboardFacts facts;
        const char* message;
    };
    const Refusal refusals[] = {
        {"width does not divide", sheetOf(50, 80), grid(8, 3), "width of 50 pixels does not divide into 3 frames"},
        {"not enough rows", sheetOf(30, 7), grid(8, 3), "height of 7 pixels does not divide into 8 rows"},
        {"border misses the grid", sheetOf(3 * 4 + 4, 8 * 5 + 9, 9), grid(8, 3, 200), "grid line at x = 0"},
        {"true colour without a palette", trueColour, grid(8, 1), "--palette"},
        {"frames past the header's count", sheetOf(32768, 1), grid(1, 32768), "at most 32767"},
        {"frame leaves the picture", sheetOf(200, 10), offsets, "leaves the game's 240 x 240 picture"},
        {"nothing said about the grid", sheetOf(16, 16), {}, "the directions (--directions)"},
        {"no speed", sheetOf(16, 16), noSpeed, "the speed (--speed)"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.reason);
        std::string problem;
        EXPECT_FALSE(buildFromStoryboard(r.picture, r.facts, std::nullopt, problem));
        EXPECT_NE(problem.find(r.message), std::string::npos) << problem;
    }
}

TEST_F(StoryboardTest, OptionsOverrideTheNoteAndDefaultsCentreTheFrame)
{
    StoryboardPicture picture = sheetOf(2 * 20, 8 * 30);
    picture.note.emplace().facts = grid(8, 2);
    picture.note->facts.speed = 40;
    StoryboardFacts overrides;
    overrides.speed = 90;
    std::string problem;
    const auto built = buildFromStoryboard(picture, overrides, std::nullopt, problem);
    ASSERT_TRUE(built) << problem;
    EXPECT_EQ(built->layout.speed, 90u);
    EXPECT_EQ(built->layout.leftOffset, (240 - 20) / 2);
    EXPECT_EQ(built->layout.topOffset, (240 - 30) / 2);
    EXPECT_EQ(built->layout.animationTime, 90u * 2);
    EXPECT_EQ(built->layout.originalWidth, 240);
}

TEST_F(StoryboardTest, TrueColourTakesTheNearestOrdinaryColour)
{
    Palette palette = distinctPalette();
    palette[10] = PaletteEntry::fromRgb(1, 2, 3);
    palette[100] = PaletteEntry::fromRgb(1, 2, 3); // the same colour again, an ordinary entry
    palette[20] = PaletteEntry::fromRgb(9, 9, 9);  // only a civilization entry has it
    palette[150] = PaletteEntry::fromRgb(200, 200, 200);

    struct Case {
        const char* what;
        std::uint32_t argb;
        std::uint8_t index;
        bool approximated;
    };
    const Case cases[] = {
        {"fully transparent", 0x00123456u, 255, false},
        {"magenta", 0xFFFF00FFu, 255, false},
        {"an exact colour held twice", 0xFF010203u, 100, false},
        {"an exact colour held once", 0xFF090909u, 20, false},
        {"half transparent keeps its colour", 0x80010203u, 100, false},
        {"near an ordinary colour", 0xFFC9C7C8u, 150, true},
    };
    std::vector<std::uint32_t> pixels;
    for (const Case& c : cases)
        pixels.push_back(c.argb);
    const MappedPicture mapped = mapToPalette(pixels, int(pixels.size()), 1, palette);
    ASSERT_EQ(mapped.image.pixels.size(), pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i)
        EXPECT_EQ(mapped.image.pixels[i], cases[i].index) << cases[i].what;
    EXPECT_EQ(mapped.approximated.total(), 1u);
}

TEST_F(StoryboardTest, PcxKeepsEveryIndexAtAnyWidth)
{
    std::mt19937 random(9);
    // Odd widths pad their lines; runs past 63 split; indices from 0xC0 up
    // need a run byte of their own; rows past 32767 pixels need the
    // corners' unsigned words.
    for (const int width : {1, 127, 40000}) {
        SCOPED_TRACE(width);
        const IndexImage image = unitImage(width, 3, random);
        CPcxImage pcx;
        ASSERT_EQ(pcx.LoadFromMemory(encodePcx(image, distinctPalette())), kOk);
        EXPECT_EQ(pcx.width, width);
        EXPECT_EQ(pcx.pixels, image.pixels);
        EXPECT_EQ(pcx.palette, distinctPalette());
    }
}

TEST_F(StoryboardTest, NotesRefuseWhatTheyCannotStandFor)
{
    const char* bad[] = {
        "not json",
        R"({"format": "something-else", "directions": 8})",
        R"({"format": "kinetra-storyboard", "directions": 0})",
        R"({"format": "kinetra-storyboard", "speed": "fast"})",
        R"({"format": "kinetra-storyboard", "border": 256})",
        R"({"format": "kinetra-storyboard", "directionFiles": ["../unit_1.flc"]})",
    };
    for (const char* text : bad) {
        std::string problem;
        EXPECT_FALSE(readStoryboardNote(text, problem)) << text;
        EXPECT_FALSE(problem.empty()) << text;
    }
    EXPECT_EQ(storyboardNotePath("/a.b/sheet.png"), "/a.b/sheet.kinetra.json");
    EXPECT_EQ(storyboardNotePath("/a.b/sheet"), "/a.b/sheet.kinetra.json");
}

// A side of a sheet, the cells along it, the grid: the cells' size.
struct CellSizeCase {
    int side;
    int cells;
    bool border;
    int expected;
};

TEST(StoryboardCellSize, CellsDivideTheSideWithAndWithoutTheGrid)
{
    const CellSizeCase cases[] = {
        {240, 10, false, 24}, {241, 10, false, 0},  // no grid: the side divides or not
        {251, 10, true, 24},  {250, 10, true, 0},   // 10 cells of 24 and 11 grid lines
        {9, 8, true, 0},      {17, 8, true, 1},     // the grid alone, or one pixel a cell
        {100, 0, false, 0},   {5, 6, false, 0},     // no cells, more cells than pixels
    };
    for (const CellSizeCase& c : cases)
        EXPECT_EQ(storyboardCellSize(c.side, c.cells, c.border), c.expected)
            << c.side << " / " << c.cells << (c.border ? " with the grid" : "");
}

} // namespace
} // namespace kinetra
