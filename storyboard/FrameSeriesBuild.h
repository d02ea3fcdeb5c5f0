#pragma once

// A game unit built from a series of pictures, one per frame, without a
// note: drawn frames in the unit's palette, or renders in true colour whose
// palette is made from the frames themselves or given.

#include "formats/PaletteMapping.h"
#include "storyboard/RenderConversion.h"
#include "storyboard/Storyboard.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kinetra {

// A picture claiming more is refused from its header; all pictures of a
// series together may hold no more than kMaxSeriesPixels.
inline constexpr std::uint64_t kMaxSeriesPicturePixels = kMaxStoryboardPixels;
inline constexpr std::uint64_t kMaxSeriesPixels = 4 * kMaxStoryboardPixels;

// Where the unit's colours come from.
enum class SeriesPalette {
    // Indexed pictures that share one whole palette of 256 entries keep
    // their indices and its colours; any other series is made a palette of
    // its own (Generated).
    Pictures,
    // Made from the frames' colours by the class rules of convertRenders.
    Generated,
    // The given palette, the pixels mapped onto it by the same rules.
    Given,
};

struct FrameSeriesRequest {
    // The pictures in the renderer's order (expandFramePattern's).
    std::vector<std::string> pictures;
    // Directions, frames per direction and speed must be known. Offsets
    // given are kept and the frames are not cut; without them, what shows
    // in all frames is cut out and placed where it stood.
    StoryboardFacts facts;
    // The renderer's order of directions (parseDirectionOrder); empty for
    // the file's own.
    std::vector<int> directionOrder;
    SeriesPalette palette = SeriesPalette::Pictures;
    std::optional<Palette> givenPalette;
    RenderOptions render;
};

struct FrameSeriesBuild {
    std::vector<std::uint8_t> file;
    StoryboardLayout layout;
    SeriesPalette paletteOrigin = SeriesPalette::Pictures;
    std::array<std::size_t, kIndexClassCount> pixelsPerClass{};
    // Of an ordinary pixel's colour from its entry's (RGB distance); 0 when
    // the pictures kept their indices.
    double largestOrdinaryError = 0;
};

// Nothing, with the reason in `problem` (naming the file or the value at
// fault), when a picture is missing, extra, unreadable or of another size
// than the first, or the unit cannot be built.
std::optional<FrameSeriesBuild> buildFromFrames(const FrameSeriesRequest& request, std::string& problem);

} // namespace kinetra
