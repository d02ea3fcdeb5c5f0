// Storyboards whose palette a program changed: reordered, compacted, saved
// in true colour or with noise in it. The pixels name their entries by
// colour, through the sheet's palette of distinct colours and the note's
// true colours, so every such sheet builds the unit it came from.

#include "CrowdedUnit.h"

#include "flc/CFlcAnimation.h"
#include "flc/FlcEncoder.h"
#include "formats/DistinctPalette.h"
#include "formats/PaletteMapping.h"
#include "storyboard/StoryboardBuild.h"
#include "io/WholeFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <random>
#include <unordered_map>

namespace kinetra {
namespace {

using encoder::Bytes;

using test::crowdedPalette;
using test::crowdedUnit;

Bytes sampleUnit()
{
    Bytes bytes;
    EXPECT_TRUE(readWholeFile(KINETRA_SAMPLES_DIR "/unit.flc", bytes));
    return bytes;
}

struct Sheet {
    Storyboard storyboard;
    StoryboardNote note;
    Palette colours{}; // the palette the picture file holds
};

Sheet sheetOf(const Bytes& file)
{
    CFlcAnimation animation;
    EXPECT_EQ(animation.LoadFromMemory(file, true), kOk);
    std::string problem;
    auto storyboard = makeStoryboard(animation, animation.header, std::nullopt, problem);
    EXPECT_TRUE(storyboard) << problem;
    Sheet sheet{*storyboard, {}, {}};
    sheet.note.facts = storyboard->layout.facts();
    sheet.note.palette = storyboard->palette;
    sheet.colours = withDistinctColours(storyboard->palette);
    return sheet;
}

StoryboardPicture indexedPicture(const Sheet& sheet)
{
    StoryboardPicture picture;
    picture.width = sheet.storyboard.sheet.width;
    picture.height = sheet.storyboard.sheet.height;
    picture.indexed = true;
    picture.indices = sheet.storyboard.sheet;
    picture.palette = sheet.colours;
    picture.paletteSize = 256;
    picture.note = sheet.note;
    return picture;
}

StoryboardPicture trueColourPicture(const Sheet& sheet)
{
    StoryboardPicture picture = indexedPicture(sheet);
    picture.indexed = false;
    picture.argb.clear();
    for (const std::uint8_t index : sheet.storyboard.sheet.pixels)
        picture.argb.push_back(sheet.colours[index].pixel());
    picture.indices = {};
    picture.palette = {};
    picture.paletteSize = 0;
    return picture;
}

// The palette reversed, as a converter that sorts colours might leave it.
StoryboardPicture reordered(StoryboardPicture picture)
{
    for (std::uint8_t& index : picture.indices.pixels)
        index = std::uint8_t(255 - index);
    std::reverse(picture.palette.begin(), picture.palette.end());
    return picture;
}

// Only the colours in use, in the order they first appear.
StoryboardPicture compacted(StoryboardPicture picture)
{
    std::array<int, 256> newIndex;
    newIndex.fill(-1);
    Palette colours{};
    int count = 0;
    for (std::uint8_t& index : picture.indices.pixels) {
        if (newIndex[index] < 0) {
            colours[std::size_t(count)] = picture.palette[index];
            newIndex[index] = count++;
        }
        index = std::uint8_t(newIndex[index]);
    }
    picture.palette = colours;
    picture.paletteSize = count;
    return picture;
}

TEST(StoryboardColours, SheetsWhosePaletteAProgramChangedBuildTheSameUnit)
{
    const struct {
        const char* name;
        Bytes file;
    } units[] = {{"the sample unit", sampleUnit()}, {"a unit with entries of one colour", crowdedUnit()}};
    for (const auto& unit : units) {
        SCOPED_TRACE(unit.name);
        const Sheet sheet = sheetOf(unit.file);
        const struct {
            const char* how;
            StoryboardPicture picture;
        } pictures[] = {
            {"as written", indexedPicture(sheet)},
            {"palette reordered", reordered(indexedPicture(sheet))},
            {"palette compacted", compacted(indexedPicture(sheet))},
            {"saved in true colour", trueColourPicture(sheet)},
        };
        for (const auto& p : pictures) {
            SCOPED_TRACE(p.how);
            std::string problem;
            const auto built = buildFromStoryboard(p.picture, {}, std::nullopt, problem);
            ASSERT_TRUE(built) << problem;
            EXPECT_EQ(built->file, unit.file);
            EXPECT_TRUE(built->mappedByColour);
            EXPECT_EQ(built->approximated.total(), 0u);
        }
    }
}

TEST(StoryboardColours, TheUsersPaletteColoursTheEntriesTheSheetNames)
{
    const Sheet sheet = sheetOf(crowdedUnit());
    Palette recoloured = crowdedPalette();
    for (PaletteEntry& entry : recoloured)
        entry = PaletteEntry::fromRgb(entry.blue, entry.red, entry.green);
    std::string problem;
    const auto built = buildFromStoryboard(reordered(indexedPicture(sheet)), {}, recoloured, problem);
    ASSERT_TRUE(built) << problem;
    CFlcAnimation result;
    ASSERT_EQ(result.LoadFromMemory(built->file, true), kOk);
    CFlcAnimation original;
    ASSERT_EQ(original.LoadFromMemory(crowdedUnit(), true), kOk);
    EXPECT_EQ(result.filePalette, recoloured);
    const auto frames = animationFrames(result);
    const auto expected = animationFrames(original);
    ASSERT_EQ(frames.size(), expected.size());
    for (std::size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(frames[i].pixels, expected[i].pixels) << "frame " << i;
}

TEST(StoryboardColours, ColoursNearAnEntryAreCountedByClass)
{
    const Sheet sheet = sheetOf(sampleUnit());
    StoryboardPicture picture = trueColourPicture(sheet);
    // A lossy step moved the transparent ground and one civilization colour.
    const std::uint32_t civilization = sheet.colours[40].pixel();
    std::size_t ground = 0;
    std::size_t civilizationPixels = 0;
    for (std::uint32_t& pixel : picture.argb) {
        if (pixel == 0xFFFF00FFu) {
            pixel = 0xFFFB03FDu;
            ++ground;
        } else if (pixel == civilization) {
            pixel += 0x00010100u;
            ++civilizationPixels;
        }
    }
    ASSERT_GT(civilizationPixels, 0u);
    std::string problem;
    const auto built = buildFromStoryboard(picture, {}, std::nullopt, problem);
    ASSERT_TRUE(built) << problem;
    EXPECT_EQ(built->file, sampleUnit());
    EXPECT_EQ(built->approximated.of(IndexClass::Transparent), ground);
    EXPECT_EQ(built->approximated.of(IndexClass::Civilization), civilizationPixels);
    EXPECT_EQ(built->approximated.total(), ground + civilizationPixels);
}

// The colour's squared distance to an entry.
int distance(std::uint32_t argb, const PaletteEntry& entry)
{
    const int dr = int((argb >> 16) & 0xFF) - entry.red;
    const int dg = int((argb >> 8) & 0xFF) - entry.green;
    const int db = int(argb & 0xFF) - entry.blue;
    return dr * dr + dg * dg + db * db;
}

TEST(StoryboardColours, NoiseOfThreeChangesNoPixelsClass)
{
    const Bytes file = sampleUnit();
    const Sheet sheet = sheetOf(file);
    StoryboardPicture picture = trueColourPicture(sheet);
    std::mt19937 random(41);
    std::uniform_int_distribution<int> noise(-3, 3);
    const auto channel = [&](std::uint32_t pixel, int shift) {
        return std::uint32_t(std::clamp(int((pixel >> shift) & 0xFF) + noise(random), 0, 255)) << shift;
    };
    for (std::uint32_t& pixel : picture.argb)
        pixel = 0xFF000000u | channel(pixel, 16) | channel(pixel, 8) | channel(pixel, 0);

    std::string problem;
    const auto built = buildFromStoryboard(picture, {}, std::nullopt, problem);
    ASSERT_TRUE(built) << problem;
    CFlcAnimation result;
    ASSERT_EQ(result.LoadFromMemory(built->file, true), kOk);
    EXPECT_EQ(result.filePalette, sheet.storyboard.palette);

    // No rule tells a pixel from another class's entry that is as near to
    // its noisy colour as its own; every other pixel keeps its class.
    const IndexImage& before = sheet.storyboard.sheet;
    const IndexImage after = drawStoryboard(animationFrames(result), sheet.storyboard.layout);
    std::unordered_map<std::uint64_t, bool> asNearOf;
    const auto isAmbiguous = [&](std::uint32_t colour, std::uint8_t own) {
        const auto [at, added] = asNearOf.try_emplace((std::uint64_t(own) << 32) | colour, false);
        const int ownDistance = distance(colour, sheet.colours[own]);
        for (int e = 0; added && e < 256 && !at->second; ++e)
            at->second = indexClassOf(e) != indexClassOf(own) && distance(colour, sheet.colours[std::size_t(e)]) <= ownDistance;
        return at->second;
    };
    std::size_t ambiguous = 0;
    for (std::size_t i = 0; i < before.pixels.size(); ++i) {
        const std::uint8_t own = before.pixels[i];
        if (isAmbiguous(picture.argb[i], own)) {
            ++ambiguous;
            continue;
        }
        ASSERT_EQ(indexClassOf(after.pixels[i]), indexClassOf(own)) << "pixel " << i << ", index " << int(own);
    }
    EXPECT_LT(ambiguous, before.pixels.size() / 100);
}

TEST(StoryboardColours, AGreySheetIsRefusedUnlessItsGreysAreThePalettes)
{
    const Sheet sample = sheetOf(sampleUnit());
    StoryboardPicture grey = trueColourPicture(sample);
    for (std::uint32_t& pixel : grey.argb) {
        const std::uint32_t y = (((pixel >> 16) & 0xFF) * 3 + ((pixel >> 8) & 0xFF) * 6 + (pixel & 0xFF)) / 10;
        pixel = 0xFF000000u | (y << 16) | (y << 8) | y;
    }
    std::string problem;
    EXPECT_FALSE(buildFromStoryboard(grey, {}, std::nullopt, problem));
    EXPECT_NE(problem.find("its colours no longer name palette entries"), std::string::npos) << problem;

    // A unit drawn in the greys of its palette alone.
    encoder::GameAnimation unit;
    unit.width = 4;
    unit.height = 4;
    unit.directions = 1;
    unit.framesPerDirection = 1;
    unit.speed = 50;
    for (int i = 0; i < 256; ++i)
        unit.palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(i / 2), 0);
    for (const int i : {80, 90, 230, 250})
        unit.palette[std::size_t(i)] = PaletteEntry::fromRgb(std::uint8_t(i), std::uint8_t(i), std::uint8_t(i));
    IndexImage image(4, 4);
    image.pixels = {80, 80, 90, 90, 230, 230, 250, 250, 80, 90, 230, 250, 250, 230, 90, 80};
    unit.images.push_back(image);
    const Bytes greyUnit = encoder::buildGameAnimation(unit);
    const auto built = buildFromStoryboard(trueColourPicture(sheetOf(greyUnit)), {}, std::nullopt, problem);
    ASSERT_TRUE(built) << problem;
    EXPECT_EQ(built->file, greyUnit);
}

TEST(StoryboardColours, SplitDirectionsComeBackThroughAnEditorsPalette)
{
    const Bytes original = crowdedUnit();
    CFlcAnimation source;
    ASSERT_EQ(source.LoadFromMemory(original, true), kOk);
    std::string problem;
    const auto split = splitDirections(source, source.header, problem);
    ASSERT_TRUE(split) << problem;
    EXPECT_EQ(split->palette, crowdedPalette());

    // A FLIC editor saves each direction with its palette reversed.
    std::vector<std::unique_ptr<CFlcAnimation>> files;
    std::vector<const CFlcAnimation*> directions;
    for (const Bytes& file : split->directionFiles) {
        CFlcAnimation direction;
        ASSERT_EQ(direction.LoadFromMemory(file, true), kOk);
        ASSERT_EQ(direction.filePalette, withDistinctColours(crowdedPalette()));
        std::vector<IndexImage> frames = animationFrames(direction);
        for (IndexImage& frame : frames) {
            for (std::uint8_t& index : frame.pixels)
                index = std::uint8_t(255 - index);
        }
        Palette reversed = direction.filePalette;
        std::reverse(reversed.begin(), reversed.end());
        files.push_back(std::make_unique<CFlcAnimation>());
        ASSERT_EQ(files.back()->LoadFromMemory(encoder::buildPlainFlc(reversed, frames, 60), true), kOk);
        directions.push_back(files.back().get());
    }
    const auto joined = joinDirections(directions, split->layout.facts(), split->palette, problem);
    ASSERT_TRUE(joined) << problem;
    EXPECT_EQ(joined->file, original);
    EXPECT_EQ(joined->approximated.total(), 0u);
}

TEST(StoryboardNotePalette, KeepsTheTrueColoursAndRefusesAnythingElse)
{
    StoryboardNote note;
    note.facts.directions = 8;
    note.palette = crowdedPalette();
    std::string problem;
    const auto read = readStoryboardNote(writeStoryboardNote(note), problem);
    ASSERT_TRUE(read) << problem;
    EXPECT_EQ(read->palette, crowdedPalette());
    EXPECT_NE(writeStoryboardNote(note).find("\"#FF00FF\""), std::string::npos);

    // Notes written before the palette was kept, or without it.
    for (const char* text : {R"({"format": "kinetra-storyboard"})", R"({"format": "kinetra-storyboard", "palette": null})"}) {
        const auto old = readStoryboardNote(text, problem);
        ASSERT_TRUE(old) << text << ": " << problem;
        EXPECT_FALSE(old->palette) << text;
    }

    const auto withEntries = [](const std::string& first, int count) {
        std::string text = R"({"format": "kinetra-storyboard", "palette": [)" + first;
        for (int i = 1; i < count; ++i)
            text += R"(, "#a0b0c0")";
        return text + "]}";
    };
    const struct {
        const char* what;
        std::string text;
    } refused[] = {
        {"not a list", R"({"format": "kinetra-storyboard", "palette": "#000000"})"},
        {"255 colours", withEntries(R"("#000000")", 255)},
        {"257 colours", withEntries(R"("#000000")", 257)},
        {"a number", withEntries("0", 256)},
        {"five digits", withEntries(R"("#00000")", 256)},
        {"no hash", withEntries(R"("0000000")", 256)},
        {"not hex", withEntries(R"("#00G000")", 256)},
        {"a sign", withEntries(R"("#+0A0B0")", 256)},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(readStoryboardNote(r.text, problem)) << r.what;
        EXPECT_EQ(problem.rfind("palette", 0), 0u) << r.what << ": " << problem;
    }
    const auto lowerCase = readStoryboardNote(withEntries(R"("#0aFf10")", 256), problem);
    ASSERT_TRUE(lowerCase) << problem;
    EXPECT_EQ((*lowerCase->palette)[0], PaletteEntry::fromRgb(0x0A, 0xFF, 0x10));
    EXPECT_EQ((*lowerCase->palette)[255], PaletteEntry::fromRgb(0xA0, 0xB0, 0xC0));
}

} // namespace
} // namespace kinetra
