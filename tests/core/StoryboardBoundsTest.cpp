// What a storyboard may cost: sheets up to the pixel ceiling both ways,
// notes up to 1 MiB, splits of the game's eight directions at most, each
// named once; beyond them a refusal that says so, before the cost is paid.

#include "TestSupport.h"

#include "flc/CFlcAnimation.h"
#include "flc/FlcEncoder.h"
#include "formats/PngFile.h"
#include "storyboard/DirectionFiles.h"
#include "storyboard/StoryboardFile.h"

#include "PngChunks.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace kinetra {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(DirectionFiles, AGameUnitsEightEachOnceAndAsTheNoteCounts)
{
    const std::vector<std::string> eight{"1.flc", "2.flc", "3.flc", "4.flc", "5.flc", "6.flc", "7.flc", "8.flc"};
    std::vector<std::string> nine = eight;
    nine.push_back("9.flc");
    StoryboardFacts counted;
    counted.directions = 8;
    struct Case {
        const char* what;
        std::vector<std::string> names;
        StoryboardFacts facts;
        const char* problem;
    };
    const Case cases[] = {
        {"eight as counted", eight, counted, ""},
        {"eight, uncounted", eight, {}, ""},
        {"one", {"unit.flc"}, {}, ""},
        {"none", {}, {}, "The note names no direction files."},
        {"nine", nine, {}, "The note names 9 direction files; a split holds at most 8."},
        {"one file twice", {"a.flc", "b.flc", "a.flc"}, {}, "The note names the direction file 'a.flc' more than once."},
        {"names that differ in case only", {"a.flc", "A.flc"}, {}, ""},
        {"fewer than counted", {"a.flc", "b.flc"}, counted, "The note gives 8 directions but names 2 direction files."},
    };
    for (const Case& c : cases) {
        std::string problem;
        EXPECT_EQ(checkDirectionFiles(c.names, c.facts, problem), *c.problem == '\0') << c.what;
        EXPECT_EQ(problem, c.problem) << c.what;
    }
}

TEST(StoryboardBounds, TheCeilingHoldsEightDirectionsOf36FullFrames)
{
    std::string problem;
    EXPECT_TRUE(storyboardSizeFits(36 * 241 + 1, 8 * 241 + 1, problem));
    EXPECT_TRUE(storyboardSizeFits(4096, 4096, problem));
    EXPECT_TRUE(storyboardSizeFits(kMaxStoryboardPixels, 1, problem));
    EXPECT_TRUE(problem.empty()) << problem;
    EXPECT_FALSE(storyboardSizeFits(4097, 4096, problem));
    EXPECT_EQ(problem, "A sheet of 4097 x 4096 pixels is more than the 16777216 pixels a storyboard holds.");
    EXPECT_FALSE(storyboardSizeFits(0xFFFFFFFF, 0xFFFFFFFF, problem));
}

TEST(StoryboardBounds, NoSheetIsWrittenThatCouldNotBeReadBack)
{
    const Bytes file = encoder::buildPlainFlc(Palette{}, {IndexImage(4097, 4096)}, 50);
    CFlcAnimation animation;
    ASSERT_EQ(animation.LoadFromMemory(file, true), kOk);
    std::string problem;
    EXPECT_FALSE(makeStoryboard(animation, animation.header, std::nullopt, problem));
    EXPECT_NE(problem.find("4097 x 4096 pixels is more than"), std::string::npos) << problem;
}

TEST(StoryboardBounds, SplitsHoldAtMostEightDirections)
{
    encoder::GameAnimation unit;
    unit.width = 2;
    unit.height = 2;
    unit.directions = 9;
    unit.framesPerDirection = 1;
    unit.speed = 50;
    unit.images.assign(9, IndexImage(2, 2));
    CFlcAnimation animation;
    ASSERT_EQ(animation.LoadFromMemory(encoder::buildGameAnimation(unit), true), kOk);
    std::string problem;
    EXPECT_FALSE(splitDirections(animation, animation.header, problem));
    EXPECT_EQ(problem, "The file has 9 directions; a split holds at most 8.");
}

TEST(StoryboardBounds, NotesOfAnyShapeAreRefusedAndNeverThrow)
{
    // What the note fuzzer found first: a format that is no text threw.
    const char* shapes[] = {R"({"format": 1})", R"({"format": ["kinetra-storyboard"]})", R"({"format": null})",
                            R"(["kinetra-storyboard"])", R"("kinetra-storyboard")", ""};
    for (const char* text : shapes) {
        std::string problem;
        EXPECT_FALSE(readStoryboardNote(text, problem)) << text;
        // The sentences themselves are the note table's (StoryboardNoteCases.h).
        EXPECT_FALSE(problem.empty()) << text;
    }
}

class StoryboardNoteBounds : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() / ("kinetra-bounds-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string path(const char* name) const { return (folder / name).string(); }

    static void write(const std::string& path, std::string_view text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }

    // A sheet of one 4 x 2 frame, with `textNote` in its text chunk.
    std::string sheetWithNote(const std::string& textNote)
    {
        Bytes png;
        std::string problem;
        const std::array texts{PngText{std::string(kStoryboardTextKey), textNote}};
        EXPECT_TRUE(encodeIndexedPng(IndexImage(4, 2), Palette{}, texts, png, problem)) << problem;
        std::ofstream(path("sheet.png"), std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                                 std::streamsize(png.size()));
        return path("sheet.png");
    }

    std::filesystem::path folder;
};

std::string noteOf(int speed)
{
    StoryboardFacts facts;
    facts.directions = 1;
    facts.framesPerDirection = 1;
    facts.speed = std::uint32_t(speed);
    StoryboardNote note;
    note.facts = facts;
    return writeStoryboardNote(note);
}

TEST_F(StoryboardNoteBounds, ATextChunkNoteOverOneMebibyteGivesWayToTheSidecar)
{
    // Spaces keep the text a valid note of any length.
    std::string padded = noteOf(10);
    padded.insert(1, kMaxStoryboardNoteBytes - padded.size(), ' ');
    std::string problem;
    auto read = readStoryboardFile(sheetWithNote(padded), problem);
    ASSERT_TRUE(read) << problem;
    ASSERT_TRUE(read->note);
    EXPECT_EQ(read->note->facts.speed, 10u);

    padded.insert(1, " ");
    write(path("sheet.kinetra.json"), noteOf(20));
    read = readStoryboardFile(sheetWithNote(padded), problem);
    ASSERT_TRUE(read) << problem;
    ASSERT_TRUE(read->note);
    EXPECT_EQ(read->note->facts.speed, 20u);
}

TEST_F(StoryboardNoteBounds, ANoteFileOverOneMebibyteIsRefusedUnread)
{
    std::string padded = noteOf(30);
    padded.append(kMaxStoryboardNoteBytes - padded.size(), ' ');
    write(path("note.kinetra.json"), padded);
    std::string problem;
    const auto note = readStoryboardNoteFile(path("note.kinetra.json"), problem);
    ASSERT_TRUE(note) << problem;
    EXPECT_EQ(note->facts.speed, 30u);

    write(path("note.kinetra.json"), padded + " ");
    EXPECT_FALSE(readStoryboardNoteFile(path("note.kinetra.json"), problem));
    EXPECT_EQ(problem, "note.kinetra.json: the note is 1048577 bytes; a storyboard note is at most 1048576.");
    EXPECT_FALSE(readStoryboardNoteFile(path("missing.kinetra.json"), problem));
    EXPECT_EQ(problem, "missing.kinetra.json: the file cannot be read.");

    // The sheet's sidecar, named.
    sheetWithNote("");
    write(path("sheet.kinetra.json"), padded + " ");
    EXPECT_FALSE(readStoryboardFile(path("sheet.png"), problem));
    EXPECT_EQ(problem, "sheet.kinetra.json: the note is 1048577 bytes; a storyboard note is at most 1048576.");
}

TEST_F(StoryboardNoteBounds, SheetsOverTheCeilingAreRefusedFromTheirHeader)
{
    const Bytes png = test::pngClaiming({.width = 4097, .height = 4096, .colourType = 3});
    std::ofstream(path("big.png"), std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                           std::streamsize(png.size()));
    std::string problem;
    EXPECT_FALSE(readStoryboardFile(path("big.png"), problem));
    EXPECT_EQ(problem, "A sheet of 4097 x 4096 pixels is more than the 16777216 pixels a storyboard holds.");
}

} // namespace
} // namespace kinetra
