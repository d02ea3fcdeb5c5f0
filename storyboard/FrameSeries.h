#pragma once

// A unit drawn or rendered as one picture per frame, without a note: which
// files make the series, in what order their frames go into the unit, and
// where the figure they show stands on the game's picture.

#include "flc/IndexImage.h"
#include "storyboard/Storyboard.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kinetra {

// Renderers and paint programs number their files without leading zeros,
// so names compare with runs of digits taken as numbers: "frame2" before
// "frame10". Otherwise as bytes; equal numbers of differing zeros fall back
// to the bytes, so the order is total.
bool naturalLess(std::string_view a, std::string_view b);

// The picture files a pattern names, in natural order: a shell pattern
// ("render/*.png"), a folder (its .png, .pcx and .bmp files) or one file.
// Nothing, with the reason in `problem`, when nothing matches.
std::optional<std::vector<std::string>> expandFramePattern(const std::string& pattern, std::string& problem);

// For each of the renderer's directions, in the order its files come, the
// direction of the unit's file order (SW, S, SE, E, NE, N, NW, W) it is.
// `text` lists the game's eight names, each once, comma-separated, in any
// case. Nothing, with the reason in `problem`, for anything else.
std::optional<std::vector<int>> parseDirectionOrder(std::string_view text, std::string& problem);

// Where each picture of a series goes in the unit's file order: picture i
// shows frame i % framesPerDirection of the renderer's direction
// i / framesPerDirection, which `order` (empty: the file's own order) maps
// to the unit's.
std::vector<std::size_t> fileOrderOfSeries(int directions, int framesPerDirection, const std::vector<int>& order);

// Whether the eight indices from `pixels` are all transparent (255): most
// of a unit's frame is, and is passed over eight pixels at a time.
inline bool eightTransparent(const std::uint8_t* pixels)
{
    std::uint64_t eight = 0;
    std::memcpy(&eight, pixels, sizeof eight);
    return eight == ~std::uint64_t(0);
}

// The smallest rectangle holding every pixel that is not transparent (255)
// in any of the frames, all of one size. Width and height 0 when nothing
// shows.
struct ShownRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
ShownRect shownUnion(const std::vector<IndexImage>& frames);

// Each frame's part inside `rect`, which lies inside every frame.
std::vector<IndexImage> cutFrames(const std::vector<IndexImage>& frames, const ShownRect& rect);

// The frames cut to `rect`, and the offsets that keep the figure where it
// stood in the rendered pictures, those centred on the game's 240 × 240
// picture. Nothing, with the sizes named in `problem`, when nothing shows or
// what shows does not fit the game's picture.
struct PlacedFrames {
    std::vector<IndexImage> frames;
    int leftOffset = 0;
    int topOffset = 0;
};
std::optional<PlacedFrames> placeOnUnitPicture(const std::vector<IndexImage>& frames, std::string& problem);

} // namespace kinetra
