#pragma once

// The colours an 8-bit picture's palette is written with when the picture is
// to name its entries by colour alone: paint programs, converters and
// quantizers keep a pixel's colour but not its index (they reorder, compact
// and merge palettes, or save true colour), so two entries of one colour, or
// of colours a quantizer merges, would come back as one.

#include "flc/Palette.h"

namespace kinetra {

// Entries closer than this in every channel count as one colour: common
// quantizers (ImageMagick's among them) merge smaller steps back.
inline constexpr int kDistinctColourStep = 4;

// `palette` with every entry a colour of its own: an entry within
// kDistinctColourStep - 1 in every channel of an earlier entry (as this
// function left it) is nudged by multiples of kDistinctColourStep, as little
// as it can be, until it is clear of every earlier entry. Entries that are
// already apart keep their colour, so a palette of distinct colours comes
// back as it was; the same palette always gives the same colours.
Palette withDistinctColours(const Palette& palette);

} // namespace kinetra
