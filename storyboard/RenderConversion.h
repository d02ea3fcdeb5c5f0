#pragma once

// True-colour renders (alpha, a soft shadow pass, parts in a team key
// colour) turned into the game's 8-bit frames: each pixel takes an index of
// the class the game draws it with, and the ordinary colours are chosen
// for all frames together, so that a unit keeps one palette.

#include "flc/IndexImage.h"
#include "flc/Palette.h"
#include "formats/ExportPicture.h"
#include "formats/PaletteMapping.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kinetra {

struct RenderOptions {
    // The key colour (0x00RRGGBB) the renderer gave the parts that take the
    // owner's colours; none: no pixel is a team pixel.
    std::optional<std::uint32_t> teamColour;
    // How far a pixel's hue may lie from the key's and still be a team pixel.
    double teamToleranceDegrees = 20;
    // Entries 0-63 of a generated palette; none: those of Kinetra's own
    // first civilization colouring.
    std::optional<Palette> civilizationColours;
    // Floyd-Steinberg among ordinary pixels: their error never spreads to
    // or from a transparent, shadow or team pixel.
    bool dither = false;
};

struct RenderConversion {
    std::vector<IndexImage> frames; // the inputs' sizes, in their order
    Palette palette{};
    std::array<std::size_t, kIndexClassCount> pixelsPerClass{};
    // RGB Euclidean distance from an ordinary pixel's colour to its entry's.
    double largestOrdinaryError = 0;
    double meanOrdinaryError = 0;
};

// Kinetra's own palette for new units: that of its first civilization
// colouring, whose light, shadow and transparent entries (224-255) a
// generated palette keeps. Nothing if the built-in file cannot be read.
std::optional<Palette> defaultUnitPalette();

// Each pixel of the frames (0xAARRGGBB), by the first rule that holds:
// - alpha 1-254 and Rec. 601 luma at most 64 (of 255): a shadow of level
//   L = round(alpha * 15 / 255) within 1..15, index 255 - L;
// - alpha below 128: transparent, index 255;
// - with a team colour, a hue within the tolerance of its hue and a
//   saturation at least a quarter of its saturation (HSV): the entry of
//   0-63 whose luma is nearest (the lower index on a tie);
// - any other: the nearest (RGB) of the ordinary entries 64-223.
// Without `palette` one is generated: 0-63 from the options, 64-223 the
// colours that serve all the frames' ordinary pixels best (median cut,
// then k-means), 224-255 those of defaultUnitPalette. With it, the pixels
// are mapped onto it and it is the result's palette. Nothing, with a
// sentence in `problem`, when there are no frames, a frame's pixels do not
// fill its size, or the team colour or its tolerance cannot serve.
std::optional<RenderConversion> convertRenders(std::span<const ExportPicture> frames,
                                               const std::optional<Palette>& palette,
                                               const RenderOptions& options, std::string& problem);

} // namespace kinetra
