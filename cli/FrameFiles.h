#pragma once

#include "flc/CSurface.h"

#include <string>

namespace kinetra::cli {

// Both return false when the file cannot be written completely.

// The frame's 32-bit pixels, that is its colours through the display
// palette, as an RGB PNG.
bool writeFramePng(const CSurface& frame, const std::string& path);

// The frame's palette indices as a binary 8-bit PGM.
bool writeFramePgm(const CSurface& frame, const std::string& path);

} // namespace kinetra::cli
