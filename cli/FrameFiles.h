#pragma once

#include "flc/FlcFrame.h"
#include "flc/Palette.h"

#include <string>

namespace kinetra::cli {

// Both return false when the file cannot be written completely.

// The frame's colours through `palette` as an RGB PNG.
bool writeFramePng(const FlcFrame& frame, const Palette& palette, const std::string& path);

// The frame's palette indices as a binary 8-bit PGM.
bool writeFramePgm(const FlcFrame& frame, const std::string& path);

} // namespace kinetra::cli
