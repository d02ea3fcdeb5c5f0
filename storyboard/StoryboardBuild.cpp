#include "storyboard/StoryboardBuild.h"

#include "flc/FlcEncoder.h"
#include "formats/DistinctPalette.h"
#include "formats/PaletteMapping.h"

#include <algorithm>

namespace kinetra {

static_assert(kMaxWrappedStoryboardPixels == CFlcAnimation::kMaxTotalPixels);

std::vector<IndexImage> animationFrames(const CFlcAnimation& animation)
{
    std::vector<IndexImage> frames;
    frames.reserve(animation.frames.size());
    for (const FlcFrame& decoded : animation.frames) {
        IndexImage& frame = frames.emplace_back(decoded.width, decoded.height);
        std::ranges::copy(decoded.pixels(), frame.pixels.begin());
    }
    return frames;
}

std::optional<StoryboardFrames> storyboardFramesOf(const CFlcAnimation& animation, const FlcHeader& fileHeader,
                                                   std::optional<int> border, std::string& problem)
{
    const auto layout = storyboardLayoutOf(fileHeader, animation.frames.size(), border, problem);
    // What is written must read back.
    const auto fits = layout && layout->columns > 0 ? wrappedStoryboardSizeFits : storyboardSizeFits;
    if (!layout || !storyboardSheetFits(*layout, problem)
        || !fits(std::uint64_t(layout->sheetWidth()), std::uint64_t(layout->sheetHeight()), problem))
        return std::nullopt;
    const auto& frames = animation.frames;
    const auto rowOf = [&frames, width = layout->frameWidth, height = layout->frameHeight](int i,
                                                                                          int y) -> const std::uint8_t* {
        const FlcFrame& frame = frames[std::size_t(i)];
        if (frame.width != width || frame.height != height)
            return nullptr;
        return frame.indices + std::size_t(y) * std::size_t(width);
    };
    return StoryboardFrames{*layout, animation.filePalette, rowOf};
}

StoryboardFrames storyboardFramesOf(const Storyboard& storyboard)
{
    const StoryboardLayout& layout = storyboard.layout;
    const IndexImage& sheet = storyboard.sheet;
    const bool whole = sheet.width == layout.sheetWidth() && sheet.height == layout.sheetHeight()
                       && sheet.pixels.size() == std::size_t(sheet.width) * std::size_t(sheet.height);
    const auto rowOf = [&sheet, &layout, whole](int i, int y) -> const std::uint8_t* {
        if (!whole)
            return nullptr;
        return sheet.pixels.data() + std::size_t(layout.frameTop(i) + y) * std::size_t(sheet.width)
               + std::size_t(layout.frameLeft(i));
    };
    return {layout, storyboard.palette, rowOf};
}

std::optional<Storyboard> makeStoryboard(const CFlcAnimation& animation, const FlcHeader& fileHeader,
                                         std::optional<int> border, std::string& problem)
{
    const auto frames = storyboardFramesOf(animation, fileHeader, border, problem);
    if (!frames)
        return std::nullopt;
    return Storyboard{drawStoryboard(frames->rowOf, frames->layout), frames->palette, frames->layout};
}

std::optional<IndexImage> storyboardIndices(const StoryboardPicture& picture, const std::optional<Palette>& palette,
                                            StoryboardBuild& build, std::string& problem)
{
    const std::optional<Palette> noted = picture.note ? picture.note->palette : std::nullopt;
    if (!noted && picture.indexed)
        return picture.indices;
    if (!noted && !palette) {
        problem = "The storyboard is a true-colour picture and its note keeps no palette; give the palette "
                  "to map it onto (--palette).";
        return std::nullopt;
    }
    // The sheet was written with the noted colours made distinct; a
    // render names the user's palette.
    const Palette names = noted ? withDistinctColours(*noted) : *palette;
    MappedPicture result = picture.indexed ? mapToPalette(picture.indices, picture.palette, names)
                                           : mapToPalette(picture.argb, picture.width, picture.height, names);
    if (result.image.pixels.empty()) {
        problem = "Cannot read the storyboard's pixels.";
        return std::nullopt;
    }
    if (result.grey && result.approximated.total() > 0) {
        problem = "The storyboard has been turned to greys: its colours no longer name palette entries. "
                  "Build from the sheet in colour.";
        return std::nullopt;
    }
    build.mappedByColour = true;
    for (std::size_t c = 0; c < kIndexClassCount; ++c)
        build.approximated.byClass[c] += result.approximated.byClass[c];
    return std::move(result.image);
}

std::optional<StoryboardBuild> buildFromStoryboard(const StoryboardPicture& picture, const StoryboardFacts& overrides,
                                                   const std::optional<Palette>& palette, std::string& problem)
{
    StoryboardFacts facts = picture.note ? picture.note->facts : StoryboardFacts{};
    facts.overrideWith(overrides);
    const auto layout = resolveStoryboardLayout(facts, picture.width, picture.height, problem);
    if (!layout)
        return std::nullopt;

    StoryboardBuild build;
    build.layout = *layout;
    const auto sheet = storyboardIndices(picture, palette, build, problem);
    if (!sheet)
        return std::nullopt;
    const auto frames = cutStoryboard(*sheet, *layout, problem);
    if (!frames)
        return std::nullopt;
    build.file = encodeStoryboardAnimation(*layout, storyboardColours(picture, palette), *frames, problem);
    if (build.file.empty())
        return std::nullopt;
    return build;
}

Palette storyboardColours(const StoryboardPicture& picture, const std::optional<Palette>& palette)
{
    if (palette)
        return *palette;
    return picture.note && picture.note->palette ? *picture.note->palette : picture.palette;
}

std::optional<SplitAnimation> splitDirections(const CFlcAnimation& animation, const FlcHeader& fileHeader,
                                              std::string& problem)
{
    const auto layout = storyboardLayoutOf(fileHeader, animation.frames.size(), std::nullopt, problem);
    if (!layout)
        return std::nullopt;
    if (layout->plain) {
        problem = "The file is a plain FLC without the game's directions; there is nothing to split.";
        return std::nullopt;
    }
    if (std::size_t(layout->directions) > kMaxDirectionFiles) {
        problem = "The file has " + std::to_string(layout->directions) + " directions; a split holds at most "
                  + std::to_string(kMaxDirectionFiles) + ".";
        return std::nullopt;
    }
    const std::vector<IndexImage> frames = animationFrames(animation);
    SplitAnimation split;
    split.layout = *layout;
    split.palette = animation.filePalette;
    const Palette distinct = withDistinctColours(animation.filePalette);
    const auto perDirection = std::size_t(layout->framesPerDirection);
    for (std::size_t d = 0; d < std::size_t(layout->directions); ++d) {
        const auto first = frames.begin() + std::ptrdiff_t(d * perDirection);
        std::vector<IndexImage> direction(first, first + std::ptrdiff_t(perDirection));
        auto file = encoder::buildPlainFlc(distinct, direction, layout->speed);
        if (file.empty()) {
            problem = "Cannot build the FLC file of direction " + std::to_string(d + 1) + ".";
            return std::nullopt;
        }
        split.directionFiles.push_back(std::move(file));
    }
    return split;
}

std::optional<StoryboardBuild> joinDirections(const std::vector<const CFlcAnimation*>& directions,
                                              const StoryboardFacts& facts, const std::optional<Palette>& palette,
                                              std::string& problem)
{
    if (directions.empty()) {
        problem = "There are no direction files to join.";
        return std::nullopt;
    }
    const CFlcAnimation& first = *directions.front();
    const std::size_t perDirection = first.frames.size();
    StoryboardBuild result;
    const std::optional<Palette> names = palette ? std::optional(withDistinctColours(*palette)) : std::nullopt;
    result.mappedByColour = names.has_value();
    std::vector<IndexImage> frames;
    for (std::size_t d = 0; d < directions.size(); ++d) {
        const CFlcAnimation& direction = *directions[d];
        if (direction.header.width != first.header.width || direction.header.height != first.header.height
            || direction.frames.size() != perDirection) {
            problem = "Direction " + std::to_string(d + 1) + " holds " + std::to_string(direction.frames.size())
                      + " frames of " + std::to_string(direction.header.width) + " x "
                      + std::to_string(direction.header.height) + " pixels; direction 1 holds "
                      + std::to_string(perDirection) + " of " + std::to_string(first.header.width) + " x "
                      + std::to_string(first.header.height) + ".";
            return std::nullopt;
        }
        for (IndexImage& frame : animationFrames(direction)) {
            if (names) {
                MappedPicture mapped = mapToPalette(frame, direction.filePalette, *names);
                for (std::size_t c = 0; c < kIndexClassCount; ++c)
                    result.approximated.byClass[c] += mapped.approximated.byClass[c];
                frame = std::move(mapped.image);
            }
            frames.push_back(std::move(frame));
        }
    }

    StoryboardFacts joined = facts;
    if (joined.directions && std::size_t(*joined.directions) != directions.size()) {
        problem = "The note names " + std::to_string(*joined.directions) + " directions, but "
                  + std::to_string(directions.size()) + " files were given.";
        return std::nullopt;
    }
    if (joined.framesPerDirection && std::size_t(*joined.framesPerDirection) != perDirection) {
        problem = "The note gives " + std::to_string(*joined.framesPerDirection)
                  + " frames per direction, but the files hold " + std::to_string(perDirection) + ".";
        return std::nullopt;
    }
    joined.directions = int(directions.size());
    joined.framesPerDirection = int(perDirection);
    if (!joined.speed)
        joined.speed = first.header.speed;
    joined.border.reset();
    joined.plain = false;
    const int width = first.header.width;
    const int height = first.header.height;
    const auto layout = resolveStoryboardLayout(joined, width * int(perDirection), height * int(directions.size()), problem);
    if (!layout)
        return std::nullopt;
    result.layout = *layout;
    result.file = encodeStoryboardAnimation(*layout, palette ? *palette : first.filePalette, frames, problem);
    if (result.file.empty())
        return std::nullopt;
    return result;
}

} // namespace kinetra
