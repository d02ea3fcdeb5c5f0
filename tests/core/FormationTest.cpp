// Formation files combined into units from the files they name: one
// figure alone gives back its unit, storyboards serve as FLC files do,
// another palette is mapped into the first's, the options win, every file
// is listed for a window to watch, and each refusal names the figure and
// the fact.

#include "PlayerCoreFixture.h"

#include "flc/CFlcAnimation.h"
#include "flc/FlcEncoder.h"
#include "storyboard/Formation.h"
#include "storyboard/StoryboardFile.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kinetra {
namespace {

using test::TempFolder;

// A unit of `directions` × `perDirection` frames of 60 × 50 at 30, 40:
// every index class in a body over a transparent margin.
encoder::GameAnimation noiseUnit(int directions, int perDirection, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> index(0, 255);
    encoder::GameAnimation unit;
    unit.width = 60;
    unit.height = 50;
    unit.directions = directions;
    unit.framesPerDirection = perDirection;
    unit.speed = 55;
    unit.leftOffset = 30;
    unit.topOffset = 40;
    for (int i = 0; i < 256; ++i)
        unit.palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7));
    for (int i = 0; i < directions * perDirection; ++i) {
        IndexImage& image = unit.images.emplace_back(unit.width, unit.height);
        for (int y = 0; y < unit.height; ++y) {
            for (int x = 0; x < unit.width; ++x)
                image.row(y)[x] = std::uint8_t(x > 10 && y > 5 && y < 45 ? index(random) : 255);
        }
    }
    return unit;
}

// Each frame as it lies on the game's 240 × 240 picture, row after row.
std::vector<std::vector<std::uint8_t>> onPicture(const CFlcAnimation& animation)
{
    std::vector<std::vector<std::uint8_t>> pictures;
    for (const IndexImage& frame : animationFrames(animation)) {
        IndexImage picture(240, 240);
        std::ranges::fill(picture.pixels, std::uint8_t(255));
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x)
                picture.row(animation.header.topOffset + y)[animation.header.leftOffset + x] = frame.at(x, y);
        }
        pictures.push_back(std::move(picture.pixels));
    }
    return pictures;
}

class Formations : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return (folder / name).string(); }
    void writeText(const std::string& name, const std::string& text) const
    {
        test::writeFile(folder / name, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    void writeUnit(const std::string& name, const encoder::GameAnimation& unit) const
    {
        test::writeFile(folder / name, encoder::buildGameAnimation(unit));
    }
    // A formation of these figures, as JSON objects.
    void writeFormation(const std::vector<std::string>& figures) const
    {
        std::string list;
        for (const std::string& figure : figures)
            list += (list.empty() ? "" : ", ") + figure;
        writeText("squad.formation.json", R"({"format": "kinetra-formation", "figures": [)" + list + "]}");
    }
    FormationBuild combine(const CombineOptions& options = {})
    {
        return combineFormation(path("squad.formation.json"), options, problem);
    }
    std::unique_ptr<CFlcAnimation> load(const StoryboardBuild& unit) const
    {
        auto animation = std::make_unique<CFlcAnimation>();
        EXPECT_EQ(animation->LoadFromMemory(unit.file, true), kOk);
        return animation;
    }

    TempFolder folder;
    std::string problem;
};

TEST_F(Formations, OneFigureAtTheCentreGivesBackItsUnit)
{
    for (const int directions : {8, 1}) {
        const encoder::GameAnimation unit = noiseUnit(directions, 4, 7);
        writeUnit("walk.flc", unit);
        writeFormation({R"({"source": "walk.flc", "forward": 0, "right": 0, "frameOffset": 0})"});
        const FormationBuild build = combine();
        ASSERT_TRUE(build.unit) << problem;
        EXPECT_EQ(build.cutPixels, 0u);
        CFlcAnimation original;
        ASSERT_EQ(original.Load(path("walk.flc"), true), kOk);
        const auto combined = load(*build.unit);
        EXPECT_EQ(combined->header.directions, directions);
        EXPECT_EQ(combined->header.framesPerDirection, 4);
        EXPECT_EQ(combined->header.speed, 55u);
        EXPECT_EQ(combined->filePalette, unit.palette);
        // Every frame the same on the game's picture, though cut to what
        // shows.
        EXPECT_LT(combined->header.width, unit.width);
        EXPECT_TRUE(onPicture(*combined) == onPicture(original)) << directions << " directions";
    }
}

TEST_F(Formations, AStoryboardServesAsItsUnitDoes)
{
    writeUnit("walk.flc", noiseUnit(8, 3, 11));
    CFlcAnimation animation;
    ASSERT_EQ(animation.Load(path("walk.flc"), true), kOk);
    const auto storyboard = makeStoryboard(animation, animation.header, std::nullopt, problem);
    std::optional<WriteFailure> refused;
    ASSERT_TRUE(storyboard && writeStoryboardFile(path("walk.png"), *storyboard, problem, refused)) << problem;

    const auto figures = [](const std::string& source) {
        return std::vector<std::string>{R"({"source": ")" + source + R"(", "forward": 10, "right": -20})",
                                        R"({"source": ")" + source + R"(", "forward": -12, "frameOffset": 2})"};
    };
    writeFormation(figures("walk.flc"));
    const FormationBuild fromFlc = combine();
    ASSERT_TRUE(fromFlc.unit) << problem;
    EXPECT_EQ(fromFlc.files, (std::vector<std::string>{path("squad.formation.json"), path("walk.flc")}));
    writeFormation(figures("walk.png"));
    const FormationBuild fromSheet = combine();
    ASSERT_TRUE(fromSheet.unit) << problem;
    EXPECT_EQ(fromSheet.unit->file, fromFlc.unit->file);
    EXPECT_EQ(fromSheet.files,
              (std::vector<std::string>{path("squad.formation.json"), path("walk.png"), path("walk.kinetra.json")}));
}

TEST_F(Formations, AnotherPaletteIsMappedIntoTheFirstsKeepingClasses)
{
    // The second unit's entries 64 and 65 swapped and its shadows black;
    // each unit shows a few pixels at 30, 40.
    encoder::GameAnimation first = noiseUnit(8, 1, 3);
    encoder::GameAnimation second = noiseUnit(8, 1, 4);
    std::swap(second.palette[64], second.palette[65]);
    std::fill(second.palette.begin() + 240, second.palette.end() - 1, PaletteEntry{});
    for (std::size_t i = 0; i < 8; ++i) {
        std::ranges::fill(first.images[i].pixels, std::uint8_t(255));
        first.images[i].pixels[4] = 100;
        second.images[i].pixels.assign(second.images[i].pixels.size(), 255);
        std::ranges::copy(std::vector<std::uint8_t>{64, 65, 247, 3}, second.images[i].pixels.begin());
    }
    writeUnit("first.flc", first);
    writeUnit("second.flc", second);
    writeFormation({R"({"source": "first.flc"})", R"({"source": "second.flc"})"});
    const FormationBuild build = combine();
    ASSERT_TRUE(build.unit) << problem;
    EXPECT_TRUE(build.unit->mappedByColour);
    EXPECT_EQ(build.unit->approximated.total(), 0u);
    const auto combined = load(*build.unit);
    EXPECT_EQ(combined->filePalette, first.palette);
    for (const auto& picture : onPicture(*combined)) {
        const auto row = picture.begin() + 40 * 240 + 30;
        EXPECT_EQ(std::vector<int>(row, row + 5), (std::vector<int>{65, 64, 247, 3, 100}));
    }
}

TEST_F(Formations, TheOptionsGiveTheFramesAndTheSpeed)
{
    writeUnit("walk.flc", noiseUnit(8, 4, 5));
    writeFormation({R"({"source": "walk.flc"})"});
    const FormationBuild build = combine({.framesPerDirection = 6, .speed = 120});
    ASSERT_TRUE(build.unit) << problem;
    const auto combined = load(*build.unit);
    EXPECT_EQ(combined->header.framesPerDirection, 6);
    EXPECT_EQ(combined->header.speed, 120u);
    EXPECT_EQ(combined->frames.size(), 48u);

    EXPECT_FALSE(combine({.framesPerDirection = 300, .speed = std::nullopt}).unit);
    EXPECT_EQ(problem, "8 directions of 300 frames: a combined unit holds 1 to 2330 frames.");
}

TEST_F(Formations, RefusalsNameTheFigureAndTheFact)
{
    writeUnit("unit.flc", noiseUnit(8, 2, 1));
    writeUnit("one.flc", noiseUnit(1, 2, 2));
    encoder::GameAnimation seven = noiseUnit(8, 1, 3);
    seven.directions = 7;
    seven.images.resize(7);
    writeUnit("seven.flc", seven);
    encoder::GameAnimation clear = noiseUnit(8, 1, 3);
    for (IndexImage& image : clear.images)
        std::ranges::fill(image.pixels, std::uint8_t(255));
    writeUnit("clear.flc", clear);
    test::writeFile(folder / "plain.flc", encoder::buildPlainFlc(Palette{}, noiseUnit(1, 3, 4).images, 50));
    writeText("notes.txt", "not an animation");
    const struct {
        std::vector<std::string> figures;
        std::string problem;
    } cases[] = {
        {{R"({"source": "unit.flc"})", R"({"source": "one.flc"})"},
         "figure 2 (one.flc) has 1 direction, but figure 1 (unit.flc) has 8: the figures of a formation all have "
         "as many directions."},
        {{R"({"source": "unit.flc"})", R"({"source": "gone.flc"})"}, "figure 2 (gone.flc): the file is missing."},
        {{R"({"source": "plain.flc"})"}, "figure 1 (plain.flc): the file is a plain FLC, not a unit: it has no directions."},
        {{R"({"source": "seven.flc"})"}, "figure 1 (seven.flc): the unit has 7 directions; a figure has 8 or 1."},
        {{R"({"source": "unit.flc"})", R"({"source": "notes.txt"})"},
         "figure 2 (notes.txt): the file is not an FLC animation that Kinetra can read."},
        {{R"({"source": "clear.flc"})"}, "Nothing shows in any frame: every pixel is transparent."},
        {{R"({"source": "unit.flc"})", R"({"source": "unit.flc", "right": 300})"},
         "squad.formation.json: figure 2 (unit.flc): right must be a whole number from -240 to 240."},
    };
    for (const auto& c : cases) {
        writeFormation(c.figures);
        EXPECT_FALSE(combine().unit) << c.problem;
        EXPECT_EQ(problem, c.problem);
    }
}

TEST_F(Formations, EveryFileIsListedAlsoWhenRefused)
{
    writeUnit("unit.flc", noiseUnit(8, 2, 1));
    writeFormation({R"({"source": "unit.flc"})", R"({"source": "gone.png"})", R"({"source": "./unit.flc"})"});
    EXPECT_EQ(combine().files, (std::vector<std::string>{path("squad.formation.json"), path("unit.flc"),
                                                         path("gone.png"), path("gone.kinetra.json")}));
    writeText("squad.formation.json", "{");
    EXPECT_EQ(combine().files, (std::vector<std::string>{path("squad.formation.json")}));
}

} // namespace
} // namespace kinetra
