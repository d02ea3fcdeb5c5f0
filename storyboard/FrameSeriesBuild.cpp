#include "storyboard/FrameSeriesBuild.h"

#include "formats/PictureFile.h"
#include "storyboard/FrameSeries.h"

#include <algorithm>

namespace kinetra {

namespace {

std::string sizeText(int width, int height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

// Refused before a picture is read: the count says what the series must be.
bool countFits(const FrameSeriesRequest& request, std::size_t needed, std::string& problem)
{
    const std::size_t given = request.pictures.size();
    if (given == needed)
        return true;
    problem = std::to_string(*request.facts.directions) + " directions of "
              + std::to_string(*request.facts.framesPerDirection) + " frames need " + std::to_string(needed)
              + " pictures, but " + std::to_string(given) + (given == 1 ? " was" : " were") + " given";
    problem += given > needed ? ": '" + request.pictures[needed] + "' and any after it are too many."
                              : " (the last: '" + request.pictures.back() + "').";
    return false;
}

std::optional<std::vector<PictureData>> readSeries(const std::vector<std::string>& paths, std::string& problem)
{
    std::vector<PictureData> pictures;
    pictures.reserve(paths.size());
    std::uint64_t pixels = 0;
    for (const std::string& path : paths) {
        auto picture = readPictureFile(path, problem, kMaxSeriesPicturePixels);
        if (!picture) {
            problem = '\'' + path + "'\n" + problem;
            return std::nullopt;
        }
        if (!pictures.empty()
            && (picture->width != pictures.front().width || picture->height != pictures.front().height)) {
            problem = '\'' + path + "' is " + sizeText(picture->width, picture->height) + " pixels; '" + paths.front()
                      + "' is " + sizeText(pictures.front().width, pictures.front().height)
                      + ". Every picture of a series has one size.";
            return std::nullopt;
        }
        pixels += std::uint64_t(picture->width) * std::uint64_t(picture->height);
        if (pixels > kMaxSeriesPixels) {
            problem = "The pictures up to '" + path + "' hold more than " + std::to_string(kMaxSeriesPixels)
                      + " pixels, more than a unit's frames can.";
            return std::nullopt;
        }
        pictures.push_back(std::move(*picture));
    }
    return pictures;
}

// Indexed pictures of one whole palette are already a unit's frames. A
// shorter palette is a program's own numbering of the colours a picture
// uses (frames exported as small palette PNGs), not the unit's indices:
// such pictures are taken by their colours.
bool shareOnePalette(const std::vector<PictureData>& pictures)
{
    return std::all_of(pictures.begin(), pictures.end(), [&pictures](const PictureData& picture) {
        return picture.kind == PictureData::Kind::Indexed && picture.paletteSize == 256
            && picture.palette == pictures.front().palette;
    });
}

struct SeriesFrames {
    std::vector<IndexImage> frames;
    Palette palette{};
    SeriesPalette origin = SeriesPalette::Pictures;
    std::array<std::size_t, kIndexClassCount> pixelsPerClass{};
    double largestOrdinaryError = 0;
};

std::optional<SeriesFrames> toUnitFrames(std::vector<PictureData>& pictures, const FrameSeriesRequest& request,
                                         std::string& problem)
{
    SeriesFrames series;
    if (request.palette == SeriesPalette::Pictures && shareOnePalette(pictures)) {
        series.palette = pictures.front().palette;
        for (PictureData& picture : pictures) {
            for (const std::uint8_t index : picture.indices.pixels)
                ++series.pixelsPerClass[std::size_t(indexClassOf(index))];
            series.frames.push_back(std::move(picture.indices));
        }
        return series;
    }
    std::vector<ExportPicture> renders;
    renders.reserve(pictures.size());
    for (PictureData& picture : pictures) {
        renders.push_back(ExportPicture{picture.width, picture.height, argbPixels(picture), 0});
        picture = PictureData{};
    }
    const bool given = request.palette == SeriesPalette::Given;
    auto converted = convertRenders(renders, given ? request.givenPalette : std::nullopt, request.render, problem);
    if (!converted)
        return std::nullopt;
    series.frames = std::move(converted->frames);
    series.palette = converted->palette;
    series.origin = given ? SeriesPalette::Given : SeriesPalette::Generated;
    series.pixelsPerClass = converted->pixelsPerClass;
    series.largestOrdinaryError = converted->largestOrdinaryError;
    return series;
}

} // namespace

std::optional<FrameSeriesBuild> buildFromFrames(const FrameSeriesRequest& request, std::string& problem)
{
    const StoryboardFacts& facts = request.facts;
    if (!facts.directions || !facts.framesPerDirection || !facts.speed) {
        problem = "A series of pictures builds with its directions, frames per direction and speed given "
                  "(--directions, --frames-per-direction, --speed).";
        return std::nullopt;
    }
    const std::int64_t needed = std::int64_t(*facts.directions) * *facts.framesPerDirection;
    if (needed > kMaxFlcFrames) {
        problem = "A unit holds at most " + std::to_string(kMaxFlcFrames) + " frames, not " + std::to_string(needed)
                  + ".";
        return std::nullopt;
    }
    if (!request.directionOrder.empty() && std::ptrdiff_t(request.directionOrder.size()) != *facts.directions) {
        problem = "--direction-order orders eight directions; the unit has " + std::to_string(*facts.directions) + ".";
        return std::nullopt;
    }
    if (request.palette == SeriesPalette::Given && !request.givenPalette) {
        problem = "No palette was given to map the pictures onto.";
        return std::nullopt;
    }
    if (!countFits(request, std::size_t(needed), problem))
        return std::nullopt;
    auto pictures = readSeries(request.pictures, problem);
    if (!pictures)
        return std::nullopt;
    auto series = toUnitFrames(*pictures, request, problem);
    if (!series)
        return std::nullopt;

    // The renderer's order into the file's.
    const std::vector<std::size_t> places =
        fileOrderOfSeries(*facts.directions, *facts.framesPerDirection, request.directionOrder);
    std::vector<IndexImage> frames(series->frames.size());
    for (std::size_t picture = 0; picture < places.size(); ++picture)
        frames[places[picture]] = std::move(series->frames[picture]);

    StoryboardFacts placed = facts;
    placed.border.reset();
    placed.plain = false;
    if (!facts.leftOffset || !facts.topOffset) {
        auto cut = placeOnUnitPicture(frames, problem);
        if (!cut)
            return std::nullopt;
        frames = std::move(cut->frames);
        placed.leftOffset = cut->leftOffset;
        placed.topOffset = cut->topOffset;
    }
    const int width = frames.front().width;
    const int height = frames.front().height;
    if (width > kUnitPictureSize || height > kUnitPictureSize) {
        problem = "The pictures are " + sizeText(width, height) + " pixels, larger than the game's picture of "
                  "240 x 240; without offsets (--offset auto) they are cut to what shows.";
        return std::nullopt;
    }
    const auto layout = resolveStoryboardLayout(placed, width * *facts.framesPerDirection,
                                                height * *facts.directions, problem);
    if (!layout)
        return std::nullopt;

    FrameSeriesBuild build;
    build.layout = *layout;
    build.file = encodeStoryboardAnimation(*layout, series->palette, frames, problem);
    if (build.file.empty())
        return std::nullopt;
    build.paletteOrigin = series->origin;
    build.pixelsPerClass = series->pixelsPerClass;
    build.largestOrdinaryError = series->largestOrdinaryError;
    return build;
}

} // namespace kinetra
