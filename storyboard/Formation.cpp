#include "storyboard/Formation.h"

#include "flc/CFlcAnimation.h"
#include "formats/PaletteMapping.h"
#include "storyboard/FigureSource.h"
#include "storyboard/FrameSeries.h"

#include <algorithm>
#include <filesystem>

namespace kinetra {

namespace {

namespace fs = std::filesystem;

std::string figureName(const Formation& formation, std::size_t figure)
{
    return "figure " + std::to_string(figure + 1) + " (" + formation.figures[figure].source + ")";
}

std::string directionsText(int directions)
{
    return std::to_string(directions) + (directions == 1 ? " direction" : " directions");
}

// The formation's distinct sources, each with the first figure that shows
// it, and for each figure its source.
struct Sources {
    std::vector<std::string> paths;
    std::vector<std::size_t> firstFigure;
    std::vector<std::size_t> ofFigure;
};

Sources sourcesOf(const Formation& formation, const fs::path& folder)
{
    Sources sources;
    for (std::size_t f = 0; f < formation.figures.size(); ++f) {
        const std::string path = (folder / formation.figures[f].source).lexically_normal().string();
        const auto known = std::ranges::find(sources.paths, path);
        sources.ofFigure.push_back(std::size_t(known - sources.paths.begin()));
        if (known == sources.paths.end()) {
            sources.paths.push_back(path);
            sources.firstFigure.push_back(f);
        }
    }
    return sources;
}

void mapColours(FigureUnit& unit, const Palette& own, const Palette& onto, ApproximatedPixels& approximated)
{
    const PaletteTranslation translation = translationKeepingClasses(own, onto);
    for (IndexImage& frame : unit.frames) {
        MappedPicture mapped = mapThrough(frame, own, translation);
        for (std::size_t c = 0; c < kIndexClassCount; ++c)
            approximated.byClass[c] += mapped.approximated.byClass[c];
        frame = std::move(mapped.image);
    }
}

std::uint64_t pixelsOf(const FigureUnit& unit)
{
    std::uint64_t pixels = 0;
    for (const IndexImage& frame : unit.frames)
        pixels += frame.pixels.size();
    return pixels;
}

// Every source read and in the first one's palette; nothing, with the
// figure at fault named in `problem`, otherwise.
std::optional<std::vector<FigureSource>> readSources(const Formation& formation, const Sources& sources,
                                                     StoryboardBuild& unit, std::string& problem)
{
    std::vector<FigureSource> read;
    read.reserve(sources.paths.size());
    std::uint64_t pixels = 0;
    for (std::size_t s = 0; s < sources.paths.size(); ++s) {
        const std::string name = figureName(formation, sources.firstFigure[s]);
        std::string why;
        auto source = readFigureSource(sources.paths[s], why);
        if (!source) {
            problem = name + ": " + why;
            return std::nullopt;
        }
        if (!read.empty() && source->unit.directions != read.front().unit.directions) {
            problem = name + " has " + directionsText(source->unit.directions) + ", but "
                      + figureName(formation, 0) + " has " + std::to_string(read.front().unit.directions)
                      + ": the figures of a formation all have as many directions.";
            return std::nullopt;
        }
        pixels += pixelsOf(source->unit);
        if (pixels > CFlcAnimation::kMaxTotalPixels) {
            problem = name + ": the figures' frames up to it hold more than "
                      + std::to_string(CFlcAnimation::kMaxTotalPixels) + " pixels, more than Kinetra combines.";
            return std::nullopt;
        }
        if (!read.empty() && source->palette != read.front().palette) {
            mapColours(source->unit, source->palette, read.front().palette, unit.approximated);
            unit.mappedByColour = true;
        }
        read.push_back(std::move(*source));
    }
    return read;
}

std::vector<std::string> filesOf(const std::string& formationPath, const Sources& sources)
{
    std::vector<std::string> files{formationPath};
    for (const std::string& path : sources.paths)
        std::ranges::copy(figureSourceFiles(path), std::back_inserter(files));
    return files;
}

} // namespace

std::vector<std::string> formationFiles(const std::string& formationPath)
{
    std::string ignored;
    const auto formation = readFormationFile(formationPath, ignored);
    if (!formation)
        return {formationPath};
    return filesOf(formationPath, sourcesOf(*formation, fs::path(formationPath).parent_path()));
}

FormationBuild combineFormation(const std::string& formationPath, const CombineOptions& options,
                                std::string& problem)
{
    FormationBuild build;
    build.files.push_back(formationPath);
    const auto formation = readFormationFile(formationPath, problem);
    if (!formation)
        return build;
    build.figures = formation->figures.size();
    const Sources sources = sourcesOf(*formation, fs::path(formationPath).parent_path());
    build.files = filesOf(formationPath, sources);

    StoryboardBuild unit;
    const auto read = readSources(*formation, sources, unit, problem);
    if (!read)
        return build;
    const FigureSource& first = read->front();
    const int directions = first.unit.directions;
    const int perDirection = options.framesPerDirection.value_or(first.unit.framesPerDirection);
    // Every frame is drawn whole on the game's picture before it is cut.
    constexpr std::uint64_t kPicturePixels = std::uint64_t(kUnitPictureSize) * kUnitPictureSize;
    const auto mostFrames = std::min<std::uint64_t>(kMaxFlcFrames, CFlcAnimation::kMaxTotalPixels / kPicturePixels);
    if (perDirection < 1 || std::uint64_t(directions) * std::uint64_t(perDirection) > mostFrames) {
        problem = directionsText(directions) + " of " + std::to_string(perDirection)
                  + " frames: a combined unit holds 1 to " + std::to_string(mostFrames) + " frames.";
        return build;
    }

    std::vector<PlacedFigure> placed;
    for (std::size_t f = 0; f < formation->figures.size(); ++f) {
        const FormationFigure& figure = formation->figures[f];
        placed.push_back({&(*read)[sources.ofFigure[f]].unit, figure.forward, figure.right, figure.frameOffset});
    }
    CombinedFrames combined = combineFigures(placed, directions, perDirection);
    build.cutPixels = combined.cutPixels;
    const auto shown = placeOnUnitPicture(combined.frames, problem);
    if (!shown)
        return build;
    combined.frames = {};

    StoryboardFacts facts;
    facts.directions = directions;
    facts.framesPerDirection = perDirection;
    facts.speed = options.speed.value_or(first.speed);
    facts.leftOffset = shown->leftOffset;
    facts.topOffset = shown->topOffset;
    const IndexImage& frame = shown->frames.front();
    const auto layout = resolveStoryboardLayout(facts, frame.width * perDirection, frame.height * directions, problem);
    if (!layout)
        return build;
    unit.layout = *layout;
    unit.file = encodeStoryboardAnimation(*layout, first.palette, shown->frames, problem);
    if (!unit.file.empty())
        build.unit = std::move(unit);
    return build;
}

} // namespace kinetra
