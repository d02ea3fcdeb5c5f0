// Storyboard notes as a unit maker's files hold them: every fact checked
// for its type and range wherever the note lies (alone, in a sidecar, in a
// PNG's text chunk), a wrong one refused by the file's name and the fact's,
// the sidecar taken over the text chunk, and the speed and animation time
// given by hand.

#include "PlayerCoreFixture.h"
#include "StoryboardNoteCases.h"

#include "formats/PcxWriter.h"
#include "formats/PngFile.h"
#include "storyboard/StoryboardFile.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace kinetra {
namespace {

using test::badNoteCases;
using test::TempFolder;

// A note of a grid of 8 directions of 2 frames of 3 × 4 pixels.
StoryboardFacts gridFacts(std::uint32_t speed)
{
    StoryboardFacts facts;
    facts.directions = 8;
    facts.framesPerDirection = 2;
    facts.speed = speed;
    return facts;
}

std::string noteText(std::uint32_t speed)
{
    StoryboardNote note;
    note.facts = gridFacts(speed);
    return writeStoryboardNote(note);
}

void writeText(const std::filesystem::path& path, const std::string& text)
{
    test::writeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// The sheet of that grid as a PNG with `textChunk` as its note (none when
// empty), or as a PCX.
void writeSheet(const std::filesystem::path& path, const std::string& textChunk)
{
    const IndexImage sheet(2 * 3, 8 * 4);
    const Palette palette{};
    if (path.extension() == ".pcx") {
        test::writeFile(path, encodePcx(sheet, palette));
        return;
    }
    std::vector<PngText> texts;
    if (!textChunk.empty())
        texts.push_back({std::string(kStoryboardTextKey), textChunk});
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(encodeIndexedPng(sheet, palette, texts, bytes, error)) << error;
    test::writeFile(path, bytes);
}

TEST(StoryboardNote, EveryFactOfTheWrongTypeOrOutOfRangeIsNamed)
{
    for (const test::BadNoteCase& c : badNoteCases()) {
        SCOPED_TRACE(c.json);
        std::string problem;
        EXPECT_FALSE(readStoryboardNote(c.json, problem));
        EXPECT_EQ(problem, c.problem);
    }
}

TEST(StoryboardNote, FactsAtTheEndsOfTheirRangesAndUnknownOnesAreTaken)
{
    std::string problem;
    const auto low = readStoryboardNote(R"({"format": "kinetra-storyboard", "version": 1, "directions": 1,
        "framesPerDirection": 1, "speed": 0, "leftOffset": 0, "topOffset": 0, "originalWidth": 0,
        "originalHeight": 0, "animationTime": 0, "border": 0, "plain": true, "comment": "kept by hand"})",
                                        problem);
    ASSERT_TRUE(low) << problem;
    EXPECT_EQ(low->facts.directions, 1);
    EXPECT_EQ(low->facts.framesPerDirection, 1);
    EXPECT_EQ(low->facts.speed, 0u);
    EXPECT_EQ(low->facts.border, 0);
    EXPECT_TRUE(low->facts.plain);

    const auto high = readStoryboardNote(R"({"format": "kinetra-storyboard", "directions": 32767,
        "framesPerDirection": 32767, "speed": 4294967295, "leftOffset": 65535, "topOffset": 65535,
        "originalWidth": 65535, "originalHeight": 65535, "animationTime": 4294967295, "border": 255,
        "directionFiles": ["unit_1_SW.flc", "unit 2.flc"]})",
                                         problem);
    ASSERT_TRUE(high) << problem;
    EXPECT_EQ(high->facts.directions, 32767);
    EXPECT_EQ(high->facts.speed, 4294967295u);
    EXPECT_EQ(high->facts.leftOffset, 65535);
    EXPECT_EQ(high->facts.originalHeight, 65535);
    EXPECT_EQ(high->facts.animationTime, 4294967295u);
    EXPECT_EQ(high->facts.border, 255);
    EXPECT_EQ(high->directionFiles, (std::vector<std::string>{"unit_1_SW.flc", "unit 2.flc"}));

    const auto unknown = readStoryboardNote(R"({"format": "kinetra-storyboard", "speed": null, "border": null})", problem);
    ASSERT_TRUE(unknown) << problem;
    EXPECT_FALSE(unknown->facts.speed);
    EXPECT_FALSE(unknown->facts.border);
    EXPECT_FALSE(unknown->facts.directions);
}

// Where a sheet's note can be, and the name its refusal starts with.
struct NotePlace {
    const char* sheet;
    bool inSidecar;
    const char* named;
};

TEST(StoryboardNote, ABadNoteWithASheetIsRefusedByItsFilesName)
{
    const NotePlace places[] = {
        {"unit.png", true, "unit.kinetra.json: "},
        {"unit.pcx", true, "unit.kinetra.json: "},
        {"unit.png", false, "unit.png (text chunk): "},
    };
    for (const NotePlace& place : places) {
        for (const test::BadNoteCase& c : badNoteCases()) {
            // An empty text chunk is no note: a paint program leaves it so.
            if (!place.inSidecar && c.json.empty())
                continue;
            SCOPED_TRACE(std::string(place.named) + c.json);
            TempFolder folder;
            writeSheet(folder / place.sheet, place.inSidecar ? std::string() : c.json);
            if (place.inSidecar)
                writeText(folder / "unit.kinetra.json", c.json);
            std::string problem;
            EXPECT_FALSE(readStoryboardFile((folder / place.sheet).string(), problem));
            EXPECT_EQ(problem, place.named + c.problem);
        }
    }
}

TEST(StoryboardNote, ASidecarThatCannotBeReadIsRefusedByName)
{
    TempFolder folder;
    writeSheet(folder / "unit.png", noteText(70));
    std::filesystem::create_directory(folder / "unit.kinetra.json");
    std::string problem;
    EXPECT_FALSE(readStoryboardFile((folder / "unit.png").string(), problem));
    EXPECT_EQ(problem, "unit.kinetra.json: the file cannot be read.");
}

TEST(StoryboardNote, TheSidecarWinsOverTheTextChunkAndSaysSoWhereTheyDiffer)
{
    const struct {
        const char* what;
        std::string textChunk;
        std::string sidecar;
        std::optional<std::uint32_t> speed;
        bool overruled;
    } cases[] = {
        {"both the same", noteText(70), noteText(70), 70, false},
        {"a sidecar edited by hand", noteText(70), noteText(90), 90, true},
        {"a text chunk no note", "{\"format\": 1}", noteText(90), 90, true},
        {"the text chunk alone", noteText(70), "", 70, false},
        {"the sidecar alone", "", noteText(90), 90, false},
        {"no note at all", "", "", std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        writeSheet(folder / "unit.png", c.textChunk);
        if (!c.sidecar.empty())
            writeText(folder / "unit.kinetra.json", c.sidecar);
        std::string problem;
        const auto picture = readStoryboardFile((folder / "unit.png").string(), problem);
        ASSERT_TRUE(picture) << problem;
        EXPECT_EQ(picture->note.has_value(), c.speed.has_value());
        if (picture->note) {
            EXPECT_EQ(picture->note->facts.speed, c.speed);
        }
        EXPECT_EQ(picture->textNoteOverruled, c.overruled);
    }
}

TEST(StoryboardNote, ASpeedGivenByHandTimesTheAnimationAnewUnlessItsTimeIsGiven)
{
    StoryboardPicture picture;
    picture.width = 2 * 3;
    picture.height = 8 * 4;
    picture.indexed = true;
    picture.indices = IndexImage(picture.width, picture.height);
    picture.note.emplace().facts = gridFacts(70);
    picture.note->facts.animationTime = 999;

    const struct {
        const char* what;
        std::optional<std::uint32_t> speed;
        std::optional<std::uint32_t> animationTime;
        std::uint32_t expectedTime;
    } cases[] = {
        {"the note's time", std::nullopt, std::nullopt, 999},
        {"a new speed, two frames a direction", 40, std::nullopt, 80},
        {"a new speed and time", 40, 1234, 1234},
        {"a new time alone", std::nullopt, 777, 777},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StoryboardFacts overrides;
        overrides.speed = c.speed;
        overrides.animationTime = c.animationTime;
        std::string problem;
        const auto built = buildFromStoryboard(picture, overrides, std::nullopt, problem);
        ASSERT_TRUE(built) << problem;
        EXPECT_EQ(built->layout.animationTime, c.expectedTime);
        EXPECT_EQ(built->layout.speed, c.speed.value_or(70));
    }
}

TEST(StoryboardNote, AGridOfMoreFramesThanAFileHoldsIsRefusedBeforeItIsCut)
{
    // Counts each in range whose product is not: the sheet is one pixel a
    // cell, and 32768 one-pixel frames would be cut for nothing.
    StoryboardPicture picture;
    picture.width = 4096;
    picture.height = 8;
    picture.indexed = true;
    picture.indices = IndexImage(picture.width, picture.height);
    std::string problem;
    StoryboardFacts facts = gridFacts(70);
    facts.framesPerDirection = 4096;
    EXPECT_FALSE(buildFromStoryboard(picture, facts, std::nullopt, problem));
    EXPECT_EQ(problem, "The storyboard holds 32768 frames; an FLC file holds at most 32767.");
}

TEST(StoryboardNote, ALayoutOfPicturesIsWrittenAndReadBackAndAPlainSheetSaysNone)
{
    for (const StoryboardLayoutKind kind :
         {StoryboardLayoutKind::Sheet, StoryboardLayoutKind::Filmstrips, StoryboardLayoutKind::Cels}) {
        SCOPED_TRACE(std::string(storyboardLayoutName(kind)));
        StoryboardNote note;
        note.facts = gridFacts(70);
        note.layoutKind = kind;
        if (kind != StoryboardLayoutKind::Sheet)
            note.pictures = {"unit_1_SW.bmp", "unit_2_S.bmp"};
        const std::string text = writeStoryboardNote(note);
        EXPECT_EQ(text.find("\"layout\"") != std::string::npos, kind != StoryboardLayoutKind::Sheet) << text;
        std::string problem;
        const auto read = readStoryboardNote(text, problem);
        ASSERT_TRUE(read) << problem;
        EXPECT_EQ(read->layoutKind, kind);
        EXPECT_EQ(read->pictures, note.pictures);
        EXPECT_EQ(storyboardLayoutKindOf(storyboardLayoutName(kind)), kind);
    }
    EXPECT_FALSE(storyboardLayoutKindOf("strips"));
}

} // namespace
} // namespace kinetra
