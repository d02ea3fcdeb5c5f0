#include "storyboard/FigureSource.h"

#include "flc/CFlcAnimation.h"
#include "storyboard/FrameSeries.h"
#include "storyboard/StoryboardBuild.h"
#include "storyboard/StoryboardFile.h"
#include "storyboard/StoryboardNote.h"
#include "storyboard/StoryboardSet.h"

#include <filesystem>

namespace kinetra {

namespace {

namespace fs = std::filesystem;

enum class SourceKind { Flc, Sheet, StoryboardSet };

// A note names filmstrips or cels; a picture is a sheet; anything else
// must be an FLC.
SourceKind sourceKindOf(const std::string& path)
{
    if (path.ends_with(kStoryboardNoteSuffix))
        return SourceKind::StoryboardSet;
    return storyboardFormatOf(path) ? SourceKind::Sheet : SourceKind::Flc;
}

bool loadBuilt(const std::optional<StoryboardBuild>& build, CFlcAnimation& animation, std::string& problem)
{
    if (!build)
        return false;
    if (animation.LoadFromMemory(build->file, true) != kOk) {
        problem = "Cannot read the unit built from the storyboard.";
        return false;
    }
    return true;
}

bool loadSource(const std::string& path, CFlcAnimation& animation, std::string& problem)
{
    switch (sourceKindOf(path)) {
    case SourceKind::StoryboardSet:
        return loadBuilt(buildFromStoryboardSet(path, {}, std::nullopt, problem), animation, problem);
    case SourceKind::Sheet: {
        const auto picture = readStoryboardFile(path, problem);
        return picture && loadBuilt(buildFromStoryboard(*picture, {}, std::nullopt, problem), animation, problem);
    }
    case SourceKind::Flc:
        if (animation.Load(path, true) == kOk)
            return true;
        problem = "the file is not an FLC animation that Kinetra can read.";
        return false;
    }
    return false;
}

} // namespace

std::vector<std::string> figureSourceFiles(const std::string& path)
{
    switch (sourceKindOf(path)) {
    case SourceKind::Sheet:
        return {path, storyboardNotePath(path)};
    case SourceKind::StoryboardSet: {
        std::vector<std::string> files{path};
        std::string unreadable;
        if (const auto note = readStoryboardNoteFile(path, unreadable)) {
            for (const std::string& picture : note->pictures)
                files.push_back((fs::path(path).parent_path() / picture).string());
        }
        return files;
    }
    case SourceKind::Flc:
        break;
    }
    return {path};
}

std::optional<FigureSource> readFigureSource(const std::string& path, std::string& problem)
{
    std::error_code error;
    if (!fs::exists(path, error)) {
        problem = "the file is missing.";
        return std::nullopt;
    }
    CFlcAnimation animation;
    if (!loadSource(path, animation, problem))
        return std::nullopt;
    const auto layout = storyboardLayoutOf(animation.header, animation.frames.size(), std::nullopt, problem);
    if (!layout)
        return std::nullopt;
    if (layout->plain) {
        problem = "the file is a plain FLC, not a unit: it has no directions.";
        return std::nullopt;
    }
    if (layout->directions != 8 && layout->directions != 1) {
        problem = "the unit has " + std::to_string(layout->directions) + " directions; a figure has 8 or 1.";
        return std::nullopt;
    }

    FigureSource source;
    source.palette = animation.filePalette;
    source.speed = layout->speed;
    FigureUnit& unit = source.unit;
    unit.directions = layout->directions;
    unit.framesPerDirection = layout->framesPerDirection;
    // Only what shows is drawn, again and again.
    std::vector<IndexImage> frames = animationFrames(animation);
    animation.Clear();
    const ShownRect shown = shownUnion(frames);
    const bool whole = shown.width == layout->frameWidth && shown.height == layout->frameHeight;
    unit.frames = whole ? std::move(frames) : cutFrames(frames, shown);
    unit.leftOffset = layout->leftOffset + shown.left;
    unit.topOffset = layout->topOffset + shown.top;
    return source;
}

} // namespace kinetra
