#pragma once

#include "flc/FlcFrame.h"
#include "flc/Palette.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kinetra::cli {

// How a frame is written: its colours through the palette in a palette PNG
// of the entries it uses or in a true-colour PNG, both opaque and decoding
// to the same pixels; or its raw palette indices as a binary 8-bit PGM.
enum class FrameFormat { PalettePng, TrueColourPng, IndexPgm };

// The bytes of the frame's file in `format`; false with the reason in
// `problem` when it cannot be encoded.
bool encodeFrame(const FlcFrame& frame, const Palette& palette, FrameFormat format, std::vector<std::uint8_t>& bytes,
                 std::string& problem);

} // namespace kinetra::cli
