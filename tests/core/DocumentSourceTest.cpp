// What the window opens a unit from: the kind a name gives, the unit each
// kind builds, and the files it names to watch, the missing and broken ones
// included, since the window waits for those to be saved.

#include "PlayerCoreFixture.h"

#include "flc/CFlcAnimation.h"
#include "storyboard/DocumentSource.h"
#include "storyboard/Formation.h"
#include "storyboard/StoryboardFile.h"
#include "storyboard/StoryboardSet.h"
#include "io/WholeFile.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kinetra {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::TempFolder;

const std::string kUnit = KINETRA_SAMPLES_DIR "/unit.flc";

Bytes unitBytes()
{
    Bytes bytes;
    EXPECT_TRUE(readWholeFile(kUnit, bytes));
    return bytes;
}

Storyboard unitStoryboard()
{
    CFlcAnimation animation;
    EXPECT_EQ(animation.Load(kUnit, true), kOk);
    std::string problem;
    auto storyboard = makeStoryboard(animation, animation.header, std::nullopt, problem);
    EXPECT_TRUE(storyboard) << problem;
    return storyboard ? *storyboard : Storyboard{};
}

// The unit's storyboard written as `name` in `folder` in the layout.
std::string writeUnit(const TempFolder& folder, const std::string& name,
                      StoryboardLayoutKind kind = StoryboardLayoutKind::Sheet)
{
    const std::string path = (folder / name).string();
    std::string problem;
    std::optional<WriteFailure> refused;
    EXPECT_TRUE(writeStoryboardSet(path, unitStoryboard(), kind, problem, refused)) << problem;
    return path;
}

TEST(DocumentSource, TheNameTellsTheKind)
{
    const struct {
        const char* path;
        SourceKind kind;
    } cases[] = {
        {"unit.flc", SourceKind::Animation},
        {"/a/UNIT.FLI", SourceKind::Animation},
        {"cel.cel", SourceKind::Animation},
        {"no-extension", SourceKind::Animation},
        {"unit.json", SourceKind::Animation},
        // A folder's name is not the file's.
        {"sheets.png/unit.flc", SourceKind::Animation},
        {"unit.png", SourceKind::Sheet},
        {"/a/UNIT.PCX", SourceKind::Sheet},
        {"unit.bmp", SourceKind::Sheet},
        {"unit.kinetra.json.png", SourceKind::Sheet},
        {"/a/unit.kinetra.json", SourceKind::PictureSet},
        {"/a/squad.formation.json", SourceKind::Formation},
        {"/a/.formation.json", SourceKind::Animation},
        // A note's ending alone names no note.
        {"/a/.kinetra.json", SourceKind::Animation},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(sourceKindOf(c.path), c.kind);
        EXPECT_EQ(isBuiltSource(c.kind), c.kind != SourceKind::Animation);
    }
}

TEST(DocumentSource, BuiltUnitsAreProposedBesideTheirStoryboard)
{
    EXPECT_EQ(builtAnimationPath("/a/unit.png"), "/a/unit.flc");
    EXPECT_EQ(builtAnimationPath("/a/unit.kinetra.json"), "/a/unit.flc");
    EXPECT_EQ(builtAnimationPath("/a/u.v.BMP"), "/a/u.v.flc");
    EXPECT_EQ(builtAnimationPath("/a/squad.formation.json"), "/a/squad.flc");
}

TEST(DocumentSource, EveryKindBuildsTheUnitAndNamesItsFiles)
{
    const TempFolder folder;
    const std::string flc = (folder / "unit.flc").string();
    ASSERT_TRUE(fs::copy_file(kUnit, flc));
    const std::string sheet = writeUnit(folder, "sheet.png");
    const std::string strips = storyboardNotePath(writeUnit(folder, "strips.pcx", StoryboardLayoutKind::Filmstrips));
    const std::string cels = storyboardNotePath(writeUnit(folder, "cel.bmp", StoryboardLayoutKind::Cels));

    const auto picturesOf = [&folder](const std::string& note) {
        std::vector<std::string> files{note};
        std::string problem;
        const auto read = readStoryboardNoteFile(note, problem);
        EXPECT_TRUE(read) << problem;
        for (const std::string& name : read ? read->pictures : std::vector<std::string>())
            files.push_back((folder / name).string());
        return files;
    };
    const struct {
        std::string path;
        std::vector<std::string> sources;
    } cases[] = {
        {flc, {flc}},
        {sheet, {sheet, storyboardNotePath(sheet)}},
        {strips, picturesOf(strips)},
        {cels, picturesOf(cels)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string problem;
        const auto built = buildSource(c.path, {}, problem);
        ASSERT_TRUE(built) << problem;
        EXPECT_EQ(built->file, unitBytes());
        EXPECT_EQ(built->sources, c.sources);
        EXPECT_EQ(sourceFilesOf(c.path), c.sources);
        for (const std::string& source : c.sources)
            EXPECT_TRUE(fs::exists(source)) << source;
    }
    // The eight filmstrips and the 8 × frames cels, each beside its note.
    EXPECT_EQ(cases[2].sources.size(), 9u);
    EXPECT_GT(cases[3].sources.size(), 9u);

    // A formation is the unit its figures combine into, made of the
    // formation and every file of every figure's source.
    const std::string squad = (folder / "squad.formation.json").string();
    std::ofstream(squad) << R"({"format": "kinetra-formation", "version": 1, "figures": [)"
                            R"({"source": "unit.flc"}, {"source": "sheet.png", "right": 20}]})";
    std::string problem;
    const auto built = buildSource(squad, {}, problem);
    ASSERT_TRUE(built) << problem;
    const FormationBuild combined = combineFormation(squad, {}, problem);
    ASSERT_TRUE(combined.unit) << problem;
    EXPECT_EQ(built->file, combined.unit->file);
    const std::vector<std::string> squadFiles{squad, flc, sheet, storyboardNotePath(sheet)};
    EXPECT_EQ(built->sources, squadFiles);
    EXPECT_EQ(sourceFilesOf(squad), squadFiles);
}

TEST(DocumentSource, ASheetWithoutItsNoteBuildsFromTheUsersFacts)
{
    const TempFolder folder;
    // A PCX has no text chunk: without the sidecar nothing says the layout.
    const std::string sheet = writeUnit(folder, "drawn.pcx");
    ASSERT_TRUE(fs::remove(storyboardNotePath(sheet)));
    std::string problem;
    const auto picture = readStoryboardFile(sheet, problem);
    ASSERT_TRUE(picture) << problem;
    EXPECT_TRUE(sheetLacksLayout(*picture));
    EXPECT_FALSE(sheetLacksPalette(*picture));

    EXPECT_FALSE(buildSource(sheet, {}, problem));
    EXPECT_FALSE(problem.empty());

    // The picture's palette is the unit's made distinct; given the unit's
    // own, the file is the unit's again.
    SourceOptions options;
    options.facts = unitStoryboard().layout.facts();
    options.palette = unitStoryboard().palette;
    const auto built = buildSheetSource(sheet, *picture, options, problem);
    ASSERT_TRUE(built) << problem;
    EXPECT_EQ(built->file, unitBytes());
    // The sidecar is watched for, though not there yet.
    EXPECT_EQ(built->sources, (std::vector<std::string>{sheet, storyboardNotePath(sheet)}));
    const auto again = buildSource(sheet, options, problem);
    ASSERT_TRUE(again) << problem;
    EXPECT_EQ(again->file, built->file);
}

TEST(DocumentSource, RefusalsSayWhyAndTheFilesToWaitForStayNamed)
{
    const TempFolder folder;
    const std::string sheet = writeUnit(folder, "half.png");
    Bytes whole;
    ASSERT_TRUE(readWholeFile(sheet, whole));
    {
        // A save caught halfway.
        std::ofstream out(sheet, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(whole.data()), std::streamsize(whole.size() / 2));
    }
    const std::string note = storyboardNotePath(writeUnit(folder, "strips.png", StoryboardLayoutKind::Filmstrips));
    const std::vector<std::string> strips = sourceFilesOf(note);
    ASSERT_EQ(strips.size(), 9u);
    ASSERT_TRUE(fs::remove(strips[3]));

    const struct {
        std::string path;
        std::string reasonHas;
        std::vector<std::string> sources;
    } cases[] = {
        {sheet, "picture", {sheet, storyboardNotePath(sheet)}},
        {note, fs::path(strips[3]).filename().string(), strips},
        {(folder / "gone.flc").string(), "gone.flc", {(folder / "gone.flc").string()}},
        {(folder / "gone.kinetra.json").string(), "gone.kinetra.json", {(folder / "gone.kinetra.json").string()}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string problem;
        EXPECT_FALSE(buildSource(c.path, {}, problem));
        EXPECT_NE(problem.find(c.reasonHas), std::string::npos) << problem;
        EXPECT_EQ(sourceFilesOf(c.path), c.sources);
    }
}

} // namespace
} // namespace kinetra
