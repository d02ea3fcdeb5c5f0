// Storyboard notes through build and join: a wrong fact anywhere a note is
// found ends with status 1 and the sentence that names the file and the
// fact, the sidecar wins over the PNG's text chunk, the layout options
// reach the header, and no command writes over what it reads.

#include "CliFixtures.h"
#include "CliRunner.h"

#include "flc/CFlcAnimation.h"
#include "flc/FlcEncoder.h"
#include "formats/PngFile.h"
#include "palette/PaletteFiles.h"
#include "storyboard/StoryboardBuild.h"
#include "tests/core/StoryboardNoteCases.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kinetra::clitest {
namespace {

namespace fs = std::filesystem;

// Empty text too, which writeBytes takes for a failed encoder.
void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string textOf(const std::string& path)
{
    const auto bytes = fileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

class CliStoryboardNotes : public ::testing::Test {
protected:
    void SetUp() override
    {
        game = writeGameFixture(dir);
        sheet = dir.file("unit.png");
        sidecar = dir.file("unit.kinetra.json");
        ASSERT_EQ(run({"storyboard", game.path, "--out", sheet}).status, 0) << last.err;
    }

    CliResult run(const std::vector<std::string>& args)
    {
        last = runCli(args);
        return last;
    }

    // The fixture's sheet as a PNG whose text chunk holds `note`.
    void writeSheetWithTextChunk(const std::string& note)
    {
        CFlcAnimation animation;
        ASSERT_EQ(animation.Load(game.path, true), kOk);
        std::string problem;
        const auto storyboard = makeStoryboard(animation, animation.header, std::nullopt, problem);
        ASSERT_TRUE(storyboard) << problem;
        const std::array texts{PngText{std::string(kStoryboardTextKey), note}};
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(encodeIndexedPng(storyboard->sheet, storyboard->palette, texts, bytes, problem)) << problem;
        writeBytes(sheet, bytes);
    }

    FlcHeader headerOf(const std::string& path)
    {
        CFlcAnimation animation;
        EXPECT_EQ(animation.Load(path, true), kOk) << path;
        return animation.header;
    }

    TempDir dir;
    GameFixture game;
    std::string sheet;
    std::string sidecar;
    CliResult last;
};

TEST_F(CliStoryboardNotes, AWrongFactInAnyNoteIsRefusedByItsFileAndName)
{
    const std::string out = dir.file("out.flc");
    const std::string folder = dir.file("split");
    ASSERT_EQ(run({"split", game.path, "--out-dir", folder}).status, 0) << last.err;
    const std::string splitNote = (fs::path(folder) / "unit.kinetra.json").string();
    const std::string sheetNote = textOf(sidecar);

    for (const test::BadNoteCase& c : test::badNoteCases()) {
        SCOPED_TRACE(c.json);
        // In the sidecar, beside the sheet's own good text chunk.
        writeText(sidecar, c.json);
        EXPECT_EQ(run({"build", sheet, "--out", out}).status, 1);
        EXPECT_EQ(last.err, '\'' + sheet + "'\nunit.kinetra.json: " + c.problem + '\n');

        // In the text chunk of a sheet without a sidecar.
        if (!c.json.empty()) {
            fs::remove(sidecar);
            writeSheetWithTextChunk(c.json);
            EXPECT_EQ(run({"build", sheet, "--out", out}).status, 1);
            EXPECT_EQ(last.err, '\'' + sheet + "'\nunit.png (text chunk): " + c.problem + '\n');
        }

        // In a split folder's note.
        writeText(splitNote, c.json);
        EXPECT_EQ(run({"join", folder, "--out", out}).status, 1);
        EXPECT_EQ(last.err, '\'' + folder + "'\nunit.kinetra.json: " + c.problem + '\n');
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST_F(CliStoryboardNotes, TheSidecarWinsOverTheTextChunkAndBuildSaysSo)
{
    const std::string out = dir.file("out.flc");
    const std::string used = sidecar + ": used instead of the PNG's text chunk, which differs\n";
    ASSERT_EQ(run({"build", sheet, "--out", out}).status, 0) << last.err;
    EXPECT_EQ(last.out.find(used), std::string::npos) << last.out;

    // The user slows the unit down in the sidecar; the text chunk still
    // holds the speed the sheet was written with.
    std::string note = textOf(sidecar);
    const std::size_t speed = note.find("\"speed\": 70");
    ASSERT_NE(speed, std::string::npos) << note;
    note.replace(speed, 11, "\"speed\": 90");
    writeText(sidecar, note);
    ASSERT_EQ(run({"build", sheet, "--out", out}).status, 0) << last.err;
    EXPECT_EQ(last.out.find(used), 0u) << last.out;
    EXPECT_EQ(headerOf(out).speed, 90u);
}

TEST_F(CliStoryboardNotes, SpeedAndAnimationTimeReachTheHeader)
{
    const std::uint32_t fileTime = headerOf(game.path).animationTime;
    const std::uint32_t perDirection = GameFixture::kFramesPerDirection;
    const struct {
        std::vector<std::string> options;
        std::uint32_t speed;
        std::uint32_t animationTime;
    } cases[] = {
        {{}, 70, fileTime},
        {{"--speed", "40"}, 40, 40 * perDirection},
        {{"--speed", "40", "--animation-time", "1000"}, 40, 1000},
        {{"--animation-time", "500"}, 70, 500},
    };
    const std::string folder = dir.file("split");
    ASSERT_EQ(run({"split", game.path, "--out-dir", folder}).status, 0) << last.err;
    for (const auto& c : cases) {
        for (const std::string command : {"build", "join"}) {
            SCOPED_TRACE(command + ' ' + std::to_string(c.options.size()));
            const std::string out = dir.file(command + ".flc");
            std::vector<std::string> args{command, command == "build" ? sheet : folder, "--out", out};
            args.insert(args.end(), c.options.begin(), c.options.end());
            ASSERT_EQ(run(args).status, 0) << last.err;
            const FlcHeader header = headerOf(out);
            EXPECT_EQ(header.speed, c.speed);
            EXPECT_EQ(header.animationTime, c.animationTime);
        }
    }
    EXPECT_EQ(run({"build", sheet, "--out", dir.file("x.flc"), "--animation-time", "soon"}).status, 2);
    EXPECT_EQ(last.err.find("kinetra-cli build: --animation-time takes milliseconds from 0 to 4294967295, not 'soon'\n"), 0u)
        << last.err;
}

TEST_F(CliStoryboardNotes, NoCommandWritesOverWhatItReads)
{
    const std::string folder = dir.file("split");
    ASSERT_EQ(run({"split", game.path, "--out-dir", folder}).status, 0) << last.err;
    const std::string palette = dir.file("game.act");
    writeBytes(palette, encodePalette(game.palette, PaletteFormat::Act));
    const std::string west = (fs::path(folder) / "unit_8_W.flc").string();
    const std::string splitNote = (fs::path(folder) / "unit.kinetra.json").string();
    const std::string westLink = dir.file("west.flc");
    fs::create_symlink(west, westLink);

    const struct {
        std::vector<std::string> args;
        std::string refusal;
        std::string input;
    } cases[] = {
        {{"build", sheet, "--out", sidecar}, "--out must not be the storyboard's note", sidecar},
        {{"build", sheet, "--out", sheet}, "--out must not be the storyboard itself", sheet},
        {{"build", sheet, "--palette", palette, "--out", palette}, "--out must not be the palette's file", palette},
        {{"join", folder, "--out", splitNote}, "--out must not be the split's note", splitNote},
        {{"join", folder, "--out", west}, "--out must not be a direction file of the split", west},
        {{"join", folder, "--out", westLink}, "--out must not be a direction file of the split", west},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const auto before = fileBytes(c.input);
        EXPECT_EQ(run(c.args).status, 2);
        EXPECT_EQ(last.err.find("kinetra-cli " + c.args[0] + ": " + c.refusal + "\n\n"), 0u) << last.err;
        EXPECT_EQ(fileBytes(c.input), before);
    }

    // A sheet that has its note in the text chunk alone: the sidecar's
    // place is still the note's, by any spelling of it.
    fs::remove(sidecar);
    const std::string spelt = (dir.path() / "split" / ".." / "unit.kinetra.json").string();
    EXPECT_EQ(run({"build", sheet, "--out", spelt}).status, 2);
    EXPECT_EQ(last.err.find("kinetra-cli build: --out must not be the storyboard's note\n"), 0u) << last.err;
    EXPECT_FALSE(fs::exists(sidecar));
}

TEST_F(CliStoryboardNotes, AUnitTooLongForASheetStillSplitsAndJoins)
{
    // One direction of 656 frames of 100 pixels: a sheet 65600 pixels wide.
    encoder::GameAnimation animation;
    animation.width = 100;
    animation.height = 2;
    animation.directions = 1;
    animation.framesPerDirection = 656;
    animation.speed = 50;
    animation.palette = distinctPalette();
    for (int i = 0; i < 656; ++i)
        animation.images.push_back(patternImage(100, 2, i));
    const std::string unit = dir.file("long.flc");
    writeBytes(unit, encoder::buildGameAnimation(animation));

    EXPECT_EQ(run({"storyboard", unit, "--out", dir.file("long.png")}).status, 1);
    EXPECT_EQ(last.err, '\'' + unit + "'\nThe storyboard would be larger than 65535 pixels on a side.\n");
    const std::string folder = dir.file("long");
    ASSERT_EQ(run({"split", unit, "--out-dir", folder}).status, 0) << last.err;
    ASSERT_EQ(run({"join", folder, "--out", dir.file("joined.flc")}).status, 0) << last.err;
    EXPECT_EQ(fileBytes(dir.file("joined.flc")), fileBytes(unit));
}

TEST_F(CliStoryboardNotes, ASplitWhoseNameNoNoteCanHoldIsRefused)
{
    const std::string named = dir.file("\xffunit.flc");
    fs::copy_file(game.path, named);
    const std::string folder = dir.file("split");
    EXPECT_EQ(run({"split", named, "--out-dir", folder}).status, 1);
    EXPECT_EQ(last.err, '\'' + named + "'\nThe file's name is not UTF-8 text, which the split's note cannot hold.\n");
    EXPECT_FALSE(fs::exists(folder));
}

} // namespace
} // namespace kinetra::clitest
